// What the headers of an archive record about its members and libarchive
// does not hand out: the compressed size and, where stored, the CRC-32.
// Each reader only walks headers; no member data is read or unpacked.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ordano {

struct HeaderFacts {
  std::uint64_t originalSize = 0;
  std::uint64_t compressedSize = 0;
  std::optional<std::uint32_t> crc32;  // a stored CRC-32 of the member's data
  std::string rawName;                 // the stored name, when it can be compared
  bool folder = false;                 // a folder entry, by name or attributes
  // The stored path when libarchive cannot hand it out unchanged (it turns
  // every 0x5C byte of LHA and old RAR names into "/", also inside CP932
  // characters): folder parts joined with "/", "\" left as stored.
  std::string storedPath;
  // Zip: the central directory's MS-DOS time, and the Unix time of its
  // extended-timestamp field when it has one.
  std::uint16_t dosDate = 0;
  std::uint16_t dosTime = 0;
  std::optional<std::int64_t> unixTime;
};

// Members of a zip by its central directory, in the order of their data in
// the file (ascending local header offset); empty when the archive has no
// readable central directory. A UTF-8 name from an Info-ZIP Unicode path
// field that belongs to the stored name replaces it.
std::vector<HeaderFacts> ReadZipDirectory(int fd);

// What the local header at `offset` stores: the CRC-32 and the compressed
// size when they precede the data (no data descriptor), and the raw name.
std::optional<HeaderFacts> ReadZipLocalHeader(int fd, std::uint64_t offset);

// Members of an LHA archive (header levels 0 to 3) in file order; the walk
// stops at the first header it cannot read.
std::vector<HeaderFacts> ReadLzhHeaders(int fd);

// Members of a RAR 1.5-4.x archive in file order; empty for RAR 5 and for
// archives with encrypted headers.
std::vector<HeaderFacts> ReadRar4Headers(int fd);

// Little-endian fields.
inline std::uint16_t Le16(const unsigned char* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t Le32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::uint64_t Le64(const unsigned char* p) {
  return static_cast<std::uint64_t>(Le32(p)) | (static_cast<std::uint64_t>(Le32(p + 4)) << 32);
}

// Length of an open file; 0 when it cannot be read.
std::uint64_t FileLength(int fd);

// Reads a file through one window that moves forward as the walk asks for
// bytes, so a walk over many small headers makes few system calls.
class WindowReader {
 public:
  explicit WindowReader(int fd) : fd_(fd), length_(FileLength(fd)) {}
  std::uint64_t length() const { return length_; }
  // The `size` bytes at `offset`, valid until the next call; null when they
  // lie beyond the end of the file or cannot be read.
  const unsigned char* Need(std::uint64_t offset, std::size_t size);

 private:
  static constexpr std::size_t kWindow = 256 * 1024;
  int fd_;
  std::uint64_t length_;
  std::vector<unsigned char> buffer_;
  std::uint64_t start_ = 0;  // file offset of buffer_[0]
};

}  // namespace ordano
