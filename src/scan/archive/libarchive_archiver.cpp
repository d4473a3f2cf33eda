#include "scan/archive/libarchive_archiver.h"

#include <archive.h>
#include <archive_entry.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/file_handle.h"
#include "platform/unicode.h"
#include "scan/archive/gzip_pipe.h"
#include "scan/archive/member_headers.h"
#include "scan/archive/member_name.h"
#include "scan/archive/sevenzip_headers.h"
#include "scan/digest_pool.h"

namespace ordano {
namespace {

constexpr std::size_t kReadBlock = 64 * 1024;
// Member data between two questions to the caller (pump and cancel test).
constexpr std::uint64_t kPollBytes = 4u << 20;
// Members of compressed tars the counting pass keeps for the filling pass.
constexpr std::size_t kMaxKeptMembers = 500000;

// CRC-32 after appending `n` zero bytes, in O(log n): a hole of a sparse
// member costs nothing however large it is.
uLong CrcWithZeros(uLong crc, std::uint64_t n) {
  static const uLong kOneZero = crc32_z(0, reinterpret_cast<const Bytef*>("\0"), 1);
  uLong zeros = 0;  // CRC of the zeros so far
  std::uint64_t length = 0;
  uLong power = kOneZero;  // CRC of 2^k zeros
  std::uint64_t powerLength = 1;
  for (std::uint64_t left = n; left != 0; left >>= 1) {
    if ((left & 1) != 0) {
      zeros = length == 0 ? power : crc32_combine(zeros, power, static_cast<z_off_t>(powerLength));
      length += powerLength;
    }
    if ((left >> 1) != 0) {
      power = crc32_combine(power, power, static_cast<z_off_t>(powerLength));
      powerLength <<= 1;
    }
  }
  return n == 0 ? crc : crc32_combine(crc, zeros, static_cast<z_off_t>(n));
}

// Which file an open archive is, so that both passes can recognise it.
using FileKey = std::array<std::uint64_t, 5>;
FileKey KeyOf(int fd) {
  struct stat st {};
  if (fstat(fd, &st) != 0) return {};
  return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
          static_cast<std::uint64_t>(st.st_size), static_cast<std::uint64_t>(st.st_mtim.tv_sec),
          static_cast<std::uint64_t>(st.st_mtim.tv_nsec)};
}

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

// Members whose records are complete before the first is asked for: a zip
// by its central directory, a 7z by its headers, a compressed tar the
// counting pass has unpacked already.
class ListedMembers : public MemberSource {
 public:
  explicit ListedMembers(std::vector<MemberRecord> records) : records_(std::move(records)) {}
  bool Restart() override {
    next_ = 0;
    return true;
  }
  int Next(MemberRecord& record) override {
    started_ = true;
    if (next_ >= records_.size()) {
      record = MemberRecord{};
      return -1;
    }
    record = records_[next_++];
    return 0;
  }

 private:
  std::vector<MemberRecord> records_;
  std::size_t next_ = 0;
};

// A zip member as its central directory describes it. Names keep their
// stored bytes; "\" separators of DOS-made archives become "/".
MemberRecord ZipRecord(const HeaderFacts& f) {
  MemberRecord r;
  const std::string_view name = f.storedPath.empty() ? f.rawName : f.storedPath;
  r.path =
      name.find('\\') == std::string_view::npos ? std::string(name) : MemberPathWithSlashes(name);
  if (f.folder) r.attributes = "d";
  r.originalSize = f.originalSize;
  r.compressedSize = f.compressedSize;
  r.ratio = RatioTenths(f.compressedSize, f.originalSize);
  r.crc = f.crc32.value_or(0);
  r.dosDate = f.dosDate;
  r.dosTime = f.dosTime;
  if (f.unixTime) {
    r.hasUnixTime = true;
    r.unixTime = *f.unixTime;
  }
  return r;
}

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
  // Compressed tars and 7z unpack whatever they skip.
  bool Streams() const;
  // Keeps every record, with its CRC, while the members are walked; the
  // records are complete when the walk reached the end.
  void Record() {
    recording_ = true;
    options_.computeCrc = true;
  }
  std::vector<MemberRecord>* Recorded() { return recording_ && complete_ ? &recorded_ : nullptr; }
  int fd() const { return fd_.get(); }

 private:
  void ReadFacts();
  // Opens a_ over the file's data inflated by pipe_; false when the data
  // is no gzip libarchive can list, which then reads the file itself.
  bool OpenPiped(archive* a);
  // Whether the members come through a decompression (libarchive's or the pipe's).
  bool Decompressed() const;
  bool ReadData(std::uint64_t expectedSize, std::uint32_t* crc, std::uint64_t* length);
  bool DrainPolled();
  bool Poll(std::uint64_t& sincePoll, std::uint64_t bytes);
  int ReadNext(MemberRecord& record);

  LibarchiveKind kind_;
  std::string path_;
  UniqueFd fd_;
  MemberReadOptions options_;
  bool rawAllowed_;
  Utf8Locale locale_;
  std::unique_ptr<GzipPipe> pipe_;  // declared before a_, which reads from it
  ArchivePtr a_;
  std::vector<HeaderFacts> facts_;
  bool factsRead_ = false;
  std::size_t ordinal_ = 0;
  bool ended_ = false;
  bool complete_ = false;     // the walk reached the end of the archive
  bool pendingData_ = false;  // the current member's data is still unread
  bool recording_ = false;
  std::vector<MemberRecord> recorded_;
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
  pipe_.reset();
  ordinal_ = 0;
  ended_ = false;
  complete_ = false;
  pendingData_ = false;
  recorded_.clear();
  if (lseek(fd_.get(), 0, SEEK_SET) != 0) return false;
  ArchivePtr a(archive_read_new());
  if (!a) return false;
  if (EnableFormats(a.get(), kind_, rawAllowed_) != ARCHIVE_OK) return false;
  if (kind_ == LibarchiveKind::Tar && WorkerThreadCount() > 1 &&
      GzipPipe::LooksLikeGzip(fd_.get())) {
    if (OpenPiped(a.get())) {
      a_ = std::move(a);
      return true;
    }
    pipe_.reset();
    a.reset(archive_read_new());
    if (!a || EnableFormats(a.get(), kind_, rawAllowed_) != ARCHIVE_OK) return false;
  }
  if (archive_read_open_fd(a.get(), fd_.get(), kReadBlock) != ARCHIVE_OK) return false;
  a_ = std::move(a);
  return true;
}

bool LibarchiveHandle::OpenPiped(archive* a) {
  try {
    pipe_ = std::make_unique<GzipPipe>(fd_.get());
  } catch (const std::system_error&) {
    return false;  // no thread to inflate on: libarchive inflates
  }
  const auto read = [](archive* ar, void* pipe, const void** buffer) -> la_ssize_t {
    auto& p = *static_cast<GzipPipe*>(pipe);
    const std::span<const char> block = p.Next();
    *buffer = block.data();
    if (block.empty() && !p.error().empty()) {
      archive_set_error(ar, EIO, "%s", p.error().c_str());
      return -1;
    }
    return static_cast<la_ssize_t>(block.size());
  };
  return archive_read_open(a, pipe_.get(), nullptr, read, nullptr) == ARCHIVE_OK;
}

bool LibarchiveHandle::Decompressed() const {
  return pipe_ != nullptr || archive_filter_code(a_.get(), 0) != ARCHIVE_FILTER_NONE;
}

// Their skipping is done here in blocks between which the caller may cancel.
bool LibarchiveHandle::Streams() const {
  if (!a_) return false;
  return Decompressed() || archive_format(a_.get()) == ARCHIVE_FORMAT_7ZIP;
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

// CRC-32 and length of the current member's data; `expectedSize` is the
// size the header gives (0 when it gives none). False when the data cannot
// be read to its end (damage, an unsupported method, a cancel).
bool LibarchiveHandle::ReadData(std::uint64_t expectedSize, std::uint32_t* crc,
                                std::uint64_t* length) {
  const void* buf = nullptr;
  size_t len = 0;
  la_int64_t off = 0;
  uLong c = crc32_z(0, Z_NULL, 0);
  std::uint64_t pos = 0;
  std::uint64_t sincePoll = 0;
  while (true) {
    const int r = archive_read_data_block(a_.get(), &buf, &len, &off);
    if (r == ARCHIVE_EOF) break;
    if (r == ARCHIVE_FATAL) {
      ended_ = true;
      return false;
    }
    if (r < ARCHIVE_WARN) return false;
    if (off < 0 || static_cast<std::uint64_t>(off) < pos) return false;
    // Holes of sparse members read as zeros.
    c = CrcWithZeros(c, static_cast<std::uint64_t>(off) - pos);
    pos = static_cast<std::uint64_t>(off);
    // An empty block may come with a null buffer, for which zlib would
    // return its start value instead of the CRC so far.
    if (len > 0) c = crc32_z(c, static_cast<const Bytef*>(buf), len);
    pos += len;
    if (!Poll(sincePoll, len)) return false;
  }
  // A sparse member may end in a hole.
  if (pos < expectedSize) {
    c = CrcWithZeros(c, expectedSize - pos);
    pos = expectedSize;
  }
  *crc = static_cast<std::uint32_t>(c);
  *length = pos;
  return true;
}

int LibarchiveHandle::Next(MemberRecord& record) {
  const int r = ReadNext(record);
  if (r == 0 && recording_) {
    if (recorded_.size() < kMaxKeptMembers) {
      recorded_.push_back(record);
    } else {
      // Too many to keep: the filling pass reads the archive again.
      recording_ = false;
      options_.computeCrc = false;
      recorded_ = {};
    }
  }
  return r;
}

int LibarchiveHandle::ReadNext(MemberRecord& record) {
  record = MemberRecord{};
  started_ = true;
  if (!a_ || ended_) return -1;
  LocaleScope scope(locale_);
  if (pendingData_ && Streams() && !DrainPolled()) return -1;
  pendingData_ = false;

  archive_entry* entry = nullptr;
  const int r = archive_read_next_header(a_.get(), &entry);
  if (r != ARCHIVE_OK && r != ARCHIVE_WARN) {
    if (r == ARCHIVE_EOF) complete_ = true;
    ended_ = true;
    return -1;
  }
  const bool raw = archive_format(a_.get()) == ARCHIVE_FORMAT_RAW;
  // Any file "is" a raw stream: only a real decompression makes it a member.
  if (raw && !Decompressed()) {
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
  // A zip without its central directory: the local header may still hold
  // the CRC and the compressed size.
  std::optional<HeaderFacts> local;
  if (facts == nullptr && kind_ == LibarchiveKind::Zip && options_.computeCrc) {
    const la_int64_t at = archive_read_header_position(a_.get());
    if (at >= 0) local = ReadZipLocalHeader(fd_.get(), static_cast<std::uint64_t>(at));
    if (local && local->crc32) facts = &*local;
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
    if (ReadData(sizeKnown ? record.originalSize : 0, &crc, &length)) {
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
    if (kind_ == LibarchiveKind::Zip) {
      const auto facts = ReadZipDirectory(fd.get());
      if (!facts.empty()) {
        std::vector<MemberRecord> records;
        records.reserve(facts.size());
        for (const auto& f : facts) records.push_back(ZipRecord(f));
        return std::make_unique<ListedMembers>(std::move(records));
      }
    }
    if (kind_ == LibarchiveKind::SevenZip) {
      auto listing = ReadSevenZipHeaders(fd.get());
      if (listing.status == SevenZipStatus::Listed) {
        return std::make_unique<ListedMembers>(std::move(listing.members));
      }
      // Headers this reader cannot take: what libarchive lists, with the
      // CRC unknown rather than recomputed from unpacked data.
      options.computeCrc = false;
    }
    const bool filling = options.computeCrc;
    if (kind_ == LibarchiveKind::Tar && filling) {
      const std::lock_guard lock(mutex_);
      const auto kept = unpacked_.find(KeyOf(fd.get()));
      if (kept != unpacked_.end()) {
        auto records = std::move(kept->second);
        keptMembers_ -= records.size();
        unpacked_.erase(kept);
        return std::make_unique<ListedMembers>(std::move(records));
      }
    }
    auto h = std::make_unique<LibarchiveHandle>(kind_, path, std::move(fd), std::move(options));
    if (!h->Restart()) return nullptr;
    // The counting pass unpacks a compressed tar to its end anyway: its
    // CRCs cost little more, and the filling pass need not unpack it again.
    if (kind_ == LibarchiveKind::Tar && !filling && h->Streams()) h->Record();
    return h;
  }

  void CloseArchive(std::unique_ptr<ArchiveHandle> handle) const override {
    auto* h = dynamic_cast<LibarchiveHandle*>(handle.get());
    std::vector<MemberRecord>* records = h != nullptr ? h->Recorded() : nullptr;
    if (records == nullptr) return;
    const std::lock_guard lock(mutex_);
    const FileKey key = KeyOf(h->fd());
    if (const auto old = unpacked_.find(key); old != unpacked_.end()) {
      keptMembers_ -= old->second.size();
      unpacked_.erase(old);
    }
    if (keptMembers_ + records->size() > kMaxKeptMembers) return;
    keptMembers_ += records->size();
    unpacked_.emplace(key, std::move(*records));
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
  // Compressed tars of the counting pass, by file, until the filling pass
  // lists them.
  mutable std::mutex mutex_;
  mutable std::map<FileKey, std::vector<MemberRecord>> unpacked_;
  mutable std::size_t keptMembers_ = 0;
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
