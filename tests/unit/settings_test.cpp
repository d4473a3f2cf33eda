#include <gtest/gtest.h>

#include <cstring>

#include "core/app_context.h"
#include "core/profile_context.h"
#include "platform/program_folder.h"
#include "platform/unicode.h"
#include "settings/settings_defaults.h"
#include "settings/settings_files.h"
#include "settings/settings_normalise.h"
#include "temp_dir.h"
#include "test_host.h"

namespace ordano {
namespace {

using testing::TempDir;

std::string Bytes(const SettingsRecord& s) {
  return std::string(reinterpret_cast<const char*>(&s), sizeof s);
}

TEST(SettingsDefaults, ResetFillsTheTableDefaultsAndZeroesTheRest) {
  SettingsRecord s;
  StartupRecord st;
  ProfileNameRecord name;
  std::memset(&s, 0xAB, sizeof s);
  std::memset(&st, 0xAB, sizeof st);
  std::memset(&name, 0xAB, sizeof name);
  ResetToDefaults(s, st, name, 1700000000);

  EXPECT_EQ(TextOf(s.HeadTags),
            u"<head>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">"
            u"\r\n<title>おるだの♪出力結果</title>\r\n</head>");
  EXPECT_EQ(TextOf(s.BodyTags), u"<body bgcolor=\"#000000\">");
  EXPECT_EQ(TextOf(s.LinkTags), u"<a href=\"%1\">%2</a>");
  EXPECT_EQ(TextOf(s.TargetName), u"ターゲットフォルダ：");
  EXPECT_EQ(TextOf(s.FolderTag), u"bgcolor=#00FF00");
  EXPECT_EQ(s.DateFromDate, 1700000000);
  EXPECT_EQ(s.DateFromTime, 1700000000);
  EXPECT_EQ(s.DateToDate, 1700000000);
  EXPECT_EQ(s.DateToTime, 1700000000);
  EXPECT_EQ(s.ConfirmOverwrite, 0);
  EXPECT_EQ(s.AcrylicMode, 0);
  EXPECT_TRUE(TextOf(s.OutputFolder).empty());
  // Reserved bytes and the bytes after each text's terminator are zero too.
  EXPECT_EQ(s.Reserved15756[179], 0);
  EXPECT_EQ(s.HeadTags[4999], 0);

  EXPECT_EQ(st.WindowLeft, -99999);
  EXPECT_EQ(st.NormalMode, 1);
  EXPECT_EQ(st.ProfileNumber, 0);
  EXPECT_EQ(st.ProfileCount, 0);
  EXPECT_EQ(st.DriveIndex, 0);
  EXPECT_EQ(name.Deleted, 0);
  EXPECT_TRUE(TextOf(name.Name).empty());
}

TEST(SettingsDefaults, FreshTestContextHasStartUpDefaults) {
  testing::TestHost host;
  const auto ctx = testing::MakeContext(host);
  EXPECT_EQ(ctx->startup.WindowLeft, -99999);
  EXPECT_EQ(TextOf(ctx->settings.LinkTags), u"<a href=\"%1\">%2</a>");
  EXPECT_NE(ctx->settings.DateToTime, 0);
}

TEST(SettingsFirstStart, NoFileGivesFirstStartDefaultsAndWritesAtOnce) {
  TempDir dir;
  testing::TestHost host;
  auto ctx = testing::MakeContext(host);
  ctx->programFolder = dir.path() + "/";
  const StartupLoad load = LoadSettingsAtStartup(*ctx, std::nullopt);
  EXPECT_FALSE(load.startupRecordRead);
  EXPECT_FALSE(load.settingsRead);
  EXPECT_TRUE(load.firstStartWritten);

  const SettingsRecord& s = ctx->settings;
  EXPECT_EQ(s.ConfirmOverwrite, 1);
  EXPECT_EQ(s.WriteTargetFolder, 1);
  EXPECT_EQ(s.ScanToDepth, 1);
  EXPECT_EQ(s.OmitVolumeName, 1);
  EXPECT_EQ(s.NoTitleAtStart, 1);
  EXPECT_EQ(s.AppendOutput, 0);
  EXPECT_EQ(NormalisedAppendDigitCount(s.AppendDigitCount), 60);
  EXPECT_EQ(ShownSearchDepth(s.SearchDepth), -1);
  // The default catalogue among the user's documents, not among the settings.
  EXPECT_EQ(TextOf(s.OutputFolder), Utf8ToUtf16(DocumentsFolder()));
  EXPECT_EQ(TextOf(s.OutputFile), Utf8ToUtf16(DocumentsFolder() + "txt.txt"));
  EXPECT_FALSE(TextOf(s.SavedAt).empty());

  // The file written holds exactly the live record.
  EXPECT_EQ(testing::ReadFile(dir / "ordanou.dat"), Bytes(s));
}

TEST(SettingsCorrections, AllThreeOffComeBackOnOtherwiseUnchanged) {
  SettingsRecord s{};
  s.Reserved1644 = 1;
  FixUpAfterLoad(s, true);
  EXPECT_EQ(s.ConfirmOverwrite, 1);
  EXPECT_EQ(s.WriteTargetFolder, 1);
  EXPECT_EQ(s.ScanToDepth, 1);
  EXPECT_EQ(s.Reserved1644, 0);

  SettingsRecord one{};
  one.ScanToDepth = 1;
  FixUpAfterLoad(one, true);
  EXPECT_EQ(one.ConfirmOverwrite, 0);
  EXPECT_EQ(one.WriteTargetFolder, 0);

  SettingsRecord forced{};
  forced.WriteTargetFolder = 1;
  forced.ForceConfirmAtStart = 1;
  FixUpAfterLoad(forced, true);
  EXPECT_EQ(forced.ConfirmOverwrite, 1);
}

TEST(SettingsCorrections, LoadedFileAppliesCorrections) {
  TempDir dir;
  const std::string folder = dir.path() + "/";
  SettingsRecord stored{};
  stored.Reserved1644 = 1;
  stored.SortOrder = 3;
  ASSERT_TRUE(WriteSettings(folder, 0, stored));

  testing::TestHost host;
  auto ctx = testing::MakeContext(host);
  ctx->programFolder = folder;
  const StartupLoad load = LoadSettingsAtStartup(*ctx, std::nullopt);
  EXPECT_TRUE(load.settingsRead);
  EXPECT_FALSE(load.firstStartWritten);
  EXPECT_EQ(ctx->settings.SortOrder, 3);
  EXPECT_EQ(ctx->settings.ConfirmOverwrite, 1);
  EXPECT_EQ(ctx->settings.Reserved1644, 0);
  // The file replaced the start-up defaults entirely.
  EXPECT_TRUE(TextOf(ctx->settings.LinkTags).empty());
}

TEST(SettingsChange, OnlyBytesBeforeAcrylicModeAndTheListFlagCount) {
  testing::TestHost host;
  auto ctx = testing::MakeContext(host);
  TakeSnapshot(*ctx);
  EXPECT_FALSE(HasChanged(*ctx));

  ctx->settings.AcrylicMode = 1;
  EXPECT_FALSE(HasChanged(*ctx));

  ctx->settings.CsvFolderAndFile = 1;  // the last field before AcrylicMode
  EXPECT_TRUE(HasChanged(*ctx));
  ctx->settings.CsvFolderAndFile = 0;
  EXPECT_FALSE(HasChanged(*ctx));

  ctx->settings.OutputFolder[0] = u'x';
  EXPECT_TRUE(HasChanged(*ctx));
  TakeSnapshot(*ctx);
  EXPECT_FALSE(HasChanged(*ctx));

  ctx->folderListChanged = true;
  EXPECT_TRUE(HasChanged(*ctx));
}

TEST(SettingsPages, InvertedLineBreaksAndTotalCountPlaceFromALoadedFile) {
  TempDir dir;
  const std::string folder = dir.path() + "/";
  SettingsRecord stored{};
  stored.TxtLineBreaks = 0;
  stored.TotalCountPlace = 1;
  ASSERT_TRUE(WriteSettings(folder, 0, stored));
  stored.TxtLineBreaks = 1;
  stored.TotalCountPlace = 7;
  ASSERT_TRUE(WriteSettings(folder, 1, stored));

  SettingsRecord s{};
  ASSERT_TRUE(ReadSettings(folder, 0, s));
  EXPECT_TRUE(TxtLineBreaksBoxOn(s.TxtLineBreaks));
  EXPECT_EQ(TotalCountPlaceComboIndex(s.TotalCountPlace), 0);  // "上段"

  ASSERT_TRUE(ReadSettings(folder, 1, s));
  EXPECT_FALSE(TxtLineBreaksBoxOn(s.TxtLineBreaks));
  EXPECT_EQ(TotalCountPlaceComboIndex(s.TotalCountPlace), 1);  // "下段"
  NormaliseForAllPages(s);
  EXPECT_EQ(s.TotalCountPlace, 0);

  // Collecting the box on stores 0 again.
  EXPECT_EQ(TxtLineBreaksFromBox(true), 0);
  EXPECT_EQ(TxtLineBreaksFromBox(false), 1);
}

}  // namespace
}  // namespace ordano
