// The shell script that takes over once the program has ended: it replaces
// the program folder's files with the new ones and starts the program again.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ordano {

struct InstallerScript {
  std::string scriptPath;              // where the script is written (it deletes itself)
  std::string programDir;              // the program folder, without trailing "/"
  std::string executable;              // the program file inside it
  std::string payloadDir;              // the new files (FindPayloadFolder)
  std::string stamp;                   // server time of the archive, decimal seconds
  long long oldPid = 0;                // the process to wait for and, if it lingers, stop
  std::vector<std::string> arguments;  // the program's arguments for the restart
  int attemptDelaySeconds = 2;         // before each of the ten copy attempts
  int waitTenths = 100;                // how long to wait for the old process to end
};

// The text of the script (POSIX sh). Every value is quoted for the shell, so
// spaces, quotes, "%", "$", "`" and newlines reach the restarted program as
// they were.
std::string InstallerScriptText(const InstallerScript& script);

// `text` as one shell word in single quotes.
std::string ShellQuote(std::string_view text);

// Writes the script (mode 0700, created anew) and starts it detached from
// this process (own session, output to `logPath`). False when it cannot be
// written or started.
bool StartInstaller(const InstallerScript& script, const std::string& logPath);

}  // namespace ordano
