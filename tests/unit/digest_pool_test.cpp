// Digests on worker threads: a cancel stops every worker at once, and a file
// that turns into a FIFO while it waits in the queue cannot hang the run.
#include "scan/digest_pool.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>

#include "platform/unicode.h"
#include "scan/scan_folder.h"
#include "temp_dir.h"
#include "test_host.h"

namespace ordano {
namespace {

using Clock = std::chrono::steady_clock;
using testing::MakeDirs;
using testing::TempDir;
using testing::TestHost;
using testing::WriteFile;

// A host that runs a hook at every pump of the filling pass.
class HookHost : public TestHost {
 public:
  std::function<void(RunState&)> hook;
  void Pump(RunState& run) override {
    TestHost::Pump(run);
    if (run.Pass == 1 && hook) hook(run);
  }
};

class DigestPoolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("ORDANO_THREADS", "2", 1);  // workers even on one core
    ctx = testing::MakeContext(host);
    ctx->options.settings.ScanToDepth = 1;
    ctx->options.settings.OmitVolumeName = 1;
    ctx->options.settings.ComputeMd5 = 1;
    root = dir / "root";
  }
  void TearDown() override { unsetenv("ORDANO_THREADS"); }

  // The filling pass alone (the table grows as rows come).
  void Fill() {
    BeginFillingPass(ctx->run, ctx->table);
    ctx->run.RootFolder = root;
    ScanFolder(*ctx, root);
  }
  static void Sparse(const std::string& path, off_t size) {
    MakeDirs(path.substr(0, path.rfind('/')));
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, size), 0);
    ::close(fd);
  }
  // Cancels once the digests have run for a while; the time from the cancel
  // to the end of the scan, when every worker has been joined.
  double MillisecondsFromCancelToEnd() {
    Clock::time_point start{}, cancelled{};
    host.hook = [&](RunState& run) {
      if (start == Clock::time_point{}) start = Clock::now();
      if (!run.CancelRequested && Clock::now() - start > std::chrono::milliseconds(300)) {
        run.CancelRequested = true;
        cancelled = Clock::now();
      }
    };
    Fill();
    EXPECT_TRUE(ctx->run.CancelRequested);
    return std::chrono::duration<double, std::milli>(Clock::now() - cancelled).count();
  }

  HookHost host;
  std::unique_ptr<AppContext> ctx;
  TempDir dir;
  std::string root;
};

TEST_F(DigestPoolTest, CancelStopsEveryWorkerWithin100Milliseconds) {
  Sparse(root + "/big.img", off_t{5} << 30);
  EXPECT_LT(MillisecondsFromCancelToEnd(), 100.0);

  ctx->run.ResetForRun();
  root = dir / "many";
  for (int i = 0; i < 10000; ++i) {
    WriteFile(root + "/d" + std::to_string(i % 50) + "/f" + std::to_string(i),
              std::string(40000, 'x'));
  }
  EXPECT_LT(MillisecondsFromCancelToEnd(), 100.0);
}

TEST_F(DigestPoolTest, FileSwappedForAFifoWhileQueuedGetsAnEmptyDigest) {
  // Both workers read the large files first; the small one waits in the queue.
  Sparse(root + "/a.img", off_t{48} << 20);
  Sparse(root + "/b.img", off_t{48} << 20);
  WriteFile(root + "/sub/queued.txt", "abc");
  const std::string queued = root + "/sub/queued.txt";
  bool swapped = false;
  host.hook = [&](RunState& run) {
    if (swapped || run.EntryCount < 3) return;  // once its row is written
    swapped = true;
    ASSERT_EQ(::unlink(queued.c_str()), 0);
    ASSERT_EQ(::mkfifo(queued.c_str(), 0644), 0);
  };
  Fill();
  ASSERT_TRUE(swapped);
  ASSERT_EQ(ctx->run.EntryCount, 3);
  for (int r = 0; r < 3; ++r) {
    const std::string name = Utf16ToUtf8(ctx->table.Name(r));
    if (name == "queued.txt") {
      EXPECT_EQ(ctx->table.Md5(r), u"");
    } else {
      EXPECT_EQ(ctx->table.Md5(r), u"f6a7b2f72130b8e4033094cb3b4ab80c") << name;  // 48 MiB of zeros
    }
  }
}

}  // namespace
}  // namespace ordano
