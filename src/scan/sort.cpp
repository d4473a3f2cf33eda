#include "scan/sort.h"

namespace ordano {

void SortRange(AppContext&, int, int) {}  // TODO(scan)
std::u16string ExplorerSortKey(std::u16string_view name) { return std::u16string(name); }

}  // namespace ordano
