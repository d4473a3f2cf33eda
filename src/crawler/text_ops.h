// Small UTF-16 string helpers of the crawler: trimming, ASCII case folding and
// case-insensitive search. Markup and URLs are matched in ASCII only.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ordano::text16 {

inline constexpr std::size_t npos = std::u16string_view::npos;

constexpr bool IsSpace(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\f' || c == u'\v';
}
constexpr bool IsAsciiLetter(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}
constexpr bool IsAsciiDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
constexpr char16_t LowerAscii(char16_t c) {
  return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
}

std::u16string_view Trim(std::u16string_view s);
std::u16string LowerAscii(std::u16string_view s);
bool EqualsIgnoreCase(std::u16string_view a, std::u16string_view b);
bool StartsWithIgnoreCase(std::u16string_view s, std::u16string_view prefix);
// Position of `needle` in `s` at or after `from`, ASCII letters compared
// without regard to case; npos when absent.
std::size_t FindIgnoreCase(std::u16string_view s, std::u16string_view needle, std::size_t from = 0);
// Replaces every occurrence of `from` (non-empty) by `to`.
void ReplaceAll(std::u16string& s, std::u16string_view from, std::u16string_view to);

// ASCII-only texts (URLs after canonicalisation, numbers, messages) both ways.
std::u16string Widen(std::string_view ascii);

}  // namespace ordano::text16
