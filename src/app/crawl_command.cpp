#include "app/crawl_command.h"

#include <csignal>
#include <cstdio>
#include <memory>
#include <string>

#include "app/command_line.h"
#include "app/console_host.h"
#include "app/console_start.h"
#include "app/exit_status.h"
#include "core/app_context.h"
#include "platform/unicode.h"
#include "run/web_search.h"

namespace ordano {

int RunCrawlCommand(const CommandLine& cl) {
  auto ctx = std::make_unique<AppContext>();
  InstanceLock lock;
  if (const auto refused = StartConsoleRun(*ctx, lock, cl.profile, &cl.settings)) return *refused;

  const ConsoleHost::Options options = ConsoleHost::Detect(cl.assumeYes, cl.quiet);
  ConsoleHost host(options);
  ctx->SetHost(host);

  const std::string typed = cl.crawlUrl.value_or(std::string());
  RunState& run = ctx->run;
  run.CmdOutputFolder = cl.outputFolder;
  run.CmdOutputName = cl.outputName;
  if (cl.outputName == "-") std::signal(SIGPIPE, SIG_IGN);  // a failed write, not a kill
  run.CmdBackColor = std::u16string(cl.backColor.begin(), cl.backColor.end());
  run.ForceSaveDialog = cl.forceSaveDialog;
  run.CmdLastPath = typed.empty() ? std::string("--crawl") : typed;

  WebSearchOptions search;
  search.output.keepCommandLineDestination = true;
  // On a terminal the question is asked; unattended, the partial result is
  // saved and the exit status tells that the crawl was cancelled.
  search.askBeforeSavingCancelled = options.interactive;
  const WebSearchOutcome outcome = RunWebSearch(*ctx, ToDisplay(typed), search);

  switch (outcome.status) {
    case WebSearchStatus::NoInput:
      return kExitUsage;
    case WebSearchStatus::NothingFound:
      if (outcome.crawl.cancelled) return kExitCancelled;
      return outcome.crawl.failure == CrawlFailure::InvalidUrl ? kExitUsage : kExitNotWritten;
    case WebSearchStatus::Declined:
      std::fputs("ordanou: cancelled; nothing written\n", stderr);
      return kExitCancelled;
    case WebSearchStatus::Output:
      break;
  }
  const bool cancelled = outcome.crawl.cancelled;
  switch (outcome.output.status) {
    case OutputStatus::Written:
      if (!cl.quiet && !outcome.output.path.empty() && !PrintWrittenPath(outcome.output.path))
        return cancelled ? kExitCancelled : kExitPartial;
      [[fallthrough]];
    case OutputStatus::Clipboard:
      if (cancelled) {
        std::fputs("ordanou: cancelled; the result so far was written\n", stderr);
        return kExitCancelled;
      }
      return kExitOk;
    case OutputStatus::ClipboardFailed:
    case OutputStatus::Declined:
    case OutputStatus::Failed:
      std::fputs("ordanou: nothing written\n", stderr);
      return kExitNotWritten;
  }
  return kExitNotWritten;
}

}  // namespace ordano
