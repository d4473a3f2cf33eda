#include "platform/file_handle.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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

// A new, exclusively created file next to `path`; its name goes to `tempPath`.
UniqueFd CreateTempBeside(const std::string& path, std::string& tempPath) {
  std::random_device rd;
  static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string suffix = ".tmp-";
    for (int i = 0; i < 8; ++i) suffix += kDigits[rd() % 36];
    tempPath = path + suffix;
    // 0666 so the process umask decides, as for any newly created file.
    UniqueFd fd(::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666));
    if (fd) return fd;
    if (errno != EEXIST) break;
  }
  tempPath.clear();
  return {};
}

void SyncFolder(const std::string& folder) {
  const UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir) ::fsync(dir.get());
}

}  // namespace

bool WriteAtomicallyWith(const std::string& path, const std::function<bool(int fd)>& fill) {
  std::string tempPath;
  UniqueFd fd = CreateTempBeside(path, tempPath);
  if (!fd) return false;
  struct stat old {};
  bool ok = true;
  if (::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
    ok = ::fchmod(fd.get(), old.st_mode & 07777) == 0;
  }
  ok = ok && fill(fd.get()) && ::fsync(fd.get()) == 0;
  const int fdNumber = fd.release();
  ok = (::close(fdNumber) == 0) && ok;
  ok = ok && ::rename(tempPath.c_str(), path.c_str()) == 0;
  if (!ok) {
    ::unlink(tempPath.c_str());
    return false;
  }
  SyncFolder(std::string(ParentFolderToOpen(path)));
  return true;
}

bool WriteAtomically(const std::string& path, std::span<const std::byte> bytes) {
  return WriteAtomicallyWith(path, [bytes](int fd) { return WriteFully(fd, bytes); });
}

bool WriteAtomically(const std::string& path, std::string_view bytes) {
  return WriteAtomically(path, std::as_bytes(std::span(bytes.data(), bytes.size())));
}

}  // namespace ordano
