// The branch graphics of the indented (tree-like) text catalogue.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace ordano {

class EntryTable;

inline constexpr int kTreeMaxLevel = 200;

// For every row: whether the next folder start at its depth or above is at
// its own depth (another folder of the same level follows before the parent
// ends). One backward pass, O(rows x depth).
std::vector<std::uint8_t> ComputeSiblingFlags(const EntryTable& table, int rowCount);

enum class TreeLine { Item, Continuation };

// Connector kinds of the last level.
enum TreeKind : int {
  kTreeBranch = 0,        // ├ unless the folder closes here
  kTreeLastOrBranch = 1,  // ├ while siblings follow, else └
  kTreeBlank = 2,
  kTreeBar = 3,
  kTreeBarIfTop = 4,  // │ on the first level only
};

// Draws prefixes while the writer walks the rows in order; keeps the open
// level markers between calls.
class TreeDrawer {
 public:
  TreeDrawer(const EntryTable& table, int rowCount);

  // Appends the prefix of `levels` levels for the line that follows row
  // prevRow (style 0: ideographic spaces; style 1: branch graphics).
  void Append(std::u16string& out, int levels, int kind, int style, int prevRow, TreeLine line);

 private:
  const EntryTable& table_;
  int rowCount_;
  std::vector<std::uint8_t> siblingFlags_;
  std::array<std::uint8_t, kTreeMaxLevel + 2> openLevel_{};
};

}  // namespace ordano
