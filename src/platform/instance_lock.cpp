#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <thread>

namespace ordano {

InstanceLock::~InstanceLock() {
  if (fd_ >= 0) close(fd_);
}

InstanceLock::Result InstanceLock::TryAcquire(const std::string& programFolder) {
  const std::string path = programFolder + "ordanou.lock";
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
