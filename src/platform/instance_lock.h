// The single-instance rule (one per program folder): an exclusive advisory
// lock on a file, released by the kernel when the process ends.
#pragma once

#include <chrono>
#include <string>

namespace ordano {

class InstanceLock {
 public:
  InstanceLock() = default;
  ~InstanceLock();
  InstanceLock(InstanceLock&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  InstanceLock& operator=(InstanceLock&&) = delete;
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  enum class Result { Acquired, HeldByOther, Error };
  // Tries to take the lock without waiting: a file named after the folder in
  // $XDG_RUNTIME_DIR, or folder + "ordanou.lock" without one.
  Result TryAcquire(const std::string& programFolder);
  // The same, but while another process holds the lock it tries again for
  // up to `patience` before giving up.
  Result Acquire(const std::string& programFolder, std::chrono::milliseconds patience);
  bool held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace ordano
