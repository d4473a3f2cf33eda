#include "scan/volume_info.h"

namespace ordano {

// No label lookup yet: every folder behaves as "no label" and prints undecorated.
std::u16string DecorateFolder(AppContext&, std::u16string_view folder) {
  return std::u16string(folder);
}

// No capacity lookup yet: the query reports failure.
CapacityInfo QueryCapacity(const AppContext&) { return {}; }

}  // namespace ordano
