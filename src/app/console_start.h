// Start-up shared by the console runs (catalogue and crawl).
#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "platform/instance_lock.h"

namespace ordano {

struct AppContext;
struct SettingsOptions;

// The program folder, the single-instance lock and the settings of the
// profile, applied as the window would apply them before a command-line run.
// Returns the exit status to end with when the run is refused.
// `overrides` (--set and its aliases) change this run's record only. With a
// `patience` another instance holding the lock is waited for that long.
std::optional<int> StartConsoleRun(AppContext& ctx, InstanceLock& lock, std::optional<int> profile,
                                   const SettingsOptions* overrides = nullptr,
                                   std::chrono::milliseconds patience = {});

// Prints the written catalogue's path on stdout. A closed pipe or a full
// device there is no signal and no silence: false, with the path and the
// reason on stderr.
bool PrintWrittenPath(const std::string& path);

}  // namespace ordano
