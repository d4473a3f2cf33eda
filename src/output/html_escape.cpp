#include "output/html_escape.h"

namespace ordano {
namespace {

bool IsAsciiAlpha(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }
bool IsAsciiDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

void AppendPercent(std::u16string& out, unsigned byte) {
  static constexpr char16_t kHex[] = u"0123456789ABCDEF";
  out.push_back(u'%');
  out.push_back(kHex[(byte >> 4) & 0xF]);
  out.push_back(kHex[byte & 0xF]);
}

// Characters an address of either kind must not carry as they are.
bool BreaksAttribute(char16_t c) {
  return c <= 0x20 || c == 0x7F || c == u'"' || c == u'<' || c == u'>' || c == u'\'' || c == u'`';
}

// Characters that change the meaning of a file path read as an address.
bool BreaksPath(char16_t c) { return c == u'#' || c == u'%' || c == u'?' || c == u'\\'; }

}  // namespace

void AppendHtmlEscaped(std::u16string& out, std::u16string_view text) {
  std::size_t run = 0;  // start of the pending run of plain characters
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] > u'>') continue;  // every character to replace lies at or below '>'
    std::u16string_view ref;
    switch (text[i]) {
      case u'&':
        ref = u"&amp;";
        break;
      case u'<':
        ref = u"&lt;";
        break;
      case u'>':
        ref = u"&gt;";
        break;
      case u'"':
        ref = u"&quot;";
        break;
      case u'\'':
        ref = u"&#39;";
        break;
      default:
        continue;
    }
    out.append(text.substr(run, i - run));
    out.append(ref);
    run = i + 1;
  }
  out.append(text.substr(run));
}

bool HasUrlScheme(std::u16string_view link) {
  if (link.empty() || !IsAsciiAlpha(link[0])) return false;
  for (std::size_t i = 1; i < link.size(); ++i) {
    const char16_t c = link[i];
    if (c == u':') return link.substr(i + 1).starts_with(u"//");
    if (!IsAsciiAlpha(c) && !IsAsciiDigit(c) && c != u'+' && c != u'-' && c != u'.') return false;
  }
  return false;
}

void AppendHrefEncoded(std::u16string& out, std::u16string_view link) {
  const bool url = HasUrlScheme(link);
  if (!url && !link.empty() && link[0] != u'/') {
    // "a:b.txt" would be taken as the scheme "a:".
    const std::size_t colon = link.find(u':');
    if (colon != std::u16string_view::npos && link.substr(0, colon).find(u'/') == link.npos) {
      out.append(u"./");
    }
  }
  for (const char16_t c : link) {
    if (BreaksAttribute(c) || (!url && BreaksPath(c))) {
      AppendPercent(out, c);  // all of these are ASCII: one byte each
    } else if (c == u'&') {
      out.append(u"&amp;");
    } else {
      out.push_back(c);
    }
  }
}

}  // namespace ordano
