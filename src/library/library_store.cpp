#include "library/library_store.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <iterator>
#include <tuple>
#include <unordered_map>

#include "library/library_place.h"
#include "library/name_text.h"
#include "library/pg_store.h"
#include "library/sqlite_handle.h"

namespace ordano {
namespace {

std::string_view TextArg(sqlite3_value* v) {
  const void* p = sqlite3_value_blob(v);
  const int n = sqlite3_value_bytes(v);
  if (p == nullptr || n <= 0) return {};
  return {static_cast<const char*>(p), static_cast<std::size_t>(n)};
}

// ordano_has(name, fragment): whether the folded name holds the (folded)
// fragment. Short fragments are checked in SQL, before the rows are sorted.
void NameHas(sqlite3_context* ctx, int, sqlite3_value** args) {
  const std::string folded = FoldForSearch(TextArg(args[0]));
  sqlite3_result_int(ctx, folded.find(TextArg(args[1])) != std::string::npos ? 1 : 0);
}

// ordano_glob(name, glob): whether the whole folded name matches the glob.
void NameGlob(sqlite3_context* ctx, int, sqlite3_value** args) {
  sqlite3_result_int(ctx, GlobMatches(FoldForSearch(TextArg(args[0])), TextArg(args[1])) ? 1 : 0);
}

// ordano_ext(name): the folded extension ("" without a dot).
void NameExtension(sqlite3_context* ctx, int, sqlite3_value** args) {
  const std::string folded = FoldForSearch(TextArg(args[0]));
  const std::size_t dot = folded.rfind('.');
  const std::string ext = dot == std::string::npos ? std::string() : folded.substr(dot + 1);
  sqlite3_result_text64(ctx, ext.data(), ext.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
}

// ordano_grams(name): the name's words for the short-fragment index.
void NameGrams(sqlite3_context* ctx, int, sqlite3_value** args) {
  const std::string words = NameGramWords(TextArg(args[0]));
  sqlite3_result_text64(ctx, words.data(), words.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
}

void RegisterFunctions(Database& db) {
  constexpr int kFlags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_DIRECTONLY;
  if (sqlite3_create_function_v2(db.get(), "ordano_has", 2, kFlags, nullptr, NameHas, nullptr,
                                 nullptr, nullptr) != SQLITE_OK ||
      sqlite3_create_function_v2(db.get(), "ordano_glob", 2, kFlags, nullptr, NameGlob, nullptr,
                                 nullptr, nullptr) != SQLITE_OK ||
      sqlite3_create_function_v2(db.get(), "ordano_ext", 1, kFlags, nullptr, NameExtension, nullptr,
                                 nullptr, nullptr) != SQLITE_OK ||
      sqlite3_create_function_v2(db.get(), "ordano_grams", 1, kFlags, nullptr, NameGrams, nullptr,
                                 nullptr, nullptr) != SQLITE_OK) {
    db.Fail(SQLITE_ERROR);
  }
}

// Each entry takes the schema from its index to the next version. A new
// library runs them all; an older one the ones it lacks, in one transaction.
constexpr const char* kMigrations[] = {
    // 0 -> 1
    R"(
CREATE TABLE volume(
  id INTEGER PRIMARY KEY,
  key TEXT NOT NULL UNIQUE,
  uuid TEXT NOT NULL DEFAULT '',
  label TEXT NOT NULL DEFAULT '',
  fs_type TEXT NOT NULL DEFAULT '',
  device TEXT NOT NULL DEFAULT '',
  mount_point TEXT NOT NULL DEFAULT '',
  capacity INTEGER,
  free INTEGER,
  first_seen INTEGER NOT NULL,
  last_seen INTEGER NOT NULL);
CREATE TABLE tree(
  id INTEGER PRIMARY KEY,
  volume_id INTEGER NOT NULL REFERENCES volume(id),
  root BLOB NOT NULL,
  current_snapshot INTEGER,
  UNIQUE(volume_id, root));
CREATE TABLE snapshot(
  id INTEGER PRIMARY KEY,
  tree_id INTEGER NOT NULL REFERENCES tree(id),
  taken INTEGER NOT NULL,
  source TEXT NOT NULL,
  files INTEGER NOT NULL,
  bytes INTEGER NOT NULL);
CREATE INDEX snapshot_tree ON snapshot(tree_id);
CREATE TABLE folder(
  id INTEGER PRIMARY KEY,
  snapshot_id INTEGER NOT NULL REFERENCES snapshot(id),
  path BLOB NOT NULL);
CREATE INDEX folder_snapshot ON folder(snapshot_id);
CREATE TABLE file(
  id INTEGER PRIMARY KEY,
  folder_id INTEGER NOT NULL REFERENCES folder(id),
  name BLOB NOT NULL,
  size INTEGER NOT NULL,
  mtime INTEGER,
  md5 BLOB);
CREATE INDEX file_folder ON file(folder_id);
CREATE INDEX file_md5 ON file(md5) WHERE md5 IS NOT NULL;
CREATE VIRTUAL TABLE file_name USING fts5(name, content='', columnsize=0, tokenize='trigram');
)",
    // 1 -> 2: fragments of one and two characters with a character that is
    // not ASCII (filled by the next step, which replaces the table).
    R"(
CREATE TABLE file_gram(
  gram INTEGER NOT NULL,
  file_id INTEGER NOT NULL,
  PRIMARY KEY(gram, file_id)) WITHOUT ROWID;
)",
    // 2 -> 3: fragments of one and two characters, ASCII too, from pairs of
    // neighbours kept as words of an FTS5 index without positions (see
    // NameGramWords): a byte or two a pair where a row of the table above took a
    // dozen. Both indexes keep 64 MiB of new entries in memory before they
    // write a segment: a big add writes few segments and merges little.
    R"(
DROP TABLE file_gram;
CREATE VIRTUAL TABLE file_short USING fts5(grams, content='', columnsize=0, detail=none,
  tokenize='ascii');
INSERT INTO file_name(file_name, rank) VALUES('hashsize', 67108864);
INSERT INTO file_short(file_short, rank) VALUES('hashsize', 67108864);
INSERT INTO file_short(rowid, grams) SELECT id, ordano_grams(name) FROM file;
)",
    // 3 -> 4: fragments of three characters and more are found through the
    // pairs of file_short as well (each row then checked), so the trigram
    // index goes: half the indexing work of an add. A file's stamp (size,
    // modification time in nanoseconds, inode) is kept with its digest, so a
    // later run need not read it again; digest_kept holds the digests of a
    // run that has not stored its tree yet (a run stopped keeps them).
    R"(
DROP TABLE file_name;
ALTER TABLE file ADD COLUMN mtime_ns INTEGER;
ALTER TABLE file ADD COLUMN inode INTEGER;
CREATE TABLE digest_kept(
  volume_key TEXT NOT NULL,
  path BLOB NOT NULL,
  size INTEGER NOT NULL,
  mtime_ns INTEGER NOT NULL,
  inode INTEGER NOT NULL,
  md5 BLOB NOT NULL,
  PRIMARY KEY(volume_key, path));
)",
    // 4 -> 5: when each file was last verified against the disk (Unix
    // seconds; none yet when null), so sampled checks take the oldest first.
    R"(
ALTER TABLE file ADD COLUMN verified INTEGER;
)",
};
static_assert(std::size(kMigrations) == kLibrarySchemaVersion);

constexpr int kBusyTimeoutMs = 60000;

std::int64_t UserVersion(Database& db) {
  Statement s(db, "PRAGMA user_version");
  return s.Step() ? s.Int(0) : 0;
}

// Runs the migrations from the stored version on, in one transaction; the
// version is read again inside it, so two processes do not both migrate.
void Migrate(Database& db) {
  WriteTransaction tx(db);
  const std::int64_t version = UserVersion(db);
  if (version >= kLibrarySchemaVersion) return;
  for (std::int64_t v = version; v < kLibrarySchemaVersion; ++v) {
    db.Exec(kMigrations[v]);
  }
  db.Exec(("PRAGMA user_version = " + std::to_string(kLibrarySchemaVersion)).c_str());
  tx.Commit();
}

// A new library is made under a temporary name and linked into place, so a
// file at `path` is never a half-made library and never replaced.
void CreateLibraryFile(const std::string& path) {
  const std::filesystem::path p(path);
  if (p.has_parent_path()) std::filesystem::create_directories(p.parent_path());
  const std::string temp = path + ".new-" + std::to_string(::getpid());
  ::unlink(temp.c_str());
  {
    Database db(temp, true);
    db.Exec("PRAGMA journal_mode = WAL");
    RegisterFunctions(db);
    Migrate(db);
  }  // closing checkpoints and removes the write-ahead log
  const int linked = ::link(temp.c_str(), path.c_str());
  const int error = errno;
  ::unlink(temp.c_str());
  if (linked != 0 && error != EEXIST) {
    throw LibraryRefused(std::string("cannot create the library: ") + std::strerror(error));
  }
}

std::optional<std::array<std::uint8_t, 16>> Md5Column(const Statement& s, int col) {
  const std::string_view b = s.Bytes(col);
  if (b.size() != 16) return std::nullopt;
  std::array<std::uint8_t, 16> out{};
  std::memcpy(out.data(), b.data(), 16);
  return out;
}

// A hit from the columns folder, name, size, mtime, md5, volume key, label,
// mount point, volume id, file id, folder id (in that order).
void ReadHit(const Statement& s, FindHit& hit) {
  hit.folder = s.Bytes(0);
  hit.name = s.Bytes(1);
  hit.size = static_cast<std::uint64_t>(s.Int(2));
  hit.modified = s.IsNull(3) ? std::nullopt : std::optional<std::int64_t>(s.Int(3));
  hit.md5 = Md5Column(s, 4);
  hit.volumeKey = s.Bytes(5);
  hit.volumeLabel = s.Bytes(6);
  hit.lastMountPoint = s.Bytes(7);
  hit.volumeId = s.Int(8);
  hit.fileId = s.Int(9);
  hit.folderId = s.Int(10);
}

// A catalogue time as Unix seconds: a wall clock without offset is local.
std::optional<std::int64_t> UnixTime(const CatalogueTime& t) {
  if (!t.known) return std::nullopt;
  if (t.offsetMinutes != CatalogueTime::kNoOffset) {
    return t.wall - static_cast<std::int64_t>(t.offsetMinutes) * 60;
  }
  const std::time_t wall = static_cast<std::time_t>(t.wall);
  std::tm tm{};
  ::gmtime_r(&wall, &tm);
  tm.tm_isdst = -1;
  return static_cast<std::int64_t>(std::mktime(&tm));
}

bool AtOrBelow(std::string_view folder, std::string_view root) {
  if (root == "/") return !folder.empty() && folder.front() == '/';
  return folder.substr(0, root.size()) == root &&
         (folder.size() == root.size() || folder[root.size()] == '/');
}

// The SQLite file: rows inserted one by one, names in a contentless FTS5
// index of pairs (file_short) kept by hand.
class SqliteBackend : public LibraryBackend {
 public:
  explicit SqliteBackend(Database db) : db_(std::move(db)) {}
  StoreConnection& Connection() override { return db_; }

  void LoadRows(std::int64_t snapshot, std::span<const std::string> folders,
                std::span<const LoadedFile> files) override {
    // The indexes of the rows above stay in the page cache while they grow.
    db_.Exec("PRAGMA cache_size = -262144");
    Statement addFolder(db_, "INSERT INTO folder(snapshot_id, path) VALUES(?, ?)");
    Statement addFile(db_,
                      "INSERT INTO file(folder_id, name, size, mtime, md5, mtime_ns, inode) "
                      "VALUES(?, ?, ?, ?, ?, ?, ?)");
    std::vector<std::int64_t> folderIds(folders.size(), 0);
    std::int64_t firstFile = 0;
    for (const LoadedFile& f : files) {
      std::int64_t& folderId = folderIds[f.folder];
      if (folderId == 0) {
        addFolder.Bind(1, snapshot).BindBlob(2, folders[f.folder]).Run();
        folderId = db_.LastInsertId();
      }
      addFile.Bind(1, folderId).BindBlob(2, f.name).Bind(3, f.size);
      if (f.mtime) {
        addFile.Bind(4, *f.mtime);
      } else {
        addFile.BindNull(4);
      }
      if (f.md5 != nullptr) {
        addFile.BindBlob(5, std::span<const std::uint8_t>(f.md5, 16));
      } else {
        addFile.BindNull(5);
      }
      if (f.stamp) {
        addFile.Bind(6, f.stamp->mtimeNs).Bind(7, static_cast<std::int64_t>(f.stamp->inode));
      } else {
        addFile.BindNull(6).BindNull(7);
      }
      addFile.Run();
      if (firstFile == 0) firstFile = db_.LastInsertId();
    }
    if (files.empty()) return;
    // Each new row's id is above every earlier one: the rows from the first
    // on are this snapshot's. The index is filled in one pass.
    Statement grams(db_,
                    "INSERT INTO file_short(rowid, grams) SELECT id, ordano_grams(name) FROM file "
                    "WHERE id >= ?");
    grams.Bind(1, firstFile).Run();
  }

  void ForgetNames(std::int64_t snapshot) override {
    // The name index is contentless: an entry goes with the text it was made from.
    Statement forgetGrams(db_,
                          "INSERT INTO file_short(file_short, rowid, grams) SELECT 'delete', f.id, "
                          "ordano_grams(f.name) FROM file f JOIN folder d ON d.id = f.folder_id "
                          "WHERE d.snapshot_id = ?");
    forgetGrams.Bind(1, snapshot).Run();
  }

  // Every fragment goes to the pair index as gram words (see NameGramWords:
  // never query syntax): one or two characters exactly, longer ones as all
  // their pairs, the rows found then checked for the fragment itself (the
  // exact ones are among the scanned); the globs and the extensions are
  // checked on the rows the index returns (or on every row).
  void NameConditions(const NameTerms& terms, std::string&, std::string& sql, int& next,
                      std::vector<NameParam>& params) override {
    std::string grams;
    const auto add = [&](const std::optional<std::string>& term) {
      if (!term) return;
      if (!grams.empty()) grams += ' ';
      grams += *term;
    };
    for (const std::string_view f : terms.longer) add(FragmentGramQuery(f));
    for (const std::string_view f : terms.shorter) add(ShortGramQuery(f));
    for (const std::string_view f : terms.scanned) {
      if (CodePointCount(f) < 3) add(FragmentGramQuery(f));
    }
    const auto param = [&](NameParam::Kind kind, std::string_view text) {
      params.push_back({kind, std::string(text), 0});
      return "?" + std::to_string(next++);
    };
    if (!grams.empty()) {
      sql += " AND f.id IN (SELECT rowid FROM file_short WHERE file_short MATCH " +
             param(NameParam::kText, grams) + ")";
    }
    for (const std::string_view f : terms.scanned) {
      sql += " AND ordano_has(f.name, " + param(NameParam::kBlob, f) + ")";
    }
    for (const std::string_view f : terms.globs) {
      sql += " AND ordano_glob(f.name, " + param(NameParam::kBlob, f) + ")";
    }
    if (!terms.extensions.empty()) {
      sql += " AND ordano_ext(f.name) IN (";
      for (std::size_t i = 0; i < terms.extensions.size(); ++i) {
        sql += (i == 0 ? "" : ", ") + param(NameParam::kText, terms.extensions[i]);
      }
      sql += ")";
    }
  }

  // CROSS JOIN keeps that order: by the ids the indexes give. Left to
  // itself, a count went folder by folder through the ids.
  const char* FilesThenFolders() const override { return "CROSS JOIN"; }

  void StopWhen(std::function<bool()> stop) override {
    stop_ = std::move(stop);
    if (!stop_) {
      sqlite3_progress_handler(db_.get(), 0, nullptr, nullptr);
      return;
    }
    // Every thousand steps of the virtual machine: a few microseconds apart.
    constexpr int kSteps = 1000;
    sqlite3_progress_handler(
        db_.get(), kSteps,
        [](void* stop) -> int { return (*static_cast<std::function<bool()>*>(stop))() ? 1 : 0; },
        &stop_);
  }

 private:
  Database db_;
  std::function<bool()> stop_;
};

}  // namespace

namespace {

void SortRanked(std::vector<FindHit>& hits,
                const std::unordered_map<std::int64_t, std::uint32_t>& volumeRank,
                const std::unordered_map<std::int64_t, std::uint32_t>& folderRank) {
  if (hits.size() < 2) return;
  struct Key {
    std::uint32_t volume, folder;
    std::size_t at;
  };
  std::vector<Key> keys;
  keys.reserve(hits.size());
  for (std::size_t i = 0; i < hits.size(); ++i) {
    // Hits of one folder mostly come together: their ranks are looked up once.
    if (i > 0 && hits[i].folderId == hits[i - 1].folderId) {
      keys.push_back({keys.back().volume, keys.back().folder, i});
    } else {
      keys.push_back({volumeRank.at(hits[i].volumeId), folderRank.at(hits[i].folderId), i});
    }
  }
  std::sort(keys.begin(), keys.end(), [&](const Key& a, const Key& b) {
    if (a.volume != b.volume) return a.volume < b.volume;
    if (a.folder != b.folder) return a.folder < b.folder;
    const int c = hits[a.at].name.compare(hits[b.at].name);
    return c != 0 ? c < 0 : hits[a.at].fileId < hits[b.at].fileId;
  });
  // In place, one cycle of the permutation at a time: no second copy.
  for (std::size_t i = 0; i < keys.size(); ++i) {
    if (keys[i].at == i) continue;
    FindHit held = std::move(hits[i]);
    std::size_t to = i;
    while (keys[to].at != i) {
      const std::size_t from = keys[to].at;
      hits[to] = std::move(hits[from]);
      keys[to].at = to;
      to = from;
    }
    hits[to] = std::move(held);
    keys[to].at = to;
  }
}

}  // namespace

bool HitBefore(const FindHit& a, const FindHit& b) {
  return std::tie(a.volumeLabel, a.volumeKey, a.folder, a.name, a.fileId) <
         std::tie(b.volumeLabel, b.volumeKey, b.folder, b.name, b.fileId);
}

// Volumes and folders are ranked first, so most comparisons are of two numbers.
void SortHits(std::span<std::vector<FindHit>* const> lists) {
  // Ranked once for all the lists: folders by id (one folder row, one path),
  // with the same rank for one path in two snapshots.
  std::unordered_map<std::int64_t, std::uint32_t> volumeRank, folderRank;
  std::vector<const FindHit*> volumes, folders;
  for (const std::vector<FindHit>* list : lists) {
    const FindHit* last = nullptr;
    for (const FindHit& h : *list) {
      if (last != nullptr && last->folderId == h.folderId) continue;
      last = &h;
      if (volumeRank.emplace(h.volumeId, 0).second) volumes.push_back(&h);
      if (folderRank.emplace(h.folderId, 0).second) folders.push_back(&h);
    }
  }
  std::sort(volumes.begin(), volumes.end(), [](const FindHit* a, const FindHit* b) {
    return std::tie(a->volumeLabel, a->volumeKey) < std::tie(b->volumeLabel, b->volumeKey);
  });
  for (std::uint32_t i = 0; i < volumes.size(); ++i) volumeRank[volumes[i]->volumeId] = i;
  std::sort(folders.begin(), folders.end(),
            [](const FindHit* a, const FindHit* b) { return a->folder < b->folder; });
  for (std::uint32_t i = 0, rank = 0; i < folders.size(); ++i) {
    if (i > 0 && folders[i]->folder != folders[i - 1]->folder) ++rank;
    folderRank[folders[i]->folderId] = rank;
  }
  for (std::vector<FindHit>* list : lists) SortRanked(*list, volumeRank, folderRank);
}

void SortHits(std::vector<FindHit>& hits) {
  std::vector<FindHit>* const lists[] = {&hits};
  SortHits(lists);
}

std::unique_ptr<Library> Library::Open(const std::string& path, bool create) {
  if (IsServerLocation(path)) {
    std::unique_ptr<LibraryBackend> server = OpenServerLibrary(path, create);
    return server ? std::make_unique<Library>(std::move(server)) : nullptr;
  }
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) {
    if (errno != ENOENT) {
      throw LibraryRefused(std::string("cannot open the library: ") + std::strerror(errno));
    }
    if (!create) return nullptr;
    CreateLibraryFile(path);
  } else if (!S_ISREG(st.st_mode)) {
    throw LibraryRefused("not a library (not a regular file)");
  } else if (st.st_size == 0) {
    // SQLite would take an empty file for a new database and fill it.
    throw LibraryRefused("not a library (an empty file; truncated?)");
  }
  Database db(path, false);
  sqlite3_busy_timeout(db.get(), kBusyTimeoutMs);
  const std::int64_t version = UserVersion(db);
  if (version > kLibrarySchemaVersion) {
    throw LibraryRefused("made by a newer version of ordanou (library schema " +
                         std::to_string(version) + "; this one reads up to " +
                         std::to_string(kLibrarySchemaVersion) + "); nothing changed");
  }
  if (version == 0) throw LibraryRefused("not a library of ordanou (no schema version)");
  {
    Statement mode(db, "PRAGMA journal_mode");
    if (mode.Step() && mode.Bytes(0) != "wal") {
      // Ours are made in WAL mode; a copy that lost it is checked before it is written.
      Statement check(db, "PRAGMA quick_check(1)");
      if (!check.Step() || check.Bytes(0) != "ok") throw LibraryRefused("damaged (quick check)");
      db.Exec("PRAGMA journal_mode = WAL");
    }
  }
  RegisterFunctions(db);
  if (version < kLibrarySchemaVersion) Migrate(db);
  db.Exec("PRAGMA synchronous = NORMAL");
  return std::make_unique<Library>(std::make_unique<SqliteBackend>(std::move(db)));
}

std::int64_t Library::VolumeId(const VolumeIdentity& v, std::int64_t now) {
  // One statement, so two writers that meet a new volume at once both get
  // its one row.
  Statement upsert(db_,
                   "INSERT INTO volume(key, uuid, label, fs_type, device, mount_point, capacity, "
                   "free, first_seen, last_seen) VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?) "
                   "ON CONFLICT(key) DO UPDATE SET uuid = excluded.uuid, label = excluded.label, "
                   "fs_type = excluded.fs_type, device = excluded.device, "
                   "mount_point = excluded.mount_point, capacity = excluded.capacity, "
                   "free = excluded.free, last_seen = excluded.last_seen RETURNING id");
  upsert.Bind(1, v.key).Bind(2, v.uuid).Bind(3, v.label).Bind(4, v.fsType);
  upsert.Bind(5, v.device).Bind(6, v.mountPoint);
  if (v.hasCapacity) {
    upsert.Bind(7, static_cast<std::int64_t>(v.capacity));
    upsert.Bind(8, static_cast<std::int64_t>(v.free));
  } else {
    upsert.BindNull(7);
    upsert.BindNull(8);
  }
  upsert.Bind(9, now).Bind(10, now);
  if (!upsert.Step()) throw StoreError("no volume row");
  return upsert.Int(0);
}

void Library::DropSnapshot(std::int64_t snapshot) {
  backend_->ForgetNames(snapshot);
  Statement files(db_,
                  "DELETE FROM file WHERE folder_id IN (SELECT id FROM folder WHERE "
                  "snapshot_id = ?)");
  files.Bind(1, snapshot).Run();
  Statement folders(db_, "DELETE FROM folder WHERE snapshot_id = ?");
  folders.Bind(1, snapshot).Run();
  Statement snap(db_, "DELETE FROM snapshot WHERE id = ?");
  snap.Bind(1, snapshot).Run();
}

std::uint64_t Library::StoreTree(const VolumeIdentity& volume, const std::string& root,
                                 const Catalogue& catalogue, std::string_view source,
                                 std::int64_t now, const StampLookup& stamps) {
  // The rows as the store loads them: folders below the mount point, numbered
  // in their order of first use.
  std::vector<std::string> folders;
  std::vector<LoadedFile> files;
  std::vector<std::optional<std::uint32_t>> folderAt(catalogue.folders.size());
  std::uint64_t bytes = 0;
  for (const CatalogueRow& row : catalogue.rows) {
    if (row.unreadable) continue;
    const std::string& folder = catalogue.folders[row.folder];
    if (!AtOrBelow(folder, root)) continue;
    std::optional<std::uint32_t>& at = folderAt[row.folder];
    if (!at) {
      at = static_cast<std::uint32_t>(folders.size());
      folders.push_back(BelowMountPoint(volume.mountPoint, folder));
    }
    LoadedFile& f = files.emplace_back();
    f.folder = *at;
    f.name = row.name;
    f.size = static_cast<std::int64_t>(row.size);
    f.mtime = UnixTime(row.modified);
    if (row.hasMd5) {
      f.md5 = row.md5.data();
      if (stamps) f.stamp = stamps(folder, row.name);
    }
    bytes += row.size;
  }
  const std::string rootBelow = BelowMountPoint(volume.mountPoint, root);
  // Two writers on a server may each wait for the other: the loser runs again.
  for (int attempt = 1;; ++attempt) {
    try {
      WriteTransaction tx(db_);
      const std::int64_t volumeId = VolumeId(volume, now);
      // ON CONFLICT … DO UPDATE returns the row another writer made meanwhile too.
      Statement tree(db_,
                     "INSERT INTO tree(volume_id, root) VALUES(?, ?) ON CONFLICT(volume_id, root) "
                     "DO UPDATE SET root = excluded.root RETURNING id");
      tree.Bind(1, volumeId).BindBlob(2, rootBelow);
      if (!tree.Step()) throw StoreError("no tree row");
      const std::int64_t treeId = tree.Int(0);
      tree.Reset();

      Statement snap(db_,
                     "INSERT INTO snapshot(tree_id, taken, source, files, bytes) "
                     "VALUES(?, ?, ?, ?, ?) RETURNING id");
      snap.Bind(1, treeId).Bind(2, now).Bind(3, source);
      snap.Bind(4, static_cast<std::int64_t>(files.size()))
          .Bind(5, static_cast<std::int64_t>(bytes));
      if (!snap.Step()) throw StoreError("no snapshot row");
      const std::int64_t snapshotId = snap.Int(0);
      snap.Reset();

      backend_->LoadRows(snapshotId, folders, files);
      Statement previous(db_, "SELECT current_snapshot FROM tree WHERE id = ?");
      previous.Bind(1, treeId);
      if (previous.Step() && !previous.IsNull(0)) CarryVerified(previous.Int(0), snapshotId);
      previous.Reset();
      Statement current(db_, "UPDATE tree SET current_snapshot = ? WHERE id = ?");
      current.Bind(1, snapshotId).Bind(2, treeId).Run();

      Statement old(db_, "SELECT id FROM snapshot WHERE tree_id = ? ORDER BY id DESC");
      old.Bind(1, treeId);
      std::vector<std::int64_t> drop;
      for (int kept = 0; old.Step();) {
        if (++kept > kKeptSnapshots) drop.push_back(old.Int(0));
      }
      old.Reset();
      for (const std::int64_t id : drop) DropSnapshot(id);
      DropKeptDigests(volume.key, rootBelow);
      tx.Commit();
      return files.size();
    } catch (const StoreError& e) {
      if (!e.Retry() || attempt == 5) throw;
    }
  }
}

std::vector<LibraryVolume> Library::Volumes() {
  Statement s(db_,
              "SELECT v.key, v.uuid, v.label, v.fs_type, v.mount_point, v.capacity, v.free, "
              "v.first_seen, v.last_seen, "
              "(SELECT COALESCE(SUM(s.files), 0) FROM tree t JOIN snapshot s ON s.id = "
              "t.current_snapshot WHERE t.volume_id = v.id), "
              "(SELECT COALESCE(SUM(s.bytes), 0) FROM tree t JOIN snapshot s ON s.id = "
              "t.current_snapshot WHERE t.volume_id = v.id), v.id "
              "FROM volume v ORDER BY v.label, v.key");
  std::vector<LibraryVolume> out;
  while (s.Step()) {
    LibraryVolume& v = out.emplace_back();
    v.key = s.Bytes(0);
    v.uuid = s.Bytes(1);
    v.label = s.Bytes(2);
    v.fsType = s.Bytes(3);
    v.mountPoint = s.Bytes(4);
    if (!s.IsNull(5)) v.capacity = static_cast<std::uint64_t>(s.Int(5));
    if (!s.IsNull(6)) v.free = static_cast<std::uint64_t>(s.Int(6));
    v.firstSeen = s.Int(7);
    v.lastSeen = s.Int(8);
    v.files = static_cast<std::uint64_t>(s.Int(9));
    v.bytes = static_cast<std::uint64_t>(s.Int(10));
    v.id = s.Int(11);
  }
  return out;
}

Statement Library::FindStatement(const FindQuery& q, bool count, const std::string& tail) {
  // The store narrows the rows by name; the glob's literal runs narrow them
  // as fragments of their own.
  NameTerms terms;
  const auto narrow = [&](std::string_view f, bool exact) {
    if (CodePointCount(f) >= 3) {
      terms.longer.push_back(f);
      if (exact) terms.scanned.push_back(f);  // the pairs narrow; the fragment decides
    } else if (ShortGramQuery(f)) {
      terms.shorter.push_back(f);
    } else if (exact) {
      terms.scanned.push_back(f);
    }
  };
  for (const std::string& f : q.fragments) {
    if (!IsGlob(f)) {
      narrow(f, true);
      continue;
    }
    terms.globs.push_back(f);
    for (const std::string_view literal : GlobLiterals(f)) narrow(literal, false);
  }
  terms.extensions = q.extensions;
  // Numbered parameters: 1-2 the sizes, 3 the digest, 4 the volume, 5-6 the
  // times, then the store's name conditions.
  int next = 7;
  std::vector<NameParam> params;
  std::string files = "file f", names;
  backend_->NameConditions(terms, files, names, next, params);
  std::string sql =
      std::string(count ? "SELECT COUNT(*) "
                        : "SELECT d.path, f.name, f.size, f.mtime, f.md5, v.key, v.label, "
                          "v.mount_point, v.id, f.id, d.id ") +
      "FROM " + files + " " + backend_->FilesThenFolders() +
      " folder d ON d.id = f.folder_id "
      "JOIN tree t ON t.current_snapshot = d.snapshot_id "
      "JOIN volume v ON v.id = t.volume_id WHERE TRUE";
  if (q.minSize) sql += " AND f.size >= ?1";
  if (q.maxSize) sql += " AND f.size <= ?2";
  if (q.md5) sql += " AND f.md5 = ?3";
  if (q.volume)
    sql += " AND (lower(v.label) = lower(?4) OR lower(v.uuid) = lower(?4) OR v.key = ?4)";
  if (q.modifiedFrom) sql += " AND f.mtime >= ?5";
  if (q.modifiedBefore) sql += " AND f.mtime < ?6";
  sql += names + tail;
  Statement s(db_, sql);
  if (q.minSize) s.Bind(1, static_cast<std::int64_t>(*q.minSize));
  if (q.maxSize) s.Bind(2, static_cast<std::int64_t>(*q.maxSize));
  if (q.md5) s.BindBlob(3, std::span<const std::uint8_t>(*q.md5));
  if (q.volume) s.Bind(4, *q.volume);
  if (q.modifiedFrom) s.Bind(5, *q.modifiedFrom);
  if (q.modifiedBefore) s.Bind(6, *q.modifiedBefore);
  next = 7;
  for (const NameParam& p : params) {
    if (p.kind == NameParam::kBlob) {
      s.BindBlob(next++, p.text);
    } else if (p.kind == NameParam::kInt) {
      s.Bind(next++, p.number);
    } else {
      s.Bind(next++, std::string_view(p.text));
    }
  }
  return s;
}

std::vector<FindHit> Library::ReadHits(Statement& s) {
  std::vector<FindHit> out;
  while (s.Step()) ReadHit(s, out.emplace_back());
  return out;
}

namespace {

constexpr const char* kCurrentFiles =
    "SELECT d.path, f.name, f.size, f.mtime, f.md5, v.key, v.label, v.mount_point, v.id, f.id, "
    "d.id "
    "FROM file f JOIN folder d ON d.id = f.folder_id "
    "JOIN tree t ON t.current_snapshot = d.snapshot_id "
    "JOIN volume v ON v.id = t.volume_id ";
constexpr const char* kCurrentOrder = " ORDER BY v.label, v.key, d.path, f.name, f.id";

void VisitHits(Statement& s, const std::function<void(const FindHit&)>& visit) {
  FindHit hit;
  while (s.Step()) {
    ReadHit(s, hit);
    visit(hit);
  }
}

}  // namespace

void Library::ForEachCurrentFile(const std::function<void(const FindHit&)>& visit) {
  Statement s(db_, std::string(kCurrentFiles) + kCurrentOrder);
  VisitHits(s, visit);
}

void Library::ForEachCurrentFileKey(const std::function<void(const FileKey&)>& visit) {
  Statement s(db_,
              "SELECT f.id, f.folder_id, f.size, f.name, f.md5, f.mtime FROM file f "
              "JOIN folder d ON d.id = f.folder_id "
              "JOIN tree t ON t.current_snapshot = d.snapshot_id");
  FileKey key;
  while (s.Step()) {
    key.id = s.Int(0);
    key.folderId = s.Int(1);
    key.size = static_cast<std::uint64_t>(s.Int(2));
    key.name = s.Bytes(3);
    key.md5 = s.Bytes(4);
    key.modified = s.IsNull(5) ? std::nullopt : std::optional<std::int64_t>(s.Int(5));
    visit(key);
  }
}

void Library::ForEachCurrentFolder(
    const std::function<void(std::int64_t, std::string_view, std::int64_t)>& visit) {
  Statement s(db_,
              "SELECT d.id, d.path, t.volume_id FROM folder d "
              "JOIN tree t ON t.current_snapshot = d.snapshot_id");
  while (s.Step()) visit(s.Int(0), s.Bytes(1), s.Int(2));
}

std::vector<LibraryVolume> Library::MatchVolumes(std::string_view nameOrUuid) {
  std::vector<LibraryVolume> out;
  for (LibraryVolume& v : Volumes()) {
    const auto same = [&](std::string_view a) {
      return a.size() == nameOrUuid.size() &&
             std::equal(a.begin(), a.end(), nameOrUuid.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
             });
    };
    if ((!v.label.empty() && same(v.label)) || (!v.uuid.empty() && same(v.uuid)) ||
        v.key == nameOrUuid) {
      out.push_back(std::move(v));
    }
  }
  return out;
}

std::uint64_t Library::ForgetVolume(const std::string& key) {
  WriteTransaction tx(db_);
  Statement snaps(db_,
                  "SELECT s.id, s.id = t.current_snapshot, s.files FROM snapshot s JOIN tree t "
                  "ON t.id = s.tree_id JOIN volume v ON v.id = t.volume_id WHERE v.key = ?");
  snaps.Bind(1, key);
  std::vector<std::int64_t> drop;
  std::uint64_t files = 0;
  while (snaps.Step()) {
    drop.push_back(snaps.Int(0));
    if (snaps.Int(1) != 0) files += static_cast<std::uint64_t>(snaps.Int(2));
  }
  for (const std::int64_t id : drop) DropSnapshot(id);
  Statement trees(db_, "DELETE FROM tree WHERE volume_id IN (SELECT id FROM volume WHERE key = ?)");
  trees.Bind(1, key).Run();
  Statement volume(db_, "DELETE FROM volume WHERE key = ?");
  volume.Bind(1, key).Run();
  tx.Commit();
  return files;
}

std::string LocalTimeText(std::int64_t unixSeconds) {
  const std::time_t t = static_cast<std::time_t>(unixSeconds);
  std::tm tm{};
  if (::localtime_r(&t, &tm) == nullptr) return "-";
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm);
  return buf;
}

}  // namespace ordano
