#include "library/pg_store.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "library/library_place.h"
#include "library/library_store.h"
#include "library/name_text.h"
#include "library/pg_handle.h"

namespace ordano {
namespace {

// The SQLite schema's tables with the server's types: text in the "C"
// collation and bytea, so both sort by bytes; ids from sequences. Each file
// row keeps its folded name (FoldForSearch). The name indexes are on the
// folders: `names`, the folded names of its files joined by "/" (which no
// name holds), under a trigram index, and `grams`, their short-fragment keys
// (ShortGramKeys), under an array index. A folder's names share most of
// their trigrams and pairs: a tenth of the index entries one per file took,
// and an add as fast again; a search narrows to the folders, then checks
// their files' own names. The file rows refer to their folders without a
// checked key, as in SQLite, where keys are not enforced.
// The files a folder row holds names of (see LoadRows).
constexpr std::uint32_t kNamesPerRow = 16;

constexpr const char* kSchema = R"(
CREATE TABLE ordano_schema(version integer NOT NULL);
CREATE TABLE volume(
  id bigserial PRIMARY KEY,
  key text COLLATE "C" NOT NULL UNIQUE,
  uuid text COLLATE "C" NOT NULL DEFAULT '',
  label text COLLATE "C" NOT NULL DEFAULT '',
  fs_type text COLLATE "C" NOT NULL DEFAULT '',
  device bytea NOT NULL DEFAULT '',
  mount_point bytea NOT NULL DEFAULT '',
  capacity bigint,
  free bigint,
  first_seen bigint NOT NULL,
  last_seen bigint NOT NULL);
CREATE TABLE tree(
  id bigserial PRIMARY KEY,
  volume_id bigint NOT NULL REFERENCES volume(id),
  root bytea NOT NULL,
  current_snapshot bigint,
  UNIQUE(volume_id, root));
CREATE TABLE snapshot(
  id bigserial PRIMARY KEY,
  tree_id bigint NOT NULL REFERENCES tree(id),
  taken bigint NOT NULL,
  source text NOT NULL,
  files bigint NOT NULL,
  bytes bigint NOT NULL);
CREATE INDEX snapshot_tree ON snapshot(tree_id);
CREATE TABLE folder(
  id bigserial PRIMARY KEY,
  snapshot_id bigint NOT NULL REFERENCES snapshot(id),
  path bytea NOT NULL,
  names text NOT NULL,
  grams bigint[] NOT NULL);
CREATE INDEX folder_snapshot ON folder(snapshot_id);
CREATE INDEX folder_names ON folder USING gin(names gin_trgm_ops);
CREATE INDEX folder_grams ON folder USING gin(grams);
CREATE TABLE file(
  id bigserial PRIMARY KEY,
  folder_id bigint NOT NULL,
  name bytea NOT NULL,
  size bigint NOT NULL,
  mtime bigint,
  md5 bytea,
  folded text NOT NULL,
  mtime_ns bigint,
  inode bigint,
  verified bigint);
CREATE INDEX file_folder ON file(folder_id);
CREATE INDEX file_md5 ON file(md5) WHERE md5 IS NOT NULL;
CREATE TABLE digest_kept(
  volume_key text COLLATE "C" NOT NULL,
  path bytea NOT NULL,
  size bigint NOT NULL,
  mtime_ns bigint NOT NULL,
  inode bigint NOT NULL,
  md5 bytea NOT NULL,
  PRIMARY KEY(volume_key, path));
)";

// Any number: one lock for every process making the schema.
constexpr const char* kSchemaLock = "SELECT pg_advisory_lock(7242250348716151)";
constexpr const char* kSchemaUnlock = "SELECT pg_advisory_unlock(7242250348716151)";

// Held while the schema is made or migrated; the lock goes with the session,
// so a failed unlock (the server gone) is left to the disconnect.
class SchemaLock {
 public:
  explicit SchemaLock(PgConnection& db) : db_(db) { db_.Exec(kSchemaLock); }
  ~SchemaLock() {
    try {
      db_.Exec(kSchemaUnlock);
    } catch (const PgError&) {
    }
  }
  SchemaLock(const SchemaLock&) = delete;
  SchemaLock& operator=(const SchemaLock&) = delete;

 private:
  PgConnection& db_;
};

std::optional<std::int64_t> SchemaVersion(PgConnection& db) {
  Statement exists(db, "SELECT to_regclass('ordano_schema') IS NOT NULL");
  if (!exists.Step() || exists.Int(0) == 0) return std::nullopt;
  Statement version(db, "SELECT max(version) FROM ordano_schema");
  return version.Step() && !version.IsNull(0) ? std::optional(version.Int(0)) : std::nullopt;
}

// Each entry takes a schema from version 4 + its index to the next (a
// database older than 4 was never made by a server store).
constexpr const char* kMigrations[] = {
    // 4 -> 5: when each file was last verified (see library_store.cpp).
    "ALTER TABLE file ADD COLUMN IF NOT EXISTS verified bigint",
};
constexpr std::int64_t kFirstMigrated = 4;
static_assert(kFirstMigrated + std::ssize(kMigrations) == kLibrarySchemaVersion);

// Brings an older schema up to this version, one process at a time; the
// version is read again under the lock, so two machines do not both migrate.
void Migrate(PgConnection& db, std::int64_t& version) {
  if (version < kFirstMigrated) return;  // refused by the caller's checks
  SchemaLock lock(db);
  version = SchemaVersion(db).value_or(version);
  if (version >= kLibrarySchemaVersion) return;
  WriteTransaction tx(db);
  for (std::int64_t v = version; v < kLibrarySchemaVersion; ++v) {
    db.Exec(kMigrations[v - kFirstMigrated]);
  }
  db.Exec(("UPDATE ordano_schema SET version = " + std::to_string(kLibrarySchemaVersion)).c_str());
  tx.Commit();
  version = kLibrarySchemaVersion;
}

bool HasTrigrams(PgConnection& db) {
  Statement s(db, "SELECT 1 FROM pg_extension WHERE extname = 'pg_trgm'");
  return s.Step();
}

// LIKE's special characters taken literally (backslash is its escape).
std::string LikeLiteral(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (c == '%' || c == '_' || c == '\\') out += '\\';
    out += c;
  }
  return out;
}

std::string LikeGlob(std::string_view glob) {
  std::string out;
  for (const char c : glob) {
    if (c == '*') {
      out += '%';
    } else if (c == '?') {
      out += '_';
    } else {
      out += LikeLiteral(std::string_view(&c, 1));
    }
  }
  return out;
}

class PgBackend : public LibraryBackend {
 public:
  explicit PgBackend(std::unique_ptr<PgConnection> db) : db_(std::move(db)) {}
  StoreConnection& Connection() override { return *db_; }

  void LoadRows(std::int64_t snapshot, std::span<const std::string> folders,
                std::span<const LoadedFile> files) override {
    // A folder row for at most kNamesPerRow files (a folder of more has
    // several rows of one path): a common fragment then narrows to a few of
    // its files, not all. Each file's folded name; each row's names and keys.
    std::vector<std::string> folded;
    folded.reserve(files.size());
    std::vector<std::uint32_t> rowOf(files.size()), rowFolder;
    std::vector<std::string> names;
    std::vector<std::vector<std::int64_t>> grams;
    std::vector<std::uint32_t> openRow(folders.size(), UINT32_MAX), inRow(folders.size(), 0);
    for (std::size_t i = 0; i < files.size(); ++i) {
      const std::uint32_t folder = files[i].folder;
      if (openRow[folder] == UINT32_MAX || inRow[folder] == kNamesPerRow) {
        openRow[folder] = static_cast<std::uint32_t>(rowFolder.size());
        inRow[folder] = 0;
        rowFolder.push_back(folder);
        names.emplace_back();
        grams.emplace_back();
      }
      const std::uint32_t row = rowOf[i] = openRow[folder];
      ++inRow[folder];
      std::string& name = folded.emplace_back(FoldForSearch(files[i].name));
      std::replace(name.begin(), name.end(), '\0', ' ');  // text holds no NUL
      if (!names[row].empty()) names[row] += '/';
      names[row] += name;
      const std::vector<std::int64_t> keys = ShortGramKeys(name);
      grams[row].insert(grams[row].end(), keys.begin(), keys.end());
    }
    // Folder ids taken from their sequence at once: the files name them.
    std::vector<std::int64_t> rowIds;
    rowIds.reserve(rowFolder.size());
    {
      Statement ids(*db_,
                    "SELECT nextval(pg_get_serial_sequence('folder', 'id')) "
                    "FROM generate_series(1, ?)");
      ids.Bind(1, static_cast<std::int64_t>(rowFolder.size()));
      while (ids.Step()) rowIds.push_back(ids.Int(0));
    }
    {
      PgCopy copy(*db_,
                  "COPY folder(id, snapshot_id, path, names, grams) FROM STDIN (FORMAT binary)");
      for (std::size_t r = 0; r < rowFolder.size(); ++r) {
        std::vector<std::int64_t>& keys = grams[r];
        std::sort(keys.begin(), keys.end());
        keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
        copy.Row(5);
        copy.Int(rowIds[r]);
        copy.Int(snapshot);
        copy.Bytes(folders[rowFolder[r]]);
        copy.Bytes(names[r]);
        copy.IntArray(keys);
      }
      copy.Finish();
    }
    PgCopy copy(*db_,
                "COPY file(folder_id, name, size, mtime, md5, folded, mtime_ns, inode) FROM STDIN "
                "(FORMAT binary)");
    for (std::size_t i = 0; i < files.size(); ++i) {
      const LoadedFile& f = files[i];
      copy.Row(8);
      copy.Int(rowIds[rowOf[i]]);
      copy.Bytes(f.name);
      copy.Int(f.size);
      if (f.mtime) {
        copy.Int(*f.mtime);
      } else {
        copy.Null();
      }
      if (f.md5 != nullptr) {
        copy.Bytes(std::string_view(reinterpret_cast<const char*>(f.md5), 16));
      } else {
        copy.Null();
      }
      copy.Bytes(folded[i]);
      if (f.stamp) {
        copy.Int(f.stamp->mtimeNs);
        copy.Int(static_cast<std::int64_t>(f.stamp->inode));
      } else {
        copy.Null();
        copy.Null();
      }
    }
    copy.Finish();
  }

  // The indexes are on the folder rows: they go with them.
  void ForgetNames(std::int64_t) override {}

  // Fragments narrow the folders first (through their indexes), then each
  // file's own folded name is checked: a fragment of three characters and
  // more with LIKE, one of one or two characters as a substring (a pair of
  // neighbours is exactly that).
  void NameConditions(const NameTerms& terms, std::string& files, std::string& sql, int& next,
                      std::vector<NameParam>& params) override {
    const auto param = [&](NameParam p) {
      params.push_back(std::move(p));
      return "?" + std::to_string(next++);
    };
    std::string folders;
    for (const std::string_view f : terms.longer) {
      const std::string like = param({NameParam::kText, "%" + LikeLiteral(f) + "%", 0});
      folders += " AND n.names LIKE " + like;
      sql += " AND f.folded LIKE " + like;
    }
    for (const std::string_view f : terms.shorter) {
      folders += " AND n.grams @> ARRAY[" +
                 param({NameParam::kInt, "", ShortGramKey(f).value_or(0)}) + "::bigint]";
      sql += " AND strpos(f.folded, " + param({NameParam::kText, std::string(f), 0}) + ") > 0";
    }
    if (!folders.empty()) {
      files = "(SELECT f.* FROM folder n JOIN file f ON f.folder_id = n.id WHERE TRUE" + folders +
              ") f";
    }
    for (const std::string_view f : terms.scanned) {
      sql += " AND strpos(f.folded, " + param({NameParam::kText, std::string(f), 0}) + ") > 0";
    }
    for (const std::string_view f : terms.globs) {
      sql += " AND f.folded LIKE " + param({NameParam::kText, LikeGlob(f), 0});
    }
    if (!terms.extensions.empty()) {
      sql += " AND COALESCE(substring(f.folded from '\\.([^.]*)$'), '') IN (";
      for (std::size_t i = 0; i < terms.extensions.size(); ++i) {
        sql += (i == 0 ? "" : ", ") + param({NameParam::kText, terms.extensions[i], 0});
      }
      sql += ")";
    }
  }

  const char* FilesThenFolders() const override { return "JOIN"; }

  void StopWhen(std::function<bool()> stop) override { db_->StopWhen(std::move(stop)); }

 private:
  std::unique_ptr<PgConnection> db_;
};

std::string MissingTrigrams(const std::string& uri) {
  return "the database has no pg_trgm extension (the name index needs it); as the database's "
         "owner or a superuser run: psql '" +
         ShownLocation(uri) + "' -c 'CREATE EXTENSION pg_trgm'";
}

}  // namespace

std::unique_ptr<LibraryBackend> OpenServerLibrary(const std::string& uri, bool create) {
  auto db = std::make_unique<PgConnection>(uri);
  std::optional<std::int64_t> version = SchemaVersion(*db);
  if (!version) {
    if (!create) return nullptr;
    // One process at a time makes it (the lock goes with the session).
    SchemaLock lock(*db);
    // Another machine may have made it while this one waited for the lock.
    version = SchemaVersion(*db);
    if (!version) {
      if (!HasTrigrams(*db)) {
        // pg_trgm is a trusted extension: a role that may create in the
        // database may add it.
        try {
          db->Exec("CREATE EXTENSION IF NOT EXISTS pg_trgm");
        } catch (const PgError&) {
          throw LibraryRefused(MissingTrigrams(uri));
        }
      }
      WriteTransaction tx(*db);
      db->Exec(kSchema);
      db->Exec(("INSERT INTO ordano_schema(version) VALUES(" +
                std::to_string(kLibrarySchemaVersion) + ")")
                   .c_str());
      tx.Commit();
      version = kLibrarySchemaVersion;
    }
  }
  if (*version < kLibrarySchemaVersion) Migrate(*db, *version);
  if (*version > kLibrarySchemaVersion) {
    throw LibraryRefused("made by a newer version of ordanou (library schema " +
                         std::to_string(*version) + "; this one reads up to " +
                         std::to_string(kLibrarySchemaVersion) + "); nothing changed");
  }
  if (!HasTrigrams(*db)) throw LibraryRefused(MissingTrigrams(uri));
  return std::make_unique<PgBackend>(std::move(db));
}

}  // namespace ordano
