#include "crawler/resource_kind.h"

#include <initializer_list>

#include "crawler/text_ops.h"
#include "crawler/url.h"

namespace ordano {
namespace {

struct ExtensionKind {
  std::initializer_list<std::u16string_view> extensions;
  std::u16string_view kind;
};

// Extensions compared exactly against the lower-cased extension of the URL.
const ExtensionKind kExtensionKinds[] = {
    {{u"", u".htm", u".html", u".shtml", u".xhtml", u".php", u".asp", u".aspx", u".jsp"},
     kind::kHtml},
    {{u".jpg", u".jpeg", u".png", u".gif", u".webp", u".svg", u".avif", u".bmp", u".ico"},
     kind::kImage},
    {{u".mp4", u".webm", u".mov", u".m4v", u".avi", u".mkv", u".mpeg", u".mpg"}, kind::kVideo},
    {{u".mp3", u".wav", u".ogg", u".m4a", u".aac", u".flac"}, kind::kAudio},
    {{u".css"}, kind::kStylesheet},
    {{u".js", u".mjs"}, kind::kScript},
    {{u".woff", u".woff2", u".ttf", u".otf"}, kind::kFont},
    {{u".pdf", u".txt", u".csv", u".xml", u".json", u".doc", u".docx", u".xls", u".xlsx"},
     kind::kDocument},
};

}  // namespace

std::u16string_view ClassifyByTag(std::u16string_view tagName, std::u16string_view url) {
  const std::u16string tag = text16::LowerAscii(tagName);
  if (tag == u"img" || tag == u"picture" || tag == u"poster") return kind::kImage;
  if (tag == u"video") return kind::kVideo;
  if (tag == u"audio") return kind::kAudio;
  if (tag == u"script") return kind::kScript;
  if (tag == u"style") return kind::kStylesheet;
  if (tag == u"iframe" || tag == u"frame" || tag == u"form") return kind::kHtml;
  const std::u16string ext = ReferenceExtension(url);
  for (const auto& row : kExtensionKinds) {
    for (const auto e : row.extensions) {
      if (e == ext) return row.kind;
    }
  }
  return kind::kOther;
}

std::u16string_view ClassifyByContentType(std::u16string_view contentType,
                                          std::u16string_view fallback) {
  const std::u16string t = text16::LowerAscii(contentType);
  const auto has = [&](std::u16string_view part) { return t.find(part) != std::u16string::npos; };
  if (has(u"text/html") || has(u"application/xhtml")) return kind::kHtml;
  if (has(u"text/css")) return kind::kStylesheet;
  if (t.starts_with(u"image/")) return kind::kImage;
  if (t.starts_with(u"video/")) return kind::kVideo;
  if (t.starts_with(u"audio/")) return kind::kAudio;
  if (has(u"javascript")) return kind::kScript;
  if (t.starts_with(u"font/")) return kind::kFont;
  return fallback;
}

}  // namespace ordano
