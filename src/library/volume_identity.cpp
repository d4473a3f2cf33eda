#include "library/volume_identity.h"

#include <limits.h>
#include <stdlib.h>
#include <sys/statvfs.h>

#include <cstdlib>
#include <memory>

#include "platform/file_handle.h"
#include "platform/unicode.h"
#include "scan/volume_info.h"

namespace ordano {
namespace {

constexpr const char* kMountInfo = "/proc/self/mountinfo";
constexpr const char* kByLabel = "/dev/disk/by-label";
constexpr std::size_t kMountInfoLimit = 16u << 20;

// The UUID libblkid reads for a mount's device; "" without one.
std::string UuidOf(const MountEntry& m) {
  return m.source.rfind("/dev/", 0) == 0 ? BlkidTag(m, "UUID") : std::string();
}

std::string KeyOf(const MountEntry& m, const std::string& uuid) {
  return uuid.empty() ? "dev:" + m.source + ":" + m.mountPoint : "uuid:" + uuid;
}

}  // namespace

std::optional<VolumeIdentity> IdentifyVolume(const std::string& path) {
  char buf[PATH_MAX];
  if (realpath(path.c_str(), buf) == nullptr) return std::nullopt;
  const std::string real(buf);
  const auto mountinfo = ReadAll(kMountInfo, kMountInfoLimit);
  if (!mountinfo) return std::nullopt;
  const auto mounts = ParseMountInfo(*mountinfo);
  const MountEntry* best = nullptr;
  for (const auto& m : mounts) {
    // A later mount on the same point covers the earlier one.
    if (HoldsPath(m.mountPoint, real) &&
        (best == nullptr || m.mountPoint.size() >= best->mountPoint.size())) {
      best = &m;
    }
  }
  if (best == nullptr) return std::nullopt;
  VolumeIdentity v;
  v.uuid = UuidOf(*best);
  v.key = KeyOf(*best, v.uuid);
  v.fsType = best->fsType;
  v.device = best->source;
  v.mountPoint = best->mountPoint;
  const std::u16string label = LookupVolumeLabel(*mountinfo, kByLabel, real, nullptr);
  if (label != kNoVolumeLabel) v.label = Utf16ToUtf8(label);
  struct statvfs sv;
  if (statvfs(v.mountPoint.c_str(), &sv) == 0) {
    v.hasCapacity = true;
    v.capacity = static_cast<std::uint64_t>(sv.f_blocks) * sv.f_frsize;
    v.free = static_cast<std::uint64_t>(sv.f_bfree) * sv.f_frsize;
  }
  return v;
}

std::unordered_map<std::string, std::string> MountedVolumes() {
  std::unordered_map<std::string, std::string> out;
  const auto mountinfo = ReadAll(kMountInfo, kMountInfoLimit);
  if (!mountinfo) return out;
  for (const auto& m : ParseMountInfo(*mountinfo)) out[KeyOf(m, UuidOf(m))] = m.mountPoint;
  return out;
}

std::string BelowMountPoint(const std::string& mountPoint, const std::string& path) {
  if (!HoldsPath(mountPoint, path)) return path;
  std::string rest = path.substr(mountPoint == "/" ? 1 : mountPoint.size());
  if (!rest.empty() && rest.front() == '/') rest.erase(0, 1);
  return rest;
}

std::string JoinMountPoint(const std::string& mountPoint, const std::string& relative) {
  if (relative.empty()) return mountPoint;
  if (mountPoint.empty() || mountPoint.back() == '/') return mountPoint + relative;
  return mountPoint + "/" + relative;
}

VolumeIdentity VolumeOrOffline(const std::string& root) {
  if (auto now = IdentifyVolume(root)) return std::move(*now);
  VolumeIdentity offline;
  offline.key = "path:" + root;
  offline.mountPoint = "/";
  return offline;
}

}  // namespace ordano
