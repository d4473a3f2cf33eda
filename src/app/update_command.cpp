#include "app/update_command.h"

#include <cstdio>

#include "app/command_line.h"
#include "app/console_host.h"
#include "app/exit_status.h"
#include "app/ui_language.h"
#include "platform/instance_lock.h"
#include "platform/program_folder.h"
#include "platform/unicode.h"
#include "update/update_flow.h"

namespace ordano {
namespace {

void Say(std::FILE* to, const Message& text) {
  std::fprintf(to, "%s\n", ConsoleTextUtf8(text).c_str());
}

}  // namespace

int RunUpdateCommand(const CommandLine& cl, const std::vector<std::string>& arguments) {
  const UpdateSetup setup = CurrentUpdateSetup(arguments);
  const UpdateCheckResult check = CheckUpdateServer(setup);
  switch (check.status) {
    case UpdateCheckStatus::Off:
      Say(stderr, MsgId::UpdateOff);
      std::fputs("ordanou: the update check is off in this build (no ORDANO_UPDATE_HOST)\n",
                 stderr);
      return kExitNotWritten;
    case UpdateCheckStatus::Refused:
      Say(stderr, MsgId::UpdateUrlRefused);
      return kExitNotWritten;
    case UpdateCheckStatus::Failed:
      Say(stderr, MsgId::UpdateCheckFailed);
      return kExitNotWritten;
    case UpdateCheckStatus::UpToDate:
      Say(stdout, MsgId::UpToDate);
      return kExitOk;
    case UpdateCheckStatus::Newer:
      break;
  }
  Say(stdout, ManualOfferText(setup.source.endpoints.download));
  std::fflush(stdout);
  ConsoleHost host(ConsoleHost::Detect(cl.assumeYes, cl.quiet));
  if (host.ShowMessage(MsgId::UpdateNowQuestion, MsgId::CaptionOrdano, MsgIcon::Question,
                       MsgButtons::YesNo) != MsgAnswer::Yes) {
    return kExitUpdateAvailable;
  }
  // Files of a running window are not replaced under it.
  InstanceLock lock;
  if (lock.TryAcquire(ProgramFolder()) == InstanceLock::Result::HeldByOther) {
    std::fprintf(stderr, "ordanou: %s\n", ConsoleTextUtf8(MsgId::AlreadyRunning).c_str());
    return kExitAlreadyRunning;
  }
  if (InstallUpdate(host, setup, check.serverTime) != InstallOutcome::HandedOver) {
    if (!host.Interrupted()) return kExitNotWritten;
    std::fputs("ordanou: cancelled\n", stderr);
    return kExitCancelled;
  }
  std::fprintf(stdout, "ordanou: installing the update into %s; it restarts when done (log: %s)\n",
               setup.programDir.c_str(), (PrivateUpdateFolder() + "/ordano_updater.log").c_str());
  return kExitUpdateAvailable;
}

}  // namespace ordano
