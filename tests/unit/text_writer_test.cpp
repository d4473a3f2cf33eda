#include "output/text_writer.h"

#include <gtest/gtest.h>

#include "catalogue_rows.h"
#include "core/format_size.h"
#include "output/cfilecus.h"
#include "platform/unicode.h"
#include "scan/volume_info.h"
#include "temp_dir.h"
#include "test_host.h"

namespace ordano {
namespace {

using testing::Dashes;
using testing::FillTable;
using testing::NameCol;
using testing::SizeCol;
using testing::Spaces;
using testing::SplitLines;
using Lines = std::vector<std::u16string>;

constexpr std::int64_t kT1 = 1714568709;  // 2024-05-01
constexpr std::int64_t kT2 = 1709647629;  // 2024-03-05

std::u16string T(std::int64_t t) { return TimeText(PackLocalTime(t)); }

class TextWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ctx_ = testing::MakeContext(host_);
    ctx_->options.settings.WriteTargetFolder = 1;
  }

  // Two folders as a scan leaves them.
  void TwoFolders() {
    FillTable(*ctx_, {
                         {u"/data", u"a.txt", 1, 1, 1234, kT1, kT2},
                         {u"/data", u"b.txt", 1, 0, 5, kT1, 0},
                         {u"/data/sub", u"c.txt", 2, 1, 10, kT2, kT2},
                     });
  }

  std::u16string Memory() {
    CFileCus sink;
    sink.SetClipboardMode(true);
    EXPECT_TRUE(sink.Open({}, CFileCus::OpenMode::CreateTruncate));
    EXPECT_EQ(WriteTextCatalogue(*ctx_, sink, {}), TextWriteStatus::Written);
    return sink.TakeCollectedText();
  }
  Lines MemoryLines() {
    const std::u16string text = Memory();
    EXPECT_EQ(text.find(u'\r'), std::u16string::npos);
    return SplitLines(text, u"\n");
  }

  // Writes to a file sink; returns the file's bytes decoded from UTF-16LE.
  std::u16string File(const std::string& path, CFileCus::OpenMode mode,
                      TextWriteStatus expect = TextWriteStatus::Written) {
    CFileCus sink;
    EXPECT_TRUE(sink.Open(path, mode));
    EXPECT_EQ(WriteTextCatalogue(*ctx_, sink, path), expect);
    EXPECT_TRUE(sink.Close());
    return testing::FromUtf16Le(testing::ReadFile(path));
  }

  testing::TestHost host_;
  std::unique_ptr<AppContext> ctx_;
};

TEST_F(TextWriterTest, NormalCatalogueWithDatesAndFolderSummaries) {
  ctx_->options.settings.WriteDate = 1;
  ctx_->options.settings.FolderSizes = 1;
  TwoFolders();
  const std::u16string sep =
      Dashes(32) + u" " + Dashes(19) + u"    " + Dashes(24) + u"    " + Dashes(24);
  const std::u16string header =
      NameCol(u"ファイル名", 32) + SizeCol(u" ") + u"    更新日付" + Spaces(16) + u"    作成日付";
  const Lines expected = {
      sep,
      u"ターゲットフォルダ：/data",
      header,
      sep,
      NameCol(u"a.txt", 32) + SizeCol(u"1,234") + u"    " + T(kT1) + u"    " + T(kT2),
      NameCol(u"b.txt", 32) + SizeCol(u"5") + u"    " + T(kT1),
      sep,
      NameCol(u"ファイル数 2 個", 32) + SizeCol(u"1,239"),
      sep,
      u"ターゲットフォルダ：/data/sub",
      header,
      sep,
      NameCol(u"c.txt", 32) + SizeCol(u"10") + u"    " + T(kT2) + u"    " + T(kT2),
      sep,
      NameCol(u"ファイル数 1 個", 32) + SizeCol(u"10"),
      sep,
      NameCol(u"総ファイル数 3 個", 32) + SizeCol(u"1,249"),
  };
  EXPECT_EQ(MemoryLines(), expected);
}

TEST_F(TextWriterTest, FileLineEndsAndBreakTags) {
  testing::TempDir dir;
  ctx_->options.settings.WriteTargetFolder = 0;
  FillTable(*ctx_, {{u"/d", u"a", 1, 1, 1}});
  const std::u16string sep = Dashes(32) + u" " + Dashes(19);
  const Lines lines = {sep, NameCol(u"a", 32) + SizeCol(u"1"), sep,
                       NameCol(u"総ファイル数 1 個", 32) + SizeCol(u"1")};

  std::u16string crlf = u"\uFEFF";
  for (const auto& l : lines) crlf += l + u"\r\n";
  EXPECT_EQ(File(dir / "a.txt", CFileCus::OpenMode::CreateTruncate), crlf);

  // Line breaks off (stored inverted) with <br> tags: one long line.
  ctx_->options.settings.TxtLineBreaks = 1;
  ctx_->options.settings.TxtBrTags = 1;
  std::u16string br = u"\uFEFF";
  for (const auto& l : lines) br += l + u"<br>";
  EXPECT_EQ(File(dir / "b.txt", CFileCus::OpenMode::CreateTruncate), br);

  // Both on: the tag follows the break. The clipboard ignores both.
  ctx_->options.settings.TxtLineBreaks = 0;
  const std::u16string both = File(dir / "c.txt", CFileCus::OpenMode::CreateTruncate);
  EXPECT_EQ(SplitLines(both.substr(1), u"\r\n<br>"), lines);
  EXPECT_EQ(MemoryLines(), lines);
}

TEST_F(TextWriterTest, WithoutTargetFolderOnlyTheFinalSummaryRemains) {
  ctx_->options.settings.WriteTargetFolder = 0;
  ctx_->options.settings.FolderSizes = 1;
  ctx_->options.settings.TotalCountPlace = 1;  // stored 1: top
  TwoFolders();
  const std::u16string sep = Dashes(32) + u" " + Dashes(19);
  const Lines expected = {
      sep,
      NameCol(u"総ファイル数 3 個", 32) + SizeCol(u"1,249"),
      NameCol(u"a.txt", 32) + SizeCol(u"1,234"),
      NameCol(u"b.txt", 32) + SizeCol(u"5"),
      NameCol(u"c.txt", 32) + SizeCol(u"10"),
      sep,
      NameCol(u"ファイル数 3 個", 32) + SizeCol(u"1,249"),
      sep,
  };
  EXPECT_EQ(MemoryLines(), expected);
}

TEST_F(TextWriterTest, FolderNamesOnlyAndFolderWithFileForms) {
  TwoFolders();
  const std::u16string sep = Dashes(32) + u" " + Dashes(19);
  const std::u16string total = NameCol(u"総ファイル数 3 個", 32) + SizeCol(u"1,249");

  ctx_->options.settings.OutputKind = 1;
  EXPECT_EQ(MemoryLines(), Lines({sep, u"/data", u"/data/sub", sep, total}));
  ctx_->options.settings.WriteTargetFolder = 0;
  EXPECT_EQ(MemoryLines(), Lines({sep, sep, total}));

  ctx_->options.settings.OutputKind = 2;
  ctx_->options.settings.WriteTargetFolder = 1;
  EXPECT_EQ(MemoryLines(), Lines({sep, NameCol(u"/data/a.txt", 32) + SizeCol(u"1,234"),
                                  NameCol(u"/data/b.txt", 32) + SizeCol(u"5"),
                                  NameCol(u"/data/sub/c.txt", 32) + SizeCol(u"10"), sep, total}));
}

TEST_F(TextWriterTest, PlaceholdersOpenAFolderButAreNotCounted) {
  ctx_->options.settings.FolderSizes = 1;
  ctx_->options.settings.HideFileNameLabel = 1;
  FillTable(*ctx_, {
                       {u"/d", u"a", 1, 1, 7},
                       {u"/d/empty", u"", 2, 1, 0},
                   });
  const std::u16string sep = Dashes(32) + u" " + Dashes(19);
  const Lines expected = {
      sep,
      u"ターゲットフォルダ：/d",
      NameCol(u"a", 32) + SizeCol(u"7"),
      sep,
      NameCol(u"ファイル数 1 個", 32) + SizeCol(u"7"),
      sep,
      u"ターゲットフォルダ：/d/empty",
      sep,
      NameCol(u"ファイル数 0 個", 32) + SizeCol(u"0"),
      sep,
      NameCol(u"総ファイル数 1 個", 32) + SizeCol(u"7"),
  };
  EXPECT_EQ(MemoryLines(), expected);
}

TEST_F(TextWriterTest, LabelsAndHeadersFollowTheirOptions) {
  FillTable(*ctx_, {{u"/d", u"a", 1, 1, 7, 0, 0, u"0123456789abcdef0123456789abcdef"}});
  ctx_->options.settings.HideTotalLabel = 1;
  ctx_->options.settings.HideTargetLabel = 1;
  ctx_->options.settings.ComputeMd5 = 1;
  const std::u16string sep = Dashes(32) + u" " + Dashes(19) + u"    " + Dashes(32);
  const std::u16string row =
      NameCol(u"a", 32) + SizeCol(u"7") + u"    0123456789abcdef0123456789abcdef";
  EXPECT_EQ(
      MemoryLines(),
      Lines({sep, u"/d", NameCol(u"ファイル名", 32) + SizeCol(u" ") + u"    MD5", sep, row, sep}));

  // RenameTarget wins over HideTargetLabel; dates and MD5 give header state 3.
  ctx_->options.settings.RenameTarget = 1;
  SetText(ctx_->options.settings.TargetName, u"場所=");
  ctx_->options.settings.WriteDate = 1;
  const Lines lines = MemoryLines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[1], u"場所=/d");
  EXPECT_EQ(lines[2], NameCol(u"ファイル名", 32) + SizeCol(u" ") + u"    日付" + Spaces(20) +
                          u"    作成日付" + Spaces(16) + u"                        MD5");

  // Names only: the header is the name column alone, and no size anywhere.
  ctx_->options.settings.FileNameOnly = 1;
  EXPECT_EQ(MemoryLines(),
            Lines({Dashes(32), u"場所=/d", u"ファイル名", Dashes(32), u"a", Dashes(32)}));
}

TEST_F(TextWriterTest, TreeDrawing) {
  ctx_->options.settings.IndentTree = 1;
  ctx_->options.settings.HideFileNameLabel = 1;
  // r: a b, r/s: c, r/s/u: empty, r/t: d
  FillTable(*ctx_, {
                       {u"/r", u"a", 1, 1, 1},
                       {u"/r", u"b", 1, 0, 2},
                       {u"/r/s", u"c", 2, 1, 3},
                       {u"/r/s/u", u"", 3, 1, 0},
                       {u"/r/t", u"d", 2, 1, 4},
                   });
  const Lines expected = {
      u"ターゲットフォルダ：r",
      NameCol(u" └ a", 32) + SizeCol(u"1"),
      NameCol(u" ├ b", 32) + SizeCol(u"2"),
      u" ├ ターゲットフォルダ：s",
      NameCol(u" │  └ c", 32) + SizeCol(u"3"),
      u" │  └ ターゲットフォルダ：u",
      u" └ ターゲットフォルダ：t",
      NameCol(u" \u3000  └ d", 32) + SizeCol(u"4"),
      NameCol(u"総ファイル数 4 個", 32) + SizeCol(u"10"),
  };
  EXPECT_EQ(MemoryLines(), expected);

  // Summaries and headers carry bars; the last summary uses the last row's depth.
  ctx_->options.settings.HideFileNameLabel = 0;
  ctx_->options.settings.FolderSizes = 1;
  ctx_->options.settings.HideTotalLabel = 1;
  const Lines withSummaries = {
      u"ターゲットフォルダ：r",
      NameCol(u"ファイル名", 32) + SizeCol(u" "),
      NameCol(u" └ a", 32) + SizeCol(u"1"),
      NameCol(u" ├ b", 32) + SizeCol(u"2"),
      NameCol(u" │ ファイル数 2 個", 32) + SizeCol(u"3"),
      u" ├ ターゲットフォルダ：s",
      NameCol(u" │ ファイル名", 32) + SizeCol(u" "),
      NameCol(u" │  └ c", 32) + SizeCol(u"3"),
      NameCol(u" │  │ ファイル数 1 個", 32) + SizeCol(u"3"),
      u" │  └ ターゲットフォルダ：u",
      NameCol(u" │  │ ファイル名", 32) + SizeCol(u" "),
      NameCol(u" │ ファイル数 0 個", 32) + SizeCol(u"0"),
      u" └ ターゲットフォルダ：t",
      NameCol(u" │ ファイル名", 32) + SizeCol(u" "),
      NameCol(u" \u3000  └ d", 32) + SizeCol(u"4"),
      NameCol(u" │ ファイル数 1 個", 32) + SizeCol(u"4"),
  };
  EXPECT_EQ(MemoryLines(), withSummaries);
}

TEST_F(TextWriterTest, LongNamesWrapWithinTheLineWidth) {
  ctx_->options.settings.LineWidthEnabled = 1;
  ctx_->options.settings.LineWidth = 24;  // W = 2 x 4 = 8
  ctx_->options.settings.HideFileNameLabel = 1;
  ctx_->options.settings.HideTotalLabel = 1;
  FillTable(*ctx_,
            {{u"/ab", u"abcdefghijklmnopqrst", 1, 1, 1}, {u"/ab", u"ああああ漢字", 1, 0, 2}});
  const std::u16string sep = Dashes(8) + u" " + Dashes(19);
  const Lines expected = {
      sep,
      u"ターゲッ",  // the target line is wrapped too
      u"トフォル", u"ダ：/ab", NameCol(u"abcdefgh", 8) + SizeCol(u"1"),
      u"ijklmnop", u"qrst",    NameCol(u"ああああ", 8) + SizeCol(u"2"),
      u"漢字",     sep,
  };
  EXPECT_EQ(MemoryLines(), expected);
}

TEST_F(TextWriterTest, DigitsByTabFillsColumnsWithTabs) {
  ctx_->options.settings.WriteTargetFolder = 0;
  ctx_->options.settings.HideTotalLabel = 1;
  ctx_->options.settings.AppendNameDigits = 1;
  ctx_->options.settings.AppendDigitCount = 8;  // W = 16
  ctx_->options.settings.DigitsByTab = 1;
  FillTable(*ctx_, {{u"/d", u"a.txt", 1, 1, 5}});
  const std::u16string sep = Dashes(16) + u" " + Dashes(19);
  EXPECT_EQ(MemoryLines(), Lines({sep, u"a.txt\t\t\t\t\t\t   5Byte", sep}));
  ctx_->options.settings.TabEight = 1;
  EXPECT_EQ(MemoryLines(), Lines({sep, u"a.txt\t\t\t       5Byte", sep}));
}

TEST_F(TextWriterTest, CapacityLinesOnlyWhenTheCapacityIsKnown) {
  testing::TempDir dir;
  ctx_->options.settings.WriteTargetFolder = 0;
  ctx_->options.settings.HideTotalLabel = 1;
  FillTable(*ctx_, {{u"/d", u"a", 1, 1, 1}});
  const Lines without = MemoryLines();
  ctx_->run.CapacityRequested = true;
  ctx_->run.CapacityTarget = dir.path();
  const CapacityInfo cap = QueryCapacity(*ctx_);
  const std::u16string sep = Dashes(32) + u" " + Dashes(19);
  Lines expected = {sep};
  if (cap.ok) {
    expected.push_back(NameCol(u"空き容量", 32) +
                       SizeCol(FormatSize(ctx_->options.settings, cap.free)));
    expected.push_back(NameCol(u"総容量", 32) +
                       SizeCol(FormatSize(ctx_->options.settings, cap.total)));
    expected.push_back(sep);
  }
  expected.insert(expected.end(), without.begin() + 1, without.end());
  Lines got = MemoryLines();
  if (cap.ok && got.size() > 1) {
    // Free space may change between the two queries; its label and column must not.
    EXPECT_EQ(got[1].rfind(NameCol(u"空き容量", 32), 0), 0u);
    got[1] = expected[1];
  }
  EXPECT_EQ(got, expected);
  if (!cap.ok) {
    // Below, as the closing lines: again only when known; names-only never.
    ctx_->options.settings.CapacityPlace = 1;
    EXPECT_EQ(MemoryLines(), without);
  }
  ctx_->options.settings.FileNameOnly = 1;
  for (const auto& line : MemoryLines()) EXPECT_EQ(line.find(u"容量"), std::u16string::npos);
}

// --- Merging (Unify) ---

class UnifyTest : public TextWriterTest {
 protected:
  void SetUp() override {
    TextWriterTest::SetUp();
    path_ = dir_ / "list.txt";
  }
  testing::TempDir dir_;
  std::string path_;
};

TEST_F(UnifyTest, SecondAndThirdListContinueTheFirst) {
  FillTable(*ctx_, {{u"/d", u"a", 1, 1, 1}});
  const std::u16string first = File(path_, CFileCus::OpenMode::CreateTruncate);
  const std::u16string total1 = NameCol(u"総ファイル数 1 個", 32) + SizeCol(u"1") + u"\r\n";
  ASSERT_TRUE(first.ends_with(total1));

  ctx_->options.settings.Unify = 1;
  FillTable(*ctx_, {{u"/e", u"bb", 1, 1, 20}, {u"/e", u"cc", 1, 0, 30}});
  const std::u16string second = File(path_, CFileCus::OpenMode::OpenExisting);
  const std::u16string kept = first.substr(0, first.size() - total1.size());
  EXPECT_EQ(second, kept + NameCol(u"bb", 32) + SizeCol(u"20") + u"\r\n" + NameCol(u"cc", 32) +
                        SizeCol(u"30") + u"\r\n" + NameCol(u"総ファイル数 2 個", 32) +
                        SizeCol(u"50") + u"\r\n");

  FillTable(*ctx_, {{u"/f", u"d", 1, 1, 4}});
  const std::u16string third = File(path_, CFileCus::OpenMode::OpenExisting);
  const std::u16string total2 = NameCol(u"総ファイル数 2 個", 32) + SizeCol(u"50") + u"\r\n";
  EXPECT_EQ(third, second.substr(0, second.size() - total2.size()) + NameCol(u"d", 32) +
                       SizeCol(u"4") + u"\r\n" + NameCol(u"総ファイル数 1 個", 32) + SizeCol(u"4") +
                       u"\r\n");
  EXPECT_EQ(third.find(u'\uFEFF', 1), std::u16string::npos);
}

std::string Utf16Le(std::u16string_view text) {
  std::string out;
  for (char16_t c : text) {
    out.push_back(static_cast<char>(c & 0xFF));
    out.push_back(static_cast<char>(c >> 8));
  }
  return out;
}

TEST_F(UnifyTest, ShorterNewTextEndsTheFileCleanly) {
  const std::u16string head = u"\uFEFFline one\r\n";
  testing::WriteFile(path_, Utf16Le(head + std::u16string(300, u'x') + u"\r\n"));
  ctx_->options.settings.Unify = 1;
  ctx_->options.settings.HideTotalLabel = 1;
  FillTable(*ctx_, {{u"/e", u"b", 1, 1, 2}});
  EXPECT_EQ(File(path_, CFileCus::OpenMode::OpenExisting),
            head + NameCol(u"b", 32) + SizeCol(u"2") + u"\r\n");

  // Nothing new at all: the old last line is simply gone.
  FillTable(*ctx_, {});
  EXPECT_EQ(File(path_, CFileCus::OpenMode::OpenExisting), head);
}

TEST_F(UnifyTest, FileWithoutLineFeedIsContinuedAtItsEnd) {
  testing::WriteFile(path_, Utf16Le(u"\uFEFFjust one line"));
  ctx_->options.settings.Unify = 1;
  ctx_->options.settings.HideTotalLabel = 1;
  FillTable(*ctx_, {{u"/e", u"b", 1, 1, 2}});
  EXPECT_EQ(File(path_, CFileCus::OpenMode::OpenExisting),
            u"\uFEFFjust one line" + NameCol(u"b", 32) + SizeCol(u"2") + u"\r\n");
}

TEST_F(UnifyTest, EmptyFileIsLeftAloneWithAMessage) {
  testing::WriteFile(path_, "");
  ctx_->options.settings.Unify = 1;
  FillTable(*ctx_, {{u"/e", u"b", 1, 1, 2}});
  host_.answers = {MsgAnswer::Yes};  // whatever the answer, nothing is written
  File(path_, CFileCus::OpenMode::OpenExisting, TextWriteStatus::MergeTargetEmpty);
  EXPECT_EQ(testing::ReadFile(path_), "");
  ASSERT_EQ(host_.messages.size(), 1u);
  EXPECT_EQ(host_.messages[0].text, ToDisplay(path_) + u"\nﾌｧｲﾙが空です。");
  EXPECT_EQ(host_.messages[0].caption, u"編集できないよ～");
  EXPECT_EQ(host_.messages[0].buttons, MsgButtons::YesNo);

  // A file holding only the byte-order mark has nothing to merge into either.
  testing::WriteFile(path_, "\xFF\xFE");
  File(path_, CFileCus::OpenMode::OpenExisting, TextWriteStatus::MergeTargetEmpty);
  EXPECT_EQ(testing::ReadFile(path_), "\xFF\xFE");
}

}  // namespace
}  // namespace ordano
