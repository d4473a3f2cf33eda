// ExtractLinks over any text, as HTML and as CSS.
#include <cstdint>

#include "crawler/link_extract.h"
#include "fuzz_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::u16string text = ordano::fuzz::FuzzText(data, size);
  for (const bool isCss : {false, true}) {
    const ordano::PageLinks page = ordano::ExtractLinks(text, isCss);
    for (const auto& link : page.links) {
      if (link.url.empty() || link.kind.empty()) __builtin_trap();
    }
    if (isCss && (!page.title.empty() || !page.base.empty())) __builtin_trap();
  }
  return 0;
}
