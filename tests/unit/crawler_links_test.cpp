// Link extraction from HTML and CSS, and the kind tables.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "crawler/charset.h"
#include "crawler/link_extract.h"
#include "crawler/resource_kind.h"
#include "platform/unicode.h"

namespace ordano {
namespace {

// "url kind follow" lines, for readable expectations.
std::vector<std::string> Lines(const std::vector<LinkRef>& links) {
  std::vector<std::string> out;
  for (const auto& l : links) {
    out.push_back(Utf16ToUtf8(l.url) + " " + Utf16ToUtf8(l.kind) + (l.follow ? " follow" : ""));
  }
  return out;
}
std::vector<std::string> Html(std::u16string_view text) {
  return Lines(ExtractLinks(text, false).links);
}
using V = std::vector<std::string>;

TEST(CrawlerLinks, TagScannerPrimitives) {
  EXPECT_EQ(FindTagEnd(u"a href=\"x>y\" b>", 0), 14);
  EXPECT_EQ(FindTagEnd(u"a title='it\"s' >", 0), 15);
  EXPECT_EQ(FindTagEnd(u"a href=\"x>", 0), -1);
  EXPECT_EQ(TagName(u" /A:b-1 x"), u"a:b-1");
  EXPECT_EQ(TagName(u"IMG src=x"), u"img");
  const std::u16string tag = u"img SRC = 'a b.png' alt=x data-x=\"&amp;\" disabled HREF=u>v";
  EXPECT_EQ(GetAttribute(tag, u"src"), u"a b.png");
  EXPECT_EQ(GetAttribute(tag, u"alt"), u"x");
  EXPECT_EQ(GetAttribute(tag, u"DATA-X"), u"&");
  EXPECT_EQ(GetAttribute(tag, u"disabled"), u"");
  EXPECT_EQ(GetAttribute(tag, u"href"), u"u");
  EXPECT_EQ(GetAttribute(tag, u"img"), u"");                   // the tag name is no attribute
  EXPECT_EQ(GetAttribute(u"a href=1 href=2", u"href"), u"1");  // the first wins
  EXPECT_EQ(GetAttribute(u"a/href=\"x", u"href"), u"");  // no space after the name: no attributes
  EXPECT_EQ(GetAttribute(u"a \"junk\" href=\"unterminated", u"href"), u"unterminated");
}

TEST(CrawlerLinks, SrcsetAndCssUrls) {
  EXPECT_EQ(Lines(ParseSrcset(u" a.webp 1x,b.webp\t2x , ,c,d.jpg 100w", kind::kImage)),
            (V{"a.webp Image", "b.webp Image", "c Image", "d.jpg Image"}));
  // A URL with a comma in it is split there.
  EXPECT_EQ(Lines(ParseSrcset(u"x,y.png 2x", kind::kOther)), (V{"x Other", "y.png Other"}));
  EXPECT_EQ(
      Lines(ExtractCssUrls(u"a{background:URL( \"bg one.png\" )} b{x:url('f.woff2')}"
                           u" c{x:url(  plain.dat  )} @import \"bare.css\"; d{x:url()}")),
      (V{"bg one.png Image", "f.woff2 Font", "plain.dat Other", "bare.css Stylesheet follow"}));
  // Import rules name stylesheets, followed whatever their ending.
  EXPECT_EQ(Lines(ExtractCssUrls(u"@IMPORT url( 'theme.php' ) screen; @import; @import 'b.css'"
                                 u" x{a:url(i.png)}")),
            (V{"theme.php Stylesheet follow", "b.css Stylesheet follow", "i.png Image"}));
  EXPECT_EQ(Lines(ExtractCssUrls(u"x{a:url(\"q)q.css\")} y{b:url(z.gif")),
            (V{"q)q.css Stylesheet", "z.gif Image"}));
}

TEST(CrawlerLinks, AnchorsLinksFormsAndOtherTags) {
  EXPECT_EQ(Html(u"<a href=list.html>x</a><A HREF=\"photo.JPG\">p</A><area href=m.php>"),
            (V{"list.html HTML follow", "photo.JPG Image follow", "m.php HTML follow"}));
  EXPECT_EQ(Html(u"<link rel=\"Stylesheet preload\" href=site.css><link rel=icon href=favicon.ico>"
                 u"<link rel=alternate href=feed.xml>"),
            (V{"site.css Stylesheet follow", "favicon.ico Image", "feed.xml Document"}));
  EXPECT_EQ(Html(u"<form action=send.cgi><use xlink:href=\"#i\"/><div href=d.pdf>"),
            (V{"send.cgi HTML follow", "#i HTML", "d.pdf Document"}));
}

TEST(CrawlerLinks, SourcesInOrderAndFollowOnlyForPages) {
  EXPECT_EQ(Html(u"<img src=a.png srcset=\"b.png 1x, c.png 2x\" data-src=d.png "
                 u"data-srcset=\"e.png 1x,f.png 2x\">"),
            (V{"a.png Image", "b.png Image", "c.png Image", "d.png Image", "e.png Image",
               "f.png Image"}));
  EXPECT_EQ(Html(u"<iframe src=inner.html></iframe><frame src=f><script src=app.js></script>"
                 u"<embed src=x.css><video src=v.mp4 poster=p.jpg></video><audio src=s>"),
            (V{"inner.html HTML follow", "f HTML follow", "app.js Script",
               "x.css Stylesheet follow", "v.mp4 Video", "p.jpg Image", "s Audio"}));
  EXPECT_EQ(Html(u"<picture><source srcset=\"a.webp 1x, b.webp 2x\" type=image/webp>"
                 u"<source srcset=m.webm type=VIDEO/webm><source srcset=n.mp3 type=audio/mpeg>"
                 u"<source srcset=o.x></picture>"),
            (V{"a.webp Other", "b.webp Other", "m.webm Video", "n.mp3 Audio", "o.x Other"}));
  EXPECT_EQ(Html(u"<div data-original=o.jpg data-lazy-src=l.gif style=\"background:url(s.png)\">"
                 u"<object data=movie.swf>"),
            (V{"o.jpg Image", "l.gif Image", "s.png Image", "movie.swf Other",
               "s.png Image"}));  // the final url() pass repeats the style attribute
}

TEST(CrawlerLinks, MetaRefreshAndSocialImages) {
  EXPECT_EQ(Html(u"<meta http-equiv=REFRESH content=\"5; URL='next.html'\">"),
            (V{"next.html HTML follow"}));
  EXPECT_EQ(Html(u"<meta http-equiv=refresh content=\"0;url= \t'a b.html' \">"),
            (V{"a b.html HTML follow"}));
  EXPECT_EQ(Html(u"<meta http-equiv=refresh content=5>"), V{});
  EXPECT_EQ(Html(u"<meta http-equiv=refresh content=\"0; url=' '\">"), V{});  // names nothing
  EXPECT_EQ(Html(u"<meta property=og:image:secure_url content=https://c/i.png>"
                 u"<meta name=TWITTER:IMAGE content=t.png><meta property=og:video content=v>"
                 u"<meta property=og:audio content=a><meta property=og:title content=t.png>"),
            (V{"https://c/i.png Image", "t.png Image", "v Video", "a Audio"}));
}

TEST(CrawlerLinks, TitleBaseAndComments) {
  PageLinks page = ExtractLinks(
      u"<html><head><TITLE lang=\"a>b\">\r\n  Caf&eacute; &amp; Bar\n line two </title>"
      u"<title>second</title><a href=a.html><base href=\"/root/\"><base href=\"/other/\">"
      u"<!-- <a href=hidden.html> --><a href=b.html>",
      false);
  EXPECT_EQ(page.title, u"Caf&eacute; & Bar  line two");
  EXPECT_EQ(page.base, u"/root/");
  EXPECT_EQ(Lines(page.links), (V{"a.html HTML follow", "b.html HTML follow"}));

  // An unclosed comment ends the tag scan but not the url() pass.
  page = ExtractLinks(u"<a href=1.html><!-- <a href=2.html> <div style=\"x:url(u.png)\">", false);
  EXPECT_EQ(Lines(page.links), (V{"1.html HTML follow", "u.png Image"}));
  // A "<" without ">" ends the scan; a "<" in script code starts a tag.
  EXPECT_EQ(Html(u"<script>if (a < b) x();</script><a href=z.html>"), (V{"z.html HTML follow"}));
  EXPECT_EQ(Html(u"<a href=1.html> 3 < 4"), (V{"1.html HTML follow"}));
  EXPECT_EQ(Html(u"<a href=\"x>y.html\">"), (V{"x>y.html HTML follow"}));
  EXPECT_EQ(ExtractLinks(u"<title>no end", false).title, u"");
}

TEST(CrawlerLinks, StylesheetsGetOnlyTheUrlPass) {
  const PageLinks css = ExtractLinks(
      u"<title>t</title><a href=x.html> body{background:url(img/bg.png)} @import url(more.css);",
      true);
  EXPECT_EQ(css.title, u"");
  EXPECT_EQ(Lines(css.links), (V{"img/bg.png Image", "more.css Stylesheet follow"}));
}

// A UTF-8 body is read in its own bytes, any other decoded first: either way
// the links are those of the decoded text, whatever the bytes hold.
TEST(CrawlerLinks, BodyBytesGiveTheLinksOfTheDecodedText) {
  const std::string huge = "<img alt=\"" + std::string(300000, 'x') + "\" src=\"big&amp;.png\">";
  struct Row {
    const char* name;
    std::string body;
    std::u16string_view contentType;
  };
  const Row rows[] = {
      {"plain page", "<title> T &amp; t </title><base href=/b/><a href=x.html>", u"text/html"},
      {"byte-order mark", "\xEF\xBB\xBF<a HREF='caf\xC3\xA9.html'>", u""},
      {"non-ASCII in names and values",
       "<a h\xC3\xA9ref=no.html href=\"\xE3\x81\x82 .html\" style='x:url(\xF0\x9F\x98\x80.png)'>",
       u"text/html; charset=utf-8"},
      {"invalid UTF-8 next to delimiters",
       "<a href=\"\xC3\">x.html\"><img src=\xE3\x81><a href=\xFF\xFE.html>\xED\xA0\x80"
       "<a href=\"\xF4\x90\x80\x80&#x41;\">",
       u"text/html; charset=utf-8"},
      {"a sequence cut by the end", "<a href=a.html><img src=\"b\xE3\x81",
       u"text/html; charset=utf-8"},
      {"numeric references past non-ASCII",
       "<a href=\"\xE3\x81\x82\xE3\x81\x82&#97;&#x10000;.html\">", u"text/html; charset=utf-8"},
      {"NULs", std::string("<a\0 href=x\0.html><img src=\"\0\">\0", 32),
       u"text/html; charset=utf-8"},
      {"unterminated comment", "<a href=1.html><!-- <a href=2.html> url(u.png)",
       u"text/html; charset=utf-8"},
      {"unterminated tag", "<a href=1.html><img src=\"never closed>", u"text/html; charset=utf-8"},
      {"unterminated title", "<TITLE>half <a href=x.html>", u"text/html; charset=utf-8"},
      {"huge attribute", huge, u"text/html; charset=utf-8"},
      {"meta and srcset",
       "<meta http-equiv=refresh content='0; URL=n\xC3\xA9xt.html'>"
       "<source srcset=\"a.webp 1x,\xC3\xA9.webp 2x\" type=video/x>",
       u"text/html; charset=utf-8"},
      {"stylesheet", "@import '\xC3\xA9.css'; a{b:URL( \"q)\xE2\x82\xAC.png\" )} url(",
       u"text/css"},
      {"shift_jis, decoded first", "<title>\x82\xA0</title><a href=\"\x82\xA0.html\">",
       u"text/html; charset=shift_jis"},
      {"undecided code page", "<a href=caf\xE9.html>", u"text/html"},
      {"empty body", "", u"text/html"},
  };
  for (const Row& row : rows) {
    for (const bool isCss : {false, true}) {
      SCOPED_TRACE(std::string(row.name) + (isCss ? " as CSS" : " as HTML"));
      const PageLinks bytes = ExtractBodyLinks(row.body, row.contentType, isCss);
      const PageLinks text = ExtractLinks(DecodeBody(row.body, row.contentType), isCss);
      EXPECT_EQ(bytes.title, text.title);
      EXPECT_EQ(bytes.base, text.base);
      EXPECT_EQ(Lines(bytes.links), Lines(text.links));
    }
  }
  // The rows do find links: the comparison is not between two empty lists.
  const PageLinks page = ExtractBodyLinks(rows[3].body, rows[3].contentType, false);
  EXPECT_EQ(page.links.size(), 4u);
  EXPECT_EQ(ExtractBodyLinks(huge, u"text/html", false).links.at(0).url, u"big&.png");
}

TEST(CrawlerLinks, ClassifyTables) {
  EXPECT_EQ(ClassifyByTag(u"IMG", u"x.html"), kind::kImage);
  EXPECT_EQ(ClassifyByTag(u"poster", u"x"), kind::kImage);
  EXPECT_EQ(ClassifyByTag(u"style", u"x"), kind::kStylesheet);
  EXPECT_EQ(ClassifyByTag(u"form", u"x.png"), kind::kHtml);
  EXPECT_EQ(ClassifyByTag(u"", u"http://h/dir/"), kind::kHtml);
  EXPECT_EQ(ClassifyByTag(u"", u"http://h/a.ASPX"), kind::kHtml);
  EXPECT_EQ(ClassifyByTag(u"", u"http://h/list.php?p=2"), kind::kOther);
  EXPECT_EQ(ClassifyByTag(u"", u"http://h/a.M4A"), kind::kAudio);
  EXPECT_EQ(ClassifyByTag(u"", u"http://h/a.otf"), kind::kFont);
  EXPECT_EQ(ClassifyByTag(u"", u"http://h/a.xlsx"), kind::kDocument);
  EXPECT_EQ(ClassifyByTag(u"", u"http://h/a.mjs"), kind::kScript);
  EXPECT_EQ(ClassifyByTag(u"", u"mailto:x@y.png"), kind::kHtml);  // no extension
  EXPECT_EQ(ClassifyByTag(u"", u"http://h/a.zip"), kind::kOther);

  EXPECT_EQ(ClassifyByContentType(u"Text/HTML; charset=UTF-8", kind::kOther), kind::kHtml);
  EXPECT_EQ(ClassifyByContentType(u"application/xhtml+xml", kind::kOther), kind::kHtml);
  EXPECT_EQ(ClassifyByContentType(u"text/css", kind::kHtml), kind::kStylesheet);
  EXPECT_EQ(ClassifyByContentType(u"image/png", kind::kHtml), kind::kImage);
  EXPECT_EQ(ClassifyByContentType(u"x-image/png", kind::kHtml), kind::kHtml);  // begins with
  EXPECT_EQ(ClassifyByContentType(u"video/mp4", kind::kHtml), kind::kVideo);
  EXPECT_EQ(ClassifyByContentType(u"audio/ogg", kind::kHtml), kind::kAudio);
  EXPECT_EQ(ClassifyByContentType(u"application/javascript", kind::kHtml), kind::kScript);
  EXPECT_EQ(ClassifyByContentType(u"font/woff2", kind::kHtml), kind::kFont);
  EXPECT_EQ(ClassifyByContentType(u"application/octet-stream", kind::kHtml), kind::kHtml);
  EXPECT_EQ(ClassifyByContentType(u"", kind::kStylesheet), kind::kStylesheet);
}

}  // namespace
}  // namespace ordano
