#include "scan/archive/libarchive_archiver.h"

#include <archive.h>
#include <archive_entry.h>
#include <locale.h>
#include <unistd.h>
#include <zlib.h>

#include <array>
#include <cstring>
#include <string_view>
#include <vector>

#include "platform/file_handle.h"
#include "platform/unicode.h"
#include "scan/archive/member_headers.h"
#include "scan/archive/member_name.h"

namespace ordano {
namespace {

constexpr std::size_t kReadBlock = 64 * 1024;
// Member data between two questions to the caller (pump and cancel test).
constexpr std::uint64_t kPollBytes = 4u << 20;

struct ArchiveFree {
  void operator()(archive* a) const { archive_read_free(a); }
};
using ArchivePtr = std::unique_ptr<archive, ArchiveFree>;

// libarchive hands names out in the thread's locale. Under a UTF-8 locale
// names stored as UTF-8 or UTF-16 come out as UTF-8, and names in no declared
// character set come out as their stored bytes, whatever the user's locale.
class Utf8Locale {
 public:
  Utf8Locale() {
    for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"}) {
      locale_ = newlocale(LC_CTYPE_MASK, name, static_cast<locale_t>(nullptr));
      if (locale_ != static_cast<locale_t>(nullptr)) break;
    }
  }
  ~Utf8Locale() {
    if (locale_ != static_cast<locale_t>(nullptr)) freelocale(locale_);
  }
  Utf8Locale(const Utf8Locale&) = delete;
  Utf8Locale& operator=(const Utf8Locale&) = delete;
  locale_t get() const { return locale_; }

 private:
  locale_t locale_ = static_cast<locale_t>(nullptr);
};

// Switches the calling thread to the locale for one scope.
class LocaleScope {
 public:
  explicit LocaleScope(const Utf8Locale& l)
      : previous_(l.get() != static_cast<locale_t>(nullptr) ? uselocale(l.get())
                                                            : static_cast<locale_t>(nullptr)) {}
  ~LocaleScope() {
    if (previous_ != static_cast<locale_t>(nullptr)) uselocale(previous_);
  }
  LocaleScope(const LocaleScope&) = delete;
  LocaleScope& operator=(const LocaleScope&) = delete;

 private:
  locale_t previous_;
};

bool EndsWithCompressedSuffix(std::string_view path) {
  auto endsWith = [&](std::string_view tail) {
    if (path.size() < tail.size()) return false;
    for (std::size_t i = 0; i < tail.size(); ++i) {
      const char c = path[path.size() - tail.size() + i];
      if ((c >= 'A' && c <= 'Z' ? c + 32 : c) != tail[i]) return false;
    }
    return true;
  };
  return endsWith(".gz") || endsWith(".bz2");
}

// The member name of a single compressed file: the file's name without its
// compression suffix.
std::string RawMemberName(std::string_view path) {
  const auto slash = path.rfind('/');
  std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const auto dot = name.rfind('.');
  if (dot != std::string_view::npos && dot > 0) name = name.substr(0, dot);
  return std::string(name);
}

// The formats of the kind; the status tells whether libarchive reads them.
// The bytes behind a name libarchive decoded as ISO-8859-1.
std::string Latin1Bytes(std::string_view utf8) {
  std::string out;
  for (const char16_t c : Utf8ToUtf16(utf8)) out.push_back(static_cast<char>(c <= 0xFF ? c : '?'));
  return out;
}

int EnableFormats(archive* a, LibarchiveKind kind, bool rawToo) {
  int r = ARCHIVE_OK;
  auto add = [&r](int v) {
    if (v != ARCHIVE_OK) r = v;
  };
  switch (kind) {
    case LibarchiveKind::Lzh:
      add(archive_read_support_format_lha(a));
      // Names are taken as bytes: a character set that cannot fail to
      // decode keeps unknown names from ending the listing.
      archive_read_set_format_option(a, "lha", "hdrcharset", "ISO-8859-1");
      break;
    case LibarchiveKind::Zip:
      add(archive_read_support_format_zip(a));
      break;
    case LibarchiveKind::Cab:
      add(archive_read_support_format_cab(a));
      break;
    case LibarchiveKind::Rar:
      add(archive_read_support_format_rar(a));
      add(archive_read_support_format_rar5(a));
      break;
    case LibarchiveKind::Tar:
      add(archive_read_support_format_tar(a));
      add(archive_read_support_format_gnutar(a));
      if (rawToo) add(archive_read_support_format_raw(a));
      // Compressed tars, best effort: a missing decompressor only loses that kind.
      archive_read_support_filter_gzip(a);
      archive_read_support_filter_bzip2(a);
      archive_read_support_filter_xz(a);
      archive_read_support_filter_lzma(a);
      archive_read_support_filter_zstd(a);
      archive_read_support_filter_compress(a);
      break;
    case LibarchiveKind::SevenZip:
      add(archive_read_support_format_7zip(a));
      break;
  }
  return r;
}

// What FindFirst and FindNext walk.
class MemberSource : public ArchiveHandle {
 public:
  virtual bool Restart() = 0;  // back before the first member
  virtual int Next(MemberRecord& record) = 0;
  bool started() const { return started_; }

 protected:
  bool started_ = false;
};

// Counting the members of a zip needs only its central directory: no
// libarchive pass over every local header.
class DirectoryCount : public MemberSource {
 public:
  explicit DirectoryCount(std::vector<HeaderFacts> facts) : facts_(std::move(facts)) {}
  bool Restart() override {
    next_ = 0;
    return true;
  }
  int Next(MemberRecord& record) override {
    record = MemberRecord{};
    started_ = true;
    if (next_ >= facts_.size()) return -1;
    const HeaderFacts& f = facts_[next_++];
    record.path = f.rawName;
    record.originalSize = f.originalSize;
    if (f.folder) record.attributes = "d";
    return 0;
  }

 private:
  std::vector<HeaderFacts> facts_;
  std::size_t next_ = 0;
};

class LibarchiveHandle : public MemberSource {
 public:
  LibarchiveHandle(LibarchiveKind kind, std::string path, UniqueFd fd, MemberReadOptions options)
      : kind_(kind),
        path_(std::move(path)),
        fd_(std::move(fd)),
        options_(std::move(options)),
        rawAllowed_(kind == LibarchiveKind::Tar && EndsWithCompressedSuffix(path_)) {}

  bool Restart() override;
  int Next(MemberRecord& record) override;

 private:
  void ReadFacts();
  bool ReadData(std::uint32_t* crc, std::uint64_t* length);
  bool DrainPolled();
  bool Poll(std::uint64_t& sincePoll, std::uint64_t bytes);
  bool Streams() const;

  LibarchiveKind kind_;
  std::string path_;
  UniqueFd fd_;
  MemberReadOptions options_;
  bool rawAllowed_;
  Utf8Locale locale_;
  ArchivePtr a_;
  std::vector<HeaderFacts> facts_;
  bool factsRead_ = false;
  std::size_t ordinal_ = 0;
  bool ended_ = false;
  bool pendingData_ = false;  // the current member's data is still unread
};

void LibarchiveHandle::ReadFacts() {
  if (factsRead_) return;
  factsRead_ = true;
  switch (kind_) {
    case LibarchiveKind::Zip:
      facts_ = ReadZipDirectory(fd_.get());
      break;
    case LibarchiveKind::Lzh:
      facts_ = ReadLzhHeaders(fd_.get());
      break;
    case LibarchiveKind::Rar:
      facts_ = ReadRar4Headers(fd_.get());
      break;
    default:
      break;
  }
}

// (Re)opens the archive at its first member.
bool LibarchiveHandle::Restart() {
  LocaleScope scope(locale_);
  a_.reset();
  ordinal_ = 0;
  ended_ = false;
  pendingData_ = false;
  if (lseek(fd_.get(), 0, SEEK_SET) != 0) return false;
  ArchivePtr a(archive_read_new());
  if (!a) return false;
  if (EnableFormats(a.get(), kind_, rawAllowed_) != ARCHIVE_OK) return false;
  if (archive_read_open_fd(a.get(), fd_.get(), kReadBlock) != ARCHIVE_OK) return false;
  a_ = std::move(a);
  return true;
}

// Compressed tars and 7z unpack whatever they skip, so their skipping is
// done here in blocks between which the caller may cancel.
bool LibarchiveHandle::Streams() const {
  return archive_filter_code(a_.get(), 0) != ARCHIVE_FILTER_NONE ||
         archive_format(a_.get()) == ARCHIVE_FORMAT_7ZIP;
}

bool LibarchiveHandle::Poll(std::uint64_t& sincePoll, std::uint64_t bytes) {
  sincePoll += bytes;
  if (sincePoll < kPollBytes) return true;
  sincePoll = 0;
  if (options_.keepReading && !options_.keepReading()) {
    ended_ = true;  // cancelled: no further members
    return false;
  }
  return true;
}

bool LibarchiveHandle::DrainPolled() {
  const void* buf = nullptr;
  size_t len = 0;
  la_int64_t off = 0;
  std::uint64_t sincePoll = 0;
  while (true) {
    const int r = archive_read_data_block(a_.get(), &buf, &len, &off);
    if (r == ARCHIVE_EOF) return true;
    if (r == ARCHIVE_FATAL) {
      ended_ = true;
      return false;
    }
    if (r < ARCHIVE_WARN) return false;
    if (!Poll(sincePoll, len)) return false;
  }
}

// CRC-32 and length of the current member's data. False when the data
// cannot be read to its end (damage, an unsupported method, a cancel).
bool LibarchiveHandle::ReadData(std::uint32_t* crc, std::uint64_t* length) {
  static constexpr std::array<unsigned char, 64 * 1024> kZeros{};
  const void* buf = nullptr;
  size_t len = 0;
  la_int64_t off = 0;
  uLong c = crc32_z(0, Z_NULL, 0);
  std::uint64_t pos = 0;
  std::uint64_t sincePoll = 0;
  auto addZeros = [&](std::uint64_t n) {
    while (n > 0) {
      const std::size_t k = static_cast<std::size_t>(std::min<std::uint64_t>(n, kZeros.size()));
      c = crc32_z(c, kZeros.data(), k);
      n -= k;
      pos += k;
      if (!Poll(sincePoll, k)) return false;
    }
    return true;
  };
  while (true) {
    const int r = archive_read_data_block(a_.get(), &buf, &len, &off);
    if (r == ARCHIVE_EOF) break;
    if (r == ARCHIVE_FATAL) {
      ended_ = true;
      return false;
    }
    if (r < ARCHIVE_WARN) return false;
    if (off < 0 || static_cast<std::uint64_t>(off) < pos) return false;
    if (!addZeros(static_cast<std::uint64_t>(off) - pos)) return false;  // a sparse hole
    c = crc32_z(c, static_cast<const Bytef*>(buf), len);
    pos += len;
    if (!Poll(sincePoll, len)) return false;
  }
  *crc = static_cast<std::uint32_t>(c);
  *length = pos;
  return true;
}

int LibarchiveHandle::Next(MemberRecord& record) {
  record = MemberRecord{};
  started_ = true;
  if (!a_ || ended_) return -1;
  LocaleScope scope(locale_);
  if (pendingData_ && Streams() && !DrainPolled()) return -1;
  pendingData_ = false;

  archive_entry* entry = nullptr;
  const int r = archive_read_next_header(a_.get(), &entry);
  if (r != ARCHIVE_OK && r != ARCHIVE_WARN) {
    ended_ = true;
    return -1;
  }
  const bool raw = archive_format(a_.get()) == ARCHIVE_FORMAT_RAW;
  // Any file "is" a raw stream: only a real decompression makes it a member.
  if (raw && archive_filter_code(a_.get(), 0) == ARCHIVE_FILTER_NONE) {
    ended_ = true;
    return -1;
  }
  if (options_.computeCrc) ReadFacts();  // only rows use them
  const std::size_t index = ordinal_++;

  if (raw) {
    record.path = RawMemberName(path_);
  } else if (const char* p = archive_entry_pathname(entry)) {
    record.path = p;
  } else if (const char* u = archive_entry_pathname_utf8(entry)) {
    record.path = u;
  }
  const bool folder = archive_entry_filetype(entry) == AE_IFDIR;
  if (folder) record.attributes = "d";
  const bool sizeKnown = archive_entry_size_is_set(entry) != 0;
  if (sizeKnown) record.originalSize = static_cast<std::uint64_t>(archive_entry_size(entry));
  if (archive_entry_mtime_is_set(entry)) {
    record.hasUnixTime = true;
    record.unixTime = archive_entry_mtime(entry);
  }

  if (kind_ == LibarchiveKind::Lzh) record.path = Latin1Bytes(record.path);

  // The header facts belong to this member only when they agree with it.
  const HeaderFacts* facts = nullptr;
  if (index < facts_.size()) {
    const HeaderFacts& f = facts_[index];
    const bool sizeAgrees = !sizeKnown || f.originalSize == record.originalSize;
    std::string_view a = f.rawName, b = record.path;
    while (!a.empty() && a.back() == '/') a.remove_suffix(1);
    while (!b.empty() && b.back() == '/') b.remove_suffix(1);
    if (sizeAgrees && (f.rawName.empty() || a == b)) facts = &f;
  }
  if (facts != nullptr && !facts->storedPath.empty()) {
    record.path = MemberPathWithSlashes(facts->storedPath);
  } else if (kind_ == LibarchiveKind::Lzh) {
    record.path = MemberPathWithSlashes(record.path);
  }
  if (facts != nullptr) {
    if (!sizeKnown) record.originalSize = facts->originalSize;
    record.compressedSize = facts->compressedSize;
    record.ratio = RatioTenths(facts->compressedSize, record.originalSize);
    if (facts->crc32) record.crc = *facts->crc32;
  }

  pendingData_ = true;
  const bool needCrc = !(facts != nullptr && facts->crc32) && !folder;
  if (options_.computeCrc && needCrc && archive_entry_is_data_encrypted(entry) == 0) {
    std::uint32_t crc = 0;
    std::uint64_t length = 0;
    if (ReadData(&crc, &length)) {
      record.crc = crc;
      if (!sizeKnown && facts == nullptr) record.originalSize = length;
    }
    pendingData_ = false;  // read, or unreadable to its end: nothing left to drain
  }
  return 0;
}

class LibarchiveArchiver : public Archiver {
 public:
  explicit LibarchiveArchiver(LibarchiveKind kind) : kind_(kind) {}

  std::unique_ptr<ArchiveHandle> OpenArchive(const std::string& path,
                                             MemberReadOptions options) const override {
    UniqueFd fd = OpenForReading(path);
    if (!fd) return nullptr;
    if (kind_ == LibarchiveKind::Zip && !options.computeCrc) {
      auto facts = ReadZipDirectory(fd.get());
      if (!facts.empty()) return std::make_unique<DirectoryCount>(std::move(facts));
    }
    auto h = std::make_unique<LibarchiveHandle>(kind_, path, std::move(fd), std::move(options));
    if (!h->Restart()) return nullptr;
    return h;
  }

  int FindFirst(ArchiveHandle& handle, std::string_view, MemberRecord& record) const override {
    auto& h = static_cast<MemberSource&>(handle);
    if (h.started() && !h.Restart()) {
      record = MemberRecord{};
      return -1;
    }
    return h.Next(record);
  }

  int FindNext(ArchiveHandle& handle, MemberRecord& record) const override {
    return static_cast<MemberSource&>(handle).Next(record);
  }

  // libarchive's own version: major.minor as major x 100 + minor (3.6 gives
  // 306), and the patch level x 100 as the sub-version (3.6.2 gives 200), so
  // two-part texts read "3.6" and four-part texts "3.6.2.0".
  std::uint16_t GetVersion() const override {
    const int n = archive_version_number();
    return static_cast<std::uint16_t>(n / 1000000 * 100 + n / 1000 % 1000);
  }
  std::optional<std::uint16_t> GetSubVersion() const override {
    return static_cast<std::uint16_t>(archive_version_number() % 1000 * 100);
  }

 private:
  LibarchiveKind kind_;
};

}  // namespace

bool LibarchiveReads(LibarchiveKind kind) {
  ArchivePtr a(archive_read_new());
  return a && EnableFormats(a.get(), kind, false) == ARCHIVE_OK;
}

std::shared_ptr<const Archiver> MakeLibarchiveArchiver(LibarchiveKind kind) {
  return std::make_shared<LibarchiveArchiver>(kind);
}

}  // namespace ordano
