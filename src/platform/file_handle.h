// Owned file descriptors and the few whole-file operations the settings need:
// bounded reads and writes that replace a file in one step.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace ordano {

class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd() { reset(); }
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  int get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }
  int release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  void reset(int fd = -1);

 private:
  int fd_ = -1;
};

// Opens an existing regular file for reading; an empty handle for anything
// else (missing, a folder, a pipe that would block, no permission).
UniqueFd OpenForReading(const std::string& path);

// Reads until the buffer is full or the file ends; returns the bytes read.
// A read error ends the read like the end of the file.
std::size_t ReadUpTo(int fd, std::span<std::byte> buffer);

// The same at a fixed offset, leaving the file position alone.
std::size_t ReadUpToAt(int fd, std::span<std::byte> buffer, std::int64_t offset);

// The whole content of a regular file, at most `limit` bytes; nullopt when
// the file cannot be opened.
std::optional<std::string> ReadAll(const std::string& path,
                                   std::size_t limit = static_cast<std::size_t>(-1));

// Writes all bytes, retrying short writes; false on any error.
bool WriteFully(int fd, std::span<const std::byte> bytes);
bool WriteFullyAt(int fd, std::span<const std::byte> bytes, std::int64_t offset);

// Replaces `path` in one step: the content goes to a new file in the same
// folder, is flushed to disk and renamed over the old one, so a reader never
// sees a half-written file. `fill` writes the content into the new file's
// descriptor. An existing file's permission bits are kept. False, with no
// temporary file left behind, when anything fails.
bool WriteAtomicallyWith(const std::string& path, const std::function<bool(int fd)>& fill);
bool WriteAtomically(const std::string& path, std::span<const std::byte> bytes);
bool WriteAtomically(const std::string& path, std::string_view bytes);

}  // namespace ordano
