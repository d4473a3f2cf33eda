#include "scan/archive/archive_list.h"

#include <cerrno>
#include <cstdio>

#include "core/app_context.h"
#include "core/format_size.h"
#include "platform/path_parts.h"
#include "platform/unicode.h"
#include "scan/archive/archiver.h"
#include "scan/archive/archiver_table.h"
#include "scan/volume_info.h"

namespace ordano {
namespace {

constexpr std::size_t kStatusNameLength = 16;
constexpr int kMembersPerPump = 64;

std::u16string Ascii(std::string_view text) { return std::u16string(text.begin(), text.end()); }

bool IsFolderMember(const MemberRecord& r) {
  if (r.path.empty() || r.path.back() == '/' || r.path.back() == '\\') return true;
  return !r.attributes.empty() && (r.attributes[0] == 'd' || r.attributes[0] == 'D');
}

bool DaysInMonthOk(int year, int month, int day) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12 || day < 1) return false;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

// "%s(%3.1f%%[%s])": size text, ratio, CRC.
std::u16string MemberSizeText(const AppContext& ctx, const MemberRecord& r) {
  std::u16string text = FormatSize(ctx.options.settings, r.originalSize);
  char tail[64];
  const int n = std::snprintf(tail, sizeof tail, "(%3.1f%%[%08X])", r.ratio / 10.0,
                              static_cast<unsigned>(r.crc));
  text += Ascii(std::string_view(tail, n > 0 ? static_cast<std::size_t>(n) : 0));
  return text;
}

void WriteMemberRow(AppContext& ctx, int row, std::u16string_view archiveName,
                    std::u16string_view folder, const MemberRecord& r) {
  RunState& run = ctx.run;
  EntryTable& table = ctx.table;
  table.ClearRow(row);
  std::u16string name(archiveName);
  name += u" (L";
  name += DecodeMemberName(r.path);
  name += u')';
  table.SetName(row, name);
  const int width = static_cast<int>(name.size()) + 2;
  if (run.NameWidth < width) run.NameWidth = width;
  const std::u16string sizeText = MemberSizeText(ctx, r);
  table.SetSizeText(row, sizeText);
  if (run.SizeTextWidth < static_cast<int>(sizeText.size())) {
    run.SizeTextWidth = static_cast<int>(sizeText.size());
  }
  table.SetSize(row, 0);
  table.SetFolder(row, folder);
  table.SetDepth(row, run.CurrentDepth + 1);
  table.SetModified(row, MemberTime(r));
}

// Empties the progress text however the listing ends.
struct StatusReset {
  std::u16string& text;
  ~StatusReset() { text.clear(); }
};

}  // namespace

Message ArchiveStatusText(std::string_view prefix, std::string_view path) {
  const auto slash = path.rfind('/');
  const std::u16string part =
      ToDisplay(slash == std::string_view::npos ? path : path.substr(slash));
  std::size_t n = std::min(part.size(), kStatusNameLength);
  // Never cut a surrogate pair in half.
  if (n > 0 && n < part.size() && part[n - 1] >= 0xD800 && part[n - 1] <= 0xDBFF) --n;
  return {MsgId::ArchiveListing, {Ascii(prefix), part.substr(0, n)}};
}

PackedTime MemberTime(const MemberRecord& r) {
  if (r.hasUnixTime) return r.unixTime > 0 ? PackLocalTime(r.unixTime) : 0;
  if (r.dosDate == 0) return 0;
  const int year = 1980 + (r.dosDate >> 9);
  const int month = (r.dosDate >> 5) & 15;
  const int day = r.dosDate & 31;
  const int hour = r.dosTime >> 11;
  const int minute = (r.dosTime >> 5) & 63;
  const int second = (r.dosTime & 31) * 2;
  if (!DaysInMonthOk(year, month, day) || hour > 23 || minute > 59 || second > 59) return 0;
  return PackLocalFields(year, month, day, hour, minute, second);
}

int ListArchive(AppContext& ctx, const std::string& path, std::u16string_view folderText) {
  RunState& run = ctx.run;
  run.ArchiveStatusText.clear();
  if (!ctx.options.settings.ExpandArchives) return 0;
  if (!ctx.archivers) ctx.archivers = LoadArchivers();
  const ArchiverRow* row = ctx.archivers->Match(path);
  if (row == nullptr) return 0;

  run.ArchiveStatusText = ctx.Host().Text(ArchiveStatusText(row->prefix, path));
  const StatusReset statusReset{run.ArchiveStatusText};
  const bool filling = run.Pass == 1;
  const Archiver& archiver = *row->archiver;

  MemberReadOptions options;
  options.computeCrc = filling;
  options.keepReading = [&ctx]() {
    ctx.Host().Pump(ctx.run);
    return !ctx.run.CancelRequested;
  };
  errno = 0;
  auto handle = archiver.OpenArchive(path, std::move(options));
  if (!handle) {
    // Not an archive after all says nothing; no descriptor left loses its members.
    if (filling && (errno == EMFILE || errno == ENFILE)) run.NoteReadFailure(path, errno);
    return 0;
  }

  MemberRecord record;
  int found = archiver.FindFirst(*handle, "*", record);
  if (found == -1) {
    record = MemberRecord{};
    found = archiver.FindFirst(*handle, "*.*", record);
  }
  if (found == -1) {
    archiver.CloseArchive(std::move(handle));
    return 0;
  }

  std::u16string folder;
  std::u16string archiveName;
  if (filling) {
    folder = DecorateFolder(ctx, folderText);
    archiveName = ToDisplay(LastComponent(path));
  }
  int count = 0;
  for (int i = 0; !run.CancelRequested; ++i) {
    if ((i + 1) % kMembersPerPump == 0) ctx.Host().Pump(run);
    if (!IsFolderMember(record)) {
      if (filling) {
        if (!RoomForRow(run, ctx.table)) break;
        WriteMemberRow(ctx, run.EntryCount, archiveName, folder, record);
      }
      ++run.EntryCount;
      ++count;
    }
    if (archiver.FindNext(*handle, record) == -1) break;
  }
  archiver.CloseArchive(std::move(handle));
  return count;
}

}  // namespace ordano
