// Which volume a path lies on, and which volumes are mounted now.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>

namespace ordano {

struct VolumeIdentity {
  // "uuid:" + the file system UUID; without one "dev:" + device + ":" + mount
  // point (tmpfs, network shares, file systems libblkid cannot read).
  std::string key;
  std::string uuid, label, fsType, device, mountPoint;
  bool hasCapacity = false;
  std::uint64_t capacity = 0, free = 0;
};

// The volume holding `path` (resolved to its real path); nullopt when it
// cannot be resolved or no mount holds it.
std::optional<VolumeIdentity> IdentifyVolume(const std::string& path);
// The same, or for a root no mount holds now a volume of its own keyed
// "path:ROOT" (offline), as an imported catalogue's root may be.
VolumeIdentity VolumeOrOffline(const std::string& root);

// The keys of the volumes mounted now, each with its mount point.
std::unordered_map<std::string, std::string> MountedVolumes();

// A path below `mountPoint` relative to it ("" for the mount point itself).
std::string BelowMountPoint(const std::string& mountPoint, const std::string& path);
// The reverse: a relative path joined to a mount point.
std::string JoinMountPoint(const std::string& mountPoint, const std::string& relative);

}  // namespace ordano
