#include "run/run_output.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "catalogue_rows.h"
#include "output/cfilecus.h"
#include "platform/unicode.h"
#include "temp_dir.h"
#include "test_host.h"

namespace ordano {
namespace {

using testing::FillTable;
using testing::FromUtf16Le;
using testing::ReadFile;
using testing::SplitLines;
using testing::WriteFile;

namespace fs = std::filesystem;

const std::u16string kWriteError =
    u"ファイルの生成または書き出しに失敗しました。\n"
    u"ファイルが他のアプリケーションによって使われていないか確認してください。\n"
    u"または隠し属性や読み込み属性になっていないことも確認してください。";

// --- CFileCus ---

TEST(CFileCus, BuffersSmallWritesAndPassesLargeOnesStraightThrough) {
  testing::TempDir dir;
  const std::string path = dir / "out";
  CFileCus f;
  ASSERT_TRUE(f.Open(path, CFileCus::OpenMode::CreateTruncate));
  const std::u16string small(100, u'a');
  const std::u16string big(200000, u'b');  // 400000 bytes: more than the buffer
  EXPECT_TRUE(f.WriteText(small));
  EXPECT_EQ(fs::file_size(path), 0u);  // still pending
  EXPECT_TRUE(f.WriteText(big));
  EXPECT_EQ(fs::file_size(path), 400200u);  // pending bytes first, then the big block
  EXPECT_TRUE(f.WriteText(u""));
  EXPECT_TRUE(f.WriteText(u"xyz"));
  EXPECT_EQ(f.Length(), 400206);  // length writes out what is pending
  // Fill the buffer past its size: it is written out before it would overflow.
  const std::u16string chunk(100000, u'c');
  for (int k = 0; k < 3; ++k) EXPECT_TRUE(f.WriteText(chunk));
  EXPECT_TRUE(f.Close());
  EXPECT_EQ(FromUtf16Le(ReadFile(path)), small + big + u"xyz" + chunk + chunk + chunk);
}

TEST(CFileCus, SeekReadAndTruncate) {
  testing::TempDir dir;
  const std::string path = dir / "out";
  CFileCus f;
  ASSERT_TRUE(f.Open(path, CFileCus::OpenMode::CreateTruncate));
  f.WriteText(u"abcdef");
  EXPECT_EQ(f.Seek(4, CFileCus::SeekFrom::Begin), 4);
  std::byte two[2];
  EXPECT_EQ(f.Read(two), 2);
  EXPECT_EQ(two[0], std::byte{'c'});
  EXPECT_EQ(f.Seek(-2, CFileCus::SeekFrom::Current), 4);
  f.WriteText(u"X");
  EXPECT_TRUE(f.TruncateHere());
  EXPECT_EQ(f.SeekToEnd(), 6);
  EXPECT_TRUE(f.Close());
  EXPECT_EQ(FromUtf16Le(ReadFile(path)), u"abX");

  // Opening an existing file never creates one.
  CFileCus g;
  EXPECT_FALSE(g.Open(dir / "missing", CFileCus::OpenMode::OpenExisting));
  EXPECT_FALSE(fs::exists(dir / "missing"));
}

TEST(CFileCus, Utf8ModeConvertsAndClipboardModeCollects) {
  testing::TempDir dir;
  const std::string path = dir / "u8";
  CFileCus f;
  f.SetUtf8Mode(true);
  ASSERT_TRUE(f.Open(path, CFileCus::OpenMode::CreateTruncate));
  f.WriteUtf8Bom();
  f.WriteText(u"aé漢\U0001F600");
  const char16_t lone[] = {u'x', 0xD800, u'y'};
  f.WriteText(lone, 3);
  EXPECT_TRUE(f.Close());
  EXPECT_EQ(ReadFile(path),
            "\xEF\xBB\xBF"
            "a\xC3\xA9\xE6\xBC\xA2\xF0\x9F\x98\x80x\xEF\xBF\xBDy");

  CFileCus c;
  c.SetClipboardMode(true);
  EXPECT_TRUE(c.Open(dir / "never", CFileCus::OpenMode::OpenExisting));
  c.WriteText(u"one\n");
  c.WriteUtf8Bom();
  EXPECT_EQ(c.Seek(10, CFileCus::SeekFrom::Begin), 0);
  EXPECT_EQ(c.Length(), 0);
  c.WriteText(u"two\n");
  EXPECT_TRUE(c.Close());
  EXPECT_EQ(c.CollectedText(), u"one\ntwo\n");
  EXPECT_FALSE(fs::exists(dir / "never"));
}

TEST(CFileCus, FailedWriteIsReported) {
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  CFileCus f;
  ASSERT_TRUE(f.Open("/dev/full", CFileCus::OpenMode::OpenExisting));
  f.WriteText(u"text that cannot be stored");
  EXPECT_FALSE(f.Close());
  EXPECT_TRUE(f.Failed());
}

// --- The output run ---

class RunOutputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ctx_ = testing::MakeContext(host_);
    SettingsRecord& s = ctx_->settings;
    s.WriteTargetFolder = 1;
    SetText(s.OutputFolder, ToDisplay(dir_.path() + "/"));
    SetText(s.OutputFile, ToDisplay(dir_ / "txt.txt"));
    FillTable(*ctx_, {{u"/d", u"a.txt", 1, 1, 5}, {u"/d", u"b.txt", 1, 0, 7}});
  }

  // A command-line run: a destination without asking.
  void CommandLine(const std::string& name, const std::string& folder = {}) {
    ctx_->run.CmdLastPath = "/d";
    ctx_->run.CmdOutputName = name;
    ctx_->run.CmdOutputFolder = folder.empty() ? dir_.path() : folder;
  }

  std::u16string Text(const std::string& path) { return FromUtf16Le(ReadFile(path)); }

  // The output step of a run that starts now from the saved record.
  OutputResult Output() {
    BeginRunOptions(*ctx_);
    return RunOutput(*ctx_);
  }

  testing::TempDir dir_;
  testing::TestHost host_;
  std::unique_ptr<AppContext> ctx_;
};

TEST_F(RunOutputTest, CommandLineWritesUtf16WithByteOrderMark) {
  CommandLine("cat.txt");
  ctx_->run.ForceSaveDialog = false;
  const OutputResult r = Output();
  EXPECT_EQ(r.status, OutputStatus::Written);
  EXPECT_EQ(r.path, dir_ / "cat.txt");
  const std::string bytes = ReadFile(r.path);
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
  const std::u16string text = FromUtf16Le(bytes.substr(2));
  EXPECT_NE(text.find(u"ターゲットフォルダ：/d\r\n"), std::u16string::npos);
  EXPECT_TRUE(text.ends_with(testing::NameCol(u"総ファイル数 2 個", 32) + testing::SizeCol(u"12") +
                             u"\r\n"));
  EXPECT_TRUE(host_.messages.empty());
  EXPECT_TRUE(host_.saveRequests.empty());
  EXPECT_EQ(TextOf(ctx_->settings.OutputFolder), ToDisplay(dir_.path()));
  EXPECT_EQ(TextOf(ctx_->settings.OutputFile), ToDisplay(dir_ / "cat.txt"));
}

TEST_F(RunOutputTest, CommandLineNamesResolveAgainstTheOutputFolder) {
  testing::TempDir other;
  // An absolute name stands as it is.
  CommandLine(other / "abs.txt");
  EXPECT_EQ(Output().path, other / "abs.txt");
  EXPECT_TRUE(fs::exists(other / "abs.txt"));
  // Without a name the remembered output file is used.
  CommandLine("");
  SetText(ctx_->settings.OutputFile, u"remembered.txt");
  EXPECT_EQ(Output().path, dir_ / "remembered.txt");
  EXPECT_EQ(TextOf(ctx_->settings.OutputFile), ToDisplay(dir_ / "remembered.txt"));
  // Without a folder the remembered output folder is used.
  ctx_->run.CmdOutputFolder.clear();
  ctx_->run.CmdOutputName = "again.txt";
  SetText(ctx_->settings.OutputFolder, ToDisplay(other.path()));
  EXPECT_EQ(Output().path, other / "again.txt");
}

TEST_F(RunOutputTest, AppendingTwiceKeepsOneByteOrderMark) {
  CommandLine("cat.txt");
  ASSERT_EQ(Output().status, OutputStatus::Written);
  const std::string first = ReadFile(dir_ / "cat.txt");
  ctx_->settings.AppendOutput = 1;
  ASSERT_EQ(Output().status, OutputStatus::Written);
  const std::string both = ReadFile(dir_ / "cat.txt");
  EXPECT_EQ(both, first + first.substr(2));
  EXPECT_EQ(FromUtf16Le(both).find(u'\uFEFF', 1), std::u16string::npos);
  EXPECT_EQ(ctx_->settings.AppendOutput, 1);

  // Appending never creates a file.
  CommandLine("new.txt");
  EXPECT_EQ(Output().status, OutputStatus::Failed);
  EXPECT_FALSE(fs::exists(dir_ / "new.txt"));
  ASSERT_EQ(host_.messages.size(), 1u);
  EXPECT_TRUE(host_.messages[0].text.ends_with(kWriteError));  // after the path and the reason
}

TEST_F(RunOutputTest, OverwriteQuestionDecidesWhetherToWrite) {
  CommandLine("cat.txt");
  WriteFile(dir_ / "cat.txt", "old");
  ctx_->settings.ConfirmOverwrite = 1;
  host_.answers = {MsgAnswer::No};
  EXPECT_EQ(Output().status, OutputStatus::Declined);
  EXPECT_EQ(ReadFile(dir_ / "cat.txt"), "old");
  ASSERT_EQ(host_.messages.size(), 1u);
  EXPECT_EQ(host_.messages[0].text,
            ToDisplay(dir_ / "cat.txt") + u"\nﾌｧｲﾙはすでに存在しています。上書きしますか？");
  EXPECT_EQ(host_.messages[0].caption, u"上書きしちゃうよ？");
  EXPECT_EQ(host_.messages[0].buttons, MsgButtons::YesNo);

  host_.answers = {MsgAnswer::Yes};
  EXPECT_EQ(Output().status, OutputStatus::Written);
  EXPECT_EQ(ReadFile(dir_ / "cat.txt").substr(0, 2), "\xFF\xFE");

  // Asked in append mode too; a new file is not asked about.
  ctx_->settings.AppendOutput = 1;
  host_.answers = {MsgAnswer::Cancel};
  EXPECT_EQ(Output().status, OutputStatus::Declined);
  EXPECT_EQ(host_.messages.size(), 3u);
  ctx_->settings.AppendOutput = 0;
  CommandLine("fresh.txt");
  EXPECT_EQ(Output().status, OutputStatus::Written);
  EXPECT_EQ(host_.messages.size(), 3u);
}

TEST_F(RunOutputTest, UnwritableDestinationFailsWithTheMessage) {
  ctx_->settings.ConfirmOverwrite = 1;
  CommandLine("cat.txt", dir_ / "missing");
  OutputResult r = Output();
  EXPECT_EQ(r.status, OutputStatus::Failed);
  EXPECT_FALSE(fs::exists(dir_ / "missing"));
  ASSERT_EQ(host_.messages.size(), 1u);
  EXPECT_TRUE(host_.messages[0].text.ends_with(kWriteError));  // after the path and the reason
  EXPECT_EQ(host_.messages[0].caption, u"おるだの♪書き出しエラー");

  // A folder where the file should be: no overwrite question, only the error.
  testing::MakeDirs(dir_ / "taken.txt");
  CommandLine("taken.txt");
  r = Output();
  EXPECT_EQ(r.status, OutputStatus::Failed);
  ASSERT_EQ(host_.messages.size(), 2u);
  EXPECT_TRUE(host_.messages[1].text.ends_with(kWriteError));  // after the path and the reason
  EXPECT_TRUE(fs::is_directory(dir_ / "taken.txt"));
}

TEST_F(RunOutputTest, WriteErrorAfterOpeningIsNotSuccess) {
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  CommandLine("/dev/full");
  EXPECT_EQ(Output().status, OutputStatus::Failed);
  ASSERT_EQ(host_.messages.size(), 1u);
  EXPECT_TRUE(host_.messages[0].text.ends_with(kWriteError));  // after the path and the reason
}

TEST_F(RunOutputTest, ClipboardGetsTheTextFormatWithLineFeeds) {
  ctx_->settings.SaveToClipboard = 1;
  ctx_->settings.ConfirmOverwrite = 1;
  ctx_->settings.OpenAfterSave = 1;
  ctx_->settings.TxtBrTags = 1;
  SetText(ctx_->settings.OutputFile, ToDisplay(dir_ / "list.csv"));
  WriteFile(dir_ / "list.csv", "x");
  const OutputResult r = Output();
  EXPECT_EQ(r.status, OutputStatus::Clipboard);
  EXPECT_EQ(host_.clipboard.find(u'\r'), std::u16string::npos);
  EXPECT_EQ(host_.clipboard.find(u"<br>"), std::u16string::npos);
  EXPECT_EQ(host_.clipboard.find(u'\uFEFF'), std::u16string::npos);
  const auto lines = SplitLines(host_.clipboard, u"\n");
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[1], u"ターゲットフォルダ：/d");
  EXPECT_TRUE(host_.clipboard.ends_with(u"Byte\n"));
  ASSERT_EQ(host_.messages.size(), 1u);
  EXPECT_EQ(host_.messages[0].text, u"リスト結果をクリップボードへ保存しました。");
  EXPECT_EQ(host_.messages[0].caption, u"おるだの♪");
  EXPECT_EQ(host_.messages[0].icon, MsgIcon::Information);
  EXPECT_TRUE(host_.saveRequests.empty());
  EXPECT_TRUE(host_.opened.empty());
  EXPECT_EQ(ReadFile(dir_ / "list.csv"), "x");

  host_.clipboardAvailable = false;
  EXPECT_EQ(Output().status, OutputStatus::ClipboardFailed);
  EXPECT_EQ(host_.messages.size(), 1u);
}

TEST_F(RunOutputTest, FormatFollowsTheExtensionCaseSensitively) {
  CommandLine("upper.CSV");
  EXPECT_EQ(Output().status, OutputStatus::Written);
  EXPECT_NE(Text(dir_ / "upper.CSV").find(u"ターゲットフォルダ："), std::u16string::npos);
  // Each format by its own first bytes: CSV UTF-16LE, HTML UTF-8 with a mark, JSON without.
  const std::pair<std::string, std::string> starts[] = {
      {"lower.csv", "\xFF\xFE\""},
      {"page.html", "\xEF\xBB\xBF<html>"},
      {"page.htm", "\xEF\xBB\xBF<html>"},
      {"data.json", "{\"format\":\"ordano-catalogue\""},
      {"data.JSON", "\xFF\xFE"}};
  for (const auto& [name, start] : starts) {
    CommandLine(name);
    EXPECT_EQ(Output().status, OutputStatus::Written) << name;
    EXPECT_TRUE(ReadFile(dir_ / name).starts_with(start)) << name;
  }
  EXPECT_TRUE(host_.messages.empty());
}

TEST_F(RunOutputTest, OpenAfterSaveOpensTheWrittenFile) {
  CommandLine("cat.txt");
  ctx_->settings.OpenAfterSave = 1;
  ASSERT_EQ(Output().status, OutputStatus::Written);
  EXPECT_EQ(host_.opened, std::vector<std::string>{dir_ / "cat.txt"});
}

TEST_F(RunOutputTest, SaveDialogProposalAndPanel) {
  SettingsRecord& s = ctx_->settings;
  SetText(s.OutputFile, ToDisplay(dir_.path() + "//Last.HTML"));
  s.PreferLastExtension = 1;
  s.AppendOutput = 0;
  s.LineWidth = 80;
  // The panel turns on the tree form for this catalogue only.
  SaveDialogState answer;
  answer.folder = dir_.path();
  answer.fileName = "out";
  answer.indentTree = true;
  answer.lineWidthText = u"80";
  host_.saveAnswers = {answer};
  const OutputResult r = Output();
  ASSERT_EQ(host_.saveRequests.size(), 1u);
  const SaveDialogState& p = host_.saveRequests[0];
  EXPECT_EQ(p.fileName, dir_.path() + "/Last.HTML");
  EXPECT_EQ(p.folder, dir_.path() + "/");
  EXPECT_EQ(p.filterIndex, 3);
  EXPECT_EQ(p.lineWidthText, u"80");
  EXPECT_EQ(r.status, OutputStatus::Written);
  EXPECT_EQ(r.path, dir_ / "out.txt");
  // Tree form: no frame lines at all.
  EXPECT_EQ(Text(r.path).find(u"-----"), std::u16string::npos);
  EXPECT_EQ(s.IndentTree, 0);
  EXPECT_EQ(TextOf(s.OutputFile), ToDisplay(dir_ / "out.txt"));
  EXPECT_EQ(TextOf(s.OutputFolder), ToDisplay(dir_.path()));
}

TEST_F(RunOutputTest, SaveDialogNamesAreCompleted) {
  testing::MakeDirs(dir_ / "a.b");
  const std::pair<const char*, std::string> cases[] = {
      {"name.", "name.txt"}, {"a.b/name", "a.b/name.txt"}, {"plain.txt", "plain.txt"}};
  for (const auto& [typed, written] : cases) {
    SaveDialogState answer;
    answer.folder = dir_.path();
    answer.fileName = typed;
    host_.saveAnswers = {answer};
    EXPECT_EQ(Output().path, dir_ / written) << typed;
    EXPECT_TRUE(fs::exists(dir_ / written)) << typed;
  }
}

TEST_F(RunOutputTest, CancelledOrEmptySaveDialogWritesNothingSilently) {
  host_.saveAnswers = {std::nullopt};
  EXPECT_EQ(Output().status, OutputStatus::Declined);
  SaveDialogState empty;
  empty.folder = dir_.path();
  host_.saveAnswers = {empty};
  EXPECT_EQ(Output().status, OutputStatus::Declined);
  EXPECT_TRUE(host_.messages.empty());
  EXPECT_TRUE(fs::is_empty(dir_.path()));

  // /S of a command-line run shows the dialog once, then it is cleared.
  CommandLine("cat.txt");
  ctx_->run.ForceSaveDialog = true;
  host_.saveAnswers = {std::nullopt};
  EXPECT_EQ(Output().status, OutputStatus::Declined);
  EXPECT_EQ(host_.saveRequests.size(), 3u);
  EXPECT_FALSE(ctx_->run.ForceSaveDialog);
  EXPECT_EQ(Output().status, OutputStatus::Written);
  EXPECT_EQ(host_.saveRequests.size(), 3u);
}

TEST_F(RunOutputTest, UnifyMergesThroughTheOutputRun) {
  CommandLine("cat.txt");
  ASSERT_EQ(Output().status, OutputStatus::Written);
  ctx_->settings.Unify = 1;
  FillTable(*ctx_, {{u"/e", u"c.txt", 1, 1, 9}});
  ASSERT_EQ(Output().status, OutputStatus::Written);
  const std::u16string text = Text(dir_ / "cat.txt");
  const auto lines = SplitLines(text.substr(1), u"\r\n");
  ASSERT_EQ(lines.size(), 9u);
  EXPECT_TRUE(lines[5].starts_with(u"b.txt"));
  EXPECT_TRUE(lines[6].starts_with(u"-----"));
  EXPECT_TRUE(lines[7].starts_with(u"c.txt"));
  EXPECT_TRUE(lines[8].starts_with(u"総ファイル数 1 個"));

  // An empty file: the message, and the file stays empty.
  WriteFile(dir_ / "empty.txt", "");
  CommandLine("empty.txt");
  EXPECT_EQ(Output().status, OutputStatus::Declined);
  EXPECT_EQ(ReadFile(dir_ / "empty.txt"), "");
  ASSERT_EQ(host_.messages.size(), 1u);
  EXPECT_EQ(host_.messages[0].caption, u"編集できないよ～");
}

}  // namespace
}  // namespace ordano
