#include "crawler/charset.h"

#include <array>
#include <cerrno>

#include "platform/codepage.h"
#include "platform/unicode.h"

namespace ordano {
namespace {

constexpr std::size_t kCharsetScanBytes = 8192;
constexpr std::size_t kValidityTestBytes = 4096;
constexpr std::size_t kMaxCharsetValue = 64;

char LowerByte(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

std::size_t FindIgnoreCase(std::string_view s, std::string_view needle) {
  for (std::size_t i = 0; i + needle.size() <= s.size(); ++i) {
    std::size_t k = 0;
    while (k < needle.size() && LowerByte(s[i + k]) == needle[k]) ++k;
    if (k == needle.size()) return i;
  }
  return std::string_view::npos;
}

// A UTF-8 character cut by the end of a test prefix: dropped, so that the
// arbitrary cut does not decide the code page.
std::string_view WithoutCutUtf8(std::string_view head) {
  std::size_t i = head.size();
  int continuation = 0;
  while (i > 0 && continuation < 3 && (static_cast<unsigned char>(head[i - 1]) & 0xC0) == 0x80) {
    --i;
    ++continuation;
  }
  if (i == 0) return head;
  const auto lead = static_cast<unsigned char>(head[i - 1]);
  const int length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  if (length > 1 && continuation + 1 < length) return head.substr(0, i - 1);
  return head;
}

}  // namespace

std::optional<std::u16string> DecodeStrictly(int codePage, std::string_view bytes,
                                             bool allowCutEnd) {
  if (codePage == kCodePageUtf8) {
    if (allowCutEnd) bytes = WithoutCutUtf8(bytes);
    if (!IsValidUtf8(bytes)) return std::nullopt;
    return Utf8ToUtf16(bytes);
  }
  return DecodeCodePageStrictly(codePage, bytes, allowCutEnd);
}

int CharsetCodePage(std::string_view name) {
  std::string lower(name);
  for (char& c : lower) c = LowerByte(c);
  const auto has = [&](std::string_view part) { return lower.find(part) != std::string::npos; };
  if (has("utf-8") || has("utf8")) return kCodePageUtf8;
  if (has("shift_jis") || has("shift-jis") || has("windows-31j") || has("cp932") || has("sjis") ||
      has("x-sjis")) {
    return kCodePageSystem;
  }
  if (has("euc-jp")) return kCodePageEucJp;
  if (has("iso-8859-1")) return kCodePageLatin1;
  return 0;
}

std::string CharsetValue(std::string_view bytes) {
  const std::size_t hit = FindIgnoreCase(bytes, "charset=");
  if (hit == std::string_view::npos) return {};
  std::size_t i = hit + 8;
  while (i < bytes.size() &&
         (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '"' || bytes[i] == '\'')) {
    ++i;
  }
  const std::size_t start = i;
  while (i < bytes.size()) {
    const char c = bytes[i];
    if (c == '\t' || c == '\n' || c == '\r' || c == ' ' || c == '"' || c == '\'' || c == '/' ||
        c == ';' || c == '>') {
      break;
    }
    ++i;
  }
  if (i == start || i - start > kMaxCharsetValue) return {};
  std::string value(bytes.substr(start, i - start));
  for (char& c : value) c = LowerByte(c);
  return value;
}

int DetectCodePage(std::u16string_view contentType, std::string_view body) {
  if (const int cp = CharsetCodePage(CharsetValue(Utf16ToUtf8(contentType))); cp != 0) return cp;
  if (body.empty()) return 0;
  if (const int cp = CharsetCodePage(CharsetValue(body.substr(0, kCharsetScanBytes))); cp != 0) {
    return cp;
  }
  if (body.size() > 2 && body.starts_with("\xEF\xBB\xBF")) return kCodePageUtf8;
  // The test prefix may cut a character in two; that half does not count.
  const std::string_view head = body.substr(0, kValidityTestBytes);
  const bool cut = body.size() > head.size();
  if (auto text = DecodeStrictly(kCodePageUtf8, head, cut); text && !text->empty()) {
    return kCodePageUtf8;
  }
  if (DecodeStrictly(kCodePageSystem, head, cut)) return kCodePageSystem;
  return 0;
}

std::u16string DecodeBody(std::string_view body, std::u16string_view contentType) {
  if (body.empty()) return {};
  std::string_view rest = body;
  if (rest.size() > 2 && rest.starts_with("\xEF\xBB\xBF")) rest.remove_prefix(3);
  const int cp = DetectCodePage(contentType, body);
  std::u16string text = DecodeCodePage(cp == 0 ? kCodePageSystem : cp, rest);
  if (text.empty() && cp != 0) text = DecodeCodePage(kCodePageSystem, rest);
  return text;
}

}  // namespace ordano
