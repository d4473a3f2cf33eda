// Fuzz input as UTF-16 text: the bytes read as UTF-16LE code units, so that
// every unit value (lone surrogates, NUL, non-ASCII) can be reached.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace ordano::fuzz {

inline std::u16string Utf16Units(const std::uint8_t* data, std::size_t size) {
  std::u16string text(size / 2, u'\0');
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    text[i / 2] = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
  }
  return text;
}

// ASCII-heavy inputs find markup faster: odd sizes read the bytes as Latin-1.
inline std::u16string FuzzText(const std::uint8_t* data, std::size_t size) {
  if (size % 2 == 0) return Utf16Units(data, size);
  return std::u16string(data, data + size);
}

}  // namespace ordano::fuzz
