#include "scan/archive/arj_reader.h"

#include <zlib.h>

#include <cstdio>
#include <cstring>

#include "platform/file_handle.h"

namespace ordano {
namespace {

constexpr unsigned char kId0 = 0x60;
constexpr unsigned char kId1 = 0xEA;
constexpr std::size_t kMaxBasicSize = 2600;
constexpr std::size_t kMinFirstSize = 30;
// A self-extracting stub in front of the main header is at most this long.
constexpr std::uint64_t kSearchLimit = 512 * 1024;

constexpr int kTypeComment = 2;  // the main header's type
constexpr int kTypeFolder = 3;
constexpr unsigned char kFlagGarbled = 0x01;
// Hosts whose archivers store the modification time as Unix seconds.
constexpr int kHostUnix = 2;
constexpr int kHostNext = 8;

}  // namespace

// Header: id (2), basic size (2), basic header, CRC-32 of it (4), then
// extended headers (size (2), data, CRC-32 (4)) ending with a size of 0.
std::optional<ArjReader::Header> ArjReader::ReadHeaderAt(std::uint64_t pos) {
  const unsigned char* p = in_.Need(pos, 4);
  if (p == nullptr || p[0] != kId0 || p[1] != kId1) return std::nullopt;
  Header h;
  h.start = pos;
  h.basicSize = Le16(p + 2);
  if (h.basicSize == 0) {  // end of archive
    h.end = pos + 4;
    return h;
  }
  if (h.basicSize > kMaxBasicSize) return std::nullopt;
  p = in_.Need(pos + 4, h.basicSize + 4);
  if (p == nullptr) return std::nullopt;
  const uLong crc = crc32_z(crc32_z(0, Z_NULL, 0), p, h.basicSize);
  if (static_cast<std::uint32_t>(crc) != Le32(p + h.basicSize)) return std::nullopt;
  basic_.assign(reinterpret_cast<const char*>(p), h.basicSize);

  std::uint64_t q = pos + 4 + h.basicSize + 4;
  while (true) {
    const unsigned char* e = in_.Need(q, 2);
    if (e == nullptr) return std::nullopt;
    const std::uint64_t size = Le16(e);
    q += 2;
    if (size == 0) break;
    q += size + 4;
    if (q > in_.length()) return std::nullopt;
  }
  h.end = q;
  return h;
}

bool ArjReader::Open() {
  ended_ = true;
  const std::uint64_t limit = std::min(in_.length(), kSearchLimit);
  for (std::uint64_t pos = 0; pos + 4 <= limit;) {
    const std::size_t chunk =
        static_cast<std::size_t>(std::min<std::uint64_t>(limit - pos, 64 * 1024));
    const unsigned char* p = in_.Need(pos, chunk);
    if (p == nullptr) return false;
    const void* hit = std::memchr(p, kId0, chunk);
    if (hit == nullptr) {
      pos += chunk;
      continue;
    }
    const std::uint64_t at =
        pos + static_cast<std::uint64_t>(static_cast<const unsigned char*>(hit) - p);
    const auto h = ReadHeaderAt(at);
    if (h && h->basicSize >= kMinFirstSize &&
        static_cast<unsigned char>(basic_[0]) <= h->basicSize && basic_[6] == kTypeComment) {
      next_ = h->end;
      ended_ = false;
      return true;
    }
    pos = at + 1;
  }
  return false;
}

std::optional<ArjMember> ArjReader::Next() {
  while (!ended_) {
    const auto h = ReadHeaderAt(next_);
    if (!h || h->basicSize == 0 || h->basicSize < kMinFirstSize) break;
    const auto* b = reinterpret_cast<const unsigned char*>(basic_.data());
    const std::size_t firstSize = b[0];
    if (firstSize < kMinFirstSize || firstSize > h->basicSize) break;
    ArjMember m;
    m.hostOs = b[3];
    m.encrypted = (b[4] & kFlagGarbled) != 0;
    m.method = b[5];
    m.fileType = b[6];
    m.dosDateTime = Le32(b + 8);
    m.compressedSize = Le32(b + 12);
    m.originalSize = Le32(b + 16);
    m.crc = Le32(b + 20);
    const char* name = basic_.data() + firstSize;
    m.name.assign(name, strnlen(name, h->basicSize - firstSize));
    next_ = h->end + m.compressedSize;
    // Comments, volume and chapter labels are no members.
    if (m.fileType == 0 || m.fileType == 1 || m.fileType == kTypeFolder) return m;
  }
  ended_ = true;
  return std::nullopt;
}

namespace {

class ArjHandle : public ArchiveHandle {
 public:
  explicit ArjHandle(UniqueFd fd) : fd_(std::move(fd)), reader_(fd_.get()) {}
  bool Restart() { return reader_.Open(); }
  std::optional<ArjMember> Next() { return reader_.Next(); }

 private:
  UniqueFd fd_;
  ArjReader reader_;
};

void Fill(const ArjMember& m, MemberRecord& r) {
  r = MemberRecord{};
  r.originalSize = m.originalSize;
  r.compressedSize = m.compressedSize;
  r.crc = m.fileType == kTypeFolder ? 0 : m.crc;
  r.ratio = RatioTenths(m.compressedSize, m.originalSize);
  if (m.hostOs == kHostUnix || m.hostOs == kHostNext) {
    r.hasUnixTime = true;
    r.unixTime = m.dosDateTime;
  } else {
    r.dosTime = static_cast<std::uint16_t>(m.dosDateTime & 0xFFFF);
    r.dosDate = static_cast<std::uint16_t>(m.dosDateTime >> 16);
  }
  r.path = m.name;
  if (m.fileType == kTypeFolder) r.attributes = "d";
  char method[8];
  std::snprintf(method, sizeof method, "-m%d-", m.method);
  r.method = method;
}

// The program's own version, as this reader is part of it: "0.8.0" gives
// GetVersion 8 (major x 100 + minor) and GetSubVersion 0 (patch x 100).
struct OwnVersion {
  int major = 0, minor = 0, patch = 0;
  OwnVersion() { std::sscanf(ORDANO_VERSION, "%d.%d.%d", &major, &minor, &patch); }
};

class ArjArchiver : public Archiver {
 public:
  std::unique_ptr<ArchiveHandle> OpenArchive(const std::string& path,
                                             MemberReadOptions) const override {
    UniqueFd fd = OpenForReading(path);
    if (!fd) return nullptr;
    auto h = std::make_unique<ArjHandle>(std::move(fd));
    if (!h->Restart()) return nullptr;
    return h;
  }
  int FindFirst(ArchiveHandle& handle, std::string_view, MemberRecord& record) const override {
    auto& h = static_cast<ArjHandle&>(handle);
    if (!h.Restart()) {
      record = MemberRecord{};
      return -1;
    }
    return FindNext(handle, record);
  }
  int FindNext(ArchiveHandle& handle, MemberRecord& record) const override {
    const auto m = static_cast<ArjHandle&>(handle).Next();
    if (!m) {
      record = MemberRecord{};
      return -1;
    }
    Fill(*m, record);
    return 0;
  }
  std::uint16_t GetVersion() const override {
    const OwnVersion v;
    return static_cast<std::uint16_t>(v.major * 100 + v.minor);
  }
  std::optional<std::uint16_t> GetSubVersion() const override {
    return static_cast<std::uint16_t>(OwnVersion().patch * 100);
  }
};

}  // namespace

std::shared_ptr<const Archiver> MakeArjArchiver() { return std::make_shared<ArjArchiver>(); }

}  // namespace ordano
