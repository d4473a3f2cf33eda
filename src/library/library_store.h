// The catalogue library: one database of every volume catalogued, its trees
// and their snapshots, searchable by name (docs/DESIGN.md describes the
// schema): a SQLite file, or a PostgreSQL database shared by several
// machines (pg_store.h).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "compare/catalogue_read.h"
#include "library/library_backend.h"
#include "library/store_connection.h"
#include "library/volume_identity.h"
#include "scan/digest_reuse.h"

namespace ordano {

inline constexpr int kLibrarySchemaVersion = 5;
// Snapshots kept per tree: the current one and three before it.
inline constexpr int kKeptSnapshots = 4;

// A library that must not be used: damaged, not a library, or from a newer
// version of the program. The text says why (the caller names the file).
class LibraryRefused : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct LibraryVolume {
  std::int64_t id = 0;
  std::string key, uuid, label, fsType, mountPoint;
  std::optional<std::uint64_t> capacity, free;
  std::int64_t firstSeen = 0, lastSeen = 0;
  std::uint64_t files = 0, bytes = 0;
};

struct FindQuery {
  // Folded (FoldForSearch), non-empty; one with `*` or `?` is a glob the
  // whole name must match.
  std::vector<std::string> fragments;
  std::vector<std::string> extensions;  // folded, without the dot
  std::optional<std::uint64_t> minSize, maxSize;
  std::optional<std::array<std::uint8_t, 16>> md5;
  std::optional<std::string> volume;  // label or UUID (any case), or the key
  // Modified at or after / before, Unix seconds; a file without a time fails both.
  std::optional<std::int64_t> modifiedFrom, modifiedBefore;
};

// The order of a search's hits (library_pages.h).
struct FindOrder;

struct FindHit {
  std::string folder;  // below the volume's mount point, as stored
  std::string name;    // the name's bytes
  std::uint64_t size = 0;
  std::optional<std::int64_t> modified;  // Unix seconds
  std::optional<std::array<std::uint8_t, 16>> md5;
  std::string volumeKey, volumeLabel, lastMountPoint;
  std::int64_t volumeId = 0;
  std::int64_t fileId = 0;
  std::int64_t folderId = 0;
};

// One catalogued tree with its kept snapshots, newest first.
struct LibrarySnapshot {
  std::int64_t id = 0, taken = 0;
  std::string source;  // "scan", "run" or "import"
  std::uint64_t files = 0, bytes = 0;
};
struct LibraryTree {
  std::int64_t id = 0;
  std::string volumeKey, volumeLabel, lastMountPoint;
  std::string root;  // below the volume's mount point, as stored
  std::vector<LibrarySnapshot> snapshots;
};

// A digest with the stamp of the file it was made from; `path` below the
// volume's mount point.
struct KeptDigest {
  std::string volumeKey, path;
  FileStamp stamp;
  std::array<std::uint8_t, 16> md5{};
};

// A file of a snapshot picked for a sampled verify: its row, its folder
// (below the volume's mount point, as stored) and name.
struct VerifyPick {
  std::int64_t fileId = 0;
  std::string folder, name;
};

// The stamp a run saw for the file `name` in the catalogue's `folder`, if any.
using StampLookup =
    std::function<std::optional<FileStamp>(std::string_view folder, std::string_view name)>;

class Library {
 public:
  // Opens the library at `path` (a postgresql:// or postgres:// URI is a
  // server's database). With `create` a missing one is made (its folder
  // too); without, nullptr when there is none. Throws LibraryRefused, or
  // StoreError for a failure of the database itself.
  static std::unique_ptr<Library> Open(const std::string& path, bool create);

  // Replaces, in one transaction, the tree at `root` (an absolute path on the
  // volume) with the catalogue's rows at or below it; the tree's earlier
  // snapshots stay as history (kKeptSnapshots in all). Returns the rows stored.
  // Each file's stamp, where `stamps` knows it, is stored with its row; the
  // digests kept for the tree's files by unfinished runs go.
  std::uint64_t StoreTree(const VolumeIdentity& volume, const std::string& root,
                          const Catalogue& catalogue, std::string_view source, std::int64_t now,
                          const StampLookup& stamps = {});

  // (library_digests.cpp) The digests known for files at or below `rootBelow`
  // (below the mount point) of the volume keyed `volumeKey`: the current
  // snapshots' rows stored with a stamp, then the digests kept by runs that
  // did not finish (a path may come twice: the later one holds).
  void ForEachKnownDigest(const std::string& volumeKey, const std::string& rootBelow,
                          const std::function<void(const KeptDigest&)>& visit);
  // Keeps digests of a run in progress, in one transaction, so a run that is
  // stopped does not make them again.
  void KeepDigests(std::span<const KeptDigest> digests);

  std::vector<LibraryVolume> Volumes();
  // The hits by volume, folder and name.
  std::vector<FindHit> Find(const FindQuery& query);
  // (library_pages.cpp) At most `limit` hits (all when negative) in `order`,
  // from the one after `after` (the last hit of the page before) or the first.
  std::vector<FindHit> FindPage(const FindQuery& query, const FindOrder& order,
                                const FindHit* after, int limit);
  std::uint64_t CountHits(const FindQuery& query);
  // A statement of this connection stops with an error soon after `stop`
  // returns true; empty for never.
  void StopWhen(std::function<bool()> stop);
  // Every file of the current snapshots, by volume (label, key), folder and
  // name (as bytes), then file id; Find lists its hits in the same order.
  void ForEachCurrentFile(const std::function<void(const FindHit&)>& visit);
  // Every file of the current snapshots in no order, with what tells copies
  // apart (md5 empty when unknown) and where it is: one pass over the whole
  // library, nothing copied (the views last until `visit` returns).
  struct FileKey {
    std::int64_t id = 0, folderId = 0;
    std::uint64_t size = 0;
    std::string_view name, md5;
    std::optional<std::int64_t> modified;
  };
  void ForEachCurrentFileKey(const std::function<void(const FileKey&)>& visit);
  // The folders of the current snapshots: id, path (below the mount point)
  // and volume id.
  void ForEachCurrentFolder(const std::function<void(std::int64_t id, std::string_view path,
                                                     std::int64_t volumeId)>& visit);
  // The volumes a label or UUID (any case) or a key names.
  std::vector<LibraryVolume> MatchVolumes(std::string_view nameOrUuid);
  // Every tree, by volume and root (library_snapshots.cpp).
  std::vector<LibraryTree> Trees();
  // One snapshot's rows as a catalogue: folders as paths below `mountPoint`,
  // times in local time; its root recorded.
  Catalogue SnapshotCatalogue(std::int64_t snapshot, const std::string& mountPoint,
                              const std::string& root);
  // (library_verified.cpp) `count` files of the snapshot, those verified
  // longest ago (never first), random among equals.
  std::vector<VerifyPick> LeastRecentlyVerified(std::int64_t snapshot, std::uint64_t count);
  // Records the files, or every file of the snapshot, as verified at `now`
  // (Unix seconds).
  void MarkVerified(std::span<const std::int64_t> fileIds, std::int64_t now);
  void MarkSnapshotVerified(std::int64_t snapshot, std::int64_t now);
  // Removes a volume with its trees and their snapshots in one transaction;
  // the files removed.
  std::uint64_t ForgetVolume(const std::string& key);

  explicit Library(std::unique_ptr<LibraryBackend> backend)
      : backend_(std::move(backend)), db_(backend_->Connection()) {}
  Library(const Library&) = delete;  // the store holds a pointer to its stop test
  Library& operator=(const Library&) = delete;

 private:
  std::int64_t VolumeId(const VolumeIdentity& v, std::int64_t now);
  void DropSnapshot(std::int64_t snapshot);
  // Gives the files of snapshot `to` the last verify of the same file,
  // unchanged, in snapshot `from` (library_verified.cpp).
  void CarryVerified(std::int64_t from, std::int64_t to);
  // Drops the digests kept for the files at or below `rootBelow` (library_digests.cpp).
  void DropKeptDigests(const std::string& volumeKey, const std::string& rootBelow);
  // The query's hits (or their count), `tail` (conditions, order, limit;
  // named parameters) after its conditions.
  Statement FindStatement(const FindQuery& query, bool count, const std::string& tail);
  static std::vector<FindHit> ReadHits(Statement& s);
  std::unique_ptr<LibraryBackend> backend_;
  StoreConnection& db_;
};

// The order the library lists hits in: volume label and key, folder and name
// (as bytes), then file id (one file in two overlapping trees).
bool HitBefore(const FindHit& a, const FindHit& b);
void SortHits(std::vector<FindHit>& hits);
// Each list sorted on its own, the volumes and folders ranked once for all.
void SortHits(std::span<std::vector<FindHit>* const> lists);

// A time for output: "2024-05-01 13:05:09" in local time.
std::string LocalTimeText(std::int64_t unixSeconds);

}  // namespace ordano
