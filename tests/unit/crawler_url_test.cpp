// URL handling of the crawler: cracking, normalising, resolving, scope and
// display texts.
#include <gtest/gtest.h>

#include <chrono>

#include "crawler/html_entities.h"
#include "crawler/url.h"
#include "platform/unicode.h"

namespace ordano {
namespace {

TEST(CrawlerUrl, CrackLowerCasesSchemeAndHostOnly) {
  const auto p = CrackUrl(u"HTTPS://Example.COM:443/A/");
  ASSERT_TRUE(p);
  EXPECT_EQ(p->scheme, u"https");
  EXPECT_EQ(p->host, u"example.com");
  EXPECT_EQ(p->port, 443);
  EXPECT_EQ(p->path, u"/A/");
  EXPECT_EQ(VisitKey(u"HTTPS://Example.COM:443/A/"), u"https://example.com:443/A/");
  EXPECT_EQ(VisitKey(u"HTTP://Ex.COM?Q=A#F"), u"http://ex.com?Q=A#F");
  EXPECT_EQ(VisitKey(u"no scheme/Path"), u"no scheme/Path");
}

TEST(CrawlerUrl, CrackDefaultsPathAndPortAndKeepsQueryInPath) {
  auto p = CrackUrl(u"http://example.com");
  ASSERT_TRUE(p);
  EXPECT_EQ(p->path, u"/");
  EXPECT_EQ(p->port, 80);
  p = CrackUrl(u"https://example.com/list.php?p=2&q=a%20b");
  ASSERT_TRUE(p);
  EXPECT_EQ(p->port, 443);
  EXPECT_EQ(p->path, u"/list.php?p=2&q=a%20b");
  p = CrackUrl(u"http://user:pw@example.com:8080/x");
  ASSERT_TRUE(p);
  EXPECT_EQ(p->host, u"example.com");
  EXPECT_EQ(p->port, 8080);
}

TEST(CrawlerUrl, CrackRefusesOtherSchemesMalformedAndOversizedUrls) {
  EXPECT_FALSE(CrackUrl(u"ftp://example.com/x"));
  EXPECT_FALSE(CrackUrl(u"mailto:someone@example.com"));
  EXPECT_FALSE(CrackUrl(u"example.com/docs"));
  EXPECT_FALSE(CrackUrl(u"http://"));
  EXPECT_FALSE(CrackUrl(u""));
  EXPECT_FALSE(CrackUrl(u"http://example.com/" + std::u16string(kMaxPathLength, u'a')));
  EXPECT_TRUE(CrackUrl(u"http://example.com/" + std::u16string(kMaxPathLength - 1, u'a')));
  EXPECT_FALSE(CrackUrl(u"http://" + std::u16string(kMaxHostLength + 1, u'h') + u"/"));
}

TEST(CrawlerUrl, NormaliseTrimsCutsFragmentEncodesAndResolvesDots) {
  EXPECT_EQ(NormaliseUrl(u"  http://Example.com/a/./b/../c.html#top \r\n"),
            u"http://Example.com/a/c.html");
  EXPECT_EQ(NormaliseUrl(u"HTTP://h/a b/日本?q=x y"), u"http://h/a%20b/%E6%97%A5%E6%9C%AC?q=x%20y");
  EXPECT_EQ(NormaliseUrl(u"http://h/a{b}|c^d`e\"f<g>"),
            u"http://h/a%7Bb%7D%7Cc%5Ed%60e%22f%3Cg%3E");
  // Existing escapes stay as they are; explicit default ports go.
  EXPECT_EQ(NormaliseUrl(u"http://h:80/%7Ea%zz"), u"http://h/%7Ea%zz");
  EXPECT_EQ(NormaliseUrl(u"https://h:443/"), u"https://h/");
  EXPECT_EQ(NormaliseUrl(u"https://h:80/"), u"https://h:80/");
  EXPECT_EQ(NormaliseUrl(u"http://h/a\\b?c\\d"), u"http://h/a/b?c%5Cd");
  // Host names are not escaped (libcurl decodes escapes there); every result
  // normalises to itself, so its visited key is stable.
  EXPECT_EQ(NormaliseUrl(u"http://%41b.example/x"), u"http://Ab.example/x");
  for (auto url : {u"http://日本.jp/パス", u"http://p%C2%8E/", u"http://h/a%20b?c=d e"}) {
    const std::u16string once = NormaliseUrl(url);
    EXPECT_EQ(NormaliseUrl(once), once) << Utf16ToUtf8(once);
  }
  EXPECT_EQ(NormaliseUrl(u"http://日本.jp/パス"), u"http://日本.jp/%E3%83%91%E3%82%B9");
  // Not canonicalisable: trimmed and cut only.
  EXPECT_EQ(NormaliseUrl(u" mailto:x@y#z "), u"mailto:x@y");
}

TEST(CrawlerUrl, CombineFollowsReferenceResolution) {
  const std::u16string base = u"http://h/a/b.html?x=1";
  EXPECT_EQ(CombineUrl(base, u"c.html"), u"http://h/a/c.html");
  EXPECT_EQ(CombineUrl(base, u"../../../c"), u"http://h/c");
  EXPECT_EQ(CombineUrl(base, u"/r?q"), u"http://h/r?q");
  EXPECT_EQ(CombineUrl(base, u"?y=2"), u"http://h/a/b.html?y=2");
  EXPECT_EQ(CombineUrl(base, u"#top"), u"http://h/a/b.html?x=1");
  EXPECT_EQ(CombineUrl(base, u""), u"http://h/a/b.html?x=1");
  EXPECT_EQ(CombineUrl(base, u"//Other.org/x"), u"http://Other.org/x");
  EXPECT_EQ(CombineUrl(base, u"\\\\other.org\\x"), u"http://other.org/x");
  EXPECT_EQ(CombineUrl(base, u"HTTPS://o.org/Q"), u"https://o.org/Q");
  EXPECT_EQ(CombineUrl(u"http://h", u"c d.html"), u"http://h/c%20d.html");
  EXPECT_EQ(CombineUrl(u"not a url", u"c.html"), u"");
}

TEST(CrawlerUrl, ResolveLinkDropsNonWebSchemesAndDecodesEntities) {
  const std::u16string base = u"http://h/dir/page.html";
  EXPECT_EQ(ResolveLink(u"  mailto:a@b.c  ", base), u"");
  EXPECT_EQ(ResolveLink(u"JavaScript:void(0)", base), u"");
  for (auto v :
       {u"tel:123", u"data:image/png;base64,AA", u"blob:x", u"about:blank", u"ftp://h/x"}) {
    EXPECT_EQ(ResolveLink(v, base), u"") << std::string(v, v + 3);
  }
  EXPECT_EQ(ResolveLink(u"", base), u"");
  EXPECT_EQ(ResolveLink(u" \t", base), u"");
  EXPECT_EQ(ResolveLink(u"list.php?a=1&amp;b=2", base), u"http://h/dir/list.php?a=1&b=2");
  // Named entities other than the six stay, and get encoded as URL text.
  EXPECT_EQ(ResolveLink(u"a&nbsp;b.html", base), u"http://h/dir/a&nbsp;b.html");
  EXPECT_EQ(ResolveLink(u"#top", base), base);
}

// The crawl's resolver remembers results by the absolute form a link gives:
// whatever it has seen before, each link resolves as ResolveLink resolves it.
TEST(CrawlerUrl, LinkResolverResolvesAsResolveLink) {
  const struct {
    std::u16string_view value, base;
  } rows[] = {
      {u"a.html", u"http://h/x/p.html"},
      {u"a.html", u"http://h/y/p.html"},  // the same link under another folder
      {u"/x/a.html", u"http://h/y/q.html"},
      {u"../x/./a.html#part", u"http://h/y/p.html"},
      {u"#top", u"http://h/x/p.html?q=1"},
      {u"#top", u"http://h/x/p.html?q=2"},
      {u"", u"http://h/x/p.html#frag"},
      {u"?p=2&amp;s=1", u"http://h/x/list.php?p=1"},
      {u" HTTP://H:80/x/a.html ", u"http://other/"},
      {u"\\\\h\\x\\a.html", u"https://h/"},
      {u"c d.html", u"http://h"},
      {u"mailto:a@b.c", u"http://h/"},
      {u"ftp://h/x", u"http://h/"},
      {u"a.html", u"not a url"},
      {u"http://[::1", u"http://h/"},
  };
  LinkResolver resolver;
  for (int pass = 0; pass < 2; ++pass) {
    for (const auto& row : rows) {
      EXPECT_EQ(resolver.Resolve(row.value, row.base), ResolveLink(row.value, row.base))
          << std::string(row.value.begin(), row.value.end()) << " in "
          << std::string(row.base.begin(), row.base.end()) << ", pass " << pass;
    }
  }
  EXPECT_EQ(resolver.Resolve(u"a.html", u"http://h/y/p.html"), u"http://h/y/a.html");
}

TEST(CrawlerUrl, DecodeEntitiesNamedAndNumeric) {
  EXPECT_EQ(DecodeEntities(u"a&amp;b&AMP;c&quot;d&apos;e&lt;f&gt;"), u"a&b&c\"d'e<f>");
  EXPECT_EQ(DecodeEntities(u"&amp;lt;"), u"<");  // &amp; goes first
  EXPECT_EQ(DecodeEntities(u"&#x41;&#66;&#X43;"), u"ABC");
  EXPECT_EQ(DecodeEntities(u"&#0;&#xZZ;&#;&#x;&#1114112;"), u"&#0;&#xZZ;&#;&#x;&#1114112;");
  EXPECT_EQ(DecodeEntities(u"&#x1F600;"), u"\U0001F600");
  EXPECT_EQ(DecodeEntities(u"&#x1F600;").size(), 2u);
  // A ";" more than ten characters after "&" stops numeric decoding for the rest.
  EXPECT_EQ(DecodeEntities(u"&#65;&#0000000065;&#66;"), u"A&#0000000065;&#66;");
  EXPECT_EQ(DecodeEntities(u"&#00000065;&#66;"), u"AB");  // ";" exactly ten after "&"
  EXPECT_EQ(DecodeEntities(u"&nbsp;&copy;"), u"&nbsp;&copy;");
  EXPECT_EQ(DecodeEntities(u"&#65"), u"&#65");
}

TEST(CrawlerUrl, DecodeEntitiesTakesLinearTime) {
  // 1.5 MB of references: decoding them in place took seconds, one pass takes milliseconds.
  constexpr std::size_t kRefs = 100000;
  std::u16string text;
  for (std::size_t i = 0; i < kRefs; ++i) text += i % 2 == 0 ? u"&#65;" : u"&#x1F600;x";
  const auto start = std::chrono::steady_clock::now();
  const std::u16string decoded = DecodeEntities(text);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  ASSERT_EQ(decoded.size(), kRefs / 2 * 4);
  EXPECT_EQ(decoded.substr(0, 8), u"A\U0001F600xA\U0001F600x");
  EXPECT_EQ(decoded.substr(decoded.size() - 4), u"A\U0001F600x");
}

TEST(CrawlerUrl, ExtensionKeepsTheQuery) {
  EXPECT_EQ(UrlExtension(u"http://h/a/Photo.JPG"), u".jpg");
  EXPECT_EQ(UrlExtension(u"http://h/list.php?p=2"), u".php?p=2");
  EXPECT_EQ(UrlExtension(u"http://h/a.b/c"), u"");
  EXPECT_EQ(UrlExtension(u"photo.jpg"), u"");  // does not crack
  EXPECT_EQ(ReferenceExtension(u"photo.JPG"), u".jpg");
  EXPECT_EQ(ReferenceExtension(u"../img/x.png#frag"), u".png");
  EXPECT_EQ(ReferenceExtension(u"mailto:a@b.com"), u"");
}

TEST(CrawlerUrl, ScopePrefixAndInScope) {
  auto scopeOf = [](std::u16string_view url) { return MakeScope(*CrackUrl(url)); };
  EXPECT_EQ(scopeOf(u"http://h/docs").prefix, u"/docs/");
  EXPECT_EQ(scopeOf(u"http://h/docs/").prefix, u"/docs/");
  EXPECT_EQ(scopeOf(u"http://h/docs/index.html").prefix, u"/docs/");
  EXPECT_EQ(scopeOf(u"http://h/").prefix, u"/");
  EXPECT_EQ(scopeOf(u"http://h/docs/?lang=ja").prefix, u"/docs/");
  EXPECT_EQ(scopeOf(u"http://h/docs/list.php?dir=a/b").prefix, u"/docs/");
  EXPECT_EQ(scopeOf(u"http://h/docs?lang=ja").prefix, u"/docs?lang=ja/");
  // Every start URL lies in its own scope.
  for (auto start : {u"http://h/docs/?lang=ja", u"http://h/docs/list.php?dir=a/b",
                     u"http://h/docs?lang=ja", u"http://h/a.b/c?d.e/f", u"http://h"}) {
    EXPECT_TRUE(InScope(scopeOf(start), start)) << std::string(start, start + 12);
  }

  const CrawlScope docs = scopeOf(u"http://h/docs");
  EXPECT_TRUE(InScope(docs, u"http://h/docs/x.html"));
  for (auto in : {u"http://h/docs", u"http://h/docs/", u"http://H/docs/a/b.html",
                  u"http://h/docs/?q=1", u"http://h:80/docs/"}) {
    EXPECT_TRUE(InScope(docs, in)) << std::string(in, in + 20);
  }
  for (auto out : {u"http://h/docs?q=1", u"http://h/Docs/", u"http://h/docsx",
                   u"http://h:8080/docs/", u"https://h/docs/", u"http://g/docs/", u"mailto:h"}) {
    EXPECT_FALSE(InScope(docs, out)) << std::string(out, out + 20);
  }
  const CrawlScope file = scopeOf(u"http://h/docs/index.html");
  EXPECT_TRUE(InScope(file, u"http://h/docs/other.html"));
  EXPECT_FALSE(InScope(file, u"http://h/other.html"));
  // Same host, another port: another scope.
  EXPECT_FALSE(InScope(scopeOf(u"http://h:8080/"), u"http://h/"));
}

TEST(CrawlerUrl, OriginText) {
  EXPECT_EQ(OriginText(*CrackUrl(u"http://h:80/x")), u"http://h");
  EXPECT_EQ(OriginText(*CrackUrl(u"https://h/x")), u"https://h");
  EXPECT_EQ(OriginText(*CrackUrl(u"https://h:80/x")), u"https://h:80");
  EXPECT_EQ(OriginText(*CrackUrl(u"http://h:8080/x")), u"http://h:8080");
}

TEST(CrawlerUrl, PercentDecode) {
  EXPECT_EQ(PercentDecode(u"a%20b+c"), u"a b c");
  EXPECT_EQ(PercentDecode(u"a+b"), u"a+b");  // no "%": unchanged
  EXPECT_EQ(PercentDecode(u"%E3%81%82"), u"あ");
  EXPECT_EQ(PercentDecode(u"%e3%81%82x"), u"あx");
  EXPECT_EQ(PercentDecode(u"%82%A0"), u"あ");  // code page 932
  EXPECT_EQ(PercentDecode(u"100%"), u"100%");
  EXPECT_EQ(PercentDecode(u"%4"), u"%4");
  EXPECT_EQ(PercentDecode(u"%zz%41"), u"%zzA");
  EXPECT_EQ(PercentDecode(u"%FF").size(), 1u);  // neither UTF-8 nor 932: one replacement
}

TEST(CrawlerUrl, DisplayNameFolderAndRelative) {
  EXPECT_EQ(DisplayName(u"http://h/a/b/"), u"b");
  EXPECT_EQ(DisplayName(u"http://h/"), u"h");
  EXPECT_EQ(DisplayName(u"http://h/a/%E6%97%A5.html"), u"日.html");
  EXPECT_EQ(DisplayName(u"not%20a url"), u"not a url");
  EXPECT_EQ(FolderUrl(u"http://h:8080/a/b%20c/d.html"), u"http://h:8080/a/b c/");
  EXPECT_EQ(FolderUrl(u"https://h/"), u"https://h/");
  EXPECT_EQ(FolderUrl(u"nothing"), u"");

  const std::u16string start = u"http://h/docs/";
  EXPECT_EQ(RelativeDisplay(start, u"http://h/docs/"), u"docs");  // the start item itself
  EXPECT_EQ(RelativeDisplay(start, u"http://h/docs/a/b%20c.html"), u"a/b c.html");
  EXPECT_EQ(RelativeDisplay(start, u"http://h/other/x.html"), u"/other/x.html");
  EXPECT_EQ(RelativeDisplay(start, u"https://h/docs/x"), u"https://h/docs/x");
  EXPECT_EQ(RelativeDisplay(start, u"http://g/docs/x"), u"http://g/docs/x");
  EXPECT_EQ(RelativeDisplay(u"http://h/docs/index.html", u"http://h/docs/index.html"),
            u"index.html");
  // A name that decodes to an escape is decoded once only.
  EXPECT_EQ(RelativeDisplay(u"http://h/a%2541/", u"http://h/a%2541/"), u"a%41");
}

}  // namespace
}  // namespace ordano
