// RAR 1.5-4.x block walk: file blocks carry the packed size and the CRC-32
// of the unpacked data.
#include <cstring>

#include "scan/archive/member_headers.h"

namespace ordano {
namespace {

constexpr unsigned char kMarker[7] = {'R', 'a', 'r', '!', 0x1a, 0x07, 0x00};
constexpr int kMainBlock = 0x73;
constexpr int kFileBlock = 0x74;
constexpr int kEndBlock = 0x7b;
constexpr std::uint16_t kLongBlock = 0x8000;      // ADD_SIZE follows the header
constexpr std::uint16_t kMainEncrypted = 0x0080;  // block headers are encrypted
constexpr std::uint16_t kFileSplit = 0x0003;      // continued from/into another volume
constexpr std::uint16_t kFileLarge = 0x0100;      // 64-bit sizes
constexpr std::uint16_t kFileUnicode = 0x0200;    // the name has a Unicode form

}  // namespace

std::vector<HeaderFacts> ReadRar4Headers(int fd) {
  WindowReader in(fd);
  std::vector<HeaderFacts> out;
  const unsigned char* m = in.Need(0, sizeof kMarker);
  if (m == nullptr || std::memcmp(m, kMarker, sizeof kMarker) != 0) return out;
  std::uint64_t pos = sizeof kMarker;
  while (true) {
    const unsigned char* h = in.Need(pos, 7);
    if (h == nullptr) break;
    const int type = h[2];
    const std::uint16_t flags = Le16(h + 3);
    const std::uint64_t headSize = Le16(h + 5);
    if (headSize < 7) break;
    std::uint64_t addSize = 0;
    if (type == kMainBlock && (flags & kMainEncrypted) != 0) return {};
    if (type == kEndBlock) break;
    if (type == kFileBlock) {
      if (headSize < 32) break;
      h = in.Need(pos, static_cast<std::size_t>(headSize));
      if (h == nullptr) break;
      HeaderFacts f;
      std::uint64_t packed = Le32(h + 7);
      std::uint64_t unpacked = Le32(h + 11);
      if ((flags & kFileLarge) != 0) {
        if (headSize < 40) break;
        packed |= static_cast<std::uint64_t>(Le32(h + 32)) << 32;
        unpacked |= static_cast<std::uint64_t>(Le32(h + 36)) << 32;
      }
      f.compressedSize = packed;
      f.originalSize = unpacked;
      // Names without a Unicode form are bytes in the packer's code page.
      const std::size_t nameAt = (flags & kFileLarge) != 0 ? 40 : 32;
      const std::size_t nameSize = Le16(h + 26);
      if ((flags & kFileUnicode) == 0 && nameAt + nameSize <= headSize) {
        f.storedPath.assign(reinterpret_cast<const char*>(h + nameAt), nameSize);
      }
      // A part of a file split over volumes carries the CRC of its own part.
      if ((flags & kFileSplit) == 0) f.crc32 = Le32(h + 16);
      out.push_back(std::move(f));
      addSize = packed;
    } else if ((flags & kLongBlock) != 0) {
      const unsigned char* a = in.Need(pos + 7, 4);
      if (a == nullptr) break;
      addSize = Le32(a);
    }
    pos += headSize + addSize;
  }
  return out;
}

}  // namespace ordano
