#include "compare/catalogue_read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <iterator>
#include <memory>
#include <new>
#include <nlohmann/json.hpp>
#include <optional>
#include <tuple>

#include "platform/file_handle.h"
#include "platform/unicode.h"

namespace ordano {
namespace {

constexpr std::string_view kFormatName = "ordano-catalogue";
constexpr const char* kOutOfMemory = "not enough memory to read it";

std::int64_t DaysFromCivil(int y, unsigned m, unsigned d) {
  y -= m <= 2 ? 1 : 0;
  const int era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return static_cast<std::int64_t>(era) * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

// Reads `count` digits at `at`; false when one is not a digit.
bool Digits(std::string_view s, std::size_t at, std::size_t count, int& out) {
  if (at + count > s.size()) return false;
  out = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    out = out * 10 + (s[i] - '0');
  }
  return true;
}

// "YYYY?MM?DD" at 0 and "HH:MM:SS" at `clock`.
bool WallClock(std::string_view s, std::size_t clock, std::int64_t& wall) {
  int y, mo, d, h, mi, se;
  if (!Digits(s, 0, 4, y) || !Digits(s, 5, 2, mo) || !Digits(s, 8, 2, d) ||
      !Digits(s, clock, 2, h) || !Digits(s, clock + 3, 2, mi) || !Digits(s, clock + 6, 2, se)) {
    return false;
  }
  if (mo < 1 || mo > 12 || d < 1 || d > 31) return false;
  wall = DaysFromCivil(y, static_cast<unsigned>(mo), static_cast<unsigned>(d)) * 86400 + h * 3600 +
         mi * 60 + se;
  return true;
}

// JSON: "2024-05-01T13:05:09+09:00".
CatalogueTime IsoTime(std::string_view s) {
  CatalogueTime t;
  int oh, om;
  if (s.size() != 25 || !WallClock(s, 11, t.wall) || (s[19] != '+' && s[19] != '-') ||
      !Digits(s, 20, 2, oh) || !Digits(s, 23, 2, om)) {
    return {};
  }
  t.offsetMinutes = static_cast<std::int16_t>((s[19] == '-' ? -1 : 1) * (oh * 60 + om));
  t.known = true;
  return t;
}

// CSV: "2024.05.01(Wed) 13:05:09".
CatalogueTime CsvTime(std::string_view s) {
  CatalogueTime t;
  if (s.size() != 24 || !WallClock(s, 16, t.wall)) return {};
  t.known = true;
  return t;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<std::string> FromHex(std::string_view hex) {
  if (hex.size() % 2 != 0) return std::nullopt;
  std::string out;
  out.reserve(hex.size() / 2);
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    const int hi = HexDigit(hex[i]), lo = HexDigit(hex[i + 1]);
    if (hi < 0 || lo < 0) return std::nullopt;
    out.push_back(static_cast<char>(hi * 16 + lo));
  }
  return out;
}

// The JSON catalogue through the SAX interface: rows are taken as they are
// parsed, so a million rows cost their rows and no document.
class CatalogueSax {
 public:
  using Json = nlohmann::json;
  // heldBytes (what the catalogue really holds) bounds what file_count may
  // reserve: an entry takes far more than 64 bytes.
  CatalogueSax(Catalogue& cat, std::uint64_t heldBytes,
               const std::function<void(CatalogueHeader)>* onHeader = nullptr,
               std::stop_token stop = {})
      : cat_(cat), heldBytes_(heldBytes), onHeader_(onHeader), stop_(std::move(stop)) {}

  bool null() { return true; }
  bool boolean(bool v) {
    if (depth_ == 1 && top_ == Top::Md5) cat_.md5 = v;
    if (depth_ == 2 && top_ == Top::Options) ScanOption(v);
    if (InEntry() && field_ == Field::Placeholder) placeholder_ = v;
    return true;
  }
  bool number_integer(Json::number_integer_t) { return true; }
  bool number_unsigned(Json::number_unsigned_t v) {
    if (depth_ == 1 && top_ == Top::Version) version_ = v;
    if (depth_ == 1 && top_ == Top::FileCount) {
      recordedCount_ = v;
      fileCount_ = std::min(v, heldBytes_ / 64);
      cat_.rows.reserve(fileCount_);
    }
    if (InEntry() && field_ == Field::Size) {
      row_.size = v;
      row_.hasSize = true;
    }
    return true;
  }
  bool number_float(Json::number_float_t, const Json::string_t&) { return true; }
  bool binary(Json::binary_t&) { return true; }
  bool string(Json::string_t& s) {
    if (depth_ == 1 && top_ == Top::Format) format_ = s;
    if (depth_ == 2 && top_ == Top::Roots) cat_.roots.push_back(s);
    if (depth_ == 2 && top_ == Top::RootsBytes) rootsBytes_.push_back(FromHex(s).value_or(s));
    if (!InEntry()) return true;
    switch (field_) {
      case Field::Folder:
        folder_ = std::move(s);
        break;
      case Field::Name:
        if (!haveBytes_) row_.name = std::move(s);
        break;
      case Field::NameBytes:
        if (auto raw = FromHex(s)) {
          row_.name = std::move(*raw);
          haveBytes_ = true;
        }
        break;
      case Field::Modified:
        row_.modified = IsoTime(s);
        break;
      case Field::Md5:
        row_.hasMd5 = ParseMd5(s, row_.md5);
        break;
      default:
        break;
    }
    return true;
  }
  bool start_object(std::size_t) {
    ++depth_;
    if (InEntry()) {
      row_ = CatalogueRow{};
      folder_.clear();
      placeholder_ = false;
      haveBytes_ = false;
      field_ = Field::Other;
    }
    return true;
  }
  bool key(Json::string_t& k) {
    if (InEntry()) {
      field_ = k == "folder"        ? Field::Folder
               : k == "name"        ? Field::Name
               : k == "name_bytes"  ? Field::NameBytes
               : k == "placeholder" ? Field::Placeholder
               : k == "size"        ? Field::Size
               : k == "modified"    ? Field::Modified
               : k == "md5"         ? Field::Md5
                                    : Field::Other;
    } else if (depth_ == 1) {
      top_ = k == "format"         ? Top::Format
             : k == "file_count"   ? Top::FileCount
             : k == "version"      ? Top::Version
             : k == "md5"          ? Top::Md5
             : k == "entries"      ? Top::Entries
             : k == "roots"        ? Top::Roots
             : k == "roots_bytes"  ? Top::RootsBytes
             : k == "scan_options" ? Top::Options
                                   : Top::Other;
    } else if (depth_ == 2 && top_ == Top::Options) {
      option_ = std::move(k);
    }
    return true;
  }
  bool end_object() {
    if (InEntry()) {
      const std::uint32_t folder = cat_.FolderIndex(folder_);
      if (!placeholder_ && !row_.name.empty()) {
        row_.folder = folder;
        cat_.rows.push_back(std::move(row_));
        ++filesSeen_;
      }
      if (stop_.stop_requested()) {
        error_ = "stopped";
        return false;
      }
    }
    --depth_;
    return true;
  }
  bool start_array(std::size_t) {
    ++depth_;
    if (depth_ == 2 && top_ == Top::Entries) {
      inEntries_ = true;
      TellHeader();
    }
    if (depth_ == 2 && top_ == Top::Roots) cat_.hasRoots = true;
    return true;
  }
  bool end_array() {
    if (depth_ == 2 && inEntries_) {
      inEntries_ = false;
      sawEntries_ = true;
    }
    --depth_;
    return true;
  }
  bool parse_error(std::size_t position, const std::string&, const nlohmann::detail::exception& e) {
    char buf[96];
    if (line_ > 0) {
      std::snprintf(buf, sizeof buf, "not valid JSON on line %zu at byte %zu", line_, position);
    } else {
      std::snprintf(buf, sizeof buf, "not valid JSON at byte %zu", position);
    }
    error_ = buf;
    // The library's own words say what was wrong ("unexpected end of input").
    const std::string what = e.what();
    if (const auto at = what.find("syntax error"); at != std::string::npos) {
      error_ += ": " + what.substr(at);
    }
    return false;
  }

  // JSON Lines: the header object has been read; each further line is one
  // entry object.
  void BeginLines() {
    line_ = 1;
    if (sawEntries_) return;  // the whole catalogue stood on the first line
    inEntries_ = sawEntries_ = lines_ = true;
    entryDepth_ = 1;
    top_ = Top::Other;
    TellHeader();
  }
  void NextLine() { ++line_; }

  std::string Finish() {
    if (!error_.empty()) return error_;
    if (format_ != kFormatName || !sawEntries_) return "not an Ordano JSON catalogue";
    if (version_ != 1) return "an Ordano catalogue of a version this program does not read";
    // Lines end where any line may end: only the count tells a cut file.
    if (lines_ && filesSeen_ != recordedCount_)
      return "file_count says " + std::to_string(recordedCount_) + " files, but " +
             std::to_string(filesSeen_) + " lines list one (truncated?)";
    if (rootsBytes_.size() == cat_.roots.size()) cat_.roots = std::move(rootsBytes_);
    return {};
  }

 private:
  enum class Top { Other, Format, Version, FileCount, Md5, Entries, Roots, RootsBytes, Options };
  enum class Field { Other, Folder, Name, NameBytes, Placeholder, Size, Modified, Md5 };
  bool InEntry() const { return inEntries_ && depth_ == entryDepth_; }
  void TellHeader() {
    if (onHeader_ != nullptr && format_ == kFormatName && version_ == 1 && cat_.hasRoots) {
      CatalogueHeader header = CatalogueHeader::Of(cat_);
      if (rootsBytes_.size() == cat_.roots.size()) header.roots = rootsBytes_;
      header.fileCount = fileCount_;
      (*onHeader_)(std::move(header));
      onHeader_ = nullptr;
    }
  }
  void ScanOption(bool v) {
    Catalogue::ScanOptions& o = cat_.scanOptions;
    bool* flag = option_ == "read_shortcuts"        ? &o.readShortcuts
                 : option_ == "relative_output"     ? &o.relativeOutput
                 : option_ == "relative_root_name"  ? &o.relativeRootName
                 : option_ == "include_target_name" ? &o.includeTargetName
                 : option_ == "omit_volume_name"    ? &o.omitVolumeName
                 : option_ == "omit_folder_name"    ? &o.omitFolderName
                 : option_ == "one_file_system"     ? &o.oneFileSystem
                                                    : nullptr;
    if (flag != nullptr) *flag = v;
  }

  Catalogue& cat_;
  const std::uint64_t heldBytes_;
  const std::function<void(CatalogueHeader)>* onHeader_;
  std::stop_token stop_;
  std::uint64_t fileCount_ = 0, recordedCount_ = 0, filesSeen_ = 0;
  std::size_t line_ = 0;  // JSON Lines: the line being read (1 the header)
  int depth_ = 0, entryDepth_ = 3;
  bool lines_ = false;
  Top top_ = Top::Other;
  Field field_ = Field::Other;
  bool inEntries_ = false, sawEntries_ = false;
  bool placeholder_ = false, haveBytes_ = false;
  std::uint64_t version_ = 0;
  std::string format_, folder_, error_, option_;
  std::vector<std::string> rootsBytes_;
  CatalogueRow row_;
};

// One CSV record: fields in double quotes (doubled quotes inside, commas and
// line breaks allowed) or bare, separated by commas, ended by "\r\n" or "\n".
class CsvRecords {
 public:
  explicit CsvRecords(std::string_view text) : s_(text) {}

  // False at the end or on a malformed record (error() then says why).
  bool Next(std::vector<std::string>& fields) {
    fields.clear();
    if (at_ >= s_.size()) return false;
    for (;;) {
      std::string field;
      if (at_ < s_.size() && s_[at_] == '"') {
        ++at_;
        for (;;) {
          const std::size_t q = s_.find('"', at_);
          if (q == std::string_view::npos) {
            error_ = "a quoted CSV field runs to the end of the file (truncated?)";
            return false;
          }
          field.append(s_.substr(at_, q - at_));
          at_ = q + 1;
          if (at_ < s_.size() && s_[at_] == '"') {
            field.push_back('"');
            ++at_;
            continue;
          }
          break;
        }
      } else {
        const std::size_t end = s_.find_first_of(",\r\n", at_);
        const std::size_t stop = end == std::string_view::npos ? s_.size() : end;
        field.assign(s_.substr(at_, stop - at_));
        at_ = stop;
      }
      fields.push_back(std::move(field));
      if (at_ >= s_.size()) {
        ended_ = false;
        return true;
      }
      if (s_[at_] == ',') {
        ++at_;
        continue;
      }
      if (s_.substr(at_, 2) == "\r\n") {
        at_ += 2;
        return true;
      }
      if (s_[at_] == '\n') {
        ++at_;
        return true;
      }
      error_ = s_.substr(at_) == "\r" ? "the last CSV row ends half-way through its line break"
                                      : "a CSV field has text after its closing quote";
      return false;
    }
  }
  const std::string& error() const { return error_; }
  // Whether the last record had its line break: every row the writer makes has one.
  bool LastRowEnded() const { return ended_; }

 private:
  std::string_view s_;
  std::size_t at_ = 0;
  bool ended_ = true;
  std::string error_;
};

// A field of a record, empty when the record is shorter.
std::string_view FieldAt(const std::vector<std::string>& f, std::size_t i) {
  return i < f.size() ? std::string_view(f[i]) : std::string_view();
}

// "1,234" (digits with group commas) before "Byte"; other units are not exact.
bool CsvSize(std::string_view text, std::uint64_t& size) {
  if (!text.ends_with("Byte")) return false;
  text.remove_suffix(4);
  std::string digits;
  for (const char c : text) {
    if (c == ',') continue;
    if (c < '0' || c > '9') return false;
    digits.push_back(c);
  }
  if (digits.empty()) return false;
  const auto [p, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), size);
  return ec == std::errc() && p == digits.data() + digits.size();
}

bool SummaryLabel(std::string_view label) {
  return label.starts_with("総ファイル数 ") || label.starts_with("ファイル数 ") ||
         label == "空き容量" || label == "総容量";
}

// N of a total row's label "総ファイル数 N 個".
std::optional<std::uint64_t> TotalCount(std::string_view label) {
  constexpr std::string_view kHead = "総ファイル数 ", kTail = " 個";
  if (!label.starts_with(kHead) || !label.ends_with(kTail)) return std::nullopt;
  label = label.substr(kHead.size(), label.size() - kHead.size() - kTail.size());
  std::uint64_t n = 0;
  const auto [p, ec] = std::from_chars(label.data(), label.data() + label.size(), n);
  if (label.empty() || ec != std::errc() || p != label.data() + label.size()) return std::nullopt;
  return n;
}

// Each run of the writer lists its files and, unless switched off, one total
// row counting them: above them (top) or below them (bottom). Appended runs
// follow one another, each with its own settings. A total row is kept by a
// complete catalogue when its count fits in the file rows before it (since
// the previous total row) or after it (up to the next one). A cut catalogue
// whose total sits at the top of the last run fails that. One cut above a
// bottom total row has no total at all: since nothing else shows the cut, a
// CSV catalogue without any total row is refused rather than read as one
// that lost files.
class CsvTotals {
 public:
  void FileRow() { ++files_; }
  void Total(std::uint64_t count) { totals_.push_back({count, files_}); }

  std::string Check() const {
    if (totals_.empty())
      return "no total row (総ファイル数 N 個), so it cannot be told from a cut catalogue "
             "(truncated?); write it with the total row, or as JSON";
    for (std::size_t i = 0; i < totals_.size(); ++i) {
      const std::uint64_t before = totals_[i].at - (i == 0 ? 0 : totals_[i - 1].at);
      const std::uint64_t after =
          (i + 1 < totals_.size() ? totals_[i + 1].at : files_) - totals_[i].at;
      if (before >= totals_[i].count || after >= totals_[i].count) continue;
      return "a total row counts " + std::to_string(totals_[i].count) + " files, but only " +
             std::to_string(std::max(before, after)) + " are listed with it (truncated?)";
    }
    return {};
  }

 private:
  struct Seen {
    std::uint64_t count;
    std::uint64_t at;  // file rows before it
  };
  std::vector<Seen> totals_;
  std::uint64_t files_ = 0;
};

// The columns of a header row: [フォルダ名,] ファイル名, サイズ, 更新日付, 作成日付[, MD5].
struct CsvColumns {
  std::size_t width = 0;
  std::size_t name = 0;  // 1 after the folder column
  std::optional<std::size_t> md5;

  static std::optional<CsvColumns> FromHeader(const std::vector<std::string>& f) {
    CsvColumns c;
    if (f.size() >= 4 && f[0] == "ファイル名") {
      c.name = 0;
    } else if (f.size() >= 5 && f[0] == "フォルダ名" && f[1] == "ファイル名") {
      c.name = 1;
    } else {
      return std::nullopt;
    }
    c.width = f.size();
    if (f.back() == "MD5" && c.width >= c.name + 5) c.md5 = c.width - 1;
    return c;
  }
  bool FolderColumn() const { return name == 1; }
};

std::string ParseCsv(std::string_view bytes, Catalogue& cat) {
  // UTF-16LE after FF FE; an odd byte at the end is a cut file.
  cat.rawNames = false;
  if (bytes.size() % 2 != 0) return "a UTF-16 catalogue with an odd number of bytes (truncated?)";
  std::u16string units(bytes.size() / 2 - 1, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    units[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 + 2 * i]) |
                                     static_cast<unsigned char>(bytes[3 + 2 * i]) << 8);
  }
  const std::string text = Utf16ToUtf8(units);
  CsvRecords records(text);
  std::vector<std::string> f;
  std::optional<CsvColumns> cols;
  CsvTotals totals;
  std::string folder;
  constexpr std::string_view kTargetLabel = "ターゲットフォルダ：";
  while (records.Next(f)) {
    const std::string_view first = FieldAt(f, 0);
    if (!cols) {
      if ((cols = CsvColumns::FromHeader(f))) {
        cat.md5 = cols->md5.has_value();
        continue;
      }
      if (first == "フォルダ名")
        return "a CSV catalogue of folder names only has no files to compare";
    }
    // Target-folder rows: the folder, then empty fields.
    const bool restEmpty =
        std::all_of(f.begin() + (f.empty() ? 0 : 1), f.end(), [](auto& v) { return v.empty(); });
    if (f.size() >= 3 && f.size() < (cols ? cols->width : 5) && restEmpty) {
      folder = first.starts_with(kTargetLabel) ? first.substr(kTargetLabel.size()) : first;
      cat.FolderIndex(folder);
      continue;
    }
    if (!cols) {
      // Rows above the header: a total at the top, the capacity.
      if (const auto count = TotalCount(first)) totals.Total(*count);
      continue;
    }
    if (f.size() != cols->width)
      return "a CSV row with " + std::to_string(f.size()) + " fields, not " +
             std::to_string(cols->width);
    const std::size_t n = cols->name;
    const std::string_view name = FieldAt(f, n);
    // Summary rows: the label in the first field, no times.
    if (FieldAt(f, n + 2).empty() && FieldAt(f, n + 3).empty() && (n == 0 || name.empty()) &&
        SummaryLabel(first)) {
      if (const auto count = TotalCount(first)) totals.Total(*count);
      continue;
    }
    if (name.empty()) continue;
    CatalogueRow row;
    row.folder = cat.FolderIndex(cols->FolderColumn() ? first : std::string_view(folder));
    row.name = name;
    row.hasSize = CsvSize(FieldAt(f, n + 1), row.size);
    row.modified = CsvTime(FieldAt(f, n + 2));
    if (cols->md5) row.hasMd5 = ParseMd5(FieldAt(f, *cols->md5), row.md5);
    cat.rows.push_back(std::move(row));
    totals.FileRow();
  }
  if (!records.error().empty()) return records.error();
  if (!cols) return "not an Ordano CSV catalogue (no header row)";
  if (!records.LastRowEnded()) return "the last CSV row has no line break (truncated?)";
  return totals.Check();
}

// The file in blocks, for the JSON parser: a catalogue of any size costs one
// block besides its rows.
class BlockReader {
 public:
  static constexpr std::size_t kBlock = 1 << 20;
  explicit BlockReader(int fd) : fd_(fd), buf_(std::make_unique_for_overwrite<char[]>(kBlock)) {}

  bool AtEnd() {
    if (pos_ == len_) Refill();
    return pos_ == len_;
  }
  char Peek() const { return buf_[pos_]; }
  // The rest of the current block, left in place.
  std::string_view Buffered() const { return {buf_.get() + pos_, len_ - pos_}; }
  void Advance() { ++pos_; }
  // The rest of the current block, taken whole.
  std::string_view TakeBlock() {
    const std::string_view rest(buf_.get() + pos_, len_ - pos_);
    pos_ = len_;
    return rest;
  }
  const std::string& error() const { return error_; }

 private:
  void Refill() {
    pos_ = len_ = 0;
    while (!done_) {
      const ssize_t n = ::read(fd_, buf_.get(), kBlock);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) error_ = std::strerror(errno);
      if (n <= 0) done_ = true;
      if (n > 0) len_ = static_cast<std::size_t>(n);
      break;
    }
  }

  int fd_;
  std::unique_ptr<char[]> buf_;
  std::size_t pos_ = 0, len_ = 0;
  bool done_ = false;
  std::string error_;
};

class BlockIterator {
 public:
  using iterator_category = std::input_iterator_tag;
  using value_type = char;
  using difference_type = std::ptrdiff_t;
  using pointer = const char*;
  using reference = char;

  BlockIterator() = default;
  explicit BlockIterator(BlockReader& reader) : reader_(&reader) {}
  char operator*() const { return reader_->Peek(); }
  BlockIterator& operator++() {
    reader_->Advance();
    return *this;
  }
  BlockIterator operator++(int) {
    BlockIterator before = *this;
    reader_->Advance();
    return before;
  }
  bool operator==(const BlockIterator& other) const { return Done() == other.Done(); }

 private:
  bool Done() const { return reader_ == nullptr || reader_->AtEnd(); }
  BlockReader* reader_ = nullptr;
};

template <typename Iterator>
CatalogueLoad ParseJson(Iterator first, Iterator last, std::uint64_t size,
                        const std::function<void(CatalogueHeader)>* onHeader = nullptr,
                        std::stop_token stop = {}) {
  CatalogueLoad load;
  CatalogueSax sax(load.catalogue, size, onHeader, std::move(stop));
  nlohmann::json::sax_parse(std::move(first), std::move(last), &sax);
  load.error = sax.Finish();
  if (load.error.empty()) load.catalogue.SortRows();
  return load;
}

// JSON Lines: a first line that is a whole JSON object by itself (the JSON
// catalogue's first line leaves its entries array open).
bool IsJsonLinesStart(std::string_view bytes) {
  const std::size_t end = bytes.find('\n');
  if (end == std::string_view::npos || !bytes.starts_with('{')) return false;
  return nlohmann::json::accept(bytes.substr(0, end));
}

// Lines of the file, taken block by block; a line across two blocks is
// joined in a buffer of its own.
class LineReader {
 public:
  explicit LineReader(BlockReader& reader) : reader_(reader) {}
  bool Next(std::string_view& line) {
    joined_.clear();
    for (;;) {
      const std::size_t end = block_.find('\n');
      if (end != std::string_view::npos) {
        if (joined_.empty()) {
          line = block_.substr(0, end);
        } else {
          joined_.append(block_.substr(0, end));
          line = joined_;
        }
        block_.remove_prefix(end + 1);
        return true;
      }
      joined_.append(block_);
      block_ = {};
      if (reader_.AtEnd()) {
        if (joined_.empty()) return false;
        unended_ = true;
        line = joined_;
        return true;
      }
      block_ = reader_.TakeBlock();
    }
  }
  // Whether the last line had no line break: every line the writer makes has one.
  bool LastLineUnended() const { return unended_; }

 private:
  BlockReader& reader_;
  std::string_view block_;
  std::string joined_;
  bool unended_ = false;
};

// Lines of bytes in memory.
class MemoryLines {
 public:
  explicit MemoryLines(std::string_view bytes) : rest_(bytes) {}
  bool Next(std::string_view& line) {
    if (rest_.empty()) return false;
    const std::size_t end = rest_.find('\n');
    unended_ = end == std::string_view::npos;
    line = rest_.substr(0, end);
    rest_.remove_prefix(unended_ ? rest_.size() : end + 1);
    return true;
  }
  bool LastLineUnended() const { return unended_; }

 private:
  std::string_view rest_;
  bool unended_ = false;
};

template <typename Lines>
CatalogueLoad ParseJsonLines(Lines& lines, std::uint64_t size,
                             const std::function<void(CatalogueHeader)>* onHeader = nullptr,
                             std::stop_token stop = {}) {
  CatalogueLoad load;
  CatalogueSax sax(load.catalogue, size, onHeader, std::move(stop));
  std::string_view line;
  bool ok = lines.Next(line) && nlohmann::json::sax_parse(line, &sax);
  if (ok) sax.BeginLines();
  while (ok && lines.Next(line)) {
    sax.NextLine();
    if (line.find_first_not_of(" \t\r") == std::string_view::npos) continue;
    ok = nlohmann::json::sax_parse(line, &sax);
  }
  load.error = sax.Finish();
  if (load.error.empty() && lines.LastLineUnended())
    load.error = "the last line has no line break (truncated?)";
  if (load.error.empty()) load.catalogue.SortRows();
  return load;
}

// What a path is when it is not a regular file.
std::string NotAFile(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder, not a catalogue file";
  if (S_ISFIFO(mode)) return "a named pipe (FIFO), not a catalogue file";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device, not a catalogue file";
  if (S_ISSOCK(mode)) return "a socket, not a catalogue file";
  return "not a regular file";
}

CatalogueLoad ReadCatalogueFile(const std::string& path,
                                const std::function<void(CatalogueHeader)>* onHeader,
                                std::stop_token stop) {
  // Non-blocking: a FIFO given as the catalogue is named, never waited on.
  const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (!fd) return {{}, std::strerror(errno)};
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) return {{}, std::strerror(errno)};
  if (!S_ISREG(st.st_mode)) return {{}, NotAFile(st.st_mode)};
  ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
  BlockReader reader(fd.get());
  if (reader.AtEnd()) {
    return {{}, reader.error().empty() ? "an empty file, not a catalogue" : reader.error()};
  }
  if (reader.Peek() == '\xFF') {
    // A CSV catalogue is read whole: it is UTF-16 and becomes UTF-8 first anyway.
    std::string bytes;
    while (!reader.AtEnd()) bytes.append(reader.TakeBlock());
    if (!reader.error().empty()) return {{}, reader.error()};
    return ParseCatalogue(bytes);
  }
  // A sparse file claims bytes it does not hold: file_count is bounded by the
  // blocks on disk, not by the length.
  const auto held = std::min(static_cast<std::uint64_t>(st.st_size),
                             static_cast<std::uint64_t>(st.st_blocks) * 512);
  if (IsJsonLinesStart(reader.Buffered())) {
    LineReader lines(reader);
    CatalogueLoad load = ParseJsonLines(lines, held, onHeader, std::move(stop));
    if (!reader.error().empty()) load = {{}, reader.error()};
    return load;
  }
  CatalogueLoad load =
      ParseJson(BlockIterator(reader), BlockIterator(), held, onHeader, std::move(stop));
  if (!reader.error().empty()) load = {{}, reader.error()};
  return load;
}

}  // namespace

bool CatalogueTime::SameInstant(const CatalogueTime& o) const {
  if (offsetMinutes != kNoOffset && o.offsetMinutes != kNoOffset) {
    return wall - offsetMinutes * 60 == o.wall - o.offsetMinutes * 60;
  }
  return wall == o.wall;
}

std::string CatalogueTime::Text() const {
  if (!known) return "-";
  const std::int64_t days = wall >= 0 ? wall / 86400 : (wall - 86399) / 86400;
  const std::int64_t secs = wall - days * 86400;
  // civil_from_days
  const std::int64_t z = days + 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2 ? 1 : 0);
  char buf[64];
  int n = std::snprintf(buf, sizeof buf, "%04lld-%02u-%02u %02d:%02d:%02d",
                        static_cast<long long>(y), m, d, static_cast<int>(secs / 3600),
                        static_cast<int>(secs / 60 % 60), static_cast<int>(secs % 60));
  if (offsetMinutes != kNoOffset) {
    const int off = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
    n += std::snprintf(buf + n, sizeof buf - static_cast<std::size_t>(n), "%c%02d:%02d",
                       offsetMinutes < 0 ? '-' : '+', off / 60, off % 60);
  }
  return std::string(buf, static_cast<std::size_t>(n));
}

std::string Catalogue::PathOf(const CatalogueRow& row) const {
  const std::string& folder = folders[row.folder];
  std::string path;
  path.reserve(folder.size() + 1 + row.name.size());
  path = folder;
  if (!path.ends_with('/')) path.push_back('/');
  path += row.name;
  return path;
}

void Catalogue::SortRows() {
  std::sort(rows.begin(), rows.end(), [this](const CatalogueRow& a, const CatalogueRow& b) {
    if (a.folder != b.folder) {
      const int c = folders[a.folder].compare(folders[b.folder]);
      if (c != 0) return c < 0;
    }
    if (a.name != b.name) return a.name < b.name;
    // Names shown alike (CSV) pair up by content on both sides.
    return std::tie(a.md5, a.size, a.hasMd5, a.hasSize, a.modified.known, a.modified.wall,
                    a.modified.offsetMinutes) < std::tie(b.md5, b.size, b.hasMd5, b.hasSize,
                                                         b.modified.known, b.modified.wall,
                                                         b.modified.offsetMinutes);
  });
}

std::uint32_t Catalogue::FolderIndex(std::string_view folder) {
  if (lastFolder_ < folders.size() && folders[lastFolder_] == folder) return lastFolder_;
  const auto [it, added] =
      folderIndex_.try_emplace(std::string(folder), static_cast<std::uint32_t>(folders.size()));
  if (added) folders.emplace_back(folder);
  lastFolder_ = it->second;
  return lastFolder_;
}

bool ParseMd5(std::string_view hex, std::array<std::uint8_t, 16>& out) {
  if (hex.size() != 32) return false;
  for (std::size_t i = 0; i < 16; ++i) {
    const int hi = HexDigit(hex[2 * i]), lo = HexDigit(hex[2 * i + 1]);
    if (hi < 0 || lo < 0) return false;
    out[i] = static_cast<std::uint8_t>(hi * 16 + lo);
  }
  return true;
}

std::string Md5Text(const std::array<std::uint8_t, 16>& md5) {
  return HexText({reinterpret_cast<const char*>(md5.data()), md5.size()});
}

std::string HexText(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string s;
  s.reserve(bytes.size() * 2);
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    s.push_back(kHex[b >> 4]);
    s.push_back(kHex[b & 0xF]);
  }
  return s;
}

CatalogueTime LocalCatalogueTime(std::int64_t unixSeconds) {
  CatalogueTime t;
  const auto secs = static_cast<std::time_t>(unixSeconds);
  std::tm tm{};
  if (::localtime_r(&secs, &tm) == nullptr) return t;
  t.wall = DaysFromCivil(tm.tm_year + 1900, static_cast<unsigned>(tm.tm_mon + 1),
                         static_cast<unsigned>(tm.tm_mday)) *
               86400 +
           tm.tm_hour * 3600 + tm.tm_min * 60 + tm.tm_sec;
  t.offsetMinutes = static_cast<std::int16_t>(tm.tm_gmtoff / 60);
  t.known = true;
  return t;
}

CatalogueLoad ParseCatalogue(std::string_view bytes) {
  if (IsJsonLinesStart(bytes)) {
    MemoryLines lines(bytes);
    return ParseJsonLines(lines, bytes.size());
  }
  if (!bytes.starts_with("\xFF\xFE")) return ParseJson(bytes.begin(), bytes.end(), bytes.size());
  CatalogueLoad load;
  load.error = ParseCsv(bytes, load.catalogue);
  if (load.error.empty()) load.catalogue.SortRows();
  return load;
}

CatalogueLoad ReadCatalogue(const std::string& path) { return ReadCatalogue(path, {}, {}); }

CatalogueLoad ReadCatalogue(const std::string& path,
                            const std::function<void(CatalogueHeader)>& onHeader,
                            std::stop_token stop) {
  try {
    return ReadCatalogueFile(path, onHeader ? &onHeader : nullptr, std::move(stop));
  } catch (const std::bad_alloc&) {
    return {{}, kOutOfMemory};
  }
}

CatalogueHeader CatalogueHeader::Of(const Catalogue& cat) {
  CatalogueHeader h;
  h.hasRoots = cat.hasRoots;
  h.roots = cat.roots;
  h.scanOptions = cat.scanOptions;
  h.md5 = cat.md5;
  h.fileCount = cat.rows.size();
  return h;
}

}  // namespace ordano
