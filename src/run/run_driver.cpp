#include "run/run_driver.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <ctime>
#include <optional>
#include <string_view>
#include <utility>

#include "core/app_context.h"
#include "library/library_place.h"
#include "platform/path_parts.h"
#include "platform/unicode.h"
#include "run/kept_digests.h"
#include "run/library_record.h"
#include "run/run_output.h"
#include "scan/archive/archive_list.h"
#include "scan/date_range.h"
#include "scan/file_row.h"
#include "scan/scan_folder.h"
#include "scan/shortcut.h"
#include "scan/sort.h"
#include "scan/volume_info.h"

namespace ordano {
namespace {

enum class RunKind { Drop, CommandLine };

// Birth time of a file, its last-write time where the file system has none.
std::int64_t CreatedTime(const std::string& path, const struct stat& st) {
  struct statx sx;
  if (statx(AT_FDCWD, path.c_str(), AT_NO_AUTOMOUNT, STATX_BTIME, &sx) == 0 &&
      (sx.stx_mask & STATX_BTIME)) {
    return sx.stx_btime.tv_sec;
  }
  return st.st_mtime;
}

// The two passes over the given paths; the caller has collected the page.
class PathRun {
 public:
  PathRun(AppContext& ctx, RunKind kind, bool oneDevice = false, int expectedRows = -1)
      : ctx_(ctx),
        run_(ctx.run),
        s_(ctx.options.settings),
        kind_(kind),
        oneDevice_(oneDevice),
        expectedRows_(expectedRows) {}

  bool Scan(std::span<const std::string> paths, std::vector<std::string>* missingPaths);
  // Whether any given path could be read (known after Scan).
  bool AnyFound() const { return anyFound_; }

 private:
  // 0, or the error number when the item's status cannot be read.
  int Item(const std::string& given);
  void File(const std::string& path, const struct stat& st);

  AppContext& ctx_;
  RunState& run_;
  const SettingsRecord& s_;
  RunKind kind_;
  bool oneDevice_;
  int expectedRows_;  // known beforehand: no counting pass (the table grows when they are more)
  bool anyFound_ = false;
};

bool PathRun::Scan(std::span<const std::string> paths, std::vector<std::string>* missingPaths) {
  ctx_.table.Release();
  run_.TableAllocated = false;
  run_.ResetForRun();
  run_.RootFolder.clear();  // nothing of an earlier run's root carries over
  run_.Roots.assign(paths.begin(), paths.end());
  run_.DepthLimit = DepthLimitFromSearchDepth(s_.SearchDepth);
  if (kind_ == RunKind::Drop) {
    run_.CmdOutputFolder.clear();
    run_.CmdOutputName.clear();
    run_.CmdBackColor.clear();
    run_.CmdLastPath.clear();
    run_.CapacityRequested = false;
  }
  ctx_.Host().ProgressBegin(run_);

  // Items missing in the counting pass stay out of the filling pass too.
  std::vector<bool> missing(paths.size(), false);
  const int firstPass = expectedRows_ >= 0 ? 1 : 0;
  for (int pass = firstPass; pass < 2 && !run_.CancelRequested; ++pass) {
    if (pass == 1) {
      if (firstPass == 1) run_.EntryCount = expectedRows_;
      BeginFillingPass(run_, ctx_.table);
    } else {
      run_.Pass = pass;
    }
    for (std::size_t i = 0; i < paths.size() && !run_.CancelRequested; ++i) {
      ctx_.Host().Pump(run_);
      if (run_.CancelRequested || missing[i]) continue;
      const int error = Item(paths[i]);
      if (error == 0) {
        anyFound_ = true;
      } else if (pass == 0) {
        missing[i] = true;
        // Not there at all, or there but out of reach (no search permission
        // on the way): the second is named with its reason.
        if (error != ENOENT && error != ENOTDIR) {
          run_.ReadFailures.push_back({paths[i], error});
        } else if (missingPaths != nullptr) {
          missingPaths->push_back(paths[i]);
        }
      }
    }
  }

  run_.Pass = 2;
  run_.RunFinished = true;
  ctx_.Host().ProgressEnd(run_);
  if (run_.CancelRequested) {
    ctx_.table.Release();
    run_.TableAllocated = false;
    return false;
  }
  run_.TableAllocated = ctx_.table.Allocated();
  return true;
}

int PathRun::Item(const std::string& given) {
  if (kind_ == RunKind::Drop && s_.WriteCapacity) {
    run_.CapacityRequested = true;
    run_.CapacityTarget = given;  // the last item's file system wins
  }
  const std::string path(WithoutTrailingSlash(given));
  struct stat st;
  if (path.empty()) return ENOENT;
  if (stat(path.c_str(), &st) != 0) {
    const int error = errno != 0 ? errno : ENOENT;
    // There, but out of reach (no permission on the way): not gone.
    if (run_.NoteUnreadable && error != ENOENT && error != ENOTDIR) {
      run_.RootFolder = path;
      run_.Unreadable.emplace_back(RowFolderText(ctx_, path), std::string());
    }
    return error;
  }
  if (S_ISDIR(st.st_mode)) {
    run_.RootFolder = path;
    if (oneDevice_) run_.OnlyDevice = static_cast<std::uint64_t>(st.st_dev);
    run_.CurrentDepth = 0;
    const int first = run_.EntryCount;
    ScanFolder(ctx_, path);
    if (s_.IgnoreHierarchy && run_.Pass == 1) SortRange(ctx_, first, run_.EntryCount - first);
  } else if (S_ISREG(st.st_mode)) {
    File(path, st);
  }
  // Devices, pipes and sockets are no catalogue entries (reading them could block).
  return 0;
}

void PathRun::File(const std::string& path, const struct stat& st) {
  const bool drop = kind_ == RunKind::Drop;
  if (LastComponent(path).front() == '.' && !s_.IncludeHidden) return;

  std::string target = path;
  if (drop && s_.ReadShortcuts) {
    std::string t = ResolveShortcut(ctx_, path);
    if (!t.empty()) {
      struct stat ts;
      // A folder already entered through a shortcut gives the shortcut's row.
      if (stat(t.c_str(), &ts) == 0 && S_ISDIR(ts.st_mode) && EnterOnceThroughShortcut(run_, t)) {
        ScanFolder(ctx_, t);  // with the current RootFolder and depth
        return;
      }
      target = std::move(t);
    }
  }

  std::optional<DateBounds> bounds;
  if (s_.DateRangeEnabled) {
    if (RejectInvalidDateRange(ctx_)) return;
    bounds = BuildDateBounds(s_);
  }
  const std::int64_t created = drop ? 0 : CreatedTime(path, st);
  const std::int64_t testTime = !drop && s_.SortOrder == 5 ? created : st.st_mtime;
  const bool passes = !bounds || InDateRange(*bounds, testTime);

  std::u16string folder;
  if (!s_.RelativeOutput) folder = DecorateFolder(ctx_, ToDisplay(ParentFolder(target)));

  FileRow row;
  std::u16string name, linkPath;
  if (run_.Pass == 1) {
    name = ToDisplay(LastComponent(target));
    linkPath = s_.RelativeOutput ? name : ToDisplay(target);
    row.size = static_cast<std::uint64_t>(st.st_size);
    if (target != path) {
      struct stat ts;
      row.size = stat(target.c_str(), &ts) == 0 ? static_cast<std::uint64_t>(ts.st_size) : 0;
    }
  }
  row.name = name;
  row.nativeName = LastComponent(target);
  row.folder = folder;
  row.linkPath = linkPath;
  row.modified = st.st_mtime;
  if (!drop) row.created = created;
  row.indent = 2;
  // A drop stores the title lower-cased; a path given directly keeps its case.
  row.lowerCaseTitle = drop;
  AddFileRow(ctx_, row, FileSource{AT_FDCWD, path.c_str(), path, target.c_str()}, passes);

  if (drop) ListArchive(ctx_, path, folder);
}

bool ScanPaths(AppContext& ctx, RunKind kind, std::span<const std::string> paths,
               std::vector<std::string>* missingPaths, bool* anyFound = nullptr,
               bool oneDevice = false, int expectedRows = -1) {
  PathRun run(ctx, kind, oneDevice, expectedRows);
  const bool scanned = run.Scan(paths, missingPaths);
  if (anyFound != nullptr) *anyFound = run.AnyFound();
  return scanned;
}

bool ScanCommandLine(AppContext& ctx, std::span<const std::string> paths,
                     std::vector<std::string>* missingPaths, bool* anyFound = nullptr) {
  if (paths.empty()) return false;
  BeginRunOptions(ctx);

  // DropDateLimit: this run lists the last DropDateDays days; the saved
  // pickers keep their values.
  SettingsRecord& s = ctx.options.settings;
  if (s.DropDateLimit != 0) {
    const std::int64_t now = static_cast<std::int64_t>(std::time(nullptr));
    const std::int64_t from = now - static_cast<std::int64_t>(s.DropDateDays) * 24 * 3600;
    s.DateRangeEnabled = 1;
    s.DateToDate = s.DateToTime = now;
    s.DateFromDate = s.DateFromTime = from;
  }
  return ScanPaths(ctx, RunKind::CommandLine, paths, missingPaths, anyFound);
}

}  // namespace

bool DropRunScan(AppContext& ctx, std::span<const std::string> paths,
                 std::vector<std::string>* missingPaths) {
  BeginRunOptions(ctx);
  return ScanPaths(ctx, RunKind::Drop, paths, missingPaths);
}

RunResult FinishRunOutput(AppContext& ctx) {
  RunResult result;
  OutputResult out = RunOutput(ctx);
  if (out.status == OutputStatus::ClipboardFailed && !ctx.run.CmdOutputName.empty()) {
    // No clipboard here (a console without a display): the catalogue still
    // goes to the file the command line named, so nothing is lost.
    ctx.options.settings.SaveToClipboard = 0;
    out = RunOutput(ctx);
  }
  const bool written = out.status == OutputStatus::Written || out.status == OutputStatus::Clipboard;
  // The failures are the first run's: a walk for the library would repeat them.
  result.readFailures = ctx.run.ReadFailures;
  std::optional<LibraryRecordResult> recorded;
  const std::string library = ctx.extras.libraryToo ? LibraryPathFor(ctx.run.CmdLibrary) : "";
  if (written && ctx.extras.libraryToo) recorded = RecordRunInLibrary(ctx, library);
  ctx.table.Release();
  ctx.run.TableAllocated = false;
  ctx.Host().ReportReadFailures(result.readFailures);
  if (recorded) {
    result.libraryFiles = recorded->files;
    result.libraryFailed = !recorded->error.empty();
    ctx.Host().ReportLibraryRecord(ShownLocation(library), recorded->files, recorded->notes,
                                   recorded->error);
  }
  switch (out.status) {
    case OutputStatus::Written:
      result.outcome = RunOutcome::Written;
      result.writtenPath = out.path;
      break;
    case OutputStatus::Clipboard:
      result.outcome = RunOutcome::Written;
      break;
    case OutputStatus::ClipboardFailed:
      result.outcome = RunOutcome::ClipboardUnavailable;
      break;
    case OutputStatus::Declined:
    case OutputStatus::Failed:
      result.outcome = RunOutcome::NotWritten;
      break;
  }
  return result;
}

RunResult DropRun(AppContext& ctx, std::span<const std::string> paths) {
  std::vector<std::string> missing;
  RunResult result = DropRunScan(ctx, paths, &missing)
                         ? FinishRunOutput(ctx)
                         : RunResult{RunOutcome::Cancelled, {}, {}, {}};
  result.missingPaths = std::move(missing);
  return result;
}

bool CommandLineRunScan(AppContext& ctx, std::span<const std::string> paths,
                        std::vector<std::string>* missingPaths) {
  return ScanCommandLine(ctx, paths, missingPaths);
}

bool ScanWithRunOptions(AppContext& ctx, std::span<const std::string> paths, bool oneDevice,
                        int expectedRows) {
  return ScanPaths(ctx, RunKind::CommandLine, paths, nullptr, nullptr, oneDevice, expectedRows);
}

RunResult CommandLineRun(AppContext& ctx, std::span<const std::string> paths) {
  if (paths.empty()) return {};
  std::vector<std::string> missing;
  bool anyFound = false;
  RunResult result{RunOutcome::Cancelled, {}, {}, {}};
  // A run that records in the library reads only the files changed since.
  const std::unique_ptr<KeptDigests> kept = DigestsForRun(ctx, paths);
  ctx.digestReuse = kept.get();
  struct Unset {
    AppContext& ctx;
    ~Unset() { ctx.digestReuse = nullptr; }
  } unset{ctx};
  if (ScanCommandLine(ctx, paths, &missing, &anyFound)) {
    if (anyFound) {
      result = FinishRunOutput(ctx);
    } else {
      // An empty catalogue would replace the last good one (a backup drive
      // not mounted when cron runs): nothing is written.
      ctx.table.Release();
      ctx.run.TableAllocated = false;
      result.outcome = RunOutcome::NoPathFound;
      result.readFailures = ctx.run.ReadFailures;
      ctx.Host().ReportReadFailures(result.readFailures);
    }
  }
  result.missingPaths = std::move(missing);
  return result;
}

}  // namespace ordano
