// The central directory of a zip archive: sizes and stored CRC-32 of every
// member, read from the end of the file without touching member data.
#include <zlib.h>

#include <algorithm>
#include <string_view>

#include "scan/archive/member_headers.h"

namespace ordano {

namespace {

constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::uint32_t kEnd64Signature = 0x06064b50;
constexpr std::uint32_t kEnd64LocatorSignature = 0x07064b50;
constexpr std::uint32_t kCentralSignature = 0x02014b50;
constexpr std::uint32_t kLocalSignature = 0x04034b50;
constexpr std::size_t kLocalSize = 30;
constexpr std::size_t kEndSize = 22;
constexpr std::size_t kCentralSize = 46;

struct DirectoryPlace {
  std::uint64_t start = 0;
  std::uint64_t size = 0;
};

// The end record is the last signature whose comment fits into the file.
std::optional<std::uint64_t> FindEndRecord(WindowReader& in) {
  const std::uint64_t len = in.length();
  if (len < kEndSize) return std::nullopt;
  const std::uint64_t span = std::min<std::uint64_t>(len, kEndSize + 0xFFFF);
  const std::uint64_t from = len - span;
  const unsigned char* p = in.Need(from, static_cast<std::size_t>(span));
  if (p == nullptr) return std::nullopt;
  for (std::uint64_t i = span - kEndSize + 1; i-- > 0;) {
    if (Le32(p + i) != kEndSignature) continue;
    const std::uint64_t commentLength = Le16(p + i + 20);
    if (i + kEndSize + commentLength <= span) return from + i;
  }
  return std::nullopt;
}

std::optional<DirectoryPlace> LocateDirectory(WindowReader& in) {
  const auto endPos = FindEndRecord(in);
  if (!endPos) return std::nullopt;
  const unsigned char* e = in.Need(*endPos, kEndSize);
  if (e == nullptr) return std::nullopt;
  std::uint64_t size = Le32(e + 12);
  std::uint64_t directoryEnd = *endPos;

  // Zip64: the locator right before the end record points at the larger one.
  if (*endPos >= 20) {
    const unsigned char* loc = in.Need(*endPos - 20, 20);
    if (loc != nullptr && Le32(loc) == kEnd64LocatorSignature) {
      const std::uint64_t end64 = Le64(loc + 8);
      const std::uint64_t end64Pos = *endPos - 20 >= 56 ? *endPos - 20 - 56 : 0;
      // Prefer the record where the locator says; fall back to right before it
      // (archives with data prepended shift every offset).
      for (const std::uint64_t pos : {end64, end64Pos}) {
        const unsigned char* r = in.Need(pos, 56);
        if (r != nullptr && Le32(r) == kEnd64Signature) {
          size = Le64(r + 40);
          directoryEnd = pos;
          break;
        }
      }
    }
  }
  // The directory ends where the end records begin; its stored offset is not
  // trusted (self-extracting archives carry a stub in front).
  if (size > directoryEnd) return std::nullopt;
  return DirectoryPlace{directoryEnd - size, size};
}

// A folder by its name, or by the attributes of the system that made it
// (Unix mode bits, or the MS-DOS folder attribute).
bool IsFolderEntry(const unsigned char* h, std::string_view name) {
  if (!name.empty() && name.back() == '/') return true;
  const int host = h[5];
  const std::uint32_t attributes = Le32(h + 38);
  constexpr int kHostUnix = 3;
  if (host == kHostUnix && (attributes >> 16) != 0)
    return ((attributes >> 16) & 0170000) == 0040000;
  return (attributes & 0x10) != 0;
}

struct Located {
  std::uint64_t localOffset;
  HeaderFacts facts;
};

}  // namespace

std::vector<HeaderFacts> ReadZipDirectory(int fd) {
  WindowReader in(fd);
  const auto place = LocateDirectory(in);
  if (!place) return {};

  std::vector<Located> found;
  std::uint64_t pos = place->start;
  const std::uint64_t end = place->start + place->size;
  while (pos + kCentralSize <= end) {
    const unsigned char* h = in.Need(pos, kCentralSize);
    if (h == nullptr || Le32(h) != kCentralSignature) break;
    const std::size_t nameLength = Le16(h + 28);
    const std::size_t extraLength = Le16(h + 30);
    const std::size_t commentLength = Le16(h + 32);
    const std::size_t total = kCentralSize + nameLength + extraLength + commentLength;
    if (pos + total > end) break;
    h = in.Need(pos, total);
    if (h == nullptr) break;

    Located m{};
    m.facts.dosTime = Le16(h + 12);
    m.facts.dosDate = Le16(h + 14);
    m.facts.crc32 = Le32(h + 16);
    m.facts.compressedSize = Le32(h + 20);
    m.facts.originalSize = Le32(h + 24);
    m.localOffset = Le32(h + 42);
    m.facts.rawName.assign(reinterpret_cast<const char*>(h + kCentralSize), nameLength);
    m.facts.folder = IsFolderEntry(h, m.facts.rawName);

    // Zip64 extra field: only the fields whose 32-bit value is saturated, in order.
    const unsigned char* x = h + kCentralSize + nameLength;
    const unsigned char* xEnd = x + extraLength;
    while (xEnd - x >= 4) {
      const std::uint16_t id = Le16(x);
      const std::size_t len = Le16(x + 2);
      const unsigned char* body = x + 4;
      if (static_cast<std::size_t>(xEnd - body) < len) break;
      if (id == 0x0001) {
        const unsigned char* f = body;
        const unsigned char* fEnd = body + len;
        auto take = [&](std::uint64_t& field) {
          if (field != 0xFFFFFFFFu) return;
          if (fEnd - f < 8) return;
          field = Le64(f);
          f += 8;
        };
        take(m.facts.originalSize);
        take(m.facts.compressedSize);
        take(m.localOffset);
      } else if (id == 0x5455 && len >= 5 && (body[0] & 1) != 0) {
        m.facts.unixTime = Le32(body + 1);  // extended timestamp: the modification time
      } else if (id == 0x7075 && len > 5 && body[0] == 1) {
        // Info-ZIP Unicode path: valid only for the name it was made for.
        const std::string_view raw = m.facts.rawName;
        const auto crc = static_cast<std::uint32_t>(
            crc32_z(crc32_z(0, Z_NULL, 0), reinterpret_cast<const Bytef*>(raw.data()), raw.size()));
        if (Le32(body + 1) == crc) {
          m.facts.storedPath.assign(reinterpret_cast<const char*>(body + 5), len - 5);
        }
      }
      x = body + len;
    }
    found.push_back(std::move(m));
    pos += total;
  }

  // libarchive visits members by their position in the file.
  std::stable_sort(found.begin(), found.end(), [](const Located& a, const Located& b) {
    return a.localOffset < b.localOffset;
  });
  std::vector<HeaderFacts> out;
  out.reserve(found.size());
  for (auto& m : found) out.push_back(std::move(m.facts));
  return out;
}

std::optional<HeaderFacts> ReadZipLocalHeader(int fd, std::uint64_t offset) {
  WindowReader in(fd);
  const unsigned char* h = in.Need(offset, kLocalSize);
  if (h == nullptr || Le32(h) != kLocalSignature) return std::nullopt;
  const std::uint16_t flags = Le16(h + 6);
  const std::size_t nameLength = Le16(h + 26);
  const std::size_t extraLength = Le16(h + 28);
  HeaderFacts f;
  f.dosTime = Le16(h + 10);
  f.dosDate = Le16(h + 12);
  const std::uint32_t crc = Le32(h + 14);
  f.compressedSize = Le32(h + 18);
  f.originalSize = Le32(h + 22);
  h = in.Need(offset, kLocalSize + nameLength + extraLength);
  if (h == nullptr) return std::nullopt;
  f.rawName.assign(reinterpret_cast<const char*>(h + kLocalSize), nameLength);
  // Bit 3: CRC and sizes follow the data; the header holds zeros.
  if ((flags & 0x08) != 0) {
    f.compressedSize = 0;
    return f;
  }
  f.crc32 = crc;
  const unsigned char* x = h + kLocalSize + nameLength;
  const unsigned char* xEnd = x + extraLength;
  while (xEnd - x >= 4) {
    const std::size_t len = Le16(x + 2);
    if (static_cast<std::size_t>(xEnd - x - 4) < len) break;
    // Zip64 in a local header: both sizes, original first.
    if (Le16(x) == 0x0001 && len >= 16 && f.compressedSize == 0xFFFFFFFFu) {
      f.originalSize = Le64(x + 4);
      f.compressedSize = Le64(x + 12);
    }
    x += 4 + len;
  }
  return f;
}

}  // namespace ordano
