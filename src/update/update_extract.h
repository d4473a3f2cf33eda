// Unpacking the downloaded update archive into the extraction folder.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ordano {

enum class ExtractStatus {
  Ok,
  NotAnArchive,  // not a zip, or damaged
  Empty,         // nothing in it
  Unsafe,        // an entry would land outside the folder (absolute, "..", link out)
  TooLarge,      // more entries or bytes than an update holds
  Failed,        // the folder could not be made or written
};

struct ExtractLimits {
  std::uint64_t maxEntries = 20000;
  std::uint64_t maxBytes = std::uint64_t{2} << 30;
};

// Empties and recreates `folder` (mode 0700), then unpacks the zip `archive`
// into it. Anything but Ok leaves the folder empty: a refused archive installs
// nothing at all.
ExtractStatus ExtractUpdateArchive(const std::string& archive, const std::string& folder,
                                   const ExtractLimits& limits = {});

// The folder holding the new executable `exeName`: `folder` itself when it
// holds it, else the first subfolder (by name) that does, else `folder`.
std::string FindPayloadFolder(const std::string& folder, std::string_view exeName = "ordanou");

// Whether an archive entry name stays inside the folder it is unpacked to:
// relative, no ".." component, not empty.
bool IsSafeEntryPath(std::string_view name);

// Whether a symbolic link stored at entry `name` with `target` points inside.
bool IsSafeLinkTarget(std::string_view name, std::string_view target);

}  // namespace ordano
