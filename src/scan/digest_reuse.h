// Digests kept from earlier runs: a file whose stamp (size, modification time
// to the nanosecond, inode) is the one recorded with its digest is not read
// again. The run supplies the store behind it (the library); the scan only
// asks and reports.
#pragma once

#include <sys/stat.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace ordano {

struct FileStamp {
  std::uint64_t size = 0;
  std::int64_t mtimeNs = 0;
  std::uint64_t inode = 0;
  bool operator==(const FileStamp&) const = default;
};

inline FileStamp StampOf(const struct stat& st) {
  return {static_cast<std::uint64_t>(st.st_size),
          static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
          static_cast<std::uint64_t>(st.st_ino)};
}

// Called from the digest workers as well as the run's thread: implementations
// are thread-safe. `path` is the file's path as the walk names it, `device`
// its st_dev.
class DigestReuse {
 public:
  virtual ~DigestReuse() = default;
  // The digest kept for this file when its stamp is the one kept with it.
  virtual std::optional<std::array<std::uint8_t, 16>> Known(std::string_view path,
                                                            std::uint64_t device,
                                                            const FileStamp& stamp) = 0;
  // A digest just made; `stamp` was the same before and after the read.
  virtual void Made(std::string_view path, std::uint64_t device, const FileStamp& stamp,
                    const std::array<std::uint8_t, 16>& md5) = 0;
};

}  // namespace ordano
