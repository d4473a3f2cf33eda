#include "scan/sort.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "core/app_context.h"
#include "platform/time_text.h"
#include "test_host.h"

namespace ordano {
namespace {

struct Row {
  std::u16string name;
  std::uint64_t size = 0;
  PackedTime modified = 0;
  PackedTime created = 0;
};

class SortTest : public ::testing::Test {
 protected:
  void Fill(const std::vector<Row>& rows, int order, bool descending, int spare = 0) {
    ctx_ = testing::MakeContext(host_);
    ctx_->run.Pass = 1;
    ctx_->options.settings.SortOrder = order;
    ctx_->options.settings.SortDescending = descending ? 1 : 0;
    ctx_->table.Create(static_cast<int>(rows.size()) + spare);
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
      EntryTable& t = ctx_->table;
      t.SetName(i, rows[i].name);
      t.SetSize(i, rows[i].size);
      t.SetModified(i, rows[i].modified);
      t.SetCreated(i, rows[i].created);
      t.SetSortKey(i, ExplorerSortKey(rows[i].name));
      t.SetDepth(i, i);  // the original position travels with the row
    }
  }
  std::vector<std::u16string> Sorted(const std::vector<Row>& rows, int order, bool descending) {
    Fill(rows, order, descending);
    SortRange(*ctx_, 0, static_cast<int>(rows.size()));
    return NamesAt(0, static_cast<int>(rows.size()));
  }
  std::vector<std::u16string> NamesAt(int first, int count) const {
    std::vector<std::u16string> out;
    for (int i = first; i < first + count; ++i) out.emplace_back(ctx_->table.Name(i));
    return out;
  }

  testing::TestHost host_;
  std::unique_ptr<AppContext> ctx_;
};

using Names = std::vector<std::u16string>;

TEST_F(SortTest, NameIgnoresCase) {
  const std::vector<Row> rows = {{u"b.txt"}, {u"C"}, {u"A.txt"}, {u"_x"}, {u"a"}};
  // Folding to lower case puts "_" (0x5F) before the letters.
  EXPECT_EQ(Sorted(rows, 0, false), (Names{u"_x", u"a", u"A.txt", u"b.txt", u"C"}));
  EXPECT_EQ(Sorted(rows, 0, true), (Names{u"C", u"b.txt", u"A.txt", u"a", u"_x"}));
}

TEST_F(SortTest, SizeTiesByNameOnlyAscending) {
  const std::vector<Row> rows = {{u"A", 5}, {u"B", 7}, {u"C", 5}, {u"D", 7}, {u"E", 5}};
  EXPECT_EQ(Sorted(rows, 1, false), (Names{u"A", u"C", u"E", u"B", u"D"}));
  // Descending has no tie-break; worked through the quicksort by hand:
  // pivot C, B and D go before it -> [D B C A E]; [D B] and [A E] stay.
  EXPECT_EQ(Sorted(rows, 1, true), (Names{u"D", u"B", u"C", u"A", u"E"}));
}

TEST_F(SortTest, TimesWithEmptyFirst) {
  const PackedTime t1 = PackLocalFields(2020, 1, 1, 0, 0, 0);
  const PackedTime t2 = PackLocalFields(2021, 6, 1, 12, 0, 0);
  const std::vector<Row> rows = {
      {u"late", 0, t2, t1}, {u"none", 0, 0, 0}, {u"b-early", 0, t1, t2}, {u"a-early", 0, t1, t2}};
  EXPECT_EQ(Sorted(rows, 2, false), (Names{u"none", u"a-early", u"b-early", u"late"}));
  EXPECT_EQ(Sorted(rows, 5, false), (Names{u"none", u"late", u"a-early", u"b-early"}));
  const Names desc = Sorted(rows, 2, true);
  EXPECT_EQ(desc.front(), u"late");
  EXPECT_EQ(desc.back(), u"none");
}

TEST_F(SortTest, ExtensionWithoutDotFirst) {
  const std::vector<Row> rows = {{u"c.TXT"}, {u"z"}, {u"b.doc"}, {u"a.txt"}, {u"y"}, {u"x."}};
  // "x." has an empty extension, below the space that stands for none.
  EXPECT_EQ(Sorted(rows, 3, false), (Names{u"x.", u"y", u"z", u"b.doc", u"a.txt", u"c.TXT"}));
  const Names desc = Sorted(rows, 3, true);
  EXPECT_EQ(desc[2], u"b.doc");  // txt, txt, doc, the two without a dot, "x."
  EXPECT_EQ(desc[5], u"x.");
}

TEST_F(SortTest, ExplorerOrder) {
  const std::vector<Row> rows = {{u"file10.txt"}, {u"b"},  {u"file2.txt"},
                                 {u"10.txt"},     {u"-x"}, {u"～y"}};
  EXPECT_EQ(Sorted(rows, 4, false),
            (Names{u"～y", u"10.txt", u"-x", u"b", u"file2.txt", u"file10.txt"}));
  EXPECT_EQ(Sorted(rows, 4, true),
            (Names{u"file10.txt", u"file2.txt", u"b", u"-x", u"10.txt", u"～y"}));
}

TEST_F(SortTest, RowsMoveWholeAndOnlyInRange) {
  const std::vector<Row> rows = {{u"d", 4}, {u"c", 3}, {u"b", 2}, {u"a", 1}, {u"0", 9}};
  Fill(rows, 0, false);
  SortRange(*ctx_, 1, 3);
  EXPECT_EQ(NamesAt(0, 5), (Names{u"d", u"a", u"b", u"c", u"0"}));
  for (int i = 0; i < 5; ++i) {
    const int from = ctx_->table.Depth(i);
    EXPECT_EQ(ctx_->table.Name(i), rows[from].name);
    EXPECT_EQ(ctx_->table.Size(i), rows[from].size);
    EXPECT_EQ(ctx_->table.SortKey(i), ExplorerSortKey(rows[from].name));
  }
}

TEST_F(SortTest, CountingPassDoesNothing) {
  const std::vector<Row> rows = {{u"b"}, {u"a"}};
  Fill(rows, 0, false);
  ctx_->run.Pass = 0;
  SortRange(*ctx_, 0, 2);
  EXPECT_EQ(NamesAt(0, 2), (Names{u"b", u"a"}));
}

// The sort written out literally (recursion low then high, pivot copy), on
// (size, name) pairs, as the reference for the order of equal rows.
void ReferenceSort(std::vector<Row>& v, int first, int last,
                   const std::function<bool(const Row&, const Row&)>& before) {
  if (first >= last) return;
  const int mid = (first + last) / 2;
  const Row pivot = v[mid];
  std::swap(v[mid], v[first]);
  int store = first;
  for (int i = first + 1; i <= last; ++i) {
    if (before(v[i], pivot)) std::swap(v[++store], v[i]);
  }
  v[first] = v[store];
  v[store] = pivot;
  ReferenceSort(v, first, store - 1, before);
  ReferenceSort(v, store + 1, last, before);
}

TEST_F(SortTest, SameOrderAsTheLiteralQuicksort) {
  std::mt19937 rng(12345);
  for (int round = 0; round < 20; ++round) {
    std::vector<Row> rows;
    const int n = 50 + static_cast<int>(rng() % 1500);
    for (int i = 0; i < n; ++i) {
      // Few distinct values (many ties) and long runs of one value.
      const bool run = (i / 100) % 3 == 1;
      const std::uint64_t size = run ? 7 : rng() % 4;
      std::u16string name = u"n";
      name += static_cast<char16_t>(u'a' + rng() % 3);
      rows.push_back({name, size});
    }
    for (const bool descending : {false, true}) {
      // Equal rows are told apart by where they started (kept in `modified`).
      std::vector<Row> expected = rows;
      for (int i = 0; i < n; ++i) expected[i].modified = i;
      ReferenceSort(expected, 0, n - 1, [&](const Row& r, const Row& p) {
        if (descending) return r.size > p.size;
        return r.size < p.size || (r.size == p.size && r.name < p.name);
      });
      Fill(rows, 1, descending);
      SortRange(*ctx_, 0, n);
      for (int i = 0; i < n; ++i) {
        ASSERT_EQ(ctx_->table.Depth(i), expected[i].modified)
            << "round " << round << " row " << i << (descending ? " descending" : "");
      }
    }
  }
}

TEST_F(SortTest, LargeEqualAndSortedInputs) {
  // 50000 equal sizes in descending order (no tie-break): quadratic if done
  // level by level, and a recursion 50000 deep.
  constexpr int kRows = 50000;
  std::vector<Row> rows(kRows, Row{u"same", 1});
  Fill(rows, 1, true);
  SortRange(*ctx_, 0, kRows);
  // Same rows, only permuted.
  std::vector<bool> seen(kRows);
  for (int i = 0; i < kRows; ++i) seen[ctx_->table.Depth(i)] = true;
  EXPECT_EQ(std::count(seen.begin(), seen.end(), true), kRows);
  // A small case of the same shape against the literal algorithm.
  std::vector<Row> small(9, Row{u"same", 1});
  for (int i = 0; i < 9; ++i) small[i].modified = i;
  ReferenceSort(small, 0, 8, [](const Row& r, const Row& p) { return r.size > p.size; });
  Fill(std::vector<Row>(9, Row{u"same", 1}), 1, true);
  SortRange(*ctx_, 0, 9);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(ctx_->table.Depth(i), small[i].modified);

  // Reverse-sorted names, ascending.
  rows.clear();
  for (int i = kRows; i > 0; --i) {
    const std::string s = std::to_string(1000000 + i);
    rows.push_back({std::u16string(s.begin(), s.end())});
  }
  Fill(rows, 0, false);
  SortRange(*ctx_, 0, kRows);
  for (int i = 1; i < kRows; ++i) ASSERT_LT(ctx_->table.Name(i - 1), ctx_->table.Name(i));
}

TEST(ExplorerSortKey, Numbers) {
  EXPECT_EQ(ExplorerSortKey(u"file10.txt"), u"file000000010.txt");
  EXPECT_EQ(ExplorerSortKey(u"10.txt"), u"  000000010.txt");
  EXPECT_LT(ExplorerSortKey(u"a2"), ExplorerSortKey(u"a10"));
  EXPECT_EQ(ExplorerSortKey(u"v1.2.10"), u"v000000001.000000002.000000010");
  EXPECT_EQ(ExplorerSortKey(u"x0000000000007"), u"x000000007");
  EXPECT_EQ(ExplorerSortKey(u"x1234567890"), u"x1234567890");
  // Beyond 32 bits the value is written exactly.
  EXPECT_EQ(ExplorerSortKey(u"x98765432109876543210y"), u"x98765432109876543210y");
  EXPECT_EQ(ExplorerSortKey(u"x0"), u"x000000000");
  EXPECT_EQ(ExplorerSortKey(u"ABC"), u"abc");
  EXPECT_EQ(ExplorerSortKey(u"ＡＢ"), u"ＡＢ");  // only A-Z are lowered
}

TEST(ExplorerSortKey, LeadingMarks) {
  EXPECT_EQ(ExplorerSortKey(u"-x"), u" -x");
  EXPECT_EQ(ExplorerSortKey(u"～x"), u"   ～x");
  EXPECT_EQ(ExplorerSortKey(u"7"), u"  000000007");
  EXPECT_EQ(ExplorerSortKey(u"x-7"), u"x-000000007");
  EXPECT_EQ(ExplorerSortKey(u""), u"");
}

TEST(ExplorerSortKey, KanaFolding) {
  EXPECT_EQ(ExplorerSortKey(u"ｶﾞ"), u"か");
  EXPECT_EQ(ExplorerSortKey(u"ガ"), u"か");
  EXPECT_EQ(ExplorerSortKey(u"ﾊﾟﾝ"), u"はん");
  EXPECT_EQ(ExplorerSortKey(u"ヴ"), u"う");
  EXPECT_EQ(ExplorerSortKey(u"う゛"), u"う");
  EXPECT_EQ(ExplorerSortKey(u"ｳﾞ"), u"う\uFF9E");  // ｳ takes no mark here
  EXPECT_EQ(ExplorerSortKey(u"ﾞ"), u"\uFF9E");
  EXPECT_EQ(ExplorerSortKey(u"ｧｯｬｰ"), u"あつやー");
  EXPECT_EQ(ExplorerSortKey(u"ぁっヮ"), u"あつゎ");
  EXPECT_EQ(ExplorerSortKey(u"ｦ"), u"を");
  EXPECT_EQ(ExplorerSortKey(u"が"), u"が");  // voiced hiragana stay
  EXPECT_EQ(ExplorerSortKey(u"ﾃﾞｰﾀ"), ExplorerSortKey(u"テータ"));
  EXPECT_EQ(ExplorerSortKey(u"ﾃﾞｰﾀ"), u"てーた");
}

}  // namespace
}  // namespace ordano
