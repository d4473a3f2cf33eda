#include "scan/volume_info.h"

#include <sys/statvfs.h>

#include "core/app_context.h"
#include "platform/file_handle.h"
#include "platform/unicode.h"

namespace ordano {
namespace {

constexpr const char* kMountInfo = "/proc/self/mountinfo";
constexpr const char* kByLabel = "/dev/disk/by-label";
constexpr std::size_t kMountInfoLimit = 16u << 20;

}  // namespace

std::u16string DecorateFolder(AppContext& ctx, std::u16string_view s) {
  if (s.size() < 2) return std::u16string(s);
  if (s.front() != u'/') return std::u16string(s);  // relative texts pass through
  const bool omitVolume = ctx.options.settings.OmitVolumeName != 0;
  const bool omitFolder = ctx.options.settings.OmitFolderName != 0;
  // Without the volume part the text is s whatever the label: no lookup needed.
  if (omitVolume && !omitFolder) return std::u16string(s);

  const std::string root = FileSystemRootOf(ToNative(s));
  if (root.empty()) return std::u16string(s);  // gone: no volume information
  auto it = ctx.volumeLabels.find(root);
  if (it == ctx.volumeLabels.end()) {
    const auto mountinfo = ReadAll(kMountInfo, kMountInfoLimit);
    std::u16string label = mountinfo ? LookupVolumeLabel(*mountinfo, kByLabel, root, nullptr)
                                     : std::u16string(kNoVolumeLabel);
    it = ctx.volumeLabels.emplace(root, std::move(label)).first;
  }
  const std::u16string& label = it->second;
  if (label == kNoVolumeLabel) return std::u16string(s);

  std::u16string out;
  if (!omitVolume) {
    out += u"Vol:";
    out += label;
    out += u" (L";
  }
  if (!omitFolder) out += s;
  if (!omitVolume) out += u')';
  return out;
}

CapacityInfo QueryCapacity(const AppContext& ctx) {
  CapacityInfo info;
  const std::string& target = ctx.run.CapacityTarget;
  if (target.empty()) return info;
  struct statvfs sv;
  if (statvfs(target.c_str(), &sv) != 0) return info;
  // The whole disk, not what this user may still fill (f_bavail).
  info.total = static_cast<std::uint64_t>(sv.f_blocks) * sv.f_frsize;
  info.free = static_cast<std::uint64_t>(sv.f_bfree) * sv.f_frsize;
  info.ok = true;
  return info;
}

}  // namespace ordano
