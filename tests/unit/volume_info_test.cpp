#include "scan/volume_info.h"

#include <gtest/gtest.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <string>

#include "catalogue_rows.h"
#include "output/cfilecus.h"
#include "output/text_writer.h"
#include "platform/unicode.h"
#include "temp_dir.h"
#include "test_host.h"

namespace ordano {
namespace {

using namespace ordano::testing;

// A mount table as the kernel writes it: "\040" for spaces, optional fields
// before the "-", stacked mounts, a path that only shares a prefix.
const char kMountInfo[] =
    "22 1 254:1 / / rw,relatime shared:1 - ext4 /dev/fakeordano1 rw\n"
    "30 22 254:2 / /mnt/data\\040disk rw,relatime shared:5 master:2 - ext4 /dev/fakeordano2 rw\n"
    "31 30 0:40 / /mnt/data\\040disk/tmp rw - tmpfs tmpfs rw,size=10k\n"
    "32 22 254:3 / /mnt/nolabel rw - xfs /dev/fakeordano3 rw\n"
    "33 22 254:3 / /mnt/data\\040diskx rw - xfs /dev/fakeordano3 rw\n"
    "34 22 0:50 / /mnt/share rw - nfs4 server:/export rw\n"
    "35 22 254:1 / /mnt/stack rw - ext4 /dev/fakeordano1 rw\n"
    "36 35 0:60 / /mnt/stack rw - tmpfs tmpfs rw\n"
    "garbage line\n"
    "37 22 254:4 / /mnt/short rw -\n";

TEST(MountInfo, ParsesEscapesAndOptionalFields) {
  const auto mounts = ParseMountInfo(kMountInfo);
  ASSERT_EQ(mounts.size(), 8u);  // the last two lines are malformed
  EXPECT_EQ(mounts[1].mountPoint, "/mnt/data disk");
  EXPECT_EQ(mounts[1].source, "/dev/fakeordano2");
  EXPECT_EQ(mounts[1].fsType, "ext4");
  EXPECT_EQ(mounts[1].major, 254u);
  EXPECT_EQ(mounts[1].minor, 2u);
  EXPECT_EQ(mounts[5].source, "server:/export");
}

class LabelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // udev's links: absolute, relative ("../../" from a folder two levels
    // below "/"), and an escaped space in the label.
    ASSERT_EQ(symlink("/dev/fakeordano1", (dir / "ROOT").c_str()), 0);
    ASSERT_EQ(dir.path().find('/', 1), dir.path().rfind('/'));  // /tmp/<name>
    ASSERT_EQ(symlink("../../dev/fakeordano2", (dir / "My\\x20Data").c_str()), 0);
  }
  std::u16string Label(const std::string& path, std::string* root = nullptr) {
    return LookupVolumeLabel(kMountInfo, dir.path(), path, root);
  }
  TempDir dir;
};

TEST_F(LabelTest, LongestMountPointAndItsDeviceLabel) {
  std::string root;
  EXPECT_EQ(Label("/home/u", &root), u"ROOT");
  EXPECT_EQ(root, "/");
  EXPECT_EQ(Label("/mnt/data disk/photos", &root), u"My Data");
  EXPECT_EQ(root, "/mnt/data disk");
  EXPECT_EQ(Label("/mnt/data disk", &root), u"My Data");
  // A block device without a label has an empty label.
  EXPECT_EQ(Label("/mnt/nolabel/x", &root), u"");
  EXPECT_EQ(root, "/mnt/nolabel");
  EXPECT_EQ(Label("/mnt/data diskx/q", &root), u"");
  EXPECT_EQ(root, "/mnt/data diskx");
}

TEST_F(LabelTest, NoBlockDeviceGivesTheMarker) {
  std::string root;
  EXPECT_EQ(Label("/mnt/data disk/tmp/y", &root), kNoVolumeLabel);
  EXPECT_EQ(root, "/mnt/data disk/tmp");
  EXPECT_EQ(Label("/mnt/share/a"), kNoVolumeLabel);
  EXPECT_EQ(Label("/mnt/stack/a"), kNoVolumeLabel);  // the later mount covers the first
  EXPECT_EQ(Label("relative/path", &root), kNoVolumeLabel);
  EXPECT_EQ(root, "");
  // udev without any label yet has no by-label folder; without udev's disk
  // folder either, labels cannot be known.
  EXPECT_EQ(LookupVolumeLabel(kMountInfo, dir / "no-such-folder", "/mnt/nolabel", nullptr), u"");
  EXPECT_EQ(LookupVolumeLabel(kMountInfo, dir / "none/by-label", "/mnt/nolabel", nullptr),
            kNoVolumeLabel);
}

class DecorateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ctx = MakeContext(host);
    ctx->options.settings.OmitVolumeName = 0;
    ctx->options.settings.OmitFolderName = 0;
    root = FileSystemRootOf(dir.path());
    ASSERT_FALSE(root.empty());
    folder = ToDisplay(dir.path());
  }
  TestHost host;
  std::unique_ptr<AppContext> ctx;
  TempDir dir;
  std::string root;
  std::u16string folder;
};

TEST_F(DecorateTest, LabelAndTheTwoOmitOptions) {
  ctx->volumeLabels[root] = u"SYSTEM";  // as if read before
  EXPECT_EQ(DecorateFolder(*ctx, folder), u"Vol:SYSTEM (L" + folder + u")");
  ctx->options.settings.OmitVolumeName = 1;
  EXPECT_EQ(DecorateFolder(*ctx, folder), folder);
  ctx->options.settings.OmitFolderName = 1;
  EXPECT_EQ(DecorateFolder(*ctx, folder), u"");
  ctx->options.settings.OmitVolumeName = 0;
  EXPECT_EQ(DecorateFolder(*ctx, folder), u"Vol:SYSTEM (L)");
  ctx->options.settings.OmitFolderName = 0;
  ctx->volumeLabels[root] = u"";
  EXPECT_EQ(DecorateFolder(*ctx, folder), u"Vol: (L" + folder + u")");
  ctx->volumeLabels[root] = kNoVolumeLabel;
  EXPECT_EQ(DecorateFolder(*ctx, folder), folder);
  ctx->options.settings.OmitVolumeName = 1;
  ctx->options.settings.OmitFolderName = 1;
  EXPECT_EQ(DecorateFolder(*ctx, folder), folder);  // no volume information: undecorated
}

TEST_F(DecorateTest, TextsThatAreNoAbsoluteFolderPassThrough) {
  ctx->volumeLabels[root] = u"SYSTEM";
  for (const std::u16string s : {u"", u"/", u"a", u"sub/dir", u"root<data>", u"Vol:X (L/a)"}) {
    EXPECT_EQ(DecorateFolder(*ctx, s), s);
  }
  // A folder that no longer exists has no volume information.
  EXPECT_EQ(DecorateFolder(*ctx, folder + u"/gone"), folder + u"/gone");
}

TEST_F(DecorateTest, LabelIsReadOncePerRoot) {
  EXPECT_EQ(ctx->volumeLabels.count(root), 0u);
  const std::u16string first = DecorateFolder(*ctx, folder);
  ASSERT_EQ(ctx->volumeLabels.count(root), 1u);
  const std::u16string label = ctx->volumeLabels[root];
  if (label == kNoVolumeLabel) {
    EXPECT_EQ(first, folder);
  } else {
    EXPECT_EQ(first, u"Vol:" + label + u" (L" + folder + u")");
  }
  // A changed medium keeps the first label read.
  ctx->volumeLabels[root] = u"CACHED";
  MakeDirs(dir / "sub");
  EXPECT_EQ(DecorateFolder(*ctx, folder + u"/sub"), u"Vol:CACHED (L" + folder + u"/sub)");
  EXPECT_EQ(ctx->volumeLabels.size(), 1u);
}

TEST(FileSystemRoot, MountPointsAndMissingPaths) {
  EXPECT_EQ(FileSystemRootOf("/"), "/");
  EXPECT_EQ(FileSystemRootOf("/proc/self"), "/proc");
  EXPECT_EQ(FileSystemRootOf("/no/such/folder"), "");
}

class CapacityTest : public ::testing::Test {
 protected:
  void SetUp() override { ctx = MakeContext(host); }
  TestHost host;
  std::unique_ptr<AppContext> ctx;
  TempDir dir;
};

TEST_F(CapacityTest, WholeDiskNotTheQuota) {
  ctx->run.CapacityTarget = dir.path();
  struct statvfs sv;
  ASSERT_EQ(statvfs(dir.path().c_str(), &sv), 0);
  const CapacityInfo cap = QueryCapacity(*ctx);
  ASSERT_TRUE(cap.ok);
  EXPECT_EQ(cap.total, static_cast<std::uint64_t>(sv.f_blocks) * sv.f_frsize);
  const std::uint64_t free = static_cast<std::uint64_t>(sv.f_bfree) * sv.f_frsize;
  const std::uint64_t slack = 256u << 20;  // other writers on the same disk
  EXPECT_LE(cap.free, free + slack);
  EXPECT_GE(cap.free + slack, free);
  EXPECT_LE(cap.free, cap.total);

  ctx->run.CapacityTarget = dir / "no-such-file";
  EXPECT_FALSE(QueryCapacity(*ctx).ok);
  ctx->run.CapacityTarget.clear();
  EXPECT_FALSE(QueryCapacity(*ctx).ok);
}

// The text catalogue places the two lines above or below the list.
TEST_F(CapacityTest, TextCatalogueLinesTopAndBottom) {
  ctx->options.settings.WriteTargetFolder = 0;
  ctx->options.settings.HideTotalLabel = 1;
  FillTable(*ctx, {{u"/d", u"a", 1, 1, 1}});
  ctx->run.CapacityRequested = true;
  ctx->run.CapacityTarget = dir.path();
  const CapacityInfo cap = QueryCapacity(*ctx);
  ASSERT_TRUE(cap.ok);
  auto lines = [&]() {
    CFileCus sink;
    sink.SetClipboardMode(true);
    EXPECT_TRUE(sink.Open({}, CFileCus::OpenMode::CreateTruncate));
    EXPECT_EQ(WriteTextCatalogue(*ctx, sink, {}), TextWriteStatus::Written);
    return SplitLines(sink.TakeCollectedText(), u"\n");
  };
  // The free bytes may move a little between two queries; the total does not.
  auto bytesOf = [](const std::u16string& line) {
    std::string digits;
    for (const char16_t c : line) {
      if (c >= u'0' && c <= u'9') digits.push_back(static_cast<char>(c));
    }
    return digits.empty() ? 0ull : std::stoull(digits);
  };
  const std::u16string totalLine =
      NameCol(u"総容量", 32) + SizeCol(FormatSize(ctx->options.settings, cap.total));

  ctx->options.settings.CapacityPlace = 0;
  auto top = lines();
  ASSERT_EQ(top.size(), 6u);  // frame, free, total, frame, the row, frame
  EXPECT_EQ(top[1].substr(0, 4), u"空き容量");
  EXPECT_LT(bytesOf(top[1]) > cap.free ? bytesOf(top[1]) - cap.free : cap.free - bytesOf(top[1]),
            256ull << 20);
  EXPECT_EQ(top[2], totalLine);
  EXPECT_EQ(top[3], top[0]);

  ctx->options.settings.CapacityPlace = 1;
  auto bottom = lines();
  ASSERT_EQ(bottom.size(), 5u);  // frame, the row, frame, free, total (no frame after)
  EXPECT_EQ(bottom[3].substr(0, 4), u"空き容量");
  EXPECT_EQ(bottom[4], totalLine);
}

}  // namespace
}  // namespace ordano
