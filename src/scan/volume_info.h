// Volume names in printed folders and the capacity of the catalogued drive.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ordano {

struct AppContext;

// The printed form of a folder text: "Vol:label (Lfolder)" and its variants
// for absolute paths on a labelled volume; anything else unchanged.
std::u16string DecorateFolder(AppContext& ctx, std::u16string_view folder);

struct CapacityInfo {
  bool ok = false;
  std::uint64_t total = 0;
  std::uint64_t free = 0;
};

// Total and free bytes of run.CapacityTarget.
CapacityInfo QueryCapacity(const AppContext& ctx);

}  // namespace ordano
