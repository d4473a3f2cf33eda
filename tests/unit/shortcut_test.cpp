#include "scan/shortcut.h"

#include <gtest/gtest.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/unicode.h"
#include "run/run_driver.h"
#include "scan/scan_folder.h"
#include "scan/shell_link.h"
#include "scan/volume_info.h"
#include "temp_dir.h"
#include "test_host.h"

namespace ordano {
namespace {

using namespace ordano::testing;

void Le16(std::string& s, std::uint32_t v) {
  s.push_back(static_cast<char>(v & 0xFF));
  s.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void Le32(std::string& s, std::uint32_t v) {
  Le16(s, v & 0xFFFF);
  Le16(s, v >> 16);
}
std::string Utf16z(std::u16string_view t) {
  std::string out;
  for (const char16_t c : t) Le16(out, c);
  Le16(out, 0);
  return out;
}

struct LnkParts {
  bool idList = true;
  std::optional<std::u16string> localBase;  // LinkInfo with VolumeIDAndLocalBasePath
  std::u16string suffix;                    // CommonPathSuffix
  bool unicodeLinkInfo = true;              // header 0x24 with Unicode paths
  std::optional<std::u16string> relative;   // RELATIVE_PATH
  bool unicodeStrings = true;               // IsUnicode
  std::u16string name = u"a comment";       // NAME_STRING, before RELATIVE_PATH

  LnkParts& Rel(std::u16string r) {
    relative = std::move(r);
    return *this;
  }
  LnkParts& Base(std::u16string b, std::u16string s = {}) {
    localBase = std::move(b);
    suffix = std::move(s);
    return *this;
  }
  LnkParts& NoIdList() {
    idList = false;
    return *this;
  }
  LnkParts& CodePageLinkInfo() {
    unicodeLinkInfo = false;
    return *this;
  }
  LnkParts& CodePageStrings() {
    unicodeStrings = false;
    return *this;
  }
};

// A shell link from the published binary format.
std::string MakeLnk(const LnkParts& parts) {
  std::uint32_t flags = 0x04;  // HasName
  if (parts.idList) flags |= 0x01;
  if (parts.localBase) flags |= 0x02;
  if (parts.relative) flags |= 0x08;
  if (parts.unicodeStrings) flags |= 0x80;
  std::string out;
  Le32(out, 0x4C);
  out += std::string("\x01\x14\x02\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46", 16);
  Le32(out, flags);
  Le32(out, 0x20);       // FILE_ATTRIBUTE_ARCHIVE
  out.append(24, '\0');  // creation, access, write times
  Le32(out, 1234);       // file size
  Le32(out, 0);          // icon index
  Le32(out, 1);          // SW_SHOWNORMAL
  out.append(12, '\0');  // hot key, reserved
  if (parts.idList) {
    std::string items;
    Le16(items, 6);
    items += "\x1f\x50\xAB\xCD";
    Le16(items, 0);  // terminal item
    Le16(out, static_cast<std::uint32_t>(items.size()));
    out += items;
  }
  if (parts.localBase) {
    const std::uint32_t headerSize = parts.unicodeLinkInfo ? 0x24 : 0x1C;
    std::string volume;
    Le32(volume, 0x11);
    Le32(volume, 3);  // DRIVE_FIXED
    Le32(volume, 0x12345678);
    Le32(volume, 0x10);
    volume.push_back('\0');
    const std::string ansiBase = EncodeCodePage(kCodePageSystem, *parts.localBase) + '\0';
    const std::string ansiSuffix = EncodeCodePage(kCodePageSystem, parts.suffix) + '\0';
    const std::uint32_t volumeAt = headerSize;
    const std::uint32_t baseAt = volumeAt + static_cast<std::uint32_t>(volume.size());
    const std::uint32_t suffixAt = baseAt + static_cast<std::uint32_t>(ansiBase.size());
    const std::uint32_t baseUAt = suffixAt + static_cast<std::uint32_t>(ansiSuffix.size());
    const std::string baseU = Utf16z(*parts.localBase);
    const std::uint32_t suffixUAt = baseUAt + static_cast<std::uint32_t>(baseU.size());
    const std::string suffixU = Utf16z(parts.suffix);
    std::string body = volume + ansiBase + ansiSuffix;
    if (parts.unicodeLinkInfo) body += baseU + suffixU;
    std::string info;
    Le32(info, headerSize + static_cast<std::uint32_t>(body.size()));
    Le32(info, headerSize);
    Le32(info, 1);  // VolumeIDAndLocalBasePath
    Le32(info, volumeAt);
    Le32(info, baseAt);
    Le32(info, 0);
    Le32(info, suffixAt);
    if (parts.unicodeLinkInfo) {
      Le32(info, baseUAt);
      Le32(info, suffixUAt);
    }
    out += info + body;
  }
  // The count is of code units: UTF-16 units, or bytes in the code page.
  auto counted = [&](std::u16string_view text) {
    if (parts.unicodeStrings) {
      Le16(out, static_cast<std::uint32_t>(text.size()));
      for (const char16_t c : text) Le16(out, c);
    } else {
      const std::string bytes = EncodeCodePage(kCodePageSystem, text);
      Le16(out, static_cast<std::uint32_t>(bytes.size()));
      out += bytes;
    }
  };
  counted(parts.name);
  if (parts.relative) counted(*parts.relative);
  Le32(out, 0);  // no extra data blocks
  return out;
}

std::string Real(const std::string& path) {
  char buf[PATH_MAX];
  return realpath(path.c_str(), buf) ? buf : "";
}

class ShortcutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ctx = MakeContext(host);
    WriteFile(dir / "other/t.txt", "target");
    MakeDirs(dir / "links");
    MakeDirs(dir / "folder/sub");
    target = Real(dir / "other/t.txt");
  }
  std::string Resolve(const std::string& path) { return ResolveShortcut(*ctx, path); }
  TestHost host;
  std::unique_ptr<AppContext> ctx;
  TempDir dir;
  std::string target;
};

TEST_F(ShortcutTest, SymbolicLinks) {
  ASSERT_EQ(symlink("../other/t.txt", (dir / "links/file").c_str()), 0);
  ASSERT_EQ(symlink((dir / "folder").c_str(), (dir / "links/folder").c_str()), 0);
  ASSERT_EQ(symlink("nowhere", (dir / "links/dangling").c_str()), 0);
  ASSERT_EQ(symlink("loop2", (dir / "links/loop1").c_str()), 0);
  ASSERT_EQ(symlink("loop1", (dir / "links/loop2").c_str()), 0);
  EXPECT_EQ(Resolve(dir / "links/file"), target);  // relative to the link's folder
  EXPECT_EQ(Resolve(dir / "links/folder"), Real(dir / "folder"));
  EXPECT_EQ(Resolve(dir / "links/dangling"), "");
  EXPECT_EQ(Resolve(dir / "links/loop1"), "");
  EXPECT_EQ(Resolve(dir / "other/t.txt"), "");  // no link at all
  EXPECT_EQ(Resolve(dir / "links/missing"), "");
}

TEST_F(ShortcutTest, LnkWithRelativePathInAnyLetterCase) {
  WriteFile(dir / "links/t.lnk", MakeLnk(LnkParts().Rel(u"..\\other\\t.txt")));
  WriteFile(dir / "links/T.LNK", MakeLnk(LnkParts().Rel(u"..\\other\\t.txt")));
  WriteFile(dir / "links/f.Lnk", MakeLnk(LnkParts().NoIdList().Rel(u".\\..\\folder\\sub")));
  WriteFile(dir / "links/t.lnkx", MakeLnk(LnkParts().Rel(u"..\\other\\t.txt")));
  EXPECT_EQ(Resolve(dir / "links/t.lnk"), target);
  EXPECT_EQ(Resolve(dir / "links/T.LNK"), target);
  EXPECT_EQ(Resolve(dir / "links/f.Lnk"), Real(dir / "folder/sub"));
  EXPECT_EQ(Resolve(dir / "links/t.lnkx"), "");  // not a shortcut name
  // Code-page strings (no IsUnicode) are CP932.
  WriteFile(dir / "other/日本.txt", "x");
  WriteFile(dir / "links/a.lnk", MakeLnk(LnkParts().Rel(u"..\\other\\日本.txt").CodePageStrings()));
  EXPECT_EQ(Resolve(dir / "links/a.lnk"), Real(dir / "other/日本.txt"));
  // A relative path to nothing here, and none at all.
  WriteFile(dir / "links/gone.lnk", MakeLnk(LnkParts().Rel(u"..\\other\\gone.txt")));
  WriteFile(dir / "links/bare.lnk", MakeLnk(LnkParts()));
  EXPECT_EQ(Resolve(dir / "links/gone.lnk"), "");
  EXPECT_EQ(Resolve(dir / "links/bare.lnk"), "");
}

TEST_F(ShortcutTest, LnkWithLocalBasePath) {
  // A drive path is taken below the root of the file system the link is on.
  const std::string root = FileSystemRootOf(dir / "links");
  ASSERT_FALSE(root.empty());
  std::string below = target.substr(root == "/" ? 1 : root.size() + 1);
  std::u16string windows = u"C:\\" + ToDisplay(below);
  std::replace(windows.begin(), windows.end(), u'/', u'\\');
  WriteFile(dir / "links/u.lnk", MakeLnk(LnkParts().Base(windows)));
  EXPECT_EQ(Resolve(dir / "links/u.lnk"), target);
  // The code-page form of the link info, with the path split into base and suffix.
  const auto cut = windows.rfind(u'\\');
  WriteFile(
      dir / "links/a.lnk",
      MakeLnk(
          LnkParts().Base(windows.substr(0, cut + 1), windows.substr(cut + 1)).CodePageLinkInfo()));
  EXPECT_EQ(Resolve(dir / "links/a.lnk"), target);
  // A path written on this system stands as it is.
  WriteFile(dir / "links/p.lnk", MakeLnk(LnkParts().Base(ToDisplay(target))));
  EXPECT_EQ(Resolve(dir / "links/p.lnk"), target);
  // The relative path is preferred; a missing one falls back to the base path.
  WriteFile(dir / "links/both.lnk",
            MakeLnk(LnkParts().Base(u"C:\\no\\such\\file.txt").Rel(u"..\\other\\t.txt")));
  EXPECT_EQ(Resolve(dir / "links/both.lnk"), target);
  WriteFile(dir / "links/fallback.lnk", MakeLnk(LnkParts().Base(windows).Rel(u"..\\gone")));
  EXPECT_EQ(Resolve(dir / "links/fallback.lnk"), target);
  WriteFile(dir / "links/none.lnk", MakeLnk(LnkParts().Base(u"C:\\no\\such\\file.txt")));
  EXPECT_EQ(Resolve(dir / "links/none.lnk"), "");
  WriteFile(dir / "links/unc.lnk", MakeLnk(LnkParts().Base(u"\\\\server\\share\\t.txt")));
  EXPECT_EQ(Resolve(dir / "links/unc.lnk"), "");
}

TEST_F(ShortcutTest, DamagedLnkFilesResolveToNothing) {
  const std::string good = MakeLnk(LnkParts().Base(u"C:\\x\\y.txt").Rel(u"..\\other\\t.txt"));
  // Every cut ends inside a structure the flags announce.
  for (std::size_t cut = 0; cut < good.size() - 4; ++cut) {
    WriteFile(dir / "links/cut.lnk", good.substr(0, cut));
    ASSERT_EQ(Resolve(dir / "links/cut.lnk"), "") << cut;
  }
  WriteFile(dir / "links/full.lnk", good);
  EXPECT_EQ(Resolve(dir / "links/full.lnk"), target);

  // Sizes and offsets that point far beyond the file.
  auto patched = [&](std::size_t at, std::string bytes) {
    std::string s = good;
    s.replace(at, bytes.size(), bytes);
    return s;
  };
  const std::size_t idListAt = 0x4C;
  const std::size_t infoAt = idListAt + 2 + 8;
  for (const auto& bad :
       {patched(idListAt, "\xFF\xFF"), patched(infoAt, "\xFF\xFF\xFF\x7F"),
        patched(infoAt + 16, "\xFF\xFF\xFF\x7F"), patched(infoAt + 28, "\xF0\xFF\xFF\xFF"),
        patched(4, "\x02"), patched(0, "\x4D")}) {
    WriteFile(dir / "links/bad.lnk", bad);
    const std::string r = Resolve(dir / "links/bad.lnk");
    EXPECT_TRUE(r.empty() || r == target);
  }
  // An offset outside the link info with a good relative path still resolves.
  WriteFile(dir / "links/off.lnk", patched(infoAt + 16, "\xFF\xFF\xFF\x7F"));
  EXPECT_EQ(Resolve(dir / "links/off.lnk"), target);
  // A huge file is read only up to its first MiB.
  WriteFile(dir / "links/huge.lnk", good + std::string(3u << 20, '\xEE'));
  EXPECT_EQ(Resolve(dir / "links/huge.lnk"), target);
  // Not a file at all.
  MakeDirs(dir / "links/dir.lnk");
  EXPECT_EQ(Resolve(dir / "links/dir.lnk"), "");
}

TEST(ShellLink, ParsedParts) {
  const auto link = ParseShellLink(std::span(reinterpret_cast<const unsigned char*>(""), 0));
  EXPECT_FALSE(link.has_value());
  const std::string bytes = MakeLnk(LnkParts().Base(u"C:\\dir\\", u"file.txt").Rel(u".\\file.txt"));
  const auto parsed =
      ParseShellLink(std::span(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()));
  ASSERT_TRUE(parsed.has_value());
  EXPECT_EQ(parsed->localPath, u"C:\\dir\\file.txt");
  EXPECT_EQ(parsed->relativePath, u".\\file.txt");
}

// Loops through shortcuts end at the folder already being scanned.
class ShortcutLoopTest : public ShortcutTest {
 protected:
  std::vector<std::string> Scan(const std::string& root) {
    ctx->options.settings.ReadShortcuts = 1;
    ctx->options.settings.ScanToDepth = 1;
    RunState& run = ctx->run;
    run.ResetForRun();
    run.DepthLimit = -1;
    run.RootFolder = root;
    ScanFolder(*ctx, root);
    EXPECT_EQ(run.CurrentDepth, 0);
    run.Pass = 1;
    run.Capacity = run.EntryCount + 1000;
    ctx->table.Create(run.Capacity);
    run.EntryCount = 0;
    ScanFolder(*ctx, root);
    EXPECT_EQ(run.CurrentDepth, 0);
    std::vector<std::string> names;
    for (int r = 0; r < run.EntryCount; ++r) names.push_back(Utf16ToUtf8(ctx->table.Name(r)));
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(ShortcutLoopTest, LinkToItsOwnParentAndLinksToEachOther) {
  const std::string root = dir / "tree";
  WriteFile(root + "/a/x.txt", "x");
  WriteFile(root + "/b/y.txt", "y");
  ASSERT_EQ(symlink("..", (root + "/a/up").c_str()), 0);
  WriteFile(root + "/a/tob.lnk", MakeLnk(LnkParts().Rel(u"..\\b")));
  WriteFile(root + "/b/toa.lnk", MakeLnk(LnkParts().Rel(u"..\\a")));
  WriteFile(root + "/b/self.lnk", MakeLnk(LnkParts().Rel(u".")));
  const auto names = Scan(root);
  // Every walk ends; each file is reached at most once per way into its folder.
  EXPECT_GE(std::count(names.begin(), names.end(), "x.txt"), 1);
  EXPECT_GE(std::count(names.begin(), names.end(), "y.txt"), 1);
  EXPECT_LE(names.size(), 8u);
  for (const auto& n : names) EXPECT_EQ(n.find(".lnk"), std::string::npos) << n;
}

TEST_F(ShortcutLoopTest, DroppedShortcuts) {
  WriteFile(dir / "folder/sub/in.txt", "in");
  WriteFile(dir / "drop/folder.lnk", MakeLnk(LnkParts().Rel(u"..\\folder\\sub")));
  WriteFile(dir / "drop/file.lnk", MakeLnk(LnkParts().Rel(u"..\\other\\t.txt")));
  ctx->settings.ReadShortcuts = 1;
  const std::vector<std::string> paths = {dir / "drop/folder.lnk", dir / "drop/file.lnk"};
  ASSERT_TRUE(DropRunScan(*ctx, paths));
  std::vector<std::string> names;
  for (int r = 0; r < ctx->run.EntryCount; ++r) names.push_back(Utf16ToUtf8(ctx->table.Name(r)));
  // The folder is scanned in place of its shortcut, the file replaces its name.
  EXPECT_EQ(names, (std::vector<std::string>{"in.txt", "t.txt"}));
  ctx->table.Release();
}

}  // namespace
}  // namespace ordano
