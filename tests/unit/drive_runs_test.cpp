#include "run/drive_runs.h"

#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "platform/unicode.h"
#include "scan/mount_info.h"
#include "temp_dir.h"
#include "test_host.h"

namespace ordano {
namespace {

using testing::MakeContext;
using testing::MakeDirs;
using testing::ReadFile;
using testing::TempDir;
using testing::TestHost;
using testing::WriteFile;

TEST(MountListTest, RealFileSystemsInMountOrderWithEscapedNames) {
  const std::string fixture =
      "22 27 0:21 / /proc rw,relatime - proc proc rw\n"
      "27 1 254:0 / / rw,relatime shared:1 - ext4 /dev/vda1 rw\n"
      "24 27 0:6 / /dev rw - devtmpfs devtmpfs rw\n"
      "30 27 0:27 / /tmp rw - tmpfs tmpfs rw\n"
      "31 27 0:28 / /var/lib/docker/overlay2/x/merged rw - overlay overlay rw\n"
      "40 27 8:17 / /media/me/My\\040Disk rw,nosuid shared:5 master:2 - vfat /dev/sdb1 rw\n"
      "41 27 8:33 / /mnt/back\\134slash rw - ext4 /dev/sdc1 rw\n"
      "42 27 8:49 / /home rw - ext4 /dev/sdd1 rw\n"
      "43 27 8:50 / /home rw - btrfs /dev/sdd2 rw\n"
      "44 27 0:50 / /srv/share rw - nfs4 server:/export rw\n"
      "garbage line without fields\n"
      "45 27 8:51 / /mnt/covered rw - ext4 /dev/sde1 rw\n"
      "46 27 0:51 / /mnt/covered rw - tmpfs tmpfs rw\n";
  std::vector<std::string> points, types;
  for (const auto& m : RealMounts(fixture)) {
    points.push_back(m.mountPoint);
    types.push_back(m.fsType);
  }
  EXPECT_EQ(points, (std::vector<std::string>{"/", "/media/me/My Disk", "/mnt/back\\slash", "/home",
                                              "/srv/share"}));
  // The later mount on /home is the visible one.
  EXPECT_EQ(types[3], "btrfs");
  EXPECT_EQ(DriveText({"/media/me/My Disk", u"USB"}), u"/media/me/My Disk [USB]");
  EXPECT_EQ(DriveText({"/", u""}), u"/");
}

class DriveRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ctx = MakeContext(host);
    ctx->settings.ScanToDepth = 1;
    ctx->settings.OmitVolumeName = 1;
  }
  // Runs `run` with the catalogue written as JSON; its entries as "folder|name|link".
  template <class Run>
  std::vector<std::string> Rows(Run run, RunOutcome expect = RunOutcome::Written) {
    SaveDialogState answer;
    answer.folder = out.path();
    answer.fileName = out / "c.json";
    host.saveAnswers = {answer};
    std::filesystem::remove(out / "c.json");
    const RunResult r = run();
    EXPECT_EQ(r.outcome, expect);
    std::vector<std::string> rows;
    if (r.outcome != RunOutcome::Written) return rows;
    json = nlohmann::json::parse(ReadFile(out / "c.json"));
    for (const auto& e : json["entries"]) {
      rows.push_back(e["folder"].get<std::string>() + "|" + e["name"].get<std::string>() + "|" +
                     e["link_path"].get<std::string>());
    }
    return rows;
  }

  TestHost host;
  std::unique_ptr<AppContext> ctx;
  TempDir dir, out;
  nlohmann::json json;
};

TEST_F(DriveRunTest, WholeDriveIsRelativeToItsRootAndHonoursScanToDepth) {
  WriteFile(dir / "drive/a.txt", "a");
  WriteFile(dir / "drive/sub/b.txt", "bb");
  ctx->settings.RelativeOutput = 1;
  const std::string root = dir / "drive";
  EXPECT_EQ(Rows([&] { return WholeDriveRun(*ctx, root + "/"); }),
            (std::vector<std::string>{"|a.txt|a.txt", "sub|b.txt|sub/b.txt"}));
  // The capacity of the catalogued file system is part of a whole-drive catalogue.
  EXPECT_TRUE(json.contains("capacity"));
  EXPECT_FALSE(ctx->run.CapacityRequested);

  ctx->settings.ScanToDepth = 0;
  EXPECT_EQ(Rows([&] { return WholeDriveRun(*ctx, root); }),
            (std::vector<std::string>{"|a.txt|a.txt"}));
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(DriveRunTest, NothingListedGivesTheMessageAndNoOutput) {
  MakeDirs(dir / "empty/sub");
  for (const std::string& root : {dir / "empty", dir / "gone"}) {
    host.messages.clear();
    Rows([&] { return WholeDriveRun(*ctx, root); }, RunOutcome::NothingListed);
    ASSERT_EQ(host.messages.size(), 1u) << root;
    EXPECT_EQ(host.messages[0].text, u"該当ドライブがないか該当ドライブにファイルがありません。");
    EXPECT_EQ(host.messages[0].caption, u"Ordano");
    EXPECT_EQ(host.messages[0].icon, MsgIcon::Warning);
  }
  const std::vector<std::string> none;
  Rows([&] { return FolderListRun(*ctx, none); }, RunOutcome::NothingListed);
  EXPECT_TRUE(host.saveRequests.empty());
  EXPECT_FALSE(std::filesystem::exists(out / "c.json"));
}

TEST_F(DriveRunTest, FolderListInOrderTwiceListedTwiceAndGoneFolderSilent) {
  WriteFile(dir / "one/x.txt", "x");
  WriteFile(dir / "two/y.txt", "yy");
  const std::vector<std::string> list{dir / "two", dir / "gone", dir / "one/", dir / "two"};
  const auto rows = Rows([&] { return FolderListRun(*ctx, list); });
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_NE(rows[0].find("|y.txt|"), std::string::npos);
  EXPECT_NE(rows[1].find("|x.txt|"), std::string::npos);
  EXPECT_EQ(rows[2], rows[0]);
  EXPECT_TRUE(host.messages.empty());
  // A folder-list run asks for no capacity.
  EXPECT_FALSE(json.contains("capacity"));
}

TEST_F(DriveRunTest, DropsOnTheDrivePages) {
  WriteFile(dir / "f/file.txt", "x");
  std::vector<std::u16string> list{u"/kept"};
  const std::vector<std::string> dropped{dir / "f/file.txt", dir / "f/", dir / "gone",
                                         "/" + std::string(2600, 'x'), dir.path()};
  EXPECT_TRUE(AppendDroppedFolders(list, dropped));
  EXPECT_EQ(list,
            (std::vector<std::u16string>{u"/kept", ToDisplay(dir / "f"), ToDisplay(dir.path())}));

  // The whole-drive page takes exactly one item, and keeps its file system's root.
  const std::vector<std::string> one{dir / "f/file.txt"};
  const auto root = WholeDriveDropRoot(*ctx, one);
  ASSERT_TRUE(root.has_value());
  EXPECT_EQ(dir.path().rfind(*root == "/" ? "/" : *root + "/", 0), 0u) << *root;
  EXPECT_TRUE(host.messages.empty());
  EXPECT_FALSE(WholeDriveDropRoot(*ctx, dropped).has_value());
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, u"ファイルは1つだけドロップしてください。");
}

// A real file system mounted below the root, in a mount namespace of this test
// process only (needs root; skipped otherwise).
TEST_F(DriveRunTest, WholeDriveDoesNotEnterOtherFileSystemsBelowItsRoot) {
  if (geteuid() != 0 || unshare(CLONE_NEWNS) != 0 ||
      mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
    GTEST_SKIP() << "no private mount namespace here (needs root)";
  }
  const std::string root = dir / "drive";
  MakeDirs(root);
  if (mount("none", root.c_str(), "tmpfs", 0, "size=1m") != 0) {
    GTEST_SKIP() << "tmpfs cannot be mounted here";
  }
  WriteFile(root + "/a.txt", "a");
  WriteFile(root + "/sub/b.txt", "b");
  MakeDirs(root + "/inner");
  ASSERT_EQ(mount("none", (root + "/inner").c_str(), "tmpfs", 0, "size=1m"), 0);
  WriteFile(root + "/inner/c.txt", "c");
  ctx->settings.RelativeOutput = 1;
  ctx->settings.ReadShortcuts = 1;
  std::filesystem::create_directory_symlink(root + "/inner", root + "/sub/link");
  const auto rows = Rows([&] { return WholeDriveRun(*ctx, root); });
  EXPECT_EQ(rows, (std::vector<std::string>{"|a.txt|a.txt", "sub|b.txt|sub/b.txt"}));
  // A drop of the same folder does enter it.
  ctx->settings.ReadShortcuts = 0;
  const std::vector<std::string> dropped{root};
  ASSERT_TRUE(DropRunScan(*ctx, dropped));
  EXPECT_EQ(ctx->run.EntryCount, 3) << "a.txt, sub/b.txt and inner/c.txt";
  ctx->table.Release();
  umount2((root + "/inner").c_str(), MNT_DETACH);
  umount2(root.c_str(), MNT_DETACH);
}

}  // namespace
}  // namespace ordano
