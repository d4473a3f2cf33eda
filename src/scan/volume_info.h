// Volume names in printed folders and the capacity of the catalogued drive.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ordano {

struct AppContext;

// The printed form of a folder text: "Vol:label (Lfolder)" and its variants
// for absolute paths on a labelled volume; anything else unchanged.
std::u16string DecorateFolder(AppContext& ctx, std::u16string_view folder);

struct CapacityInfo {
  bool ok = false;
  std::uint64_t total = 0;
  std::uint64_t free = 0;
};

// Total and free bytes of run.CapacityTarget.
CapacityInfo QueryCapacity(const AppContext& ctx);

// The label cache's marker for "no volume information" (no block device).
inline constexpr char16_t kNoVolumeLabel[] = u"\u0001";

// One line of /proc/self/mountinfo.
struct MountEntry {
  std::string mountPoint;  // unescaped ("\040" is a space)
  std::string source;      // unescaped
  std::string fsType;
  unsigned major = 0, minor = 0;
};

// The mounts of a mountinfo text in its order; malformed lines are skipped.
std::vector<MountEntry> ParseMountInfo(std::string_view text);

// Whether the mount point holds the absolute path (itself or below it).
bool HoldsPath(std::string_view mountPoint, std::string_view path);

// A tag ("LABEL", "UUID") libblkid reads for the mount's device (its cache,
// else the device itself); empty when it cannot be read.
std::string BlkidTag(const MountEntry& m, const char* tag);

// The label of the volume holding the absolute `path`: the mount with the
// longest mount point holding it; the label of its block device by the
// symbolic links in `byLabelDir` (udev's /dev/disk/by-label); "" for a block
// device without label; where neither byLabelDir nor its parent folder exists
// (no udev), the label libblkid reads, or "" when it cannot read one;
// kNoVolumeLabel when the mount has no block device (tmpfs, proc, overlay,
// network) or no mount holds the path. `root`, when given, receives the mount
// point (empty when none).
std::u16string LookupVolumeLabel(std::string_view mountinfo, const std::string& byLabelDir,
                                 const std::string& path, std::string* root);

// The top folder of the file system holding `path` (symbolic links resolved):
// the mount point, or a folder on the same device above a bind mount. Empty
// when the path cannot be resolved.
std::string FileSystemRootOf(const std::string& path);

}  // namespace ordano
