#include "scan/html_title.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "platform/codepage.h"
#include "platform/unicode.h"
#include "temp_dir.h"

namespace ordano {
namespace {

using testing::TempDir;
using testing::WriteFile;

std::u16string TitleOfFile(const TempDir& dir, std::string_view bytes, bool lower = false) {
  const std::string path = dir / "page.html";
  WriteFile(path, bytes);
  return ReadHtmlTitle(path, lower);
}

TEST(HtmlTitle, TagsInLowerOrUpperCaseOnly) {
  TempDir dir;
  EXPECT_EQ(TitleOfFile(dir, "<html><head><title>Hello, World</title></head>"), u"Hello, World");
  EXPECT_EQ(TitleOfFile(dir, "<HTML><TITLE>Upper</TITLE>"), u"Upper");
  EXPECT_EQ(TitleOfFile(dir, "<html><Title>Mixed</Title>"), u"");
  EXPECT_EQ(TitleOfFile(dir, "<title>no end"), u"");
  EXPECT_EQ(TitleOfFile(dir, "<title></title>"), u"");
  EXPECT_EQ(TitleOfFile(dir, "<title/title>"), u"");
  EXPECT_EQ(TitleOfFile(dir, "no tags at all"), u"");
}

TEST(HtmlTitle, ShiftJisAndUtf8) {
  TempDir dir;
  const std::string sjis = EncodeCodePage(kCodePageSystem, u"<title>日本語のページ</title>");
  ASSERT_NE(sjis, Utf16ToUtf8(u"<title>日本語のページ</title>"));
  EXPECT_EQ(TitleOfFile(dir, sjis), u"日本語のページ");

  const std::string utf8 = "<meta charset=utf-8><title>日本語のページ</title>";
  EXPECT_EQ(TitleOfFile(dir, utf8), u"日本語のページ");
  // The marker is matched in exact case only; otherwise the bytes stay CP932.
  const std::string upperMarker = "<meta charset=UTF-8><title>日本語のページ</title>";
  EXPECT_NE(TitleOfFile(dir, upperMarker), u"日本語のページ");
  // The UTF-8 text ends at the first zero byte.
  EXPECT_EQ(TitleOfFile(dir, std::string("charset=utf-8", 13) + '\0' + "<title>x</title>"), u"");
}

TEST(HtmlTitle, DroppedFileVariantIsLowerCase) {
  TempDir dir;
  const std::string sjis = EncodeCodePage(kCodePageSystem, u"<TITLE>Hello World 日本</TITLE>");
  EXPECT_EQ(TitleOfFile(dir, sjis, true), u"hello world 日本");
  EXPECT_EQ(TitleOfFile(dir, "<Title>Mixed</Title>", true), u"mixed");
}

TEST(HtmlTitle, OnlyTheFirst10000Bytes) {
  TempDir dir;
  const std::string tag = "<title>abc</title>";
  EXPECT_EQ(TitleOfFile(dir, std::string(10000 - tag.size(), ' ') + tag), u"abc");
  EXPECT_EQ(TitleOfFile(dir, std::string(10000 - tag.size() + 1, ' ') + tag), u"");
}

TEST(HtmlTitle, UnreadablePathsGiveNoTitle) {
  TempDir dir;
  EXPECT_EQ(ReadHtmlTitle(dir / "missing.html", false), u"");
  testing::MakeDirs(dir / "folder.html");
  EXPECT_EQ(ReadHtmlTitle(dir / "folder.html", false), u"");
  // A FIFO with no writer would block a plain open forever.
  const std::string fifo = dir / "pipe.html";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(ReadHtmlTitle(fifo, false), u"");
}

TEST(HtmlTitle, ExtensionIsCaseSensitive) {
  EXPECT_TRUE(HasHtmlExtension(u"index.html"));
  EXPECT_TRUE(HasHtmlExtension(u"index.htm"));
  EXPECT_FALSE(HasHtmlExtension(u"index.HTM"));
  EXPECT_FALSE(HasHtmlExtension(u"index.Html"));
  EXPECT_FALSE(HasHtmlExtension(u"index.htmlx"));
  EXPECT_FALSE(HasHtmlExtension(u"html"));
}

}  // namespace
}  // namespace ordano
