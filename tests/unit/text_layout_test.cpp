#include "output/text_layout.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <random>

#include "catalogue_rows.h"
#include "core/run_state.h"
#include "output/tree_prefix.h"
#include "platform/codepage.h"
#include "platform/time_text.h"
#include "settings/settings_record.h"

namespace ordano {
namespace {

using testing::Dashes;
using testing::Spaces;

TEST(NameColumnWidth, FollowsNameWidthDigitsAndLineWidth) {
  SettingsRecord s{};
  RunState run;
  EXPECT_EQ(NameColumnWidth(s, run), 32);  // NameWidth starts at 16
  run.NameWidth = 25;
  EXPECT_EQ(NameColumnWidth(s, run), 50);

  s.AppendNameDigits = 1;
  EXPECT_EQ(NameColumnWidth(s, run), 120);  // a stored 0 means 60
  s.AppendDigitCount = 30;
  EXPECT_EQ(NameColumnWidth(s, run), 60);

  s.LineWidthEnabled = 1;
  s.WriteDate = 1;
  s.LineWidth = 80;
  EXPECT_EQ(NameColumnWidth(s, run), 64);  // 2 x (80 - 20 - 28)
  s.LineWidth = 40;
  EXPECT_EQ(NameColumnWidth(s, run), 8);  // at least 4 columns
  s.LineWidth = 80;
  run.SizeTextWidth = 12;  // archive members widen the size column
  EXPECT_EQ(NameColumnWidth(s, run), 48);
  s.FileNameOnly = 1;  // no date column to make room for
  EXPECT_EQ(NameColumnWidth(s, run), 104);
}

TEST(SeparatorLine, DashesPerColumn) {
  TextLayout l;
  EXPECT_EQ(SeparatorLine(l), Dashes(32) + u" " + Dashes(19));
  l.sizeField = 23;
  l.writeDate = true;
  l.computeMd5 = true;
  EXPECT_EQ(SeparatorLine(l), Dashes(32) + u" " + Dashes(27) + u"    " + Dashes(24) + u"    " +
                                  Dashes(24) + u"    " + Dashes(32));
  l.fileNameOnly = true;
  EXPECT_EQ(SeparatorLine(l), Dashes(32));
}

TEST(ComposeTextRow, PadsByDisplayWidthAndSkipsEmptyValues) {
  TextLayout l;  // W = 32
  std::u16string out;
  const std::u16string wide = u"あいうえおかきくけこ";  // 10 full-width characters
  ComposeTextRow(out, l, wide, u"1,234", {}, {}, {});
  EXPECT_EQ(out, wide + Spaces(12) + u" " + Spaces(10) + u"1,234Byte");

  // Dates fill 28 columns each; an MD5 adds no padding; empty values add nothing.
  out.clear();
  ComposeTextRow(out, l, u"a.txt", u"5", u"2024.05.01(Wed) 13:05:09", {}, u"0123abcd");
  EXPECT_EQ(out, u"a.txt" + Spaces(27) + u" " + Spaces(14) + u"5Byte" +
                     u"    2024.05.01(Wed) 13:05:09" + u"    0123abcd");

  // A name's own trailing spaces do not count; a name wider than W pushes on.
  out.clear();
  ComposeTextRow(out, l, u"x  ", {}, {}, {}, {});
  EXPECT_EQ(out, u"x" + Spaces(31));
  out.clear();
  ComposeTextRow(out, l, std::u16string(40, u'n'), u"1", {}, {}, {});
  EXPECT_EQ(out, std::u16string(40, u'n') + u" " + Spaces(14) + u"1Byte");

  // Archive sizes widen the size field to 23.
  l.sizeField = 23;
  out.clear();
  ComposeTextRow(out, l, u"m", u"7", u"d", {}, {});
  EXPECT_EQ(out, u"m" + Spaces(31) + u" " + Spaces(22) + u"7Byte" + u"    d" + Spaces(23));
}

std::vector<std::u16string> Pieces(std::u16string_view text, int width, bool enabled = true) {
  const WrappedText w = WrapText(text, width, enabled);
  std::vector<std::u16string> out;
  for (int k = 0; k < w.count; ++k) {
    out.emplace_back(w.pieces[k].text);
    if (w.pieces[k].padSpace) out.back() += u' ';
  }
  return out;
}

using Lines = std::vector<std::u16string>;

TEST(WrapText, SplitsByDisplayWidth) {
  EXPECT_EQ(Pieces(u"abcdefghij", 4, false), Lines({u"abcdefghij"}));
  EXPECT_EQ(Pieces(u"abcdefghij", 4), Lines({u"abcd", u"efgh", u"ij"}));
  EXPECT_EQ(Pieces(u"abc", 8), Lines({u"abc"}));
  // Exactly one width long: one piece, no empty line after it.
  EXPECT_EQ(Pieces(u"abcdefgh", 8), Lines({u"abcdefgh"}));
  // Widths below 5 are taken as 4.
  EXPECT_EQ(Pieces(u"abcdef", 1), Lines({u"abcd", u"ef"}));
  EXPECT_EQ(Pieces(u"abcdef", -12), Lines({u"abcd", u"ef"}));
}

TEST(WrapText, DoubleWidthCharacterAtTheLimitMovesOn) {
  // あ い fill 4 columns, う would make 6 of 5: it starts the next piece.
  EXPECT_EQ(Pieces(u"あいうえ", 5), Lines({u"あい ", u"うえ"}));
  EXPECT_EQ(Pieces(u"aあいう", 6), Lines({u"aあい ", u"う"}));
  // Half-width katakana counts 1.
  EXPECT_EQ(Pieces(u"ｱｲｳｴｵｶ", 5), Lines({u"ｱｲｳｴｵ", u"ｶ"}));
}

TEST(WrapText, StopsAfterTenPieces) {
  const std::u16string longName = std::u16string(40, u'x') + u"tail!";
  const Lines p = Pieces(longName, 4);
  ASSERT_EQ(p.size(), 10u);
  for (const auto& piece : p) EXPECT_EQ(piece, u"xxxx");
}

TEST(TabifyLine, SpacesReachingATabStopBecomeTabs) {
  std::u16string out;
  TabifyLine(u"abc     def", 4, out);
  EXPECT_EQ(out, u"abc\t\tdef");
  out.clear();
  TabifyLine(u"abcdefgh        x", 8, out);
  EXPECT_EQ(out, u"abcdefgh\tx");
  out.clear();
  // Spaces that do not reach a stop stay; a stop chunk with text is copied.
  TabifyLine(u"ab cd  efgh", 4, out);
  EXPECT_EQ(out, u"ab cd  efgh");
  out.clear();
  TabifyLine(u"abcde      x", 4, out);
  EXPECT_EQ(out, u"abcde\t   x");
  out.clear();
  TabifyLine(u"a                    1Byte", 4, out);
  EXPECT_EQ(out, u"a\t\t\t\t\t 1Byte");
  out.clear();
  TabifyLine(u"no-spaces", 4, out);
  EXPECT_EQ(out, u"no-spaces");
}

// The definition the flags stand for: searching forward from the next row, a
// folder start at the row's own depth comes before one at a smaller depth.
std::vector<std::uint8_t> ForwardSearchFlags(const EntryTable& t, int n) {
  std::vector<std::uint8_t> flags(static_cast<std::size_t>(n), 0);
  for (int i = 0; i < n; ++i) {
    const int d = t.Depth(i);
    for (int r = i + 1; r < n; ++r) {
      if (t.FolderStart(r) != 1) continue;
      if (t.Depth(r) == d) {
        flags[i] = 1;
        break;
      }
      if (t.Depth(r) < d) break;
    }
  }
  return flags;
}

TEST(SiblingFlags, MatchTheForwardSearchOnARandomTree) {
  std::mt19937 rng(7);
  EntryTable t;
  const int n = 3000;
  t.Create(n);
  int depth = 1;
  for (int i = 0; i < n; ++i) {
    const int step = static_cast<int>(rng() % 6);
    if (step == 0 && depth < 12) ++depth;
    if (step == 1 && depth > 1) depth -= 1 + static_cast<int>(rng() % depth) / 2;
    depth = std::max(depth, 1);
    t.SetDepth(i, depth);
    t.SetFolderStart(i, (step <= 1 || rng() % 5 == 0) ? 1 : 0);
  }
  EXPECT_EQ(ComputeSiblingFlags(t, n), ForwardSearchFlags(t, n));
}

TEST(TreeDrawer, KindsAndStyles) {
  EntryTable t;
  t.Create(4);
  // Folder at depth 1 with one file, then a sibling folder at depth 2 twice.
  t.SetDepth(0, 1);
  t.SetFolderStart(0, 1);
  t.SetDepth(1, 2);
  t.SetFolderStart(1, 1);
  t.SetDepth(2, 2);
  t.SetFolderStart(2, 1);
  t.SetDepth(3, 2);
  TreeDrawer tree(t, 4);
  std::u16string out;
  tree.Append(out, 3, kTreeBlank, 0, 0, TreeLine::Item);
  EXPECT_EQ(out, u"\u3000\u3000\u3000");
  out.clear();
  // Row 1 is followed by another depth-2 folder: level 2 stays open.
  tree.Append(out, 2, kTreeBar, 1, 0, TreeLine::Item);
  EXPECT_EQ(out, u" │  │ ");
  out.clear();
  tree.Append(out, 1, kTreeLastOrBranch, 1, 0, TreeLine::Continuation);
  EXPECT_EQ(out, u" │ ");
  out.clear();
  tree.Append(out, 2, kTreeBarIfTop, 1, 0, TreeLine::Item);
  EXPECT_EQ(out, u" │  \u3000 ");
  out.clear();
  // Row 2 is the last depth-2 folder: level 2 closes.
  tree.Append(out, 1, kTreeLastOrBranch, 1, 1, TreeLine::Item);
  EXPECT_EQ(out, u" └ ");
  out.clear();
  // Kind 0 keeps the branch while the folder goes on (row 3 starts nothing).
  tree.Append(out, 1, kTreeBranch, 1, 2, TreeLine::Item);
  EXPECT_EQ(out, u" ├ ");
  out.clear();
  tree.Append(out, 0, kTreeBar, 1, 2, TreeLine::Item);
  EXPECT_EQ(out, u"");
  // Each level of graphics is four display columns, like the indent it replaces.
  EXPECT_EQ(DisplayWidth(u" │ "), 4);
  EXPECT_EQ(DisplayWidth(u" ├ "), 4);
  EXPECT_EQ(DisplayWidth(u" └ "), 4);
  EXPECT_EQ(DisplayWidth(u" \u3000 "), 4);
}

TEST(AppendTimeText, SameTextAsTimeText) {
  const char* before = std::getenv("TZ");
  const std::string saved = before ? before : "";
  std::mt19937_64 rng(11);
  for (const char* tz : {"UTC", "Asia/Tokyo", "America/St_Johns"}) {
    setenv("TZ", tz, 1);
    tzset();
    std::u16string out;
    for (int k = 0; k < 2000; ++k) {
      // 1970 .. about 2100, plus the ends of the range.
      const std::int64_t unix =
          k < 2 ? (k == 0 ? 0 : 4102444799) : static_cast<std::int64_t>(rng() % 4102444800ull);
      const PackedTime t = PackLocalTime(unix);
      out.clear();
      AppendTimeText(out, t);
      ASSERT_EQ(out, TimeText(t)) << tz << " " << unix;
    }
  }
  if (before) {
    setenv("TZ", saved.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
  std::u16string out = u"x";
  AppendTimeText(out, 0);
  EXPECT_EQ(out, u"x");
}

}  // namespace
}  // namespace ordano
