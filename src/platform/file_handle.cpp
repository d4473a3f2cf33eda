#include "platform/file_handle.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <random>

#include "platform/path_parts.h"

namespace ordano {

void UniqueFd::reset(int fd) {
  if (fd_ >= 0) ::close(fd_);
  fd_ = fd;
}

UniqueFd OpenForReading(const std::string& path) {
  // Non-blocking so that a FIFO in place of a settings file cannot hang the start.
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (!fd) return {};
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return {};
  return fd;
}

std::size_t ReadUpTo(int fd, std::span<std::byte> buffer) {
  std::size_t done = 0;
  while (done < buffer.size()) {
    const ssize_t n = ::read(fd, buffer.data() + done, buffer.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  return done;
}

std::size_t ReadUpToAt(int fd, std::span<std::byte> buffer, std::int64_t offset) {
  if (offset < 0) return 0;
  std::size_t done = 0;
  while (done < buffer.size()) {
    const ssize_t n = ::pread(fd, buffer.data() + done, buffer.size() - done,
                              static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  return done;
}

std::optional<std::string> ReadAll(const std::string& path, std::size_t limit) {
  const UniqueFd fd = OpenForReading(path);
  if (!fd) return std::nullopt;
  std::string out;
  char chunk[65536];
  while (out.size() < limit) {
    const std::size_t want = std::min(sizeof chunk, limit - out.size());
    const std::size_t n = ReadUpTo(fd.get(), std::as_writable_bytes(std::span(chunk, want)));
    out.append(chunk, n);
    if (n < want) break;
  }
  return out;
}

bool WriteFully(int fd, std::span<const std::byte> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool WriteFullyAt(int fd, std::span<const std::byte> bytes, std::int64_t offset) {
  if (offset < 0) return false;
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::pwrite(fd, bytes.data() + done, bytes.size() - done,
                               static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

namespace {

constexpr std::string_view kTempInfix = ".tmp-";
constexpr std::size_t kTempSuffixLength = 8;
constexpr char kTempDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";

// A new, exclusively created and locked file next to `path`; its name goes to
// `tempPath`. The lock is taken before anyone could remove it as stale: the
// name must still point at the file once the lock is held.
UniqueFd CreateTempBeside(const std::string& path, std::string& tempPath) {
  std::random_device rd;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string suffix(kTempInfix);
    for (std::size_t i = 0; i < kTempSuffixLength; ++i) suffix += kTempDigits[rd() % 36];
    tempPath = path + suffix;
    // 0666 so the process umask decides, as for any newly created file.
    UniqueFd fd(::open(tempPath.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666));
    if (!fd) {
      if (errno == EEXIST) continue;
      break;
    }
    struct stat mine {
    }, named{};
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) == 0 && ::fstat(fd.get(), &mine) == 0 &&
        ::stat(tempPath.c_str(), &named) == 0 && mine.st_ino == named.st_ino &&
        mine.st_dev == named.st_dev) {
      return fd;
    }
  }
  const int saved = errno;
  tempPath.clear();
  errno = saved;
  return {};
}

void SyncFolder(const std::string& folder) {
  const UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir) ::fsync(dir.get());
}

// The file a write to `path` should replace: a symbolic link's target.
std::string ResolvedTarget(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  char* real = ::realpath(path.c_str(), nullptr);
  if (real == nullptr) return path;
  std::string out(real);
  std::free(real);
  return out;
}

bool CopyAll(int from, int to) {
  for (;;) {
    const ssize_t n = ::copy_file_range(from, nullptr, to, nullptr, 1 << 30, 0);
    if (n == 0) return true;
    if (n > 0) continue;
    if (errno == EINTR) continue;
    if (errno != EXDEV && errno != ENOSYS && errno != EOPNOTSUPP && errno != EINVAL) return false;
    break;  // not offered here: copy by hand
  }
  char chunk[65536];
  for (;;) {
    const std::size_t n = ReadUpTo(from, std::as_writable_bytes(std::span(chunk)));
    if (n == 0) return true;
    if (!WriteFully(to, std::as_bytes(std::span(chunk, n)))) return false;
  }
}

bool IsTemporaryOf(std::string_view entry, const std::function<bool(std::string_view name)>& ours) {
  const std::size_t infix = entry.rfind(kTempInfix);
  if (infix == std::string_view::npos || infix == 0 || !ours(entry.substr(0, infix))) return false;
  const std::string_view suffix = entry.substr(infix + kTempInfix.size());
  return suffix.size() == kTempSuffixLength &&
         suffix.find_first_not_of(kTempDigits) == std::string_view::npos;
}

}  // namespace

bool ReplacementFile::Create(const std::string& path, bool copyOld) {
  Discard();
  target_ = ResolvedTarget(path);
  UniqueFd old;
  if (copyOld) {
    old = OpenForReading(target_);
    if (!old) {
      if (errno == 0) errno = EINVAL;
      return false;
    }
  }
  fd_ = CreateTempBeside(target_, tempPath_);
  if (!fd_) return false;
  struct stat st {};
  const bool existed =
      old ? ::fstat(old.get(), &st) == 0 : ::stat(target_.c_str(), &st) == 0 && S_ISREG(st.st_mode);
  bool ok = true;
  if (existed) {
    // The owner only where that is allowed (root); the mode in any case.
    (void)!::fchown(fd_.get(), st.st_uid, st.st_gid);
    ok = ::fchmod(fd_.get(), st.st_mode & 07777) == 0;
  }
  if (ok && old) ok = CopyAll(old.get(), fd_.get()) && ::lseek(fd_.get(), 0, SEEK_SET) == 0;
  if (!ok) {
    const int saved = errno;
    Discard();
    errno = saved;
  }
  return ok;
}

bool ReplacementFile::Commit() {
  if (!fd_) return false;
  bool ok = ::fsync(fd_.get()) == 0;
  ok = (::close(fd_.release()) == 0) && ok;
  ok = ok && ::rename(tempPath_.c_str(), target_.c_str()) == 0;
  if (!ok) {
    Discard();
    return false;
  }
  tempPath_.clear();
  SyncFolder(std::string(ParentFolderToOpen(target_)));
  return true;
}

void ReplacementFile::Discard() {
  fd_.reset();
  if (!tempPath_.empty()) ::unlink(tempPath_.c_str());
  tempPath_.clear();
}

void RemoveStaleTemporaries(const std::string& folder,
                            const std::function<bool(std::string_view name)>& ours) {
  const UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!dir) return;
  DIR* d = ::fdopendir(::dup(dir.get()));
  if (d == nullptr) return;
  while (const dirent* e = ::readdir(d)) {
    if (!IsTemporaryOf(e->d_name, ours)) continue;
    // Only a file nobody holds locked: a live writer keeps its lock.
    const UniqueFd f(
        ::openat(dir.get(), e->d_name, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    struct stat st {};
    if (!f || ::fstat(f.get(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    if (::flock(f.get(), LOCK_EX | LOCK_NB) == 0) ::unlinkat(dir.get(), e->d_name, 0);
  }
  ::closedir(d);
}

bool WriteAtomicallyWith(const std::string& path, const std::function<bool(int fd)>& fill) {
  ReplacementFile file;
  if (!file.Create(path)) return false;
  if (!fill(file.fd())) return false;
  return file.Commit();
}

bool WriteAtomically(const std::string& path, std::span<const std::byte> bytes) {
  return WriteAtomicallyWith(path, [bytes](int fd) { return WriteFully(fd, bytes); });
}

bool WriteAtomically(const std::string& path, std::string_view bytes) {
  return WriteAtomically(path, std::as_bytes(std::span(bytes.data(), bytes.size())));
}

}  // namespace ordano
