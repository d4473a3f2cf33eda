#include "crawler/link_extract.h"

#include <array>

#include "crawler/charset.h"
#include "crawler/html_entities.h"
#include "crawler/resource_kind.h"
#include "crawler/text_ops.h"
#include "platform/codepage.h"
#include "platform/unicode.h"

namespace ordano {
namespace {

using text16::npos;

// The scanner reads either decoded text (char16_t) or the bytes of a UTF-8
// body (char). Every decision it takes is on ASCII characters, and UTF-8
// decoding maps each ASCII byte to itself and never folds one into a
// neighbouring sequence, so both give the same pieces; only the pieces that
// become a URL or the title are converted.
template <class Ch>
using View = std::basic_string_view<Ch>;

std::u16string ToText(std::u16string_view s) { return std::u16string(s); }
std::u16string ToText(std::string_view s) { return Utf8ToUtf16(s); }

template <class Ch>
constexpr bool IsSpace(Ch c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}
template <class Ch>
constexpr bool IsTagNameChar(Ch c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
         c == ':';
}
template <class Ch>
constexpr bool IsAttributeNameChar(Ch c) {
  return IsTagNameChar(c) || c == '_';
}
template <class Ch>
constexpr int LowerAscii(Ch c) {
  return (c >= 'A' && c <= 'Z') ? c + 32 : c;
}

// Whether `s` starts at `at` with `lower` (lower-case ASCII), case ignored.
template <class Ch>
bool HasAt(View<Ch> s, std::size_t at, std::string_view lower) {
  if (at > s.size() || s.size() - at < lower.size()) return false;
  for (std::size_t k = 0; k < lower.size(); ++k) {
    if (LowerAscii(s[at + k]) != lower[k]) return false;
  }
  return true;
}

// The first "<" + `lowerRest` at or after `from`, case ignored.
template <class Ch>
std::size_t FindMarkup(View<Ch> s, std::string_view lowerRest, std::size_t from = 0) {
  for (std::size_t at = from; (at = s.find(Ch('<'), at)) != npos; ++at) {
    if (HasAt(s, at + 1, lowerRest)) return at;
  }
  return npos;
}

// The first "url(" at or after `from`, case ignored: found by its "(", rarer
// than its letters.
template <class Ch>
std::size_t FindUrlOpen(View<Ch> s, std::size_t from) {
  if (s.size() < 4 || from > s.size() - 4) return npos;
  for (std::size_t j = from + 3; (j = s.find(Ch('('), j)) != npos; ++j) {
    if (HasAt(s, j - 3, "url")) return j - 3;
  }
  return npos;
}

template <class Ch>
std::size_t FindImport(View<Ch> s, std::size_t from) {
  for (std::size_t at = from; (at = s.find(Ch('@'), at)) != npos; ++at) {
    if (HasAt(s, at + 1, "import")) return at;
  }
  return npos;
}

template <class Ch>
View<Ch> Trim(View<Ch> s) {
  std::size_t b = 0, e = s.size();
  while (b < e && IsSpace(s[b])) ++b;
  while (e > b && IsSpace(s[e - 1])) --e;
  return s.substr(b, e - b);
}

template <class Ch>
long TagEnd(View<Ch> text, std::size_t start) {
  const Ch* const begin = text.data();
  const Ch* const end = begin + text.size();
  for (const Ch* p = begin + start; p < end; ++p) {
    const Ch c = *p;
    if (c == '>') return static_cast<long>(p - begin);
    if (c == '"' || c == '\'') {
      const Ch* close = p + 1;
      while (close < end && *close != c) ++close;
      if (close == end) return -1;
      p = close;
    }
  }
  return -1;
}

void Add(std::vector<LinkRef>& links, std::u16string url, std::u16string_view kind, bool follow) {
  links.push_back(LinkRef{std::move(url), std::u16string(kind), follow});
}

void Append(std::vector<LinkRef>& links, std::vector<LinkRef>&& more) {
  for (auto& l : more) links.push_back(std::move(l));
}

template <class Ch>
void CssUrls(View<Ch> text, std::vector<LinkRef>& links) {
  // The next hit of a pattern at or after `from`, looked for again only once
  // passed, so a text full of one pattern and none of another stays one scan.
  struct Next {
    std::size_t (*find)(View<Ch>, std::size_t);
    std::size_t at = 0;
    bool known = false;
    std::size_t From(View<Ch> text, std::size_t from) {
      if (!known || (at != npos && at < from)) {
        at = find(text, from);
        known = true;
      }
      return at;
    }
  };
  Next urlHit{&FindUrlOpen<Ch>}, importHit{&FindImport<Ch>};
  Next closeHit{[](View<Ch> t, std::size_t from) { return t.find(Ch(')'), from); }};
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t nextUrl = urlHit.From(text, pos);
    const std::size_t nextImport = importHit.From(text, pos);
    if (nextUrl == npos && nextImport == npos) break;

    // An import rule names a stylesheet the page needs: followed, whatever its
    // ending, in its url(…) form and in its bare quoted form alike.
    bool imported = false;
    std::size_t i;
    if (nextImport < nextUrl) {
      i = nextImport + 7;
      while (i < text.size() && IsSpace(text[i])) ++i;
      if (i < text.size() && (text[i] == '"' || text[i] == '\'')) {
        const std::size_t start = i + 1;
        const std::size_t end = std::min(text.find(text[i], start), text.size());
        const View<Ch> value = Trim(text.substr(start, end - start));
        if (!value.empty()) Add(links, ToText(value), kind::kStylesheet, true);
        pos = end + 1;
        continue;
      }
      if (!HasAt(text, i, "url(")) {
        pos = nextImport + 7;
        continue;
      }
      imported = true;
      i += 4;
    } else {
      i = nextUrl + 4;
    }

    while (i < text.size() && IsSpace(text[i])) ++i;
    std::size_t start = i, end;
    if (i < text.size() && (text[i] == '"' || text[i] == '\'')) {
      start = i + 1;
      end = std::min(text.find(text[i], start), text.size());
    } else {
      end = std::min(closeHit.From(text, i), text.size());
    }
    const View<Ch> value = Trim(text.substr(start, end - start));
    if (!value.empty()) {
      std::u16string url = ToText(value);
      if (imported) {
        Add(links, std::move(url), kind::kStylesheet, true);
      } else {
        const auto k = ClassifyByTag(u"", url);
        Add(links, std::move(url), k, false);
      }
    }
    const std::size_t close = closeHit.From(text, end);
    pos = close != npos ? close + 1 : end + 1;
  }
}

template <class Ch>
std::u16string Title(View<Ch> text) {
  const std::size_t open = FindMarkup(text, "title");
  if (open == npos) return {};
  const long end = TagEnd(text, open + 1);
  if (end < 0) return {};
  const auto start = static_cast<std::size_t>(end) + 1;
  const std::size_t close = FindMarkup(text, "/title", start);
  if (close == npos) return {};
  std::u16string title = DecodeEntities(ToText(text.substr(start, close - start)));
  for (auto& c : title) {
    if (c == u'\r' || c == u'\n') c = u' ';
  }
  return std::u16string(text16::Trim(title));
}

// Calls `take(name, value)` for each attribute of a tag's text (between "<"
// and ">") until it returns false. A name without "=" has an empty value.
template <class Ch, class Take>
void ForEachAttribute(View<Ch> tag, Take take) {
  std::size_t i = 0;
  while (i < tag.size() && !IsSpace(tag[i])) ++i;  // the tag's name is no attribute
  while (i < tag.size()) {
    while (i < tag.size() && (IsSpace(tag[i]) || tag[i] == '/')) ++i;
    const std::size_t nameStart = i;
    while (i < tag.size() && IsAttributeNameChar(tag[i])) ++i;
    if (i == nameStart) {
      ++i;
      continue;
    }
    const View<Ch> name = tag.substr(nameStart, i - nameStart);
    while (i < tag.size() && IsSpace(tag[i])) ++i;
    View<Ch> value;
    if (i < tag.size() && tag[i] == '=') {
      ++i;
      while (i < tag.size() && IsSpace(tag[i])) ++i;
      if (i < tag.size() && (tag[i] == '"' || tag[i] == '\'')) {
        const Ch quote = tag[i++];
        const std::size_t end = std::min(tag.find(quote, i), tag.size());
        value = tag.substr(i, end - i);
        i = end < tag.size() ? end + 1 : end;
      } else {
        const std::size_t start = i;
        while (i < tag.size() && !IsSpace(tag[i]) && tag[i] != '>') ++i;
        value = tag.substr(start, i - start);
      }
    }
    if (!take(name, value)) return;
  }
}

// The attributes a tag's links are read from; a tag's other attributes are
// passed over.
enum Attr : std::size_t {
  kHref,
  kXlinkHref,
  kRel,
  kAction,
  kSrc,
  kPoster,
  kSrcset,
  kType,
  kDataSrc,
  kDataOriginal,
  kDataLazySrc,
  kDataSrcset,
  kData,
  kStyle,
  kHttpEquiv,
  kContent,
  kProperty,
  kName,
  kAttrCount
};
constexpr std::array<std::string_view, kAttrCount> kAttrNames = {
    "href",   "xlink:href", "rel",        "action",        "src",           "poster",
    "srcset", "type",       "data-src",   "data-original", "data-lazy-src", "data-srcset",
    "data",   "style",      "http-equiv", "content",       "property",      "name"};

// One tag's attributes, read once: the value of the first of each name.
template <class Ch>
class TagAttributes {
 public:
  // The tag's text between "<" and ">".
  void Read(View<Ch> tag) {
    found_.fill(false);
    ForEachAttribute(tag, [this](View<Ch> name, View<Ch> value) {
      Note(name, value);
      return true;
    });
  }

  // The entity-decoded value; empty when absent.
  std::u16string operator[](Attr a) const {
    return found_[a] ? DecodeEntities(ToText(values_[a])) : std::u16string();
  }

 private:
  void Note(View<Ch> name, View<Ch> value) {
    if (name.size() > 13) return;  // longer than any name looked for
    for (std::size_t a = 0; a < kAttrCount; ++a) {
      if (found_[a] || kAttrNames[a].size() != name.size() || !HasAt(name, 0, kAttrNames[a])) {
        continue;
      }
      found_[a] = true;
      values_[a] = value;
      return;
    }
  }

  std::array<bool, kAttrCount> found_{};
  std::array<View<Ch>, kAttrCount> values_{};
};

// The lower-cased name of a tag; a name longer than the buffer is cut, which
// keeps it unlike every name the kinds know.
class TagNameBuffer {
 public:
  template <class Ch>
  std::u16string_view Read(View<Ch> tag) {
    std::size_t i = 0;
    while (i < tag.size() && IsSpace(tag[i])) ++i;
    if (i < tag.size() && tag[i] == '/') ++i;
    std::size_t n = 0;
    for (; i < tag.size() && IsTagNameChar(tag[i]) && n < buf_.size(); ++i) {
      buf_[n++] = static_cast<char16_t>(LowerAscii(tag[i]));
    }
    return std::u16string_view(buf_.data(), n);
  }

 private:
  std::array<char16_t, 16> buf_{};
};

// One page's tags: each tag's references, in the fixed order of the
// attributes.
template <class Ch>
class TagLinks {
 public:
  explicit TagLinks(PageLinks& page) : page_(page) {}

  void Process(View<Ch> tag) {
    const std::u16string_view name = names_.Read(tag);
    attrs_.Read(tag);
    const TagAttributes<Ch>& attr = attrs_;
    auto& links = page_.links;

    // Reference attribute by tag.
    if (name == u"base") {
      if (!baseTaken_) {
        page_.base = attr[kHref];
        baseTaken_ = true;
      }
    } else if (name == u"a" || name == u"area") {
      if (auto href = attr[kHref]; !href.empty()) {
        const auto k = ClassifyByTag(name, href);
        Add(links, std::move(href), k, true);
      }
    } else if (name == u"link") {
      auto href = attr[kHref];
      const std::u16string rel = text16::LowerAscii(attr[kRel]);
      const std::u16string_view k = rel.find(u"stylesheet") != std::u16string::npos
                                        ? kind::kStylesheet
                                        : ClassifyByTag(u"", href);
      if (!href.empty()) Add(links, std::move(href), k, k == kind::kStylesheet);
    } else if (name == u"form") {
      if (auto action = attr[kAction]; !action.empty()) {
        Add(links, std::move(action), kind::kHtml, true);
      }
    } else {
      auto href = attr[kHref];
      if (href.empty()) href = attr[kXlinkHref];
      if (!href.empty()) {
        const auto k = ClassifyByTag(name, href);
        Add(links, std::move(href), k, false);
      }
    }

    if (auto src = attr[kSrc]; !src.empty()) {
      const auto k = ClassifyByTag(name, src);
      Add(links, std::move(src), k, IsPageKind(k));
    }
    if (auto poster = attr[kPoster]; !poster.empty()) {
      Add(links, std::move(poster), kind::kImage, false);
    }
    if (const auto srcset = attr[kSrcset]; !srcset.empty()) {
      std::u16string_view k = kind::kImage;
      if (name == u"source") {
        const std::u16string type = text16::LowerAscii(attr[kType]);
        k = type.starts_with(u"video/")   ? kind::kVideo
            : type.starts_with(u"audio/") ? kind::kAudio
                                          : kind::kOther;
      }
      Append(links, ParseSrcset(srcset, k));
    }
    for (const Attr lazy : {kDataSrc, kDataOriginal, kDataLazySrc}) {
      if (auto v = attr[lazy]; !v.empty()) {
        const auto k = ClassifyByTag(name, v);
        Add(links, std::move(v), k, false);
      }
    }
    if (const auto dataSrcset = attr[kDataSrcset]; !dataSrcset.empty()) {
      Append(links, ParseSrcset(dataSrcset, kind::kImage));
    }
    if (name == u"object") {
      if (auto data = attr[kData]; !data.empty()) {
        const auto k = ClassifyByTag(u"", data);
        Add(links, std::move(data), k, false);
      }
    }
    if (const auto style = attr[kStyle]; !style.empty()) Append(links, ExtractCssUrls(style));
    if (name == u"meta") Meta(attr);
  }

 private:
  void Meta(const TagAttributes<Ch>& attr) {
    const std::u16string httpEquiv = attr[kHttpEquiv];
    std::u16string content = attr[kContent];
    std::u16string property = attr[kProperty];
    if (property.empty()) property = attr[kName];
    property = text16::LowerAscii(property);
    if (content.empty()) return;
    auto& links = page_.links;
    if (property.starts_with(u"og:image") || property.starts_with(u"twitter:image")) {
      Add(links, content, kind::kImage, false);
    } else if (property.starts_with(u"og:video")) {
      Add(links, content, kind::kVideo, false);
    } else if (property.starts_with(u"og:audio")) {
      Add(links, content, kind::kAudio, false);
    }
    if (text16::EqualsIgnoreCase(httpEquiv, u"refresh")) {
      const std::size_t at = text16::LowerAscii(content).find(u"url=");
      if (at == npos) return;
      std::u16string_view target = std::u16string_view(content).substr(at + 4);
      const auto strip = [](char16_t c) {
        return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'"' || c == u'\'';
      };
      while (!target.empty() && strip(target.front())) target.remove_prefix(1);
      while (!target.empty() && strip(target.back())) target.remove_suffix(1);
      if (!target.empty())
        Add(links, std::u16string(target), kind::kHtml, true);  // "url=" alone names nothing
    }
  }

  PageLinks& page_;
  bool baseTaken_ = false;
  TagNameBuffer names_;
  TagAttributes<Ch> attrs_;
};

template <class Ch>
PageLinks Extract(View<Ch> text, bool isCss) {
  PageLinks page;
  if (!isCss) {
    page.title = Title(text);
    TagLinks<Ch> tags(page);
    std::size_t pos = 0;
    while ((pos = text.find(Ch('<'), pos)) != npos) {
      if (HasAt(text, pos + 1, "!--")) {
        static constexpr Ch kClose[] = {'-', '-', '>'};
        const std::size_t close = text.find(View<Ch>(kClose, 3), pos + 4);
        if (close == npos) break;
        pos = close + 3;
        continue;
      }
      const long end = TagEnd(text, pos + 1);
      if (end < 0) break;
      const auto e = static_cast<std::size_t>(end);
      tags.Process(text.substr(pos + 1, e - pos - 1));
      pos = e + 1;
    }
  }
  CssUrls(text, page.links);
  return page;
}

}  // namespace

long FindTagEnd(std::u16string_view text, std::size_t start) { return TagEnd(text, start); }

std::u16string TagName(std::u16string_view tag) {
  std::size_t i = 0;
  while (i < tag.size() && IsSpace(tag[i])) ++i;
  if (i < tag.size() && tag[i] == u'/') ++i;
  const std::size_t start = i;
  while (i < tag.size() && IsTagNameChar(tag[i])) ++i;
  return text16::LowerAscii(tag.substr(start, i - start));
}

std::u16string GetAttribute(std::u16string_view tag, std::u16string_view name) {
  std::u16string value;
  ForEachAttribute(tag, [&](std::u16string_view n, std::u16string_view v) {
    if (!text16::EqualsIgnoreCase(n, name)) return true;
    value = DecodeEntities(v);
    return false;
  });
  return value;
}

std::vector<LinkRef> ParseSrcset(std::u16string_view value, std::u16string_view kind) {
  std::vector<LinkRef> links;
  std::size_t pos = 0;
  while (pos <= value.size()) {
    const std::size_t comma = std::min(value.find(u',', pos), value.size());
    std::u16string_view piece = text16::Trim(value.substr(pos, comma - pos));
    piece = piece.substr(0, piece.find_first_of(u" \t\r\n"));
    if (!piece.empty()) Add(links, std::u16string(piece), kind, false);
    pos = comma + 1;
  }
  return links;
}

std::vector<LinkRef> ExtractCssUrls(std::u16string_view text) {
  std::vector<LinkRef> links;
  CssUrls(text, links);
  return links;
}

PageLinks ExtractLinks(std::u16string_view text, bool isCss) { return Extract(text, isCss); }

PageLinks ExtractBodyLinks(std::string_view body, std::u16string_view contentType, bool isCss) {
  if (body.empty() || DetectCodePage(contentType, body) != kCodePageUtf8) {
    return Extract<char16_t>(DecodeBody(body, contentType), isCss);
  }
  if (body.size() > 2 && body.starts_with("\xEF\xBB\xBF")) body.remove_prefix(3);
  return Extract(body, isCss);
}

}  // namespace ordano
