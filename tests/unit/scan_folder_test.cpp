#include "scan/scan_folder.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "platform/unicode.h"
#include "temp_dir.h"
#include "test_host.h"

namespace ordano {
namespace {

using testing::MakeContext;
using testing::MakeDirs;
using testing::SetMtime;
using testing::TempDir;
using testing::TestHost;
using testing::WriteFile;

struct Row {
  std::string name, folder, link, sizeText, title, md5, sortKey;
  std::uint64_t size;
  int depth, folderStart;
  PackedTime modified, created;
};

std::vector<Row> Rows(const AppContext& ctx) {
  std::vector<Row> rows;
  const auto& t = ctx.table;
  for (int r = 0; r < ctx.run.EntryCount; ++r) {
    rows.push_back({Utf16ToUtf8(t.Name(r)), Utf16ToUtf8(t.Folder(r)), Utf16ToUtf8(t.LinkPath(r)),
                    Utf16ToUtf8(t.SizeText(r)), Utf16ToUtf8(t.Title(r)), Utf16ToUtf8(t.Md5(r)),
                    Utf16ToUtf8(t.SortKey(r)), t.Size(r), t.Depth(r), t.FolderStart(r),
                    t.Modified(r), t.Created(r)});
  }
  return rows;
}

std::vector<std::string> Names(const AppContext& ctx) {
  std::vector<std::string> names;
  for (const Row& r : Rows(ctx)) names.push_back(r.name);
  return names;
}

const Row* Find(const std::vector<Row>& rows, const std::string& name) {
  for (const Row& r : rows) {
    if (r.name == name) return &r;
  }
  return nullptr;
}

// Both passes over one folder, as a drop of that folder runs them.
void CountingPass(AppContext& ctx, const std::string& root) {
  RunState& run = ctx.run;
  run.ResetForRun();
  run.DepthLimit = DepthLimitFromSearchDepth(ctx.options.settings.SearchDepth);
  run.Pass = 0;
  run.RootFolder = root;
  ScanFolder(ctx, root);
}

void FillingPass(AppContext& ctx, const std::string& root, int capacity = -1) {
  RunState& run = ctx.run;
  BeginFillingPass(run, ctx.table);
  if (capacity >= 0) ctx.table.Create(capacity);
  run.RootFolder = root;
  ScanFolder(ctx, root);
}

void TwoPasses(AppContext& ctx, const std::string& root) {
  CountingPass(ctx, root);
  FillingPass(ctx, root);
}

class ScanFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ctx = MakeContext(host);
    ctx->options.settings.ScanToDepth = 1;
    ctx->options.settings.OmitVolumeName = 1;  // folders print as they are
    root = dir / "root";
  }

  // root/a.txt (3), root/b.bin (10), root/sub/c.txt (5), root/sub/deep/d.txt (1)
  void MakeNestedTree() {
    WriteFile(root + "/a.txt", "abc");
    WriteFile(root + "/b.bin", "0123456789");
    WriteFile(root + "/sub/c.txt", "hello");
    WriteFile(root + "/sub/deep/d.txt", "x");
  }

  TestHost host;
  std::unique_ptr<AppContext> ctx;
  TempDir dir;
  std::string root;
};

TEST_F(ScanFolderTest, NestedTreeRowsAndColumns) {
  MakeNestedTree();
  TwoPasses(*ctx, root);

  const auto rows = Rows(*ctx);
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(ctx->run.ExpectedCount, 4);
  // Each folder's own rows first and sorted, then its subfolders.
  EXPECT_EQ(Names(*ctx), (std::vector<std::string>{"a.txt", "b.bin", "c.txt", "d.txt"}));

  EXPECT_EQ(rows[0].size, 3u);
  EXPECT_EQ(rows[0].sizeText, "3");
  EXPECT_EQ(rows[0].depth, 1);
  EXPECT_EQ(rows[0].folderStart, 1);
  EXPECT_EQ(rows[0].folder, root);
  EXPECT_EQ(rows[0].link, root + "/a.txt");
  EXPECT_EQ(rows[1].folderStart, 0);
  EXPECT_EQ(rows[1].size, 10u);
  EXPECT_EQ(rows[2].depth, 2);
  EXPECT_EQ(rows[2].folderStart, 1);
  EXPECT_EQ(rows[2].folder, root + "/sub");
  EXPECT_EQ(rows[2].link, root + "/sub/c.txt");
  EXPECT_EQ(rows[3].depth, 3);
  EXPECT_EQ(rows[3].folder, root + "/sub/deep");
  EXPECT_EQ(ctx->run.TotalSize, 19u);
  EXPECT_EQ(ctx->run.MaxDepthReached, 3);
  EXPECT_EQ(ctx->run.CurrentDepth, 0);
  EXPECT_EQ(ctx->run.NameWidth, 16);  // no name is wide enough to count
  for (const Row& r : rows) {
    EXPECT_NE(r.modified, 0) << r.name;
    EXPECT_NE(r.created, 0) << r.name;
    EXPECT_TRUE(r.md5.empty());      // ComputeMd5 off
    EXPECT_TRUE(r.sortKey.empty());  // SortOrder 0
  }
}

TEST_F(ScanFolderTest, FolderStartMarksEachFolderFirstRowAfterTheSort) {
  for (int i = 0; i < 6; ++i) {
    WriteFile(root + "/n" + std::to_string(i), std::string(static_cast<std::size_t>(10 - i), 'x'));
    WriteFile(root + "/sub/m" + std::to_string(i), std::string(static_cast<std::size_t>(i), 'y'));
  }
  ctx->options.settings.SortOrder = 1;  // by size
  TwoPasses(*ctx, root);
  const auto rows = Rows(*ctx);
  ASSERT_EQ(rows.size(), 12u);
  for (std::size_t r = 0; r < rows.size(); ++r) {
    EXPECT_EQ(rows[r].folderStart, r == 0 || r == 6 ? 1 : 0) << r;
    if (r != 0 && r != 6) {
      EXPECT_LE(rows[r - 1].size, rows[r].size) << r;
    }
  }
}

TEST_F(ScanFolderTest, NameWidthCountsTheIndentOfDeeperRows) {
  WriteFile(root + "/s1/s2/fifteen_chars.x", "");  // 15 characters at depth 3
  TwoPasses(*ctx, root);
  EXPECT_EQ(ctx->run.NameWidth, 15 + 4 * 3 - 4);
}

TEST_F(ScanFolderTest, RelativeFolderTextsAndLinks) {
  MakeNestedTree();
  ctx->options.settings.RelativeOutput = 1;
  TwoPasses(*ctx, root);
  auto rows = Rows(*ctx);
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(Find(rows, "a.txt")->folder, "");
  EXPECT_EQ(Find(rows, "a.txt")->link, "a.txt");
  EXPECT_EQ(Find(rows, "c.txt")->folder, "sub");
  EXPECT_EQ(Find(rows, "c.txt")->link, "sub/c.txt");
  EXPECT_EQ(Find(rows, "d.txt")->folder, "sub/deep");
  EXPECT_EQ(Find(rows, "d.txt")->link, "sub/deep/d.txt");

  // The root folder's empty text becomes root<name>.
  ctx->options.settings.RelativeRootName = 1;
  TwoPasses(*ctx, root);
  rows = Rows(*ctx);
  EXPECT_EQ(Find(rows, "a.txt")->folder, "root<root>");
  EXPECT_EQ(Find(rows, "c.txt")->folder, "sub");
}

TEST_F(ScanFolderTest, IncludeTargetNameStartsFoldersWithTheRootName) {
  MakeNestedTree();
  ctx->options.settings.IncludeTargetName = 1;
  TwoPasses(*ctx, root);
  auto rows = Rows(*ctx);
  EXPECT_EQ(Find(rows, "a.txt")->folder, "root");
  EXPECT_EQ(Find(rows, "c.txt")->folder, "root/sub");
  EXPECT_EQ(Find(rows, "d.txt")->folder, "root/sub/deep");
  EXPECT_EQ(Find(rows, "c.txt")->link, root + "/sub/c.txt");  // links stay absolute
}

TEST_F(ScanFolderTest, HiddenFilesAndFolders) {
  WriteFile(root + "/shown.txt", "1");
  WriteFile(root + "/.hidden.txt", "2");
  WriteFile(root + "/.hdir/inside.txt", "3");
  TwoPasses(*ctx, root);
  EXPECT_EQ(Names(*ctx), (std::vector<std::string>{"shown.txt"}));

  ctx->options.settings.IncludeHidden = 1;
  TwoPasses(*ctx, root);
  auto names = Names(*ctx);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{".hidden.txt", "inside.txt", "shown.txt"}));
}

TEST_F(ScanFolderTest, DepthLimits) {
  MakeNestedTree();
  ctx->options.settings.ScanToDepth = 0;
  TwoPasses(*ctx, root);
  const auto shallow = Names(*ctx);
  EXPECT_EQ(shallow, (std::vector<std::string>{"a.txt", "b.bin"}));

  ctx->options.settings.ScanToDepth = 1;
  ctx->options.settings.SearchDepth = 1;
  TwoPasses(*ctx, root);
  EXPECT_EQ(Names(*ctx), shallow);
  EXPECT_EQ(ctx->run.MaxDepthReached, 1);

  ctx->options.settings.SearchDepth = 2;
  TwoPasses(*ctx, root);
  EXPECT_EQ(Names(*ctx), (std::vector<std::string>{"a.txt", "b.bin", "c.txt"}));
  EXPECT_EQ(ctx->run.MaxDepthReached, 2);
  EXPECT_EQ(ctx->run.CurrentDepth, 0);
}

TEST_F(ScanFolderTest, WildcardSelectsFilesOnly) {
  MakeNestedTree();
  ctx->options.wildcard = u"*.TXT";  // case-insensitive; folders are still entered
  TwoPasses(*ctx, root);
  EXPECT_EQ(Names(*ctx), (std::vector<std::string>{"a.txt", "c.txt", "d.txt"}));
}

TEST_F(ScanFolderTest, PlaceholderRowsForEmptyFolders) {
  WriteFile(root + "/a.txt", "abc");
  MakeDirs(root + "/empty");
  WriteFile(root + "/filtered/skip.bin", "zz");
  ctx->options.wildcard = u"*.txt";

  TwoPasses(*ctx, root);
  EXPECT_EQ(ctx->run.EntryCount, 1);
  EXPECT_EQ(ctx->run.PlaceholderCount, 0);

  for (int option = 0; option < 2; ++option) {
    ctx->options.settings.IncludeEmptyFolders = option == 0;
    ctx->options.settings.IndentTree = option == 1;
    TwoPasses(*ctx, root);
    const auto rows = Rows(*ctx);
    ASSERT_EQ(rows.size(), 3u) << "option " << option;
    EXPECT_EQ(ctx->run.PlaceholderCount, 2);
    EXPECT_EQ(ctx->run.ExpectedCount, 3);
    for (const Row& r : rows) {
      if (r.name == "a.txt") continue;
      EXPECT_EQ(r.name, "");
      EXPECT_EQ(r.size, 0u);
      EXPECT_EQ(r.sizeText, "");
      EXPECT_EQ(r.link, "");
      EXPECT_EQ(r.depth, 2);
      EXPECT_EQ(r.folderStart, 1);
      EXPECT_TRUE(r.folder == root + "/empty" || r.folder == root + "/filtered") << r.folder;
    }
  }
}

// The names of a folder in the file system's enumeration order.
std::vector<std::string> EnumerationOrder(const std::string& folder) {
  std::vector<std::string> names;
  DIR* d = opendir(folder.c_str());
  while (const dirent* e = readdir(d)) {
    const std::string n = e->d_name;
    if (n != "." && n != "..") names.push_back(n);
  }
  closedir(d);
  return names;
}

TEST_F(ScanFolderTest, FirstFileFailingTheDateTestConsumesFolderStart) {
  for (const char* n : {"f1.txt", "f2.txt", "f3.txt"}) WriteFile(root + "/" + n, "data");
  const auto order = EnumerationOrder(root);
  ASSERT_EQ(order.size(), 3u);
  const std::int64_t now = std::time(nullptr);
  for (const auto& n : order) SetMtime(root + "/" + n, now - 3600);
  SetMtime(root + "/" + order.front(), now - 400 * 86400);  // the first one is too old

  SettingsRecord& s = ctx->options.settings;
  s.DateRangeEnabled = 1;
  s.DateFromDate = s.DateFromTime = now - 10 * 86400;
  s.DateToDate = s.DateToTime = now + 86400;
  TwoPasses(*ctx, root);

  const auto rows = Rows(*ctx);
  ASSERT_EQ(rows.size(), 2u);
  for (const Row& r : rows) {
    EXPECT_NE(r.name, order.front());
    EXPECT_EQ(r.folderStart, 0) << r.name;  // the rejected first write took the flag
    EXPECT_EQ(r.sizeText, "4");
  }
  EXPECT_EQ(ctx->run.TotalSize, 8u);
}

TEST_F(ScanFolderTest, FullTableGrowsInTheFillingPass) {
  for (int i = 0; i < 5; ++i) WriteFile(root + "/f" + std::to_string(i), "x");
  for (int i = 0; i < 3; ++i) WriteFile(root + "/sub/g" + std::to_string(i), "y");
  MakeDirs(root + "/sub/empty");
  ctx->options.settings.IncludeEmptyFolders = 1;
  CountingPass(*ctx, root);
  EXPECT_EQ(ctx->run.EntryCount, 9);
  // Files that appeared since the count: the table is smaller than the tree.
  FillingPass(*ctx, root, 2);
  EXPECT_EQ(ctx->run.EntryCount, 9);
  EXPECT_EQ(ctx->run.PlaceholderCount, 1);
  EXPECT_GE(ctx->table.Capacity(), 9);
  EXPECT_EQ(ctx->run.Capacity, ctx->table.Capacity());
}

TEST_F(ScanFolderTest, TreeChangedAfterReadingKeepsWhatWasRead) {
  // root/a.txt (removed), root/b.bin (grown), root/sub/c.txt + root/sub/deep/d.txt
  // (their folder renamed), root/e.htm (kept): between the read and the rows' work.
  MakeNestedTree();
  WriteFile(root + "/e.htm", "<title>T</title>");
  ctx->options.settings.ComputeMd5 = 1;
  for (const char* threads : {"1", "4"}) {
    SCOPED_TRACE(threads);
    setenv("ORDANO_THREADS", threads, 1);
    ctx->table.Release();
    CountingPass(*ctx, root);
    EXPECT_EQ(ctx->run.EntryCount, 5);
    ASSERT_EQ(unlink((root + "/a.txt").c_str()), 0);
    WriteFile(root + "/b.bin", "0123456789 and more");
    ASSERT_EQ(rename((root + "/sub").c_str(), (root + "/moved").c_str()), 0);
    FillingPass(*ctx, root);
    const auto rows = Rows(*ctx);
    ASSERT_EQ(Names(*ctx), (std::vector<std::string>{"a.txt", "b.bin", "e.htm", "c.txt", "d.txt"}));
    EXPECT_EQ(rows[0].md5, "");  // gone: nothing to digest
    EXPECT_EQ(rows[1].size, 10u);
    EXPECT_EQ(rows[1].md5.size(), 32u);
    EXPECT_EQ(rows[2].title, "T");
    EXPECT_EQ(rows[3].folder, root + "/sub");
    EXPECT_EQ(rows[3].size, 5u);
    EXPECT_EQ(rows[3].md5, "");
    EXPECT_EQ(rows[4].depth, 3);
    EXPECT_TRUE(ctx->run.ReadFailures.empty());
    ASSERT_EQ(rename((root + "/moved").c_str(), (root + "/sub").c_str()), 0);
    WriteFile(root + "/a.txt", "abc");
    WriteFile(root + "/b.bin", "0123456789");
  }
  unsetenv("ORDANO_THREADS");
}

class SymlinkTest : public ScanFolderTest {
 protected:
  void SetUp() override {
    ScanFolderTest::SetUp();
    WriteFile(root + "/a.txt", "abc");
    WriteFile(root + "/sub/f.txt", "f");
    WriteFile(dir / "outside/x.txt", "outside!");
    ASSERT_EQ(symlink("..", (root + "/sub/loop").c_str()), 0);  // back to root
    ASSERT_EQ(symlink((dir / "outside").c_str(), (root + "/dirlink").c_str()), 0);
    ASSERT_EQ(symlink((dir / "outside/x.txt").c_str(), (root + "/filelink").c_str()), 0);
    ASSERT_EQ(symlink((dir / "nowhere").c_str(), (root + "/broken").c_str()), 0);
    ASSERT_EQ(symlink("self", (root + "/self").c_str()), 0);
  }
  std::vector<std::string> SortedNames() {
    auto names = Names(*ctx);
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(SymlinkTest, FolderLinksAreNotEnteredAndFileLinksAreFiles) {
  TwoPasses(*ctx, root);
  // Dangling and self-referencing links are listed as themselves.
  EXPECT_EQ(SortedNames(),
            (std::vector<std::string>{"a.txt", "broken", "f.txt", "filelink", "self"}));
  const auto rows = Rows(*ctx);
  EXPECT_EQ(Find(rows, "filelink")->size, 8u);                      // the target's size
  EXPECT_EQ(Find(rows, "broken")->size, (dir / "nowhere").size());  // the link's own
  EXPECT_EQ(Find(rows, "self")->size, 4u);
  EXPECT_EQ(ctx->run.CurrentDepth, 0);
}

TEST_F(SymlinkTest, ResolvedLinksListEveryFolderOnce) {
  ctx->options.settings.ReadShortcuts = 1;
  TwoPasses(*ctx, root);
  // The outside folder is listed in place of its link; the loop back to the
  // folder being scanned is not entered but listed as its shortcut's row, the
  // file link under its target's path with the link's own size; links that
  // cannot be resolved are ordinary files.
  const std::string target = dir / "outside/x.txt";
  EXPECT_EQ(SortedNames(),
            (std::vector<std::string>{target, root, "a.txt", "broken", "f.txt", "self", "x.txt"}));
  EXPECT_EQ(Find(Rows(*ctx), target)->size, target.size());
  EXPECT_EQ(ctx->run.CurrentDepth, 0);
}

TEST_F(ScanFolderTest, BranchingLinkChainEntersEachFolderOnce) {
  // d0 .. d13, each with one file and two links to the next: 2^14 ways down.
  constexpr int kLevels = 14;
  for (int i = 0; i < kLevels; ++i) {
    const std::string d = dir / ("chain/d" + std::to_string(i));
    WriteFile(d + "/f.txt", "f");
    for (const char* l : {"/a", "/b"}) {
      const std::string next = dir / ("chain/d" + std::to_string(i + 1));
      ASSERT_EQ(symlink(next.c_str(), (d + l).c_str()), 0);
    }
  }
  MakeDirs(dir / ("chain/d" + std::to_string(kLevels)));
  MakeDirs(root);
  ASSERT_EQ(symlink((dir / "chain/d0").c_str(), (root + "/a").c_str()), 0);
  ASSERT_EQ(symlink((dir / "chain/d0").c_str(), (root + "/b").c_str()), 0);
  ctx->options.settings.ReadShortcuts = 1;
  TwoPasses(*ctx, root);
  const auto names = Names(*ctx);
  EXPECT_EQ(std::count(names.begin(), names.end(), "f.txt"), kLevels);
  EXPECT_EQ(names.size(), 2u * kLevels + 1);  // and one shortcut row per second link
}

TEST_F(ScanFolderTest, InvalidUtf8NameIsListedAndDigested) {
  const std::string bad = root + std::string("/bad\xff") + "name.txt";
  WriteFile(bad, "abc");
  ctx->options.settings.ComputeMd5 = 1;
  TwoPasses(*ctx, root);
  const auto rows = Rows(*ctx);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].name, "bad\xEF\xBF\xBDname.txt");  // U+FFFD in place of the byte
  EXPECT_EQ(rows[0].link, root + "/bad\xEF\xBF\xBDname.txt");
  EXPECT_EQ(rows[0].size, 3u);
  EXPECT_EQ(rows[0].md5, "900150983cd24fb0d6963f7d28e17f72");
}

TEST_F(ScanFolderTest, HtmlTitlesAndSortKeys) {
  WriteFile(root + "/page.html", "<html><title>Page Title</title></html>");
  WriteFile(root + "/old.htm", "<TITLE>Upper</TITLE>");
  WriteFile(root + "/index.HTM", "<title>not read</title>");
  WriteFile(root + "/file10.txt", "");
  ctx->options.settings.SortOrder = 4;
  TwoPasses(*ctx, root);
  const auto rows = Rows(*ctx);
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(Find(rows, "page.html")->title, "Page Title");
  EXPECT_EQ(Find(rows, "old.htm")->title, "Upper");
  EXPECT_EQ(Find(rows, "index.HTM")->title, "");
  EXPECT_EQ(Find(rows, "file10.txt")->sortKey, "file000000010.txt");
}

// Runs `body` in a child process as an unprivileged user, so permissions apply
// even when the tests run as root. Returns the child's exit status.
template <typename Body>
int RunUnprivileged(Body body) {
  const pid_t pid = fork();
  if (pid == 0) {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(77);
    _exit(body());
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 99;
}

TEST_F(ScanFolderTest, UnreadableFolderIsSkippedWithItsSubtree) {
  WriteFile(root + "/ok.txt", "ok");
  WriteFile(root + "/locked/inside.txt", "no");
  WriteFile(root + "/locked/deeper/more.txt", "no");
  WriteFile(root + "/zz/after.txt", "yes");
  ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);  // reachable for the other user
  ASSERT_EQ(chmod((root + "/locked").c_str(), 0), 0);

  const int status = RunUnprivileged([&] {
    TwoPasses(*ctx, root);
    auto names = Names(*ctx);
    std::sort(names.begin(), names.end());
    // Skipped, and told once (from the filling pass) with its reason.
    const std::vector<ReadFailure> told{{root + "/locked", EACCES}};
    return names == std::vector<std::string>{"after.txt", "ok.txt"} && ctx->run.ReadFailures == told
               ? 0
               : 1;
  });
  if (status == 77) GTEST_SKIP() << "cannot switch to an unprivileged user here";
  EXPECT_EQ(status, 0);
}

TEST_F(ScanFolderTest, CancelFromThePumpEndsTheScan) {
  MakeNestedTree();
  host.cancelAtPump = 1;
  CountingPass(*ctx, root);
  EXPECT_TRUE(ctx->run.CancelRequested);
  EXPECT_EQ(ctx->run.EntryCount, 0);
  EXPECT_EQ(ctx->run.CurrentDepth, 0);
  EXPECT_EQ(host.pumps, 1);
}

}  // namespace
}  // namespace ordano
