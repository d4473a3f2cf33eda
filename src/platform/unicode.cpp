#include "platform/unicode.h"

#include <cstdint>
#include <cstring>

namespace ordano {
namespace {

void AppendCodePoint(std::u16string& out, char32_t cp) {
  if (cp < 0x10000) {
    out.push_back(static_cast<char16_t>(cp));
  } else {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  }
}

// Decodes one code point at bytes[i]; returns the number of bytes consumed and
// sets cp to U+FFFD for an ill-formed subsequence (consuming its maximal prefix).
std::size_t DecodeOne(std::string_view s, std::size_t i, char32_t& cp) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  if (b0 < 0x80) {
    cp = b0;
    return 1;
  }
  std::size_t len;
  char32_t value;
  unsigned char lo = 0x80, hi = 0xBF;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    len = 2;
    value = b0 & 0x1F;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    len = 3;
    value = b0 & 0x0F;
    if (b0 == 0xE0) lo = 0xA0;
    if (b0 == 0xED) hi = 0x9F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    len = 4;
    value = b0 & 0x07;
    if (b0 == 0xF0) lo = 0x90;
    if (b0 == 0xF4) hi = 0x8F;
  } else {
    cp = 0xFFFD;
    return 1;
  }
  std::size_t k = 1;
  for (; k < len; ++k) {
    if (i + k >= s.size()) break;
    const auto b = static_cast<unsigned char>(s[i + k]);
    if (b < lo || b > hi) break;
    lo = 0x80;
    hi = 0xBF;
    value = (value << 6) | (b & 0x3F);
  }
  if (k < len) {
    cp = 0xFFFD;
    return k;
  }
  cp = value;
  return len;
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  std::size_t i = 0;
  while (i < bytes.size()) {
    // Fast path for ASCII runs.
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) {
      out.push_back(b);
      ++i;
      continue;
    }
    char32_t cp;
    i += DecodeOne(bytes, i, cp);
    AppendCodePoint(out, cp);
  }
  return out;
}

bool IsValidUtf8(std::string_view bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    char32_t cp;
    const std::size_t n = DecodeOne(bytes, i, cp);
    if (cp == 0xFFFD && !(n == 3 && bytes.substr(i, 3) == "\xEF\xBF\xBD")) return false;
    i += n;
  }
  return true;
}

std::string TerminalText(std::string_view text, bool keepNewlines) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    char32_t cp;
    const std::size_t n = DecodeOne(text, i, cp);
    const bool kept = keepNewlines && cp == U'\n';
    if (!kept && (cp < 0x20 || (cp >= 0x7F && cp <= 0x9F))) {
      out.push_back('?');
    } else if (cp == 0xFFFD && text.substr(i, n) != "\xEF\xBF\xBD") {
      for (const char c : text.substr(i, n)) {
        const auto b = static_cast<unsigned char>(c);
        out.push_back(b >= 0x80 && b <= 0x9F ? '?' : c);
      }
    } else {
      out.append(text.substr(i, n));
    }
    i += n;
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  AppendUtf8(out, text);
  return out;
}

void AppendUtf8(std::string& out, std::u16string_view text) {
  // Sized for the worst case (3 bytes a unit), trimmed at the end: the output
  // writers call this for every line.
  const std::size_t start = out.size();
  out.resize(start + 3 * text.size());
  char* p = out.data() + start;
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n; ++i) {
    while (i + 4 <= n) {  // runs of ASCII, four units at a time
      std::uint64_t four;
      std::memcpy(&four, text.data() + i, 8);
      if (four & 0xFF80FF80FF80FF80ULL) break;
      p[0] = static_cast<char>(four);
      p[1] = static_cast<char>(four >> 16);
      p[2] = static_cast<char>(four >> 32);
      p[3] = static_cast<char>(four >> 48);
      p += 4;
      i += 4;
    }
    if (i >= n) break;
    char32_t cp = text[i];
    if (cp < 0x80) {
      *p++ = static_cast<char>(cp);
      continue;
    }
    if (cp >= 0xD800 && cp <= 0xDFFF) {
      if (cp <= 0xDBFF && i + 1 < n && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
        ++i;
      } else {
        cp = 0xFFFD;
      }
    }
    if (cp < 0x800) {
      *p++ = static_cast<char>(0xC0 | (cp >> 6));
      *p++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      *p++ = static_cast<char>(0xE0 | (cp >> 12));
      *p++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      *p++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      *p++ = static_cast<char>(0xF0 | (cp >> 18));
      *p++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      *p++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      *p++ = static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  out.resize(static_cast<std::size_t>(p - out.data()));
}

std::u16string AsciiLower(std::u16string_view text) {
  std::u16string out(text);
  for (auto& c : out) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
  }
  return out;
}

}  // namespace ordano
