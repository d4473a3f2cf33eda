// The kept snapshots of the library's trees: listed, and read back as
// catalogues for a compare.
#include <algorithm>
#include <ctime>

#include "library/library_store.h"
#include "library/volume_identity.h"

namespace ordano {
namespace {

CatalogueTime LocalTime(std::int64_t unixSeconds) {
  CatalogueTime t;
  const std::time_t at = static_cast<std::time_t>(unixSeconds);
  std::tm tm{};
  if (::localtime_r(&at, &tm) == nullptr) return t;
  t.known = true;
  t.wall = unixSeconds + tm.tm_gmtoff;
  t.offsetMinutes = static_cast<std::int16_t>(tm.tm_gmtoff / 60);
  return t;
}

}  // namespace

std::vector<LibraryTree> Library::Trees() {
  Statement s(db_,
              "SELECT t.id, v.key, v.label, v.mount_point, t.root, s.id, s.taken, s.source, "
              "s.files, s.bytes FROM tree t JOIN volume v ON v.id = t.volume_id "
              "JOIN snapshot s ON s.tree_id = t.id ORDER BY v.label, v.key, t.root, s.id DESC");
  std::vector<LibraryTree> trees;
  while (s.Step()) {
    if (trees.empty() || trees.back().id != s.Int(0)) {
      LibraryTree& t = trees.emplace_back();
      t.id = s.Int(0);
      t.volumeKey = s.Bytes(1);
      t.volumeLabel = s.Bytes(2);
      t.lastMountPoint = s.Bytes(3);
      t.root = s.Bytes(4);
    }
    LibrarySnapshot& snap = trees.back().snapshots.emplace_back();
    snap.id = s.Int(5);
    snap.taken = s.Int(6);
    snap.source = s.Bytes(7);
    snap.files = static_cast<std::uint64_t>(s.Int(8));
    snap.bytes = static_cast<std::uint64_t>(s.Int(9));
  }
  return trees;
}

Catalogue Library::SnapshotCatalogue(std::int64_t snapshot, const std::string& mountPoint,
                                     const std::string& root) {
  Catalogue c;
  c.hasRoots = true;
  c.roots.push_back(JoinMountPoint(mountPoint, root));
  Statement s(db_,
              "SELECT d.id, d.path, f.name, f.size, f.mtime, f.md5 FROM folder d "
              "JOIN file f ON f.folder_id = d.id WHERE d.snapshot_id = ? ORDER BY d.id");
  s.Bind(1, snapshot);
  std::int64_t lastFolder = 0;
  std::uint32_t folder = 0;
  while (s.Step()) {
    if (s.Int(0) != lastFolder) {
      lastFolder = s.Int(0);
      folder = c.FolderIndex(JoinMountPoint(mountPoint, std::string(s.Bytes(1))));
    }
    CatalogueRow& row = c.rows.emplace_back();
    row.folder = folder;
    row.name = s.Bytes(2);
    row.size = static_cast<std::uint64_t>(s.Int(3));
    row.hasSize = true;
    if (!s.IsNull(4)) row.modified = LocalTime(s.Int(4));
    if (!s.IsNull(5)) {
      const std::string_view digest = s.Bytes(5);
      if (digest.size() == row.md5.size()) {
        std::copy(digest.begin(), digest.end(), row.md5.begin());
        row.hasMd5 = true;
        c.md5 = true;
      }
    }
  }
  c.SortRows();
  return c;
}

}  // namespace ordano
