#include "settings/settings_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <climits>
#include <cstring>
#include <filesystem>

#include "core/app_context.h"
#include "core/profile_context.h"
#include "platform/file_handle.h"
#include "settings/settings_defaults.h"
#include "temp_dir.h"
#include "test_host.h"

namespace ordano {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

std::string Int32Bytes(std::int32_t v) {
  std::string b(4, '\0');
  std::memcpy(b.data(), &v, 4);
  return b;
}

std::string Entry(std::u16string_view text) {
  std::string b(kFolderListEntryBytes, '\0');
  std::memcpy(b.data(), text.data(), text.size() * 2);
  return b;
}

std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class SettingsFiles : public ::testing::Test {
 protected:
  TempDir dir;
  std::string folder = dir.path() + "/";
};

TEST_F(SettingsFiles, FirstStartAndFirstExitWriteTheRecordSizes) {
  testing::TestHost host;
  auto ctx = testing::MakeContext(host);
  ctx->programFolder = folder;
  const StartupLoad load = LoadSettingsAtStartup(*ctx, std::nullopt);
  EXPECT_TRUE(load.nameFileReady);
  EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"ordanopu.dat", "ordanou.dat"}));
  EXPECT_EQ(ReadFile(dir / "ordanou.dat").size(), 22824u);
  const std::string names = ReadFile(dir / "ordanopu.dat");
  ASSERT_EQ(names.size(), 516u);
  ProfileNameRecord rec;
  std::memcpy(&rec, names.data(), sizeof rec);
  EXPECT_EQ(rec.Deleted, 0);
  EXPECT_EQ(TextOf(rec.Name), u"無題");

  // First exit.
  EXPECT_TRUE(SaveCurrentProfile(*ctx));
  ctx->startup.WindowLeft = 120;
  EXPECT_TRUE(WriteStartupRecord(folder, ctx->startup));
  EXPECT_EQ(ReadFile(dir / "sa.dat").size(), 84u);
  EXPECT_EQ(ReadFile(dir / "ordanoud.dat"), Int32Bytes(0));

  // The next start reads everything back; the name file is left alone.
  auto next = testing::MakeContext(host);
  next->programFolder = folder;
  const StartupLoad again = LoadSettingsAtStartup(*next, std::nullopt);
  EXPECT_TRUE(again.startupRecordRead);
  EXPECT_TRUE(again.settingsRead);
  EXPECT_EQ(next->startup.WindowLeft, 120);
  EXPECT_EQ(std::memcmp(&next->settings, &ctx->settings, sizeof ctx->settings), 0);
  EXPECT_EQ(ReadFile(dir / "ordanopu.dat"), names);
  EXPECT_TRUE(ReadCurrentProfileName(*next));
  EXPECT_EQ(TextOf(next->profileName.Name), u"無題");
}

TEST_F(SettingsFiles, ProfileOverrideAndProfileFileNames) {
  StartupRecord st{};
  st.ProfileNumber = 2;
  st.ProfileCount = 3;
  ASSERT_TRUE(WriteStartupRecord(folder, st));
  testing::TestHost host;
  auto ctx = testing::MakeContext(host);
  ctx->programFolder = folder;
  LoadSettingsAtStartup(*ctx, 3);
  EXPECT_EQ(ctx->startup.ProfileNumber, 3);
  EXPECT_EQ(ctx->startup.ProfileCount, 3);
  ctx->folderList = {u"/a"};
  EXPECT_TRUE(SaveCurrentProfile(*ctx));
  EXPECT_EQ(Names(dir.path()),
            (std::vector<std::string>{"ordanopu.dat", "ordanou3.dat", "ordanou3d.dat", "sa.dat"}));
  EXPECT_EQ(SettingsFilePath(folder, 0), folder + "ordanou.dat");
  EXPECT_EQ(FolderListFilePath(folder, 0), folder + "ordanoud.dat");
  EXPECT_EQ(FolderListFilePath(folder, 12), folder + "ordanou12d.dat");

  EXPECT_TRUE(DeleteSettings(folder, 3));
  EXPECT_EQ(Names(dir.path()),
            (std::vector<std::string>{"ordanopu.dat", "ordanou3d.dat", "sa.dat"}));
}

TEST_F(SettingsFiles, FolderListRoundTripAndLongEntries) {
  const std::vector<std::u16string> list = {u"/data/写真", u"/b", u"/c/d"};
  ASSERT_TRUE(SaveFolderList(folder, 0, list));
  EXPECT_EQ(ReadFile(dir / "ordanoud.dat").size(), 6148u);
  std::vector<std::u16string> back = {u"stale"};
  ASSERT_TRUE(ReadFolderList(folder, 0, back));
  EXPECT_EQ(back, list);

  // 1,023 units fit; longer ones are cut, never between surrogate halves.
  std::u16string fits(1023, u'x');
  std::u16string longer(1500, u'y');
  std::u16string pair(1022, u'z');
  pair += u"😀";  // units 1022 and 1023
  ASSERT_TRUE(SaveFolderList(folder, 1, std::vector{fits, longer, pair}));
  EXPECT_EQ(ReadFile(dir / "ordanou1d.dat").size(), 4u + 3 * 2048);
  ASSERT_TRUE(ReadFolderList(folder, 1, back));
  ASSERT_EQ(back.size(), 3u);
  EXPECT_EQ(back[0], fits);
  EXPECT_EQ(back[1], std::u16string(1023, u'y'));
  EXPECT_EQ(back[2], std::u16string(1022, u'z'));

  // A missing file leaves the list empty.
  EXPECT_FALSE(ReadFolderList(folder, 9, back));
  EXPECT_TRUE(back.empty());
}

TEST_F(SettingsFiles, FolderListCountNeverTrusted) {
  const std::string two = Entry(u"/one") + Entry(u"/two");
  std::vector<std::u16string> list;

  WriteFile(dir / "ordanoud.dat", Int32Bytes(INT_MAX) + two + "partial");
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(ReadFolderList(folder, 0, list));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_EQ(list, (std::vector<std::u16string>{u"/one", u"/two"}));

  WriteFile(dir / "ordanoud.dat", Int32Bytes(-5) + two);
  ASSERT_TRUE(ReadFolderList(folder, 0, list));
  EXPECT_EQ(list, (std::vector<std::u16string>{u"/one", u"/two"}));

  WriteFile(dir / "ordanoud.dat", Int32Bytes(1) + two);
  ASSERT_TRUE(ReadFolderList(folder, 0, list));
  EXPECT_EQ(list, (std::vector<std::u16string>{u"/one"}));

  WriteFile(dir / "ordanoud.dat", "\x01");
  ASSERT_TRUE(ReadFolderList(folder, 0, list));
  EXPECT_TRUE(list.empty());

  // An entry without terminator holds all 1,024 units.
  WriteFile(dir / "ordanoud.dat", Int32Bytes(1) + std::string(2048, 'A'));
  ASSERT_TRUE(ReadFolderList(folder, 0, list));
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0], std::u16string(1024, u'\x4141'));
}

TEST_F(SettingsFiles, ShortAndOversizedSettingsFiles) {
  SettingsRecord s{};
  StartupRecord unusedStartup{};
  ProfileNameRecord unusedName{};
  ResetToDefaults(s, unusedStartup, unusedName, 5);
  const SettingsRecord before = s;

  WriteFile(dir / "ordanou.dat", "abc");
  ASSERT_TRUE(ReadSettings(folder, 0, s));
  const auto* bytes = reinterpret_cast<const unsigned char*>(&s);
  EXPECT_EQ(bytes[0], 'a');
  EXPECT_EQ(bytes[2], 'c');
  EXPECT_EQ(
      std::memcmp(bytes + 3, reinterpret_cast<const unsigned char*>(&before) + 3, sizeof s - 3), 0);

  // Too long: only the record's bytes count; every text keeps a terminator.
  WriteFile(dir / "ordanou.dat", std::string(30000, 'A'));
  ASSERT_TRUE(ReadSettings(folder, 0, s));
  EXPECT_EQ(s.AppendOutput, 0x41414141);
  EXPECT_EQ(s.AcrylicMode, 0x41414141);
  EXPECT_EQ(TextOf(s.OutputFolder).size(), 255u);
  EXPECT_EQ(TextOf(s.HeadTags).size(), 4999u);
  EXPECT_EQ(TextOf(s.SavedAt).size(), 63u);

  // A folder in place of the file counts as missing.
  testing::MakeDirs(dir / "ordanou4.dat");
  EXPECT_FALSE(ReadSettings(folder, 4, s));

  StartupRecord st{};
  st.WindowLeft = -99999;
  WriteFile(dir / "sa.dat", Int32Bytes(7));
  ASSERT_TRUE(ReadStartupRecord(folder, st));
  EXPECT_EQ(st.ProfileNumber, 7);
  EXPECT_EQ(st.WindowLeft, -99999);
}

TEST_F(SettingsFiles, AtomicWriteReplacesAndLeavesNoTemporaryFile) {
  const std::string path = dir / "sa.dat";
  WriteFile(path, "old content that is longer");
  ::chmod(path.c_str(), 0640);
  ASSERT_TRUE(WriteAtomically(path, std::string_view("new")));
  EXPECT_EQ(ReadFile(path), "new");
  EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"sa.dat"});
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);

  // A failing fill or rename leaves the old file and no temporary file.
  EXPECT_FALSE(WriteAtomicallyWith(path, [](int) { return false; }));
  EXPECT_EQ(ReadFile(path), "new");
  testing::MakeDirs(dir / "ordanou.dat/inner");
  EXPECT_FALSE(WriteAtomically(dir / "ordanou.dat", std::string_view("x")));
  EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"ordanou.dat", "sa.dat"}));
}

TEST_F(SettingsFiles, UnwritableFileIsSkippedOthersStillWritten) {
  testing::MakeDirs(dir / "ordanoud.dat/blocked");
  testing::TestHost host;
  auto ctx = testing::MakeContext(host);
  ctx->programFolder = folder;
  EXPECT_FALSE(SaveCurrentProfile(*ctx));
  EXPECT_EQ(ReadFile(dir / "ordanou.dat").size(), 22824u);
  EXPECT_FALSE(TextOf(ctx->settings.SavedAt).empty());
}

TEST_F(SettingsFiles, ProfileNameRecords) {
  // Without the name file nothing is recorded and nothing is created.
  EXPECT_FALSE(AppendProfileName(folder, MakeProfileName(u"新規")));
  EXPECT_FALSE(RewriteProfileName(folder, 0, MakeProfileName(u"x")));
  EXPECT_TRUE(Names(dir.path()).empty());

  ASSERT_TRUE(EnsureProfileNameFile(folder));
  ASSERT_TRUE(AppendProfileName(folder, MakeProfileName(u"新規")));
  ASSERT_TRUE(AppendProfileName(folder, MakeProfileName(u"二")));
  ASSERT_TRUE(RewriteProfileName(folder, 1, MakeProfileName(u"仕事", true)));
  EXPECT_EQ(ReadFile(dir / "ordanopu.dat").size(), 3u * 516);

  ProfileNameRecord rec{};
  ASSERT_TRUE(ReadProfileName(folder, 1, rec));
  EXPECT_EQ(rec.Deleted, 1);
  EXPECT_EQ(TextOf(rec.Name), u"仕事");
  ASSERT_TRUE(ReadProfileName(folder, 2, rec));
  EXPECT_EQ(TextOf(rec.Name), u"二");
  EXPECT_FALSE(ReadProfileName(folder, 3, rec));
  EXPECT_FALSE(ReadProfileName(folder, -1, rec));

  // A record past the end grows the file to hold it.
  ASSERT_TRUE(RewriteProfileName(folder, 5, MakeProfileName(u"五")));
  EXPECT_EQ(ReadFile(dir / "ordanopu.dat").size(), 6u * 516);
  ASSERT_TRUE(ReadProfileName(folder, 5, rec));
  EXPECT_EQ(TextOf(rec.Name), u"五");

  EXPECT_EQ(TextOf(MakeProfileName(std::u16string(300, u'n')).Name).size(), 255u);
  EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"ordanopu.dat"});
}

}  // namespace
}  // namespace ordano
