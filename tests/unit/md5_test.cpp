#include "scan/md5.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "scan/digest_file.h"
#include "temp_dir.h"
#include "test_host.h"

namespace ordano {
namespace {

using testing::MakeContext;
using testing::TempDir;
using testing::TestHost;
using testing::WriteFile;

constexpr std::size_t kBlock = 262144;

std::string Hex(std::string_view bytes) {
  MD5 md5;
  md5.update(bytes.data(), bytes.size());
  md5.finalize();
  return md5.hex_digest();
}

std::string RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 gen(seed);
  std::string s(size, '\0');
  for (auto& c : s) c = static_cast<char>(gen() & 0xff);
  return s;
}

// md5sum's answer for a file, read through stdin so the name needs no escaping.
std::u16string Md5sum(const std::string& path) {
  const std::string cmd = "/usr/bin/md5sum < '" + path + "'";
  FILE* pipe = ::popen(cmd.c_str(), "r");
  if (pipe == nullptr) return u"popen failed";
  char line[128] = {};
  const bool ok = std::fgets(line, sizeof line, pipe) != nullptr;
  ::pclose(pipe);
  if (!ok) return u"no output";
  const std::string hex(line, 32);
  return std::u16string(hex.begin(), hex.end());
}

// Records the progress text each time the digest pumps.
class RecordingHost : public TestHost {
 public:
  std::vector<std::u16string> statuses;
  void Pump(RunState& run) override {
    statuses.push_back(run.Md5StatusText);
    TestHost::Pump(run);
  }
};

TEST(MD5, Rfc1321TestSuite) {
  EXPECT_EQ(Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(Hex("a"), "0cc175b9c0f1b6a831c399e269772661");
  EXPECT_EQ(Hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(Hex("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
  EXPECT_EQ(Hex("abcdefghijklmnopqrstuvwxyz"), "c3fcd3d76192e4007dfb496cca67e13b");
  EXPECT_EQ(Hex("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
            "d174ab98d277d9f5a5611c2c9f419d9f");
  EXPECT_EQ(Hex("1234567890123456789012345678901234567890"
                "1234567890123456789012345678901234567890"),
            "57edf4a22be3c955ac49da2e2107b67a");
}

TEST(MD5, MisuseIsReportedAndIgnored) {
  MD5 md5;
  md5.update("abc", 3);

  ::testing::internal::CaptureStderr();
  EXPECT_EQ(md5.hex_digest(), "");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "MD5::hex_digest:  Can't get digest if you haven't finalized the digest!\n");

  md5.finalize();
  ::testing::internal::CaptureStderr();
  md5.update("more", 4);
  md5.update(std::span<const std::byte>{});
  md5.finalize();
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "MD5::update:  Can't update a finalized digest!\n"
            "MD5::update:  Can't update a finalized digest!\n"
            "MD5::finalize:  Already finalized this digest!\n");
  // Neither the late data nor the second finalize changed the digest.
  EXPECT_EQ(md5.hex_digest(), "900150983cd24fb0d6963f7d28e17f72");
}

TEST(MD5, PiecewiseUpdatesEqualOneShot) {
  const std::string data = RandomBytes(5000, 7);
  const std::string whole = Hex(data);
  // Sizes around the block and padding boundaries (55, 56, 63, 64, 65).
  for (std::size_t step : {1u, 3u, 7u, 55u, 56u, 63u, 64u, 65u, 127u, 129u, 1000u}) {
    MD5 md5;
    for (std::size_t at = 0; at < data.size(); at += step) {
      const std::size_t n = std::min(step, data.size() - at);
      md5.update(std::as_bytes(std::span(data.data() + at, n)));
      md5.update(data.data() + at, 0);
    }
    md5.finalize();
    EXPECT_EQ(md5.hex_digest(), whole) << "step " << step;
  }
  // Lengths whose padding needs one or two extra blocks.
  for (std::size_t len : {55u, 56u, 57u, 63u, 64u, 119u, 120u}) {
    const std::string part = data.substr(0, len);
    MD5 a;
    a.update(part.data(), 1);
    a.update(part.data() + 1, len - 1);
    a.finalize();
    EXPECT_EQ(a.hex_digest(), Hex(part)) << "length " << len;
  }
  EXPECT_EQ(Hex(std::string(56, 'a')), "3b0c8ac703f828b04c6c197006d17218");
}

TEST(DigestFile, MatchesMd5sum) {
  TempDir dir;
  TestHost host;
  auto ctx = MakeContext(host);
  const struct {
    const char* name;
    std::size_t size;
  } files[] = {{"empty", 0},
               {"one", 1},
               {"block", kBlock},
               {"block1", kBlock + 1},
               {"multi", 3 * 1024 * 1024 + 17}};
  for (const auto& f : files) {
    const std::string path = dir / f.name;
    WriteFile(path, RandomBytes(f.size, static_cast<unsigned>(f.size)));
    EXPECT_EQ(DigestFile(*ctx, path), Md5sum(path)) << f.name;
  }
  EXPECT_EQ(DigestFile(*ctx, dir / "empty"), u"d41d8cd98f00b204e9800998ecf8427e");
  // The quiet default host serves a context nobody listens to.
  AppContext quiet;
  EXPECT_EQ(DigestFile(quiet, dir / "block1"), Md5sum(dir / "block1"));
}

TEST(DigestFile, ProgressTextPerBlockAndThreePumps) {
  TempDir dir;
  RecordingHost host;
  auto ctx = MakeContext(host);
  const std::string path = dir / "three.bin";
  WriteFile(path, RandomBytes(3 * kBlock, 3));
  const std::u16string upath(path.begin(), path.end());

  EXPECT_EQ(DigestFile(*ctx, path), Md5sum(path));
  const std::u16string a = u"MD5 33.33% " + upath, b = u"MD5 66.67% " + upath,
                       c = u"MD5 100.00% " + upath;
  EXPECT_EQ(host.statuses, (std::vector<std::u16string>{a, a, a, b, b, b, c, c, c}));
  EXPECT_EQ(ctx->run.Md5StatusText, u"");

  // A block of exactly 256 KiB: one block, then the empty read ends the loop.
  host.statuses.clear();
  const std::string exact = dir / "exact.bin";
  WriteFile(exact, RandomBytes(kBlock, 4));
  const std::u16string uexact(exact.begin(), exact.end());
  EXPECT_EQ(DigestFile(*ctx, exact), Md5sum(exact));
  EXPECT_EQ(host.statuses, std::vector<std::u16string>(3, u"MD5 100.00% " + uexact));

  // An empty file reads nothing: no progress, no pumps.
  host.statuses.clear();
  ctx->run.Md5StatusText = u"stale";
  WriteFile(dir / "empty", "");
  EXPECT_EQ(DigestFile(*ctx, dir / "empty"), u"d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_TRUE(host.statuses.empty());
  EXPECT_EQ(ctx->run.Md5StatusText, u"");
}

TEST(DigestFile, PseudoFilesNeitherBlockNorReadWithoutEnd) {
  TempDir dir;
  TestHost host;
  auto ctx = MakeContext(host);
  // A FIFO (a file swapped for one between the passes) is refused, not
  // waited on. The writer gives up after a while, so a blocking open ends too.
  const std::string fifo = dir / "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::thread writer([&] {
    for (int i = 0; i < 200; ++i) {
      const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
      if (fd >= 0) {
        ::close(fd);
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  });
  const std::u16string digest = DigestFile(*ctx, fifo);
  writer.join();
  EXPECT_EQ(digest, u"");
  // A pseudo-file reports size 0 yet reads without end: only the size seen at
  // open is read. The cancel bounds the read when that rule is missing.
  host.cancelAtPump = 30;
  EXPECT_EQ(DigestFile(*ctx, "/proc/self/pagemap"), u"d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(host.pumps, 0);
}

TEST(DigestFile, CancelStopsAfterTheCurrentBlock) {
  TempDir dir;
  TestHost host;
  host.cancelAtPump = 1;
  auto ctx = MakeContext(host);
  const std::string path = dir / "big.bin";
  const std::string data = RandomBytes(4 * kBlock, 5);
  WriteFile(path, data);

  // The cancel arrives while the first block is pumped: that block is still
  // digested, the next one is read but not digested, and the loop ends.
  const std::u16string partial = DigestFile(*ctx, path);
  EXPECT_EQ(host.pumps, 3);
  const std::string first = Hex(std::string_view(data).substr(0, kBlock));
  EXPECT_EQ(partial, std::u16string(first.begin(), first.end()));
  EXPECT_EQ(ctx->run.Md5StatusText, u"");

  // Cancelled before the digest starts: nothing is pumped or digested.
  host.pumps = 0;
  EXPECT_EQ(DigestFile(*ctx, path), u"d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(host.pumps, 0);
  EXPECT_EQ(ctx->run.Md5StatusText, u"");
}

TEST(DigestFile, UnreadableGivesEmpty) {
  TempDir dir;
  TestHost host;
  auto ctx = MakeContext(host);
  ctx->run.Md5StatusText = u"stale";
  EXPECT_EQ(DigestFile(*ctx, dir / "missing.bin"), u"");
  EXPECT_EQ(ctx->run.Md5StatusText, u"");
  // A folder opens but cannot be read.
  testing::MakeDirs(dir / "folder");
  EXPECT_EQ(DigestFile(*ctx, dir / "folder"), u"");
  EXPECT_EQ(ctx->run.Md5StatusText, u"");
  EXPECT_EQ(host.pumps, 0);
}

TEST(DigestFile, FileWithoutReadPermissionGivesEmpty) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads files without read permission";
  TempDir dir;
  TestHost host;
  auto ctx = MakeContext(host);
  const std::string locked = dir / "locked.bin";
  WriteFile(locked, "secret");
  ASSERT_EQ(::chmod(locked.c_str(), 0), 0);
  EXPECT_EQ(DigestFile(*ctx, locked), u"");
}

TEST(DigestFile, NameThatIsNotUtf8IsStillDigested) {
  TempDir dir;
  RecordingHost host;
  auto ctx = MakeContext(host);
  const std::string path = dir / "bad\xff.bin";
  WriteFile(path, "contents of a badly named file");
  EXPECT_EQ(DigestFile(*ctx, path), Md5sum(path));
  ASSERT_EQ(host.statuses.size(), 3u);
  const std::u16string shown(dir.path().begin(), dir.path().end());
  EXPECT_EQ(host.statuses[0], u"MD5 100.00% " + shown + u"/bad\uFFFD.bin");
}

}  // namespace
}  // namespace ordano
