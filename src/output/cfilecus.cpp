#include "output/cfilecus.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/unicode.h"

namespace ordano {

CFileCus::~CFileCus() {
  if (fd_ >= 0) {
    Flush();
    CloseFd();
  }
}

void CFileCus::CloseFd() {
  if (fd_ >= 0 && ::close(fd_) != 0) failed_ = true;
  fd_ = -1;
}

bool CFileCus::Open(const std::string& path, OpenMode mode) {
  if (fd_ >= 0) {
    Flush();
    CloseFd();
  }
  failed_ = false;
  pending_ = 0;
  if (clipboardMode_) {
    collected_.clear();
    return true;
  }
  int flags = O_RDWR | O_CLOEXEC;
  if (mode == OpenMode::CreateTruncate) flags |= O_CREAT | O_TRUNC;
  do {
    fd_ = ::open(path.c_str(), flags, 0666);
  } while (fd_ < 0 && errno == EINTR);
  return fd_ >= 0;
}

bool CFileCus::Close() {
  if (clipboardMode_) return true;
  if (fd_ < 0) return !failed_;
  Flush();
  CloseFd();
  return !failed_;
}

bool CFileCus::WriteAll(const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd_, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      failed_ = true;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool CFileCus::Flush() {
  if (clipboardMode_ || fd_ < 0) return !failed_;
  if (pending_ > 0) {
    const std::size_t n = pending_;
    pending_ = 0;
    if (!WriteAll(buffer_.get(), n)) return false;
  }
  return !failed_;
}

bool CFileCus::Store(const char* data, std::size_t size) {
  if (fd_ < 0) {
    failed_ = true;
    return false;
  }
  if (size >= kBufferSize) {
    if (!Flush()) return false;
    return WriteAll(data, size);
  }
  if (!buffer_) buffer_ = std::make_unique<char[]>(kBufferSize);
  if (pending_ + size > kBufferSize && !Flush()) return false;
  std::memcpy(buffer_.get() + pending_, data, size);
  pending_ += size;
  return true;
}

bool CFileCus::WriteText(const char16_t* text, std::size_t count) {
  if (text == nullptr || count == 0) return true;
  if (clipboardMode_) {
    collected_.append(text, count);
    return true;
  }
  if (utf8Mode_) {
    utf8_.clear();
    AppendUtf8(utf8_, std::u16string_view(text, count));
    return Store(utf8_.data(), utf8_.size());
  }
  // UTF-16LE: the in-memory form on this (little-endian) platform.
  static_assert(sizeof(char16_t) == 2);
  return Store(reinterpret_cast<const char*>(text), count * 2);
}

bool CFileCus::WriteUtf8(std::string_view text) {
  if (text.empty()) return true;
  if (utf8Mode_ && !clipboardMode_) return Store(text.data(), text.size());
  const std::u16string wide = Utf8ToUtf16(text);
  return WriteText(wide.data(), wide.size());
}

bool CFileCus::WriteUtf8Bom() {
  if (clipboardMode_) return true;
  static constexpr char kBom[] = {'\xEF', '\xBB', '\xBF'};
  return Store(kBom, sizeof kBom);
}

std::int64_t CFileCus::Seek(std::int64_t offset, SeekFrom from) {
  if (clipboardMode_) return 0;
  if (fd_ < 0 || !Flush()) return -1;
  const int whence = from == SeekFrom::Begin     ? SEEK_SET
                     : from == SeekFrom::Current ? SEEK_CUR
                                                 : SEEK_END;
  const off_t pos = ::lseek(fd_, static_cast<off_t>(offset), whence);
  if (pos < 0) {
    failed_ = true;
    return -1;
  }
  return pos;
}

std::int64_t CFileCus::Length() {
  if (clipboardMode_) return 0;
  if (fd_ < 0 || !Flush()) return -1;
  const off_t here = ::lseek(fd_, 0, SEEK_CUR);
  const off_t end = ::lseek(fd_, 0, SEEK_END);
  if (here < 0 || end < 0 || ::lseek(fd_, here, SEEK_SET) < 0) {
    failed_ = true;
    return -1;
  }
  return end;
}

std::int64_t CFileCus::Read(std::span<std::byte> out) {
  if (clipboardMode_) return 0;
  if (fd_ < 0 || !Flush()) return -1;
  std::size_t got = 0;
  while (got < out.size()) {
    const ssize_t n = ::read(fd_, out.data() + got, out.size() - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  return static_cast<std::int64_t>(got);
}

bool CFileCus::TruncateHere() {
  if (clipboardMode_) return true;
  if (fd_ < 0 || !Flush()) return false;
  const off_t here = ::lseek(fd_, 0, SEEK_CUR);
  if (here < 0 || ::ftruncate(fd_, here) != 0) {
    failed_ = true;
    return false;
  }
  return true;
}

}  // namespace ordano
