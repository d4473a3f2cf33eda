#include "crawler/html_entities.h"

#include <algorithm>
#include <cstdint>

#include "crawler/text_ops.h"

namespace ordano {
namespace {

// A numeric reference's end is looked for at most this far after its "&".
constexpr std::size_t kMaxReferenceLength = 10;

int DigitValue(char16_t c, int base) {
  int v = -1;
  if (c >= u'0' && c <= u'9')
    v = c - u'0';
  else if (c >= u'a' && c <= u'f')
    v = c - u'a' + 10;
  else if (c >= u'A' && c <= u'F')
    v = c - u'A' + 10;
  return v < base ? v : -1;
}

// The value of a reference body ("66", "x41"); 0 when it is not a whole number.
std::uint32_t ReferenceValue(std::u16string_view body) {
  int base = 10;
  if (!body.empty() && (body[0] == u'x' || body[0] == u'X')) {
    base = 16;
    body.remove_prefix(1);
  }
  if (body.empty()) return 0;
  std::uint64_t value = 0;
  for (char16_t c : body) {
    const int d = DigitValue(c, base);
    if (d < 0) return 0;
    value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(d);
    if (value > 0x10FFFF) return 0;  // bodies are at most 8 characters, so no overflow
  }
  return static_cast<std::uint32_t>(value);
}

}  // namespace

std::u16string DecodeEntities(std::u16string_view text) {
  if (text.find(u'&') == std::u16string_view::npos) return std::u16string(text);
  std::u16string s(text);
  text16::ReplaceAll(s, u"&amp;", u"&");
  text16::ReplaceAll(s, u"&AMP;", u"&");
  text16::ReplaceAll(s, u"&quot;", u"\"");
  text16::ReplaceAll(s, u"&apos;", u"'");
  text16::ReplaceAll(s, u"&lt;", u"<");
  text16::ReplaceAll(s, u"&gt;", u">");

  // Numeric references in one pass into a new text: replacing in place moves
  // the rest of the text once per reference, quadratic on a page full of them.
  // The search never looks at what it wrote, so this matches decoding in place.
  const std::u16string_view in(s);
  std::u16string out;
  std::size_t copied = 0;  // `in` up to here is in `out`
  for (std::size_t pos = 0, amp; (amp = in.find(u"&#", pos)) != std::u16string_view::npos;) {
    const std::size_t window = std::min(in.size(), amp + kMaxReferenceLength + 1);
    const std::size_t semi = in.substr(0, window).find(u';', amp + 2);
    if (semi == std::u16string_view::npos) break;
    pos = semi + 1;
    const std::uint32_t value = ReferenceValue(in.substr(amp + 2, semi - amp - 2));
    if (value == 0) continue;
    if (out.empty()) out.reserve(in.size());
    out.append(in, copied, amp - copied);
    if (value >= 0x10000) {
      out.push_back(static_cast<char16_t>(0xD800 + ((value - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (value & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(value));
    }
    copied = pos;
  }
  if (copied == 0) return s;
  out.append(in, copied);
  return out;
}

}  // namespace ordano
