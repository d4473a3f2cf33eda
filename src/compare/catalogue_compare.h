// Two catalogues compared by path: added, removed, changed, moved.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "compare/catalogue_read.h"

namespace ordano {

enum class DifferenceKind { Added, Removed, Changed, Moved, Unreadable };

struct Difference {
  enum : unsigned { kSize = 1, kModified = 2, kMd5 = 4 };
  DifferenceKind kind = DifferenceKind::Added;
  std::string path;     // the new path of an added file, the old one otherwise
  std::string movedTo;  // Moved: the new path
  unsigned changed = 0;
  std::uint64_t oldSize = 0, newSize = 0;
  CatalogueTime oldModified, newModified;
  std::string oldMd5, newMd5;
};

struct CompareReport {
  std::vector<Difference> differences;  // in path order
  std::size_t oldFiles = 0, newFiles = 0, unchanged = 0;
  std::size_t Count(DifferenceKind kind) const;
  bool Equal() const { return differences.empty(); }
};

// Rows match by folder and name. A size is compared when both catalogues give
// it in bytes, a time when both have one, a digest when both have one. A file
// removed here and added there with the same digest and size is one move.
CompareReport CompareCatalogues(const Catalogue& oldCat, const Catalogue& newCat);

// One line per difference, then the summary line; control characters in
// paths are shown as "?" (TerminalText).
std::string ReportText(const CompareReport& report);
// {"summary":{...},"differences":[...]}: paths that are not UTF-8 also as
// "path_bytes" (hex), as the catalogue's name_bytes.
std::string ReportJson(const CompareReport& report);
// "3 added, 1 removed, ...; 10 unchanged" or "equal: 10 files".
std::string ReportSummary(const CompareReport& report);
// One difference as its line in the text report (without the line break),
// its paths as they are.
std::string DifferenceLine(const Difference& d);
const char* KindWord(DifferenceKind kind);

}  // namespace ordano
