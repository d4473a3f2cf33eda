// ARJ archives: the published header format read directly (libarchive has
// no ARJ reader). Only headers are read; nothing is unpacked.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "scan/archive/archiver.h"
#include "scan/archive/member_headers.h"

namespace ordano {

struct ArjMember {
  std::string name;  // stored bytes, "/" separators
  std::uint64_t originalSize = 0;
  std::uint64_t compressedSize = 0;
  std::uint32_t crc = 0;  // CRC-32 of the original data, as stored
  // MS-DOS time (time in the low word, date in the high word); Unix seconds
  // when the archive was made on UNIX or NeXT.
  std::uint32_t dosDateTime = 0;
  int hostOs = 0;
  int fileType = 0;  // 0 binary, 1 text, 3 folder
  int method = 0;
  bool encrypted = false;
};

class ArjReader {
 public:
  explicit ArjReader(int fd) : in_(fd) {}
  // Finds and checks the main header (also behind a self-extracting stub).
  bool Open();
  // The next file or folder; nullopt at the end of the archive or at the first
  // header that does not check out.
  std::optional<ArjMember> Next();

 private:
  struct Header {
    std::uint64_t start = 0;  // offset of the header id
    std::uint64_t end = 0;    // offset after the extended headers
    std::size_t basicSize = 0;
  };
  std::optional<Header> ReadHeaderAt(std::uint64_t pos);

  WindowReader in_;
  std::uint64_t next_ = 0;
  bool ended_ = true;
  // Bytes of the last basic header read.
  std::string basic_;
};

// The archiver for ARJ archives over ArjReader.
std::shared_ptr<const Archiver> MakeArjArchiver();

}  // namespace ordano
