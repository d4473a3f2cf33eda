#include "scan/sort.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "core/app_context.h"
#include "scan/name_compare.h"

namespace ordano {
namespace {

enum SortOrderValue {
  kName = 0,
  kSize = 1,
  kModified = 2,
  kExtension = 3,
  kExplorer = 4,
  kCreated = 5
};

int Three(auto a, auto b) { return a < b ? -1 : (b < a ? 1 : 0); }

// Text after the last ".", or a single space for a name without one.
std::u16string_view Extension(std::u16string_view name) {
  const std::size_t dot = name.rfind(u'.');
  return dot == std::u16string_view::npos ? std::u16string_view(u" ") : name.substr(dot + 1);
}

// CompareFolded of two rows' names as they are stored (no copy).
int CompareNames(const EntryTable& t, int a, int b) {
  const StoredName x = t.NameAsStored(a);
  const StoredName y = t.NameAsStored(b);
  const std::size_t n = std::min(x.size, y.size);
  for (std::size_t i = 0; i < n; ++i) {
    const char16_t p = FoldCase(x[i]);
    const char16_t q = FoldCase(y[i]);
    if (p != q) return p < q ? -1 : 1;
  }
  if (x.size == y.size) return 0;
  return x.size < y.size ? -1 : 1;
}

class RowOrder {
 public:
  RowOrder(const EntryTable& t, int order, bool descending)
      : t_(t), order_(order), descending_(descending) {}

  // Three-way order of rows a and b: the order's own column, and in
  // ascending order the name as tie-break (except for name and key orders).
  int Compare(int a, int b) const {
    int c = 0;
    bool tieBreak = true;
    switch (order_) {
      case kSize:
        c = Three(t_.Size(a), t_.Size(b));
        break;
      case kModified:
        c = Three(TimeOrderKey(t_.Modified(a)), TimeOrderKey(t_.Modified(b)));
        break;
      case kExtension:
        c = CompareFolded(Extension(t_.Name(a, nameA_)), Extension(t_.Name(b, nameB_)));
        break;
      case kExplorer:
        c = CompareFolded(t_.SortKey(a), t_.SortKey(b));
        tieBreak = false;
        break;
      case kCreated:
        c = Three(TimeOrderKey(t_.Created(a)), TimeOrderKey(t_.Created(b)));
        break;
      default:  // kName, and any unknown order
        c = CompareNames(t_, a, b);
        tieBreak = false;
        break;
    }
    if (c == 0 && tieBreak && !descending_) c = CompareNames(t_, a, b);
    return c;
  }

  bool GoesBefore(int row, int pivot) const {
    const int c = Compare(row, pivot);
    return descending_ ? c > 0 : c < 0;
  }

 private:
  const EntryTable& t_;
  int order_;
  bool descending_;
  // Names stored one byte a character are widened here for the comparison.
  mutable std::u16string nameA_, nameB_;
};

// The quicksort whose exact steps fix the order of equal rows: middle pivot
// moved to the front, one store/partition sweep, pivot put at the store.
// Sorting the low and the high side touches disjoint rows and reads nothing
// outside them, so doing the smaller side first (by recursion) and the
// larger by the loop gives the same rows as low-then-high, with a stack
// depth of at most log2(count).
void QuickSort(EntryTable& t, const RowOrder& order, int first, int last) {
  while (first < last) {
    const int mid = static_cast<int>((static_cast<std::int64_t>(first) + last) / 2);
    const EntryRow pivot = t.Row(mid);
    t.SwapRows(mid, first);
    // Row `first` holds the pivot and stays untouched during the sweep, so it
    // stands in for the pivot copy in the comparisons.
    int store = first;
    for (int i = first + 1; i <= last; ++i) {
      if (order.GoesBefore(i, first)) {
        ++store;
        t.SwapRows(store, i);
      }
    }
    t.SetRow(first, t.Row(store));
    t.SetRow(store, pivot);

    if (store == first) {
      // Nothing went before the pivot. If everything equals it, each further
      // level would only swap its middle row to its front: do exactly that
      // without the quadratic comparisons (many equal sizes or names).
      bool allEqual = true;
      for (int i = first + 1; i <= last && allEqual; ++i) allEqual = order.Compare(i, first) == 0;
      if (allEqual) {
        for (int f = first + 1; f < last; ++f) {
          t.SwapRows(f, static_cast<int>((static_cast<std::int64_t>(f) + last) / 2));
        }
        return;
      }
    }
    if (store - first < last - store) {
      QuickSort(t, order, first, store - 1);
      first = store + 1;
    } else {
      QuickSort(t, order, store + 1, last);
      last = store - 1;
    }
  }
}

}  // namespace

void SortRange(AppContext& ctx, int first, int count) {
  if (ctx.run.Pass == 0 || count < 2 || first < 0 || !ctx.table.Allocated()) return;
  const int capacity = ctx.table.Capacity();
  if (first >= capacity) return;
  const int last = static_cast<int>(
      std::min<std::int64_t>(static_cast<std::int64_t>(first) + count - 1, capacity - 1));
  const RowOrder order(ctx.table, ctx.options.settings.SortOrder,
                       ctx.options.settings.SortDescending != 0);
  QuickSort(ctx.table, order, first, last);
}

}  // namespace ordano
