// The run drivers: a drop of paths and the command-line run.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "core/run_state.h"

namespace ordano {

struct AppContext;

enum class RunOutcome {
  Written,     // the catalogue was written (file or clipboard)
  Cancelled,   // cancelled during the scan, or the date range was invalid
  NotWritten,  // the output run wrote nothing (declined, failed, no paths)
  ClipboardUnavailable,
  NothingListed,  // a whole-drive or folder-list run found no rows (the user was told)
  NoPathFound,    // no path given on the command line could be read: nothing written
};

struct RunResult {
  RunOutcome outcome = RunOutcome::NotWritten;
  std::string writtenPath;
  // Given paths whose status could not be read (gone, no permission on the
  // way): not catalogued, while the other paths still are.
  std::vector<std::string> missingPaths;
  // Folders and files the scan could not read (the host was told at the end).
  std::vector<ReadFailure> readFailures;
  // Files recorded in the library by a run that also records there.
  std::uint64_t libraryFiles = 0;
  bool libraryFailed = false;
};

// A drop of files and folders: scan, then output, then release of the table.
RunResult DropRun(AppContext& ctx, std::span<const std::string> paths);

// The scan of a drop alone. True when it was not cancelled; the table then
// stays allocated (run.TableAllocated) for FinishRunOutput, which a window
// calls from its output timer. A cancelled scan has released the table.
bool DropRunScan(AppContext& ctx, std::span<const std::string> paths,
                 std::vector<std::string>* missingPaths = nullptr);

// The command-line run over the given paths; the Cmd* presets of ctx.run are
// already set by the caller. An empty list does nothing. When none of the
// paths can be read nothing is written (NoPathFound), so a catalogue of a
// drive that is not mounted does not replace the last good one.
RunResult CommandLineRun(AppContext& ctx, std::span<const std::string> paths);

// The scan of a command-line run alone, as DropRunScan.
bool CommandLineRunScan(AppContext& ctx, std::span<const std::string> paths,
                        std::vector<std::string>* missingPaths = nullptr);

// The filling pass of a command-line run over `paths` with ctx.options as
// they stand (no page is collected, no date limit applied): a verify walks a
// catalogue's roots with the options the catalogue was made with. With
// `oneDevice` each folder's walk stays on its own file system, as a
// whole-drive run's does. About `expectedRows` rows are expected: the
// counting pass is left out (the table grows when there are more). False
// when cancelled; the table stays allocated otherwise.
bool ScanWithRunOptions(AppContext& ctx, std::span<const std::string> paths, bool oneDevice,
                        int expectedRows);

// The output run over the scanned table, then the release of the table; the
// host is told what the scan could not read.
RunResult FinishRunOutput(AppContext& ctx);

}  // namespace ordano
