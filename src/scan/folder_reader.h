// Enumeration for the folder walk: folders opened relative to their parent's
// descriptor (no path is ever longer than one name), their entries, and the
// status of each entry.
#pragma once

#include <dirent.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <utility>

#include "platform/file_handle.h"

namespace ordano {

// A folder's identity: device and inode.
using FolderId = std::pair<std::uint64_t, std::uint64_t>;

// One open folder. The descriptor stays open after the listing ends, so the
// folder's files and subfolders are opened relative to it.
class OpenFolder {
 public:
  // Opens `name` inside the folder `at` (AT_FDCWD with a full path for the
  // first folder). A symbolic link as the last component is followed only
  // when `followLink`. Nullopt when it cannot be opened or listed.
  static std::optional<OpenFolder> Open(int at, const char* name, bool followLink);

  // A folder listed before and not open now (its listing is held): Reopen
  // opens it when its descriptor is wanted.
  static OpenFolder Closed(FolderId id) {
    OpenFolder folder;
    folder.id_ = id;
    return folder;
  }

  int fd() const { return fd_->get(); }
  // Closes this folder's descriptor (work still holding it keeps it open
  // until done); the listing must have ended. Reopen brings it back.
  void Park() { fd_.reset(); }
  bool Parked() const { return fd_ == nullptr; }
  // Opens the parked folder again as Open would; false (errno set, ENOENT
  // when another folder now stands there) when that is no longer possible.
  bool Reopen(int at, const char* name, bool followLink);
  // The descriptor, shared with work that may outlive this folder's visit
  // (a queued digest).
  const std::shared_ptr<const UniqueFd>& SharedFd() const { return fd_; }
  FolderId id() const { return id_; }
  // The next entry other than "." and ".."; nullptr at the end (or on a
  // read error, then kept in ListError).
  const dirent* Next();
  int ListError() const { return listError_; }
  // Ends the listing (its buffer is released); fd() stays usable.
  void EndListing() {
    buffer_.reset();
    used_ = next_ = 0;
  }

 private:
  // The listing reads the folder's own descriptor with getdents64 into a
  // buffer of its own: no second descriptor and no DIR stream per folder.
  static constexpr std::size_t kListBuffer = 32768;
  std::shared_ptr<const UniqueFd> fd_;
  std::unique_ptr<std::byte[]> buffer_;
  std::size_t used_ = 0, next_ = 0;
  int listError_ = 0;
  FolderId id_{};
};

enum class EntryKind : std::uint8_t { File, Folder, Link, Other, Unreadable };

// What a row needs of one entry (32 bytes: a listing holds one per file).
struct EntryStatus {
  std::uint64_t size = 0;
  std::int64_t modified = 0;
  std::int64_t created = 0;  // birth time; the last-write time where there is none
  int error = 0;             // errno when Unreadable
  EntryKind kind = EntryKind::Unreadable;
  // What tells a file unchanged since its digest was kept: the time to the
  // nanosecond (negative where not read: a listing held between the passes
  // keeps it only for a run that reuses digests), the inode and the device.
  std::int64_t mtimeNs = -1;
  std::uint64_t inode = 0, device = 0;
};

// One statx of `name` inside `dirFd`: the target of a symbolic link when
// `followLink`, else the link itself (kind Link).
EntryStatus StatEntry(int dirFd, const char* name, bool followLink);

// Whether the entry is a real folder (links to folders are not).
bool IsRealFolder(int dirFd, const dirent& d);

}  // namespace ordano
