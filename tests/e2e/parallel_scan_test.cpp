// Digests on worker threads against the single-threaded run: the same
// catalogue bytes, also when descriptors run short.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstddef>
#include <string>
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
  // The catalogue of the tree with `threads` digest workers (1: none).
  std::string Catalogue(const std::string& threads, long long openFileLimit = -1) {
    RunOptions o = Opts();
    o.env.emplace_back("ORDANO_THREADS", threads);
    o.openFileLimit = openFileLimit;
    const std::string name = "t" + threads + "-" + std::to_string(openFileLimit) + ".txt";
    const ProcessResult r =
        RunOrdanou({"--yes", "/O:" + (work / "out"), "/F:" + name, work / "tree"}, o);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return Utf16Catalogue(work / ("out/" + name));
  }
};

TEST_F(ParallelScan, WorkersWriteTheSingleThreadedCatalogue) {
  // Sizes around the 256 KiB block, empty files, hidden files, an empty
  // folder, an HTML title, a link, files in many folders at several depths.
  for (int i = 0; i < 60; ++i) {
    const std::string folder = work / ("tree/d" + std::to_string(i % 7) + "/s" + std::to_string(i));
    const std::size_t sizes[] = {0, 1, 262143, 262144, 262145, 700000};
    WriteFile(folder + "/f" + std::to_string(i) + ".bin",
              std::string(sizes[i % 6], static_cast<char>('a' + i % 26)));
    if (i % 5 == 0) WriteFile(folder + "/.hidden" + std::to_string(i), "h");
  }
  WriteFile(work / "tree/abc.txt", "abc");
  WriteFile(work / "tree/page.html", "<html><title>T</title></html>");
  MakeDirs(work / "tree/empty");
  ASSERT_EQ(symlink("abc.txt", (work / "tree/link.txt").c_str()), 0);
  Configure({{offsetof(SettingsRecord, IncludeHidden), 1},
             {offsetof(SettingsRecord, IncludeEmptyFolders), 1},
             {offsetof(SettingsRecord, SortOrder), 4}});

  const std::string one = Catalogue("1");
  EXPECT_NE(one.find("900150983cd24fb0d6963f7d28e17f72"), std::string::npos);  // MD5 of "abc"
  EXPECT_EQ(Catalogue("2"), one);
  EXPECT_EQ(Catalogue("8"), one);
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

}  // namespace
}  // namespace ordano::testing
