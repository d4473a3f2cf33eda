#include "run/drive_runs.h"

#include <sys/stat.h>

#include "core/app_context.h"
#include "platform/path_parts.h"
#include "platform/unicode.h"
#include "scan/scan_folder.h"
#include "scan/sort.h"
#include "scan/volume_info.h"

namespace ordano {
namespace {

enum class ListKind { WholeDrive, FolderList };

// Run state for a window run: the command-line presets are not this run's.
void ResetForWindowRun(RunState& run) {
  run.ResetForRun();
  run.RootFolder.clear();
  run.CmdOutputFolder.clear();
  run.CmdOutputName.clear();
  run.CmdBackColor.clear();
  run.CmdLastPath.clear();
}

// Scans the given folders in both passes, each as its own root. False when
// cancelled (the table is then released).
bool ScanRoots(AppContext& ctx, std::span<const std::string> roots, ListKind kind) {
  RunState& run = ctx.run;
  const SettingsRecord& s = ctx.options.settings;
  run.Roots.assign(roots.begin(), roots.end());
  ctx.Host().ProgressBegin(run);
  for (int pass = 0; pass < 2 && !run.CancelRequested; ++pass) {
    if (pass == 1) {
      BeginFillingPass(run, ctx.table);
    } else {
      run.Pass = 0;
    }
    run.TotalSize = 0;
    ctx.Host().Pump(run);
    for (const auto& root : roots) {
      if (run.CancelRequested) break;
      if (kind == ListKind::FolderList) ctx.Host().Pump(run);
      run.RootFolder = root;
      run.CurrentDepth = 0;
      const int first = run.EntryCount;
      ScanFolder(ctx, root);
      if (s.IgnoreHierarchy && run.Pass == 1 && !run.CancelRequested) {
        SortRange(ctx, first, run.EntryCount - first);
      }
    }
  }
  run.Pass = 2;
  run.RunFinished = true;
  ctx.Host().ProgressEnd(run);
  if (run.CancelRequested) {
    ctx.table.Release();
    run.TableAllocated = false;
    return false;
  }
  run.TableAllocated = ctx.table.Allocated();
  return true;
}

// Output when something was listed, else the message; the table is released.
RunResult FinishListRun(AppContext& ctx) {
  if (ctx.run.EntryCount > 0) return FinishRunOutput(ctx);
  ctx.table.Release();
  ctx.run.TableAllocated = false;
  ctx.Host().ShowMessage(MsgId::NothingListed, MsgId::CaptionOrdanoLatin, MsgIcon::Warning,
                         MsgButtons::Ok);
  RunResult result{RunOutcome::NothingListed, {}, {}, ctx.run.ReadFailures};
  ctx.Host().ReportReadFailures(result.readFailures);
  return result;
}

}  // namespace

RunResult WholeDriveRun(AppContext& ctx, const std::string& root) {
  BeginRunOptions(ctx);
  RunState& run = ctx.run;
  ResetForWindowRun(run);
  run.DepthLimit = DepthLimitFromSearchDepth(ctx.options.settings.SearchDepth);

  const std::string folder(WithoutTrailingSlash(root));
  run.CapacityRequested = true;
  run.CapacityTarget = folder;
  struct stat st;
  const bool present = !root.empty() && stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  if (present) run.OnlyDevice = static_cast<std::uint64_t>(st.st_dev);

  RunResult result{RunOutcome::Cancelled, {}, {}, {}};
  // A drive that is gone scans nothing and ends with the message.
  const std::string roots[] = {folder};
  if (ScanRoots(ctx, present ? std::span<const std::string>(roots) : std::span<const std::string>(),
                ListKind::WholeDrive)) {
    result = FinishListRun(ctx);
  }
  run.CapacityRequested = false;
  run.OnlyDevice.reset();
  return result;
}

RunResult FolderListRun(AppContext& ctx, std::span<const std::string> folders) {
  BeginRunOptions(ctx);
  RunState& run = ctx.run;
  ResetForWindowRun(run);
  run.DepthLimit = DepthLimitFromSearchDepth(ctx.options.settings.SearchDepth);
  run.CapacityRequested = false;

  std::vector<std::string> roots;
  roots.reserve(folders.size());
  for (const auto& f : folders) {
    if (!f.empty()) roots.emplace_back(WithoutTrailingSlash(f));
  }
  if (!ScanRoots(ctx, roots, ListKind::FolderList))
    return RunResult{RunOutcome::Cancelled, {}, {}, {}};
  return FinishListRun(ctx);
}

std::optional<std::string> WholeDriveDropRoot(AppContext& ctx, std::span<const std::string> paths) {
  if (paths.size() != 1) {
    ctx.Host().ShowMessage(MsgId::OneFileOnly, MsgId::CaptionOrdanoLatin, MsgIcon::Warning,
                           MsgButtons::Ok);
    return std::nullopt;
  }
  std::string root = FileSystemRootOf(paths.front());
  if (root.empty()) return std::nullopt;
  return root;
}

bool AppendDroppedFolders(std::vector<std::u16string>& list, std::span<const std::string> paths) {
  constexpr std::size_t kMaxDroppedPath = 2550;
  for (const auto& p : paths) {
    struct stat st;
    const std::u16string text = ToDisplay(WithoutTrailingSlash(p));
    if (text.empty() || text.size() > kMaxDroppedPath) continue;
    if (stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) list.push_back(text);
  }
  return !paths.empty();
}

}  // namespace ordano
