// LHA header walk: each header says how far the next one lies, so sizes and
// stored names come without reading member data.
#include "scan/archive/member_headers.h"

namespace ordano {
namespace {

constexpr unsigned char kExtFileName = 0x01;
constexpr unsigned char kExtFolderName = 0x02;

bool LooksLikeMethod(const unsigned char* m) { return m[0] == '-' && m[1] == 'l' && m[4] == '-'; }

// Folder names separate their parts with 0xFF, a byte neither CP932 nor
// UTF-8 uses, so it can become "/" before the name is decoded.
std::string FolderPart(const unsigned char* p, std::size_t n) {
  std::string out(reinterpret_cast<const char*>(p), n);
  for (auto& c : out) {
    if (static_cast<unsigned char>(c) == 0xFF) c = '/';
  }
  if (!out.empty() && out.back() != '/') out.push_back('/');
  return out;
}

// Takes the names an extension header carries.
void TakeExtension(const unsigned char* e, std::size_t bodySize, std::string& folder,
                   std::string& name) {
  if (e[0] == kExtFileName) name.assign(reinterpret_cast<const char*>(e + 1), bodySize);
  if (e[0] == kExtFolderName) folder = FolderPart(e + 1, bodySize);
}

}  // namespace

std::vector<HeaderFacts> ReadLzhHeaders(int fd) {
  WindowReader in(fd);
  std::vector<HeaderFacts> out;
  std::uint64_t pos = 0;
  while (true) {
    const unsigned char* p = in.Need(pos, 1);
    if (p == nullptr || p[0] == 0) break;  // a zero byte ends the archive
    p = in.Need(pos, 27);
    if (p == nullptr || !LooksLikeMethod(p + 2)) break;
    HeaderFacts f;
    f.originalSize = Le32(p + 11);
    const std::uint64_t packed = Le32(p + 7);
    const int level = p[20];
    const int baseSize = p[0];
    std::uint64_t headerSize = 0;
    std::uint64_t dataSize = packed;
    std::string folder, name;
    // `p` is not used below the first further read (the window may move).
    switch (level) {
      case 0:
      case 1: {
        headerSize = 2u + baseSize;
        const std::size_t nameLength = p[21];
        if (headerSize < 24u + nameLength) return out;
        const unsigned char* h = in.Need(pos, static_cast<std::size_t>(headerSize));
        if (h == nullptr) return out;
        name.assign(reinterpret_cast<const char*>(h + 22), nameLength);
        f.compressedSize = packed;
        if (level == 0) break;
        // Level 1: the "skip size" covers the extension headers as well as
        // the data; each extension header ends with the size of the next.
        if (headerSize < 27u + nameLength) return out;
        std::uint64_t extSize = Le16(h + headerSize - 2);
        std::uint64_t extPos = pos + headerSize;
        std::uint64_t extTotal = 0;
        while (extSize != 0) {
          const std::uint64_t size = extSize;
          if (size < 3 || extTotal + size > packed) return out;
          const unsigned char* e = in.Need(extPos, static_cast<std::size_t>(size));
          if (e == nullptr) return out;
          TakeExtension(e, static_cast<std::size_t>(size - 3), folder, name);
          extTotal += size;
          extPos += size;
          extSize = Le16(e + size - 2);
        }
        f.compressedSize = packed - extTotal;
        dataSize = f.compressedSize;
        headerSize += extTotal;
        break;
      }
      case 2: {
        headerSize = Le16(p);
        if (headerSize < 26) return out;
        const unsigned char* h = in.Need(pos, static_cast<std::size_t>(headerSize));
        if (h == nullptr) return out;
        std::size_t extPos = 26;
        std::size_t extSize = Le16(h + 24);
        while (extSize != 0) {
          if (extSize < 3 || extPos + extSize > headerSize) return out;
          TakeExtension(h + extPos, extSize - 3, folder, name);
          extPos += extSize;
          extSize = Le16(h + extPos - 2);
        }
        f.compressedSize = packed;
        break;
      }
      case 3: {
        const unsigned char* q = in.Need(pos, 32);
        if (q == nullptr || Le16(q) != 4) return out;
        headerSize = Le32(q + 24);
        if (headerSize < 32) return out;
        f.compressedSize = packed;
        break;
      }
      default:
        return out;
    }
    if (level <= 2) f.storedPath = folder + name;
    out.push_back(std::move(f));
    pos += headerSize + dataSize;
    if (pos >= in.length()) break;
  }
  return out;
}

}  // namespace ordano
