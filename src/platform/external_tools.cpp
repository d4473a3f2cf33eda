#include "platform/external_tools.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

extern char** environ;

namespace ordano {
namespace {

std::vector<char*> ArgvPointers(const std::vector<std::string>& argv) {
  std::vector<char*> ptrs;
  ptrs.reserve(argv.size() + 1);
  for (const auto& a : argv) ptrs.push_back(const_cast<char*>(a.c_str()));
  ptrs.push_back(nullptr);
  return ptrs;
}

// posix_spawn file actions and attributes, destroyed on scope exit.
struct SpawnSetup {
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attr;
  SpawnSetup() {
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attr);
  }
  ~SpawnSetup() {
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;
};

}  // namespace

bool FindOnPath(std::string_view program, std::string* fullPath) {
  const char* path = std::getenv("PATH");
  std::string_view dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
  while (!dirs.empty()) {
    const auto colon = dirs.find(':');
    const std::string_view dir = colon == 0 ? std::string_view(".") : dirs.substr(0, colon);
    dirs = colon == std::string_view::npos ? std::string_view() : dirs.substr(colon + 1);
    std::string candidate;
    candidate.reserve(dir.size() + 1 + program.size());
    candidate.append(dir).append("/").append(program);
    struct stat st;
    if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
        access(candidate.c_str(), X_OK) == 0) {
      if (fullPath) *fullPath = candidate;
      return true;
    }
  }
  return false;
}

bool SpawnDetached(const std::vector<std::string>& argv, const std::string& workingDir) {
  if (argv.empty()) return false;
  std::string program;
  if (!FindOnPath(argv[0], &program)) return false;
  // Double fork so the opened program is not our child and needs no reaping.
  const pid_t pid = fork();
  if (pid < 0) return false;
  if (pid == 0) {
    setsid();
    if (fork() != 0) _exit(0);
    if (!workingDir.empty() && chdir(workingDir.c_str()) != 0) _exit(127);
    const int devnull = open("/dev/null", O_RDWR);
    if (devnull >= 0) {
      dup2(devnull, 0);
      dup2(devnull, 1);
      dup2(devnull, 2);
    }
    auto ptrs = ArgvPointers(argv);
    execv(program.c_str(), ptrs.data());
    _exit(127);
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool RunWithInput(const std::vector<std::string>& argv, std::string_view input) {
  if (argv.empty()) return false;
  std::string program;
  if (!FindOnPath(argv[0], &program)) return false;
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return false;
  SpawnSetup setup;
  posix_spawn_file_actions_adddup2(&setup.actions, fds[0], 0);
  posix_spawn_file_actions_addopen(&setup.actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid;
  auto ptrs = ArgvPointers(argv);
  const int rc =
      posix_spawn(&pid, program.c_str(), &setup.actions, &setup.attr, ptrs.data(), environ);
  close(fds[0]);
  if (rc != 0) {
    close(fds[1]);
    return false;
  }
  // A tool that exits early must not kill us with SIGPIPE.
  struct sigaction ignore {
  }, old{};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGPIPE, &ignore, &old);
  bool ok = true;
  while (!input.empty()) {
    const ssize_t n = write(fds[1], input.data(), input.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    input.remove_prefix(static_cast<std::size_t>(n));
  }
  close(fds[1]);
  sigaction(SIGPIPE, &old, nullptr);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return ok && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::vector<std::string> ClipboardCommand() {
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  const char* x11 = std::getenv("DISPLAY");
  if (wayland && *wayland && FindOnPath("wl-copy")) return {"wl-copy"};
  if (x11 && *x11) {
    if (FindOnPath("xclip")) return {"xclip", "-selection", "clipboard", "-in"};
    if (FindOnPath("xsel")) return {"xsel", "--clipboard", "--input"};
  }
  return {};
}

}  // namespace ordano
