// Windows shortcut files (.lnk, the Shell Link Binary File Format): the
// parts that name the target. Every offset and size is checked against the
// bytes given; nothing is allocated from a stored size.
#pragma once

#include <optional>
#include <span>
#include <string>

namespace ordano {

struct ShellLinkTarget {
  // RELATIVE_PATH of the string data, relative to the link's folder.
  std::optional<std::u16string> relativePath;
  // LocalBasePath + CommonPathSuffix of the link info (Unicode forms preferred).
  std::optional<std::u16string> localPath;
};

// Nullopt when the bytes are no shell link (wrong header size or class id,
// or a structure that runs past the end).
std::optional<ShellLinkTarget> ParseShellLink(std::span<const unsigned char> bytes);

}  // namespace ordano
