// URL handling of the crawler: cracking, normalising, resolving links, the
// crawl's scope and the display texts of found URLs. No network access.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace ordano {

// Limits of the cracked parts and of a whole URL; longer ones do not crack.
inline constexpr std::size_t kMaxSchemeLength = 63;
inline constexpr std::size_t kMaxHostLength = 1023;
inline constexpr std::size_t kMaxPathLength = 8191;
inline constexpr std::size_t kMaxUrlLength = 16383;

struct UrlParts {
  std::u16string scheme;   // lower-cased
  std::u16string host;     // lower-cased
  std::u16string path;     // after the authority, query included; "/" when empty
  std::uint16_t port = 0;  // explicit, else 443 for https and 80 otherwise
};

// The start URL's parts and the path prefix below which URLs are crawled.
struct CrawlScope {
  UrlParts start;
  std::u16string prefix;  // ends in "/"
};

// The parts of an http or https URL; nullopt for a malformed URL, another
// scheme or parts over the limits.
std::optional<UrlParts> CrackUrl(std::u16string_view url);

// Trimmed, cut at "#", then canonicalised: unsafe characters percent-encoded,
// "\" before the query turned into "/", dot segments resolved, the scheme
// lower-cased and an explicit default port dropped. A URL that cannot be
// canonicalised comes back trimmed and cut.
std::u16string NormaliseUrl(std::u16string_view url);

// The key of the visited map: scheme and authority lower-cased, the rest as is.
std::u16string VisitKey(std::u16string_view url);

// A reference resolved against an absolute base URL and normalised; empty
// when the base is not absolute or the result is no URL.
std::u16string CombineUrl(std::u16string_view base, std::u16string_view reference);

// An attribute value as an absolute http/https URL to list; empty for script,
// mail, telephone, data, blob and about links and for anything that does not
// crack.
std::u16string ResolveLink(std::u16string_view value, std::u16string_view base);

// ResolveLink for the links of a crawl: a site's pages name the same URLs
// again and again, so each absolute form is canonicalised once and its
// result remembered.
class LinkResolver {
 public:
  std::u16string Resolve(std::u16string_view value, std::u16string_view base);

 private:
  static constexpr std::size_t kMaxKnown = 65536;  // then it starts again
  std::unordered_map<std::u16string, std::u16string> known_;
};

// The lower-cased extension (".html") of the URL's last path segment; the
// query stays part of the path, so "list.php?p=2" gives ".php?p=2".
std::u16string UrlExtension(std::u16string_view url);
// The same for a reference that is not resolved yet ("photo.JPG"): a
// relative reference is read as a path.
std::u16string ReferenceExtension(std::u16string_view reference);

// The directory prefix of a start URL's parts, ending in "/".
std::u16string ScopePrefix(const UrlParts& parts);
CrawlScope MakeScope(const UrlParts& start);
// True when the URL has the scope's host and port and lies below its prefix.
bool InScope(const CrawlScope& scope, std::u16string_view url);

// "scheme://host", with ":port" for a port that is not the scheme's default.
std::u16string OriginText(const UrlParts& parts);

// %XY sequences decoded (UTF-8, else code page 932), "+" as a space.
std::u16string PercentDecode(std::u16string_view text);

// The entry name of a URL: its last path segment, or the host.
std::u16string DisplayName(std::u16string_view url);
// The entry's folder: origin plus directory, decoded.
std::u16string FolderUrl(std::u16string_view url);
// The URL's path relative to the start URL's scope prefix where possible.
std::u16string RelativeDisplay(std::u16string_view startUrl, std::u16string_view url);

}  // namespace ordano
