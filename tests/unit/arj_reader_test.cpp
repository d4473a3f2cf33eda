#include "scan/archive/arj_reader.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "archive_fixtures.h"
#include "platform/file_handle.h"
#include "platform/unicode.h"
#include "scan/archive/archive_list.h"
#include "scan/archive/archiver_table.h"
#include "temp_dir.h"
#include "test_host.h"

namespace ordano {
namespace {

using namespace ordano::testing;

// One header: id, basic size, basic header, its CRC-32, no extended headers.
std::string ArjHeader(const std::string& basic) {
  std::string h("\x60\xEA", 2);
  PutLe16(h, static_cast<std::uint32_t>(basic.size()));
  h += basic;
  PutLe32(h, Crc32Of(basic));
  PutLe16(h, 0);
  return h;
}

struct ArjEntry {
  std::string name;
  std::string data;  // stored as is (method 0)
  int fileType = 0;  // 0 binary, 3 folder
  std::uint32_t time = DosDateTime(2021, 6, 15, 10, 20, 30);
  int hostOs = 0;                         // MS-DOS
  std::uint32_t packedSize = 0xFFFFFFFF;  // default: the data's size
};

// An ARJ archive from the published format: main header, one local header
// per member followed by its data, and the end marker.
std::string ArjArchive(const std::vector<ArjEntry>& entries) {
  std::string main;
  main += std::string("\x1e\x0b\x01\x00\x00\x00\x02\x00", 8);  // first size 30, type 2
  PutLe32(main, DosDateTime(2021, 6, 15, 10, 20, 30));
  PutLe32(main, DosDateTime(2021, 6, 15, 10, 20, 30));
  main.append(14, '\0');  // archive size, security envelope, file position, encryption, chapter
  main += std::string("t.arj\0\0", 7);
  std::string out = ArjHeader(main);
  for (const auto& e : entries) {
    std::string b;
    b.push_back(30);
    b.push_back(11);
    b.push_back(1);
    b.push_back(static_cast<char>(e.hostOs));
    b.push_back(0);  // flags
    b.push_back(0);  // stored
    b.push_back(static_cast<char>(e.fileType));
    b.push_back(0);
    PutLe32(b, e.time);
    PutLe32(b,
            e.packedSize != 0xFFFFFFFF ? e.packedSize : static_cast<std::uint32_t>(e.data.size()));
    PutLe32(b, static_cast<std::uint32_t>(e.data.size()));
    PutLe32(b, e.fileType == 3 ? 0 : Crc32Of(e.data));
    PutLe16(b, 0);
    PutLe16(b, e.fileType == 3 ? 0x10 : 0x20);
    b.push_back(0);
    b.push_back(0);
    b += e.name;
    b.push_back('\0');
    b.push_back('\0');  // no comment
    out += ArjHeader(b);
    out += e.data;
  }
  out += std::string("\x60\xEA\x00\x00", 4);
  return out;
}

std::vector<ArjMember> ReadMembers(const std::string& path) {
  UniqueFd fd = OpenForReading(path);
  EXPECT_TRUE(fd);
  ArjReader reader(fd.get());
  std::vector<ArjMember> out;
  if (!reader.Open()) return out;
  while (auto m = reader.Next()) out.push_back(*m);
  return out;
}

class ArjTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TZ", "Asia/Tokyo", 1);
    tzset();
    ctx = MakeContext(host);
    ctx->options.settings.ExpandArchives = 1;
    ctx->archivers = LoadArchivers();
  }
  std::vector<std::string> Fill(const std::string& path) {
    ctx->run.ResetForRun();
    ctx->run.Pass = 1;
    ctx->run.Capacity = 50;
    ctx->table.Create(50);
    ListArchive(*ctx, path, u"/d");
    std::vector<std::string> rows;
    for (int r = 0; r < ctx->run.EntryCount; ++r) {
      rows.push_back(Utf16ToUtf8(ctx->table.Name(r)) + " " + Utf16ToUtf8(ctx->table.SizeText(r)) +
                     " " + Utf16ToUtf8(ctx->table.ModifiedText(r)));
    }
    return rows;
  }
  TestHost host;
  std::unique_ptr<AppContext> ctx;
  TempDir dir;
};

const std::vector<ArjEntry> kEntries = {
    {"docs", "", 3}, {"docs/readme.txt", "hello readme\n"}, {"\x95\x5c.txt", "abc"}};

TEST_F(ArjTest, ReadsHeadersFromThePublishedFormat) {
  WriteFile(dir / "t.arj", ArjArchive(kEntries));
  const auto members = ReadMembers(dir / "t.arj");
  ASSERT_EQ(members.size(), 3u);
  EXPECT_EQ(members[0].fileType, 3);
  EXPECT_EQ(members[1].name, "docs/readme.txt");
  EXPECT_EQ(members[1].originalSize, 13u);
  EXPECT_EQ(members[1].compressedSize, 13u);
  EXPECT_EQ(members[1].crc, Crc32Of("hello readme\n"));
  EXPECT_EQ(members[1].dosDateTime, DosDateTime(2021, 6, 15, 10, 20, 30));

  // Folders give no row; CP932 names are decoded; MS-DOS times are local.
  EXPECT_EQ(Fill(dir / "t.arj"),
            (std::vector<std::string>{
                "t.arj (Ldocs/readme.txt) 13(100.0%[" + Crc32Hex("hello readme\n") +
                    "]) 2021.06.15(Tue) 10:20:30",
                "t.arj (L表.txt) 3(100.0%[" + Crc32Hex("abc") + "]) 2021.06.15(Tue) 10:20:30"}));
}

TEST_F(ArjTest, UnixHostsStoreUnixSecondsAndRatiosFollowThePackedSize) {
  WriteFile(dir / "u.arj", ArjArchive({{"a.txt", std::string(1000, 'a'), 0, 1623752430, 2, 250}}));
  // The stored size of 250 describes data that is not there: only headers are read.
  const auto rows = Fill(dir / "u.arj");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0], "u.arj (La.txt) 1,000(25.0%[" + Crc32Hex(std::string(1000, 'a')) +
                         "]) 2021.06.15(Tue) 19:20:30");
}

TEST_F(ArjTest, DamagedArchivesStopAtTheDamage) {
  const std::string good = ArjArchive(kEntries);
  // A self-extracting stub (with a stray header id) in front.
  WriteFile(dir / "sfx.arj",
            std::string(3000, 'M') + "\x60\xEA\x10\x00" + std::string(500, 'x') + good);
  EXPECT_EQ(ReadMembers(dir / "sfx.arj").size(), 3u);

  // A flipped byte in the second member's header fails its CRC.
  std::string bad = good;
  const auto second = bad.find("docs/readme.txt");
  bad[second + 2] ^= 0x20;
  WriteFile(dir / "crc.arj", bad);
  EXPECT_EQ(ReadMembers(dir / "crc.arj").size(), 1u);

  // Cut anywhere: never more than the whole, never a crash.
  for (std::size_t cut = 0; cut < good.size(); cut += 7) {
    WriteFile(dir / "cut.arj", good.substr(0, cut));
    EXPECT_LE(ReadMembers(dir / "cut.arj").size(), 3u) << cut;
    EXPECT_LE(Fill(dir / "cut.arj").size(), 2u) << cut;
  }

  // A basic header size beyond the format's limit, and plain text.
  std::string huge = good;
  const auto at = huge.find("\x60\xEA", 4);
  huge[at + 2] = '\xFF';
  huge[at + 3] = '\x7F';
  WriteFile(dir / "huge.arj", huge);
  EXPECT_EQ(ReadMembers(dir / "huge.arj").size(), 0u);
  WriteFile(dir / "text.arj", "just some text, no archive");
  EXPECT_TRUE(Fill(dir / "text.arj").empty());
}

TEST_F(ArjTest, ArchivesOfTheArjProgram) {
  if (std::system("command -v arj >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "the arj program (Debian package arj) is not installed";
  }
  WriteFile(dir / "src/docs/readme.txt", "hello readme\n");
  const std::string big(20000, 'z');
  WriteFile(dir / "src/big.txt", big);
  SetMtime(dir / "src/docs/readme.txt", 1623752430);
  SetMtime(dir / "src/big.txt", 1623752430);
  const std::string cmd =
      "cd '" + dir.path() + "/src' && arj a -y ../p.arj docs/readme.txt big.txt >/dev/null 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  const auto rows = Fill(dir / "p.arj");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0], "p.arj (Ldocs/readme.txt) 13(100.0%[" + Crc32Hex("hello readme\n") +
                         "]) 2021.06.15(Tue) 19:20:30");
  // 20000 bytes of "z" are compressed: a ratio well below 100 %, the CRC of the data.
  EXPECT_EQ(rows[1].substr(0, 21), "p.arj (Lbig.txt) 20,0");
  EXPECT_NE(rows[1].find("[" + Crc32Hex(big) + "]"), std::string::npos);
  EXPECT_EQ(rows[1].find("(100.0%"), std::string::npos);
}

}  // namespace
}  // namespace ordano
