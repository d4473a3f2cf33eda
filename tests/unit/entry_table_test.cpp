#include "core/entry_table.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/codepage.h"
#include "platform/time_text.h"
#include "platform/unicode.h"

namespace ordano {
namespace {

TEST(EntryTable, RowsMoveWithAllColumns) {
  EntryTable t;
  t.Create(3);
  ASSERT_TRUE(t.Allocated());
  t.SetName(0, u"b.txt");
  t.SetSize(0, 42);
  t.SetFolder(0, u"/data");
  t.SetName(1, u"a.txt");
  t.SetSize(1, 7);
  t.SetFolder(1, u"/data");
  t.SetModified(1, PackLocalTime(1700000000));
  t.SwapRows(0, 1);
  EXPECT_EQ(t.Name(0), u"a.txt");
  EXPECT_EQ(t.Size(0), 7u);
  EXPECT_NE(t.Modified(0), 0);
  EXPECT_EQ(t.Name(1), u"b.txt");
  EXPECT_EQ(t.Size(1), 42u);
  EXPECT_EQ(t.Modified(1), 0);
  EXPECT_EQ(t.Folder(1), u"/data");
  EXPECT_EQ(t.Name(2), u"");
  t.Release();
  EXPECT_FALSE(t.Allocated());
  EXPECT_EQ(t.Capacity(), 0);
}

// A file's size text is made from its size when read, a member's is stored,
// a placeholder has none; each stays with its row through the sort's moves,
// and a fresh table holds no column that no row has written.
TEST(EntryTable, SizeTextsMadeStoredOrEmptyMoveWithTheirRows) {
  EntryTable t;
  t.Create(1000);
  // 4-byte name, folder, time and size; 2-byte depth; flags.
  EXPECT_LE(t.BytesReserved(), 1000u * 19 + 64);
  t.SetSize(0, 1536);
  t.SetFolderStart(0, 1);
  t.SetSizeText(0, SizeFormat::Kilo);
  t.SetSize(1, 1234567);
  t.SetSizeText(1, SizeFormat::Bytes);
  t.SetFolderStart(1, 1);
  t.SetFolderStart(1, 0);
  t.SetSizeText(2, u"4.88K(0.4%[00DBF026])");
  t.SetFolderStart(3, 1);  // placeholder
  t.SwapRows(0, 2);
  const EntryRow pivot = t.Row(1);
  t.SetRow(1, t.Row(3));
  t.SetRow(3, pivot);
  std::u16string buffer;
  EXPECT_EQ(t.SizeText(0, buffer), u"4.88K(0.4%[00DBF026])");
  EXPECT_EQ(t.SizeText(1, buffer), u"");
  EXPECT_EQ(t.SizeText(2, buffer), u"1.50K");
  EXPECT_EQ(t.SizeText(3, buffer), u"1,234,567");
  EXPECT_EQ(
      t.FolderStart(0) * 1000 + t.FolderStart(1) * 100 + t.FolderStart(2) * 10 + t.FolderStart(3),
      110);
  t.SetSizeText(0, SizeFormat::Auto);  // a member row written again as a file
  EXPECT_EQ(t.SizeText(0), u"0");
}

// Names are kept one byte a character where they can be, UTF-16 where not:
// each comes back whole, whichever way it was kept, through many blocks and
// the sort's moves; one-byte names cost one byte a character.
TEST(EntryTable, NamesComeBackWholeWhicheverWayKept) {
  const std::u16string names[] = {
      u"a",                       // odd lengths shift what follows off even offsets
      u"写真_000010_0.dat",       // UTF-16, after a one-byte name
      u"caf\u00E9 \u00FF.txt",    // the last one-byte character
      u"\u0100x",                 // the first that is not
      u"\U0001F600.png",          // a surrogate pair
      std::u16string(300, u'n'),  // a long header
      std::u16string(200, u'\u3042'),
  };
  constexpr int kRows = 15000;  // two blocks
  EntryTable t;
  t.Create(kRows);
  for (int i = 0; i < kRows; ++i) t.SetName(i, names[i % 7]);
  t.SwapRows(1, kRows - 1);
  std::u16string buffer;
  for (int i = 0; i < kRows; ++i) {
    const int was = i == 1 ? kRows - 1 : (i == kRows - 1 ? 1 : i);
    ASSERT_EQ(t.Name(i, buffer), names[was % 7]) << i;
    ASSERT_TRUE(t.HasName(i));
  }
  EntryTable ascii;
  ascii.Create(kRows);
  const std::size_t empty = ascii.BytesReserved();
  for (int i = 0; i < kRows; ++i) ascii.SetName(i, u"file_000000_00.dat");
  EXPECT_LE(ascii.BytesReserved() - empty, (1u << 20));  // 19 bytes a name, one block
  ascii.SetName(0, u"");
  EXPECT_FALSE(ascii.HasName(0));
}

// Sizes, depths and times kept in part, as a flag or with their offset apart
// come back whole through the sort's moves, and a row written again forgets them.
TEST(EntryTable, NumbersKeptInPartsComeBackWhole) {
  struct Case {
    const char* what;
    std::uint64_t size;
    int depth;
    PackedTime modified, created;
  };
  const PackedTime when = PackLocalTime(1700000000);
  const PackedTime later = PackLocalTime(1700003600);
  const std::int64_t wall = 1700000000;
  const Case cases[] = {
      {"small", 97, 2, when, when},
      {"4 GiB and more", (std::uint64_t{5} << 32) + 7, 3, when, later},
      {"largest size", ~std::uint64_t{0}, 1, later, when},
      {"deep", 1, 70000, JoinPackedTime(wall, 2048 + 540), 0},
      {"no times", 0, 0, 0, 0},
      {"before 1970", 5, 1, JoinPackedTime(-2208988800, 2048), 0},
      {"another offset", 6, 1, JoinPackedTime(wall, 2048 - 300), 0},
      {"a fourth", 7, 1, JoinPackedTime(wall, 2048 + 345), 0},
      {"a fifth", 8, 1, JoinPackedTime(wall, 2048 - 570), when},
  };
  constexpr int kRows = 9;
  EntryTable t;
  t.Create(kRows);
  for (int i = 0; i < kRows; ++i) {
    t.SetSize(i, cases[i].size);
    t.SetDepth(i, cases[i].depth);
    t.SetModified(i, cases[i].modified);
    t.SetCreated(i, cases[i].created);
  }
  t.SetModified(0, later);  // written since it was made
  t.SwapRows(0, 8);
  const EntryRow pivot = t.Row(1);
  t.SetRow(1, t.Row(3));
  t.SetRow(3, pivot);
  const int at[kRows] = {8, 3, 2, 1, 4, 5, 6, 7, 0};  // where each case ended up
  for (int i = 0; i < kRows; ++i) {
    const int r = at[i];
    SCOPED_TRACE(cases[i].what);
    EXPECT_EQ(t.Size(r), cases[i].size);
    EXPECT_EQ(t.Depth(r), cases[i].depth);
    EXPECT_EQ(t.Modified(r), i == 0 ? later : cases[i].modified);
    EXPECT_EQ(t.Created(r), cases[i].created);
    EXPECT_EQ(t.ModifiedText(r), TimeText(i == 0 ? later : cases[i].modified));
  }
  t.ClearRow(3);
  EXPECT_EQ(t.Size(3), 0u);
  EXPECT_EQ(t.Depth(3), 0);
  EXPECT_EQ(t.Created(3), 0);
}

// A link prefix is kept once per folder; a row whose prefix or folder differs
// keeps its own, and each row's link path stays its own through the moves.
TEST(EntryTable, LinkPathsKeptWithTheirFolderOrTheirOwn) {
  EntryTable t;
  t.Create(5);
  const auto file = [&t](int r, std::u16string_view name, std::u16string_view folder,
                         std::u16string_view prefix) {
    t.SetName(r, name);
    t.SetFolder(r, folder);
    t.SetLinkPrefix(r, prefix);
  };
  file(0, u"a.txt", u"/d", u"d/");
  file(1, u"b.txt", u"/d", u"d/");
  file(2, u"c.txt", u"/d", u"other/");  // same folder, another prefix
  file(3, u"e.txt", u"/d", u"d/");
  t.SetFolder(3, u"/moved");  // written again in another folder
  t.SetName(4, u"m");
  t.SetFolder(4, u"/d");
  t.SetLinkPath(4, u"d/archive.zip/m");
  t.SwapRows(0, 4);
  t.SwapRows(1, 2);
  EXPECT_EQ(t.LinkPath(0), u"d/archive.zip/m");
  EXPECT_EQ(t.LinkPath(1), u"other/c.txt");
  EXPECT_EQ(t.LinkPath(2), u"d/b.txt");
  EXPECT_EQ(t.LinkPath(3), u"d/e.txt");
  EXPECT_EQ(t.LinkPath(4), u"d/a.txt");
  std::u16string buffer;
  const auto [head, name] = t.LinkPathParts(4, buffer);
  EXPECT_EQ(head, u"d/");
  EXPECT_EQ(name, u"a.txt");
}

TEST(EntryTable, PoolKeepsManyLongTexts) {
  EntryTable t;
  t.Create(3000);
  const std::u16string big(2000, u'x');
  for (int i = 0; i < 3000; ++i) t.SetLinkPath(i, big + static_cast<char16_t>(u'a' + i % 26));
  for (int i = 0; i < 3000; ++i) {
    ASSERT_EQ(t.LinkPath(i).size(), 2001u);
    ASSERT_EQ(t.LinkPath(i).back(), static_cast<char16_t>(u'a' + i % 26));
  }
}

TEST(TimeText, FormatAndOrder) {
  setenv("TZ", "UTC", 1);
  tzset();
  // 2024-03-05 14:07:09 UTC
  const PackedTime t = PackLocalTime(1709647629);
  EXPECT_EQ(TimeText(t), u"2024.03.05(Tue) 14:07:09");
  EXPECT_EQ(IsoTimeText(t), "2024-03-05T14:07:09+00:00");
  EXPECT_EQ(TimeText(0), u"");
  EXPECT_LT(TimeOrderKey(PackLocalTime(1000)), TimeOrderKey(PackLocalTime(2000)));
  EXPECT_EQ(TimeText(PackLocalTime(0)), u"1970.01.01(Thu) 00:00:00");
  setenv("TZ", "Asia/Tokyo", 1);
  tzset();
  EXPECT_EQ(IsoTimeText(PackLocalTime(1709647629)), "2024-03-05T23:07:09+09:00");
  unsetenv("TZ");
  tzset();
}

// The packer reuses an hour's offset: across changes of offset (daylight
// saving, half-hour zones, offsets of whole seconds in the past) it gives
// what the full look-up gives, and the 32-bit split of the table keeps it.
TEST(TimeText, PackerGivesWhatEachLookUpGives) {
  const char* zones[] = {"Europe/Berlin", "Australia/Lord_Howe", "America/St_Johns", "Asia/Tokyo"};
  for (const char* zone : zones) {
    setenv("TZ", zone, 1);
    tzset();
    LocalTimePacker packer;
    std::vector<std::int64_t> times;
    for (std::int64_t t = -2500000000; t < 2200000000; t += 133337) times.push_back(t);
    // Every 7 minutes around the spring and autumn changes of 2024.
    for (const std::int64_t around : {1711846800LL, 1729990800LL, 1712412000LL, 1728144000LL}) {
      for (std::int64_t t = around - 14400; t < around + 14400; t += 420) times.push_back(t);
    }
    for (const std::int64_t t : times) {
      const PackedTime want = PackLocalTime(t);
      ASSERT_EQ(packer.Pack(t), want) << zone << " " << t;
      std::int64_t wall = 0;
      int offset = 0;
      if (want != 0) {
        ASSERT_TRUE(SplitPackedTime(want, wall, offset));
        ASSERT_EQ(JoinPackedTime(wall, offset), want);
      }
    }
  }
  unsetenv("TZ");
  tzset();
}

TEST(Unicode, InvalidUtf8BecomesReplacement) {
  EXPECT_EQ(Utf8ToUtf16("a\xff"
                        "b"),
            u"a\uFFFDb");
  EXPECT_EQ(Utf8ToUtf16("\xe3\x81\x82"), u"あ");
  EXPECT_EQ(Utf8ToUtf16("\xf0\x9f\x98\x80"), u"\U0001F600");
  EXPECT_FALSE(IsValidUtf8("\xc3"));
  EXPECT_TRUE(IsValidUtf8("日本語"));
  EXPECT_EQ(Utf16ToUtf8(u"日本\U0001F600"), "日本\xf0\x9f\x98\x80");
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, u'\xD800')), "\xEF\xBF\xBD");
}

TEST(CodePage, DisplayWidthsFollowCp932) {
  EXPECT_EQ(DisplayWidth(u"abc"), 3);
  EXPECT_EQ(DisplayWidth(u"日本語"), 6);
  EXPECT_EQ(DisplayWidth(u"ｶﾀｶﾅ"), 4);        // half-width katakana
  EXPECT_EQ(DisplayWidth(u"\U0001F600"), 2);  // not in CP932, East Asian Wide
  EXPECT_EQ(DisplayWidth(u"\u00e9"), 1);      // not in CP932, narrow
  EXPECT_EQ(DecodeCodePage(kCodePageSystem, "\x93\xfa\x96\x7b"), u"日本");
  EXPECT_EQ(EncodeCodePage(kCodePageSystem, u"日本"), "\x93\xfa\x96\x7b");
  EXPECT_EQ(DecodeCodePage(kCodePageEucJp, "\xc6\xfc\xcb\xdc"), u"日本");
}

}  // namespace
}  // namespace ordano
