#include "scan/folder_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>

#include "platform/time_text.h"

namespace ordano {

// Entries are read as the kernel writes them (struct linux_dirent64), which on
// this platform is glibc's struct dirent, as its own readdir hands them out.
static_assert(sizeof(dirent::d_ino) == 8 && offsetof(dirent, d_reclen) == 16 &&
              offsetof(dirent, d_type) == 18 && offsetof(dirent, d_name) == 19);

namespace {

UniqueFd OpenFolderFd(int at, const char* name, bool followLink, FolderId& id) {
  const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (followLink ? 0 : O_NOFOLLOW);
  UniqueFd fd(::openat(at, name, flags));
  if (!fd) return {};
  struct stat self;
  if (::fstat(fd.get(), &self) != 0) return {};
  id = {static_cast<std::uint64_t>(self.st_dev), static_cast<std::uint64_t>(self.st_ino)};
  return fd;
}

}  // namespace

std::optional<OpenFolder> OpenFolder::Open(int at, const char* name, bool followLink) {
  OpenFolder folder;
  UniqueFd fd = OpenFolderFd(at, name, followLink, folder.id_);
  if (!fd) return std::nullopt;
  folder.fd_ = std::make_shared<const UniqueFd>(std::move(fd));
  folder.buffer_ = std::make_unique_for_overwrite<std::byte[]>(kListBuffer);
  return folder;
}

bool OpenFolder::Reopen(int at, const char* name, bool followLink) {
  FolderId id;
  UniqueFd fd = OpenFolderFd(at, name, followLink, id);
  if (!fd) return false;
  if (id != id_) {
    errno = ENOENT;  // the folder that was here is gone
    return false;
  }
  fd_ = std::make_shared<const UniqueFd>(std::move(fd));
  return true;
}

const dirent* OpenFolder::Next() {
  while (buffer_) {
    if (next_ >= used_) {
      const long n = ::syscall(SYS_getdents64, fd_->get(), buffer_.get(), kListBuffer);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) listError_ = errno;
      if (n <= 0) {
        EndListing();
        return nullptr;
      }
      used_ = static_cast<std::size_t>(n);
      next_ = 0;
    }
    const auto* d = reinterpret_cast<const dirent*>(buffer_.get() + next_);
    next_ += d->d_reclen;
    const char* n = d->d_name;
    if (n[0] == '.' && (n[1] == '\0' || (n[1] == '.' && n[2] == '\0'))) continue;
    return d;
  }
  return nullptr;
}

EntryStatus StatEntry(int dirFd, const char* name, bool followLink) {
  EntryStatus out;
  struct statx sx;
  const int flags = AT_NO_AUTOMOUNT | (followLink ? 0 : AT_SYMLINK_NOFOLLOW);
  if (::statx(dirFd, name, flags, STATX_TYPE | STATX_SIZE | STATX_MTIME | STATX_BTIME | STATX_INO,
              &sx) != 0) {
    out.error = errno;
    return out;
  }
  if (sx.stx_mask & STATX_MTIME) {
    out.mtimeNs =
        static_cast<std::int64_t>(sx.stx_mtime.tv_sec) * 1000000000 + sx.stx_mtime.tv_nsec;
  }
  out.inode = sx.stx_ino;
  out.device = makedev(sx.stx_dev_major, sx.stx_dev_minor);
  out.size = sx.stx_size;
  out.modified = (sx.stx_mask & STATX_MTIME) ? sx.stx_mtime.tv_sec : FallbackUnixTime();
  out.created = (sx.stx_mask & STATX_BTIME) ? sx.stx_btime.tv_sec : out.modified;
  if (S_ISREG(sx.stx_mode)) {
    out.kind = EntryKind::File;
  } else if (S_ISDIR(sx.stx_mode)) {
    out.kind = EntryKind::Folder;
  } else if (S_ISLNK(sx.stx_mode)) {
    out.kind = EntryKind::Link;
  } else {
    out.kind = EntryKind::Other;
  }
  return out;
}

bool IsRealFolder(int dirFd, const dirent& d) {
  if (d.d_type == DT_DIR) return true;
  if (d.d_type != DT_UNKNOWN) return false;
  struct stat st;
  return ::fstatat(dirFd, d.d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace ordano
