// End-to-end runs of the ordanou binary on trees the tests generate.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "binary_test.h"
#include "platform/unicode.h"
#include "run_binary.h"
#include "temp_dir.h"

namespace ordano::testing {
namespace {

constexpr int kNobody = 65534;

class Cli : public BinaryTest {
 protected:
  static std::string Catalogue(const std::string& path) { return Utf16Catalogue(path); }
  void MakeTree() {
    WriteFile(work / "tree/a.txt", "abc");
    WriteFile(work / "tree/sub/b.bin", std::string(1000, 'x'));
    WriteFile(work / "tree/.hidden", "h");
    MakeDirs(work / "out");
  }
};

TEST_F(Cli, UsageAndVersionTouchNoSettings) {
  auto r = RunOrdanou({"/?"}, Opts());
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.out.find("Usage:\nordano [/O:出力フォルダ名]"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(home / "ordanou.dat"));
  r = RunOrdanou({"--version"}, Opts());
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.out.find("ordanou "), std::string::npos);
  r = RunOrdanou({"--help"}, Opts());
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.out.find("--yes"), std::string::npos);
  r = RunOrdanou({"--frobnicate"}, Opts());
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("--frobnicate"), std::string::npos);
  RunOptions headless = Opts();
  headless.env.emplace_back("DISPLAY", "");
  headless.env.emplace_back("WAYLAND_DISPLAY", "");
  r = RunOrdanou({}, headless);
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("no display"), std::string::npos);
  // A display named but not answering (a stale DISPLAY) is no display either.
  RunOptions stale = Opts();
  stale.env.emplace_back("DISPLAY", ":87654");
  r = RunOrdanou({}, stale);
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("no display"), std::string::npos);
}

TEST_F(Cli, WritesTextCatalogueAndPrintsItsPath) {
  MakeTree();
  auto r = RunOrdanou({"/O:" + (work / "out"), "/F:cat.txt", work / "tree"}, Opts());
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, work / "out/cat.txt" + "\n");
  const std::string text = Catalogue(work / "out/cat.txt");
  EXPECT_NE(text.find("ターゲットフォルダ：" + work / "tree" + "\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("ターゲットフォルダ：" + work / "tree/sub" + "\r\n"), std::string::npos);
  EXPECT_NE(text.find("a.txt"), std::string::npos);
  EXPECT_NE(text.find("b.bin"), std::string::npos);
  EXPECT_EQ(text.find(".hidden"), std::string::npos);  // hidden files are off by default
  EXPECT_NE(text.find("総ファイル数 2 個"), std::string::npos) << text;
  EXPECT_NE(text.find("1,003Byte"), std::string::npos) << text;
  // First start wrote the settings of profile 0 and the profile names.
  EXPECT_EQ(std::filesystem::file_size(home / "ordanou.dat"), 22824u);
  EXPECT_EQ(std::filesystem::file_size(home / "ordanopu.dat"), 516u);
}

TEST_F(Cli, MissingPathIsNamedOthersStillCatalogued) {
  MakeTree();
  auto r = RunOrdanou({"/O:" + (work / "out"), "/F:c.txt", work / "nope", work / "tree"}, Opts());
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find(work / "nope"), std::string::npos) << r.err;
  const std::string text = Catalogue(work / "out/c.txt");
  EXPECT_NE(text.find("a.txt"), std::string::npos);
  EXPECT_EQ(text.find("nope"), std::string::npos);
}

TEST_F(Cli, DestinationThatCannotBeWrittenFailsCleanly) {
  MakeTree();
  // Output folder that does not exist: the folder is not created.
  auto r = RunOrdanou({"/O:" + (work / "missing"), "/F:c.txt", work / "tree"}, Opts());
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_NE(r.err.find("ファイルの生成または書き出しに失敗しました。"), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(work / "missing"));
  EXPECT_TRUE(r.out.empty());
  // A folder standing where the file should be (fails even for root).
  MakeDirs(work / "out/taken.txt");
  r = RunOrdanou({"/O:" + (work / "out"), "/F:taken.txt", work / "tree"}, Opts());
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_TRUE(std::filesystem::is_directory(work / "out/taken.txt"));
}

TEST_F(Cli, ReadOnlyDestinationFolder) {
  MakeTree();
  MakeDirs(work / "ro");
  chmod((work / "ro").c_str(), 0555);
  RunOptions o = Opts();
  if (geteuid() == 0) {
    // Permissions do not bind root: run the binary as an ordinary user.
    chmod(home.path().c_str(), 0777);
    chmod(work.path().c_str(), 0755);
    o.runAsUid = kNobody;
  }
  auto r = RunOrdanou({"/O:" + (work / "ro"), "/F:c.txt", work / "tree"}, o);
  if (r.exitCode == kCannotDropPrivileges) GTEST_SKIP() << "cannot switch to an unprivileged user";
  EXPECT_EQ(r.exitCode, 3) << r.err;
  EXPECT_FALSE(std::filesystem::exists(work / "ro/c.txt"));
}

TEST_F(Cli, OverwriteQuestionWithoutTerminalTakesNoUnlessYes) {
  MakeTree();
  WriteFile(work / "out/c.txt", "old");
  auto r = RunOrdanou({"/O:" + (work / "out"), "/F:c.txt", work / "tree"}, Opts());
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_NE(r.err.find("ﾌｧｲﾙはすでに存在しています。上書きしますか？"), std::string::npos) << r.err;
  EXPECT_EQ(ReadFile(work / "out/c.txt"), "old");
  r = RunOrdanou({"--yes", "/O:" + (work / "out"), "/F:c.txt", work / "tree"}, Opts());
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(Catalogue(work / "out/c.txt").find("a.txt"), std::string::npos);
}

// The command line speaks the language the window would: its messages from
// below (questions, failures, libcurl's with its code) and its own usage text
// in English when English is chosen, today's Japanese bytes otherwise.
TEST_F(Cli, MessagesInTheChosenLanguage) {
  MakeTree();
  WriteFile(work / "out/c.txt", "old");
  const std::vector<std::string> overwrite = {"/O:" + (work / "out"), "/F:c.txt", work / "tree"};
  const std::string question = work / "out/c.txt";
  struct Row {
    const char* name;
    std::vector<std::pair<std::string, std::string>> env;
    std::vector<std::string> args;
    bool onStdout;
    std::string expected;
  };
  const std::vector<Row> rows = {
      {"ja: the overwrite question as today",
       {{"ORDANO_LANG", "ja"}},
       overwrite,
       false,
       "ordanou: 上書きしちゃうよ？ [question]: " + question +
           "\nﾌｧｲﾙはすでに存在しています。上書きしますか？\n"},
      {"en: the overwrite question",
       {{"ORDANO_LANG", "en"}},
       overwrite,
       false,
       "ordanou: Overwrite? [question]: " + question +
           "\nThe file already exists. Overwrite it?\n"},
      {"an English locale without ORDANO_LANG",
       {{"ORDANO_LANG", ""},
        {"LANGUAGE", ""},
        {"LC_ALL", ""},
        {"LC_MESSAGES", ""},
        {"LANG", "en_US.UTF-8"}},
       overwrite,
       false,
       "\nThe file already exists. Overwrite it?\n"},
      {"en: libcurl's failure under an English sentence with its code",
       {{"ORDANO_LANG", "en"}},
       {"--crawl", "http://127.0.0.1:1/", "/O:" + (work / "out"), "/F:web.txt"},
       false,
       "ordanou: Web search [error]: The connection failed (7).\n"},
      {"en: --help", {{"ORDANO_LANG", "en"}}, {"--help"}, true, "Usage: ordanou [options]"},
      {"ja: --help", {{"ORDANO_LANG", "ja"}}, {"--help"}, true, "Usage: ordanou [options]"},
      {"en: the Windows usage text",
       {{"ORDANO_LANG", "en"}},
       {"/?"},
       true,
       "ordano [/O:output folder] [/F:output file name]"},
      {"ja: the Windows usage text",
       {{"ORDANO_LANG", "ja"}},
       {"/?"},
       true,
       "ordano [/O:出力フォルダ名] [/F:出力ファイル名]"},
  };
  for (const Row& row : rows) {
    RunOptions o = Opts();
    o.env.insert(o.env.end(), row.env.begin(), row.env.end());
    const ProcessResult r = RunOrdanou(row.args, o);
    const std::string& said = row.onStdout ? r.out : r.err;
    EXPECT_NE(said.find(row.expected), std::string::npos) << row.name << ":\n" << said;
  }
  EXPECT_EQ(ReadFile(work / "out/c.txt"), "old");
}

TEST_F(Cli, SecondInstanceIsRefusedWhileTheLockIsHeld) {
  MakeTree();
  const int fd = open((home / "ordanou.lock").c_str(), O_RDWR | O_CREAT, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
  auto r = RunOrdanou({"/O:" + (work / "out"), "/F:c.txt", work / "tree"}, Opts());
  EXPECT_EQ(r.exitCode, 5);
  EXPECT_NE(r.err.find("すでにおるだの♪が起動してます。"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(work / "out/c.txt"));
  EXPECT_FALSE(std::filesystem::exists(home / "ordanou.dat"));  // every file untouched
  close(fd);
  r = RunOrdanou({"/O:" + (work / "out"), "/F:c.txt", work / "tree"}, Opts());
  EXPECT_EQ(r.exitCode, 0) << r.err;
}

// Installed (no ordanou.dat beside the binary): settings in the XDG config
// folder, the lock in the runtime folder, the default catalogue among the
// user's documents. With an ordanou.dat beside it: portable, all there.
TEST_F(Cli, SettingsLockAndDefaultCatalogueInTheirXdgPlacesUnlessPortable) {
  MakeTree();
  const std::string bin = work / "bin", cfg = work / "cfg", run = work / "run",
                    user = work / "user";
  MakeDirs(bin);
  MakeDirs(run);
  MakeDirs(user + "/Dokumente");
  std::filesystem::copy_file(ORDANOU_BINARY, bin + "/ordanou");
  WriteFile(cfg + "/user-dirs.dirs",
            "# from xdg-user-dirs\nXDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n");
  RunOptions o = Opts();
  o.env = {{"ORDANO_HOME", ""},
           {"HOME", user},
           {"XDG_CONFIG_HOME", cfg},
           {"XDG_RUNTIME_DIR", run},
           {"TZ", "UTC"}};
  const auto names = [](const std::string& folder) {
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(folder))
      out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
  };

  auto r = RunProgram(bin + "/ordanou", {work / "tree"}, o);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, user + "/Dokumente/txt.txt\n");
  EXPECT_EQ(names(bin), std::vector<std::string>{"ordanou"});
  EXPECT_EQ(std::filesystem::file_size(cfg + "/ordano/ordanou.dat"), 22824u);
  EXPECT_FALSE(std::filesystem::exists(cfg + "/ordano/ordanou.lock"));
  ASSERT_EQ(names(run).size(), 1u);
  EXPECT_TRUE(names(run)[0].starts_with("ordano-")) << names(run)[0];

  // Portable: an ordanou.dat beside the binary keeps everything there.
  const std::string installed = ReadFile(cfg + "/ordano/ordanou.dat");
  std::filesystem::copy_file(cfg + "/ordano/ordanou.dat", bin + "/ordanou.dat");
  r = RunProgram(bin + "/ordanou", {"--save", "--set", "SortOrder=1"}, o);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(ReadFile(bin + "/ordanou.dat"), installed);
  EXPECT_EQ(ReadFile(cfg + "/ordano/ordanou.dat"), installed);
  EXPECT_TRUE(std::filesystem::exists(bin + "/ordanopu.dat"));
  // Each program folder has a lock of its own.
  EXPECT_EQ(names(run).size(), 2u);
}

TEST_F(Cli, ShortSettingsFileDoesNotStopTheRun) {
  MakeTree();
  WriteFile(home / "ordanou.dat", "abc");
  auto r = RunOrdanou({"/O:" + (work / "out"), "/F:c.txt", work / "tree"}, Opts());
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(Catalogue(work / "out/c.txt").find("a.txt"), std::string::npos);
  EXPECT_EQ(ReadFile(home / "ordanou.dat"), "abc");  // read, never rewritten by a run
}

TEST_F(Cli, SymlinkLoopAndInvalidNamesAndUnreadableFolders) {
  MakeTree();
  ASSERT_EQ(symlink("..", (work / "tree/sub/up").c_str()), 0);
  WriteFile(work / "tree/bad\xff.txt", "zz");
  MakeDirs(work / "tree/locked");
  WriteFile(work / "tree/locked/secret.txt", "s");
  chmod((work / "tree/locked").c_str(), 0);
  RunOptions o = Opts();
  if (geteuid() == 0) {
    chmod(home.path().c_str(), 0777);
    chmod(work.path().c_str(), 0755);
    chmod((work / "out").c_str(), 0777);
    o.runAsUid = kNobody;
  }
  auto r = RunOrdanou({"/O:" + (work / "out"), "/F:c.txt", work / "tree"}, o);
  if (r.exitCode == kCannotDropPrivileges) GTEST_SKIP() << "cannot switch to an unprivileged user";
  EXPECT_EQ(r.exitCode, 1) << r.err;  // written, but the locked folder is named
  EXPECT_NE(r.err.find(work / "tree/locked: "), std::string::npos) << r.err;
  const std::string text = Catalogue(work / "out/c.txt");
  EXPECT_NE(text.find("bad\xEF\xBF\xBD.txt"), std::string::npos) << text;
  EXPECT_EQ(text.find("secret.txt"), std::string::npos);
  EXPECT_NE(text.find("総ファイル数 3 個"), std::string::npos) << text;
}

TEST_F(Cli, ProfileOptionSelectsThatProfilesSettings) {
  MakeTree();
  // Profile 2 is a copy of the defaults written by a first start, with dates on.
  auto r = RunOrdanou({"/O:" + (work / "out"), "/F:first.txt", work / "tree"}, Opts());
  ASSERT_EQ(r.exitCode, 0) << r.err;
  PatchSetting(1552, 1);  // WriteDate
  std::filesystem::copy_file(home / "ordanou.dat", home / "ordanou2.dat");
  PatchSetting(1552, 0);
  r = RunOrdanou({"/P:2", "/O:" + (work / "out"), "/F:p2.txt", work / "tree"}, Opts());
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(Catalogue(work / "out/p2.txt").find("更新日付"), std::string::npos);
  EXPECT_EQ(Catalogue(work / "out/first.txt").find("更新日付"), std::string::npos);
  // A profile option alone catalogues nothing.
  r = RunOrdanou({"/P:2"}, Opts());
  EXPECT_EQ(r.exitCode, 2);
}

}  // namespace
}  // namespace ordano::testing

namespace ordano::testing {
namespace {

TEST_F(Cli, ClipboardWithoutDisplayFallsBackToTheNamedFile) {
  MakeTree();
  auto r = RunOrdanou({"/O:" + (work / "out"), "/F:first.txt", work / "tree"}, Opts());
  ASSERT_EQ(r.exitCode, 0) << r.err;
  PatchSetting(1720, 1);  // SaveToClipboard
  RunOptions o = Opts();
  o.env.emplace_back("DISPLAY", "");
  o.env.emplace_back("WAYLAND_DISPLAY", "");
  r = RunOrdanou({"/O:" + (work / "out"), "/F:clip.txt", work / "tree"}, o);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.err.find("no clipboard here"), std::string::npos) << r.err;
  EXPECT_NE(Catalogue(work / "out/clip.txt").find("a.txt"), std::string::npos);
  // Without a named file there is nowhere to put it: nothing written, status 3.
  r = RunOrdanou({work / "tree"}, o);
  EXPECT_EQ(r.exitCode, 3) << r.err;
}

}  // namespace
}  // namespace ordano::testing

namespace ordano::testing {
namespace {

// A Qt platform named in the environment (offscreen in CI) is no desktop: a
// command-line run without a terminal still answers on the console side, and
// its overwrite question cannot hang on an invisible window.
TEST_F(Cli, OffscreenPlatformWithoutTerminalStaysOnTheConsole) {
  MakeTree();
  RunOptions o = Opts();
  o.env.emplace_back("QT_QPA_PLATFORM", "offscreen");
  o.timeoutSeconds = 30;
  const std::vector<std::string> args = {"/O:" + (work / "out"), "/F:q.txt", work / "tree"};
  ASSERT_EQ(RunOrdanou(args, o).exitCode, 0);
  auto r = RunOrdanou(args, o);  // the overwrite question: the safe answer, No
  EXPECT_EQ(r.exitCode, 3) << r.err;
  std::vector<std::string> yes = args;
  yes.insert(yes.begin(), "--yes");
  EXPECT_EQ(RunOrdanou(yes, o).exitCode, 0);
}

}  // namespace
}  // namespace ordano::testing

namespace ordano::testing {
namespace {

// `levels` nested folders "d" below `top`, a file every `every` levels; made
// one level at a time, as the paths get long.
void MakeDeepTree(const std::string& top, int levels, int every) {
  MakeDirs(top);
  int fd = open(top.c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(fd, 0);
  for (int i = 1; i <= levels; ++i) {
    ASSERT_EQ(mkdirat(fd, "d", 0755), 0);
    const int next = openat(fd, "d", O_RDONLY | O_DIRECTORY);
    close(fd);
    ASSERT_GE(next, 0);
    fd = next;
    if (i % every == 0) {
      const std::string name = "f" + std::to_string(i) + ".txt";
      const int f = openat(fd, name.c_str(), O_WRONLY | O_CREAT, 0644);
      ASSERT_EQ(write(f, name.data(), name.size()), static_cast<ssize_t>(name.size()));
      close(f);
    }
  }
  close(fd);
}

// Faults that used to cost a run its data silently, or the run itself. Each
// row ends with its status, says on stderr what it could not read, and
// otherwise writes every row and digest it would write without the fault.
TEST_F(Cli, RunFaultsAreToldAndCostNothingElse) {
  MakeTree();
  MakeDeepTree(work / "tree/deep", 300, 10);
  for (int i = 0; i < 60; ++i) {
    WriteFile(work / ("tree/w" + std::to_string(i % 6) + "/s" + std::to_string(i % 4) + "/f" +
                      std::to_string(i)),
              std::string(1000 + i, 'w'));
  }
  // Not readable, and not searchable (its names can be read, nothing else).
  WriteFile(work / "tree/locked/secret.txt", "s");
  WriteFile(work / "tree/noexec/f.txt", "n");
  const bool root = geteuid() == 0;
  if (root) {
    // Permission bits and process limits do not bind root: the runs that
    // need them switch to an ordinary user, one no other process runs as.
    chmod(home.path().c_str(), 0777);
    chmod(work.path().c_str(), 0755);
    chmod((work / "out").c_str(), 0777);
  }
  const int user = 40000 + static_cast<int>(getpid() % 20000);
  const std::string denied = std::strerror(EACCES);

  struct Fault {
    const char* name;
    std::vector<std::string> paths;
    std::vector<std::pair<std::string, std::string>> env;
    long long openFileLimit = -1;
    long long processLimit = -1;
    int exitCode = 0;
    std::vector<std::string> told;  // lines expected on stderr
    bool sameAsUnhindered = false;  // the catalogue of the run without the fault
    bool closeFolders = false;      // locked and noexec lose their permissions
  };
  const std::vector<Fault> faults = {
      {"no path can be read: the previous catalogue stays",
       {work / "gone", work / "tree/a.txt/x"},
       {},
       -1,
       -1,
       3,
       {work / "gone: no such file or folder", work / "tree/a.txt/x: no such file or folder"}},
      {"unreadable folders and a file out of reach are named with the reason",
       {work / "tree", work / "tree/noexec/f.txt"},
       {{"LC_ALL", "C"}},
       -1,
       -1,
       1,
       {work / "tree/noexec/f.txt: " + denied, work / "tree/locked: " + denied,
        work / "tree/noexec: " + denied},
       false,
       true},
      {"ulimit -n 8", {work / "tree"}, {}, 8, -1, 0, {}, true},
      {"ulimit -n 64 with workers",
       {work / "tree"},
       {{"ORDANO_THREADS", "8"}},
       64,
       -1,
       0,
       {},
       true},
      {"no worker thread can start",
       {work / "tree"},
       {{"ORDANO_THREADS", "16"}, {"ASAN_OPTIONS", "detect_leaks=0"}},  // LSan needs a thread
       -1,
       1,
       0,
       {},
       true},
  };

  RunOptions plain = Opts();
  plain.env.emplace_back("ORDANO_THREADS", "1");
  auto r =
      RunOrdanou({"--yes", "--md5", "/O:" + (work / "out"), "/F:plain.txt", work / "tree"}, plain);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string unhindered = Catalogue(work / "out/plain.txt");
  ASSERT_NE(unhindered.find("f300.txt"), std::string::npos);

  for (const Fault& f : faults) {
    SCOPED_TRACE(f.name);
    const std::string out = work / "out/fault.txt";
    WriteFile(out, "previous");
    RunOptions o = Opts();
    o.env.insert(o.env.end(), f.env.begin(), f.env.end());
    o.openFileLimit = f.openFileLimit;
    o.processLimit = f.processLimit;
    if (root) o.runAsUid = user;
    chmod((work / "tree/locked").c_str(), f.closeFolders ? 0 : 0755);
    chmod((work / "tree/noexec").c_str(), f.closeFolders ? 0644 : 0755);
    std::vector<std::string> args = {"--yes", "--md5", "/O:" + (work / "out"), "/F:fault.txt"};
    args.insert(args.end(), f.paths.begin(), f.paths.end());
    r = RunOrdanou(args, o);
    if (r.exitCode == kCannotDropPrivileges)
      GTEST_SKIP() << "cannot switch to an unprivileged user";
    EXPECT_EQ(r.exitCode, f.exitCode) << r.err;
    for (const std::string& line : f.told) {
      EXPECT_NE(r.err.find("ordanou: " + line + "\n"), std::string::npos) << line << "\n" << r.err;
    }
    if (f.exitCode == 3) {
      EXPECT_EQ(ReadFile(out), "previous");
      continue;
    }
    const std::string text = Catalogue(out);
    EXPECT_NE(text.find("a.txt"), std::string::npos);
    if (f.sameAsUnhindered) {
      const auto at = std::mismatch(text.begin(), text.end(), unhindered.begin(), unhindered.end());
      EXPECT_TRUE(at.first == text.end() && at.second == unhindered.end())
          << "differs at: " << std::string(at.first, text.end()).substr(0, 120)
          << "\ninstead of: " << std::string(at.second, unhindered.end()).substr(0, 120);
      EXPECT_EQ(r.err.find(": " + denied), std::string::npos) << r.err;
    }
  }
}

}  // namespace
}  // namespace ordano::testing
