// A search's hits a page at a time, sorted by one column: the order and the
// paging run in SQL (keyset paging on the sort key), so a million hits are
// never sorted or held in memory here.
#pragma once

#include <string>
#include <vector>

#include "library/library_store.h"

namespace ordano {

enum class FindSort { kName, kFolder, kSize, kModified, kVolume, kOnline };

struct FindOrder {
  // By volume, then folder and name: the order of --find.
  FindSort by = FindSort::kVolume;
  bool descending = false;
  // kOnline: the keys of the volumes mounted now; their files come first.
  std::vector<std::string> onlineKeys;
};

}  // namespace ordano
