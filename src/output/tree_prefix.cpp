#include "output/tree_prefix.h"

#include <algorithm>

#include "core/entry_table.h"

namespace ordano {
namespace {

int ClampLevel(int depth) { return std::clamp(depth, 1, kTreeMaxLevel); }

constexpr std::u16string_view kBar = u" │ ";
constexpr std::u16string_view kTee = u" ├ ";
constexpr std::u16string_view kEnd = u" └ ";
constexpr std::u16string_view kGap = u" \u3000 ";

}  // namespace

std::vector<std::uint8_t> ComputeSiblingFlags(const EntryTable& table, int rowCount) {
  std::vector<std::uint8_t> flags(static_cast<std::size_t>(std::max(rowCount, 0)), 0);
  std::array<int, kTreeMaxLevel + 1> nextStart;
  nextStart.fill(-1);
  for (int i = rowCount - 1; i >= 0; --i) {
    const int d = ClampLevel(table.Depth(i));
    // The nearest later folder start at depth d or above.
    int bestLevel = 0;
    int bestRow = -1;
    for (int j = 1; j <= d; ++j) {
      const int r = nextStart[j];
      if (r >= 0 && (bestRow < 0 || r < bestRow)) {
        bestRow = r;
        bestLevel = j;
      }
    }
    flags[i] = bestLevel == d ? 1 : 0;
    if (table.FolderStart(i) == 1) nextStart[d] = i;
  }
  return flags;
}

TreeDrawer::TreeDrawer(const EntryTable& table, int rowCount)
    : table_(table), rowCount_(rowCount), siblingFlags_(ComputeSiblingFlags(table, rowCount)) {}

void TreeDrawer::Append(std::u16string& out, int levels, int kind, int style, int prevRow,
                        TreeLine line) {
  const int row = prevRow + 1;
  const bool isRow = row >= 0 && row < rowCount_;
  if (isRow) {
    const int d = table_.Depth(row);
    if (d >= 1 && d <= kTreeMaxLevel) openLevel_[d] = siblingFlags_[row];
  }
  if (levels <= 0) return;
  if (style == 0) {
    out.append(static_cast<std::size_t>(levels), u'\u3000');
    return;
  }
  if (style != 1) return;
  const bool item = line == TreeLine::Item;
  for (int i = 0; i < levels; ++i) {
    const int level = i + 2;
    const bool open = level <= kTreeMaxLevel + 1 && openLevel_[level] == 1;
    if (i + 1 < levels) {
      out.append(open ? kBar : kGap);
      continue;
    }
    switch (kind) {
      case kTreeBranch: {
        // Past the last row there is no folder start.
        const bool folderGoesOn = open || !isRow || table_.FolderStart(row) == 0;
        out.append(folderGoesOn ? (item ? kTee : kBar) : (item ? kEnd : kGap));
        break;
      }
      case kTreeLastOrBranch:
        out.append(open ? (item ? kTee : kBar) : (item ? kEnd : kGap));
        break;
      case kTreeBlank:
        out.append(kGap);
        break;
      case kTreeBar:
        out.append(kBar);
        break;
      case kTreeBarIfTop:
        out.append(levels == 1 ? kBar : kGap);
        break;
      default:
        break;
    }
  }
}

}  // namespace ordano
