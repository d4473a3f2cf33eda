#include "output/csv_writer.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "catalogue_rows.h"
#include "output/catalogue_writers.h"
#include "output/cfilecus.h"
#include "platform/unicode.h"
#include "temp_dir.h"
#include "test_host.h"

namespace ordano {
namespace {

using testing::FillTable;
using testing::ReadFile;
using testing::SplitLines;
using Lines = std::vector<std::u16string>;
using Fields = std::vector<std::u16string>;

constexpr std::int64_t kT1 = 1714568709;
constexpr std::int64_t kT2 = 1709647629;

std::u16string T(std::int64_t t) { return TimeText(PackLocalTime(t)); }

// Reads one CSV record the way a spreadsheet does: quoted fields, "" inside
// a quoted field is one quote. Fails the test on a malformed record.
Fields ParseRecord(std::u16string_view row) {
  Fields fields;
  std::size_t i = 0;
  while (true) {
    std::u16string field;
    EXPECT_LT(i, row.size());
    if (i >= row.size() || row[i] != u'"') {
      ADD_FAILURE() << "unquoted field";
      return fields;
    }
    ++i;
    while (true) {
      if (i >= row.size()) {
        ADD_FAILURE() << "unterminated field";
        return fields;
      }
      if (row[i] == u'"') {
        if (i + 1 < row.size() && row[i + 1] == u'"') {
          field.push_back(u'"');
          i += 2;
          continue;
        }
        ++i;
        break;
      }
      field.push_back(row[i++]);
    }
    fields.push_back(field);
    if (i == row.size()) return fields;
    if (row[i] != u',') {
      ADD_FAILURE() << "text after a closing quote";
      return fields;
    }
    ++i;
  }
}

class CsvWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ctx_ = testing::MakeContext(host_);
    ctx_->options.settings.WriteTargetFolder = 1;
    path_ = dir_ / "cat.csv";
  }

  void TwoFolders() {
    FillTable(*ctx_, {
                         {u"/data", u"say \"hi\", ok.txt", 1, 1, 1234, kT1, kT2},
                         {u"/data", u"b.txt", 1, 0, 5, kT1, 0},
                         {u"/data/sub", u"c.txt", 2, 1, 10, kT2, kT2, u"0123abcd"},
                     });
  }

  // Writes the catalogue; the rows of the file, which must start with one
  // byte-order mark and end every row with "\r\n".
  Lines Write() {
    CFileCus sink;
    EXPECT_TRUE(WriteCsvCatalogue(*ctx_, sink, path_));
    const std::string bytes = ReadFile(path_);
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    const std::u16string text = testing::FromUtf16Le(bytes.substr(2));
    EXPECT_EQ(text.find(u'\uFEFF'), std::u16string::npos) << "a second byte-order mark";
    EXPECT_TRUE(text.ends_with(u"\r\n"));
    return SplitLines(text, u"\r\n");
  }

  testing::TestHost host_;
  std::unique_ptr<AppContext> ctx_;
  testing::TempDir dir_;
  std::string path_;
};

TEST_F(CsvWriterTest, NormalKindQuotesEveryValueAndWritesTheHeaderOnce) {
  TwoFolders();
  const Lines rows = Write();
  const Lines expected = {
      u"\"ターゲットフォルダ：/data\",\"\",\"\"",
      u"\"ファイル名\",\"サイズByte\",\"更新日付\",\"作成日付\"",
      u"\"say \"\"hi\"\", ok.txt\",\"1,234Byte\",\"" + T(kT1) + u"\",\"" + T(kT2) + u"\"",
      u"\"b.txt\",\"5Byte\",\"" + T(kT1) + u"\",\"\"",
      u"\"ターゲットフォルダ：/data/sub\",\"\",\"\"",
      u"\"c.txt\",\"10Byte\",\"" + T(kT2) + u"\",\"" + T(kT2) + u"\"",
      u"\"総ファイル数 3 個\",\"1,249Byte\",\"\",\"\"",
  };
  EXPECT_EQ(rows, expected);
  // A spreadsheet reads the name with its quotes and comma as one field.
  EXPECT_EQ(ParseRecord(rows[2]), (Fields{u"say \"hi\", ok.txt", u"1,234Byte", T(kT1), T(kT2)}));
  EXPECT_TRUE(host_.messages.empty());
}

TEST_F(CsvWriterTest, FolderAndFileModeWithMd5AndSummaries) {
  SettingsRecord& s = ctx_->options.settings;
  s.CsvFolderAndFile = 1;
  s.ComputeMd5 = 1;
  s.FolderSizes = 1;
  s.TotalCountPlace = 1;  // top
  TwoFolders();
  const Lines rows = Write();
  const Lines expected = {
      u"\"総ファイル数 3 個\",\"\",\"1,249Byte\",\"\",\"\",\"\"",
      u"\"ターゲットフォルダ：/data\",\"\",\"\",\"\"",
      u"\"フォルダ名\",\"ファイル名\",\"サイズByte\",\"更新日付\",\"作成日付\",\"MD5\"",
      u"\"/data\",\"say \"\"hi\"\", ok.txt\",\"1,234Byte\",\"" + T(kT1) + u"\",\"" + T(kT2) +
          u"\",\"\"",
      u"\"/data\",\"b.txt\",\"5Byte\",\"" + T(kT1) + u"\",\"\",\"\"",
      u"\"ファイル数 2 個\",\"\",\"1,239Byte\",\"\",\"\",\"\"",
      u"\"ターゲットフォルダ：/data/sub\",\"\",\"\",\"\"",
      u"\"/data/sub\",\"c.txt\",\"10Byte\",\"" + T(kT2) + u"\",\"" + T(kT2) + u"\",\"0123abcd\"",
      u"\"ファイル数 1 個\",\"\",\"10Byte\",\"\",\"\",\"\"",
  };
  EXPECT_EQ(rows, expected);
  for (const std::u16string& row : rows) {
    const Fields f = ParseRecord(row);
    if (f[0].starts_with(u"ターゲット")) {
      EXPECT_EQ(f.size(), 4u);
    } else {
      EXPECT_EQ(f.size(), 6u) << Utf16ToUtf8(row);
    }
  }
}

TEST_F(CsvWriterTest, FolderNamesOnlyShowsEachFolderWithItsOwnSize) {
  ctx_->options.settings.OutputKind = 1;
  TwoFolders();
  const Lines expected = {
      u"\"フォルダ名\",\"サイズByte\",\"更新日付\",\"作成日付\"",
      u"\"/data\",\"1,239Byte\",\"\",\"\"",
      u"\"/data/sub\",\"10Byte\",\"\",\"\"",
      u"\"総ファイル数 3 個\",\"1,249Byte\",\"\",\"\"",
  };
  EXPECT_EQ(Write(), expected);

  // Folder-and-file mode: the header keeps an empty name field.
  ctx_->options.settings.CsvFolderAndFile = 1;
  const Lines rows = Write();
  EXPECT_EQ(rows[0], u"\"フォルダ名\",\"\",\"サイズByte\",\"更新日付\",\"作成日付\"");
  EXPECT_EQ(rows[2], u"\"/data/sub\",\"\",\"10Byte\",\"\",\"\"");
}

TEST_F(CsvWriterTest, FolderBackslashFileKindJoinsFolderAndName) {
  ctx_->options.settings.OutputKind = 2;
  ctx_->options.settings.HideTotalLabel = 1;
  FillTable(*ctx_, {{u"/d\"q", u"a.txt", 1, 1, 3}, {u"/", u"r.txt", 1, 1, 4}});
  Lines rows = Write();
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows[0], u"\"ターゲットフォルダ：/d\"\"q\",\"\",\"\"");
  EXPECT_EQ(rows[2], u"\"/d\"\"q/a.txt\",\"3Byte\",\"\",\"\"");
  EXPECT_EQ(rows[3], u"\"ターゲットフォルダ：/\",\"\",\"\"");
  EXPECT_EQ(rows[4], u"\"/r.txt\",\"4Byte\",\"\",\"\"");

  // Without target folders the name stands alone, as in the normal kind.
  ctx_->options.settings.WriteTargetFolder = 0;
  rows = Write();
  const Lines expected = {
      u"\"ファイル名\",\"サイズByte\",\"更新日付\",\"作成日付\"",
      u"\"a.txt\",\"3Byte\",\"\",\"\"",
      u"\"r.txt\",\"4Byte\",\"\",\"\"",
  };
  EXPECT_EQ(rows, expected);
}

TEST_F(CsvWriterTest, TargetFolderVariantsFollowWriteTargetFolder) {
  SettingsRecord& s = ctx_->options.settings;
  s.HideTotalLabel = 1;
  FillTable(*ctx_, {{u"/d", u"a.txt", 1, 1, 1}});

  s.HideTargetLabel = 1;
  EXPECT_EQ(Write()[0], u"\"/d\",\"\",\"\"");
  s.HideTargetLabel = 0;
  s.RenameTarget = 1;
  SetText(s.TargetName, u"Dir \"x\": ");  // the user's own text goes in unchanged
  EXPECT_EQ(Write()[0], u"\"Dir \"x\": /d\",\"\",\"\"");
  s.ComputeMd5 = 1;
  EXPECT_EQ(Write()[0], u"\"Dir \"x\": /d\",\"\",\"\",\"\"");

  // With WriteTargetFolder off none of the three variants is written.
  s.WriteTargetFolder = 0;
  for (const auto& [hide, rename] : {std::pair{0, 0}, {1, 0}, {0, 1}}) {
    s.HideTargetLabel = hide;
    s.RenameTarget = rename;
    const Lines rows = Write();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], u"\"ファイル名\",\"サイズByte\",\"更新日付\",\"作成日付\",\"MD5\"");
  }
}

TEST_F(CsvWriterTest, ZeroByteFileInKilobytesAndPlaceholderRows) {
  ctx_->options.settings.SizeKB = 1;
  ctx_->options.settings.FolderSizes = 1;
  FillTable(*ctx_, {{u"/e", u""}, {u"/d", u"zero.bin", 1, 1, 0}});
  const Lines rows = Write();
  const Lines expected = {
      u"\"ターゲットフォルダ：/e\",\"\",\"\"",
      u"\"ファイル名\",\"サイズByte\",\"更新日付\",\"作成日付\"",
      u"\"ファイル数 0 個\",\"0.00KByte\",\"\",\"\"",
      u"\"ターゲットフォルダ：/d\",\"\",\"\"",
      u"\"zero.bin\",\"0.00KByte\",\"\",\"\"",
      u"\"ファイル数 1 個\",\"0.00KByte\",\"\",\"\"",
      u"\"総ファイル数 1 個\",\"0.00KByte\",\"\",\"\"",
  };
  EXPECT_EQ(rows, expected);
}

TEST_F(CsvWriterTest, AppendingAddsRowsWithoutASecondMarkOrHeader) {
  ctx_->options.settings.HideTotalLabel = 1;
  FillTable(*ctx_, {{u"/d", u"a.txt", 1, 1, 1}});
  ctx_->options.settings.AppendOutput = 1;
  // Appending to a file that is not there creates it, header and all.
  ASSERT_FALSE(std::filesystem::exists(path_));
  EXPECT_EQ(Write().size(), 3u);

  FillTable(*ctx_, {{u"/e", u"b.txt", 1, 1, 2}});
  const Lines rows = Write();
  const Lines expected = {
      u"\"ターゲットフォルダ：/d\",\"\",\"\"",
      u"\"ファイル名\",\"サイズByte\",\"更新日付\",\"作成日付\"",
      u"\"a.txt\",\"1Byte\",\"\",\"\"",
      u"\"ターゲットフォルダ：/e\",\"\",\"\"",
      u"\"b.txt\",\"2Byte\",\"\",\"\"",
  };
  EXPECT_EQ(rows, expected);

  // An old last row without its line break gets one before the new rows.
  std::string bytes = ReadFile(path_);
  bytes.resize(bytes.size() - 4);
  testing::WriteFile(path_, bytes);
  EXPECT_EQ(Write().size(), 7u);

  // Without AppendOutput the file is made anew.
  ctx_->options.settings.AppendOutput = 0;
  EXPECT_EQ(Write().size(), 3u);
}

TEST_F(CsvWriterTest, DestinationThatCannotBeCreatedIsReported) {
  FillTable(*ctx_, {{u"/d", u"a.txt", 1, 1, 1}});
  path_ = dir_ / "missing/cat.csv";
  for (const int append : {0, 1}) {
    ctx_->options.settings.AppendOutput = append;
    CFileCus sink;
    EXPECT_FALSE(WriteCsvCatalogue(*ctx_, sink, path_));
  }
  ASSERT_EQ(host_.messages.size(), 2u);
  EXPECT_EQ(host_.messages[0].caption, u"おるだの♪書き出しエラー");
  // The path and the system's reason, then the message.
  EXPECT_TRUE(
      host_.messages[0].text.starts_with(ToDisplay(path_) + u": No such file or directory"));
  EXPECT_NE(
      host_.messages[0].text.find(u"\nファイルの生成または書き出しに失敗しました。\nファイルが"),
      std::u16string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "missing"));
}

TEST(QuoteCsvField, DoublesEveryQuoteAndNothingElse) {
  EXPECT_EQ(QuoteCsvField(u""), u"");
  EXPECT_EQ(QuoteCsvField(u"\""), u"\"\"");
  EXPECT_EQ(QuoteCsvField(u"a\"\"b,c\r\n"), u"a\"\"\"\"b,c\r\n");
}

}  // namespace
}  // namespace ordano
