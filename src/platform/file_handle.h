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

// A file written beside `path` that takes its place only when committed, so
// a reader (or a crash) never sees it half-written. It is named
// "<name>.tmp-XXXXXXXX" and locked while it lives, so RemoveStaleTemporaries
// can tell a live one from one left by a killed process. A symbolic link at
// `path` is followed: its target is replaced, the link stays.
class ReplacementFile {
 public:
  ReplacementFile() = default;
  ~ReplacementFile() { Discard(); }
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  // Creates the file. With copyOld, it starts as a copy of the existing
  // regular file at `path` (which must exist); otherwise empty. The old
  // file's permission bits (and, where allowed, its owner) are taken over.
  // False with errno set when it cannot be made.
  bool Create(const std::string& path, bool copyOld = false);
  int fd() const { return fd_.get(); }
  // Flushes to disk and renames over the destination; false (and the
  // temporary file removed, the destination untouched) when anything fails.
  bool Commit();
  // Removes the temporary file; the destination stays as it was.
  void Discard();

 private:
  UniqueFd fd_;
  std::string tempPath_, target_;
};

// Removes the temporary files in `folder` whose destination name `ours`
// accepts and that no live writer holds: leftovers of a killed run.
void RemoveStaleTemporaries(const std::string& folder,
                            const std::function<bool(std::string_view name)>& ours);

// Replaces `path` in one step: the content goes to a new file in the same
// folder, is flushed to disk and renamed over the old one, so a reader never
// sees a half-written file. `fill` writes the content into the new file's
// descriptor. An existing file's permission bits are kept. False, with no
// temporary file left behind, when anything fails.
bool WriteAtomicallyWith(const std::string& path, const std::function<bool(int fd)>& fill);
bool WriteAtomically(const std::string& path, std::span<const std::byte> bytes);
bool WriteAtomically(const std::string& path, std::string_view bytes);

}  // namespace ordano
