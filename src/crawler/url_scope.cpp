// Extensions, the crawl's scope and the origin text of URLs.
#include "crawler/text_ops.h"
#include "crawler/url.h"

namespace ordano {
namespace {

using text16::npos;

// The text from the last "." when it follows the last "/", lower-cased.
std::u16string PathExtension(std::u16string_view path) {
  const std::size_t dot = path.rfind(u'.');
  const std::size_t slash = path.rfind(u'/');
  if (dot == npos || (slash != npos && dot < slash)) return {};
  return text16::LowerAscii(path.substr(dot));
}

bool HasSchemePrefix(std::u16string_view ref) {
  const std::size_t colon = ref.find(u':');
  if (colon == npos || colon == 0) return false;
  for (std::size_t i = 0; i < colon; ++i) {
    const char16_t c = ref[i];
    if (!(text16::IsAsciiLetter(c) ||
          (i > 0 && (text16::IsAsciiDigit(c) || c == u'+' || c == u'-' || c == u'.')))) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::u16string UrlExtension(std::u16string_view url) {
  const auto parts = CrackUrl(url);
  if (!parts) return {};
  return PathExtension(parts->path);
}

std::u16string ReferenceExtension(std::u16string_view reference) {
  const std::u16string_view ref = text16::Trim(reference);
  if (const auto parts = CrackUrl(ref)) return PathExtension(parts->path);
  if (HasSchemePrefix(ref)) return {};  // mailto:, ftp:// and the like
  return PathExtension(ref.substr(0, ref.find(u'#')));
}

std::u16string ScopePrefix(const UrlParts& parts) {
  // The query names no folder: /docs/?lang=ja and /docs/list.php?dir=a/b lie
  // in the folder /docs/.
  const std::u16string_view path = parts.path;
  const std::u16string_view beforeQuery = path.substr(0, path.find(u'?'));
  if (beforeQuery.ends_with(u'/')) return std::u16string(beforeQuery);
  if (!UrlExtension(u"http://x" + std::u16string(beforeQuery)).empty()) {
    const std::size_t slash = beforeQuery.rfind(u'/');
    if (slash == npos) return u"/";
    return std::u16string(beforeQuery.substr(0, slash + 1));
  }
  // A folder named without its slash; with a query (/docs?lang=ja) the scope
  // is that URL alone, which keeps the start URL inside its own scope.
  return std::u16string(path) + u"/";
}

CrawlScope MakeScope(const UrlParts& start) { return CrawlScope{start, ScopePrefix(start)}; }

bool InScope(const CrawlScope& scope, std::u16string_view url) {
  const auto parts = CrackUrl(url);
  if (!parts) return false;
  if (!text16::EqualsIgnoreCase(parts->host, scope.start.host)) return false;
  if (parts->port != scope.start.port) return false;
  const std::u16string_view prefix = scope.prefix;
  const std::u16string_view path = parts->path;
  return path == prefix.substr(0, prefix.size() - 1) || path.starts_with(prefix);
}

std::u16string OriginText(const UrlParts& parts) {
  std::u16string out;
  out.append(parts.scheme).append(u"://").append(parts.host);
  const bool defaultPort = (parts.scheme == u"http" && parts.port == 80) ||
                           (parts.scheme == u"https" && parts.port == 443);
  if (!defaultPort) out.append(u":").append(text16::Widen(std::to_string(parts.port)));
  return out;
}

}  // namespace ordano
