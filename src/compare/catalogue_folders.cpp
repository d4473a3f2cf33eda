#include "compare/catalogue_folders.h"

#include <unordered_set>

namespace ordano {

std::vector<std::string> TopFolders(const Catalogue& listed) {
  const std::unordered_set<std::string_view> all(listed.folders.begin(), listed.folders.end());
  std::vector<std::string> top;
  for (const std::string& folder : listed.folders) {
    bool below = false;
    for (std::string_view p = folder; !below && p.size() > 1;) {
      const std::size_t slash = p.rfind('/');
      if (slash == std::string_view::npos) break;
      p = p.substr(0, slash == 0 ? 1 : slash);
      below = all.contains(p);
    }
    if (!below) top.push_back(folder);
  }
  return top;
}

std::optional<std::string_view> PlainFolder(std::string_view text) {
  if (text.starts_with('/')) return text;
  constexpr std::string_view kVolume = "Vol:", kOpen = " (L/";
  if (!text.starts_with(kVolume) || !text.ends_with(')')) return std::nullopt;
  // The first " (L/" opens the path (a label holding one is misread; labels
  // rarely do).
  const std::size_t open = text.find(kOpen, kVolume.size());
  if (open == std::string_view::npos) return std::nullopt;
  return text.substr(open + kOpen.size() - 1, text.size() - (open + kOpen.size() - 1) - 1);
}

}  // namespace ordano
