#include "run_binary.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <stdexcept>

#ifndef ORDANOU_BINARY
#define ORDANOU_BINARY "ordanou"
#endif

namespace ordano::testing {

ProcessResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                         const RunOptions& options) {
  int in[2], out[2], err[2];
  if (pipe2(in, O_CLOEXEC) || pipe2(out, O_CLOEXEC) || pipe2(err, O_CLOEXEC)) {
    throw std::runtime_error("pipe failed");
  }
  const pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    dup2(in[0], 0);
    int outFd = out[1];
    if (!options.stdoutPath.empty()) {
      outFd = open(options.stdoutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    } else if (options.stdoutReaderGone) {
      int gone[2];
      if (pipe(gone) != 0) _exit(126);
      close(gone[0]);
      outFd = gone[1];
    }
    dup2(outFd, 1);
    dup2(err[1], 2);
    signal(SIGPIPE, SIG_DFL);  // as a shell starts it, whatever the test process ignores
    if (options.fileSizeLimit >= 0) {
      const rlimit limit{static_cast<rlim_t>(options.fileSizeLimit),
                         static_cast<rlim_t>(options.fileSizeLimit)};
      signal(SIGXFSZ, SIG_IGN);  // writes past the limit fail with EFBIG, as on a full disk
      if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(126);
    }
    if (options.openFileLimit >= 0) {
      const rlimit limit{static_cast<rlim_t>(options.openFileLimit),
                         static_cast<rlim_t>(options.openFileLimit)};
      if (setrlimit(RLIMIT_NOFILE, &limit) != 0) _exit(126);
    }
    if (options.processLimit >= 0) {
      const rlimit limit{static_cast<rlim_t>(options.processLimit),
                         static_cast<rlim_t>(options.processLimit)};
      if (setrlimit(RLIMIT_NPROC, &limit) != 0) _exit(126);
    }
    setsid();  // no controlling terminal: the program sees no tty
    for (const auto& [k, v] : options.env) {
      if (v.empty()) {
        unsetenv(k.c_str());
      } else {
        setenv(k.c_str(), v.c_str(), 1);
      }
    }
    if (!options.workingDir.empty() && chdir(options.workingDir.c_str()) != 0) _exit(126);
    if (options.runAsUid >= 0) {
      const gid_t gid = static_cast<gid_t>(options.runAsUid);
      if (setgroups(0, nullptr) != 0 || setgid(gid) != 0 ||
          setuid(static_cast<uid_t>(options.runAsUid)) != 0) {
        _exit(kCannotDropPrivileges);
      }
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  close(err[1]);
  std::string input = options.stdinText;
  if (!input.empty()) {
    signal(SIGPIPE, SIG_IGN);
    (void)!write(in[1], input.data(), input.size());
  }
  close(in[1]);
  ProcessResult r;
  pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::seconds(options.timeoutSeconds);
  int open = 2;
  while (open > 0 && std::chrono::steady_clock::now() < deadline) {
    if (poll(fds, 2, 200) < 0 && errno != EINTR) break;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
      char buf[65536];
      const ssize_t n = read(fds[i].fd, buf, sizeof buf);
      if (n <= 0) {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      } else {
        (i == 0 ? r.out : r.err).append(buf, static_cast<std::size_t>(n));
      }
    }
  }
  if (open > 0) kill(pid, SIGKILL);
  for (auto& f : fds) {
    if (f.fd >= 0) close(f.fd);
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

ProcessResult RunOrdanou(const std::vector<std::string>& args, const RunOptions& options) {
  RunOptions o = options;
  // With a display and no terminal a command-line run uses the window's host;
  // these tests drive the console host unless they give a display themselves.
  o.env = {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}, {"QT_QPA_PLATFORM", ""}};
  // Leak checks of the sanitized binary stay on unless the test says
  // otherwise; keep its reports on stderr.
  o.env.emplace_back("ASAN_OPTIONS", "detect_leaks=1");
  // Japanese, as the tests expect, whatever the locale of the machine.
  o.env.emplace_back("ORDANO_LANG", "ja");
  o.env.insert(o.env.end(), options.env.begin(), options.env.end());
  return RunProgram(ORDANOU_BINARY, args, o);
}

}  // namespace ordano::testing
