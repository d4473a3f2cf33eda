// Resource kinds of found URLs, by tag, by extension and by Content-Type.
#pragma once

#include <string>
#include <string_view>

namespace ordano {

// The kinds are stored and compared as these texts and handed to the output.
namespace kind {
inline constexpr std::u16string_view kHtml = u"HTML";
inline constexpr std::u16string_view kStylesheet = u"Stylesheet";
inline constexpr std::u16string_view kImage = u"Image";
inline constexpr std::u16string_view kVideo = u"Video";
inline constexpr std::u16string_view kAudio = u"Audio";
inline constexpr std::u16string_view kScript = u"Script";
inline constexpr std::u16string_view kFont = u"Font";
inline constexpr std::u16string_view kDocument = u"Document";
inline constexpr std::u16string_view kOther = u"Other";
}  // namespace kind

// By the lower-cased tag name (img, video, audio, script, style, iframe, frame,
// form, …); any other or an empty name classifies by the URL's extension.
std::u16string_view ClassifyByTag(std::u16string_view tagName, std::u16string_view url);

// By a Content-Type header value; `fallback` when it names no known kind.
std::u16string_view ClassifyByContentType(std::u16string_view contentType,
                                          std::u16string_view fallback);

// Kinds whose bodies the crawler reads and parses.
inline bool IsPageKind(std::u16string_view k) { return k == kind::kHtml || k == kind::kStylesheet; }

}  // namespace ordano
