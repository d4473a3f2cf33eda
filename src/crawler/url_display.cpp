// Display texts of found URLs: percent-decoding, entry names and folders.
#include "crawler/charset.h"
#include "crawler/text_ops.h"
#include "crawler/url.h"
#include "platform/codepage.h"
#include "platform/unicode.h"

namespace ordano {
namespace {

int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// Decoded bytes as UTF-8 when they are valid UTF-8, else as code page 932
// (strictly, then with replacements for what 932 cannot read either).
void Flush(std::string& pending, std::u16string& out) {
  if (pending.empty()) return;
  if (IsValidUtf8(pending)) {
    out += Utf8ToUtf16(pending);
  } else if (auto text = DecodeStrictly(kCodePageSystem, pending)) {
    out += *text;
  } else {
    out += DecodeCodePage(kCodePageSystem, pending);
  }
  pending.clear();
}

}  // namespace

std::u16string PercentDecode(std::u16string_view text) {
  if (text.find(u'%') == std::u16string_view::npos) return std::u16string(text);
  std::u16string out;
  out.reserve(text.size());
  std::string pending;
  for (std::size_t i = 0; i < text.size();) {
    if (text[i] == u'%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
        HexValue(text[i + 2]) >= 0) {
      pending.push_back(static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2])));
      i += 3;
      continue;
    }
    Flush(pending, out);
    out.push_back(text[i] == u'+' ? u' ' : text[i]);
    ++i;
  }
  Flush(pending, out);
  return out;
}

std::u16string DisplayName(std::u16string_view url) {
  const auto parts = CrackUrl(url);
  if (!parts) return PercentDecode(url);
  std::u16string_view path = parts->path;
  while (path.size() >= 2 && path.ends_with(u'/')) path.remove_suffix(1);
  const std::size_t slash = path.rfind(u'/');
  std::u16string_view last = slash == text16::npos ? path : path.substr(slash + 1);
  if (last.empty()) last = parts->host;
  return PercentDecode(last);
}

std::u16string FolderUrl(std::u16string_view url) {
  const auto parts = CrackUrl(url);
  if (!parts) return {};
  const std::size_t slash = parts->path.rfind(u'/');
  const std::u16string dir =
      slash == std::u16string::npos ? u"/" : parts->path.substr(0, slash + 1);
  return PercentDecode(OriginText(*parts) + dir);
}

std::u16string RelativeDisplay(std::u16string_view startUrl, std::u16string_view url) {
  const auto start = CrackUrl(startUrl);
  const auto parts = CrackUrl(url);
  if (!start || !parts) return PercentDecode(url);
  if (!text16::EqualsIgnoreCase(start->host, parts->host) || start->port != parts->port ||
      start->scheme != parts->scheme) {
    return PercentDecode(url);
  }
  const std::u16string prefix = ScopePrefix(*start);
  if (!parts->path.starts_with(prefix)) {
    if (!parts->path.empty() && parts->path[0] == u'/') return PercentDecode(parts->path);
    return PercentDecode(url);
  }
  const std::u16string_view rest = std::u16string_view(parts->path).substr(prefix.size());
  // DisplayName is decoded already; decoding it twice would turn "%2541" into "A".
  if (rest.empty()) return DisplayName(url);
  return PercentDecode(rest);
}

}  // namespace ordano
