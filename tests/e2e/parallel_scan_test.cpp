// Listings and digests on worker threads against the single-threaded run:
// the same catalogue bytes, also when descriptors run short or folders vanish.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "binary_test.h"
#include "settings/settings_record.h"

namespace ordano::testing {
namespace {

class ParallelScan : public BinaryTest {
 protected:
  // A first run writes the settings; then MD5 and the given options go on.
  void Configure(const std::vector<std::pair<std::size_t, int>>& fields) {
    MakeDirs(work / "out");
    ASSERT_EQ(RunOrdanou({"--yes", "/O:" + (work / "out"), "/F:first.txt", work / "tree"}, Opts())
                  .exitCode,
              0);
    PatchSetting(offsetof(SettingsRecord, ComputeMd5), 1);
    for (const auto& [offset, value] : fields) PatchSetting(offset, value);
  }
  // The catalogue of the tree with `threads` workers (1: none).
  std::string Catalogue(const std::string& threads, long long openFileLimit = -1,
                        std::vector<std::string> args = {}) {
    RunOptions o = Opts();
    o.env.emplace_back("ORDANO_THREADS", threads);
    o.openFileLimit = openFileLimit;
    const std::string name = "t" + threads + "-" + std::to_string(openFileLimit) + ".txt";
    args.insert(args.end(), {"--yes", "/O:" + (work / "out"), "/F:" + name, work / "tree"});
    const ProcessResult r = RunOrdanou(args, o);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return Utf16Catalogue(work / ("out/" + name));
  }
};

TEST_F(ParallelScan, WorkersWriteTheSingleThreadedCatalogue) {
  // Sizes around the 256 KiB block, empty files, hidden files and folders, an
  // empty folder, an HTML title, links to a file and to a folder, an archive,
  // old files, files in many folders at several depths.
  for (int i = 0; i < 60; ++i) {
    const std::string folder = work / ("tree/d" + std::to_string(i % 7) + "/s" + std::to_string(i));
    const std::size_t sizes[] = {0, 1, 262143, 262144, 262145, 700000};
    const std::string file = folder + "/f" + std::to_string(i) + (i % 3 ? ".bin" : ".txt");
    WriteFile(file, std::string(sizes[i % 6], static_cast<char>('a' + i % 26)));
    if (i % 4 == 0) SetMtime(file, 1000000000);
    if (i % 5 == 0) WriteFile(folder + "/.hidden" + std::to_string(i), "h");
    if (i % 9 == 0) WriteFile(folder + "/.h/deep/g" + std::to_string(i), "g");
  }
  WriteFile(work / "tree/abc.txt", "abc");
  WriteFile(work / "tree/page.html", "<html><title>T</title></html>");
  MakeDirs(work / "tree/empty");
  ASSERT_EQ(symlink("../abc.txt", (work / "tree/d0/link.txt").c_str()), 0);
  ASSERT_EQ(symlink("d3", (work / "tree/d1/to-d3").c_str()), 0);
  ASSERT_EQ(std::system(("tar -cf " + (work / "tree/d2/a.tar") + " -C " + (work / "tree") +
                         " abc.txt page.html")
                            .c_str()),
            0);
  Configure({});

  // Every option group that decides which rows a folder gives and how they
  // are ordered and printed.
  const std::vector<std::vector<std::string>> options = {
      {"--hidden", "--set", "IncludeEmptyFolders=1", "--sort", "natural"},
      {"--tree", "--depth", "2", "--sort", "size", "--reverse", "--dates"},
      {"--set", "ScanToDepth=0"},
      {"--shortcuts", "--archives", "--relative", "--sort", "created"},
      {"--pattern", "*.txt", "--set", "CharFilter=1", "--set", "CharFilterText=f1/f2/abc", "--set",
       "DropDateLimit=1", "--set", "DropDateDays=3"},
      {"--set", "IgnoreHierarchy=1", "--set", "FolderSizes=1", "--sort", "name"},
  };
  for (const auto& args : options) {
    const std::string one = Catalogue("1", -1, args);
    for (const std::string threads : {"2", "8"}) {
      const std::string many = Catalogue(threads, -1, args);
      const auto at = std::mismatch(one.begin(), one.end(), many.begin(), many.end()).first;
      EXPECT_EQ(many.size(), one.size()) << args[1];
      EXPECT_TRUE(at == one.end())
          << args[1] << " " << threads
          << " threads differ at: " << std::string(at, one.end()).substr(0, 200);
    }
  }
  EXPECT_NE(Catalogue("8").find("900150983cd24fb0d6963f7d28e17f72"), std::string::npos);
}

TEST_F(ParallelScan, RunningOutOfDescriptorsLosesNoRowAndNoDigest) {
  // Many folders of one file each: queued digests keep their folders open
  // while the walk moves on, and workers open files of their own.
  for (int i = 0; i < 120; ++i) {
    WriteFile(work / ("tree/f" + std::to_string(i) + "/x" + std::to_string(i)),
              std::string(300000 + i, static_cast<char>('a' + i % 26)));
  }
  Configure({});
  const std::string one = Catalogue("1");
  EXPECT_EQ(Catalogue("8", 64), one);
  EXPECT_EQ(Catalogue("1", 64), one);
}

TEST_F(ParallelScan, FoldersVanishingWhileWorkersListThemCostOnlyTheirRows) {
  for (int i = 0; i < 40; ++i) WriteFile(work / ("tree/keep/k" + std::to_string(i) + "/f"), "k");
  Configure({});
  // Folders made and removed over and over while the walk lists them.
  std::atomic<bool> done{false};
  std::jthread churn([&] {
    for (int round = 0; !done; ++round) {
      const std::string root = work / ("tree/churn" + std::to_string(round % 4));
      std::filesystem::remove_all(root);
      for (int i = 0; i < 30; ++i) WriteFile(root + "/c" + std::to_string(i) + "/x/y", "c");
    }
  });
  for (int run = 0; run < 5; ++run) {
    const std::string text = Catalogue("8");
    for (int i = 0; i < 40; ++i) {
      EXPECT_NE(text.find("keep/k" + std::to_string(i) + "\r\n"), std::string::npos) << i;
    }
  }
  done = true;
}

}  // namespace
}  // namespace ordano::testing
