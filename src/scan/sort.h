// Sort orders of the catalogue rows.
#pragma once

#include <string>
#include <string_view>

namespace ordano {

struct AppContext;

// Sorts rows first .. first+count-1 in place by SortOrder / SortDescending.
void SortRange(AppContext& ctx, int first, int count);

// The explorer-compatible key: numbers by value, kana variants folded.
std::u16string ExplorerSortKey(std::u16string_view name);

}  // namespace ordano
