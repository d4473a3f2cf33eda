// The headers of a 7z archive: names, sizes, stored CRC-32, times and
// attributes of every member, read without unpacking member data. Only the
// header block itself may need unpacking (LZMA or LZMA2, by liblzma).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "scan/archive/archiver.h"

namespace ordano {

enum class SevenZipStatus {
  Listed,            // members holds every member the headers name
  Unreadable,        // no 7z signature, damaged or unsupported headers
  EncryptedHeaders,  // the header block is encrypted: nothing can be read
};

struct SevenZipListing {
  SevenZipStatus status = SevenZipStatus::Unreadable;
  // In header order. Folders carry attributes "d"; anti-items (deletion
  // marks of update archives) are no members and are left out. A member of
  // a solid block has the block's ratio; its CRC is 0 when none is stored.
  std::vector<MemberRecord> members;
};

SevenZipListing ReadSevenZipHeaders(int fd);

// The same over a whole archive in memory.
SevenZipListing ParseSevenZip(std::span<const unsigned char> archive);

}  // namespace ordano
