// The update check as the user meets it: at start-up (silent unless there is
// an update), on request (every outcome told), and the hand-over to the
// installer script.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/message.h"
#include "update/update_check.h"
#include "update/update_config.h"

namespace ordano {

class RunHost;

// The manual check's question, with the download address after it.
Message ManualOfferText(const std::string& downloadUrl);

// Everything an update needs to know about this program and this process.
struct UpdateSetup {
  EndpointChoice source;
  std::string executable;  // the running program file
  std::string programDir;  // its folder, without trailing "/"
  std::string tempDir;     // working folder; empty: PrivateUpdateFolder() when installing
  std::vector<std::string> arguments;  // for the restart
  pid_t pid = 0;
  int attemptDelaySeconds = 2;
  int waitTenths = 100;
  DownloadOptions download;  // the archive's limits (the progress goes to the host)
};

// The setup of this process: /proc/self/exe and CurrentUpdateEndpoints();
// `arguments` are the program's own.
UpdateSetup CurrentUpdateSetup(std::vector<std::string> arguments);

// "$TMPDIR/ordano-update-UID" (or /tmp), created with mode 0700 and checked
// to be this user's own folder, not a link; empty when that cannot be had,
// and then `why` (when given) is the whole message, naming the folder.
// Fixed names in a shared /tmp could be planted by another user.
std::string PrivateUpdateFolder(Message* why = nullptr);

enum class UpdateCheckStatus { Off, Refused, Failed, UpToDate, Newer };

struct UpdateCheckResult {
  UpdateCheckStatus status = UpdateCheckStatus::Off;
  std::int64_t serverTime = 0;
};

// The decision alone: server time against the stamp or the program file.
UpdateCheckResult CheckUpdateServer(const UpdateSetup& setup);

enum class InstallOutcome {
  HandedOver,  // the installer runs; the program must end now
  Failed,      // told to the user; the program goes on
};

// Download (with the host's progress window), notice, extraction, script;
// messages through the host. A download the user stopped is told nothing.
InstallOutcome InstallUpdate(RunHost& host, const UpdateSetup& setup, std::int64_t serverTime);

// The check of the information page's button: every outcome is told. True
// when the installer runs and the program must end now.
bool CheckForUpdate(RunHost& host, const UpdateSetup& setup);

// The check at start-up: silent unless a newer build exists and the user
// takes it. True when the installer runs and the program must end.
bool StartupUpdateCheck(RunHost& host, const UpdateSetup& setup);

}  // namespace ordano
