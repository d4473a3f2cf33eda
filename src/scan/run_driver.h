// The run drivers: a drop of paths and the command-line run.
#pragma once

#include <span>
#include <string>

namespace ordano {

struct AppContext;

enum class RunOutcome {
  Written,        // the catalogue was written (file or clipboard)
  Cancelled,      // cancelled during the scan, or the date range was invalid
  NotWritten,     // the output run wrote nothing (declined, failed, no paths)
  ClipboardUnavailable,
};

struct RunResult {
  RunOutcome outcome = RunOutcome::NotWritten;
  std::string writtenPath;
};

// A drop of files and folders (the host shows progress and, for a window,
// defers the output; here the output runs directly after the scan).
RunResult DropRun(AppContext& ctx, std::span<const std::string> paths);

// The command-line run over the given paths; the Cmd* presets of ctx.run are
// already set by the caller.
RunResult CommandLineRun(AppContext& ctx, std::span<const std::string> paths);

}  // namespace ordano
