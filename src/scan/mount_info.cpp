// Mount table and volume labels: which mount holds a path, and the label of
// its block device as udev publishes it, or as libblkid reads it where udev
// publishes nothing (containers, minimal systems).
#include "scan/mount_info.h"

#include <blkid/blkid.h>
#include <dirent.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <memory>
#include <optional>
#include <vector>

#include "platform/file_handle.h"
#include "platform/path_parts.h"
#include "platform/unicode.h"

namespace ordano {
namespace {

// mountinfo escapes space, tab, newline and backslash as "\ooo".
std::string UnescapeOctal(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && s.size() - i >= 4) {
      const char a = s[i + 1], b = s[i + 2], c = s[i + 3];
      if (a >= '0' && a <= '3' && b >= '0' && b <= '7' && c >= '0' && c <= '7') {
        out.push_back(static_cast<char>((a - '0') * 64 + (b - '0') * 8 + (c - '0')));
        i += 3;
        continue;
      }
    }
    out.push_back(s[i]);
  }
  return out;
}

// udev escapes characters of by-label names as "\xHH".
std::string UnescapeHex(std::string_view s) {
  auto hex = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && s.size() - i >= 4 && s[i + 1] == 'x' && hex(s[i + 2]) >= 0 &&
        hex(s[i + 3]) >= 0) {
      out.push_back(static_cast<char>(hex(s[i + 2]) * 16 + hex(s[i + 3])));
      i += 3;
      continue;
    }
    out.push_back(s[i]);
  }
  return out;
}

std::vector<std::string_view> SplitSpaces(std::string_view line) {
  std::vector<std::string_view> out;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && line[i] == ' ') ++i;
    const std::size_t start = i;
    while (i < line.size() && line[i] != ' ') ++i;
    if (i > start) out.push_back(line.substr(start, i - start));
  }
  return out;
}

// "/a/b/../c/./d" -> "/a/c/d", without touching the file system.
std::string NormalizeLexically(std::string_view path) {
  std::vector<std::string_view> parts;
  std::size_t i = 0;
  while (i < path.size()) {
    const std::size_t next = path.find('/', i);
    const std::string_view part =
        path.substr(i, next == std::string_view::npos ? std::string_view::npos : next - i);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    if (next == std::string_view::npos) break;
    i = next + 1;
  }
  std::string out;
  for (const auto part : parts) {
    out += '/';
    out += part;
  }
  return out.empty() ? "/" : out;
}

// The device node a path names: its real path when it exists, else the path
// itself tidied up.
std::string CanonicalDevicePath(const std::string& path) {
  char buf[PATH_MAX];
  if (realpath(path.c_str(), buf) != nullptr) return buf;
  return NormalizeLexically(path);
}

// A mount stands on a block device when its source is a device node (or one
// that no longer exists under /dev, such as /dev/root).
bool HasBlockDevice(const MountEntry& m) {
  if (m.source.rfind("/dev/", 0) != 0) return false;
  struct stat st;
  if (stat(m.source.c_str(), &st) != 0) return true;
  return S_ISBLK(st.st_mode);
}

bool IsFolder(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

struct DirCloser {
  void operator()(DIR* d) const { closedir(d); }
};

// The label whose link in byLabelDir leads to the mount's device, by path or
// by device number; nullopt when none does.
std::optional<std::string> FindLabel(const std::string& byLabelDir, const MountEntry& m) {
  std::unique_ptr<DIR, DirCloser> dir(opendir(byLabelDir.c_str()));
  if (!dir) return std::nullopt;
  const std::string source = CanonicalDevicePath(m.source);
  const dev_t device = makedev(m.major, m.minor);
  while (const dirent* d = readdir(dir.get())) {
    const std::string_view name(d->d_name);
    if (name == "." || name == "..") continue;
    const std::string link = byLabelDir + "/" + d->d_name;
    char target[PATH_MAX];
    const ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
    if (n <= 0) continue;
    std::string to(target, static_cast<std::size_t>(n));
    if (to.front() != '/') to = byLabelDir + "/" + to;
    struct stat st;
    const bool sameNode = CanonicalDevicePath(to) == source;
    const bool sameNumber =
        stat(link.c_str(), &st) == 0 && S_ISBLK(st.st_mode) && st.st_rdev == device && m.major != 0;
    if (sameNode || sameNumber) return UnescapeHex(name);
  }
  return std::nullopt;
}

struct BlkidCacheCloser {
  void operator()(blkid_struct_cache* c) const { blkid_put_cache(c); }
};
struct FreeCloser {
  void operator()(char* p) const { std::free(p); }
};
using MallocText = std::unique_ptr<char, FreeCloser>;

}  // namespace

bool HoldsPath(std::string_view mountPoint, std::string_view path) {
  if (mountPoint == "/") return !path.empty() && path.front() == '/';
  if (path.substr(0, mountPoint.size()) != mountPoint) return false;
  return path.size() == mountPoint.size() || path[mountPoint.size()] == '/';
}

std::string BlkidTag(const MountEntry& m, const char* tag) {
  blkid_cache raw = nullptr;
  if (blkid_get_cache(&raw, nullptr) != 0) return {};
  const std::unique_ptr<blkid_struct_cache, BlkidCacheCloser> cache(raw);
  MallocText value(blkid_get_tag_value(cache.get(), tag, m.source.c_str()));
  if (!value && m.major != 0) {
    // The mount's source may name no node here (/dev/root): go by its number.
    const MallocText node(blkid_devno_to_devname(makedev(m.major, m.minor)));
    if (node) value.reset(blkid_get_tag_value(cache.get(), tag, node.get()));
  }
  return value ? std::string(value.get()) : std::string();
}

std::vector<MountEntry> ParseMountInfo(std::string_view text) {
  std::vector<MountEntry> out;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    const auto fields = SplitSpaces(text.substr(pos, end - pos));
    pos = end + 1;
    // id parent major:minor root mount-point options [optional...] - type source super-options
    if (fields.size() < 9) continue;
    std::size_t dash = 6;
    while (dash < fields.size() && fields[dash] != "-") ++dash;
    if (dash + 2 >= fields.size()) continue;
    MountEntry m;
    const std::string_view numbers = fields[2];
    const auto colon = numbers.find(':');
    if (colon == std::string_view::npos) continue;
    m.major = static_cast<unsigned>(
        std::strtoul(std::string(numbers.substr(0, colon)).c_str(), nullptr, 10));
    m.minor = static_cast<unsigned>(
        std::strtoul(std::string(numbers.substr(colon + 1)).c_str(), nullptr, 10));
    m.mountPoint = UnescapeOctal(fields[4]);
    m.fsType = std::string(fields[dash + 1]);
    m.source = UnescapeOctal(fields[dash + 2]);
    out.push_back(std::move(m));
  }
  return out;
}

std::u16string LookupVolumeLabel(std::string_view mountinfo, const std::string& byLabelDir,
                                 const std::string& path, std::string* root) {
  if (root != nullptr) root->clear();
  const auto mounts = ParseMountInfo(mountinfo);
  const MountEntry* best = nullptr;
  for (const auto& m : mounts) {
    // A later mount on the same point covers the earlier one.
    if (HoldsPath(m.mountPoint, path) &&
        (best == nullptr || m.mountPoint.size() >= best->mountPoint.size())) {
      best = &m;
    }
  }
  if (best == nullptr) return kNoVolumeLabel;
  if (root != nullptr) *root = best->mountPoint;
  if (!HasBlockDevice(*best)) return kNoVolumeLabel;
  // udev makes the by-label folder only once some device has a label; with
  // no udev disk folder at all (containers) libblkid reads the label. A block
  // device whose label cannot be read has the empty label.
  if (!IsFolder(byLabelDir) && !IsFolder(std::string(ParentFolderToOpen(byLabelDir)))) {
    return ToDisplay(BlkidTag(*best, "LABEL"));
  }
  const auto label = FindLabel(byLabelDir, *best);
  return label ? ToDisplay(*label) : std::u16string();
}

std::string FileSystemRootOf(const std::string& path) {
  char buf[PATH_MAX];
  if (realpath(path.c_str(), buf) == nullptr) return {};
  std::string at(buf);
  struct stat st;
  if (stat(at.c_str(), &st) != 0) return {};
  while (at != "/") {
    const auto slash = at.rfind('/');
    const std::string parent = slash == 0 ? "/" : at.substr(0, slash);
    struct stat up;
    if (stat(parent.c_str(), &up) != 0 || up.st_dev != st.st_dev) break;
    at = parent;
  }
  return at;
}

bool IsPseudoFileSystem(std::string_view fsType) {
  static constexpr std::array<std::string_view, 30> kPseudo{
      "proc",        "sysfs",    "tmpfs",      "devtmpfs",        "devpts",      "cgroup",
      "cgroup2",     "overlay",  "securityfs", "debugfs",         "tracefs",     "pstore",
      "bpf",         "mqueue",   "hugetlbfs",  "configfs",        "fusectl",     "autofs",
      "binfmt_misc", "efivarfs", "ramfs",      "rpc_pipefs",      "nsfs",        "selinuxfs",
      "nfsd",        "aufs",     "fuse.lxcfs", "fuse.gvfsd-fuse", "fuse.portal", "squashfs"};
  return std::find(kPseudo.begin(), kPseudo.end(), fsType) != kPseudo.end();
}

std::vector<MountEntry> RealMounts(std::string_view mountinfo) {
  std::vector<MountEntry> out;
  for (auto& m : ParseMountInfo(mountinfo)) {
    const auto same = std::find_if(
        out.begin(), out.end(), [&](const MountEntry& e) { return e.mountPoint == m.mountPoint; });
    if (IsPseudoFileSystem(m.fsType)) {
      // A pseudo file system mounted over a real one hides it.
      if (same != out.end()) out.erase(same);
      continue;
    }
    if (same != out.end()) {
      *same = std::move(m);
    } else {
      out.push_back(std::move(m));
    }
  }
  return out;
}

std::vector<DriveEntry> ListDrives() {
  std::vector<DriveEntry> out;
  const auto mountinfo = ReadAll("/proc/self/mountinfo", 16u << 20);
  if (!mountinfo) return out;
  for (const auto& m : RealMounts(*mountinfo)) {
    // Single files bind-mounted into containers (/etc/hosts) are no drives.
    if (!IsFolder(m.mountPoint)) continue;
    DriveEntry d;
    d.mountPoint = m.mountPoint;
    d.label = LookupVolumeLabel(*mountinfo, "/dev/disk/by-label", m.mountPoint, nullptr);
    if (d.label == kNoVolumeLabel) d.label.clear();
    out.push_back(std::move(d));
  }
  return out;
}

std::u16string DriveText(const DriveEntry& drive) {
  std::u16string text = ToDisplay(drive.mountPoint);
  if (!drive.label.empty()) text += u" [" + drive.label + u"]";
  return text;
}

}  // namespace ordano
