// The mounted file systems a whole-drive run can catalogue.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "scan/volume_info.h"

namespace ordano {

// Kernel and memory file systems, containers' layers and automounter stubs:
// nothing a user keeps files on.
bool IsPseudoFileSystem(std::string_view fsType);

// The mounts of real file systems in a mountinfo text, in mount order. A
// mount point mounted again later appears once, with the later (visible)
// mount, at its first place.
std::vector<MountEntry> RealMounts(std::string_view mountinfo);

// One entry of the whole-drive page's drive list.
struct DriveEntry {
  std::string mountPoint;
  std::u16string label;  // empty when the file system has none
};

// The real file systems mounted now (/proc/self/mountinfo), mount points that
// are folders only, with their labels. DriveIndex indexes this list.
std::vector<DriveEntry> ListDrives();

// The text the drive list shows: the mount point, and "[label]" after it
// where the file system has one.
std::u16string DriveText(const DriveEntry& drive);

}  // namespace ordano
