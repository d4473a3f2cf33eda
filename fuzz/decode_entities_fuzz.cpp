// DecodeEntities: never longer than its input (every reference shrinks).
#include <cstdint>

#include "crawler/html_entities.h"
#include "fuzz_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::u16string text = ordano::fuzz::FuzzText(data, size);
  const std::u16string decoded = ordano::DecodeEntities(text);
  if (decoded.size() > text.size()) __builtin_trap();
  if (text.find(u'&') == std::u16string::npos && decoded != text) __builtin_trap();
  return 0;
}
