#include "app/library_lookup.h"

#include <algorithm>

#include "library/name_text.h"
#include "library/volume_identity.h"

namespace ordano {

std::vector<std::string> QueryFragments(std::string_view typed) {
  const std::string folded = FoldForSearch(typed);
  std::vector<std::string> fragments;
  for (std::size_t i = 0; i < folded.size();) {
    const std::size_t end = std::min(folded.find_first_of(" \t", i), folded.size());
    if (end > i) fragments.push_back(folded.substr(i, end - i));
    i = end + 1;
  }
  return fragments;
}

std::string HitFolder(const FindHit& hit,
                      const std::unordered_map<std::string, std::string>& mounted, bool* online) {
  const auto at = mounted.find(hit.volumeKey);
  if (online != nullptr) *online = at != mounted.end();
  return JoinMountPoint(at != mounted.end() ? at->second : hit.lastMountPoint, hit.folder);
}

}  // namespace ordano
