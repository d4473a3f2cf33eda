#include "output/cfilecus.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/unicode.h"

namespace ordano {

namespace {

// Overwritten bytes kept for an undo; past this an in-place overwrite of a
// large file cannot be taken back (only the folder-refuses-files fallback
// comes near it).
constexpr std::size_t kJournalLimit = std::size_t{16} << 20;

bool FolderRefusesFiles(int error) {
  return error == EACCES || error == EPERM || error == EROFS || error == ENOSPC || error == EDQUOT;
}

}  // namespace

CFileCus::~CFileCus() { Abandon(); }

void CFileCus::CloseFd() {
  if (fd_ >= 0 && !replacing_ && ::close(fd_) != 0) Fail();
  fd_ = -1;
  replacing_ = false;
}

void CFileCus::Abandon() {
  if (fd_ < 0) return;
  if (replacing_) {
    replacement_.Discard();
    fd_ = -1;
    replacing_ = false;
    return;
  }
  if (!direct_ && (undoable_ || touched_)) {
    pending_ = 0;
    Undo();
  } else {
    Flush();
  }
  CloseFd();
}

bool CFileCus::OpenInPlace(const std::string& path, bool truncate) {
  do {
    // Without blocking: a FIFO at the path must not hang the run.
    fd_ = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  } while (fd_ < 0 && errno == EINTR);
  if (fd_ < 0) return false;
  ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
  struct stat st {};
  undoable_ = ::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode);
  oldLength_ = undoable_ ? st.st_size : 0;
  if (truncate) TruncateHere();
  return true;
}

bool CFileCus::Open(const std::string& path, OpenMode mode) {
  error_ = 0;
  if (OpenPath(path, mode)) return true;
  error_ = errno;
  return false;
}

void CFileCus::StartOpen() {
  if (fd_ >= 0) Close();
  failed_ = false;
  previousKept_ = true;
  touched_ = false;
  undoable_ = false;
  journal_.clear();
  journalBytes_ = 0;
  pending_ = 0;
}

bool CFileCus::OpenPath(const std::string& path, OpenMode mode) {
  StartOpen();
  direct_ = mode == OpenMode::CreateTruncate;
  if (clipboardMode_) {
    collected_.clear();
    return true;
  }
  switch (mode) {
    case OpenMode::Replace:
    case OpenMode::Edit:
      if (replacement_.Create(path, mode == OpenMode::Edit)) {
        fd_ = replacement_.fd();
        replacing_ = true;
        return true;
      }
      if (!FolderRefusesFiles(errno)) return false;
      return OpenInPlace(path, mode == OpenMode::Replace);
    case OpenMode::OpenExisting:
      return OpenInPlace(path, false);
    case OpenMode::CreateTruncate:
      break;
  }
  do {
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  } while (fd_ < 0 && errno == EINTR);
  return fd_ >= 0;
}

bool CFileCus::OpenStream(int fd) {
  StartOpen();
  direct_ = true;
  error_ = 0;
  if (clipboardMode_) return true;
  fd_ = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
  if (fd_ < 0) error_ = errno;
  return fd_ >= 0;
}

bool CFileCus::Close() {
  if (clipboardMode_) return true;
  if (fd_ < 0) return !failed_;
  Flush();
  if (failed_) {
    Abandon();
    return false;
  }
  if (replacing_) {
    fd_ = -1;
    replacing_ = false;
    if (!replacement_.Commit()) Fail();
    return !failed_;
  }
  CloseFd();
  return !failed_;
}

void CFileCus::Remember(std::int64_t at, std::int64_t size) {
  if (direct_) return;
  touched_ = true;
  if (!undoable_ || at < 0 || at >= oldLength_ || size <= 0) return;
  const std::int64_t n = std::min(size, oldLength_ - at);
  if (journalBytes_ + static_cast<std::size_t>(n) > kJournalLimit) {
    undoable_ = false;
    return;
  }
  std::string bytes(static_cast<std::size_t>(n), '\0');
  if (ReadUpToAt(fd_, std::as_writable_bytes(std::span(bytes.data(), bytes.size())), at) !=
      bytes.size()) {
    undoable_ = false;
    return;
  }
  journalBytes_ += bytes.size();
  journal_.emplace_back(at, std::move(bytes));
}

void CFileCus::Undo() {
  if (!touched_) return;
  bool ok = undoable_ && ::ftruncate(fd_, static_cast<off_t>(oldLength_)) == 0;
  // Latest first, so the oldest copy of a byte is the one that stays.
  for (auto it = journal_.rbegin(); ok && it != journal_.rend(); ++it) {
    ok = WriteFullyAt(fd_, std::as_bytes(std::span(it->second.data(), it->second.size())),
                      it->first);
  }
  previousKept_ = ok;
  journal_.clear();
  touched_ = false;
}

bool CFileCus::WriteAll(const char* data, std::size_t size) {
  if (!replacing_) {
    const off_t at = ::lseek(fd_, 0, SEEK_CUR);
    Remember(at, static_cast<std::int64_t>(size));
  }
  while (size > 0) {
    const ssize_t n = ::write(fd_, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail();
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
  if (fd_ < 0 || failed_) {
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
    Fail();
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
  if (here >= 0 && !replacing_) Remember(here, oldLength_ - here);
  if (here < 0 || ::ftruncate(fd_, here) != 0) {
    Fail();
    return false;
  }
  return true;
}

}  // namespace ordano
