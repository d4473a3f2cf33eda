// Digests kept between runs: a file's stamp stored with its row, and the
// digests of a run that has not stored its tree yet.
#include <cstring>

#include "library/library_store.h"

namespace ordano {
namespace {

bool PathAtOrBelow(std::string_view path, std::string_view root) {
  if (root.empty()) return true;
  return path.substr(0, root.size()) == root &&
         (path.size() == root.size() || path[root.size()] == '/');
}

bool ReadDigest(const Statement& s, int col, std::array<std::uint8_t, 16>& out) {
  const std::string_view b = s.Bytes(col);
  if (b.size() != out.size()) return false;
  std::memcpy(out.data(), b.data(), out.size());
  return true;
}

}  // namespace

void Library::ForEachKnownDigest(const std::string& volumeKey, const std::string& rootBelow,
                                 const std::function<void(const KeptDigest&)>& visit) {
  KeptDigest d;
  d.volumeKey = volumeKey;
  Statement stored(db_,
                   "SELECT d.path, f.name, f.size, f.mtime_ns, f.inode, f.md5 FROM volume v "
                   "JOIN tree t ON t.volume_id = v.id "
                   "JOIN folder d ON d.snapshot_id = t.current_snapshot "
                   "JOIN file f ON f.folder_id = d.id "
                   "WHERE v.key = ? AND f.mtime_ns IS NOT NULL AND f.inode IS NOT NULL "
                   "AND f.md5 IS NOT NULL");
  stored.Bind(1, volumeKey);
  while (stored.Step()) {
    const std::string_view folder = stored.Bytes(0);
    if (!PathAtOrBelow(folder, rootBelow) || !ReadDigest(stored, 5, d.md5)) continue;
    d.path.assign(folder);
    if (!d.path.empty()) d.path += '/';
    d.path += stored.Bytes(1);
    d.stamp = {static_cast<std::uint64_t>(stored.Int(2)), stored.Int(3),
               static_cast<std::uint64_t>(stored.Int(4))};
    visit(d);
  }
  Statement kept(db_,
                 "SELECT path, size, mtime_ns, inode, md5 FROM digest_kept WHERE volume_key = ?");
  kept.Bind(1, volumeKey);
  while (kept.Step()) {
    const std::string_view path = kept.Bytes(0);
    if (!PathAtOrBelow(path, rootBelow) || !ReadDigest(kept, 4, d.md5)) continue;
    d.path.assign(path);
    d.stamp = {static_cast<std::uint64_t>(kept.Int(1)), kept.Int(2),
               static_cast<std::uint64_t>(kept.Int(3))};
    visit(d);
  }
}

void Library::KeepDigests(std::span<const KeptDigest> digests) {
  if (digests.empty()) return;
  WriteTransaction tx(db_);
  Statement keep(db_,
                 "INSERT INTO digest_kept(volume_key, path, size, mtime_ns, inode, md5) "
                 "VALUES(?, ?, ?, ?, ?, ?) ON CONFLICT(volume_key, path) DO UPDATE SET "
                 "size = excluded.size, mtime_ns = excluded.mtime_ns, inode = excluded.inode, "
                 "md5 = excluded.md5");
  for (const KeptDigest& d : digests) {
    keep.Bind(1, d.volumeKey).BindBlob(2, d.path);
    keep.Bind(3, static_cast<std::int64_t>(d.stamp.size)).Bind(4, d.stamp.mtimeNs);
    keep.Bind(5, static_cast<std::int64_t>(d.stamp.inode));
    keep.BindBlob(6, std::span<const std::uint8_t>(d.md5));
    keep.Run();
  }
  tx.Commit();
}

void Library::DropKeptDigests(const std::string& volumeKey, const std::string& rootBelow) {
  if (rootBelow.empty()) {
    Statement all(db_, "DELETE FROM digest_kept WHERE volume_key = ?");
    all.Bind(1, volumeKey).Run();
    return;
  }
  const std::string prefix = rootBelow + '/';
  Statement below(db_,
                  "DELETE FROM digest_kept WHERE volume_key = ? AND "
                  "(path = ? OR substr(path, 1, ?) = ?)");
  below.Bind(1, volumeKey).BindBlob(2, rootBelow);
  below.Bind(3, static_cast<std::int64_t>(prefix.size())).BindBlob(4, prefix);
  below.Run();
}

}  // namespace ordano
