#include "run/run_driver.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/unicode.h"
#include "scan/folder_prefetch.h"
#include "temp_dir.h"
#include "test_host.h"

namespace ordano {
namespace {

using testing::MakeContext;
using testing::SetMtime;
using testing::TempDir;
using testing::TestHost;
using testing::WriteFile;

class RunDriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ctx = MakeContext(host);
    ctx->settings.ScanToDepth = 1;
    ctx->settings.OmitVolumeName = 1;
  }

  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (int r = 0; r < ctx->run.EntryCount; ++r) names.push_back(Utf16ToUtf8(ctx->table.Name(r)));
    return names;
  }
  int RowOf(const std::string& name) const {
    for (int r = 0; r < ctx->run.EntryCount; ++r) {
      if (Utf16ToUtf8(ctx->table.Name(r)) == name) return r;
    }
    return -1;
  }
  std::string Text(std::u16string_view v) const { return Utf16ToUtf8(v); }

  TestHost host;
  std::unique_ptr<AppContext> ctx;
  TempDir dir;
};

TEST_F(RunDriverTest, DropOfFolderAndFile) {
  WriteFile(dir / "tree/a.txt", "abc");
  WriteFile(dir / "tree/sub/b.txt", "bb");
  WriteFile(dir / "single/page.html", "<TITLE>Mixed Case</TITLE>");
  const std::vector<std::string> paths{dir / "tree/", dir / "single/page.html"};

  ASSERT_TRUE(DropRunScan(*ctx, paths));
  EXPECT_TRUE(ctx->run.TableAllocated);
  EXPECT_TRUE(ctx->run.RunFinished);
  EXPECT_EQ(ctx->run.ExpectedCount, 3);
  EXPECT_EQ(ctx->run.Capacity, 1003);
  EXPECT_EQ(Names(), (std::vector<std::string>{"a.txt", "b.txt", "page.html"}));
  EXPECT_EQ(ctx->run.RootFolder, dir / "tree");  // the trailing "/" is gone
  EXPECT_EQ(Text(ctx->table.LinkPath(1)), dir / "tree/sub/b.txt");

  const int f = 2;  // the dropped file
  EXPECT_EQ(ctx->table.Depth(f), 1);
  EXPECT_EQ(Text(ctx->table.Folder(f)), dir / "single");
  EXPECT_EQ(Text(ctx->table.LinkPath(f)), dir / "single/page.html");
  EXPECT_EQ(Text(ctx->table.SizeText(f)), "25");
  EXPECT_EQ(Text(ctx->table.Title(f)), "mixed case");  // a drop lower-cases the title
  EXPECT_NE(ctx->table.Modified(f), 0);
  EXPECT_EQ(ctx->table.Created(f), 0);  // not set for a dropped file
  EXPECT_EQ(ctx->run.TotalSize, 30u);
  EXPECT_EQ(ctx->run.NameWidth, 16);

  // Relative output: the file's folder is empty and its link is its name.
  ctx->settings.RelativeOutput = 1;
  ASSERT_TRUE(DropRunScan(*ctx, paths));
  EXPECT_EQ(Text(ctx->table.Folder(2)), "");
  EXPECT_EQ(Text(ctx->table.LinkPath(2)), "page.html");
  EXPECT_EQ(Text(ctx->table.LinkPath(1)), "sub/b.txt");
}

TEST_F(RunDriverTest, DropResetsPresetsAndCapturesCapacityTarget) {
  WriteFile(dir / "one/x.txt", "x");
  WriteFile(dir / "two/y.txt", "y");
  ctx->run.CmdOutputName = "preset.txt";
  ctx->run.CmdLastPath = "/somewhere";
  ctx->settings.WriteCapacity = 1;
  const std::vector<std::string> paths{dir / "one", dir / "two/y.txt"};
  ASSERT_TRUE(DropRunScan(*ctx, paths));
  EXPECT_TRUE(ctx->run.CmdOutputName.empty());
  EXPECT_TRUE(ctx->run.CmdLastPath.empty());
  EXPECT_TRUE(ctx->run.CapacityRequested);
  EXPECT_EQ(ctx->run.CapacityTarget, dir / "two/y.txt");  // the last item wins

  ctx->settings.WriteCapacity = 0;
  ASSERT_TRUE(DropRunScan(*ctx, paths));
  EXPECT_FALSE(ctx->run.CapacityRequested);
}

TEST_F(RunDriverTest, DroppedHiddenFileNeedsIncludeHidden) {
  WriteFile(dir / ".secret", "s");
  const std::vector<std::string> paths{dir / ".secret"};
  ASSERT_TRUE(DropRunScan(*ctx, paths));
  EXPECT_EQ(ctx->run.EntryCount, 0);
  ctx->settings.IncludeHidden = 1;
  ASSERT_TRUE(DropRunScan(*ctx, paths));
  EXPECT_EQ(Names(), (std::vector<std::string>{".secret"}));
}

TEST_F(RunDriverTest, CommandLineListsTheOtherPathsAndNamesTheMissingOne) {
  WriteFile(dir / "tree/a.txt", "abc");
  WriteFile(dir / "doc.html", "<title>Keep Case</title>");
  const std::string missing = dir / "not-there";
  const std::vector<std::string> paths{dir / "tree", missing, dir / "doc.html"};

  std::vector<std::string> missingPaths;
  ASSERT_TRUE(CommandLineRunScan(*ctx, paths, &missingPaths));
  EXPECT_EQ(missingPaths, std::vector<std::string>{missing});
  EXPECT_EQ(Names(), (std::vector<std::string>{"a.txt", "doc.html"}));
  const int f = RowOf("doc.html");
  EXPECT_EQ(Text(ctx->table.Title(f)), "Keep Case");  // no lower-casing here
  EXPECT_NE(ctx->table.Created(f), 0);                // filled for a given file

  ctx->run.CmdOutputFolder = dir.path();  // whatever the output writes stays in here
  ctx->run.CmdOutputName = "out.txt";
  const RunResult result = CommandLineRun(*ctx, paths);
  EXPECT_EQ(result.missingPaths, std::vector<std::string>{missing});
  EXPECT_NE(result.outcome, RunOutcome::Cancelled);
  EXPECT_FALSE(ctx->table.Allocated());  // released after the output
  EXPECT_FALSE(ctx->run.TableAllocated);

  EXPECT_EQ(CommandLineRun(*ctx, {}).outcome, RunOutcome::NotWritten);
}

TEST_F(RunDriverTest, WhatCouldNotBeReadEndsTheRunInOneMessage) {
  // A name longer than any file system takes is out of reach, also for root.
  WriteFile(dir / "tree/a.txt", "abc");
  const std::string unreachable = dir / std::string(300, 'x');
  SaveDialogState save;
  save.fileName = dir / "out.txt";
  save.lineWidthText = u"0";
  host.saveAnswers = {save};
  const RunResult dropped = DropRun(*ctx, std::vector<std::string>{dir / "tree", unreachable});
  EXPECT_EQ(dropped.outcome, RunOutcome::Written);
  EXPECT_TRUE(dropped.missingPaths.empty());
  ASSERT_EQ(dropped.readFailures, (std::vector<ReadFailure>{{unreachable, ENAMETOOLONG}}));
  ASSERT_FALSE(host.messages.empty());
  const testing::RecordedMessage& told = host.messages.back();
  EXPECT_EQ(told.icon, MsgIcon::Warning);
  EXPECT_NE(Text(told.text).find(unreachable + ": " + std::strerror(ENAMETOOLONG)),
            std::string::npos)
      << Text(told.text);

  // With nothing else to list, a command-line run writes nothing.
  host.messages.clear();
  ctx->run.CmdOutputFolder = dir.path();
  ctx->run.CmdOutputName = "cmd.txt";
  ctx->run.CmdLastPath = unreachable;
  const RunResult alone = CommandLineRun(*ctx, std::vector<std::string>{unreachable});
  EXPECT_EQ(alone.outcome, RunOutcome::NoPathFound);
  EXPECT_EQ(alone.readFailures, dropped.readFailures);
  EXPECT_EQ(host.messages.size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(dir / "cmd.txt"));
  EXPECT_FALSE(ctx->table.Allocated());
}

TEST_F(RunDriverTest, DropDateLimitListsRecentFilesAndRestoresThePickers) {
  const std::int64_t now = std::time(nullptr);
  WriteFile(dir / "recent.txt", "r");
  WriteFile(dir / "old.txt", "o");
  SetMtime(dir / "recent.txt", now - 3600);
  SetMtime(dir / "old.txt", now - 5 * 86400);
  SettingsRecord& s = ctx->settings;
  s.DropDateLimit = 1;
  s.DropDateDays = 2;
  s.DateRangeEnabled = 0;
  s.DateFromDate = 1000;
  s.DateFromTime = 2000;
  s.DateToDate = 3000;
  s.DateToTime = 4000;
  const std::vector<std::string> paths{dir / "recent.txt", dir / "old.txt"};

  ASSERT_TRUE(CommandLineRunScan(*ctx, paths));
  EXPECT_EQ(Names(), (std::vector<std::string>{"recent.txt"}));
  EXPECT_EQ(s.DateRangeEnabled, 0);
  EXPECT_EQ(s.DateFromDate, 1000);
  EXPECT_EQ(s.DateFromTime, 2000);
  EXPECT_EQ(s.DateToDate, 3000);
  EXPECT_EQ(s.DateToTime, 4000);

  s.DropDateDays = 0;  // between now and now: nothing
  ASSERT_TRUE(CommandLineRunScan(*ctx, paths));
  EXPECT_EQ(ctx->run.EntryCount, 0);
}

TEST_F(RunDriverTest, IgnoreHierarchySortsADroppedFolderAsOneList) {
  WriteFile(dir / "tree/z.txt", "z");
  WriteFile(dir / "tree/sub/b.txt", "b");
  WriteFile(dir / "tree/sub/y.txt", "y");
  const std::vector<std::string> paths{dir / "tree"};
  ASSERT_TRUE(DropRunScan(*ctx, paths));
  EXPECT_EQ(Names(), (std::vector<std::string>{"z.txt", "b.txt", "y.txt"}));
  ctx->settings.IgnoreHierarchy = 1;
  ASSERT_TRUE(DropRunScan(*ctx, paths));
  EXPECT_EQ(Names(), (std::vector<std::string>{"b.txt", "y.txt", "z.txt"}));
}

TEST_F(RunDriverTest, EndBeforeStartCancelsWithTheMessage) {
  WriteFile(dir / "tree/a.txt", "a");
  WriteFile(dir / "file.txt", "f");
  SettingsRecord& s = ctx->settings;
  s.DateRangeEnabled = 1;
  s.DateFromDate = s.DateFromTime = 1700000000;
  s.DateToDate = s.DateToTime = 1600000000;

  for (const std::string& item : {dir / "tree", dir / "file.txt"}) {
    s.DateRangeEnabled = 1;
    host.messages.clear();
    const RunResult result = DropRun(*ctx, std::vector<std::string>{item});
    EXPECT_EQ(result.outcome, RunOutcome::Cancelled) << item;
    ASSERT_EQ(host.messages.size(), 1u) << item;
    EXPECT_EQ(host.messages[0].text, u"開始日付より終了日付が前になっています。");
    EXPECT_EQ(host.messages[0].caption, u"Ordano");
    EXPECT_EQ(host.messages[0].icon, MsgIcon::Warning);
    EXPECT_EQ(s.DateRangeEnabled, 0);
    EXPECT_FALSE(ctx->table.Allocated());
  }
}

TEST_F(RunDriverTest, CancelFromTheHostEndsTheRunWithoutTable) {
  // Enough folders that workers are still listing some when the cancel comes.
  for (int i = 0; i < 400; ++i) WriteFile(dir / ("tree/d" + std::to_string(i) + "/a.txt"), "a");
  for (const char* threads : {"1", "4"}) {
    setenv("ORDANO_THREADS", threads, 1);
    host.cancelAtPump = 1;
    const RunResult result = DropRun(*ctx, std::vector<std::string>{dir / "tree"});
    EXPECT_EQ(result.outcome, RunOutcome::Cancelled) << threads;
    EXPECT_FALSE(ctx->table.Allocated());
    EXPECT_TRUE(ctx->run.RunFinished);
  }
  unsetenv("ORDANO_THREADS");
}

TEST_F(RunDriverTest, EachFolderIsReadOncePerRun) {
  // 1 + 4 + 12 folders; the filling pass works from the counting pass's listings.
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 3; ++j) {
      WriteFile(dir / ("tree/d" + std::to_string(i) + "/e" + std::to_string(j) + "/f.txt"), "x");
    }
  }
  WriteFile(dir / "tree/top.txt", "t");
  ctx->settings.ComputeMd5 = 1;
  const std::vector<std::string> paths{dir / "tree"};
  for (const char* threads : {"1", "4"}) {
    setenv("ORDANO_THREADS", threads, 1);
    ASSERT_TRUE(CommandLineRunScan(*ctx, paths)) << threads;
    EXPECT_EQ(ctx->run.EntryCount, 13) << threads;
    EXPECT_EQ(Text(ctx->table.Md5(RowOf("f.txt"))), "9dd4e461268c8034f5c8564e155c67a6");
    const HeldListings& held = HeldListingsOf(ctx->table);
    EXPECT_EQ(held.foldersRead.load(), 17) << threads;
    EXPECT_TRUE(held.byPath.empty()) << threads;  // every listing was used once
  }
  unsetenv("ORDANO_THREADS");
}

TEST_F(RunDriverTest, CreationTimeRangeCountsWhatTheFillingPassWrites) {
  // More files than the 1000 spare rows, each passing the range only by its
  // creation (birth) time: the last write lies a year back.
  const std::int64_t now = std::time(nullptr);
  constexpr int kFiles = 1100;
  for (int i = 0; i < kFiles; ++i) {
    const std::string f = dir / ("tree/f" + std::to_string(i));
    WriteFile(f, "x");
    SetMtime(f, now - 365 * 86400);
  }
  struct statx sx;
  if (statx(AT_FDCWD, (dir / "tree/f0").c_str(), 0, STATX_BTIME, &sx) != 0 ||
      !(sx.stx_mask & STATX_BTIME)) {
    GTEST_SKIP() << "no birth times on this file system";
  }
  SettingsRecord& s = ctx->settings;
  s.SortOrder = 5;
  s.DateRangeEnabled = 1;
  s.DateFromDate = s.DateFromTime = now - 86400;
  s.DateToDate = s.DateToTime = now + 86400;
  const std::vector<std::string> paths{dir / "tree"};
  ASSERT_TRUE(CommandLineRunScan(*ctx, paths));
  EXPECT_EQ(ctx->run.ExpectedCount, kFiles);
  EXPECT_EQ(ctx->run.EntryCount, kFiles);
}

TEST_F(RunDriverTest, PathsLongerThanPathMaxAreWalked) {
  // 3000 levels of "d/" (6000 bytes of path), a file every 100 levels.
  constexpr int kLevels = 3000;
  const std::string top = dir / "deep";
  testing::MakeDirs(top);
  int fd = open(top.c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(fd, 0);
  for (int i = 1; i <= kLevels; ++i) {
    ASSERT_EQ(mkdirat(fd, "d", 0755), 0);
    const int next = openat(fd, "d", O_RDONLY | O_DIRECTORY);
    close(fd);
    ASSERT_GE(next, 0);
    fd = next;
    if (i % 100 == 0) {
      const std::string name = "f" + std::to_string(i) + ".html";
      const int f = openat(fd, name.c_str(), O_WRONLY | O_CREAT, 0644);
      ASSERT_EQ(write(f, "<title>t</title>", 16), 16);
      close(f);
    }
  }
  close(fd);
  ctx->settings.ComputeMd5 = 1;
  const std::vector<std::string> paths{top};
  const bool scanned = CommandLineRunScan(*ctx, paths);
  const int rows = ctx->run.EntryCount;
  int digested = 0, titled = 0;
  std::size_t longest = 0;
  for (int r = 0; r < rows; ++r) {
    digested += ctx->table.Md5(r).size() == 32;
    titled += ctx->table.Title(r) == u"t";
    longest = std::max(longest, ctx->table.LinkPath(r).size());
  }
  ctx->table.Release();
  // std::filesystem cannot remove a tree this deep; rm walks it by descriptors.
  ASSERT_EQ(std::system(("rm -rf '" + top + "'").c_str()), 0);
  ASSERT_TRUE(scanned);
  EXPECT_EQ(rows, kLevels / 100);
  EXPECT_EQ(digested, kLevels / 100);
  EXPECT_EQ(titled, kLevels / 100);
  EXPECT_GT(longest, 6000u);  // the printed path is still the full path
}

}  // namespace
}  // namespace ordano
