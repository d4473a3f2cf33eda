#include "scan/shortcut.h"

#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>

#include "platform/file_handle.h"
#include "platform/path_parts.h"
#include "platform/unicode.h"
#include "scan/shell_link.h"
#include "scan/volume_info.h"

namespace ordano {
namespace {

// A shortcut file is small; anything beyond this is not read.
constexpr std::size_t kLinkReadLimit = 1u << 20;

bool EndsWithLnk(std::string_view path) {
  if (path.size() < 4) return false;
  const std::string_view tail = path.substr(path.size() - 4);
  return tail[0] == '.' && (tail[1] | 0x20) == 'l' && (tail[2] | 0x20) == 'n' &&
         (tail[3] | 0x20) == 'k';
}

// The real path of an existing file or folder; empty when there is none.
std::string Existing(const std::string& path) {
  char buf[PATH_MAX];
  if (path.empty() || realpath(path.c_str(), buf) == nullptr) return {};
  return buf;
}

// A Windows path with "/" separators, as native bytes.
std::string WithSlashes(std::u16string text) {
  for (auto& c : text) {
    if (c == u'\\') c = u'/';
  }
  return ToNative(text);
}

bool IsDrivePath(std::u16string_view p) {
  return p.size() >= 3 && ((p[0] | 0x20) >= u'a' && (p[0] | 0x20) <= u'z') && p[1] == u':' &&
         (p[2] == u'\\' || p[2] == u'/');
}

// An absolute Windows path "X:\dir\file" has no counterpart here. The one
// reading that can be right is a link on a Windows volume mounted on this
// system pointing into that same volume: the path below the drive is then
// taken below the root of the file system the link lives on. A path written
// by a tool on this system ("/home/...") is used as it stands; network paths
// ("\\server\share") stay unresolved.
std::string MapAbsolute(const std::u16string& path, const std::string& linkFolder) {
  if (!path.empty() && path[0] == u'/') return Existing(ToNative(path));
  if (!IsDrivePath(path)) return {};
  const std::string root = FileSystemRootOf(linkFolder);
  if (root.empty()) return {};
  std::string candidate = root;
  if (candidate.back() != '/') candidate += '/';
  candidate += WithSlashes(path.substr(3));
  return Existing(candidate);
}

std::string ResolveLinkFile(const std::string& path) {
  const auto bytes = ReadAll(path, kLinkReadLimit);
  if (!bytes) return {};
  const auto link = ParseShellLink(
      std::span(reinterpret_cast<const unsigned char*>(bytes->data()), bytes->size()));
  if (!link) return {};
  const std::string folder(ParentFolderToOpen(path));

  // The relative path travels with the link, so it is tried first.
  if (link->relativePath && !link->relativePath->empty()) {
    const std::u16string& rel = *link->relativePath;
    std::string found;
    if (IsDrivePath(rel) || rel[0] == u'/') {
      found = MapAbsolute(rel, folder);
    } else if (rel[0] != u'\\') {  // "\\server" or "\dir" name no place here
      found = Existing(folder + "/" + WithSlashes(rel));
    }
    if (!found.empty()) return found;
  }
  if (link->localPath && !link->localPath->empty()) return MapAbsolute(*link->localPath, folder);
  return {};
}

}  // namespace

std::string ResolveShortcut(AppContext&, const std::string& path) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return {};
  if (S_ISLNK(st.st_mode)) return Existing(path);  // dangling or looping: empty
  if (!S_ISREG(st.st_mode) || !EndsWithLnk(path)) return {};
  return ResolveLinkFile(path);
}

}  // namespace ordano
