// Runs the ordanou binary for end-to-end tests and captures what it did.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace ordano::testing {

// Exit code of the child when it could not switch to RunOptions::runAsUid.
inline constexpr int kCannotDropPrivileges = 125;

struct ProcessResult {
  int exitCode = -1;  // -1 when it did not exit normally
  std::string out, err;
};

struct RunOptions {
  std::vector<std::pair<std::string, std::string>> env;  // set (value empty = unset)
  std::string workingDir;
  std::string stdinText;  // fed to stdin (a pipe: not a terminal)
  int runAsUid = -1;      // drop to this uid/gid in the child (tests running as root)
  int timeoutSeconds = 120;
  long long fileSizeLimit = -1;  // RLIMIT_FSIZE in the child (SIGXFSZ ignored): a full disk
  long long openFileLimit = -1;  // RLIMIT_NOFILE in the child (soft and hard, as `ulimit -n`)
  // RLIMIT_NPROC in the child (as `ulimit -u`): no thread can start while the
  // user has this many. Root is exempt: combine it with runAsUid.
  long long processLimit = -1;
  std::string stdoutPath;         // stdout to this file instead of the captured pipe
  bool stdoutReaderGone = false;  // stdout a pipe whose reader has closed it (`| true`)
};

ProcessResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                         const RunOptions& options = {});

// The ordanou binary built with the tests.
ProcessResult RunOrdanou(const std::vector<std::string>& args, const RunOptions& options = {});

}  // namespace ordano::testing
