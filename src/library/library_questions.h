// Questions only a library answers: which files have copies, and which have
// none outside a volume or a folder.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "library/library_store.h"

namespace ordano {

struct DuplicateGroup {
  std::uint64_t size = 0;
  std::optional<std::array<std::uint8_t, 16>> md5;  // none: matched by name and size
  std::vector<FindHit> copies;
  std::uint64_t Waste() const { return size * (copies.size() - 1); }
};

// Files that are the same by MD5 and size, or by name and size where the
// digest is missing, anywhere in the library; the biggest waste first.
// Empty files are left out (they waste nothing).
std::vector<DuplicateGroup> FindDuplicates(Library& library);

// The files `selected` takes that have no copy (as above) among the files it
// does not take: what would be lost with them.
std::vector<FindHit> FindUnique(Library& library,
                                const std::function<bool(const FindHit&)>& selected);

}  // namespace ordano
