#include "core/entry_table.h"

#include <gtest/gtest.h>

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
  // 4-byte handles for name, folder and link path, two times, size, depth, flags.
  EXPECT_LE(t.BytesReserved(), 1000u * 41 + 64);
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
