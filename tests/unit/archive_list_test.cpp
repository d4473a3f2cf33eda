#include "scan/archive/archive_list.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "archive_fixtures.h"
#include "output/cfilecus.h"
#include "output/text_writer.h"
#include "platform/unicode.h"
#include "run/run_driver.h"
#include "scan/archive/archiver.h"
#include "scan/archive/archiver_table.h"
#include "scan/archive/member_headers.h"
#include "temp_dir.h"
#include "test_host.h"

namespace ordano {
namespace {

using namespace ordano::testing;

struct MemberRow {
  std::string name, sizeText, folder;
  std::uint64_t size;
  int depth;
  PackedTime modified;
};

// A host that also remembers what the progress window would show at each pump.
class StatusHost : public TestHost {
 public:
  std::vector<std::u16string> statusAtPump;
  void Pump(RunState& run) override {
    statusAtPump.push_back(run.ArchiveStatusText);
    TestHost::Pump(run);
  }
};

class ArchiveListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TZ", "Asia/Tokyo", 1);
    tzset();
    ctx = MakeContext(host);
    ctx->settings.ExpandArchives = 1;          // for drops
    ctx->options.settings.ExpandArchives = 1;  // for ListArchive called directly
    ctx->archivers = LoadArchivers();
  }

  // The filling pass over one archive into a fresh table.
  int Fill(const std::string& path, int capacity = 100, std::u16string_view folder = u"/data") {
    ctx->run.ResetForRun();
    ctx->run.Pass = 1;
    ctx->run.Capacity = capacity;
    ctx->run.CurrentDepth = 1;
    ctx->table.Create(capacity);
    return ListArchive(*ctx, path, folder);
  }

  std::vector<MemberRow> Rows() const {
    std::vector<MemberRow> rows;
    for (int r = 0; r < ctx->run.EntryCount; ++r) {
      const auto& t = ctx->table;
      rows.push_back({Utf16ToUtf8(t.Name(r)), Utf16ToUtf8(t.SizeText(r)), Utf16ToUtf8(t.Folder(r)),
                      t.Size(r), t.Depth(r), t.Modified(r)});
    }
    return rows;
  }

  std::vector<std::string> Names() const {
    std::vector<std::string> out;
    for (const auto& r : Rows()) out.push_back(r.name);
    return out;
  }

  StatusHost host;
  std::unique_ptr<AppContext> ctx;
  TempDir dir;
};

const std::string kReadme = "hello readme\n";

std::string Pattern(std::size_t n) {
  std::string s(n, '\0');
  std::uint32_t x = 12345;
  for (auto& c : s) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>(x >> 24);
  }
  return s;
}

std::vector<FixtureMember> DocsMembers() {
  return {{"docs/", "", true}, {"docs/readme.txt", kReadme}, {"b.bin", Pattern(3000)}};
}

bool HaveTool(const char* name) {
  const std::string cmd = std::string("command -v ") + name + " >/dev/null 2>&1";
  return std::system(cmd.c_str()) == 0;
}

TEST_F(ArchiveListTest, ZipMemberRowsSkipFolders) {
  const std::string zip = dir / "a.zip";
  WriteWithLibarchive(zip, "zip", "", DocsMembers(), "zip:compression=store");
  ctx->run.NameWidth = 16;
  EXPECT_EQ(Fill(zip), 2);
  const auto rows = Rows();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].name, "a.zip (Ldocs/readme.txt)");
  EXPECT_EQ(rows[0].sizeText, "13(100.0%[" + Crc32Hex(kReadme) + "])");
  EXPECT_EQ(rows[0].size, 0u);
  EXPECT_EQ(rows[0].folder, "/data");
  EXPECT_EQ(rows[0].depth, 2);
  EXPECT_EQ(rows[0].modified, PackLocalTime(1623752430));
  EXPECT_EQ(rows[1].name, "a.zip (Lb.bin)");
  EXPECT_EQ(rows[1].sizeText, "3,000(100.0%[" + Crc32Hex(Pattern(3000)) + "])");
  EXPECT_EQ(ctx->run.NameWidth, static_cast<int>(rows[0].name.size()) + 2);
  EXPECT_EQ(ctx->run.SizeTextWidth, static_cast<int>(rows[1].sizeText.size()));
  EXPECT_EQ(ctx->run.TotalSize, 0u);  // members never count into the total
  EXPECT_TRUE(ctx->run.ArchiveStatusText.empty());
}

TEST_F(ArchiveListTest, CountingPassOnlyCounts) {
  const std::string zip = dir / "a.zip";
  WriteWithLibarchive(zip, "zip", "", DocsMembers());
  ctx->run.ResetForRun();
  ctx->run.EntryCount = 5;
  EXPECT_EQ(ListArchive(*ctx, zip, u"/data"), 2);
  EXPECT_EQ(ctx->run.EntryCount, 7);
  EXPECT_FALSE(ctx->table.Allocated());
}

TEST_F(ArchiveListTest, FullTableGrowsForTheRemainingMembers) {
  const std::string zip = dir / "a.zip";
  WriteWithLibarchive(zip, "zip", "", DocsMembers());
  ctx->run.ResetForRun();
  ctx->run.Pass = 1;
  ctx->table.Create(10);
  ctx->run.Capacity = 10;
  ctx->run.EntryCount = 9;
  const int added = ListArchive(*ctx, zip, u"/data");
  EXPECT_GT(added, 1);
  EXPECT_EQ(ctx->run.EntryCount, 9 + added);
  EXPECT_EQ(ctx->run.Capacity, ctx->table.Capacity());
  EXPECT_EQ(Utf16ToUtf8(ctx->table.Name(9)), "a.zip (Ldocs/readme.txt)");
}

struct FormatCase {
  std::string file;
  std::string ratio;  // of every member: stored gives 100.0, no recorded size 0.0
  bool dosTime;       // the format keeps MS-DOS local times
};

TEST_F(ArchiveListTest, EveryReadableFormat) {
  const auto members = DocsMembers();
  std::vector<FormatCase> cases = {
      {"stored.zip", "100.0", false}, {"zip64.zip", "100.0", false}, {"a.7z", "100.0", false},
      {"a.tar", "0.0", false},        {"a.tar.gz", "0.0", false},    {"a.tar.bz2", "0.0", false},
      {"l0.lzh", "100.0", true},      {"l1.lzh", "100.0", true},     {"l2.lzh", "100.0", false},
      {"a.rar", "100.0", true},
  };
  WriteWithLibarchive(dir / "stored.zip", "zip", "", members, "zip:compression=store");
  WriteWithLibarchive(dir / "zip64.zip", "zip", "", members, "zip:compression=store,zip:zip64");
  WriteWithLibarchive(dir / "a.7z", "7zip", "", members, "7zip:compression=store");
  WriteWithLibarchive(dir / "a.tar", "ustar", "", members);
  WriteWithLibarchive(dir / "a.tar.gz", "ustar", "gzip", members);
  WriteWithLibarchive(dir / "a.tar.bz2", "ustar", "bzip2", members);
  const std::vector<LzhMember> lzh = {
      {"docs", "", ""}, {"docs", "readme.txt", kReadme}, {"", "b.bin", Pattern(3000)}};
  // Level 0 has no folder headers: its names carry the folder.
  WriteFile(dir / "l0.lzh",
            LzhArchive(0, {{"docs", "readme.txt", kReadme}, {"", "b.bin", Pattern(3000)}}));
  WriteFile(dir / "l1.lzh", LzhArchive(1, lzh));
  WriteFile(dir / "l2.lzh", LzhArchive(2, lzh));
  WriteFile(
      dir / "a.rar",
      Rar4Archive({{"docs", "", true}, {"docs\\readme.txt", kReadme}, {"b.bin", Pattern(3000)}}));
  if (HaveTool("gcab")) {
    MakeDirs(dir / "cabsrc/docs");
    WriteFile(dir / "cabsrc/docs/readme.txt", kReadme);
    WriteFile(dir / "cabsrc/b.bin", Pattern(3000));
    SetMtime(dir / "cabsrc/docs/readme.txt", 1623752430);
    SetMtime(dir / "cabsrc/b.bin", 1623752430);
    const std::string cmd =
        "cd '" + dir.path() + "/cabsrc' && gcab -c -z ../a.cab docs/readme.txt b.bin";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    // gcab writes the UTC clock time into the MS-DOS fields, shown as stored.
    cases.push_back({"a.cab", "0.0", true});
  } else {
    std::cerr << "gcab is not installed: the cabinet case is left out\n";
  }

  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    EXPECT_EQ(Fill(dir / c.file), 2);
    const auto rows = Rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].name, c.file + " (Ldocs/readme.txt)");
    EXPECT_EQ(rows[0].sizeText, "13(" + c.ratio + "%[" + Crc32Hex(kReadme) + "])");
    EXPECT_EQ(rows[1].name, c.file + " (Lb.bin)");
    EXPECT_EQ(rows[1].sizeText, "3,000(" + c.ratio + "%[" + Crc32Hex(Pattern(3000)) + "])")
        << "(sizes are grouped unless a unit is chosen)";
    const PackedTime expected =
        c.dosTime ? PackLocalFields(2021, 6, 15, 10, 20, 30) : PackLocalTime(1623752430);
    EXPECT_EQ(rows[0].modified, expected);
  }
}

TEST_F(ArchiveListTest, DeflatedZipHasARatioAndTheDataCrc) {
  const std::string zip = dir / "d.zip";
  const std::string text(20000, 'a');
  WriteWithLibarchive(zip, "zip", "", {{"t.txt", text}});
  ASSERT_EQ(Fill(zip), 1);
  const std::string sizeText = Rows()[0].sizeText;
  ASSERT_EQ(sizeText.substr(0, 7), "20,000(");
  const double ratio = std::stod(sizeText.substr(7, sizeText.find('%') - 7));
  EXPECT_GT(ratio, 0.0);  // 20000 'a' deflate to a few dozen bytes
  EXPECT_LT(ratio, 5.0);
  EXPECT_EQ(sizeText.substr(sizeText.find('%')), "%[" + Crc32Hex(text) + "])");
}

TEST_F(ArchiveListTest, EndingIsComparedLowerCased) {
  const std::string tgz = dir / "backup.TAR.GZ";
  WriteWithLibarchive(tgz, "ustar", "gzip", {{"x.txt", "x"}});
  EXPECT_EQ(Fill(tgz), 1);
  EXPECT_EQ(Names(), (std::vector<std::string>{"backup.TAR.GZ (Lx.txt)"}));
}

// gzip data as gzip writes it (one member).
std::string Gzip(std::string_view data) {
  z_stream z{};
  deflateInit2(&z, 6, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, static_cast<uLong>(data.size())), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

// A tar.gz is inflated ahead of its listing: however the gzip stream is cut
// into members, ended or damaged, the members read are those of the tar.
TEST_F(ArchiveListTest, GzipStreamsListTheirTarsMembers) {
  std::vector<FixtureMember> members;
  for (int i = 0; i < 6; ++i) {
    members.push_back({"m" + std::to_string(i) + ".bin", Pattern(200000 + 1000 * i)});
  }
  WriteWithLibarchive(dir / "plain.tar", "ustar", "", members);
  const std::string tar = ReadFile(dir / "plain.tar");
  const std::string gz = Gzip(tar);
  std::string badTrailer = gz;
  badTrailer[badTrailer.size() - 8] ^= 0x55;  // the stored CRC of the whole stream
  const std::size_t half = tar.size() / 2;

  ASSERT_EQ(Fill(dir / "plain.tar"), 6);
  std::vector<std::string> expected;
  for (const auto& r : Rows()) expected.push_back(r.name.substr(r.name.find(" (L")) + r.sizeText);
  std::string badNote = Gzip(kReadme);
  badNote[badNote.size() - 8] ^= 0x55;
  const struct {
    const char* name;
    std::string bytes;
    std::size_t rows;  // the first rows, as the plain tar's
    const char* file = "t.tar.gz";
  } cases[] = {
      {"one member", gz, 6},
      {"two members, the tar cut between them", Gzip(tar.substr(0, half)) + Gzip(tar.substr(half)),
       6},
      {"bytes after the stream", gz + "trailing bytes\n", 6},
      {"a wrong checksum in the trailer", badTrailer, 6},
      {"cut short in the fourth member", gz.substr(0, gz.size() * 62 / 100), 3},
      {"damaged after its header", gz.substr(0, 10) + std::string(5000, '\xFF'), 0},
      {"one compressed file, wrong checksum in the trailer", badNote, 0, "note.txt.gz"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir / c.file;
    WriteFile(path, c.bytes);
    const auto members = [this] {
      std::vector<std::string> out;
      for (const auto& r : Rows()) out.push_back(r.name.substr(r.name.find(" (L")) + r.sizeText);
      return out;
    };
    // On the run's thread alone, libarchive inflates: the same members.
    setenv("ORDANO_THREADS", "1", 1);
    Fill(path);
    const std::vector<std::string> alone = members();
    setenv("ORDANO_THREADS", "2", 1);
    const int listed = Fill(path);
    const std::vector<std::string> got = members();
    EXPECT_EQ(got, alone);
    ASSERT_GE(got.size(), c.rows);
    EXPECT_EQ(
        std::vector<std::string>(got.begin(), got.begin() + static_cast<long>(c.rows)),
        std::vector<std::string>(expected.begin(), expected.begin() + static_cast<long>(c.rows)));
    if (c.rows < 6) {
      EXPECT_LT(listed, 6);
    }
  }
  unsetenv("ORDANO_THREADS");
}

TEST_F(ArchiveListTest, SingleCompressedFileIsOneMember) {
  const std::string gz = dir / "notes.txt.gz";
  {
    gzFile f = gzopen(gz.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    gzwrite(f, kReadme.data(), static_cast<unsigned>(kReadme.size()));
    gzclose(f);
  }
  ASSERT_EQ(Fill(gz), 1);
  EXPECT_EQ(Names(), (std::vector<std::string>{"notes.txt.gz (Lnotes.txt)"}));
  EXPECT_EQ(Rows()[0].sizeText, "13(0.0%[" + Crc32Hex(kReadme) + "])");
  // Plain text that only has the ending is no member.
  WriteFile(dir / "plain.gz", "not compressed at all");
  EXPECT_EQ(Fill(dir / "plain.gz"), 0);
}

TEST_F(ArchiveListTest, NothingWhenOffUnknownOrWithoutLibraries) {
  const std::string zip = dir / "a.zip";
  WriteWithLibarchive(zip, "zip", "", DocsMembers());
  WriteFile(dir / "a.txt", "text");
  ctx->options.settings.ExpandArchives = 0;
  EXPECT_EQ(Fill(zip), 0);
  EXPECT_EQ(ctx->run.EntryCount, 0);
  ctx->options.settings.ExpandArchives = 1;
  EXPECT_EQ(Fill(dir / "a.txt"), 0);
  WriteFile(dir / "a.gca", "GCA");
  EXPECT_EQ(Fill(dir / "a.gca"), 0);  // no GCA reader: the row is absent
  ctx->archivers = EmptyArchiverTable();
  EXPECT_EQ(Fill(zip), 0);
  EXPECT_TRUE(host.statusAtPump.empty());
  EXPECT_TRUE(ctx->run.ArchiveStatusText.empty());
  // A context without a table probes on first use.
  ctx->archivers.reset();
  EXPECT_EQ(Fill(zip), 2);
  EXPECT_NE(ctx->archivers, nullptr);
}

TEST_F(ArchiveListTest, StatusTextWhilePumpingOncePer64Members) {
  std::vector<FixtureMember> many;
  for (int i = 0; i < 130; ++i) many.push_back({"m" + std::to_string(i) + ".txt", "x"});
  const std::string zip = dir / "0123456789abcdefXYZ.zip";
  WriteWithLibarchive(zip, "zip", "", many);
  EXPECT_EQ(Fill(zip, 200), 130);
  ASSERT_EQ(host.statusAtPump.size(), 2u);  // after members 64 and 128
  EXPECT_EQ(host.statusAtPump[0], u"UnZip獲得中:/0123456789abcde");
  EXPECT_TRUE(ctx->run.ArchiveStatusText.empty());
  EXPECT_EQ(JapaneseText(ArchiveStatusText("Tar", "x.tar")), u"Tar獲得中:x.tar");
  EXPECT_EQ(JapaneseText(ArchiveStatusText("SevenZip", "/d/日本語.7z")),
            u"SevenZip獲得中:/日本語.7z");
}

TEST_F(ArchiveListTest, CancelStopsTheMemberLoop) {
  std::vector<FixtureMember> many;
  for (int i = 0; i < 200; ++i) many.push_back({"m" + std::to_string(i), "x"});
  const std::string zip = dir / "many.zip";
  WriteWithLibarchive(zip, "zip", "", many);
  host.cancelAtPump = 1;
  EXPECT_EQ(Fill(zip, 300), 64);  // the pump after member 64 cancels
  EXPECT_TRUE(ctx->run.CancelRequested);
}

TEST_F(ArchiveListTest, MemberNamesInUtf8AndCp932) {
  const std::string name = "日本語/表.txt";  // 表 has 0x5C as its second CP932 byte
  WriteWithLibarchive(dir / "u.zip", "zip", "", {{name, "a"}});
  WriteWithLibarchive(dir / "s.zip", "zip", "", {{name, "a"}}, "zip:hdrcharset=CP932");
  // 表.txt in CP932; level 0 also has a "\" folder separator.
  WriteFile(dir / "s.lzh", LzhArchive(2, {{"\x93\xfa", "\x95\x5c.txt", "a"}}));
  WriteFile(dir / "s0.lzh", LzhArchive(0, {{"\x93\xfa", "\x95\x5c.txt", "a"}}));
  WriteFile(dir / "s.rar", Rar4Archive({{"\x93\xfa\\\x95\x5c.txt", "a"}}));
  ASSERT_EQ(Fill(dir / "u.zip"), 1);
  EXPECT_EQ(Names()[0], "u.zip (L" + name + ")");
  ASSERT_EQ(Fill(dir / "s.zip"), 1);
  EXPECT_EQ(Names()[0], "s.zip (L" + name + ")");
  for (const std::string file : {"s.lzh", "s0.lzh", "s.rar"}) {
    ASSERT_EQ(Fill(dir / file), 1) << file;
    EXPECT_EQ(Names()[0], file + " (L日/表.txt)");
    // The counting pass sees the same member.
    ctx->run.ResetForRun();
    EXPECT_EQ(ListArchive(*ctx, dir / file, u"/data"), 1) << file;
  }
  EXPECT_EQ(DecodeMemberName("\x93\xfa\x96\x7b"), u"日本");
}

TEST_F(ArchiveListTest, BadArchivesNeverCrashOrExtract) {
  // Only the ending: nothing.
  WriteFile(dir / "fake.zip", "this is no zip file");
  WriteFile(dir / "fake.7z", std::string(10, '\0'));
  WriteFile(dir / "empty.rar", "");
  EXPECT_EQ(Fill(dir / "fake.zip"), 0);
  EXPECT_EQ(Fill(dir / "fake.7z"), 0);
  EXPECT_EQ(Fill(dir / "empty.rar"), 0);

  // Truncated: the members before the cut are listed, nothing after.
  const std::string whole = dir / "whole.zip";
  std::vector<FixtureMember> three = {
      {"a.txt", Pattern(5000)}, {"b.txt", Pattern(5000)}, {"c.txt", Pattern(5000)}};
  WriteWithLibarchive(whole, "zip", "", three);
  const std::string bytes = ReadFile(whole);
  WriteFile(dir / "cut.zip", bytes.substr(0, bytes.size() / 2));
  const int n = Fill(dir / "cut.zip");
  ASSERT_GE(n, 1);
  EXPECT_LE(n, 2);
  EXPECT_EQ(Names()[0], "cut.zip (La.txt)");
  EXPECT_EQ(Rows()[0].sizeText, "5,000(0.0%[" + Crc32Hex(Pattern(5000)) + "])");
  for (const std::size_t cut : {1u, 29u, 31u, 100u, 2500u, 5100u, 8000u}) {
    WriteFile(dir / "cut2.zip", bytes.substr(0, cut));
    EXPECT_LE(Fill(dir / "cut2.zip"), 3) << cut;
  }
  const std::string lzh =
      LzhArchive(1, {{"docs", "readme.txt", kReadme}, {"", "b.bin", Pattern(3000)}});
  WriteFile(dir / "cut.lzh", lzh.substr(0, lzh.size() - 100));
  EXPECT_LE(Fill(dir / "cut.lzh"), 2);
  const std::string rar = Rar4Archive({{"a.txt", kReadme}, {"b.bin", Pattern(3000)}});
  WriteFile(dir / "cut.rar", rar.substr(0, rar.size() - 100));
  EXPECT_LE(Fill(dir / "cut.rar"), 2);

  // A member that climbs out of the folder is only a name.
  const std::string climber = "../" + dir.path().substr(dir.path().rfind('/') + 1) + "-escaped";
  WriteWithLibarchive(dir / "climb.tar", "ustar", "", {{climber, "escaped"}});
  ASSERT_EQ(Fill(dir / "climb.tar"), 1);
  EXPECT_EQ(Names()[0], "climb.tar (L" + climber + ")");
  EXPECT_NE(access((dir.path() + "/" + climber).c_str(), F_OK), 0);

  // An archive inside an archive is one member.
  WriteWithLibarchive(dir / "outer.zip", "zip", "", {{"inner.zip", ReadFile(whole)}});
  EXPECT_EQ(Fill(dir / "outer.zip"), 1);
  EXPECT_EQ(Names(), (std::vector<std::string>{"outer.zip (Linner.zip)"}));
}

TEST_F(ArchiveListTest, EncryptedMembersAreListed) {
  const std::vector<FixtureMember> secret = {{"secret.txt", kReadme}};
  // Traditional zip encryption keeps the CRC of the plain data in the headers.
  WriteWithLibarchive(dir / "zc.zip", "zip", "", secret, "zip:encryption=zipcrypt", "pw");
  ASSERT_EQ(Fill(dir / "zc.zip"), 1);
  EXPECT_EQ(Names()[0], "zc.zip (Lsecret.txt)");
  EXPECT_NE(Rows()[0].sizeText.find("[" + Crc32Hex(kReadme) + "]"), std::string::npos);
  // AES (AE-2) stores no CRC and the data cannot be read: the CRC is unknown.
  try {
    WriteWithLibarchive(dir / "aes.zip", "zip", "", secret, "zip:encryption=aes256", "pw");
  } catch (const std::exception& e) {
    GTEST_SKIP() << "this libarchive cannot write AES zip: " << e.what();
  }
  ASSERT_EQ(Fill(dir / "aes.zip"), 1);
  EXPECT_EQ(Names()[0], "aes.zip (Lsecret.txt)");
  EXPECT_NE(Rows()[0].sizeText.find("[00000000]"), std::string::npos) << Rows()[0].sizeText;
}

// Every member the 7z headers name, with the CRC they store: also when the
// data is encrypted or damaged, where nothing can be recomputed.
TEST_F(ArchiveListTest, SevenZipMembersAndCrcsComeFromTheHeaders) {
  // libarchive's writer codes the header block with LZMA.
  WriteWithLibarchive(dir / "lzma.7z", "7zip", "", DocsMembers());
  ASSERT_EQ(Fill(dir / "lzma.7z"), 2);
  EXPECT_EQ(Rows()[1].name, "lzma.7z (Lb.bin)");
  EXPECT_NE(Rows()[1].sizeText.find("[" + Crc32Hex(Pattern(3000)) + "]"), std::string::npos);

  const std::string tool = SevenZipTool();
  if (tool.empty()) GTEST_SKIP() << "7z (p7zip-full) is not installed";
  const std::string big = Pattern(200000);
  MakeDirs(dir / "src/docs");
  WriteFile(dir / "src/docs/readme.txt", kReadme);
  WriteFile(dir / "src/big.bin", big);
  WriteFile(dir / "src/empty.txt", "");
  for (const char* f : {"src/docs/readme.txt", "src/big.bin", "src/empty.txt"})
    SetMtime(dir / f, 1623752430);
  auto make = [&](const std::string& name, const std::string& switches) {
    ASSERT_TRUE(Shell("cd '" + dir.path() + "/src' && " + tool + " a -bd " + switches + " ../" +
                      name + " docs big.bin empty.txt >/dev/null"));
  };
  make("enc.7z", "-pSecret");
  make("solid.7z", "");
  make("hidden.7z", "-pSecret -mhe=on");
  // Damage the packed data of the solid block; the headers stay intact.
  std::string bytes = ReadFile(dir / "solid.7z");
  for (std::size_t i = 64; i < 4000; ++i) bytes[i] = static_cast<char>(bytes[i] ^ 0x5A);
  WriteFile(dir / "damaged.7z", bytes);
  // The same headers coded with LZMA2 (7-Zip itself codes them with LZMA).
  make("plain.7z", "-mhc=off");
  const bool lzma2 = HaveTool("python3") && Shell("cd '" + dir.path() + R"(' && python3 - <<'PY'
import lzma, struct, zlib
b = open("plain.7z", "rb").read()
off, size = struct.unpack_from("<QQ", b, 12)
header, body = b[32 + off:32 + off + size], b[32:32 + off]
packed = lzma.compress(header, format=lzma.FORMAT_RAW,
                       filters=[{"id": lzma.FILTER_LZMA2, "dict_size": 1 << 16}])
num = lambda v: bytes([v]) if v < 0x80 else b"\xff" + struct.pack("<Q", v)
enc = (b"\x17\x06" + num(len(body)) + b"\x01\x09" + num(len(packed)) + b"\x00"
       + b"\x07\x0b\x01\x00\x01\x21\x21\x01\x0a"
       + b"\x0c" + num(len(header)) + b"\x0a\x01" + struct.pack("<I", zlib.crc32(header)) + b"\x00\x00")
out = bytearray(b[:32]) + body + packed + enc
struct.pack_into("<QQI", out, 12, len(body) + len(packed), len(enc), zlib.crc32(enc))
struct.pack_into("<I", out, 8, zlib.crc32(bytes(out[12:32])))
open("lzma2.7z", "wb").write(out)
PY)");

  for (const std::string file : {"enc.7z", "damaged.7z", "lzma2.7z"}) {
    SCOPED_TRACE(file);
    if (file == "lzma2.7z" && !lzma2) continue;
    ASSERT_EQ(Fill(dir / file), 3);
    std::vector<std::string> got;
    for (const auto& r : Rows())
      got.push_back(r.name + " " + r.sizeText.substr(0, r.sizeText.find('(')) +
                    r.sizeText.substr(r.sizeText.find('[')));
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got,
              (std::vector<std::string>{file + " (Lbig.bin) 200,000[" + Crc32Hex(big) + "])",
                                        file + " (Ldocs/readme.txt) 13[" + Crc32Hex(kReadme) + "])",
                                        file + " (Lempty.txt) 0[00000000])"}));
    EXPECT_EQ(Rows()[0].modified, PackLocalTime(1623752430));
  }
  // Encrypted headers cannot be read: only the archive's own row remains.
  EXPECT_EQ(Fill(dir / "hidden.7z"), 0);
}

// A GNU sparse member whose data ends in a hole: the hole counts as zeros
// to the end, also when the counting pass of a compressed tar keeps the CRC.
TEST_F(ArchiveListTest, SparseMemberEndingInAHole) {
  if (!Shell("tar --version 2>/dev/null | grep -q 'GNU tar'")) GTEST_SKIP() << "no GNU tar";
  std::string content = "head data";
  content.resize(3000000, '\0');
  WriteFile(dir / "sp", "head data");
  ASSERT_EQ(truncate((dir / "sp").c_str(), 3000000), 0);
  ASSERT_TRUE(Shell("cd '" + dir.path() +
                    "' && tar --sparse -cf s.tar sp && tar --sparse -czf s.tar.gz sp"));
  ASSERT_EQ(Fill(dir / "s.tar"), 1);
  EXPECT_EQ(Rows()[0].sizeText, "3,000,000(0.0%[" + Crc32Hex(content) + "])");
  ctx->run.ResetForRun();
  ASSERT_EQ(ListArchive(*ctx, dir / "s.tar.gz", u"/data"), 1);
  ASSERT_EQ(Fill(dir / "s.tar.gz"), 1);
  EXPECT_EQ(Rows()[0].sizeText, "3,000,000(0.0%[" + Crc32Hex(content) + "])");
}

// The counting pass unpacks a compressed tar to its end anyway; the filling
// pass lists what it kept instead of unpacking again.
TEST_F(ArchiveListTest, CompressedTarIsUnpackedOncePerRun) {
  const std::string zeros(16u << 20, '\0');
  WriteWithLibarchive(dir / "z.tar.gz", "ustar", "gzip", {{"zeros.bin", zeros}, {"b.txt", "b"}});
  const std::string expected = "16,777,216(0.0%[" + Crc32Hex(zeros) + "])";
  ctx->run.ResetForRun();
  ASSERT_EQ(ListArchive(*ctx, dir / "z.tar.gz", u"/data"), 2);
  const std::size_t countingPumps = host.statusAtPump.size();
  EXPECT_GE(countingPumps, 3u);  // one per 4 MiB unpacked
  ASSERT_EQ(Fill(dir / "z.tar.gz"), 2);
  EXPECT_EQ(host.statusAtPump.size(), countingPumps);  // nothing unpacked
  EXPECT_EQ(Rows()[0].sizeText, expected);
  // Kept for one listing only: a second filling pass unpacks again.
  ASSERT_EQ(Fill(dir / "z.tar.gz"), 2);
  EXPECT_GE(host.statusAtPump.size(), countingPumps + 3);
  EXPECT_EQ(Rows()[0].sizeText, expected);
}

// Zip rows follow the central directory as unzip shows it: its times
// (MS-DOS, or the extended timestamp), members whose names hold "\", and,
// when the directory is lost, the CRCs of the local headers.
TEST_F(ArchiveListTest, ZipRowsFollowTheCentralDirectory) {
  if (!HaveTool("python3")) GTEST_SKIP() << "python3 is not installed";
  ASSERT_TRUE(Shell("cd '" + dir.path() + R"(' && python3 - <<'PY'
import struct, zipfile
with zipfile.ZipFile("dates.zip", "w") as z:
    z.writestr(zipfile.ZipInfo("dos.txt", date_time=(2020, 1, 2, 3, 4, 6)), "dos\n")
    ut = zipfile.ZipInfo("ut.txt", date_time=(2020, 1, 2, 3, 4, 6))
    ut.extra = struct.pack("<HHBI", 0x5455, 5, 1, 1623752430)
    z.writestr(ut, "ut\n")
b = bytearray(open("dates.zip", "rb").read())
# Other times in the local headers only.
for at in (0, b.find(b"PK\x03\x04", 4)):
    struct.pack_into("<HH", b, at + 10, (5 << 11) | (5 << 5) | 2, (39 << 9) | (5 << 5) | 5)
ext = b.find(b"UT\x05\x00", 4)
struct.pack_into("<I", b, ext + 5, 1500000000)
open("dates.zip", "wb").write(b)
with zipfile.ZipFile("bs.zip", "w") as z:
    z.writestr("dir\\file.txt", "hello readme\n")
with zipfile.ZipFile("whole.zip", "w") as z:
    z.writestr("one.txt", "hello readme\n")
    z.writestr("two.txt", "two\n")
b = open("whole.zip", "rb").read()
open("lost.zip", "wb").write(b[:b.find(b"PK\x01\x02")])
PY)"));
  ASSERT_EQ(Fill(dir / "dates.zip"), 2);
  EXPECT_EQ(Rows()[0].modified, PackLocalFields(2020, 1, 2, 3, 4, 6));
  EXPECT_EQ(Rows()[1].modified, PackLocalTime(1623752430));
  ASSERT_EQ(Fill(dir / "bs.zip"), 1);
  EXPECT_EQ(Rows()[0].name, "bs.zip (Ldir/file.txt)");
  EXPECT_EQ(Rows()[0].sizeText, "13(100.0%[" + Crc32Hex(kReadme) + "])");
  ASSERT_EQ(Fill(dir / "lost.zip"), 2);
  EXPECT_EQ(Rows()[0].sizeText, "13(100.0%[" + Crc32Hex(kReadme) + "])");
  EXPECT_EQ(Rows()[1].sizeText, "4(100.0%[" + Crc32Hex("two\n") + "])");
}

// A ustar header claiming 5 GiB with no data behind it.
std::string TarHeaderOnly(const std::string& name, std::uint64_t size) {
  std::string h(512, '\0');
  h.replace(0, name.size(), name);
  auto octal = [&](std::size_t at, std::size_t width, std::uint64_t v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%0*llo", static_cast<int>(width - 1),
                  static_cast<unsigned long long>(v));
    h.replace(at, width - 1, buf);
  };
  octal(100, 8, 0644);
  octal(108, 8, 0);
  octal(116, 8, 0);
  octal(124, 12, size);
  octal(136, 12, 1623752430);
  h[156] = '0';
  h.replace(257, 6, std::string("ustar\0", 6));
  h.replace(263, 2, "00");
  h.replace(148, 8, "        ");
  unsigned sum = 0;
  for (const unsigned char c : h) sum += c;
  char buf[8];
  std::snprintf(buf, sizeof buf, "%06o", sum);
  h.replace(148, 6, buf);
  h[154] = '\0';
  h[155] = ' ';
  return h;
}

TEST_F(ArchiveListTest, SizesAbove4GiBStayWhole) {
  WriteFile(dir / "big.tar", TarHeaderOnly("big.img", 5ull << 30));
  ASSERT_EQ(Fill(dir / "big.tar"), 1);
  // The data is missing: the size stands, the CRC is unknown.
  EXPECT_EQ(Rows()[0].sizeText, "5,368,709,120(0.0%[00000000])");
}

// A member that unpacks to 1 GiB of zeros.
class BombTest : public ArchiveListTest {
 protected:
  static constexpr std::size_t kGiB = 1u << 30;
  static void WriteZeros(const std::string& path, const std::string& format,
                         const std::string& filter, const std::string& options) {
    archive* a = archive_write_new();
    archive_write_set_format_by_name(a, format.c_str());
    if (!filter.empty()) archive_write_add_filter_by_name(a, filter.c_str());
    if (!options.empty()) archive_write_set_options(a, options.c_str());
    ASSERT_EQ(archive_write_open_filename(a, path.c_str()), ARCHIVE_OK);
    archive_entry* e = archive_entry_new();
    archive_entry_copy_pathname(e, "zeros.bin");
    archive_entry_set_filetype(e, AE_IFREG);
    archive_entry_set_perm(e, 0644);
    archive_entry_set_size(e, kGiB);
    archive_write_header(a, e);
    const std::string block(1 << 20, '\0');
    for (std::size_t i = 0; i < kGiB / block.size(); ++i)
      archive_write_data(a, block.data(), block.size());
    archive_entry_free(e);
    archive_write_close(a);
    archive_write_free(a);
  }
  static std::string ZerosCrc() {
    const std::string block(1 << 20, '\0');
    uLong c = crc32_z(0, Z_NULL, 0);
    for (std::size_t i = 0; i < kGiB / block.size(); ++i) {
      c = crc32_z(c, reinterpret_cast<const Bytef*>(block.data()), block.size());
    }
    char buf[16];
    std::snprintf(buf, sizeof buf, "%08X", static_cast<unsigned>(c));
    return buf;
  }
};

TEST_F(BombTest, GiBOfZerosIsListedQuicklyAndCancellable) {
  using Clock = std::chrono::steady_clock;
  const std::string crc = ZerosCrc();
  const std::string zip = dir / "bomb.zip";
  WriteZeros(zip, "zip", "", "zip:compression-level=1");
  const std::string tgz = dir / "bomb.tar.gz";
  WriteZeros(tgz, "ustar", "gzip", "gzip:compression-level=1");
  std::cerr << "bomb.zip " << ReadFile(zip).size() << " bytes, bomb.tar.gz " << ReadFile(tgz).size()
            << " bytes\n";

  // The zip keeps the CRC in its directory: no data is unpacked.
  auto t0 = Clock::now();
  EXPECT_EQ(Fill(zip), 1);
  auto zipTime = std::chrono::duration<double>(Clock::now() - t0).count();
  EXPECT_EQ(Rows()[0].sizeText.substr(0, 14), "1,073,741,824(");
  EXPECT_NE(Rows()[0].sizeText.find("[" + crc + "]"), std::string::npos);

  // The compressed tar keeps no CRC: the data is read, in blocks between
  // which the host is asked.
  t0 = Clock::now();
  ASSERT_EQ(Fill(tgz), 1);
  const auto tarTime = std::chrono::duration<double>(Clock::now() - t0).count();
  EXPECT_EQ(Rows()[0].sizeText, "1,073,741,824(0.0%[" + crc + "])");
  const std::size_t pumps = host.statusAtPump.size();
  EXPECT_GE(pumps, 200u);  // about one per 4 MiB
  std::cerr << "listing 1 GiB of zeros: zip " << zipTime << " s, tar.gz " << tarTime << " s ("
            << pumps << " pumps)\n";
  EXPECT_LT(tarTime, 30.0);

  // Cancelled at the first pump: the read stops within a few MiB.
  host.cancelAtPump = host.pumps + 1;
  t0 = Clock::now();
  Fill(tgz);
  const auto cancelTime = std::chrono::duration<double>(Clock::now() - t0).count();
  EXPECT_TRUE(ctx->run.CancelRequested);
  EXPECT_LT(cancelTime, tarTime / 4);
  std::cerr << "cancelled after " << cancelTime << " s\n";
  // The counting pass drains the same stream in blocks too.
  ctx->run.ResetForRun();
  host.cancelAtPump = host.pumps + 1;
  EXPECT_LE(ListArchive(*ctx, tgz, u"/data"), 1);
  EXPECT_TRUE(ctx->run.CancelRequested);
}

// A drop of a folder with an archive, written as a text catalogue.
class DropWithArchivesTest : public ArchiveListTest {
 protected:
  std::u16string Catalogue() {
    const std::vector<std::string> paths = {dir / "tree"};
    EXPECT_TRUE(DropRunScan(*ctx, paths));
    CFileCus sink;
    sink.SetClipboardMode(true);
    EXPECT_TRUE(sink.Open({}, CFileCus::OpenMode::CreateTruncate));
    EXPECT_EQ(WriteTextCatalogue(*ctx, sink, {}), TextWriteStatus::Written);
    return sink.TakeCollectedText();
  }
};

TEST_F(DropWithArchivesTest, MembersFollowTheirArchiveInTheFolderScan) {
  MakeDirs(dir / "tree");
  WriteWithLibarchive(dir / "tree/a.zip", "zip", "", DocsMembers());
  WriteFile(dir / "tree/z.txt", "z");
  const std::u16string text = Catalogue();
  std::vector<std::string> names;
  std::u16string archiveFolder;
  for (int r = 0; r < ctx->run.EntryCount; ++r) {
    if (ctx->table.Name(r) == u"a.zip") archiveFolder = ctx->table.Folder(r);
  }
  EXPECT_NE(archiveFolder.find(ToDisplay(dir / "tree")), std::u16string::npos);
  for (int r = 0; r < ctx->run.EntryCount; ++r) {
    names.push_back(Utf16ToUtf8(ctx->table.Name(r)));
    if (names.back().find(" (L") != std::string::npos) {
      EXPECT_EQ(ctx->table.Depth(r), 2);
      EXPECT_EQ(ctx->table.Folder(r), archiveFolder);  // the same printed folder
      EXPECT_EQ(ctx->table.Size(r), 0u);
    }
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"a.zip", "a.zip (Lb.bin)", "a.zip (Ldocs/readme.txt)",
                                             "z.txt"}));
  EXPECT_GT(ctx->run.SizeTextWidth, 0);
  EXPECT_NE(text.find(u"a.zip (Ldocs/readme.txt)"), std::u16string::npos);
}

TEST_F(DropWithArchivesTest, WithoutReadersTheCatalogueIsTheOneWithoutArchives) {
  MakeDirs(dir / "tree");
  WriteWithLibarchive(dir / "tree/a.zip", "zip", "", DocsMembers());
  WriteFile(dir / "tree/z.txt", "z");
  ctx->settings.ExpandArchives = 0;
  const std::u16string off = Catalogue();
  ctx->settings.ExpandArchives = 1;
  ctx->archivers = EmptyArchiverTable();
  EXPECT_EQ(Catalogue(), off);
  ctx->archivers = LoadArchivers();
  EXPECT_NE(Catalogue(), off);
}

TEST(MemberTime, DosFieldsBetterTimesAndRejects) {
  setenv("TZ", "Asia/Tokyo", 1);
  tzset();
  MemberRecord r;
  EXPECT_EQ(MemberTime(r), 0);  // date 0: no time
  const std::uint32_t dt = DosDateTime(2021, 6, 15, 10, 20, 30);
  r.dosDate = static_cast<std::uint16_t>(dt >> 16);
  r.dosTime = static_cast<std::uint16_t>(dt & 0xFFFF);
  EXPECT_EQ(TimeText(MemberTime(r)), u"2021.06.15(Tue) 10:20:30");
  r.dosDate = static_cast<std::uint16_t>(DosDateTime(2021, 2, 30, 0, 0, 0) >> 16);
  EXPECT_EQ(MemberTime(r), 0);  // 30 February
  r.dosDate = static_cast<std::uint16_t>(DosDateTime(2021, 13, 1, 0, 0, 0) >> 16);
  EXPECT_EQ(MemberTime(r), 0);
  r.dosDate = static_cast<std::uint16_t>(dt >> 16);
  r.dosTime = static_cast<std::uint16_t>((24 << 11) | 0);
  EXPECT_EQ(MemberTime(r), 0);  // hour 24
  r.hasUnixTime = true;
  r.unixTime = 1623752430;
  EXPECT_EQ(TimeText(MemberTime(r)), u"2021.06.15(Tue) 19:20:30");
  r.unixTime = 0;
  EXPECT_EQ(MemberTime(r), 0);
}

class FixedVersion : public Archiver {
 public:
  FixedVersion(std::uint16_t v, std::uint16_t s) : v_(v), s_(s) {}
  std::unique_ptr<ArchiveHandle> OpenArchive(const std::string&, MemberReadOptions) const override {
    return nullptr;
  }
  int FindFirst(ArchiveHandle&, std::string_view, MemberRecord&) const override { return -1; }
  int FindNext(ArchiveHandle&, MemberRecord&) const override { return -1; }
  std::uint16_t GetVersion() const override { return v_; }
  std::optional<std::uint16_t> GetSubVersion() const override { return s_; }

 private:
  std::uint16_t v_, s_;
};

TEST(ArchiverTable, VersionTextsAndTheLibraryList) {
  EXPECT_EQ(VersionText("UnZIP32.dll Ver %d.%d", FixedVersion(306, 200)), u"UnZIP32.dll Ver 3.6");
  EXPECT_EQ(VersionText("7-ZIP32.dll Ver %d.%d.%d.%d", FixedVersion(1605, 1234)),
            u"7-ZIP32.dll Ver 16.5.12.34");
  EXPECT_EQ(VersionText("UnGCA32.dll Ver %d.%d%c", FixedVersion(123, 100)),
            u"UnGCA32.dll Ver 1.23a");
  EXPECT_EQ(VersionText("UnGCA32.dll Ver %d.%d%c", FixedVersion(123, 0)), u"UnGCA32.dll Ver 1.23 ");

  const auto table = LoadArchivers();
  const int n = archive_version_number();
  const std::string two = std::to_string(n / 1000000) + "." + std::to_string(n / 1000 % 1000);
  const std::string four = two + "." + std::to_string(n % 1000) + ".0";
  const std::string list = Utf16ToUtf8(ArchiverLibraryList(*table));
  EXPECT_EQ(list, "UnLHA32.dll Ver " + four + "\nUnZIP32.dll Ver " + two + "\nUnRAR32.dll Ver " +
                      two + "\nCAB32.dll Ver " + two + "\nTAR32.dll Ver " + two +
                      "\nUnGCA32.dll none\nUnARJ32.dll Ver " +
                      Utf16ToUtf8(VersionText("%d.%d.%d.%d", *table->rows[6].archiver)) +
                      "\nBGA32.dll none\n7-ZIP32.dll Ver " + four);
  EXPECT_EQ(Utf16ToUtf8(ArchiverLibraryList(*EmptyArchiverTable())),
            "UnLHA32.dll none\nUnZIP32.dll none\nUnRAR32.dll none\nCAB32.dll none\nTAR32.dll "
            "none\nUnGCA32.dll none\nUnARJ32.dll none\nBGA32.dll none\n7-ZIP32.dll none");
}

TEST(ArchiverTable, MatchByEndingLaterRowsWin) {
  const auto table = LoadArchivers();
  auto prefix = [&](const char* path) -> std::string {
    const ArchiverRow* row = table->Match(path);
    return row ? std::string(row->prefix) : "";
  };
  EXPECT_EQ(prefix("/x/a.ZIP"), "UnZip");
  EXPECT_EQ(prefix("a.tar.bz2"), "Tar");
  EXPECT_EQ(prefix("a.lzh"), "Unlha");
  EXPECT_EQ(prefix("a.arj"), "Unarj");
  EXPECT_EQ(prefix("a.7z"), "SevenZip");
  EXPECT_EQ(prefix("a.cab"), "Cab");
  EXPECT_EQ(prefix("a.rar"), "Unrar");
  EXPECT_EQ(prefix("a.gca"), "");
  EXPECT_EQ(prefix("a.bga"), "");
  EXPECT_EQ(prefix("a.zip.txt"), "");
  EXPECT_EQ(prefix("zip"), "");
}

}  // namespace
}  // namespace ordano
