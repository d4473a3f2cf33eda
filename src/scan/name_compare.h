// Case-insensitive name comparison, code unit by code unit after folding to
// lower case. Folded: ASCII A-Z, Latin-1 capitals, basic Greek and Cyrillic
// capitals and full-width Ａ-Ｚ; everything else compares as it stands.
#pragma once

#include <string>
#include <string_view>

namespace ordano {

constexpr char16_t FoldCase(char16_t c) {
  if (c < 0x80) return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 0x20) : c;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char16_t>(c + 0x20);
  if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return static_cast<char16_t>(c + 0x20);
  if (c >= 0x410 && c <= 0x42F) return static_cast<char16_t>(c + 0x20);
  if (c >= 0x400 && c <= 0x40F) return static_cast<char16_t>(c + 0x50);
  if (c >= 0xFF21 && c <= 0xFF3A) return static_cast<char16_t>(c + 0x20);
  return c;
}

std::u16string FoldCaseText(std::u16string_view text);

// <0, 0, >0 like a three-way comparison; a proper prefix comes first.
int CompareFolded(std::u16string_view a, std::u16string_view b);

}  // namespace ordano
