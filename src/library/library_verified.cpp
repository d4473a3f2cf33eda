// When each file of a snapshot was last verified against the disk, so that
// sampled checks take the files checked longest ago (or never) first.
#include <algorithm>
#include <cstdint>
#include <string>

#include "library/library_store.h"

namespace ordano {

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
