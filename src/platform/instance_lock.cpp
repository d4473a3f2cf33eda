#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace ordano {

InstanceLock::~InstanceLock() {
  if (fd_ >= 0) close(fd_);
}

namespace {

// In $XDG_RUNTIME_DIR when there is one (a lock is no setting, and that
// folder is emptied at logout), one per program folder; else in the folder.
std::string LockPath(const std::string& programFolder) {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  struct stat st {};
  if (runtime == nullptr || runtime[0] != '/' || ::stat(runtime, &st) != 0 || !S_ISDIR(st.st_mode))
    return programFolder + "ordanou.lock";
  std::uint64_t hash = 14695981039346656037ull;  // FNV-1a: the same name in every process
  for (const char c : programFolder) {
    hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  }
  char name[40];
  std::snprintf(name, sizeof name, "/ordano-%016llx.lock", static_cast<unsigned long long>(hash));
  return runtime + std::string(name);
}

}  // namespace

InstanceLock::Result InstanceLock::TryAcquire(const std::string& programFolder) {
  const std::string path = LockPath(programFolder);
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return Result::Error;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int err = errno;
    close(fd);
    return err == EWOULDBLOCK ? Result::HeldByOther : Result::Error;
  }
  if (fd_ >= 0) close(fd_);
  fd_ = fd;
  return Result::Acquired;
}

InstanceLock::Result InstanceLock::Acquire(const std::string& programFolder,
                                           std::chrono::milliseconds patience) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + patience;
  std::chrono::milliseconds pause{5};
  for (;;) {
    const Result result = TryAcquire(programFolder);
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (result != Result::HeldByOther || left <= std::chrono::milliseconds::zero()) return result;
    std::this_thread::sleep_for(std::min(pause, left));
    pause = std::min(pause * 2, std::chrono::milliseconds{100});
  }
}

}  // namespace ordano
