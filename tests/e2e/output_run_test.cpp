// The output run of the ordanou binary when the destination or the options
// are hostile: a full disk, a FIFO, absurd widths, leftovers of killed runs,
// a path line nobody can read.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "binary_test.h"
#include "platform/unicode.h"
#include "run_binary.h"
#include "temp_dir.h"

namespace ordano::testing {
namespace {

// Field offsets in ordanou.dat.
constexpr std::size_t kAppendOutput = 1536;
constexpr std::size_t kUnify = 1548;
constexpr std::size_t kAppendNameDigits = 1624;
constexpr std::size_t kAppendDigitCount = 1628;
constexpr std::size_t kLineWidthEnabled = 22620;
constexpr std::size_t kLineWidth = 22624;

constexpr std::string_view kWriteError = "ファイルの生成または書き出しに失敗しました。";

class OutputRun : public BinaryTest {
 protected:
  void SetUp() override {
    WriteFile(work / "small/a.txt", "abc");
    MakeDirs(work / "out");
  }
  ProcessResult Run(const std::string& file, const std::string& tree, RunOptions o) {
    return RunOrdanou({"--yes", "/O:" + (work / "out"), "/F:" + file, work / tree}, o);
  }
  ProcessResult Run(const std::string& file, const std::string& tree = "small") {
    return Run(file, tree, Opts());
  }
  std::vector<std::string> OutFiles() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(work / "out")) {
      names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(OutputRun, FailedWriteLeavesThePreviousCatalogueAsItWas) {
  // 300 long names: every format's catalogue is far beyond the 40 KiB the
  // "disk" takes, the small one far below.
  for (int i = 0; i < 300; ++i) {
    WriteFile(work / ("big/" + std::to_string(1000 + i) + std::string(200, 'n')), "");
  }
  ASSERT_EQ(Run("first.txt").exitCode, 0);  // the settings file to patch
  std::filesystem::remove(work / "out/first.txt");
  RunOptions full = Opts();
  full.fileSizeLimit = 40 * 1024;

  for (const std::string file : {"c.txt", "c.csv", "c.html", "c.json"}) {
    for (const std::size_t mode : {std::size_t{0}, kUnify, kAppendOutput}) {
      SCOPED_TRACE(file + " mode " + std::to_string(mode));
      PatchSetting(kUnify, 0);
      PatchSetting(kAppendOutput, 0);
      ASSERT_EQ(Run(file).exitCode, 0);
      const std::string before = ReadFile(work / ("out/" + file));
      if (mode != 0) PatchSetting(mode, 1);
      // What a killed run left behind is removed by the next one.
      WriteFile(work / ("out/" + file + ".tmp-zzzzzzzz"), "stale");

      const ProcessResult r = Run(file, "big", full);
      EXPECT_EQ(r.exitCode, 3) << r.err;
      EXPECT_NE(r.err.find(kWriteError), std::string::npos) << r.err;
      EXPECT_NE(r.err.find("nothing written"), std::string::npos) << r.err;
      EXPECT_TRUE(ReadFile(work / ("out/" + file)) == before) << "the previous catalogue changed";
      EXPECT_EQ(OutFiles(), std::vector<std::string>{file});
      std::filesystem::remove(work / ("out/" + file));
    }
  }
}

TEST_F(OutputRun, FifoAtTheDestinationIsRefusedWithoutWaiting) {
  ASSERT_EQ(mkfifo((work / "out/c.txt").c_str(), 0644), 0);
  RunOptions o = Opts();
  o.timeoutSeconds = 20;
  const ProcessResult r = Run("c.txt", "small", o);
  EXPECT_EQ(r.exitCode, 3) << r.err;
  EXPECT_NE(r.err.find(kWriteError), std::string::npos) << r.err;
}

TEST_F(OutputRun, TypedWidthsBeyondAnyScreenAreLimited) {
  ASSERT_EQ(Run("first.txt").exitCode, 0);
  // Each width alone once asked for lines of gigabytes.
  for (const auto& [flag, field, value] :
       {std::tuple{kAppendNameDigits, kAppendDigitCount, 600000000},
        std::tuple{kAppendNameDigits, kAppendDigitCount, 1 << 30},
        std::tuple{kLineWidthEnabled, kLineWidth, 1000000000}}) {
    SCOPED_TRACE(value);
    PatchSetting(kAppendNameDigits, 0);
    PatchSetting(kLineWidthEnabled, 0);
    PatchSetting(flag, 1);
    PatchSetting(field, value);
    const ProcessResult r = Run("w.txt");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string text = Utf16Catalogue(work / "out/w.txt");
    std::size_t longest = 0;
    for (std::size_t at = 0, next; at < text.size(); at = next + 2) {
      next = text.find("\r\n", at);
      if (next == std::string::npos) next = text.size();
      longest = std::max(longest, next - at);
    }
    EXPECT_GT(longest, 10000u);  // the limit: 2 x 10,000 columns of names
    EXPECT_LT(longest, 20100u);
    EXPECT_NE(text.find("a.txt"), std::string::npos);
  }
}

TEST_F(OutputRun, SettingsTemporariesOfKilledRunsAreRemovedAtStart) {
  WriteFile(home / "ordanopu.dat.tmp-0a1b2c3d", "partial");
  WriteFile(home / "ordanou3.dat.tmp-zzzzzzzz", "partial");
  WriteFile(home / "notes.txt.tmp-0a1b2c3d", "not ours");
  ASSERT_EQ(Run("c.txt").exitCode, 0);
  EXPECT_FALSE(std::filesystem::exists(home / "ordanopu.dat.tmp-0a1b2c3d"));
  EXPECT_FALSE(std::filesystem::exists(home / "ordanou3.dat.tmp-zzzzzzzz"));
  EXPECT_TRUE(std::filesystem::exists(home / "notes.txt.tmp-0a1b2c3d"));
}

TEST_F(OutputRun, PathLineThatCannotBePrintedIsNoSuccess) {
  RunOptions o = Opts();
  o.stdoutReaderGone = true;  // ordanou ... | true
  ProcessResult r = Run("c.txt", "small", o);
  EXPECT_EQ(r.exitCode, 1) << r.err;  // not killed by SIGPIPE
  EXPECT_NE(r.err.find(work / "out/c.txt"), std::string::npos) << r.err;
  o = Opts();
  o.stdoutPath = "/dev/full";
  r = Run("c.txt", "small", o);
  EXPECT_EQ(r.exitCode, 1) << r.err;
  EXPECT_NE(Utf16Catalogue(work / "out/c.txt").find("a.txt"), std::string::npos);
}

}  // namespace
}  // namespace ordano::testing
