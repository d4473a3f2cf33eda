#include "library/library_questions.h"

#include <algorithm>
#include <array>
#include <cstdint>
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
  // One pass in no order keeps what each file needs (its name in one arena)
  // and a hash of its copy key; only the files whose hash is shared become
  // hits, grouped by the key itself (a shared hash alone makes no group),
  // with their folders and volumes looked up once each.
  struct Row {
    std::int64_t id, folderId;
    std::uint64_t size;
    std::int64_t modified;
    std::uint64_t nameAt;
    std::uint32_t nameSize;
    std::uint32_t md5At;  // into md5s; kNone without a digest
    bool hasModified;
  };
  constexpr std::uint32_t kNone = UINT32_MAX;
  // Sized for the current files at once: a million rows grow no vector twice.
  std::vector<LibraryVolume> volumeList = library.Volumes();
  std::uint64_t expected = 0;
  for (const LibraryVolume& v : volumeList) expected += v.files;
  std::vector<Row> rows;
  rows.reserve(expected);
  std::vector<std::pair<std::uint64_t, std::size_t>> hashed;
  hashed.reserve(expected);
  std::vector<std::array<std::uint8_t, 16>> md5s;
  std::string names;
  library.ForEachCurrentFileKey([&](const Library::FileKey& f) {
    if (f.size == 0) return;
    const bool digest = f.md5.size() == 16;
    const std::uint64_t h = std::hash<std::string_view>{}(digest ? f.md5 : f.name);
    hashed.emplace_back((h ^ (f.size * 0x9E3779B97F4A7C15ull)) + (digest ? 1 : 0), rows.size());
    rows.push_back(Row{f.id, f.folderId, f.size, f.modified.value_or(0), names.size(),
                       static_cast<std::uint32_t>(f.name.size()),
                       digest ? static_cast<std::uint32_t>(md5s.size()) : kNone,
                       f.modified.has_value()});
    if (digest) std::memcpy(md5s.emplace_back().data(), f.md5.data(), 16);
    names += f.name;
  });
  std::sort(hashed.begin(), hashed.end());
  std::vector<std::size_t> candidates;
  for (std::size_t i = 0; i < hashed.size();) {
    std::size_t end = i + 1;
    while (end < hashed.size() && hashed[end].first == hashed[i].first) ++end;
    if (end - i > 1) {
      for (std::size_t k = i; k < end; ++k) candidates.push_back(hashed[k].second);
    }
    i = end;
  }
  hashed = {};
  if (candidates.empty()) return {};
  // Back in the order of the pass, which keeps the files of a folder together.
  std::sort(candidates.begin(), candidates.end());

  struct Folder {
    std::string path;
    std::int64_t volumeId;
  };
  std::unordered_map<std::int64_t, Folder> folders;
  library.ForEachCurrentFolder([&](std::int64_t id, std::string_view path, std::int64_t volume) {
    folders.emplace(id, Folder{std::string(path), volume});
  });
  std::unordered_map<std::int64_t, LibraryVolume> volumes;
  for (LibraryVolume& v : volumeList) volumes.emplace(v.id, std::move(v));

  std::unordered_map<std::string, std::size_t> groupOf;
  std::vector<DuplicateGroup> groups;
  FindHit f;
  for (const std::size_t at : candidates) {
    const Row& row = rows[at];
    const Folder& folder = folders.at(row.folderId);
    const LibraryVolume& volume = volumes.at(folder.volumeId);
    f.folder = folder.path;
    f.name.assign(names, row.nameAt, row.nameSize);
    f.size = row.size;
    f.modified = row.hasModified ? std::optional<std::int64_t>(row.modified) : std::nullopt;
    f.md5 = row.md5At == kNone ? std::nullopt
                               : std::optional<std::array<std::uint8_t, 16>>(md5s[row.md5At]);
    f.volumeKey = volume.key;
    f.volumeLabel = volume.label;
    f.lastMountPoint = volume.mountPoint;
    f.volumeId = volume.id;
    f.fileId = row.id;
    f.folderId = row.folderId;
    const auto [group, added] = groupOf.emplace(CopyKey(f), groups.size());
    if (added) {
      DuplicateGroup& g = groups.emplace_back();
      g.size = f.size;
      g.md5 = f.md5;
    }
    groups[group->second].copies.push_back(std::move(f));
  }
  std::erase_if(groups, [](const DuplicateGroup& g) { return g.copies.size() < 2; });
  // Each group in the library's order, and the groups by their first copy.
  std::vector<std::vector<FindHit>*> lists;
  for (DuplicateGroup& g : groups) lists.push_back(&g.copies);
  SortHits(lists);
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
