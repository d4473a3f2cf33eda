#include "update/update_flow.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <system_error>

#include "core/run_host.h"
#include "platform/path_parts.h"
#include "platform/unicode.h"
#include "update/installer_script.h"
#include "update/update_check.h"
#include "update/update_extract.h"

namespace ordano {
namespace {

std::string SelfExecutable() {
  char buf[4096];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return {};
  return std::string(buf, static_cast<std::size_t>(n));
}

void Tell(RunHost& host, const Message& text, MsgIcon icon) {
  host.ShowMessage(text, MsgId::CaptionOrdano, icon, MsgButtons::Ok);
}

}  // namespace

Message ManualOfferText(const std::string& downloadUrl) {
  return {MsgId::UpdateOfferManual, {ToDisplay(downloadUrl)}};
}

std::string PrivateUpdateFolder(Message* why) {
  const char* tmp = std::getenv("TMPDIR");
  std::string base = tmp != nullptr && *tmp == '/' ? tmp : "/tmp";
  base = std::string(WithoutTrailingSlash(base));
  const uid_t uid = getuid();
  const std::string folder =
      (base == "/" ? std::string() : base) + "/ordano-update-" + std::to_string(uid);
  const auto refuse = [&](Message reason) {
    if (why != nullptr) *why = std::move(reason);
    return std::string();
  };
  const auto systemReason = [&folder] {
    return Message{MsgId::TempFolderFailed,
                   {ToDisplay(folder), Utf8ToUtf16(std::generic_category().message(errno))}};
  };
  if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return refuse(systemReason());
  struct stat st;
  if (lstat(folder.c_str(), &st) != 0) return refuse(systemReason());
  if (!S_ISDIR(st.st_mode)) return refuse({MsgId::TempFolderNotAFolder, {ToDisplay(folder)}});
  if (st.st_uid != uid) return refuse({MsgId::TempFolderOtherUser, {ToDisplay(folder)}});
  if ((st.st_mode & 077) != 0 && chmod(folder.c_str(), 0700) != 0) return refuse(systemReason());
  return folder;
}

UpdateSetup CurrentUpdateSetup(std::vector<std::string> arguments) {
  UpdateSetup setup;
  setup.source = CurrentUpdateEndpoints();
  setup.executable = SelfExecutable();
  setup.programDir = std::string(ParentFolder(setup.executable));
  setup.arguments = std::move(arguments);
  setup.pid = getpid();
  return setup;
}

UpdateCheckResult CheckUpdateServer(const UpdateSetup& setup) {
  UpdateCheckResult result;
  if (setup.source.status == EndpointStatus::Off) return result;
  if (setup.source.status == EndpointStatus::Refused) {
    result.status = UpdateCheckStatus::Refused;
    return result;
  }
  result.serverTime = QueryServerTime(setup.source.endpoints.download);
  if (result.serverTime <= 0) {
    result.status = UpdateCheckStatus::Failed;
    return result;
  }
  const std::int64_t programTime = ProgramFileTime(setup.executable);
  result.status = IsUpdateNewer(result.serverTime, programTime, setup.programDir)
                      ? UpdateCheckStatus::Newer
                      : UpdateCheckStatus::UpToDate;
  return result;
}

InstallOutcome InstallUpdate(RunHost& host, const UpdateSetup& setup, std::int64_t serverTime) {
  if (setup.programDir.empty() || setup.source.status != EndpointStatus::Ok) {
    return InstallOutcome::Failed;
  }
  // The private folder is made only now: a check alone leaves nothing behind.
  std::string temp = setup.tempDir;
  Message why;
  if (temp.empty() && (temp = PrivateUpdateFolder(&why)).empty()) {
    Tell(host, why, MsgIcon::Warning);
    return InstallOutcome::Failed;
  }
  const UpdateEndpoints& ep = setup.source.endpoints;
  const std::string archive = temp + "/ordano_update.zip";
  const std::string extract = temp + "/ordano_update_extract";
  DownloadOptions download = setup.download;
  download.progress = [&host](std::uint64_t received, std::uint64_t total) {
    return host.DownloadProgress(received, total);
  };
  host.DownloadBegin();
  const DownloadStatus got = DownloadFile(ep.download, archive, download);
  host.DownloadEnd();
  switch (got) {
    case DownloadStatus::Ok:
      break;
    case DownloadStatus::Cancelled:
      return InstallOutcome::Failed;
    case DownloadStatus::TimedOut:
      Tell(host, MsgId::DownloadTimedOut, MsgIcon::Warning);
      return InstallOutcome::Failed;
    case DownloadStatus::Failed:
      Tell(host, MsgId::DownloadFailed, MsgIcon::Warning);
      return InstallOutcome::Failed;
  }
  PostDownloadNotice(ep);
  if (ExtractUpdateArchive(archive, extract) != ExtractStatus::Ok) {
    Tell(host, MsgId::ExtractFailed, MsgIcon::Warning);
    return InstallOutcome::Failed;
  }
  InstallerScript script;
  script.scriptPath = temp + "/ordano_updater.sh";
  script.programDir = setup.programDir;
  script.executable = setup.executable;
  script.payloadDir = FindPayloadFolder(extract, LastComponent(setup.executable));
  script.stamp =
      std::to_string(serverTime > 0 ? serverTime : static_cast<std::int64_t>(std::time(nullptr)));
  script.oldPid = setup.pid;
  script.arguments = setup.arguments;
  script.attemptDelaySeconds = setup.attemptDelaySeconds;
  script.waitTenths = setup.waitTenths;
  // A script that cannot be written or started changes nothing: silent.
  if (!StartInstaller(script, temp + "/ordano_updater.log")) {
    return InstallOutcome::Failed;
  }
  return InstallOutcome::HandedOver;
}

bool CheckForUpdate(RunHost& host, const UpdateSetup& setup) {
  const UpdateCheckResult check = CheckUpdateServer(setup);
  switch (check.status) {
    case UpdateCheckStatus::Off:
      Tell(host, MsgId::UpdateOff, MsgIcon::Information);
      return false;
    case UpdateCheckStatus::Refused:
      Tell(host, MsgId::UpdateUrlRefused, MsgIcon::Warning);
      return false;
    case UpdateCheckStatus::Failed:
      Tell(host, MsgId::UpdateCheckFailed, MsgIcon::Warning);
      return false;
    case UpdateCheckStatus::UpToDate:
      Tell(host, MsgId::UpToDate, MsgIcon::Information);
      return false;
    case UpdateCheckStatus::Newer:
      break;
  }
  if (host.ShowMessage(ManualOfferText(setup.source.endpoints.download), MsgId::CaptionOrdano,
                       MsgIcon::Information, MsgButtons::YesNo) != MsgAnswer::Yes) {
    return false;
  }
  return InstallUpdate(host, setup, check.serverTime) == InstallOutcome::HandedOver;
}

bool StartupUpdateCheck(RunHost& host, const UpdateSetup& setup) {
  if (ProgramFileTime(setup.executable) == 0) return false;
  const UpdateCheckResult check = CheckUpdateServer(setup);
  if (check.status != UpdateCheckStatus::Newer) return false;
  if (host.ShowMessage(MsgId::UpdateOfferAtStart, MsgId::CaptionOrdano, MsgIcon::Information,
                       MsgButtons::YesNo) != MsgAnswer::Yes) {
    return false;
  }
  return InstallUpdate(host, setup, check.serverTime) == InstallOutcome::HandedOver;
}

}  // namespace ordano
