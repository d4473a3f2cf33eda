#include "output/json_writer.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/app_context.h"
#include "core/format_size.h"
#include "output/catalogue_writers.h"
#include "output/cfilecus.h"
#include "platform/unicode.h"
#include "scan/volume_info.h"

namespace ordano {
namespace {

// Larger than the sink's own buffer, so each flush goes straight to the file
// instead of being copied once more.
constexpr std::size_t kBuffer = 4 * CFileCus::kBufferSize;

// The most bytes one UTF-16 unit becomes: a control character as \u00XX.
constexpr std::size_t kPerUnit = 6;

// Which ASCII characters a JSON string can hold as they are.
constexpr std::array<bool, 128> kPlainAscii = [] {
  std::array<bool, 128> plain{};
  for (int c = 0x20; c < 0x80; ++c) plain[static_cast<std::size_t>(c)] = c != '"' && c != '\\';
  return plain;
}();

// Compact JSON into the sink: strings escaped as JSON requires (quote,
// backslash and control characters; all else as UTF-8), no spaces. Every text
// comes from UTF-16, where a lone surrogate becomes U+FFFD, so the output is
// always valid UTF-8. The writes go through a cursor: a caller first reserves
// room for the most its next writes can take (Begin), then writes without a
// check per piece and hands the cursor back (End).
class JsonOut {
 public:
  explicit JsonOut(CFileCus& sink)
      : sink_(sink), buf_(std::make_unique_for_overwrite<char[]>(kBuffer)) {}

  // Room for at most `n` bytes; what is pending goes out first when needed.
  char* Begin(std::size_t n) {
    if (used_ + n > size_) {
      Flush();
      if (n > size_) {
        buf_ = std::make_unique_for_overwrite<char[]>(n);
        size_ = n;
      }
    }
    return buf_.get() + used_;
  }
  void End(char* p) { used_ = static_cast<std::size_t>(p - buf_.get()); }
  void Flush() {
    sink_.WriteUtf8(std::string_view(buf_.get(), used_));
    used_ = 0;
  }

  // Bounds of the pieces below.
  static std::size_t StringBound(std::size_t units) { return 2 + kPerUnit * units; }
  static constexpr std::size_t kTimeBound = kIsoTimeTextMax + 2;
  static constexpr std::size_t kNumberBound = 24;

  template <std::size_t N>
  static char* Raw(char* p, const char (&literal)[N]) {
    std::memcpy(p, literal, N - 1);
    return p + N - 1;
  }
  static char* Raw(char* p, std::string_view s) {
    std::memcpy(p, s.data(), s.size());
    return p + s.size();
  }
  // One string of one or two texts.
  static char* String(char* p, std::u16string_view first, std::u16string_view second = {}) {
    *p++ = '"';
    p = Append(p, first);
    p = Append(p, second);
    *p++ = '"';
    return p;
  }
  static char* Time(char* p, PackedTime t) {
    if (t == 0) return Raw(p, "null");
    *p++ = '"';
    p = WriteIsoTimeText(p, t);
    *p++ = '"';
    return p;
  }
  template <class Int>
  static char* Number(char* p, Int v) {
    return std::to_chars(p, p + kNumberBound, v).ptr;
  }

  // Checked forms, for the few writes outside the rows.
  template <std::size_t N>
  void Raw(const char (&literal)[N]) {
    End(Raw(Begin(N), literal));
  }
  void String(std::u16string_view text) { End(String(Begin(StringBound(text.size())), text)); }
  void Bool(bool v) { v ? Raw("true") : Raw("false"); }
  template <class Int>
  void Number(Int v) {
    End(Number(Begin(kNumberBound), v));
  }

 private:
  // UTF-16 to escaped UTF-8; writes at most kPerUnit bytes per unit.
  static char* Append(char* p, std::u16string_view text) {
    const char16_t* s = text.data();
    const char16_t* const end = s + text.size();
    while (s != end) {
#if defined(__SSE2__)
      // Eight, then four units at a time while they are plain ASCII (most
      // names): narrowed to bytes in one step.
      if (end - s >= 4) {
        const bool eight = end - s >= 8;
        const int run = PlainRun(p, s, eight);
        p += run;
        s += run;
        if (run == (eight ? 8 : 4)) continue;
      }
#endif
      const char32_t c = *s;
      if (c < 0x80) {
        if (kPlainAscii[c]) {
          *p++ = static_cast<char>(c);
        } else {
          p = Escape(p, static_cast<unsigned char>(c));
        }
        ++s;
        continue;
      }
      p = Utf8(p, s, end);
    }
    return p;
  }
#if defined(__SSE2__)
  // Stores eight (or four) units at s as bytes at p and returns how many of
  // them lead as plain ASCII; the bytes after those are written over. The
  // room reserved for the units (kPerUnit each) covers the 8-byte store.
  static int PlainRun(char* p, const char16_t* s, bool eight) {
    const __m128i v = eight ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(s))
                            : _mm_loadl_epi64(reinterpret_cast<const __m128i*>(s));
    const __m128i zero = _mm_setzero_si128();
    const __m128i ascii = _mm_cmpeq_epi16(_mm_and_si128(v, _mm_set1_epi16(-0x80)), zero);
    const __m128i control = _mm_cmpeq_epi16(_mm_and_si128(v, _mm_set1_epi16(-0x20)), zero);
    const __m128i special = _mm_or_si128(_mm_cmpeq_epi16(v, _mm_set1_epi16('"')),
                                         _mm_cmpeq_epi16(v, _mm_set1_epi16('\\')));
    const auto plain = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_andnot_si128(_mm_or_si128(control, special), ascii)));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p), _mm_packus_epi16(v, v));
    // Two mask bits a unit; the loaded lanes past four are zeros (not plain).
    return std::countr_one(plain) / 2;
  }
#endif
  // One code point from s (two units for a surrogate pair), advancing s.
  static char* Utf8(char* p, const char16_t*& s, const char16_t* end) {
    char32_t c = *s++;
    if (c >= 0xD800 && c <= 0xDFFF) {
      if (c <= 0xDBFF && s != end && *s >= 0xDC00 && *s <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (*s - 0xDC00);
        ++s;
      } else {
        c = 0xFFFD;
      }
    }
    if (c < 0x800) {
      *p++ = static_cast<char>(0xC0 | (c >> 6));
      *p++ = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      *p++ = static_cast<char>(0xE0 | (c >> 12));
      *p++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      *p++ = static_cast<char>(0x80 | (c & 0x3F));
    } else {
      *p++ = static_cast<char>(0xF0 | (c >> 18));
      *p++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      *p++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      *p++ = static_cast<char>(0x80 | (c & 0x3F));
    }
    return p;
  }
  static char* Escape(char* p, unsigned char c) {
    *p++ = '\\';
    switch (c) {
      case '"':
        *p++ = '"';
        return p;
      case '\\':
        *p++ = '\\';
        return p;
      case '\b':
        *p++ = 'b';
        return p;
      case '\f':
        *p++ = 'f';
        return p;
      case '\n':
        *p++ = 'n';
        return p;
      case '\r':
        *p++ = 'r';
        return p;
      case '\t':
        *p++ = 't';
        return p;
      default: {
        static constexpr char kHex[] = "0123456789abcdef";
        const char u[] = {'u', '0', '0', kHex[c >> 4], kHex[c & 0xF]};
        return std::copy(u, u + sizeof u, p);
      }
    }
  }

  CFileCus& sink_;
  std::unique_ptr<char[]> buf_;
  std::size_t size_ = kBuffer;
  std::size_t used_ = 0;
};

// Lower-case hexadecimal of bytes at p.
char* HexBytes(char* p, std::string_view bytes) {
  static constexpr char kHex[] = "0123456789abcdef";
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    *p++ = kHex[b >> 4];
    *p++ = kHex[b & 0xF];
  }
  return p;
}

// One document with an "entries" array, or (lines) JSON Lines: the same
// header as one object on the first line, then one entry object per line.
class JsonCatalogueWriter {
 public:
  JsonCatalogueWriter(AppContext& ctx, CFileCus& sink, bool lines)
      : ctx_(ctx),
        lines_(lines),
        s_(ctx.options.settings),
        run_(ctx.run),
        t_(ctx.table),
        rows_(std::min(ctx.run.EntryCount, ctx.table.Capacity())),
        j_(sink) {}

  void Write() {
    Totals();
    if (lines_) {
      j_.Raw("}\n");
    } else {
      j_.Raw(",\"entries\":[");
    }
    for (int i = 0; i < rows_; ++i) Entry(i);
    if (!lines_) j_.Raw("\n]}\n");
    j_.Flush();
  }

 private:
  void Totals() {
    j_.Raw("{\"format\":\"ordano-catalogue\",\"version\":1,\"file_count\":");
    j_.Number(run_.EntryCount - run_.PlaceholderCount);
    j_.Raw(",\"total_size\":");
    j_.Number(run_.TotalSize);
    j_.Raw(",\"total_size_text\":");
    j_.String(FormatSize(s_, run_.TotalSize));
    j_.Raw(",\"md5\":");
    j_.Bool(s_.ComputeMd5 != 0);
    if (run_.CapacityRequested) {
      const CapacityInfo cap = QueryCapacity(ctx_);
      if (cap.ok) {
        j_.Raw(",\"capacity\":{\"free\":");
        j_.Number(cap.free);
        j_.Raw(",\"free_text\":");
        j_.String(FormatSize(s_, cap.free));
        j_.Raw(",\"total\":");
        j_.Number(cap.total);
        j_.Raw(",\"total_text\":");
        j_.String(FormatSize(s_, cap.total));
        j_.Raw("}");
      }
    }
    Origin();
  }

  // What a verify needs to walk the same way again: the scanned paths (also
  // as bytes when one is not UTF-8) and the options that shape which entries
  // the walk reaches and the texts of their folders and names.
  void Origin() {
    const std::vector<std::string>& roots = run_.Roots;
    j_.Raw(",\"roots\":[");
    bool raw = false;
    for (std::size_t i = 0; i < roots.size(); ++i) {
      if (i > 0) j_.Raw(",");
      j_.String(ToDisplay(roots[i]));
      raw |= !IsValidUtf8(roots[i]);
    }
    j_.Raw("]");
    if (raw) {
      j_.Raw(",\"roots_bytes\":[");
      for (std::size_t i = 0; i < roots.size(); ++i) {
        if (i > 0) j_.Raw(",");
        j_.String(Utf8ToUtf16(ordano::HexBytes(roots[i])));
      }
      j_.Raw("]");
    }
    j_.Raw(",\"scan_options\":{\"read_shortcuts\":");
    j_.Bool(s_.ReadShortcuts != 0);
    j_.Raw(",\"relative_output\":");
    j_.Bool(s_.RelativeOutput != 0);
    j_.Raw(",\"relative_root_name\":");
    j_.Bool(s_.RelativeRootName != 0);
    j_.Raw(",\"include_target_name\":");
    j_.Bool(s_.IncludeTargetName != 0);
    j_.Raw(",\"omit_volume_name\":");
    j_.Bool(s_.OmitVolumeName != 0);
    j_.Raw(",\"omit_folder_name\":");
    j_.Bool(s_.OmitFolderName != 0);
    j_.Raw(",\"one_file_system\":");
    j_.Bool(run_.OnlyDevice.has_value());
    j_.Raw("}");
  }

  // One row, written into room reserved once for all its pieces.
  void Entry(int i) {
    const std::u16string_view folder = t_.Folder(i);
    const std::u16string_view name = t_.Name(i, nameBuffer_);
    const std::string_view raw = t_.RawName(i);
    const std::u16string_view sizeText = t_.SizeText(i, sizeText_);
    const std::u16string_view md5 = md5_ ? t_.Md5(i) : std::u16string_view{};
    const auto [linkHead, linkName] = t_.LinkPathParts(i, linkNameBuffer_);
    const std::u16string_view title = t_.Title(i);
    const auto crawl = CrawlRowOf(t_.SortKey(i));
    const std::size_t units = folder.size() + name.size() + sizeText.size() + md5.size() +
                              linkHead.size() + linkName.size() + title.size() +
                              (crawl ? crawl->kind.size() : 0);
    // Keys and punctuation (under 300 bytes), three numbers, two times, seven
    // strings, and the hex of a raw name.
    char* p = j_.Begin(320 + 3 * JsonOut::kNumberBound + 2 * JsonOut::kTimeBound +
                       JsonOut::StringBound(units) + 7 * 2 + 2 * raw.size() + 2);
    p = JsonOut::Raw(p, lines_   ? std::string_view("{\"folder\":")
                        : i == 0 ? std::string_view("\n{\"folder\":")
                                 : ",\n{\"folder\":");
    p = JsonOut::String(p, folder);
    p = JsonOut::Raw(p, ",\"name\":");
    p = JsonOut::String(p, name);
    // A name that is not UTF-8: its exact bytes, so a script can still open it.
    if (!raw.empty()) {
      p = JsonOut::Raw(p, ",\"name_bytes\":\"");
      p = HexBytes(p, raw);
      *p++ = '"';
    }
    p = JsonOut::Raw(p, name.empty() ? std::string_view(",\"placeholder\":true,\"size\":")
                                     : ",\"placeholder\":false,\"size\":");
    p = JsonOut::Number(p, t_.Size(i));
    p = JsonOut::Raw(p, ",\"size_text\":");
    p = JsonOut::String(p, sizeText);
    p = JsonOut::Raw(p, ",\"modified\":");
    p = JsonOut::Time(p, t_.Modified(i));
    p = JsonOut::Raw(p, ",\"created\":");
    p = JsonOut::Time(p, t_.Created(i));
    if (md5_) {
      p = JsonOut::Raw(p, ",\"md5\":");
      p = JsonOut::String(p, md5);
    }
    p = JsonOut::Raw(p, ",\"depth\":");
    p = JsonOut::Number(p, t_.Depth(i));
    p = JsonOut::Raw(p, ",\"link_path\":");
    p = JsonOut::String(p, linkHead, linkName);
    p = JsonOut::Raw(p, ",\"title\":");
    p = JsonOut::String(p, title);
    if (crawl) {
      p = JsonOut::Raw(p, ",\"kind\":");
      p = JsonOut::String(p, crawl->kind);
      p = JsonOut::Raw(p, ",\"status\":");
      p = crawl->status == 0 ? JsonOut::Raw(p, "null") : JsonOut::Number(p, crawl->status);
    }
    *p++ = '}';
    if (lines_) *p++ = '\n';
    j_.End(p);
  }

  AppContext& ctx_;
  const bool lines_;
  const SettingsRecord& s_;
  const RunState& run_;
  const EntryTable& t_;
  const int rows_;
  const bool md5_ = s_.ComputeMd5 != 0;
  JsonOut j_;
  std::u16string sizeText_, nameBuffer_, linkNameBuffer_;
};

}  // namespace

void AppendJsonString(std::string& out, std::u16string_view text, bool scriptSafe) {
  const std::size_t from = out.size();
  out.resize(from + JsonOut::StringBound(text.size()) + 8);
  out.resize(static_cast<std::size_t>(JsonOut::String(out.data() + from, text) - out.data()));
  if (!scriptSafe) return;
  // Inside a script element "</script" or "<!--" would end or change the
  // element, and U+2028/U+2029 end a line in older JavaScript.
  const auto unsafe = [](unsigned char c) { return c == '<' || c == '>' || c == '&' || c == 0xE2; };
  std::size_t at = from;
  while (at < out.size() && !unsafe(static_cast<unsigned char>(out[at]))) ++at;
  if (at == out.size()) return;
  std::string safe = out.substr(at);
  out.resize(at);
  for (std::size_t i = 0; i < safe.size(); ++i) {
    const char c = safe[i];
    if (c == '<') {
      out += "\\u003c";
    } else if (c == '>') {
      out += "\\u003e";
    } else if (c == '&') {
      out += "\\u0026";
    } else if (safe.compare(i, 3, "\xE2\x80\xA8") == 0 || safe.compare(i, 3, "\xE2\x80\xA9") == 0) {
      out += safe[i + 2] == '\xA8' ? "\\u2028" : "\\u2029";
      i += 2;
    } else {
      out += c;
    }
  }
}

std::string HexBytes(std::string_view bytes) {
  std::string out(bytes.size() * 2, '\0');
  HexBytes(out.data(), bytes);
  return out;
}

std::u16string CrawlSortKey(std::u16string_view sortText, std::u16string_view kind,
                            unsigned long status) {
  std::u16string key(sortText);
  key += u'\0';
  key += kind;
  key += u'\0';
  for (const char c : std::to_string(status)) key += static_cast<char16_t>(c);
  return key;
}

std::optional<CrawlRowInfo> CrawlRowOf(std::u16string_view sortKey) {
  const std::size_t first = sortKey.find(u'\0');
  if (first == std::u16string_view::npos) return std::nullopt;
  const std::size_t second = sortKey.find(u'\0', first + 1);
  if (second == std::u16string_view::npos) return std::nullopt;
  CrawlRowInfo info{sortKey.substr(0, first), sortKey.substr(first + 1, second - first - 1), 0};
  for (const char16_t c : sortKey.substr(second + 1)) {
    if (c < u'0' || c > u'9') return std::nullopt;
    info.status = info.status * 10 + static_cast<unsigned long>(c - u'0');
  }
  return info;
}

namespace {

bool WriteJson(AppContext& ctx, CFileCus& sink, const std::string& path, bool lines) {
  // A JSON document is one object: it is always written whole, never appended to.
  sink.SetUtf8Mode(true);
  if (!sink.Open(path, CFileCus::OpenMode::Replace)) {
    ShowWriteFailure(ctx, path, sink.Error());
    return false;
  }
  JsonCatalogueWriter(ctx, sink, lines).Write();
  if (!sink.Close()) {
    ShowWriteFailure(ctx, path, sink.Error());
    return false;
  }
  return true;
}

}  // namespace

bool WriteJsonCatalogue(AppContext& ctx, CFileCus& sink, const std::string& path) {
  return WriteJson(ctx, sink, path, false);
}

bool WriteJsonLinesCatalogue(AppContext& ctx, CFileCus& sink, const std::string& path) {
  return WriteJson(ctx, sink, path, true);
}

void StreamJsonLines(AppContext& ctx, CFileCus& sink) {
  JsonCatalogueWriter(ctx, sink, true).Write();
}

}  // namespace ordano
