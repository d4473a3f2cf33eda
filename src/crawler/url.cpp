// Cracking, canonicalising and combining URLs. Cracking and canonicalising go
// through libcurl's URL API; combining is done here, because libcurl resolves
// empty and fragment-only references against the base's directory instead of
// the base itself.
#include "crawler/url.h"

#include <algorithm>
#include <cstring>

#include "crawler/curl_handles.h"
#include "crawler/html_entities.h"
#include "crawler/text_ops.h"
#include "platform/unicode.h"

namespace ordano {
namespace {

using text16::npos;

std::string GetPart(CURLU* h, CURLUPart part, unsigned flags, bool* present = nullptr) {
  char* raw = nullptr;
  const CURLUcode rc = curl_url_get(h, part, &raw, flags);
  CurlString owned(raw);
  if (present != nullptr) *present = rc == CURLUE_OK;
  return rc == CURLUE_OK && raw != nullptr ? std::string(raw) : std::string();
}

// Percent-encodes what may not stand in a URL as it is: controls, space,
// non-ASCII bytes and " < > \ ^ ` { | }. A "\" before the query is a path
// separator, as browsers read it. Non-ASCII bytes of the host stay as they
// are (an international domain name), since libcurl decodes escapes there.
std::string EncodeUnsafe(std::string_view url) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::size_t hostStart = std::string_view::npos, hostEnd = std::string_view::npos;
  if (const std::size_t sep = url.find("://"); sep != std::string_view::npos) {
    hostStart = sep + 3;
    hostEnd = url.find_first_of("/?#\\", hostStart);
    if (hostEnd == std::string_view::npos) hostEnd = url.size();
  }
  std::string out;
  out.reserve(url.size());
  bool inQuery = false;
  for (std::size_t i = 0; i < url.size(); ++i) {
    const char ch = url[i];
    const auto c = static_cast<unsigned char>(ch);
    const bool inHost = i >= hostStart && i < hostEnd;
    if (c == '?') inQuery = true;
    if (c == '\\' && !inQuery) {
      out.push_back('/');
    } else if (c >= 0x80 && inHost) {
      out.push_back(ch);
    } else if (c <= 0x20 || c >= 0x7F || std::strchr("\"<>\\^`{|}", c) != nullptr) {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 15]);
    } else {
      out.push_back(ch);
    }
  }
  return out;
}

// The canonical form of an absolute URL without fragment; nullopt when it
// does not parse.
std::optional<std::u16string> Canonicalise(std::u16string_view url) {
  const std::string encoded = EncodeUnsafe(Utf16ToUtf8(url));
  if (encoded.size() > kMaxUrlLength) return std::nullopt;
  CurlUrl h(curl_url());
  if (!h || curl_url_set(h.get(), CURLUPART_URL, encoded.c_str(), 0) != CURLUE_OK) {
    return std::nullopt;
  }
  bool hasPort = false;
  const std::string port = GetPart(h.get(), CURLUPART_PORT, 0, &hasPort);
  if (hasPort) {
    const std::string scheme = GetPart(h.get(), CURLUPART_SCHEME, 0);
    if ((scheme == "http" && port == "80") || (scheme == "https" && port == "443")) {
      curl_url_set(h.get(), CURLUPART_PORT, nullptr, 0);
    }
  }
  bool ok = false;
  const std::string out = GetPart(h.get(), CURLUPART_URL, 0, &ok);
  if (!ok || out.size() > kMaxUrlLength) return std::nullopt;
  return Utf8ToUtf16(out);
}

// "\" before the query or fragment becomes "/", so "\\host\x" is a network
// path reference as it is in a browser.
std::u16string SlashBackslashes(std::u16string_view ref) {
  std::u16string out(ref);
  for (auto& c : out) {
    if (c == u'?' || c == u'#') break;
    if (c == u'\\') c = u'/';
  }
  return out;
}

// RFC 3986 scheme: a letter, then letters, digits, "+", "-" or ".", then ":".
bool HasScheme(std::u16string_view ref) {
  if (ref.empty() || !text16::IsAsciiLetter(ref[0])) return false;
  for (std::size_t i = 1; i < ref.size(); ++i) {
    const char16_t c = ref[i];
    if (c == u':') return true;
    if (!(text16::IsAsciiLetter(c) || text16::IsAsciiDigit(c) || c == u'+' || c == u'-' ||
          c == u'.')) {
      return false;
    }
  }
  return false;
}

// An absolute base cut into its components (fragment dropped).
struct BaseParts {
  std::u16string_view origin;  // "scheme://authority"
  std::u16string_view scheme;
  std::u16string_view path;
  std::u16string_view query;  // with its "?"
};

std::optional<BaseParts> SplitBase(std::u16string_view base) {
  base = base.substr(0, base.find(u'#'));
  if (!HasScheme(base)) return std::nullopt;
  const std::size_t colon = base.find(u':');
  if (base.substr(colon + 1, 2) != u"//") return std::nullopt;
  BaseParts p;
  p.scheme = base.substr(0, colon);
  const std::size_t pathStart = base.find_first_of(u"/?", colon + 3);
  p.origin = base.substr(0, pathStart);
  if (pathStart == npos) return p;
  const std::size_t q = base.find(u'?', pathStart);
  p.path = base.substr(pathStart, q == npos ? npos : q - pathStart);
  if (q != npos) p.query = base.substr(q);
  return p;
}

}  // namespace

std::optional<UrlParts> CrackUrl(std::u16string_view url) {
  if (url.size() > kMaxUrlLength) return std::nullopt;
  const std::string bytes = Utf16ToUtf8(url);
  if (bytes.find('\0') != std::string::npos) return std::nullopt;
  CurlUrl h(curl_url());
  if (!h || curl_url_set(h.get(), CURLUPART_URL, bytes.c_str(),
                         CURLU_ALLOW_SPACE | CURLU_PATH_AS_IS) != CURLUE_OK) {
    return std::nullopt;
  }
  UrlParts parts;
  parts.scheme = text16::LowerAscii(Utf8ToUtf16(GetPart(h.get(), CURLUPART_SCHEME, 0)));
  if (parts.scheme != u"http" && parts.scheme != u"https") return std::nullopt;
  parts.host = text16::LowerAscii(Utf8ToUtf16(GetPart(h.get(), CURLUPART_HOST, 0)));
  bool hasQuery = false;
  std::string path = GetPart(h.get(), CURLUPART_PATH, 0);
  const std::string query = GetPart(h.get(), CURLUPART_QUERY, 0, &hasQuery);
  if (path.empty()) path.push_back('/');
  if (hasQuery) {
    path.push_back('?');
    path.append(query);
  }
  parts.path = Utf8ToUtf16(path);
  const std::string port = GetPart(h.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT);
  unsigned long number = 0;
  for (char c : port) {
    if (c < '0' || c > '9' || number > 65535) return std::nullopt;
    number = number * 10 + static_cast<unsigned long>(c - '0');
  }
  if (port.empty() || number > 65535) return std::nullopt;
  parts.port = static_cast<std::uint16_t>(number);
  if (parts.host.empty() || parts.host.size() > kMaxHostLength ||
      parts.path.size() > kMaxPathLength || parts.scheme.size() > kMaxSchemeLength) {
    return std::nullopt;
  }
  return parts;
}

std::u16string NormaliseUrl(std::u16string_view url) {
  std::u16string_view text = text16::Trim(url);
  text = text.substr(0, text.find(u'#'));
  if (auto canonical = Canonicalise(text)) return std::move(*canonical);
  return std::u16string(text);
}

std::u16string VisitKey(std::u16string_view url) {
  const std::size_t sep = url.find(u"://");
  if (sep == npos) return std::u16string(url);
  std::size_t end = url.find_first_of(u"/?#", sep + 3);
  if (end == npos) end = url.size();
  std::u16string key = text16::LowerAscii(url.substr(0, end));
  key.append(url.substr(end));
  return key;
}

namespace {

// The reference put together with the base, trimmed and cut at "#", before
// canonicalisation; nullopt when the base is not absolute.
std::optional<std::u16string> CombinedText(std::u16string_view base,
                                           std::u16string_view reference) {
  const std::u16string ref = SlashBackslashes(reference);
  std::u16string target;
  if (HasScheme(ref)) {
    target = ref;
  } else {
    const auto b = SplitBase(base);
    if (!b) return std::nullopt;
    if (ref.starts_with(u"//")) {
      target.append(b->scheme).append(u":").append(ref);
    } else if (ref.empty() || ref[0] == u'#') {
      target.append(b->origin).append(b->path).append(b->query).append(ref);
    } else if (ref[0] == u'?') {
      target.append(b->origin).append(b->path).append(ref);
    } else if (ref[0] == u'/') {
      target.append(b->origin).append(ref);
    } else {
      const std::size_t slash = b->path.rfind(u'/');
      target.append(b->origin);
      if (slash == npos) {
        target.append(u"/");
      } else {
        target.append(b->path.substr(0, slash + 1));
      }
      target.append(ref);
    }
  }
  target.resize(std::min(target.size(), target.find(u'#')));
  return std::u16string(text16::Trim(target));
}

// The URL to list for a combined text; empty when it is none.
std::u16string ListedUrl(std::u16string_view combinedText) {
  const auto combined = Canonicalise(combinedText);
  if (!combined || combined->empty()) return {};
  std::u16string url = NormaliseUrl(*combined);
  if (!CrackUrl(url)) return {};
  return url;
}

// The reference of an attribute value, or nullopt for the schemes not listed.
std::optional<std::u16string> ListableReference(std::u16string_view value) {
  const std::u16string decoded = DecodeEntities(value);
  const std::u16string_view v = text16::Trim(decoded);
  if (v.empty()) return std::nullopt;
  for (const std::u16string_view scheme :
       {u"javascript:", u"mailto:", u"tel:", u"data:", u"blob:", u"about:"}) {
    if (text16::StartsWithIgnoreCase(v, scheme)) return std::nullopt;
  }
  return std::u16string(v);
}

}  // namespace

std::u16string CombineUrl(std::u16string_view base, std::u16string_view reference) {
  const auto text = CombinedText(base, reference);
  if (!text) return {};
  auto canonical = Canonicalise(*text);
  return canonical ? std::move(*canonical) : std::u16string();
}

std::u16string ResolveLink(std::u16string_view value, std::u16string_view base) {
  const auto ref = ListableReference(value);
  if (!ref) return {};
  const auto text = CombinedText(base, *ref);
  return text ? ListedUrl(*text) : std::u16string();
}

std::u16string LinkResolver::Resolve(std::u16string_view value, std::u16string_view base) {
  const auto ref = ListableReference(value);
  if (!ref) return {};
  auto text = CombinedText(base, *ref);
  if (!text) return {};
  if (const auto known = known_.find(*text); known != known_.end()) return known->second;
  std::u16string url = ListedUrl(*text);
  if (known_.size() >= kMaxKnown) known_.clear();
  known_.emplace(std::move(*text), url);
  return url;
}

}  // namespace ordano
