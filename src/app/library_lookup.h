// What the command line and the window share about the library: where it
// lives, how a typed query becomes name fragments, where a hit is now.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "library/library_place.h"
#include "library/library_store.h"

namespace ordano {

// The folded fragments of a typed query (split at spaces and tabs).
std::vector<std::string> QueryFragments(std::string_view typed);

// The folder holding a hit where it is now (its volume mounted, `online`
// set) or where its volume was last mounted. `mounted` as MountedVolumes().
std::string HitFolder(const FindHit& hit,
                      const std::unordered_map<std::string, std::string>& mounted,
                      bool* online = nullptr);

}  // namespace ordano
