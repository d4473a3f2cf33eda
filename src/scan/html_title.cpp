#include "scan/html_title.h"

#include <fcntl.h>

#include <optional>

#include "platform/codepage.h"
#include "platform/open_at.h"
#include "platform/unicode.h"

namespace ordano {
namespace {

constexpr std::size_t kTitleProbeBytes = 10000;

std::size_t FindEither(std::u16string_view text, std::u16string_view lower,
                       std::u16string_view upper, std::size_t from) {
  const std::size_t at = text.find(lower, from);
  return at != std::u16string_view::npos ? at : text.find(upper, from);
}

}  // namespace

bool HasHtmlExtension(std::u16string_view name) {
  return name.ends_with(u".htm") || name.ends_with(u".html");
}

std::u16string HtmlTitleOf(std::string_view head, bool lowerCaseText) {
  std::u16string text = DecodeCodePage(kCodePageSystem, head);
  if (text.find(u"charset=utf-8") != std::u16string::npos) {
    text = Utf8ToUtf16(head.substr(0, head.find('\0')));
  }
  if (lowerCaseText) text = AsciiLower(text);

  constexpr auto npos = std::u16string::npos;
  const std::size_t open = FindEither(text, u"<title", u"<TITLE", 0);
  if (open == npos) return {};
  // The tag is taken to be "<title>" exactly: the title starts 7 characters on.
  const std::size_t start = open + 7;
  if (start > text.size()) return {};
  const std::size_t close = FindEither(text, u"/title>", u"/TITLE>", start);
  // The title runs up to the "<" before "/title>"; no closing tag, or one
  // right at the start ("<title/title>"), gives no title.
  if (close == npos || close < start + 1) return {};
  return text.substr(start, close - start - 1);
}

std::u16string ReadHtmlTitle(const std::string& path, bool lowerCaseText) {
  return ReadHtmlTitleAt(AT_FDCWD, path.c_str(), lowerCaseText);
}

std::u16string ReadHtmlTitleAt(int dirFd, const char* name, bool lowerCaseText) {
  // Opened non-blocking; regular files only.
  const std::optional<std::string> head = ReadHeadAt(dirFd, name, kTitleProbeBytes);
  if (!head) return {};
  return HtmlTitleOf(*head, lowerCaseText);
}

}  // namespace ordano
