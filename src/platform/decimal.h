// Decimal numbers typed into edits and switches.
#pragma once

#include <climits>
#include <cstdint>
#include <string_view>

namespace ordano {

// Leading blanks (space, tab to carriage return) and a sign allowed; conversion stops at the first
// other character; 0 without digits; the result saturates at the int range.
template <class Char>
constexpr int DecimalValue(std::basic_string_view<Char> text) {
  std::size_t i = 0;
  while (i < text.size() &&
         (text[i] == Char(' ') || (text[i] >= Char('\t') && text[i] <= Char('\r'))))
    ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == Char('+') || text[i] == Char('-'))) {
    negative = text[i++] == Char('-');
  }
  constexpr std::int64_t kLimit = static_cast<std::int64_t>(INT_MAX) + 1;
  std::int64_t value = 0;
  for (; i < text.size() && text[i] >= Char('0') && text[i] <= Char('9'); ++i) {
    value = value * 10 + (text[i] - Char('0'));
    if (value > kLimit) value = kLimit;
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  return static_cast<int>(value);
}

constexpr int DecimalValue(std::string_view text) { return DecimalValue<char>(text); }
constexpr int DecimalValue(std::u16string_view text) { return DecimalValue<char16_t>(text); }

}  // namespace ordano
