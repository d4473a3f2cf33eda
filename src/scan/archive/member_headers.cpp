#include "scan/archive/member_headers.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace ordano {

std::uint64_t FileLength(int fd) {
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0) return 0;
  return static_cast<std::uint64_t>(st.st_size);
}

const unsigned char* WindowReader::Need(std::uint64_t offset, std::size_t size) {
  if (offset > length_ || size > length_ - offset) return nullptr;
  if (offset >= start_ && offset + size <= start_ + buffer_.size()) {
    return buffer_.data() + (offset - start_);
  }
  const std::size_t want =
      static_cast<std::size_t>(std::min<std::uint64_t>(std::max(size, kWindow), length_ - offset));
  buffer_.resize(want);
  std::size_t got = 0;
  while (got < want) {
    const ssize_t n =
        pread(fd_, buffer_.data() + got, want - got, static_cast<off_t>(offset + got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  buffer_.resize(got);
  start_ = offset;
  if (got < size) return nullptr;
  return buffer_.data();
}

}  // namespace ordano
