// ExtractLinks over any text, as HTML and as CSS; and the same input as a
// fetched body, whose links read in its bytes must be those of its decoded
// text.
#include <cstdint>
#include <string_view>

#include "crawler/charset.h"
#include "crawler/link_extract.h"
#include "fuzz_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::u16string text = ordano::fuzz::FuzzText(data, size);
  const std::string_view body(reinterpret_cast<const char*>(data), size);
  for (const bool isCss : {false, true}) {
    const ordano::PageLinks page = ordano::ExtractLinks(text, isCss);
    for (const auto& link : page.links) {
      if (link.url.empty() || link.kind.empty()) __builtin_trap();
    }
    if (isCss && (!page.title.empty() || !page.base.empty())) __builtin_trap();

    for (const std::u16string_view type : {u"text/html; charset=utf-8", u"text/html"}) {
      const ordano::PageLinks fromBytes = ordano::ExtractBodyLinks(body, type, isCss);
      const ordano::PageLinks fromText =
          ordano::ExtractLinks(ordano::DecodeBody(body, type), isCss);
      if (fromBytes != fromText) __builtin_trap();
    }
  }
  return 0;
}
