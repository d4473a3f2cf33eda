#include "library/library_questions.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <unordered_map>

namespace ordano {
namespace {

// Same size and digest, or same size and name for a file without one.
std::string CopyKey(const FindHit& f) {
  std::string key(sizeof f.size + 1, '\0');
  std::memcpy(key.data(), &f.size, sizeof f.size);
  if (f.md5) {
    key.back() = 'm';
    key.append(reinterpret_cast<const char*>(f.md5->data()), f.md5->size());
  } else {
    key.back() = 'n';
    key += f.name;
  }
  return key;
}

}  // namespace

std::vector<DuplicateGroup> FindDuplicates(Library& library) {
  // Counted first, so only the files with copies are held.
  std::unordered_map<std::string, std::uint32_t> counts;
  library.ForEachCurrentFile([&](const FindHit& f) {
    if (f.size > 0) ++counts[CopyKey(f)];
  });
  std::unordered_map<std::string, std::size_t> groupOf;
  std::vector<DuplicateGroup> groups;
  library.ForEachCurrentFile([&](const FindHit& f) {
    if (f.size == 0) return;
    std::string key = CopyKey(f);
    const auto n = counts.find(key);
    if (n == counts.end() || n->second < 2) return;
    const auto [at, added] = groupOf.emplace(std::move(key), groups.size());
    if (added) {
      DuplicateGroup& g = groups.emplace_back();
      g.size = f.size;
      g.md5 = f.md5;
    }
    groups[at->second].copies.push_back(f);
  });
  std::stable_sort(
      groups.begin(), groups.end(),
      [](const DuplicateGroup& a, const DuplicateGroup& b) { return a.Waste() > b.Waste(); });
  return groups;
}

std::vector<FindHit> FindUnique(Library& library,
                                const std::function<bool(const FindHit&)>& selected) {
  std::unordered_map<std::string, std::uint32_t> elsewhere;
  std::vector<FindHit> chosen;
  library.ForEachCurrentFile([&](const FindHit& f) {
    if (selected(f)) {
      chosen.push_back(f);
    } else {
      ++elsewhere[CopyKey(f)];
    }
  });
  std::erase_if(chosen, [&](const FindHit& f) { return elsewhere.contains(CopyKey(f)); });
  return chosen;
}

}  // namespace ordano
