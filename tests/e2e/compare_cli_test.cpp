// --compare and --verify on catalogues the ordanou binary wrote itself.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/types.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <functional>
#include <nlohmann/json.hpp>
#include <set>
#include <string>

#include "binary_test.h"
#include "platform/unicode.h"
#include "run_binary.h"
#include "temp_dir.h"

namespace ordano::testing {
namespace {

constexpr std::size_t kComputeMd5 = 1728;
constexpr std::size_t kCsvFolderAndFile = 22704;
constexpr std::size_t kTotalCountPlace = 15752;
constexpr std::int64_t kTime = 1700000000;

class Compare : public BinaryTest {
 protected:
  // A catalogue of work/tree into work/out/<file>.
  void Catalogue(const std::string& file) {
    const auto r =
        RunOrdanou({"--yes", "/O:" + (work / "out"), "/F:" + file, work / "tree"}, Opts());
    ASSERT_EQ(r.exitCode, 0) << r.err;
  }
  ProcessResult Ordanou(std::vector<std::string> args) { return RunOrdanou(args, Opts()); }
  void File(const std::string& rel, const std::string& bytes) {
    WriteFile(work / ("tree/" + rel), bytes);
    SetMtime(work / ("tree/" + rel), kTime);
  }
  void MakeTree() {
    MakeDirs(work / "out");
    File("keep.txt", "same");
    File("edit.txt", "abcd");
    File("gone.txt", "bye");
    File("sub/move.bin", std::string(100, 'm'));
    File("touch.txt", "t");
    File("say \"hi\", ok.txt", "q");
    File("\xff\xfe.bin", "1");
    File("\xfe\xff.bin", "2");  // shown as the same name as the one above
  }
  std::string Path(const std::string& rel) { return work / ("tree/" + rel); }
};

TEST_F(Compare, FindsEveryKindOfChangeBetweenTwoCatalogues) {
  MakeTree();
  ASSERT_NO_FATAL_FAILURE(Catalogue("first.txt"));  // writes the settings to patch
  PatchSetting(kComputeMd5, 1);
  ASSERT_NO_FATAL_FAILURE(Catalogue("old.json"));

  // Only the digest can tell this edit: same size, same time.
  File("edit.txt", "wxyz");
  std::filesystem::remove(Path("gone.txt"));
  File("new.txt", "fresh");
  std::filesystem::rename(Path("sub/move.bin"), Path("moved.bin"));
  SetMtime(Path("touch.txt"), kTime + 60);
  File("\xfe\xff.bin", "3");  // its look-alike keeps its content
  ASSERT_NO_FATAL_FAILURE(Catalogue("new.json"));

  auto r = Ordanou({"--compare", work / "out/old.json", work / "out/new.json"});
  EXPECT_EQ(r.exitCode, 1) << r.err;
  EXPECT_NE(r.out.find("added      " + Path("new.txt") + "\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("removed    " + Path("gone.txt") + "\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("moved      " + Path("sub/move.bin") + " -> " + Path("moved.bin") + "\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("changed    " + Path("edit.txt") + "  (md5 "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("changed    " + Path("touch.txt") +
                       "  (modified 2023-11-14 22:13:20+00:00 -> 2023-11-14 22:14:20+00:00)"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("changed    " + Path("\xfe\xff.bin")), std::string::npos) << r.out;
  EXPECT_TRUE(r.out.ends_with("\n1 added, 1 removed, 3 changed, 1 moved; 3 unchanged\n")) << r.out;

  r = Ordanou({"--json", "--compare", work / "out/old.json", work / "out/new.json"});
  EXPECT_EQ(r.exitCode, 1);
  const auto doc = nlohmann::json::parse(r.out);
  EXPECT_EQ(doc["summary"]["changed"], 3);
  EXPECT_EQ(doc["summary"]["equal"], false);
  EXPECT_EQ(doc["differences"].size(), 6u);
  bool bytes = false;
  for (const auto& d : doc["differences"])
    bytes |= d.value("path_bytes", "").ends_with("feff2e62696e");
  EXPECT_TRUE(bytes) << r.out;

  // The same catalogue against itself, and a verify of the tree it describes.
  r = Ordanou({"--compare", work / "out/new.json", work / "out/new.json"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, "equal: 8 files\n");
  r = Ordanou({"--verify", work / "out/new.json"});
  EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
  // Verify against the old catalogue finds what compare found, by looking at the disk.
  auto v = Ordanou({"--verify", work / "out/old.json"});
  r = Ordanou({"--compare", work / "out/old.json", work / "out/new.json"});
  EXPECT_EQ(v.exitCode, 1);
  EXPECT_EQ(v.out, r.out);
}

TEST_F(Compare, CsvCatalogueMatchesItsJsonTwin) {
  MakeTree();
  ASSERT_NO_FATAL_FAILURE(Catalogue("first.txt"));
  PatchSetting(kComputeMd5, 1);
  for (const int folderColumn : {0, 1}) {
    PatchSetting(kCsvFolderAndFile, folderColumn);
    ASSERT_NO_FATAL_FAILURE(Catalogue("twin.csv"));
    ASSERT_NO_FATAL_FAILURE(Catalogue("twin.json"));
    auto r = Ordanou({"--compare", work / "out/twin.csv", work / "out/twin.json"});
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_EQ(r.out, "equal: 8 files\n");
  }
  // A changed size shows through the CSV size text ("1,000Byte").
  File("keep.txt", std::string(1000, 'k'));
  ASSERT_NO_FATAL_FAILURE(Catalogue("twin.json"));
  auto r = Ordanou({"--compare", work / "out/twin.csv", work / "out/twin.json"});
  EXPECT_NE(r.out.find("changed    " + Path("keep.txt") + "  (size 4 -> 1000; md5 "),
            std::string::npos)
      << r.out;
}

TEST_F(Compare, VerifyReportsAnUnreadableFileAndGoesOn) {
  MakeTree();
  ASSERT_NO_FATAL_FAILURE(Catalogue("first.txt"));
  PatchSetting(kComputeMd5, 1);
  ASSERT_NO_FATAL_FAILURE(Catalogue("cat.json"));
  // The run drops to an unprivileged user, so the folders must let it in.
  for (const std::string& dir : {work.path(), work / "tree", work / "out"}) {
    ::chmod(dir.c_str(), 0755);
  }
  ::chmod((work / "out/cat.json").c_str(), 0644);
  ::chmod(Path("edit.txt").c_str(), 0);
  ::chmod(Path("sub").c_str(), 0);  // a folder closed to the run: its file is not gone
  std::filesystem::remove(Path("gone.txt"));
  auto opts = Opts();
  if (::geteuid() == 0) opts.runAsUid = 65534;
  const auto r = RunOrdanou({"--verify", work / "out/cat.json"}, opts);
  ASSERT_NE(r.exitCode, kCannotDropPrivileges);
  EXPECT_EQ(r.exitCode, 1) << r.err;
  EXPECT_NE(r.out.find("unreadable " + Path("edit.txt") + " (could not be read)\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("unreadable " + Path("sub/move.bin") + " (could not be read)\n"),
            std::string::npos)
      << r.out;
  EXPECT_TRUE(r.out.ends_with("1 removed, 2 unreadable; 5 unchanged\n")) << r.out;
}

// A folder chain deeper than PATH_MAX with one file at its end, made one
// level at a time.
void MakeDeepChain(const std::string& top) {
  MakeDirs(top);
  int fd = ::open(top.c_str(), O_RDONLY | O_DIRECTORY);
  const std::string level(200, 'd');
  for (std::size_t depth = 0; depth * level.size() <= PATH_MAX; ++depth) {
    ASSERT_EQ(::mkdirat(fd, level.c_str(), 0755), 0);
    const int next = ::openat(fd, level.c_str(), O_RDONLY | O_DIRECTORY);
    ::close(fd);
    fd = next;
  }
  const int file = ::openat(fd, "end.txt", O_WRONLY | O_CREAT, 0644);
  ASSERT_EQ(::write(file, "deep", 4), 4);
  ::close(file);
  ::close(fd);
}

// --verify sees the tree as the catalogue's own run saw it: the roots it
// records are walked again with the scan's rules and the catalogue's options.
TEST_F(Compare, VerifyWalksTheRecordedRootsByTheScansRules) {
  const bool devices = ::mknod((work / "probe").c_str(), S_IFCHR | 0644, ::makedev(1, 3)) == 0;
  const auto plain = [](const std::string& root) { WriteFile(root + "/a.txt", "a"); };
  const struct {
    std::string name;
    std::vector<std::string> flags;                        // of the catalogue run (besides --md5)
    std::function<void(const std::string&)> make, change;  // before and after the catalogue
    bool withoutRoots;                                     // as an older catalogue has it
    int status;
    std::string out;  // of --verify (stderr for status 2)
  } rows[] = {
      {"added at the root and in a new folder",
       {},
       [](const std::string& r) { WriteFile(r + "/sub/a", "a"); },
       [](const std::string& r) {
         WriteFile(r + "/top.txt", "t");
         WriteFile(r + "/other/o.txt", "o");
       },
       false,
       1,
       "added      ROOT/top.txt\nadded      ROOT/other/o.txt\n2 added; 1 unchanged\n"},
      {"dangling symbolic link",
       {},
       [&](const std::string& r) {
         plain(r);
         std::filesystem::create_symlink("nowhere", r + "/dangling");
       },
       {},
       false,
       0,
       "equal: 2 files\n"},
      {"FIFO",
       {},
       [&](const std::string& r) {
         plain(r);
         ASSERT_EQ(::mkfifo((r + "/fifo").c_str(), 0644), 0);
       },
       {},
       false,
       0,
       "equal: 1 files\n"},
      {"device node",
       {},
       [&](const std::string& r) {
         plain(r);
         ASSERT_EQ(::mknod((r + "/nulldev").c_str(), S_IFCHR | 0644, ::makedev(1, 3)), 0);
       },
       {},
       false,
       0,
       "equal: 1 files\n"},
      {"--shortcuts",
       {"--shortcuts"},
       [&](const std::string& r) {
         WriteFile(r + "/sub/b.txt", "b");
         std::filesystem::create_symlink("sub/b.txt", r + "/to-file");
         std::filesystem::create_symlink("sub", r + "/to-folder");
       },
       {},
       false,
       0,
       "equal: 3 files\n"},
      {"deeper than PATH_MAX",
       {},
       [](const std::string& r) { MakeDeepChain(r); },
       {},
       false,
       0,
       "equal: 1 files\n"},
      {"--relative, roots recorded", {"--relative"}, plain, {}, false, 0, "equal: 1 files\n"},
      {"--relative, no roots recorded",
       {"--relative"},
       plain,
       {},
       true,
       2,
       "records no roots and its folders are not absolute paths"},
      {"older catalogue without roots", {}, plain, {}, true, 0, "equal: 1 files\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    if (row.name == "device node" && !devices) continue;  // mknod needs privileges
    const std::string id = std::to_string(&row - rows);
    const std::string root = work / ("v" + id), cat = work / ("v" + id + ".json");
    ASSERT_NO_FATAL_FAILURE(row.make(root));
    std::vector<std::string> args = {"--yes", "--md5", "--output", cat};
    args.insert(args.end(), row.flags.begin(), row.flags.end());
    args.push_back("v" + id);  // relative to the run's folder: recorded resolved
    const auto made = Ordanou(args);
    ASSERT_EQ(made.exitCode, 0) << made.err;
    if (row.change) row.change(root);
    if (row.withoutRoots) {
      auto doc = nlohmann::json::parse(ReadFile(cat));
      ASSERT_TRUE(doc.contains("roots"));
      doc.erase("roots");
      doc.erase("scan_options");
      WriteFile(cat, doc.dump());
    }
    auto opts = Opts();
    opts.workingDir = home.path();  // elsewhere than the catalogue's run
    const auto r = RunOrdanou({"--verify", cat}, opts);
    EXPECT_EQ(r.exitCode, row.status) << r.out << r.err;
    std::string expected = row.out;
    for (std::size_t at; (at = expected.find("ROOT")) != std::string::npos;) {
      expected.replace(at, 4, root);
    }
    if (row.status == 2) {
      EXPECT_NE(r.err.find(expected), std::string::npos) << r.err;
    } else {
      EXPECT_EQ(r.out, expected) << r.err;
    }
    if (row.withoutRoots && row.status == 0) {
      EXPECT_NE(r.err.find("records no roots"), std::string::npos) << r.err;
    }
  }

  // The verify of the device node's tree opens neither the device nor the FIFO.
  const std::string strace = "/usr/bin/strace";
  if (!devices || ::access(strace.c_str(), X_OK) != 0) GTEST_SKIP() << "no mknod or no strace";
  auto opts = Opts();
  opts.env.emplace_back("ASAN_OPTIONS", "detect_leaks=0");  // LeakSanitizer refuses ptrace
  const std::string trace = work / "opens.txt";
  const auto r = RunProgram(strace,
                            {"-f", "-e", "trace=open,openat,openat2", "-o", trace, ORDANOU_BINARY,
                             "--verify", work / "v3.json"},
                            opts);
  EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
  const std::string opened = ReadFile(trace);
  EXPECT_NE(opened.find("v3.json"), std::string::npos) << opened;
  EXPECT_EQ(opened.find("nulldev"), std::string::npos) << opened;
}

// The walk starts on the header while the entries are still read; keys after
// the entries (here more roots) still count: the walk is then done again.
TEST_F(Compare, VerifyTakesKeysAfterTheEntries) {
  const std::string root = work / "first", other = work / "second", cat = work / "cat.json";
  WriteFile(root + "/a.txt", "a");
  WriteFile(other + "/b.txt", "b");
  const auto made = Ordanou({"--yes", "--md5", "--output", cat, root});
  ASSERT_EQ(made.exitCode, 0) << made.err;
  std::string text = ReadFile(cat);
  ASSERT_TRUE(text.starts_with(R"({"format":"ordano-catalogue")")) << text;
  const std::size_t end = text.rfind('}');
  ASSERT_NE(end, std::string::npos);
  text.insert(end, R"(,"roots":[")" + other + R"("])");
  WriteFile(cat, text);
  const auto r = Ordanou({"--verify", cat});
  EXPECT_EQ(r.exitCode, 1) << r.err;
  EXPECT_EQ(r.out, "added      " + other + "/b.txt\n1 added; 1 unchanged\n") << r.err;
}

// Names may carry terminal escape sequences and line breaks: the text report
// shows them as "?" (one line per difference), the JSON report keeps them.
TEST_F(Compare, ControlCharactersInNamesNeverReachTheTerminal) {
  MakeDirs(work / "out");
  File("plain.txt", "p");
  ASSERT_NO_FATAL_FAILURE(Catalogue("old.json"));
  const std::string title = "\x1b]0;PWNED\x07.txt",
                    clear =
                        "\x1b[2J\xc2\x9b"
                        "2J.txt",
                    forged = "a\nremoved    /etc/passwd";
  for (const auto& name : {title, clear, forged}) File(name, "x");
  ASSERT_NO_FATAL_FAILURE(Catalogue("new.json"));

  auto r = Ordanou({"--compare", work / "out/old.json", work / "out/new.json"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "added      " + Path("?[2J?2J.txt") + "\n" +  //
                       "added      " + Path("?]0;PWNED?.txt") + "\n" + "added      " +
                       Path("a?removed    /etc/passwd") + "\n" + "3 added; 1 unchanged\n");

  r = Ordanou({"--json", "--compare", work / "out/old.json", work / "out/new.json"});
  const auto doc = nlohmann::json::parse(r.out);
  std::set<std::string> paths;
  for (const auto& d : doc["differences"]) paths.insert(d["path"]);
  EXPECT_EQ(paths, (std::set<std::string>{Path(title), Path(clear), Path(forged)}));

  // A parse error quotes the bytes it stopped at; the file's name is shown too.
  const std::string bad = work / "out/bad\x1b[2J.json";
  WriteFile(bad, "{\"format\":\"ab\xc2\x9b[2J\x01\"}");
  r = Ordanou({"--compare", bad, work / "out/old.json"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("bad?[2J.json: not valid JSON"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find('\x1b'), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("\xc2\x9b"), std::string::npos) << r.err;
}

// UTF-16LE with its mark, as the CSV catalogue is written.
std::string Utf16File(const std::string& utf8) {
  std::string bytes = "\xFF\xFE";
  for (const char16_t c : Utf8ToUtf16(utf8)) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  return bytes;
}

// The bytes up to the start of the last line (a cut at a line boundary).
std::string WithoutLastLine(const std::string& utf16) {
  std::size_t at = utf16.size() - 4;
  do {
    at = utf16.rfind(std::string("\r\0\n\0", 4), at - 1);
  } while (at != std::string::npos && at % 2 != 0);
  return at == std::string::npos ? std::string() : utf16.substr(0, at + 4);
}

// Each row: a catalogue file that is not a complete catalogue (or one that
// looks like one), and what --compare makes of it.
TEST_F(Compare, HostileAndCutCatalogueFiles) {
  MakeTree();
  ASSERT_NO_FATAL_FAILURE(Catalogue("good.json"));
  ASSERT_NO_FATAL_FAILURE(Catalogue("bottom.csv"));
  PatchSetting(kTotalCountPlace, 1);
  ASSERT_NO_FATAL_FAILURE(Catalogue("top.csv"));
  const std::string out = work / "out/";
  const std::string good = ReadFile(out + "good.json");
  WriteFile(out + "cut.json", good.substr(0, good.size() / 2));
  WriteFile(out + "other.json", R"({"format":"something","entries":[]})");
  WriteFile(out + "text.csv", std::string("\xFF\xFE\"\0a\0", 6));  // an open quote
  const std::string bottom = ReadFile(out + "bottom.csv");
  WriteFile(out + "no-break.csv", bottom.substr(0, bottom.size() - 4));
  WriteFile(out + "top-cut.csv", WithoutLastLine(ReadFile(out + "top.csv")));
  // Its header has four fields ending in MD5, after a long row: no field
  // outside the row may be read.
  WriteFile(out + "md5-header.csv",
            Utf16File("\"x\",\"y\",\"z\",\"w\",\"0123456789abcdef0123456789abcdef\",\"a\",\"b\","
                      "\"c\",\"d\"\r\n\"ファイル名\",\"サイズByte\",\"更新日付\",\"MD5\"\r\n"
                      "\"a.txt\",\"1Byte\",\"2024.05.01(Wed) 13:05:09\",\"\"\r\n"
                      "\"総ファイル数 1 個\",\"\",\"\",\"\"\r\n"));
  WriteFile(out + "bottom-cut.csv", WithoutLastLine(bottom));
  // A count that no memory holds, in a file that holds next to nothing.
  WriteFile(out + "sparse.json",
            R"({"format":"ordano-catalogue","version":1,"file_count":18446744073709551615,)"
            R"("entries":[)");
  ASSERT_EQ(::truncate((out + "sparse.json").c_str(), 1LL << 40), 0);
  ASSERT_EQ(::mkfifo((out + "fifo").c_str(), 0600), 0);

  const struct {
    const char* name;
    std::vector<std::string> args;
    int exit;
    std::string message;  // in stderr, or in stdout when the exit is 0
  } cases[] = {
      {"cut JSON", {"--compare", out + "good.json", out + "cut.json"}, 2, "not valid JSON at byte"},
      {"other JSON",
       {"--compare", out + "other.json", out + "good.json"},
       2,
       "not an Ordano JSON catalogue"},
      {"open quote",
       {"--compare", out + "good.json", out + "text.csv"},
       2,
       "quoted CSV field runs to the end"},
      {"no file", {"--compare", out + "good.json", out + "none.json"}, 2, "No such file"},
      {"one file", {"--compare", out + "good.json"}, 2, "takes two catalogue files"},
      {"verify cut JSON", {"--verify", out + "cut.json"}, 2, "not valid JSON"},
      {"CSV cut in its last row",
       {"--compare", out + "bottom.csv", out + "no-break.csv"},
       2,
       "no-break.csv: the last CSV row has no line break (truncated?)"},
      {"CSV cut below its top total",
       {"--compare", out + "top.csv", out + "top-cut.csv"},
       2,
       "top-cut.csv: a total row counts 8 files, but only 7 are listed with it (truncated?)"},
      {"verify CSV cut below its top total",
       {"--verify", out + "top-cut.csv"},
       2,
       "a total row counts 8 files"},
      {"CSV cut above its bottom total",
       {"--compare", out + "bottom.csv", out + "bottom-cut.csv"},
       2,
       "bottom-cut.csv: no total row"},
      {"CSV with its top total",
       {"--compare", out + "top.csv", out + "bottom.csv"},
       0,
       "equal: 8 files"},
      {"CSV header of four fields ending in MD5",
       {"--compare", out + "md5-header.csv", out + "md5-header.csv"},
       0,
       "equal: 1 files"},
      {"sparse file with a huge file_count",
       {"--compare", out + "good.json", out + "sparse.json"},
       2,
       "sparse.json: not valid JSON"},
      {"FIFO",
       {"--compare", out + "fifo", out + "good.json"},
       2,
       "fifo: a named pipe (FIFO), not a catalogue file"},
      {"verify FIFO", {"--verify", out + "fifo"}, 2, "a named pipe (FIFO)"},
      {"device",
       {"--compare", out + "good.json", "/dev/zero"},
       2,
       "/dev/zero: a device, not a catalogue file"},
      {"folder",
       {"--compare", work / "tree", out + "good.json"},
       2,
       "tree: a folder, not a catalogue file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto r = Ordanou(c.args);
    EXPECT_EQ(r.exitCode, c.exit) << r.err;
    EXPECT_NE((c.exit == 0 ? r.out : r.err).find(c.message), std::string::npos) << r.out << r.err;
    if (c.exit != 0) {
      EXPECT_EQ(r.out, "");
    }
  }
}

}  // namespace
}  // namespace ordano::testing
