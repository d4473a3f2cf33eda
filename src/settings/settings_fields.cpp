#include "settings/settings_fields.h"

#include <array>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "platform/unicode.h"
#include "settings/settings_normalise.h"

namespace ordano {
namespace {

constexpr std::string_view kSortNames[] = {"name", "size", "date", "ext", "natural", "created"};

#define ORDANO_FIELD(member, kind, ...)                                                         \
  SettingsField {                                                                               \
#member, offsetof(SettingsRecord, member), sizeof(SettingsRecord::member), FieldType::kind, \
        __VA_ARGS__                                                                             \
  }

constexpr std::array kFields = {
    ORDANO_FIELD(OutputFolder, Text),
    ORDANO_FIELD(OutputFile, Text),
    ORDANO_FIELD(AppendOutput, Flag),
    ORDANO_FIELD(ConfirmOverwrite, Flag),
    ORDANO_FIELD(WriteTargetFolder, Flag),
    ORDANO_FIELD(Unify, Flag),
    ORDANO_FIELD(WriteDate, Flag),
    ORDANO_FIELD(IncludeHidden, Flag),
    ORDANO_FIELD(ScanToDepth, Flag),
    ORDANO_FIELD(SortOrder, Int, 0, 5, kSortNames),
    ORDANO_FIELD(SortDescending, Flag),
    ORDANO_FIELD(IgnoreHierarchy, Flag),
    ORDANO_FIELD(FolderSizes, Flag),
    ORDANO_FIELD(OmitVolumeName, Flag),
    ORDANO_FIELD(OmitFolderName, Flag),
    ORDANO_FIELD(ForceConfirmAtStart, Flag),
    ORDANO_FIELD(Translucent, Flag),
    ORDANO_FIELD(SizeKB, Flag),
    ORDANO_FIELD(SizeMB, Flag),
    ORDANO_FIELD(SizeAuto, Flag),
    ORDANO_FIELD(HtmlLinks, Flag),
    ORDANO_FIELD(FileNameOnly, Flag),
    ORDANO_FIELD(RelativeOutput, Flag),
    ORDANO_FIELD(OpenAfterSave, Flag),
    ORDANO_FIELD(AppendNameDigits, Flag),
    ORDANO_FIELD(AppendDigitCount, Int, 0, kMaxColumns),
    ORDANO_FIELD(DigitsByTab, Flag),
    ORDANO_FIELD(TabEight, Flag),
    ORDANO_FIELD(HtmlBackColor, Colour),
    ORDANO_FIELD(DateRangeEnabled, Flag),
    ORDANO_FIELD(SearchDepth, Int, -1, 127),
    ORDANO_FIELD(OutputKind, Int, -1, 2),
    ORDANO_FIELD(NoTopmost, Flag),
    ORDANO_FIELD(HideTargetLabel, Flag),
    ORDANO_FIELD(HideFileNameLabel, Flag),
    ORDANO_FIELD(HideTotalLabel, Flag),
    ORDANO_FIELD(RenameTarget, Flag),
    ORDANO_FIELD(IndentTree, Flag),
    ORDANO_FIELD(IncludeEmptyFolders, Flag),
    ORDANO_FIELD(RelativeRootName, Flag),
    ORDANO_FIELD(CharFilter, Flag),
    ORDANO_FIELD(CharFilterMode, Int, -1, 1),
    ORDANO_FIELD(TxtLineBreaks, Flag),
    ORDANO_FIELD(TxtBrTags, Flag),
    ORDANO_FIELD(DropDateDays, Int, 0, kMaxDropDateDays),
    ORDANO_FIELD(DropDateLimit, Flag),
    ORDANO_FIELD(ExpandArchives, Flag),
    ORDANO_FIELD(SaveToClipboard, Flag),
    ORDANO_FIELD(PreferLastExtension, Flag),
    ORDANO_FIELD(ComputeMd5, Flag),
    ORDANO_FIELD(WriteCapacity, Flag),
    ORDANO_FIELD(HeadTags, Text),
    ORDANO_FIELD(BodyTags, Text),
    ORDANO_FIELD(LinkTags, Text),
    ORDANO_FIELD(HeadTagsEnabled, Flag),
    ORDANO_FIELD(BodyTagsEnabled, Flag),
    ORDANO_FIELD(LinkTagsEnabled, Flag),
    ORDANO_FIELD(CapacityPlace, Int, -1, 1),
    ORDANO_FIELD(TotalCountPlace, Int, 0, 1),
    ORDANO_FIELD(DateFromDate, Time),
    ORDANO_FIELD(DateFromTime, Time),
    ORDANO_FIELD(DateToDate, Time),
    ORDANO_FIELD(DateToTime, Time),
    ORDANO_FIELD(TargetName, Text),
    ORDANO_FIELD(CharFilterText, Text),
    ORDANO_FIELD(FolderTag, Text),
    ORDANO_FIELD(FolderTagEnabled, Flag),
    ORDANO_FIELD(FileTag, Text),
    ORDANO_FIELD(FileTagEnabled, Flag),
    ORDANO_FIELD(SavedAt, Text),
    ORDANO_FIELD(NoTitleAtStart, Flag16),
    ORDANO_FIELD(LineWidthEnabled, Flag),
    ORDANO_FIELD(LineWidth, Int, 0, kMaxColumns),
    ORDANO_FIELD(IncludeTargetName, Flag),
    ORDANO_FIELD(ReadShortcuts, Flag),
    ORDANO_FIELD(CsvFolderAndFile, Flag),
    ORDANO_FIELD(AcrylicMode, Flag),
};
#undef ORDANO_FIELD

// The table covers the record: types match member sizes, offsets ascend, and
// the fields with the reserved runs add up to the whole image.
constexpr bool TableCoversRecord() {
  constexpr std::size_t kReserved =
      sizeof(SettingsRecord::Reserved1644) + sizeof(SettingsRecord::Reserved15756) +
      sizeof(SettingsRecord::Reserved22618) + sizeof(SettingsRecord::Reserved22632) +
      sizeof(SettingsRecord::Reserved22708);
  std::size_t total = kReserved, end = 0;
  for (const SettingsField& f : kFields) {
    const std::size_t want = f.type == FieldType::Flag16 ? 2 : f.type == FieldType::Time ? 8 : 4;
    if (f.type == FieldType::Text ? f.bytes % 2 != 0 : f.bytes != want) return false;
    if (f.offset < end) return false;
    end = f.offset + f.bytes;
    total += f.bytes;
  }
  return total == kSettingsRecordSize;
}
static_assert(TableCoversRecord(), "the field table must match SettingsRecord");

bool SameNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

std::uint8_t* At(SettingsRecord& s, const SettingsField& f) {
  return reinterpret_cast<std::uint8_t*>(&s) + f.offset;
}
const std::uint8_t* At(const SettingsRecord& s, const SettingsField& f) {
  return reinterpret_cast<const std::uint8_t*>(&s) + f.offset;
}

template <class T>
T Load(const SettingsRecord& s, const SettingsField& f) {
  T v;
  std::memcpy(&v, At(s, f), sizeof v);
  return v;
}
template <class T>
void Store(SettingsRecord& s, const SettingsField& f, T v) {
  std::memcpy(At(s, f), &v, sizeof v);
}

// Whole text a number, within long long.
std::optional<long long> WholeNumber(std::string_view text, int base = 10) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  long long v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v, base);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return v;
}

std::string TimeText(std::int64_t seconds) {
  const std::time_t t = static_cast<std::time_t>(seconds);
  std::tm tm{};
  char buf[64];
  if (localtime_r(&t, &tm) != nullptr && tm.tm_year >= -1900 && tm.tm_year <= 9999 - 1900) {
    long off = tm.tm_gmtoff;
    if (off % 60 != 0) {  // an offset in seconds (old local mean times): write UTC
      gmtime_r(&t, &tm);
      off = 0;
    }
    const long a = off < 0 ? -off : off;
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d%c%02ld:%02ld", tm.tm_year + 1900,
                  tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, off < 0 ? '-' : '+',
                  a / 3600, a / 60 % 60);
    return buf;
  }
  std::snprintf(buf, sizeof buf, "@%lld", static_cast<long long>(seconds));
  return buf;
}

// "YYYY-MM-DD[(T| )HH:MM[:SS]][Z|±HH:MM|±HHMM]" (local time without a zone)
// or "@SECONDS".
std::optional<std::int64_t> ParseTime(std::string_view text) {
  if (text.starts_with('@')) return WholeNumber(text.substr(1));
  std::size_t i = 0;
  auto digits = [&](std::size_t n, int& out) {
    if (i + n > text.size()) return false;
    out = 0;
    for (std::size_t k = 0; k < n; ++k, ++i) {
      if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
      out = out * 10 + (text[i] - '0');
    }
    return true;
  };
  auto sep = [&](char c) { return i < text.size() && text[i] == c ? (++i, true) : false; };
  int y, mo, d, h = 0, mi = 0, s = 0;
  if (!digits(4, y) || !sep('-') || !digits(2, mo) || !sep('-') || !digits(2, d)) return {};
  if (i < text.size() && (text[i] == 'T' || text[i] == 't' || text[i] == ' ')) {
    ++i;
    if (!digits(2, h) || !sep(':') || !digits(2, mi)) return {};
    if (sep(':') && !digits(2, s)) return {};
  }
  std::optional<long> offset;
  if (sep('Z') || sep('z')) {
    offset = 0;
  } else if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    const bool neg = text[i++] == '-';
    int oh, om;
    if (!digits(2, oh)) return {};
    sep(':');
    if (!digits(2, om) || oh > 23 || om > 59) return {};
    offset = (neg ? -1L : 1L) * (oh * 3600L + om * 60L);
  }
  if (i != text.size()) return {};
  static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  if (mo < 1 || mo > 12 || d < 1 || d > (mo == 2 && !leap ? 28 : kDays[mo - 1]) || h > 23 ||
      mi > 59 || s > 59)
    return {};
  std::tm tm{};
  tm.tm_year = y - 1900;
  tm.tm_mon = mo - 1;
  tm.tm_mday = d;
  tm.tm_hour = h;
  tm.tm_min = mi;
  tm.tm_sec = s;
  if (offset) return static_cast<std::int64_t>(timegm(&tm)) - *offset;
  tm.tm_isdst = -1;
  return static_cast<std::int64_t>(std::mktime(&tm));
}

std::string Escaped(std::u16string_view text) {
  std::string out;
  for (const char c : Utf16ToUtf8(text)) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// The escapes of Escaped; a backslash before anything else stays as it is.
std::string Unescaped(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) {
      const char n = text[i + 1];
      const char* rep = n == '\\'  ? "\\"
                        : n == 'n' ? "\n"
                        : n == 'r' ? "\r"
                        : n == 't' ? "\t"
                                   : nullptr;
      if (rep != nullptr) {
        out += rep;
        ++i;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

}  // namespace

std::span<const SettingsField> SettingsFields() { return kFields; }

const SettingsField* FindSettingsField(std::string_view name) {
  for (const SettingsField& f : kFields) {
    if (SameNoCase(f.name, name)) return &f;
  }
  return nullptr;
}

bool IsStartupRecordField(std::string_view name) {
  for (const std::string_view n :
       {"ProfileNumber", "ProfileCount", "ConfirmSaveOnExit", "WindowLeft", "WindowTop",
        "WindowWidth", "WindowHeight", "NormalMode", "SaveTabPosition", "SaveDrivePosition",
        "TabIndex", "DriveIndex"}) {
    if (SameNoCase(n, name)) return true;
  }
  return false;
}

std::string AcceptedValues(const SettingsField& f) {
  switch (f.type) {
    case FieldType::Flag:
    case FieldType::Flag16:
      return "0/1, on/off, yes/no or true/false";
    case FieldType::Int: {
      std::string s = std::to_string(f.min) + " to " + std::to_string(f.max);
      if (!f.names.empty()) {
        s += " or";
        for (std::size_t i = 0; i < f.names.size(); ++i) {
          s += (i == 0 ? " " : ", ");
          s += f.names[i];
        }
      }
      return s;
    }
    case FieldType::Colour:
      return "a colour as hex RRGGBB (0 is the default colour)";
    case FieldType::Time:
      return "a date as ISO 8601 (2024-05-01, 2024-05-01T18:30:00, with Z or +09:00 for a zone)";
    case FieldType::Text:
      return "a text of up to " + std::to_string(f.bytes / 2 - 1) +
             " characters (\\n, \\r, \\t and \\\\ for line breaks, tabs and backslashes)";
  }
  return {};
}

std::string FieldText(const SettingsRecord& s, const SettingsField& f) {
  switch (f.type) {
    case FieldType::Flag:
    case FieldType::Int:
      return std::to_string(Load<std::int32_t>(s, f));
    case FieldType::Flag16:
      return std::to_string(Load<std::int16_t>(s, f));
    case FieldType::Colour:
      return Utf16ToUtf8(HtmlBackColorText(Load<std::int32_t>(s, f)));
    case FieldType::Time:
      return TimeText(Load<std::int64_t>(s, f));
    case FieldType::Text: {
      const auto* units = reinterpret_cast<const char16_t*>(At(s, f));
      const std::size_t n = f.bytes / 2;
      std::size_t len = 0;
      while (len < n && units[len] != u'\0') ++len;
      return Escaped({units, len});
    }
  }
  return {};
}

FieldSetResult SetFieldFromText(SettingsRecord& s, const SettingsField& f, std::string_view value) {
  FieldSetResult result;
  auto refuse = [&] {
    result.error = f.name;
    *result.error += " takes " + AcceptedValues(f);
    return result;
  };
  switch (f.type) {
    case FieldType::Flag:
    case FieldType::Flag16: {
      int v = -1;
      for (const std::string_view on : {"1", "on", "yes", "true"}) {
        if (SameNoCase(value, on)) v = 1;
      }
      for (const std::string_view off : {"0", "off", "no", "false"}) {
        if (SameNoCase(value, off)) v = 0;
      }
      if (v < 0) return refuse();
      if (f.type == FieldType::Flag) {
        Store<std::int32_t>(s, f, v);
      } else {
        Store<std::int16_t>(s, f, static_cast<std::int16_t>(v));
      }
      return result;
    }
    case FieldType::Int: {
      std::optional<long long> v = WholeNumber(value);
      for (std::size_t i = 0; !v && i < f.names.size(); ++i) {
        if (SameNoCase(value, f.names[i])) v = f.min + static_cast<long long>(i);
      }
      if (!v || *v < f.min || *v > f.max) return refuse();
      Store<std::int32_t>(s, f, static_cast<std::int32_t>(*v));
      return result;
    }
    case FieldType::Colour: {
      if (value.starts_with('#')) value.remove_prefix(1);
      const auto v = value.size() <= 6 ? WholeNumber(value, 16) : std::nullopt;
      if (!v || value.starts_with('+') || *v < 0) return refuse();
      Store<std::int32_t>(s, f, static_cast<std::int32_t>(*v));
      return result;
    }
    case FieldType::Time: {
      const auto v = ParseTime(value);
      if (!v) return refuse();
      Store<std::int64_t>(s, f, *v);
      return result;
    }
    case FieldType::Text: {
      if (!IsValidUtf8(value)) {
        result.error = std::string(f.name) + ": the value is not valid UTF-8";
        return result;
      }
      if (value.find_first_of(std::string_view("\0\n\r", 3)) != std::string_view::npos) {
        result.error = std::string(f.name) +
                       ": the value holds a NUL or a line break; write a line break as \\n";
        return result;
      }
      std::u16string text = Utf8ToUtf16(Unescaped(value));
      const std::size_t cap = f.bytes / 2 - 1;
      if (text.size() > cap) {
        std::size_t n = cap;
        // Never keep half of a surrogate pair.
        if (text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF) --n;
        text.resize(n);
        result.cut = true;
      }
      auto* units = reinterpret_cast<char16_t*>(At(s, f));
      const std::size_t n = f.bytes / 2;
      std::size_t len = 0;
      while (len < n && units[len] != u'\0') ++len;
      // An unchanged text keeps the bytes after its terminator (a saved file
      // changes only where a value changed).
      if (std::u16string_view(units, len) == text) return result;
      std::fill(units, units + n, u'\0');
      std::copy(text.begin(), text.end(), units);
      return result;
    }
  }
  return refuse();
}

}  // namespace ordano
