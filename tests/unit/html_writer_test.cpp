#include "output/html_writer.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "catalogue_rows.h"
#include "output/catalogue_writers.h"
#include "output/cfilecus.h"
#include "output/html_escape.h"
#include "platform/unicode.h"
#include "temp_dir.h"
#include "test_host.h"

namespace ordano {
namespace {

using testing::FillTable;
using testing::ReadFile;
using testing::WriteFile;
using Lines = std::vector<std::string>;

constexpr std::int64_t kT1 = 1714568709;
constexpr std::int64_t kT2 = 1709647629;
const std::string kBom = "\xEF\xBB\xBF";
const std::string kHead =
    "<head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">"
    "<title>おるだの♪出力結果</title></head>";
const std::string kTable =
    "<table border=\"1\" bgcolor=\"#FFFFFF\" bordercolordark=\"#808080\" "
    "bordercolorlight=\"#C0C0C0\">";

std::string T(std::int64_t t) { return Utf16ToUtf8(TimeText(PackLocalTime(t))); }

Lines SplitCrLf(const std::string& text) {
  Lines lines;
  std::size_t from = 0;
  while (from < text.size()) {
    const std::size_t at = text.find("\r\n", from);
    if (at == std::string::npos) {
      lines.push_back(text.substr(from));
      break;
    }
    lines.push_back(text.substr(from, at - from));
    from = at + 2;
  }
  return lines;
}

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// "<tr>", cells, "</tr>" as the three lines of one row.
Lines Row(const std::string& cells) { return {"<tr>", cells, "</tr>"}; }

class HtmlWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ctx_ = testing::MakeContext(host_);
    path_ = dir_ / "cat.html";
  }

  void TwoFolders() {
    FillTable(*ctx_, {
                         {u"/data", u"a.txt", 1, 1, 1234, kT1, kT2, u"0123abcd"},
                         {u"/data/sub", u"c.txt", 2, 1, 10, kT2, kT1, u"4567cdef"},
                     });
  }

  // The whole file; a new page starts with the one byte-order mark.
  std::string Write(bool expectOk = true) {
    CFileCus sink;
    EXPECT_EQ(WriteHtmlCatalogue(*ctx_, sink, path_), expectOk);
    return expectOk ? ReadFile(path_) : std::string();
  }
  // The page without its byte-order mark, as lines.
  Lines Page() {
    const std::string bytes = Write();
    EXPECT_EQ(bytes.substr(0, 3), kBom);
    EXPECT_EQ(Count(bytes, kBom), 1u);
    EXPECT_TRUE(bytes.ends_with("</table></body></html>\r\n"));
    return SplitCrLf(bytes.substr(3));
  }

  testing::TestHost host_;
  std::unique_ptr<AppContext> ctx_;
  testing::TempDir dir_;
  std::string path_;
};

TEST_F(HtmlWriterTest, NewPageWithFolderHeaderFileAndTotalRows) {
  TwoFolders();
  Lines expected = {"<html>", kHead, "<body bgcolor=\"#000000\">", kTable};
  for (const Lines& row : {
           Row("<td colspan=\"2\" bgcolor=#00FF00>ターゲットフォルダ：/data</td>"),
           Row("<td>ファイル名</td><td align=right>サイズByte</td>"),
           Row("<td>a.txt</td><td align=right>1,234Byte</td>"),
           Row("<td colspan=\"2\" bgcolor=#00FF00>ターゲットフォルダ：/data/sub</td>"),
           Row("<td>ファイル名</td><td align=right>サイズByte</td>"),
           Row("<td>c.txt</td><td align=right>10Byte</td>"),
           Row("<td>総ファイル数 2 個</td><td align=right>1,244Byte</td>"),
       }) {
    expected.insert(expected.end(), row.begin(), row.end());
  }
  expected.push_back("</table></body></html>");
  EXPECT_EQ(Page(), expected);
  EXPECT_TRUE(host_.messages.empty());
}

TEST_F(HtmlWriterTest, FileTagOnEveryCellAndFiveColumnsWithDatesAndMd5) {
  SettingsRecord& s = ctx_->options.settings;
  s.WriteDate = 1;
  s.ComputeMd5 = 1;
  s.FileTagEnabled = 1;
  SetText(s.FileTag, u"class=x");
  s.FolderSizes = 1;
  s.TotalCountPlace = 1;
  TwoFolders();
  const Lines lines = Page();
  const std::string md = "<td class=x>";
  EXPECT_EQ(lines[5], "<td class=x>総ファイル数 2 個</td><td class=x align=right>1,244Byte</td>" +
                          md + "</td>" + md + "</td>" + md + "</td>");
  EXPECT_EQ(lines[8], "<td colspan=\"5\" bgcolor=#00FF00>ターゲットフォルダ：/data</td>");
  EXPECT_EQ(lines[11], "<td class=x>ファイル名</td><td class=x align=right>サイズByte</td>" + md +
                           "更新日付</td>" + md + "作成日付</td>" + md + "MD5</td>");
  EXPECT_EQ(lines[14], "<td class=x>a.txt</td><td class=x align=right>1,234Byte</td>" + md +
                           T(kT1) + "</td>" + md + T(kT2) + "</td>" + md + "0123abcd</td>");
  // Every cell but the folder cells carries the attributes.
  int cells = 0;
  for (const std::string& line : lines) {
    if (line.starts_with("<td colspan")) continue;
    for (std::size_t at = line.find("<td"); at != std::string::npos;
         at = line.find("<td", at + 1)) {
      EXPECT_EQ(line.substr(at, 11), "<td class=x") << line;
      ++cells;
    }
  }
  EXPECT_EQ(cells, 5 * 7);  // total, 2 headers, 2 files, 2 folder summaries
}

TEST_F(HtmlWriterTest, SingleCellFormIndentsAndFolderTag) {
  SettingsRecord& s = ctx_->options.settings;
  s.FileNameOnly = 1;
  s.IndentTree = 1;
  s.FolderSizes = 1;
  s.FolderTagEnabled = 1;
  SetText(s.FolderTag, u"class=\"f\"");
  s.HideTotalLabel = 1;
  TwoFolders();
  const std::string sp = "\u3000";
  Lines expected = {"<html>", kHead, "<body bgcolor=\"#000000\">", kTable};
  for (const Lines& row : {
           Row("<td colspan=\"1\" class=\"f\">ターゲットフォルダ：/data</td>"),
           Row("<td>ファイル名</td>"),
           Row("<td>" + sp + "a.txt</td>"),
           Row("<td>ファイル数 1 個</td>"),
           Row("<td colspan=\"1\" class=\"f\">" + sp + sp + "ターゲットフォルダ：/data/sub</td>"),
           Row("<td>" + sp + sp + "ファイル名</td>"),
           Row("<td>" + sp + sp + sp + "c.txt</td>"),
           Row("<td>" + sp + sp + "ファイル数1 個</td>"),
       }) {
    expected.insert(expected.end(), row.begin(), row.end());
  }
  expected.push_back("</table></body></html>");
  EXPECT_EQ(Page(), expected);
}

TEST_F(HtmlWriterTest, TargetLabelVariants) {
  SettingsRecord& s = ctx_->options.settings;
  FillTable(*ctx_, {{u"/d&e", u"a.txt"}});
  s.RenameTarget = 1;
  SetText(s.TargetName, u"<b>Dir</b> ");  // the user's own markup stays markup
  EXPECT_EQ(Page()[5], "<td colspan=\"2\" bgcolor=#00FF00><b>Dir</b> /d&amp;e</td>");
  s.HideTargetLabel = 1;
  EXPECT_EQ(Page()[5], "<td colspan=\"2\" bgcolor=#00FF00>/d&amp;e</td>");
}

TEST_F(HtmlWriterTest, LinkTagsPlaceholders) {
  SettingsRecord& s = ctx_->options.settings;
  s.LinkTagsEnabled = 1;
  s.HideTotalLabel = 1;
  s.HideFileNameLabel = 1;
  SetText(s.LinkTags, u"<a href=\"%1\" title=\"%3\">%6: %2</a>");
  FillTable(*ctx_, {{u"/d", u"first.html"}, {u"/d", u"x%2%6.txt"}, {u"/d", u"a.txt"}});
  ctx_->table.SetTitle(0, u"Home & <away>");
  ctx_->table.SetLinkPath(0, u"d/first.html");
  ctx_->table.SetLinkPath(1, u"d/x%2%6.txt");
  ctx_->table.SetLinkPath(2, u"d/a.txt");
  const Lines lines = Page();
  EXPECT_EQ(lines[8],
            "<td><a href=\"d/first.html\" title=\"Home &amp; &lt;away&gt;\">0: first.html</a></td>"
            "<td align=right>0Byte</td>");
  // A placeholder in a name is text: it is never filled in again.
  EXPECT_EQ(lines[11],
            "<td><a href=\"d/x%252%256.txt\" title=\"x%2%6.txt\">1: x%2%6.txt</a></td>"
            "<td align=right>0Byte</td>");
  // The third row: a plain-text file, no title, so the name.
  EXPECT_EQ(lines[14],
            "<td><a href=\"d/a.txt\" title=\"a.txt\">2: a.txt</a></td><td align=right>0Byte</td>");

  std::u16string out;
  AppendLinkTags(out, u"[%4|%5]", u"d/README", u"README", u"", 0);
  EXPECT_EQ(out, u"[|]");
  out.clear();
  AppendLinkTags(out, u"[%4|%5|%%1|%7|%]", u"d.x/a.tar.gz", u"a.tar.gz", u"", 12);
  EXPECT_EQ(out, u"[d.x/a.tar|a.tar|%d.x/a.tar.gz|%7|%]");
}

TEST_F(HtmlWriterTest, HostileNamesStayText) {
  SettingsRecord& s = ctx_->options.settings;
  s.HtmlLinks = 1;
  s.HideTotalLabel = 1;
  const std::u16string folder = u"/t/<script>alert(1)</script>";
  FillTable(*ctx_, {{folder, u"<img src=x onerror=alert(1)>.txt"},
                    {folder, u"a\"b.html"},
                    {folder, u"100%#1.txt"},
                    {folder, u"a&b 'c'.txt"}});
  for (int i = 0; i < 4; ++i) {
    ctx_->table.SetLinkPath(i, folder + u"/" + std::u16string(ctx_->table.Name(i)));
  }
  ctx_->table.SetTitle(1, u"<b onmouseover=x>T</b>");
  const std::string page = Write();
  const std::string dir = "/t/%3Cscript%3Ealert(1)%3C/script%3E/";
  EXPECT_NE(page.find("ターゲットフォルダ：/t/&lt;script&gt;alert(1)&lt;/script&gt;</td>"),
            std::string::npos);
  EXPECT_NE(page.find("<td><a href=\"" + dir +
                      "%3Cimg%20src=x%20onerror=alert(1)%3E.txt\">&lt;img src=x "
                      "onerror=alert(1)&gt;.txt</a></td>"),
            std::string::npos)
      << page;
  EXPECT_NE(page.find("<a href=\"" + dir + "a%22b.html\">a&quot;b.html</a>"), std::string::npos);
  EXPECT_NE(page.find("<a href=\"" + dir + "100%25%231.txt\">100%#1.txt</a>"), std::string::npos);
  EXPECT_NE(page.find("<a href=\"" + dir + "a&amp;b%20%27c%27.txt\">a&amp;b &#39;c&#39;.txt</a>"),
            std::string::npos);
  EXPECT_EQ(page.find("<img"), std::string::npos);
  EXPECT_EQ(page.find("<script"), std::string::npos);

  // The same through the user's link template: only the template is markup.
  s.LinkTagsEnabled = 1;
  SetText(s.LinkTags, u"<a href='%1' title='%3'>%2</a> %4 %5");
  const std::string templated = Write();
  EXPECT_NE(templated.find("<a href='" + dir +
                           "a%22b.html' title='&lt;b onmouseover=x&gt;T&lt;"
                           "/b&gt;'>a&quot;b.html</a> " +
                           dir + "a%22b a&quot;b</td>"),
            std::string::npos)
      << templated;
  EXPECT_EQ(templated.find("<img"), std::string::npos);
  EXPECT_EQ(templated.find("<b "), std::string::npos);
  EXPECT_EQ(Count(templated, "<a href="), 4u);
}

TEST_F(HtmlWriterTest, PageHeadAndBodyTemplatesAndColours) {
  SettingsRecord& s = ctx_->options.settings;
  FillTable(*ctx_, {{u"/d", u"a.txt"}});
  s.HtmlBackColor = 255;
  EXPECT_EQ(Page()[2], "<body bgcolor=\"#0000ff\">");
  ctx_->run.CmdBackColor = u"ff00ff";
  EXPECT_EQ(Page()[2], "<body bgcolor=\"#ff00ff\">");
  s.BodyTagsEnabled = 1;
  SetText(s.BodyTags, u"<body class=\"mine\">");
  EXPECT_EQ(Page()[2], "<body class=\"mine\">");

  s.HeadTagsEnabled = 1;
  SetText(s.HeadTags,
          u"<head>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; "
          u"charset=Shift_JIS\">\r\n</head>");
  const Lines lines = Page();
  EXPECT_EQ(lines[1], "<head>");
  EXPECT_EQ(lines[2], "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">");
  EXPECT_EQ(lines[3], "</head>");
  EXPECT_EQ(lines[4], "<body class=\"mine\">");
}

TEST_F(HtmlWriterTest, AppendingAddsASecondTableInsideTheSameBody) {
  ctx_->options.settings.HideTotalLabel = 1;
  FillTable(*ctx_, {{u"/d", u"a.txt"}});
  const std::string first = Write();
  FillTable(*ctx_, {{u"/e", u"b.txt"}});
  ctx_->options.settings.AppendOutput = 1;
  const std::string both = Write();
  // The old page up to its closing tags, then the new table and the tags.
  const std::size_t cut = first.find("</body>");
  EXPECT_EQ(both.substr(0, cut), first.substr(0, cut));
  EXPECT_EQ(both.substr(cut),
            kTable +
                "\r\n<tr>\r\n<td colspan=\"2\" bgcolor=#00FF00>ターゲットフォルダ：/e</td>\r\n"
                "</tr>\r\n<tr>\r\n<td>ファイル名</td><td align=right>サイズByte</td>\r\n</tr>\r\n"
                "<tr>\r\n<td>b.txt</td><td align=right>0Byte</td>\r\n</tr>\r\n"
                "</table></body></html>\r\n");
  EXPECT_EQ(Count(both, kBom), 1u);
  EXPECT_EQ(Count(both, "<head>"), 1u);
  EXPECT_EQ(Count(both, "<table"), 2u);
  EXPECT_EQ(Count(both, "</body>"), 1u);

  // The closing tag is found in any case; what followed it is replaced.
  WriteFile(path_, kBom + "<html><body><p>old</p></BODY>\r\n</HTML>\r\n<!-- a long trailer -->");
  const std::string upper = Write();
  EXPECT_TRUE(upper.starts_with(kBom + "<html><body><p>old</p>" + kTable)) << upper;
  EXPECT_TRUE(upper.ends_with("</table></body></html>\r\n"));
  EXPECT_EQ(upper.find("trailer"), std::string::npos);
}

TEST_F(HtmlWriterTest, AppendingWithoutBodyEndNearTheEndKeepsThePage) {
  ctx_->options.settings.AppendOutput = 1;
  FillTable(*ctx_, {{u"/d", u"a.txt"}});
  const std::string old = kBom + "<html><body></body></html>" + std::string(1500, 'x');
  WriteFile(path_, old);
  const std::string page = Write();
  EXPECT_EQ(page.substr(0, old.size()), old);
  EXPECT_EQ(page.substr(old.size(), 2 + kTable.size()), "\r\n" + kTable);
  EXPECT_TRUE(page.ends_with("</table></body></html>\r\n"));

  // An empty file becomes a whole new page.
  WriteFile(path_, "");
  EXPECT_EQ(Page()[0], "<html>");
}

TEST_F(HtmlWriterTest, AppendingToAMissingPageFailsWithTheHint) {
  ctx_->options.settings.AppendOutput = 1;
  FillTable(*ctx_, {{u"/d", u"a.txt"}});
  Write(false);
  EXPECT_FALSE(std::filesystem::exists(path_));
  ASSERT_EQ(host_.messages.size(), 1u);
  EXPECT_EQ(host_.messages[0].caption, u"おるだの♪書き出しエラー");
  EXPECT_NE(host_.messages[0].text.find(u"追記なしで出力してください"), std::u16string::npos);
}

TEST_F(HtmlWriterTest, MergeOpenLeavesNoOldTail) {
  FillTable(*ctx_, {{u"/d", u"a.txt"}});
  const std::string fresh = Write();
  WriteFile(path_, std::string(5000, 'o'));
  ctx_->options.settings.Unify = 1;
  EXPECT_EQ(Write(), fresh);
}

TEST(HtmlEscape, TextAndLinks) {
  std::u16string out;
  AppendHtmlEscaped(out, u"<a href=\"x\">&'</a>");
  EXPECT_EQ(out, u"&lt;a href=&quot;x&quot;&gt;&amp;&#39;&lt;/a&gt;");

  auto href = [](std::u16string_view link) {
    std::u16string o;
    AppendHrefEncoded(o, link);
    return o;
  };
  EXPECT_EQ(href(u"/d/a b#1?.txt"), u"/d/a%20b%231%3F.txt");
  EXPECT_EQ(href(u"d\\e\t.txt"), u"d%5Ce%09.txt");
  EXPECT_EQ(href(u"日本 語.txt"), u"日本%20語.txt");
  // A first segment with a colon is not a scheme.
  EXPECT_EQ(href(u"a:b.txt"), u"./a:b.txt");
  EXPECT_EQ(href(u"d/a:b.txt"), u"d/a:b.txt");
  // An address keeps its query, fragment and escapes; only the attribute is guarded.
  EXPECT_EQ(href(u"https://h/a%20b?q=1&r=\"2\"#f"), u"https://h/a%20b?q=1&amp;r=%222%22#f");
  EXPECT_EQ(FindBodyEnd("x</body>y</BoDy>z"), 9);
  EXPECT_EQ(FindBodyEnd("</body"), -1);
  EXPECT_EQ(FindBodyEnd("< /body>"), -1);
}

}  // namespace
}  // namespace ordano
