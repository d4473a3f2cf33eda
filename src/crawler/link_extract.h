// Links of one fetched page: a tolerant single-pass tag scanner over HTML and
// a url(…) search over CSS. Not a DOM parser.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ordano {

struct LinkRef {
  std::u16string url;   // as found (entity-decoded), not resolved yet
  std::u16string kind;  // "HTML", "Stylesheet", "Image", …
  bool follow = false;  // may be fetched as a page when in scope
  bool operator==(const LinkRef&) const = default;
};

struct PageLinks {
  std::u16string title;  // empty when none
  std::u16string base;   // href of the first base tag, empty when none
  std::vector<LinkRef> links;
  bool operator==(const PageLinks&) const = default;
};

// Index of the ">" that closes the tag whose text starts at `start` (quotes
// respected); -1 when the text ends first.
long FindTagEnd(std::u16string_view text, std::size_t start);
// The lower-cased name of a tag's text (the characters between "<" and ">").
std::u16string TagName(std::u16string_view tag);
// The entity-decoded value of the first attribute of that name; empty when
// absent.
std::u16string GetAttribute(std::u16string_view tag, std::u16string_view name);
// The URLs of a srcset value, descriptors dropped.
std::vector<LinkRef> ParseSrcset(std::u16string_view value, std::u16string_view kind);
// Every url(…) reference in CSS text.
std::vector<LinkRef> ExtractCssUrls(std::u16string_view text);

// The title, base and links of a page; `isCss` for a stylesheet.
PageLinks ExtractLinks(std::u16string_view text, bool isCss);
// The same for a fetched body: ExtractLinks(DecodeBody(body, contentType)),
// read in the body's own bytes when it is UTF-8.
PageLinks ExtractBodyLinks(std::string_view body, std::u16string_view contentType, bool isCss);

}  // namespace ordano
