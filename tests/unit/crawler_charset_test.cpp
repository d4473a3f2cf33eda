// Character sets of fetched bodies.
#include <gtest/gtest.h>

#include <string>

#include "crawler/charset.h"
#include "platform/codepage.h"

namespace ordano {
namespace {

const std::string kSjisA = "\x82\xa0";      // あ in Shift_JIS
const std::string kEucA = "\xa4\xa2";       // あ in EUC-JP
const std::string kUtf8A = "\xe3\x81\x82";  // あ in UTF-8

TEST(CrawlerCharset, CharsetNamesAndValues) {
  EXPECT_EQ(CharsetCodePage("UTF-8"), 65001);
  EXPECT_EQ(CharsetCodePage("utf8"), 65001);
  for (auto name : {"Shift_JIS", "shift-jis", "Windows-31J", "cp932", "sjis", "x-sjis"}) {
    EXPECT_EQ(CharsetCodePage(name), 932) << name;
  }
  EXPECT_EQ(CharsetCodePage("EUC-JP"), 20932);
  EXPECT_EQ(CharsetCodePage("ISO-8859-1"), 28591);
  EXPECT_EQ(CharsetCodePage("windows-1252"), 0);
  EXPECT_EQ(CharsetValue("text/html; Charset= \"Shift_JIS\"; x"), "shift_jis");
  EXPECT_EQ(CharsetValue("<meta content='text/html;charset=euc-jp'>"), "euc-jp");
  EXPECT_EQ(CharsetValue("<meta charset=utf-8/>"), "utf-8");
  EXPECT_EQ(CharsetValue("charset=;"), "");
  EXPECT_EQ(CharsetValue("charset=" + std::string(65, 'a')), "");
  EXPECT_EQ(CharsetValue("charset=" + std::string(64, 'a')), std::string(64, 'a'));
}

TEST(CrawlerCharset, HeaderWinsThenBodyDeclaration) {
  EXPECT_EQ(DetectCodePage(u"text/html; charset=Shift_JIS", kUtf8A), 932);
  EXPECT_EQ(DetectCodePage(u"text/html; charset=unknown", "<meta charset=euc-jp>" + kEucA), 20932);
  const std::string meta = "<meta charset=windows-31j>";
  // Within the first 8192 bytes the declaration counts (here its ">" is byte
  // 8192); one byte later its value is cut to "windows-31", which names nothing.
  const std::size_t fits = 8192 - (meta.size() - 1);
  EXPECT_EQ(DetectCodePage(u"text/html", std::string(fits, ' ') + meta + kUtf8A), 932);
  EXPECT_EQ(DetectCodePage(u"text/html", std::string(fits + 1, ' ') + meta + kUtf8A), 65001);
  // At byte 9000 it is not seen: the first 4096 bytes (spaces) decide.
  EXPECT_EQ(DetectCodePage(u"text/html", std::string(9000, ' ') + meta + kSjisA), 65001);
  EXPECT_EQ(DetectCodePage(u"", ""), 0);
}

TEST(CrawlerCharset, ByteOrderMarkAndValidityTest) {
  EXPECT_EQ(DetectCodePage(u"", "\xEF\xBB\xBF" + std::string("x\xff")), 65001);
  EXPECT_EQ(DetectCodePage(u"", "plain ascii"), 65001);
  EXPECT_EQ(DetectCodePage(u"", "caf\xe9"), 0);        // Latin-1, a cut 932 pair: undecided
  EXPECT_EQ(DetectCodePage(u"", "caf\xe9\x41"), 932);  // Latin-1 bytes that 932 reads
  EXPECT_EQ(DetectCodePage(u"", "\xff\xff"), 0);       // neither UTF-8 nor 932
  EXPECT_EQ(DetectCodePage(u"", "a" + kSjisA), 932);
  // A character cut by the 4096-byte test prefix does not count against its
  // code page: the UTF-8 page stays UTF-8, the Shift_JIS page stays 932.
  EXPECT_EQ(DetectCodePage(u"", std::string(4095, 'a') + kUtf8A), 65001);
  EXPECT_EQ(DetectCodePage(u"", std::string(4094, 'a') + kUtf8A), 65001);
  EXPECT_EQ(DetectCodePage(u"", std::string(4094, 'a') + kSjisA + kSjisA), 932);
  EXPECT_EQ(DetectCodePage(u"", std::string(4095, 'a') + kSjisA), 932);
  EXPECT_EQ(DetectCodePage(u"", std::string(4093, 'a') + kUtf8A + "\xff"),
            65001);  // bad byte past the test
  // A body that ends with a cut character is not cut by the test: invalid.
  EXPECT_EQ(DetectCodePage(u"", std::string(10, 'a') + "\xe3"), 0);
}

TEST(CrawlerCharset, DecodeBody) {
  EXPECT_EQ(DecodeBody("", u"text/html"), u"");
  EXPECT_EQ(DecodeBody("\xEF\xBB\xBF" + kUtf8A, u""), u"あ");
  EXPECT_EQ(DecodeBody("<meta charset=shift_jis>" + kSjisA, u""), u"<meta charset=shift_jis>あ");
  EXPECT_EQ(DecodeBody(kEucA, u"text/html;charset=EUC-JP"), u"あ");
  EXPECT_EQ(DecodeBody("caf\xe9", u"text/html; charset=iso-8859-1"), u"café");
  EXPECT_EQ(DecodeBody(kSjisA, u"text/html"), u"あ");          // 932 by the validity test
  EXPECT_EQ(DecodeBody("\xff", u"text/html").size(), 1u);      // undecodable: a replacement
  EXPECT_EQ(DecodeBody("caf\xe9", u"").substr(0, 3), u"caf");  // undecided: the system code page
}

}  // namespace
}  // namespace ordano
