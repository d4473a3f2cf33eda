// When each file of a snapshot was last verified against the disk, so that
// sampled checks take the files checked longest ago (or never) first; a new
// snapshot keeps the record of the files that did not change.
#include <algorithm>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "library/library_store.h"

namespace ordano {
namespace {

// A file's place and what a verify checked it against: path, name, size,
// time and digest.
std::string CheckedKey(const Statement& s, int first) {
  std::string key(s.Bytes(first));
  key += '\0';
  key += s.Bytes(first + 1);
  key += '\0' + std::to_string(s.Int(first + 2)) + '\0';
  key += s.IsNull(first + 3) ? "-" : std::to_string(s.Int(first + 3));
  key += '\0';
  if (!s.IsNull(first + 4)) key += s.Bytes(first + 4);
  return key;
}

}  // namespace

void Library::CarryVerified(std::int64_t from, std::int64_t to) {
  // Only files a verify has looked at count: for most libraries none.
  Statement checked(db_,
                    "SELECT d.path, f.name, f.size, f.mtime, f.md5, f.verified FROM folder d "
                    "JOIN file f ON f.folder_id = d.id WHERE d.snapshot_id = ? AND "
                    "f.verified IS NOT NULL");
  checked.Bind(1, from);
  std::unordered_map<std::string, std::int64_t> when;
  while (checked.Step()) when.emplace(CheckedKey(checked, 0), checked.Int(5));
  checked.Reset();
  if (when.empty()) return;
  Statement rows(db_,
                 "SELECT f.id, d.path, f.name, f.size, f.mtime, f.md5 FROM folder d "
                 "JOIN file f ON f.folder_id = d.id WHERE d.snapshot_id = ?");
  rows.Bind(1, to);
  std::vector<std::pair<std::int64_t, std::int64_t>> carried;
  while (rows.Step()) {
    if (const auto at = when.find(CheckedKey(rows, 1)); at != when.end()) {
      carried.emplace_back(rows.Int(0), at->second);
    }
  }
  rows.Reset();
  Statement mark(db_, "UPDATE file SET verified = ? WHERE id = ?");
  for (const auto& [id, verified] : carried) {
    mark.Bind(1, verified).Bind(2, id);
    mark.Run();
  }
}

std::vector<VerifyPick> Library::LeastRecentlyVerified(std::int64_t snapshot, std::uint64_t count) {
  // Ties (all the files never verified) fall at random, so samples differ
  // from volume to volume and no file waits on its name.
  Statement s(db_,
              "SELECT f.id, d.path, f.name FROM folder d JOIN file f ON f.folder_id = d.id "
              "WHERE d.snapshot_id = ? ORDER BY COALESCE(f.verified, 0), random() LIMIT ?");
  s.Bind(1, snapshot).Bind(2, static_cast<std::int64_t>(std::min<std::uint64_t>(count, INT64_MAX)));
  std::vector<VerifyPick> picks;
  while (s.Step()) {
    picks.push_back({s.Int(0), std::string(s.Bytes(1)), std::string(s.Bytes(2))});
  }
  return picks;
}

void Library::MarkVerified(std::span<const std::int64_t> fileIds, std::int64_t now) {
  WriteTransaction tx(db_);
  Statement mark(db_, "UPDATE file SET verified = ? WHERE id = ?");
  for (const std::int64_t id : fileIds) {
    mark.Bind(1, now).Bind(2, id);
    mark.Run();
  }
  tx.Commit();
}

void Library::MarkSnapshotVerified(std::int64_t snapshot, std::int64_t now) {
  WriteTransaction tx(db_);
  Statement mark(db_,
                 "UPDATE file SET verified = ? WHERE folder_id IN "
                 "(SELECT id FROM folder WHERE snapshot_id = ?)");
  mark.Bind(1, now).Bind(2, snapshot);
  mark.Run();
  tx.Commit();
}

}  // namespace ordano
