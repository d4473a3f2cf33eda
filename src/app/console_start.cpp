#include "app/console_start.h"

#include <signal.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/exit_status.h"
#include "app/settings_command.h"
#include "app/ui_language.h"
#include "core/app_context.h"
#include "core/profile_context.h"
#include "platform/program_folder.h"
#include "scan/archive/archiver_table.h"
#include "settings/settings_files.h"
#include "settings/settings_normalise.h"

namespace ordano {

std::optional<int> StartConsoleRun(AppContext& ctx, InstanceLock& lock, std::optional<int> profile,
                                   const SettingsOptions* overrides,
                                   std::chrono::milliseconds patience) {
  ctx.programFolder = ProgramFolder();
  const auto taken = patience.count() > 0 ? lock.Acquire(ctx.programFolder, patience)
                                          : lock.TryAcquire(ctx.programFolder);
  switch (taken) {
    case InstanceLock::Result::HeldByOther:
      std::fprintf(stderr, "ordanou: %s\n", ConsoleTextUtf8(MsgId::AlreadyRunning).c_str());
      return kExitAlreadyRunning;
    case InstanceLock::Result::Error:
      std::fprintf(stderr, "ordanou: warning: cannot create the lock file in %s\n",
                   ctx.programFolder.c_str());
      break;
    case InstanceLock::Result::Acquired:
      // No other instance can be writing them now.
      RemoveStaleSettingsTemporaries(ctx.programFolder);
      break;
  }
  // A number that names no profile would otherwise get first-start files.
  if (profile && !RequireExistingProfile(ctx.programFolder, *profile)) return kExitUsage;
  LoadSettingsAtStartup(ctx, profile);
  if (overrides != nullptr) {
    ApplySettingsOverrides(ctx.settings, *overrides);
    ApplyExtrasOverrides(ctx.extras, *overrides);
  }
  // The window applies the record to its pages before a command-line run;
  // that is where stored placeholders (width 0 -> 60 and the like) take effect.
  NormaliseForAllPages(ctx.settings);
  ctx.run.DepthLimit = DepthLimitFromSearchDepth(ctx.settings.SearchDepth);
  ctx.archivers = LoadArchivers();
  return std::nullopt;
}

bool PrintWrittenPath(const std::string& path) {
  // A reader that has gone away gives EPIPE instead of ending the process
  // (the catalogue is written; the status must say what became of the path).
  struct sigaction ignore {
  }, old{};
  ignore.sa_handler = SIG_IGN;
  ::sigaction(SIGPIPE, &ignore, &old);
  errno = 0;
  const bool ok = std::printf("%s\n", path.c_str()) >= 0 && std::fflush(stdout) == 0;
  const int error = errno;
  ::sigaction(SIGPIPE, &old, nullptr);
  if (!ok) {
    std::clearerr(stdout);
    std::fprintf(stderr, "ordanou: wrote %s, but could not print its path: %s\n", path.c_str(),
                 std::strerror(error));
  }
  return ok;
}

}  // namespace ordano
