// 7z header reader. The archive is hostile input: every count is checked
// against the bytes that would have to describe it before anything is
// allocated, and unpacked header blocks are capped.
#include "scan/archive/sevenzip_headers.h"

#include <lzma.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <optional>
#include <string>
#include <utility>

#include "platform/unicode.h"

namespace ordano {
namespace {

constexpr unsigned char kSignature[6] = {'7', 'z', 0xBC, 0xAF, 0x27, 0x1C};
constexpr std::size_t kSignatureHeaderSize = 32;
// Far above real headers (a million members take some 100 MiB); a claim
// above them is damage or an attack. Archives with more members are left
// to libarchive, which does not hold them all at once.
constexpr std::uint64_t kMaxHeaderBytes = 256u << 20;
constexpr std::size_t kMaxMembers = 2000000;
constexpr int kMaxCoders = 64;
constexpr int kMaxEncodedRounds = 4;

enum Id : std::uint64_t {
  kEnd = 0x00,
  kHeader = 0x01,
  kArchiveProperties = 0x02,
  kAdditionalStreamsInfo = 0x03,
  kMainStreamsInfo = 0x04,
  kFilesInfo = 0x05,
  kPackInfo = 0x06,
  kUnpackInfo = 0x07,
  kSubStreamsInfo = 0x08,
  kSize = 0x09,
  kCrc = 0x0A,
  kFolder = 0x0B,
  kCodersUnpackSize = 0x0C,
  kNumUnpackStream = 0x0D,
  kEmptyStream = 0x0E,
  kEmptyFile = 0x0F,
  kAnti = 0x10,
  kName = 0x11,
  kMTime = 0x14,
  kWinAttributes = 0x15,
  kEncodedHeader = 0x17,
};

// Malformed headers end the reading at once.
struct Malformed {};
struct Encrypted {};

std::uint32_t Crc32(std::span<const unsigned char> bytes) {
  return static_cast<std::uint32_t>(crc32_z(crc32_z(0, Z_NULL, 0), bytes.data(), bytes.size()));
}

std::uint32_t Le32At(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::uint64_t Le64At(const unsigned char* p) {
  return static_cast<std::uint64_t>(Le32At(p)) | (static_cast<std::uint64_t>(Le32At(p + 4)) << 32);
}

class Cursor {
 public:
  explicit Cursor(std::span<const unsigned char> bytes) : bytes_(bytes) {}

  std::size_t left() const { return bytes_.size() - pos_; }
  std::uint8_t Byte() {
    if (pos_ >= bytes_.size()) throw Malformed{};
    return bytes_[pos_++];
  }
  // The 7z variable-length number: the leading one bits of the first byte
  // count the bytes that follow.
  std::uint64_t Number() {
    const std::uint8_t first = Byte();
    std::uint8_t mask = 0x80;
    std::uint64_t value = 0;
    for (int i = 0; i < 8; ++i) {
      if ((first & mask) == 0) {
        const std::uint64_t high = first & (mask - 1u);
        return value | (high << (8 * i));
      }
      value |= static_cast<std::uint64_t>(Byte()) << (8 * i);
      mask >>= 1;
    }
    return value;
  }
  // A count of things each described by at least `unit` more bytes.
  std::size_t Count(std::size_t unit = 1) {
    const std::uint64_t n = Number();
    if (n > left() / unit) throw Malformed{};
    return static_cast<std::size_t>(n);
  }
  std::uint32_t U32() {
    const auto s = Take(4);
    return Le32At(s.data());
  }
  std::uint64_t U64() {
    const auto s = Take(8);
    return Le64At(s.data());
  }
  std::span<const unsigned char> Take(std::uint64_t n) {
    if (n > left()) throw Malformed{};
    const auto s = bytes_.subspan(pos_, static_cast<std::size_t>(n));
    pos_ += static_cast<std::size_t>(n);
    return s;
  }
  void SkipData() { Take(Number()); }
  // Skips properties up to the wanted one.
  void WaitFor(std::uint64_t id) {
    for (;;) {
      const std::uint64_t type = Number();
      if (type == id) return;
      if (type == kEnd) throw Malformed{};
      SkipData();
    }
  }
  // `n` bits, the first in the top bit of the first byte.
  std::vector<bool> Bits(std::size_t n) {
    if (n > left() * 8) throw Malformed{};
    std::vector<bool> bits(n);
    std::uint8_t byte = 0;
    for (std::size_t i = 0; i < n; ++i) {
      if (i % 8 == 0) byte = Byte();
      bits[i] = (byte & (0x80 >> (i % 8))) != 0;
    }
    return bits;
  }
  // A bit field preceded by its all-defined byte.
  std::vector<bool> Defined(std::size_t n) {
    if (Byte() != 0) return std::vector<bool>(n, true);
    return Bits(n);
  }
  std::vector<std::optional<std::uint32_t>> Digests(std::size_t n) {
    const std::vector<bool> defined = Defined(n);
    std::vector<std::optional<std::uint32_t>> out(n);
    for (std::size_t i = 0; i < n; ++i) {
      if (defined[i]) out[i] = U32();
    }
    return out;
  }

 private:
  std::span<const unsigned char> bytes_;
  std::size_t pos_ = 0;
};

struct Coder {
  std::vector<unsigned char> id;
  std::size_t inStreams = 1;  // packed side
  std::size_t outStreams = 1;
  std::vector<unsigned char> properties;
};

struct Folder {
  std::vector<Coder> coders;
  std::vector<std::pair<std::uint64_t, std::uint64_t>> bindPairs;  // in index, out index
  std::size_t packedStreams = 1;
  std::size_t firstPackStream = 0;
  std::vector<std::uint64_t> unpackSizes;  // one per out stream
  std::optional<std::uint32_t> crc;
  std::size_t unpackStreams = 1;

  std::size_t TotalOut() const {
    std::size_t n = 0;
    for (const auto& c : coders) n += c.outStreams;
    return n;
  }
  // The out stream no bind pair consumes is the folder's result.
  std::uint64_t UnpackSize() const {
    for (std::size_t i = 0; i < unpackSizes.size(); ++i) {
      const bool bound = std::any_of(bindPairs.begin(), bindPairs.end(),
                                     [&](const auto& p) { return p.second == i; });
      if (!bound) return unpackSizes[i];
    }
    return 0;
  }
};

struct StreamsInfo {
  std::uint64_t packPos = 0;
  std::vector<std::uint64_t> packSizes;
  std::vector<Folder> folders;
  // One entry per unpacked stream (member data), folder by folder.
  std::vector<std::uint64_t> sizes;
  std::vector<std::optional<std::uint32_t>> crcs;
  std::vector<std::size_t> folderOf;
};

void ReadPackInfo(Cursor& c, StreamsInfo& s) {
  s.packPos = c.Number();
  const std::size_t n = c.Count();
  if (n > 4 * kMaxMembers) throw Malformed{};
  c.WaitFor(kSize);
  s.packSizes.resize(n);
  for (auto& size : s.packSizes) size = c.Number();
  for (;;) {
    const std::uint64_t type = c.Number();
    if (type == kEnd) return;
    if (type == kCrc) {
      c.Digests(n);
    } else {
      c.SkipData();
    }
  }
}

Folder ReadFolder(Cursor& c) {
  Folder f;
  const std::size_t coders = c.Count();
  if (coders == 0 || coders > kMaxCoders) throw Malformed{};
  std::size_t totalIn = 0;
  for (std::size_t i = 0; i < coders; ++i) {
    Coder coder;
    const std::uint8_t flags = c.Byte();
    if ((flags & 0x80) != 0) throw Malformed{};  // alternative methods: never written
    const auto id = c.Take(flags & 0x0F);
    coder.id.assign(id.begin(), id.end());
    if ((flags & 0x10) != 0) {
      coder.inStreams = c.Count();
      coder.outStreams = c.Count();
      if (coder.inStreams > kMaxCoders || coder.outStreams > kMaxCoders) throw Malformed{};
    }
    if ((flags & 0x20) != 0) {
      const auto props = c.Take(c.Number());
      coder.properties.assign(props.begin(), props.end());
    }
    totalIn += coder.inStreams;
    f.coders.push_back(std::move(coder));
  }
  const std::size_t totalOut = f.TotalOut();
  if (totalOut == 0 || totalIn < totalOut - 1) throw Malformed{};
  for (std::size_t i = 0; i + 1 < totalOut; ++i) {
    const std::uint64_t in = c.Number();
    const std::uint64_t out = c.Number();
    if (in >= totalIn || out >= totalOut) throw Malformed{};
    f.bindPairs.emplace_back(in, out);
  }
  f.packedStreams = totalIn - (totalOut - 1);
  if (f.packedStreams > 1) {
    for (std::size_t i = 0; i < f.packedStreams; ++i) c.Number();
  }
  return f;
}

void ReadUnpackInfo(Cursor& c, StreamsInfo& s) {
  c.WaitFor(kFolder);
  const std::size_t n = c.Count();
  if (n > kMaxMembers) throw Malformed{};
  if (c.Byte() != 0) throw Malformed{};  // folders kept elsewhere: never written
  std::size_t pack = 0;
  for (std::size_t i = 0; i < n; ++i) {
    Folder f = ReadFolder(c);
    f.firstPackStream = pack;
    pack += f.packedStreams;
    s.folders.push_back(std::move(f));
  }
  c.WaitFor(kCodersUnpackSize);
  for (auto& f : s.folders) {
    const std::size_t outs = f.TotalOut();
    if (outs > c.left()) throw Malformed{};
    f.unpackSizes.resize(outs);
    for (auto& size : f.unpackSizes) size = c.Number();
  }
  for (;;) {
    const std::uint64_t type = c.Number();
    if (type == kEnd) return;
    if (type == kCrc) {
      const auto digests = c.Digests(n);
      for (std::size_t i = 0; i < n; ++i) s.folders[i].crc = digests[i];
    } else {
      c.SkipData();
    }
  }
}

void ReadSubStreamsInfo(Cursor& c, StreamsInfo& s) {
  std::uint64_t type;
  for (;;) {
    type = c.Number();
    if (type == kNumUnpackStream) {
      for (auto& f : s.folders) f.unpackStreams = c.Count();
      continue;
    }
    if (type == kCrc || type == kSize || type == kEnd) break;
    c.SkipData();
  }
  // Every stream is a member with a name in the headers: more streams than
  // bytes cannot be.
  std::size_t total = 0;
  for (const auto& f : s.folders) {
    total += f.unpackStreams;
    if (total > c.left() + s.folders.size() || total > kMaxMembers) throw Malformed{};
  }
  for (std::size_t fi = 0; fi < s.folders.size(); ++fi) {
    const Folder& f = s.folders[fi];
    if (f.unpackStreams == 0) continue;
    const std::uint64_t folderSize = f.UnpackSize();
    std::uint64_t sum = 0;
    if (type == kSize) {
      for (std::size_t j = 1; j < f.unpackStreams; ++j) {
        const std::uint64_t size = c.Number();
        if (size > folderSize - sum) throw Malformed{};
        sum += size;
        s.sizes.push_back(size);
        s.folderOf.push_back(fi);
      }
    } else if (f.unpackStreams > 1) {
      throw Malformed{};
    }
    s.sizes.push_back(folderSize - sum);
    s.folderOf.push_back(fi);
  }
  if (type == kSize) type = c.Number();

  // A folder of one stream with a known CRC needs no digest of its own.
  std::size_t unknown = 0;
  for (const auto& f : s.folders) {
    if (!(f.unpackStreams == 1 && f.crc)) unknown += f.unpackStreams;
  }
  std::vector<std::optional<std::uint32_t>> digests;
  for (; type != kEnd; type = c.Number()) {
    if (type == kCrc) {
      digests = c.Digests(unknown);
    } else {
      c.SkipData();
    }
  }
  std::size_t next = 0;
  for (const auto& f : s.folders) {
    if (f.unpackStreams == 1 && f.crc) {
      s.crcs.push_back(f.crc);
      continue;
    }
    for (std::size_t j = 0; j < f.unpackStreams; ++j, ++next) {
      s.crcs.push_back(next < digests.size() ? digests[next] : std::nullopt);
    }
  }
}

StreamsInfo ReadStreamsInfo(Cursor& c) {
  StreamsInfo s;
  std::uint64_t type = c.Number();
  if (type == kPackInfo) {
    ReadPackInfo(c, s);
    type = c.Number();
  }
  if (type == kUnpackInfo) {
    ReadUnpackInfo(c, s);
    type = c.Number();
  }
  std::size_t packs = 0;
  for (const auto& f : s.folders) packs += f.packedStreams;
  if (packs > s.packSizes.size()) throw Malformed{};
  if (type == kSubStreamsInfo) {
    ReadSubStreamsInfo(c, s);
    type = c.Number();
  } else {
    for (std::size_t fi = 0; fi < s.folders.size(); ++fi) {
      s.sizes.push_back(s.folders[fi].UnpackSize());
      s.crcs.push_back(s.folders[fi].crc);
      s.folderOf.push_back(fi);
    }
  }
  if (type != kEnd) throw Malformed{};
  return s;
}

// Bytes of the archive at an offset; null when they lie outside it.
class Source {
 public:
  virtual ~Source() = default;
  virtual std::uint64_t length() const = 0;
  virtual bool Read(std::uint64_t offset, std::size_t size, std::vector<unsigned char>& out) = 0;
};

class MemorySource : public Source {
 public:
  explicit MemorySource(std::span<const unsigned char> bytes) : bytes_(bytes) {}
  std::uint64_t length() const override { return bytes_.size(); }
  bool Read(std::uint64_t offset, std::size_t size, std::vector<unsigned char>& out) override {
    if (offset > bytes_.size() || size > bytes_.size() - offset) return false;
    const auto s = bytes_.subspan(static_cast<std::size_t>(offset), size);
    out.assign(s.begin(), s.end());
    return true;
  }

 private:
  std::span<const unsigned char> bytes_;
};

class FileSource : public Source {
 public:
  explicit FileSource(int fd) : fd_(fd) {
    struct stat st;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
      length_ = static_cast<std::uint64_t>(st.st_size);
    }
  }
  std::uint64_t length() const override { return length_; }
  bool Read(std::uint64_t offset, std::size_t size, std::vector<unsigned char>& out) override {
    if (offset > length_ || size > length_ - offset) return false;
    out.resize(size);
    std::size_t got = 0;
    while (got < size) {
      const ssize_t n = pread(fd_, out.data() + got, size - got, static_cast<off_t>(offset + got));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      got += static_cast<std::size_t>(n);
    }
    return true;
  }

 private:
  int fd_;
  std::uint64_t length_ = 0;
};

struct LzmaStream {
  lzma_stream s = LZMA_STREAM_INIT;
  ~LzmaStream() { lzma_end(&s); }
};

// A raw LZMA or LZMA2 stream into exactly `size` bytes.
std::vector<unsigned char> Unlzma(lzma_vli filter, std::span<const unsigned char> properties,
                                  std::span<const unsigned char> packed, std::size_t size) {
  lzma_filter filters[2] = {{filter, nullptr}, {LZMA_VLI_UNKNOWN, nullptr}};
  if (lzma_properties_decode(&filters[0], nullptr, properties.data(), properties.size()) !=
      LZMA_OK) {
    throw Malformed{};
  }
  // The dictionary never needs to be larger than what it unpacks.
  auto* options = static_cast<lzma_options_lzma*>(filters[0].options);
  options->dict_size = static_cast<std::uint32_t>(std::min<std::uint64_t>(
      options->dict_size, std::max<std::uint64_t>(size, LZMA_DICT_SIZE_MIN)));
  LzmaStream z;
  const lzma_ret init = lzma_raw_decoder(&z.s, filters);
  std::free(filters[0].options);
  if (init != LZMA_OK) throw Malformed{};

  std::vector<unsigned char> out(std::min<std::size_t>(size, 1u << 20));
  z.s.next_in = packed.data();
  z.s.avail_in = packed.size();
  while (z.s.total_out < size) {
    if (z.s.total_out == out.size()) out.resize(std::min<std::size_t>(size, out.size() * 2));
    z.s.next_out = out.data() + z.s.total_out;
    z.s.avail_out = out.size() - z.s.total_out;
    const std::uint64_t before = z.s.total_out + z.s.total_in;
    const lzma_ret r = lzma_code(&z.s, LZMA_RUN);
    if (r == LZMA_STREAM_END) break;
    if (r != LZMA_OK || z.s.total_out + z.s.total_in == before) throw Malformed{};
  }
  if (z.s.total_out != size) throw Malformed{};
  return out;
}

bool IdIs(const Coder& c, std::initializer_list<unsigned char> id) {
  return c.id.size() == id.size() && std::equal(id.begin(), id.end(), c.id.begin());
}

// Unpacks an encoded header: one folder of one coder (copy, LZMA, LZMA2).
std::vector<unsigned char> UnpackHeader(Source& in, const StreamsInfo& s) {
  if (s.folders.size() != 1 || s.packSizes.empty()) throw Malformed{};
  const Folder& f = s.folders[0];
  for (const auto& coder : f.coders) {
    if (IdIs(coder, {0x06, 0xF1, 0x07, 0x01})) throw Encrypted{};
  }
  if (f.coders.size() != 1 || f.packedStreams != 1) throw Malformed{};
  const std::uint64_t size = f.UnpackSize();
  const std::uint64_t packSize = s.packSizes[f.firstPackStream];
  if (size > kMaxHeaderBytes || packSize > in.length()) throw Malformed{};
  if (s.packPos > in.length() - kSignatureHeaderSize) throw Malformed{};
  std::vector<unsigned char> packed;
  if (!in.Read(kSignatureHeaderSize + s.packPos, static_cast<std::size_t>(packSize), packed)) {
    throw Malformed{};
  }
  const Coder& coder = f.coders[0];
  std::vector<unsigned char> out;
  if (IdIs(coder, {0x00})) {
    if (packSize < size) throw Malformed{};
    out.assign(packed.begin(), packed.begin() + static_cast<std::ptrdiff_t>(size));
  } else if (IdIs(coder, {0x03, 0x01, 0x01})) {
    out = Unlzma(LZMA_FILTER_LZMA1, coder.properties, packed, static_cast<std::size_t>(size));
  } else if (IdIs(coder, {0x21})) {
    out = Unlzma(LZMA_FILTER_LZMA2, coder.properties, packed, static_cast<std::size_t>(size));
  } else {
    throw Malformed{};
  }
  if (f.crc && Crc32(out) != *f.crc) throw Malformed{};
  return out;
}

// Seconds since 1970 of a Windows file time (100 ns since 1601).
std::int64_t UnixTime(std::uint64_t fileTime) {
  return static_cast<std::int64_t>(fileTime / 10000000u) - 11644473600LL;
}

std::vector<MemberRecord> ReadFiles(Cursor& c, const StreamsInfo& s) {
  // Every member has a name of at least its terminator.
  const std::size_t n = c.Count(2);
  if (n > kMaxMembers) throw Malformed{};
  std::vector<std::u16string> names;
  std::vector<bool> emptyStream(n), emptyFile, anti, hasTime(n), hasAttributes(n);
  std::vector<std::uint64_t> times(n);
  std::vector<std::uint32_t> attributes(n);
  std::size_t empties = 0;
  bool named = false;
  for (;;) {
    const std::uint64_t type = c.Number();
    if (type == kEnd) break;
    Cursor p(c.Take(c.Number()));
    switch (type) {
      case kName: {
        if (p.Byte() != 0 || n > p.left() / 2) throw Malformed{};
        names.assign(n, {});
        for (auto& name : names) {
          for (;;) {
            const auto unit = p.Take(2);
            const char16_t ch = static_cast<char16_t>(unit[0] | (unit[1] << 8));
            if (ch == 0) break;
            name.push_back(ch);
          }
        }
        named = true;
        break;
      }
      case kEmptyStream:
        emptyStream = p.Bits(n);
        empties =
            static_cast<std::size_t>(std::count(emptyStream.begin(), emptyStream.end(), true));
        emptyFile.assign(empties, false);
        anti.assign(empties, false);
        break;
      case kEmptyFile:
        emptyFile = p.Bits(empties);
        break;
      case kAnti:
        anti = p.Bits(empties);
        break;
      case kMTime: {
        hasTime = p.Defined(n);
        if (p.Byte() != 0) throw Malformed{};
        for (std::size_t i = 0; i < n; ++i) {
          if (hasTime[i]) times[i] = p.U64();
        }
        break;
      }
      case kWinAttributes: {
        hasAttributes = p.Defined(n);
        if (p.Byte() != 0) throw Malformed{};
        for (std::size_t i = 0; i < n; ++i) {
          if (hasAttributes[i]) attributes[i] = p.U32();
        }
        break;
      }
      default:
        break;  // other times, start positions, padding
    }
  }
  if (!named && n > 0) throw Malformed{};
  if (n - empties != s.sizes.size()) throw Malformed{};

  // A block's ratio: its packed streams against what it unpacks to.
  std::vector<std::uint32_t> folderRatio(s.folders.size());
  for (std::size_t fi = 0; fi < s.folders.size(); ++fi) {
    const Folder& f = s.folders[fi];
    std::uint64_t packed = 0;
    for (std::size_t k = 0; k < f.packedStreams; ++k) {
      const std::size_t index = f.firstPackStream + k;
      if (index < s.packSizes.size()) packed += s.packSizes[index];
    }
    folderRatio[fi] = RatioTenths(packed, f.UnpackSize());
  }

  std::vector<MemberRecord> out;
  out.reserve(n);
  std::size_t emptyIndex = 0, stream = 0;
  for (std::size_t i = 0; i < n; ++i) {
    MemberRecord r;
    bool folder = false;
    if (emptyStream[i]) {
      const bool isAnti = anti[emptyIndex];
      folder = !emptyFile[emptyIndex];
      ++emptyIndex;
      if (isAnti) continue;
    } else {
      r.originalSize = s.sizes[stream];
      r.crc = s.crcs[stream].value_or(0);
      r.ratio = r.originalSize == 0 ? 0 : folderRatio[s.folderOf[stream]];
      ++stream;
    }
    // The folder attribute, and Unix file types in the high half.
    if (hasAttributes[i]) {
      const std::uint32_t a = attributes[i];
      if ((a & 0x10) != 0) folder = true;
      if ((a & 0x8000) != 0 && ((a >> 16) & 0170000) == 0040000) folder = true;
    }
    if (folder) r.attributes = "d";
    if (hasTime[i]) {
      r.hasUnixTime = true;
      r.unixTime = UnixTime(times[i]);
    }
    r.path = Utf16ToUtf8(names[i]);
    out.push_back(std::move(r));
  }
  return out;
}

std::vector<MemberRecord> ReadHeader(Cursor& c) {
  std::uint64_t type = c.Number();
  if (type == kArchiveProperties) {
    while (c.Number() != kEnd) c.SkipData();
    type = c.Number();
  }
  if (type == kAdditionalStreamsInfo) {
    ReadStreamsInfo(c);
    type = c.Number();
  }
  StreamsInfo main;
  if (type == kMainStreamsInfo) {
    main = ReadStreamsInfo(c);
    type = c.Number();
  }
  if (type == kEnd) {
    if (!main.sizes.empty()) throw Malformed{};
    return {};
  }
  if (type != kFilesInfo) throw Malformed{};
  return ReadFiles(c, main);
}

SevenZipListing Read(Source& in) {
  SevenZipListing listing;
  try {
    std::vector<unsigned char> start;
    if (!in.Read(0, kSignatureHeaderSize, start)) return listing;
    if (!std::equal(std::begin(kSignature), std::end(kSignature), start.begin())) return listing;
    if (Crc32(std::span(start).subspan(12, 20)) != Le32At(start.data() + 8)) return listing;
    const std::uint64_t offset = Le64At(start.data() + 12);
    const std::uint64_t size = Le64At(start.data() + 20);
    const std::uint32_t crc = Le32At(start.data() + 28);
    const std::uint64_t room = in.length() - kSignatureHeaderSize;
    if (size == 0) {
      listing.status = SevenZipStatus::Listed;  // an empty archive
      return listing;
    }
    if (offset > room || size > room - offset || size > kMaxHeaderBytes) return listing;
    std::vector<unsigned char> header;
    if (!in.Read(kSignatureHeaderSize + offset, static_cast<std::size_t>(size), header)) {
      return listing;
    }
    if (Crc32(header) != crc) return listing;
    for (int round = 0; round < kMaxEncodedRounds; ++round) {
      Cursor c(header);
      const std::uint64_t type = c.Number();
      if (type == kHeader) {
        listing.members = ReadHeader(c);
        listing.status = SevenZipStatus::Listed;
        return listing;
      }
      if (type != kEncodedHeader) return listing;
      const StreamsInfo s = ReadStreamsInfo(c);
      header = UnpackHeader(in, s);
    }
  } catch (const Malformed&) {
    listing.members.clear();
  } catch (const Encrypted&) {
    listing.members.clear();
    listing.status = SevenZipStatus::EncryptedHeaders;
  } catch (const std::exception&) {  // allocation failures
    listing.members.clear();
  }
  return listing;
}

}  // namespace

SevenZipListing ReadSevenZipHeaders(int fd) {
  FileSource in(fd);
  return Read(in);
}

SevenZipListing ParseSevenZip(std::span<const unsigned char> archive) {
  MemorySource in(archive);
  return Read(in);
}

}  // namespace ordano
