#include "platform/open_at.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <span>

namespace ordano {

UniqueFd OpenForReadingAt(int dirFd, const char* name) {
  // O_NONBLOCK: opening a FIFO or a terminal must not wait for a writer.
  UniqueFd fd(::openat(dirFd, name, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (!fd) return {};
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) return {};
  if (!S_ISREG(st.st_mode)) {
    errno = 0;  // nothing failed: it is just no file to read
    return {};
  }
  return fd;
}

std::optional<std::string> ReadHeadAt(int dirFd, const char* name, std::size_t limit) {
  const UniqueFd fd = OpenForReadingAt(dirFd, name);
  if (!fd) return std::nullopt;
  std::string out(limit, '\0');
  out.resize(ReadUpTo(fd.get(), std::as_writable_bytes(std::span(out.data(), out.size()))));
  return out;
}

void RaiseOpenFileLimit() {
  struct rlimit lim {};
  if (::getrlimit(RLIMIT_NOFILE, &lim) == 0 && lim.rlim_cur < lim.rlim_max) {
    lim.rlim_cur = lim.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &lim);
  }
}

long long SpareDescriptors(long long reserve, long long cap) {
  struct rlimit lim {};
  if (::getrlimit(RLIMIT_NOFILE, &lim) != 0 || lim.rlim_cur == RLIM_INFINITY) return cap;
  return std::clamp(static_cast<long long>(lim.rlim_cur) - reserve, 0LL, cap);
}

}  // namespace ordano
