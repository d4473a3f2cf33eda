#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

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

}  // namespace ordano
