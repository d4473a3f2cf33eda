// The former link extractor (decoded text, one attribute search per name),
// kept for the bench to check the current one against: both must find the
// same title, base and links on every page.
#include "link_extract_reference.h"

#include "crawler/html_entities.h"
#include "crawler/resource_kind.h"
#include "crawler/text_ops.h"

namespace ordano::reference {
namespace {

using text16::IsSpace;
using text16::npos;

bool IsTagNameChar(char16_t c) {
  return text16::IsAsciiLetter(c) || text16::IsAsciiDigit(c) || c == u'-' || c == u':';
}
bool IsAttributeNameChar(char16_t c) { return IsTagNameChar(c) || c == u'_'; }

void Add(std::vector<LinkRef>& links, std::u16string url, std::u16string_view kind, bool follow) {
  links.push_back(LinkRef{std::move(url), std::u16string(kind), follow});
}

void Append(std::vector<LinkRef>& links, std::vector<LinkRef>&& more) {
  for (auto& l : more) links.push_back(std::move(l));
}

std::u16string Title(std::u16string_view text) {
  const std::size_t open = text16::FindIgnoreCase(text, u"<title");
  if (open == npos) return {};
  const long end = FindTagEnd(text, open + 1);
  if (end < 0) return {};
  const auto start = static_cast<std::size_t>(end) + 1;
  const std::size_t close = text16::FindIgnoreCase(text, u"</title", start);
  if (close == npos) return {};
  std::u16string title = DecodeEntities(text.substr(start, close - start));
  for (auto& c : title) {
    if (c == u'\r' || c == u'\n') c = u' ';
  }
  return std::u16string(text16::Trim(title));
}

// One tag's references, in the fixed order of the attributes.
class TagLinks {
 public:
  TagLinks(PageLinks& page, bool& baseTaken) : page_(page), baseTaken_(baseTaken) {}

  void Process(std::u16string_view tag) {
    const std::u16string name = TagName(tag);
    auto& links = page_.links;
    const auto attr = [&](std::u16string_view a) { return GetAttribute(tag, a); };

    // Reference attribute by tag.
    if (name == u"base") {
      if (!baseTaken_) {
        page_.base = attr(u"href");
        baseTaken_ = true;
      }
    } else if (name == u"a" || name == u"area") {
      if (auto href = attr(u"href"); !href.empty()) {
        const auto k = ClassifyByTag(name, href);
        Add(links, std::move(href), k, true);
      }
    } else if (name == u"link") {
      auto href = attr(u"href");
      const std::u16string rel = text16::LowerAscii(attr(u"rel"));
      const std::u16string_view k = rel.find(u"stylesheet") != std::u16string::npos
                                        ? kind::kStylesheet
                                        : ClassifyByTag(u"", href);
      if (!href.empty()) Add(links, std::move(href), k, k == kind::kStylesheet);
    } else if (name == u"form") {
      if (auto action = attr(u"action"); !action.empty()) {
        Add(links, std::move(action), kind::kHtml, true);
      }
    } else {
      auto href = attr(u"href");
      if (href.empty()) href = attr(u"xlink:href");
      if (!href.empty()) {
        const auto k = ClassifyByTag(name, href);
        Add(links, std::move(href), k, false);
      }
    }

    if (auto src = attr(u"src"); !src.empty()) {
      const auto k = ClassifyByTag(name, src);
      Add(links, std::move(src), k, IsPageKind(k));
    }
    if (auto poster = attr(u"poster"); !poster.empty()) {
      Add(links, std::move(poster), kind::kImage, false);
    }
    if (const auto srcset = attr(u"srcset"); !srcset.empty()) {
      std::u16string_view k = kind::kImage;
      if (name == u"source") {
        const std::u16string type = text16::LowerAscii(attr(u"type"));
        k = type.starts_with(u"video/")   ? kind::kVideo
            : type.starts_with(u"audio/") ? kind::kAudio
                                          : kind::kOther;
      }
      Append(links, ParseSrcset(srcset, k));
    }
    for (const std::u16string_view lazy : {u"data-src", u"data-original", u"data-lazy-src"}) {
      if (auto v = attr(lazy); !v.empty()) {
        const auto k = ClassifyByTag(name, v);
        Add(links, std::move(v), k, false);
      }
    }
    if (const auto dataSrcset = attr(u"data-srcset"); !dataSrcset.empty()) {
      Append(links, ParseSrcset(dataSrcset, kind::kImage));
    }
    if (name == u"object") {
      if (auto data = attr(u"data"); !data.empty()) {
        const auto k = ClassifyByTag(u"", data);
        Add(links, std::move(data), k, false);
      }
    }
    if (const auto style = attr(u"style"); !style.empty()) Append(links, ExtractCssUrls(style));
    if (name == u"meta") Meta(tag);
  }

 private:
  void Meta(std::u16string_view tag) {
    const std::u16string httpEquiv = GetAttribute(tag, u"http-equiv");
    std::u16string content = GetAttribute(tag, u"content");
    std::u16string property = GetAttribute(tag, u"property");
    if (property.empty()) property = GetAttribute(tag, u"name");
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
  bool& baseTaken_;
};

}  // namespace

long FindTagEnd(std::u16string_view text, std::size_t start) {
  char16_t quote = 0;
  for (std::size_t i = start; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == u'"' || c == u'\'') {
      quote = c;
    } else if (c == u'>') {
      return static_cast<long>(i);
    }
  }
  return -1;
}

std::u16string TagName(std::u16string_view tag) {
  std::size_t i = 0;
  while (i < tag.size() && IsSpace(tag[i])) ++i;
  if (i < tag.size() && tag[i] == u'/') ++i;
  const std::size_t start = i;
  while (i < tag.size() && IsTagNameChar(tag[i])) ++i;
  return text16::LowerAscii(tag.substr(start, i - start));
}

std::u16string GetAttribute(std::u16string_view tag, std::u16string_view name) {
  std::size_t i = 0;
  while (i < tag.size() && !IsSpace(tag[i])) ++i;
  while (i < tag.size()) {
    while (i < tag.size() && (IsSpace(tag[i]) || tag[i] == u'/')) ++i;
    const std::size_t nameStart = i;
    while (i < tag.size() && IsAttributeNameChar(tag[i])) ++i;
    if (i == nameStart) {
      ++i;
      continue;
    }
    const std::u16string_view attrName = tag.substr(nameStart, i - nameStart);
    while (i < tag.size() && IsSpace(tag[i])) ++i;
    std::u16string_view value;
    if (i < tag.size() && tag[i] == u'=') {
      ++i;
      while (i < tag.size() && IsSpace(tag[i])) ++i;
      if (i < tag.size() && (tag[i] == u'"' || tag[i] == u'\'')) {
        const char16_t quote = tag[i++];
        const std::size_t end = std::min(tag.find(quote, i), tag.size());
        value = tag.substr(i, end - i);
        i = end < tag.size() ? end + 1 : end;
      } else {
        const std::size_t start = i;
        while (i < tag.size() && !IsSpace(tag[i]) && tag[i] != u'>') ++i;
        value = tag.substr(start, i - start);
      }
    }
    if (text16::EqualsIgnoreCase(attrName, name)) return DecodeEntities(value);
  }
  return {};
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
  // The next hit of a pattern at or after `from`, looked for again only once
  // passed, so a text full of one pattern and none of another stays one scan.
  struct Next {
    std::u16string_view needle;
    std::size_t at = 0;
    bool known = false;
    std::size_t From(std::u16string_view text, std::size_t from) {
      if (!known || (at != npos && at < from)) {
        at = text16::FindIgnoreCase(text, needle, from);
        known = true;
      }
      return at;
    }
  };
  Next urlHit{u"url("}, importHit{u"@import"}, closeHit{u")"};
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
      if (i < text.size() && (text[i] == u'"' || text[i] == u'\'')) {
        const std::size_t start = i + 1;
        const std::size_t end = std::min(text.find(text[i], start), text.size());
        const std::u16string_view value = text16::Trim(text.substr(start, end - start));
        if (!value.empty()) Add(links, std::u16string(value), kind::kStylesheet, true);
        pos = end + 1;
        continue;
      }
      if (!text16::StartsWithIgnoreCase(text.substr(i), u"url(")) {
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
    if (i < text.size() && (text[i] == u'"' || text[i] == u'\'')) {
      start = i + 1;
      end = std::min(text.find(text[i], start), text.size());
    } else {
      end = std::min(closeHit.From(text, i), text.size());
    }
    const std::u16string_view value = text16::Trim(text.substr(start, end - start));
    if (!value.empty()) {
      std::u16string url(value);
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
  return links;
}

PageLinks ExtractLinks(std::u16string_view text, bool isCss) {
  PageLinks page;
  if (!isCss) {
    page.title = Title(text);
    bool baseTaken = false;
    TagLinks tags(page, baseTaken);
    std::size_t pos = 0;
    while ((pos = text.find(u'<', pos)) != npos) {
      if (text.substr(pos, 4) == u"<!--") {
        const std::size_t close = text.find(u"-->", pos + 4);
        if (close == npos) break;
        pos = close + 3;
        continue;
      }
      const long end = FindTagEnd(text, pos + 1);
      if (end < 0) break;
      const auto e = static_cast<std::size_t>(end);
      tags.Process(text.substr(pos + 1, e - pos - 1));
      pos = e + 1;
    }
  }
  Append(page.links, ExtractCssUrls(text));
  return page;
}

}  // namespace ordano::reference
