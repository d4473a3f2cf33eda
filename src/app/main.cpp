// ordanou: the window without arguments, the command-line catalogue run with them.
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/compare_command.h"
#include "app/console_host.h"
#include "app/console_start.h"
#include "app/crawl_command.h"
#include "app/exit_status.h"
#include "app/help_text.h"
#include "app/library_command.h"
#include "app/option_table.h"
#include "app/profile_command.h"
#include "app/ui_language.h"
#include "app/update_command.h"
#include "app/window/profile_chooser.h"
#include "app/window/window_start.h"
#include "core/app_context.h"
#include "platform/instance_lock.h"
#include "platform/unicode.h"
#include "run/run_driver.h"
#include "settings/settings_normalise.h"

namespace ordano {
namespace {

// Paths are made absolute so the catalogue names real folders, as a drop does.
std::string AbsolutePath(const std::string& path) {
  std::error_code ec;
  auto abs = std::filesystem::absolute(path, ec);
  if (ec) return path;
  std::string s = abs.lexically_normal().string();
  while (s.size() > 1 && s.back() == '/') s.pop_back();
  return s;
}

int Catalogue(AppContext& ctx, RunHost& host, const CommandLine& cl) {
  ctx.SetHost(host);
  RunState& run = ctx.run;
  run.CmdOutputFolder = cl.outputFolder;
  run.CmdOutputName = cl.outputName;
  // A reader of the catalogue that goes away is a failed write, not a kill.
  if (cl.outputName == "-") std::signal(SIGPIPE, SIG_IGN);
  run.CmdBackColor = std::u16string(cl.backColor.begin(), cl.backColor.end());
  run.ForceSaveDialog = cl.forceSaveDialog;
  std::vector<std::string> paths;
  paths.reserve(cl.paths.size());
  for (const auto& p : cl.paths) paths.push_back(AbsolutePath(p));
  run.CmdLastPath = paths.back();
  if (cl.settings.pattern) run.CmdWildcard = Utf8ToUtf16(*cl.settings.pattern);
  if (cl.library.too) ctx.extras.libraryToo = true;
  run.CmdLibrary = cl.library.path;
  run.CmdRehash = cl.library.rehash;
  if (cl.jsonLines && cl.outputName != "-") {
    std::fputs(
        "ordanou: --jsonl goes with --output - (a file takes JSON Lines by its .jsonl name)\n",
        stderr);
    return kExitUsage;
  }
  run.CmdJsonLines = cl.jsonLines;

  const RunResult result = CommandLineRun(ctx, paths);
  ctx.SetHost(QuietHost());
  for (const auto& missing : result.missingPaths) {
    std::fprintf(stderr, "ordanou: %s: no such file or folder\n", missing.c_str());
  }
  switch (result.outcome) {
    case RunOutcome::Written:
      if (!cl.quiet && !result.writtenPath.empty() && !PrintWrittenPath(result.writtenPath)) {
        return kExitPartial;
      }
      return result.missingPaths.empty() && result.readFailures.empty() && !result.libraryFailed
                 ? kExitOk
                 : kExitPartial;
    case RunOutcome::NoPathFound:
      std::fputs("ordanou: none of the given paths can be read; nothing written\n", stderr);
      return kExitNotWritten;
    case RunOutcome::Cancelled:
      std::fputs("ordanou: cancelled; nothing written\n", stderr);
      return kExitCancelled;
    case RunOutcome::ClipboardUnavailable:
    case RunOutcome::NotWritten:
    case RunOutcome::NothingListed:
      std::fputs("ordanou: nothing written\n", stderr);
      return kExitNotWritten;
  }
  return kExitNotWritten;
}

int RunCatalogue(const CommandLine& cl, int& argc, char** argv) {
  auto ctx = std::make_unique<AppContext>();
  InstanceLock lock;
  if (const auto refused = StartConsoleRun(*ctx, lock, cl.profile, &cl.settings)) return *refused;
  if (cl.profileChooser) {
    switch (ChooseProfileAtStart(*ctx, argc, argv)) {
      case ChooserResult::Unavailable:
        std::fputs(
            "ordanou: /P lets you choose a profile on a display or a terminal; "
            "neither is here (give its number, for example /P:2)\n",
            stderr);
        return kExitUsage;
      case ChooserResult::NotChosen:
        return kExitOk;
      case ChooserResult::Chosen:
        // The chosen record as the window would apply it.
        ApplySettingsOverrides(ctx->settings, cl.settings);
        ApplyExtrasOverrides(ctx->extras, cl.settings);
        NormaliseForAllPages(ctx->settings);
        ctx->run.DepthLimit = DepthLimitFromSearchDepth(ctx->settings.SearchDepth);
        if (cl.paths.empty()) {
          std::fprintf(stderr, "ordanou: profile %d chosen; no paths to catalogue\n",
                       ctx->startup.ProfileNumber);
          return kExitOk;
        }
        break;
    }
  }

  if (cl.paths.empty()) {
    std::fputs("ordanou: no paths to catalogue (see --help)\n", stderr);
    return kExitUsage;
  }
  // Started from the desktop (a drop on the launcher icon), the run asks and
  // shows its progress in windows; otherwise on the terminal. --yes is a
  // scripted run: nobody is there to answer a window.
  if (DesktopLaunch() && !cl.assumeYes) {
    return WithDesktopHost(*ctx, argc, argv,
                           [&](RunHost& host) { return Catalogue(*ctx, host, cl); });
  }
  ConsoleHost host(ConsoleHost::Detect(cl.assumeYes, cl.quiet));
  return Catalogue(*ctx, host, cl);
}

}  // namespace
}  // namespace ordano

int main(int argc, char** argv) {
  using namespace ordano;
  std::setlocale(LC_ALL, "");
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    if (DisplayAvailable()) return RunWindow(argc, argv);
    std::fputs("ordanou: no display; give paths to catalogue on the command line, see --help\n",
               stderr);
    return kExitUsage;
  }
  CommandLine cl = ParseCommandLine(args);
  if (cl.usage) {
    std::fputs(ConsoleTextUtf8(MsgId::WindowsUsage).c_str(), stdout);
    return kExitOk;
  }
  if (cl.help) {
    std::fputs(HelpText().c_str(), stdout);
    return kExitOk;
  }
  if (cl.version) {
    std::printf("ordanou %s\n", ORDANO_VERSION);
    return kExitOk;
  }
  if (!cl.unknownOptions.empty()) {
    const std::string& unknown = cl.unknownOptions.front();
    const std::string_view near = NearestOption(unknown);
    std::fprintf(stderr, "ordanou: unknown option %s%s%.*s%s (see --help)\n", unknown.c_str(),
                 near.empty() ? "" : "; did you mean ", static_cast<int>(near.size()), near.data(),
                 near.empty() ? "" : "?");
    return kExitUsage;
  }
  if (const auto status = RunSettingsCommand(cl)) return *status;
  if (const auto status = RunProfileCommand(cl)) return *status;
  if (cl.checkUpdate) {
    if (!cl.paths.empty() || cl.crawlUrl) {
      std::fputs("ordanou: --check-update takes no paths (see --help)\n", stderr);
      return kExitUsage;
    }
    return RunUpdateCommand(cl, args);
  }
  if (const auto status = RunLibraryCommand(cl)) return *status;
  if (cl.sample && !cl.verify) {
    std::fputs("ordanou: --sample goes with --verify FOLDER|VOLUME (see --help)\n", stderr);
    return kExitUsage;
  }
  if (cl.compare) return RunCompareCommand(cl);
  if (cl.verify) return RunVerifyCommand(cl);
  if (cl.crawlUrl) {
    if (!cl.paths.empty()) {
      std::fputs("ordanou: --crawl takes no paths (see --help)\n", stderr);
      return kExitUsage;
    }
    return RunCrawlCommand(cl);
  }
  try {
    return RunCatalogue(cl, argc, argv);
  } catch (const std::bad_alloc&) {
    // The output run reports its own; this is a scan too large for memory.
    std::fputs("ordanou: out of memory; nothing written\n", stderr);
    return kExitNotWritten;
  }
}
