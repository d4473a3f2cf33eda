#include "library/library_questions.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

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
  // A first pass in no order keeps a hash of each file's copy key; only the
  // files whose hash is shared are read again and grouped by the key itself
  // (a shared hash alone makes no group), then put in the library's order.
  std::vector<std::pair<std::uint64_t, std::int64_t>> hashed;
  library.ForEachCurrentFileKey(
      [&](std::int64_t id, std::uint64_t size, std::string_view name, std::string_view md5) {
        if (size == 0) return;
        const bool digest = md5.size() == 16;
        const std::uint64_t h = std::hash<std::string_view>{}(digest ? md5 : name);
        hashed.emplace_back((h ^ (size * 0x9E3779B97F4A7C15ull)) + (digest ? 1 : 0), id);
      });
  std::sort(hashed.begin(), hashed.end());
  std::vector<std::int64_t> candidates;
  for (std::size_t i = 0; i < hashed.size();) {
    std::size_t end = i + 1;
    while (end < hashed.size() && hashed[end].first == hashed[i].first) ++end;
    if (end - i > 1) {
      for (std::size_t k = i; k < end; ++k) candidates.push_back(hashed[k].second);
    }
    i = end;
  }
  const std::size_t files = hashed.size();
  hashed = {};
  std::sort(candidates.begin(), candidates.end());
  std::unordered_map<std::string, std::size_t> groupOf;
  std::vector<DuplicateGroup> groups;
  library.ForEachCurrentFileOf(candidates, files, [&](FindHit& f) {
    const auto [at, added] = groupOf.emplace(CopyKey(f), groups.size());
    if (added) {
      DuplicateGroup& g = groups.emplace_back();
      g.size = f.size;
      g.md5 = f.md5;
    }
    groups[at->second].copies.push_back(std::move(f));
  });
  std::erase_if(groups, [](const DuplicateGroup& g) { return g.copies.size() < 2; });
  // Each group in the library's order, and the groups by their first copy.
  for (DuplicateGroup& g : groups) SortHits(g.copies);
  std::sort(groups.begin(), groups.end(), [](const DuplicateGroup& a, const DuplicateGroup& b) {
    return HitBefore(a.copies.front(), b.copies.front());
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
