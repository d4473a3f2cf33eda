// Code page conversions (iconv) and the display widths of the text catalogue.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ordano {

// Windows code page numbers the program uses.
inline constexpr int kCodePageSystem = 932;  // the "ANSI" code page: Japanese
inline constexpr int kCodePageEucJp = 20932;
inline constexpr int kCodePageLatin1 = 28591;
inline constexpr int kCodePageUtf8 = 65001;
inline constexpr int kCodePageUtf16Le = 1200;

// Bytes in the given code page to UTF-16; undecodable bytes become U+FFFD and
// decoding goes on. Unknown code pages decode as UTF-8.
std::u16string DecodeCodePage(int codePage, std::string_view bytes);

// Bytes in CP932, EUC-JP or ISO-8859-1 to UTF-16, or nullopt at the first
// byte that is not valid there (other code pages: nullopt). With
// allowCutEnd an incomplete character at the very end is dropped instead.
std::optional<std::u16string> DecodeCodePageStrictly(int codePage, std::string_view bytes,
                                                     bool allowCutEnd);

// UTF-16 to the given code page; characters it cannot hold become '?'.
std::string EncodeCodePage(int codePage, std::u16string_view text);

// Display width of one character in the text catalogue: its CP932 byte length
// (full-width 2, ASCII and half-width katakana 1); a character CP932 cannot
// encode counts 2 when it is East Asian Wide/Fullwidth, else 1.
int DisplayWidth(char32_t cp);

// Sum over a UTF-16 text (a surrogate pair is one character).
int DisplayWidth(std::u16string_view text);

}  // namespace ordano
