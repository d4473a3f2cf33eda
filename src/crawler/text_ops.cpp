#include "crawler/text_ops.h"

namespace ordano::text16 {

std::u16string_view Trim(std::u16string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && IsSpace(s[b])) ++b;
  while (e > b && IsSpace(s[e - 1])) --e;
  return s.substr(b, e - b);
}

std::u16string LowerAscii(std::u16string_view s) {
  std::u16string out(s);
  for (auto& c : out) c = LowerAscii(c);
  return out;
}

bool EqualsIgnoreCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

bool StartsWithIgnoreCase(std::u16string_view s, std::u16string_view prefix) {
  return s.size() >= prefix.size() && EqualsIgnoreCase(s.substr(0, prefix.size()), prefix);
}

std::size_t FindIgnoreCase(std::u16string_view s, std::u16string_view needle, std::size_t from) {
  if (needle.empty()) return from <= s.size() ? from : npos;
  if (s.size() < needle.size()) return npos;
  const char16_t first = LowerAscii(needle[0]);
  for (std::size_t i = from; i + needle.size() <= s.size(); ++i) {
    if (LowerAscii(s[i]) != first) continue;
    std::size_t k = 1;
    while (k < needle.size() && LowerAscii(s[i + k]) == LowerAscii(needle[k])) ++k;
    if (k == needle.size()) return i;
  }
  return npos;
}

void ReplaceAll(std::u16string& s, std::u16string_view from, std::u16string_view to) {
  if (from.empty() || s.find(from) == std::u16string::npos) return;
  std::u16string out;
  out.reserve(s.size());
  std::size_t pos = 0;
  for (std::size_t hit; (hit = s.find(from, pos)) != std::u16string::npos;
       pos = hit + from.size()) {
    out.append(s, pos, hit - pos);
    out.append(to);
  }
  out.append(s, pos, std::u16string::npos);
  s = std::move(out);
}

std::u16string Widen(std::string_view ascii) {
  std::u16string out;
  out.reserve(ascii.size());
  for (unsigned char c : ascii) out.push_back(c);
  return out;
}

}  // namespace ordano::text16
