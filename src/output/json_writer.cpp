#include "output/json_writer.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <vector>

#include "core/app_context.h"
#include "core/format_size.h"
#include "output/catalogue_writers.h"
#include "output/cfilecus.h"
#include "platform/unicode.h"
#include "scan/volume_info.h"

namespace ordano {
namespace {

constexpr std::size_t kBuffer = 262144;

// A streaming writer of compact JSON into the sink: strings escaped as JSON
// requires (quote, backslash and control characters; all else as UTF-8), no
// spaces. Every text comes from UTF-16, where a lone surrogate becomes U+FFFD,
// so the output is always valid UTF-8. Keys are written by the caller as
// literals with their punctuation (",\"size\":").
class JsonOut {
 public:
  explicit JsonOut(CFileCus& sink) : sink_(sink), buf_(kBuffer) {}

  void Raw(std::string_view s) {
    std::memcpy(Room(s.size()), s.data(), s.size());
    used_ += s.size();
  }
  void String(std::u16string_view text) { String(text, {}); }
  // One string of two texts.
  void String(std::u16string_view first, std::u16string_view second) {
    char* p = Room(2 + 6 * (first.size() + second.size()));
    char* const start = p;
    *p++ = '"';
    p = Append(p, first);
    p = Append(p, second);
    *p++ = '"';
    used_ += static_cast<std::size_t>(p - start);
  }
  void Ascii(std::string_view s) {  // a string that needs no escape
    char* p = Room(s.size() + 2);
    *p = '"';
    std::memcpy(p + 1, s.data(), s.size());
    p[s.size() + 1] = '"';
    used_ += s.size() + 2;
  }
  void Time(PackedTime t) {
    if (t == 0) return Raw("null");
    char* p = Room(kIsoTimeTextMax + 3);
    *p = '"';
    char* end = WriteIsoTimeText(p + 1, t);
    *end++ = '"';
    used_ += static_cast<std::size_t>(end - p);
  }
  void Bool(bool v) { Raw(v ? "true" : "false"); }
  template <class Int>
  void Number(Int v) {
    char* p = Room(24);
    used_ += static_cast<std::size_t>(std::to_chars(p, p + 24, v).ptr - p);
  }
  void Flush() {
    sink_.WriteUtf8(std::string_view(buf_.data(), used_));
    used_ = 0;
  }

 private:
  // Space for `n` more bytes: what is pending goes out first when needed.
  char* Room(std::size_t n) {
    if (used_ + n > buf_.size()) {
      Flush();
      if (n > buf_.size()) buf_.resize(n);
    }
    return buf_.data() + used_;
  }
  static char* Append(char* p, std::u16string_view text) {
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n; ++i) {
      char32_t c = text[i];
      if (c < 0x80) {
        if (c >= 0x20 && c != u'"' && c != u'\\') {
          *p++ = static_cast<char>(c);
        } else {
          p = Escape(p, static_cast<unsigned char>(c));
        }
        continue;
      }
      if (c >= 0xD800 && c <= 0xDFFF) {
        if (c <= 0xDBFF && i + 1 < n && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
          c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
          ++i;
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
  std::vector<char> buf_;
  std::size_t used_ = 0;
};

class JsonCatalogueWriter {
 public:
  JsonCatalogueWriter(AppContext& ctx, CFileCus& sink)
      : ctx_(ctx),
        s_(ctx.options.settings),
        run_(ctx.run),
        t_(ctx.table),
        rows_(std::min(ctx.run.EntryCount, ctx.table.Capacity())),
        j_(sink) {}

  void Write() {
    Totals();
    j_.Raw(",\"entries\":[");
    for (int i = 0; i < rows_; ++i) {
      j_.Raw(i == 0 ? "\n" : ",\n");
      Entry(i);
    }
    j_.Raw("\n]}\n");
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
  }

  void Entry(int i) {
    j_.Raw("{\"folder\":");
    j_.String(t_.Folder(i));
    const std::u16string_view name = t_.Name(i);
    j_.Raw(",\"name\":");
    j_.String(name);
    // A name that is not UTF-8: its exact bytes, so a script can still open it.
    if (const std::string_view raw = t_.RawName(i); !raw.empty()) {
      j_.Raw(",\"name_bytes\":");
      j_.Ascii(HexBytes(raw));
    }
    j_.Raw(name.empty() ? ",\"placeholder\":true,\"size\":" : ",\"placeholder\":false,\"size\":");
    j_.Number(t_.Size(i));
    j_.Raw(",\"size_text\":");
    j_.String(t_.SizeText(i, sizeText_));
    j_.Raw(",\"modified\":");
    j_.Time(t_.Modified(i));
    j_.Raw(",\"created\":");
    j_.Time(t_.Created(i));
    if (s_.ComputeMd5) {
      j_.Raw(",\"md5\":");
      j_.String(t_.Md5(i));
    }
    j_.Raw(",\"depth\":");
    j_.Number(t_.Depth(i));
    j_.Raw(",\"link_path\":");
    const auto [linkHead, linkName] = t_.LinkPathParts(i);
    j_.String(linkHead, linkName);
    j_.Raw(",\"title\":");
    j_.String(t_.Title(i));
    if (const auto crawl = CrawlRowOf(t_.SortKey(i))) {
      j_.Raw(",\"kind\":");
      j_.String(crawl->kind);
      j_.Raw(",\"status\":");
      if (crawl->status == 0) {
        j_.Raw("null");
      } else {
        j_.Number(crawl->status);
      }
    }
    j_.Raw("}");
  }

  AppContext& ctx_;
  const SettingsRecord& s_;
  const RunState& run_;
  const EntryTable& t_;
  const int rows_;
  JsonOut j_;
  std::u16string sizeText_;
};

}  // namespace

std::string HexBytes(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    out.push_back(kHex[b >> 4]);
    out.push_back(kHex[b & 0xF]);
  }
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

bool WriteJsonCatalogue(AppContext& ctx, CFileCus& sink, const std::string& path) {
  // A JSON document is one object: it is always written whole, never appended to.
  sink.SetUtf8Mode(true);
  if (!sink.Open(path, CFileCus::OpenMode::Replace)) {
    ShowWriteFailure(ctx);
    return false;
  }
  JsonCatalogueWriter(ctx, sink).Write();
  if (!sink.Close()) {
    ShowWriteFailure(ctx);
    return false;
  }
  return true;
}

}  // namespace ordano
