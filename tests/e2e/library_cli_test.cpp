// The catalogue library through the binary: --add, --find, --volumes and
// --import, a damaged or newer library, and two adds at once; each case on
// both stores where both can take it (a SQLite file, a PostgreSQL server).
#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <signal.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <ostream>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "binary_test.h"
#include "run_binary.h"
#include "scan/md5.h"
#include "temp_dir.h"

namespace ordano::testing {
namespace {

constexpr std::int64_t kTime = 1700000000;  // 2023-11-14 22:13:20 UTC

// A folder on the memory file system: a volume of its own beside the one
// holding the temporary folders (none where /dev/shm is missing).
class ShmDir {
 public:
  ShmDir() {
    std::string templ = "/dev/shm/ordano-library-XXXXXX";
    if (mkdtemp(templ.data()) != nullptr) path_ = templ;
  }
  ~ShmDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

enum class Store { kFile, kServer };
void PrintTo(Store s, std::ostream* os) { *os << (s == Store::kFile ? "file" : "server"); }

// The test run's PostgreSQL server (tests/pg_server.sh, a CTest fixture): its
// socket folder, or why there is none.
struct TestServer {
  std::string folder, why;
};
TestServer FindTestServer() {
  const std::string state = ORDANO_PG_TEST_STATE;
  const auto line = [&](const char* name) {
    std::error_code ec;
    if (!std::filesystem::exists(state + "/" + name, ec)) return std::string();
    std::string text = ReadFile(state + "/" + name);
    while (!text.empty() && text.back() == '\n') text.pop_back();
    return text.empty() ? std::string("?") : text;
  };
  if (const std::string folder = line("ready"); !folder.empty()) return {folder, ""};
  if (const std::string why = line("unavailable"); !why.empty()) return {"", why};
  return {"", "no test server: run through ctest, or tests/pg_server.sh start " + state};
}

// One statement on a server database; the first column of its first row as
// text ("" for none).
std::string ServerText(const std::string& uri, const std::string& sql) {
  PGconn* c = PQconnectdb(uri.c_str());
  std::string value;
  if (PQstatus(c) == CONNECTION_OK) {
    PGresult* r = PQexec(c, sql.c_str());
    if (PQresultStatus(r) == PGRES_TUPLES_OK && PQntuples(r) > 0) {
      value = PQgetvalue(r, 0, 0);
    } else if (PQresultStatus(r) != PGRES_COMMAND_OK) {
      ADD_FAILURE() << sql << ": " << PQresultErrorMessage(r);
    }
    PQclear(r);
  } else {
    ADD_FAILURE() << uri << ": " << PQerrorMessage(c);
  }
  PQfinish(c);
  return value;
}

// The same as a number (-1 for none).
int ServerScalar(const std::string& uri, const std::string& sql) {
  const std::string text = ServerText(uri, sql);
  return text.empty() ? -1 : std::atoi(text.c_str());
}

class LibraryTest : public BinaryTest {
 protected:
  Store store = Store::kFile;
  // The library: its file, or a URI of a database of its own on the server.
  std::string location;
  std::string serverFolder, database;

  void SetUp() override {
    if (store == Store::kFile) {
      location = work / "lib/library.sqlite";
      return;
    }
    const TestServer server = FindTestServer();
    if (server.folder.empty()) GTEST_SKIP() << "PostgreSQL: " << server.why;
    serverFolder = server.folder;
    database = "t" + std::to_string(::getpid());
    ServerScalar(ServerUri("postgres"), "CREATE DATABASE " + database);
    location = ServerUri(database);
  }
  void TearDown() override {
    if (!database.empty()) {
      ServerScalar(ServerUri("postgres"), "DROP DATABASE " + database + " WITH (FORCE)");
    }
  }
  std::string ServerUri(const std::string& db) const {
    return "postgresql:///" + db + "?host=" + serverFolder + "&user=ordano";
  }
  RunOptions LibOpts() const {
    RunOptions o = Opts();
    o.env.emplace_back("ORDANO_LIBRARY", location);
    return o;
  }
  ProcessResult Ordanou(const std::vector<std::string>& args) {
    return RunOrdanou(args, LibOpts());
  }
  static void File(const std::string& path, const std::string& bytes = "x") {
    WriteFile(path, bytes);
    SetMtime(path, kTime);
  }
  // One number the library's database gives; `serverSql` where the server
  // needs other words.
  int Scalar(const char* sql, const char* serverSql = nullptr) {
    if (store == Store::kServer) return ServerScalar(location, serverSql ? serverSql : sql);
    sqlite3* db = nullptr;
    int value = -1;
    if (sqlite3_open(location.c_str(), &db) == SQLITE_OK) {
      sqlite3_stmt* s = nullptr;
      if (sqlite3_prepare_v2(db, sql, -1, &s, nullptr) == SQLITE_OK &&
          sqlite3_step(s) == SQLITE_ROW) {
        value = sqlite3_column_int(s, 0);
      }
      sqlite3_finalize(s);
    }
    sqlite3_close(db);
    return value;
  }
  // The text of one value the library's database gives ("" for none).
  std::string Text(const std::string& sql, const std::string& serverSql = "") {
    if (store == Store::kServer) return ServerText(location, serverSql.empty() ? sql : serverSql);
    sqlite3* db = nullptr;
    std::string value;
    if (sqlite3_open(location.c_str(), &db) == SQLITE_OK) {
      sqlite3_stmt* s = nullptr;
      if (sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr) == SQLITE_OK &&
          sqlite3_step(s) == SQLITE_ROW && sqlite3_column_text(s, 0) != nullptr) {
        value = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
      }
      sqlite3_finalize(s);
    }
    sqlite3_close(db);
    return value;
  }
  // The hit lines of a --find, sorted.
  std::set<std::string> Lines(const std::string& out) {
    std::set<std::string> lines;
    for (std::size_t i = 0; i < out.size();) {
      const std::size_t end = out.find('\n', i);
      lines.insert(out.substr(i, end - i));
      i = end == std::string::npos ? out.size() : end + 1;
    }
    return lines;
  }
};

// The cases both stores take.
class Library : public LibraryTest, public ::testing::WithParamInterface<Store> {
 protected:
  void SetUp() override {
    store = GetParam();
    LibraryTest::SetUp();
  }
};
INSTANTIATE_TEST_SUITE_P(Stores, Library, ::testing::Values(Store::kFile, Store::kServer),
                         [](const auto& info) {
                           return std::string(info.param == Store::kFile ? "File" : "Server");
                         });

// The cases of a library file only (its damage, its disk, libraries as
// files of their own).
using LibraryFile = LibraryTest;

TEST_P(Library, AddsTreesOfTwoVolumesAndFindsAcrossThem) {
  File(work / "a/docs/Annual Report 2024.PDF", "12345");
  File(work / "a/docs/notes.txt");
  File(work / "a/gone.txt");
  File(work / "b/Report draft.pdf", std::string(3000, 'r'));
  File(work / "b/\xe4\xb8\x8b\xe6\x9b\xb8\xe3\x81\x8d.txt");  // 下書き: short-fragment grams
  ShmDir shm;
  if (!shm.path().empty()) File(shm.path() + "/old report.pdf", "ab");

  std::vector<std::string> add = {"--add", work / "a", work / "b"};
  if (!shm.path().empty()) add.push_back(shm.path());
  auto r = Ordanou(add);
  ASSERT_EQ(r.exitCode, 0) << r.err;

  // Fragments in any order and case; the hits of every tree.
  r = Ordanou({"--find", "REPORT ann"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, work / "a/docs/Annual Report 2024.PDF\t-\tonline\t5\t2023-11-14 22:13:20\n");
  r = Ordanou({"--find", "report", "--ext", "PDF", "--json"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const auto hits = nlohmann::json::parse(r.out);
  std::set<std::string> paths;
  for (const auto& h : hits) {
    paths.insert(h.at("path").get<std::string>());
    EXPECT_TRUE(h.at("online").get<bool>());
  }
  std::set<std::string> want = {work / "a/docs/Annual Report 2024.PDF",
                                work / "b/Report draft.pdf"};
  if (!shm.path().empty()) want.insert(shm.path() + "/old report.pdf");
  EXPECT_EQ(paths, want) << r.out;

  // One or two characters: still found; sizes bound the hits.
  r = Ordanou({"--find", "24"});
  EXPECT_EQ(Lines(r.out).size(), 1u) << r.out;
  r = Ordanou({"--find", "re", "--size", "+1K"});
  EXPECT_EQ(r.out.substr(0, r.out.find('\t')), work / "b/Report draft.pdf") << r.out;
  EXPECT_EQ(Lines(r.out).size(), 1u) << r.out;

  // Two folders of one file system are two trees of one volume.
  r = Ordanou({"--volumes"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Lines(r.out).size(), shm.path().empty() ? 1u : 2u) << r.out;

  // A tree added again replaces its own rows only.
  std::filesystem::remove(work / "a/gone.txt");
  r = Ordanou({"--add", work / "a"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Ordanou({"--find", "gone"}).exitCode, 1);
  EXPECT_EQ(Ordanou({"--find", "draft"}).exitCode, 0);
  EXPECT_EQ(Ordanou({"--find", "notes"}).exitCode, 0);

  // History: the tree's last four snapshots stay, older ones go with their rows.
  for (int i = 0; i < 4; ++i) ASSERT_EQ(Ordanou({"--add", work / "b"}).exitCode, 0);
  EXPECT_EQ(Scalar("SELECT count(*) FROM snapshot s JOIN tree t ON t.id = s.tree_id "
                   "WHERE CAST(t.root AS TEXT) LIKE '%/b'",
                   "SELECT count(*) FROM snapshot s JOIN tree t ON t.id = s.tree_id "
                   "WHERE convert_from(t.root, 'UTF8') LIKE '%/b'"),
            4);
  EXPECT_EQ(Scalar("SELECT count(*) FROM file WHERE name = CAST('Report draft.pdf' AS BLOB)",
                   "SELECT count(*) FROM file WHERE name = 'Report draft.pdf'::bytea"),
            4);
  if (store == Store::kServer) return;
  // The short-fragment index holds the rows kept and no others ("." starts a
  // pair in every name here).
  EXPECT_EQ(Scalar("SELECT count(*) FROM file_short WHERE file_short MATCH 'g2e*'"),
            Scalar("SELECT count(*) FROM file"));
  EXPECT_EQ(Scalar("SELECT count(*) FROM file_short WHERE file_short MATCH 'g2e*' "
                   "AND rowid NOT IN (SELECT id FROM file)"),
            0);
}

TEST_P(Library, RefusesBadLibrariesAndReadsQueriesAsText) {
  const std::string lib = location;
  File(work / "t/a\"b*c.txt");
  File(work / "t/NEAR(x).txt");
  File(work / "t/-minus-.txt");
  File(work / "t/plain.txt");
  File(work / "t/caf\xe9-menu.txt");
  File(work / "t/\xe3\x82\xab\xe3\x82\xbf\xe3\x82\xab\xe3\x83\x8a.txt");  // katakana
  ASSERT_EQ(Ordanou({"--add", work / "t"}).exitCode, 0);

  struct Literal {
    const char* query;
    const char* hit;
  } literals[] = {{"a\"b*c.txt", "a\"b*c.txt"},  // a glob of the whole name
                  {"a\"b", "a\"b*c.txt"},
                  {"NEAR(x)", "NEAR(x).txt"},
                  {"-minus-", "-minus-.txt"},
                  {"\"", "a\"b*c.txt"},
                  {"menu", "caf\\xe9-menu.txt"},
                  // Width and kana fold: full-width Latin, hiragana for katakana.
                  {"\xef\xbd\x90\xef\xbd\x8c\xef\xbd\x81\xef\xbd\x89\xef\xbd\x8e", "plain.txt"},
                  {"\xe3\x81\x8b\xe3\x81\x9f\xe3\x81\x8b\xe3\x81\xaa",
                   "\xe3\x82\xab\xe3\x82\xbf\xe3\x82\xab\xe3\x83\x8a.txt"}};
  for (const auto& l : literals) {
    const auto r = Ordanou({"--find", l.query});
    EXPECT_EQ(r.exitCode, 0) << l.query << ": " << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find('\t')), work / ("t/" + std::string(l.hit))) << l.query;
    EXPECT_EQ(Lines(r.out).size(), 1u) << l.query << ": " << r.out;
  }
  auto r = Ordanou({"--find", "menu", "--json"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  // The name's bytes as they are, in hex: "caf\xe9-menu.txt".
  const std::string bytes = nlohmann::json::parse(r.out).at(0).value("path_bytes", "");
  EXPECT_TRUE(bytes.ends_with("636166e92d6d656e752e747874")) << r.out;
  EXPECT_EQ(Ordanou({"--find"}).exitCode, 2);
  EXPECT_EQ(Ordanou({"--find", "x", "--size", "lots"}).exitCode, 2);

  // A newer schema is refused by name, the library left as it is.
  if (store == Store::kServer) {
    Scalar("UPDATE ordano_schema SET version = 99");
    r = Ordanou({"--add", work / "t"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find(lib + ": made by a newer version"), std::string::npos) << r.err;
    EXPECT_EQ(Scalar("SELECT count(*) FROM snapshot"), 1);
    return;
  }
  const std::string library = ReadFile(lib);
  {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(lib.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "PRAGMA user_version = 99", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
  }
  const std::string newer = ReadFile(lib);
  r = Ordanou({"--add", work / "t"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find(lib + ": made by a newer version"), std::string::npos) << r.err;
  EXPECT_EQ(ReadFile(lib), newer);

  // Damaged files: named, exit 2, nothing overwritten, nothing made anew.
  struct Damaged {
    const char* what;
    std::string bytes;
  } damaged[] = {{"truncated", library.substr(0, library.size() / 2)},
                 {"empty", ""},
                 {"not a database", std::string(8192, 'z')}};
  for (const auto& d : damaged) {
    WriteFile(lib, d.bytes);
    for (const auto& args : {std::vector<std::string>{"--add", work / "t"},
                             std::vector<std::string>{"--find", "plain"}}) {
      r = Ordanou(args);
      EXPECT_EQ(r.exitCode, 2) << d.what << " " << args[0];
      EXPECT_NE(r.err.find(lib), std::string::npos) << d.what << ": " << r.err;
      EXPECT_EQ(ReadFile(lib), d.bytes) << d.what << " " << args[0];
    }
  }
}

// Fragments of one and two characters go through the index of neighbour
// pairs (a library of the first schema gains it when opened), at the end of
// a name and before a space too; globs match whole names; dates bound the
// modified time.
TEST_P(Library, ShortFragmentsGlobsAndDatesAfterTheSchemaUpgrade) {
  const std::string shashin = "\xe5\x86\x99\xe7\x9c\x9f";  // 写真
  File(work / "t/" + shashin + ".jpg");
  File(work / "t/\xe6\x97\x85\xe8\xa1\x8c\xe3\x81\xae" + shashin + ".png");  // 旅行の
  File(work / "t/\xe7\x9c\x9f\xe5\xa4\x8f.txt");                             // 真夏
  File(work / "t/\xe3\x82\xab\xe3\x83\xa1\xe3\x83\xa9.txt");                 // カメラ
  File(work / "t/Photo.jpg");
  File(work / "t/12");
  File(work / "t/v 9");
  SetMtime(work / "t/\xe6\x97\x85\xe8\xa1\x8c\xe3\x81\xae" + shashin + ".png", kTime + 30 * 86400);
  SetMtime(work / "t/\xe7\x9c\x9f\xe5\xa4\x8f.txt", kTime - 400 * 86400);
  ASSERT_EQ(Ordanou({"--add", work / "t"}).exitCode, 0);
  EXPECT_EQ(Lines(Ordanou({"--find", shashin}).out).size(), 2u);

  // Back to the first schema: the trigram index, no short-fragment index,
  // no stamps, version 1.
  if (store == Store::kFile) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((work / "lib/library.sqlite").c_str(), &db), SQLITE_OK);
    const int rc = sqlite3_exec(db,
                                "DROP TABLE file_short; DROP TABLE digest_kept; "
                                "ALTER TABLE file DROP COLUMN mtime_ns; "
                                "ALTER TABLE file DROP COLUMN inode; "
                                "ALTER TABLE file DROP COLUMN verified; "
                                "CREATE VIRTUAL TABLE file_name USING fts5(name, content='', "
                                "columnsize=0, tokenize='trigram'); PRAGMA user_version = 1",
                                nullptr, nullptr, nullptr);
    sqlite3_close(db);
    ASSERT_EQ(rc, SQLITE_OK);
  } else {
    // A server's first schema: the one before verify records.
    Scalar("ALTER TABLE file DROP COLUMN verified");
    Scalar("UPDATE ordano_schema SET version = 4");
  }
  const std::string jpg = shashin + ".jpg",
                    png = "\xe6\x97\x85\xe8\xa1\x8c\xe3\x81\xae" + shashin + ".png",
                    natsu = "\xe7\x9c\x9f\xe5\xa4\x8f.txt",
                    camera = "\xe3\x82\xab\xe3\x83\xa1\xe3\x83\xa9.txt";
  struct Case {
    std::vector<std::string> args;
    std::set<std::string> names;
  } cases[] = {
      {{"\xe5\x86\x99"}, {jpg, png}},         // 写
      {{shashin}, {jpg, png}},                // 写真
      {{"\xe7\x9c\x9f"}, {jpg, png, natsu}},  // 真
      {{"\xe3\x81\xae\xe5\x86\x99"}, {png}},  // の写
      {{"\xe3\x81\x8b"}, {camera}},           // か finds カ
      {{"\xe7\x9c\x9f .TXT"}, {natsu}},       // with an ASCII fragment
      {{"12"}, {"12"}},                       // ASCII: a whole name,
      {{"2"}, {"12"}},                        // its last character,
      {{"v"}, {"v 9"}},                       // one before a space,
      {{"V9"}, {}},                           // no pair across it
      {{"t"}, {natsu, camera, "Photo.jpg"}},  // each name once
      {{"Jp"}, {jpg, "Photo.jpg"}},
      {{"\xe6\x97\x85\xe8\xa1\x8c\xe3\x81\xae"}, {png}},  // 旅行の: three characters,
      {{"HOTO."}, {"Photo.jpg"}},                         // five,
      {{"otot"}, {}},  // its pairs in a name, but not the fragment
      {{"p 9"}, {}},
      {{"9 P"}, {}},
      {{"*.jpg"}, {jpg, "Photo.jpg"}},  // globs: the whole name,
      {{"\xe5\x86\x99?.JPG"}, {jpg}},   // any case, ? one character
      {{"\xe5\x86\x99*"}, {jpg}},       // not 旅行の写真
      {{"ph*o.*"}, {"Photo.jpg"}},
      {{"\xe7\x9c\x9f", "--newer", "2023-11-15"}, {png}},  // dates: local time (UTC here)
      {{"\xe7\x9c\x9f", "--older", "2023-11-14"}, {natsu}},
      {{"--newer", "2023-11-14T22:13:20", "--older", "2023-11-14 22:13:21"},
       {jpg, camera, "Photo.jpg", "12", "v 9"}},
      {{"--newer", "2023-11-14T22:14"}, {png}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"--find"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const auto r = Ordanou(args);
    std::set<std::string> names;
    for (const std::string& line : Lines(r.out)) {
      names.insert(line.substr(0, line.find('\t')).substr((work / "t/").size()));
    }
    EXPECT_EQ(names, c.names) << c.args.front() << ": " << r.err;
  }
  EXPECT_EQ(Scalar("PRAGMA user_version", "SELECT max(version) FROM ordano_schema"), 5);
  EXPECT_EQ(Scalar("SELECT count(*) FROM file WHERE verified IS NULL"), 7);
  for (const char* bad : {"2023-02-29", "2023-11-14T24:00", "yesterday", "2023-11-14T22"}) {
    EXPECT_EQ(Ordanou({"--find", "--newer", bad}).exitCode, 2) << bad;
  }
}

// Hits are sorted in memory: by folder, then name, each as bytes (a folder's
// own files before its subfolders', upper case before lower).
TEST_P(Library, HitsComeByFolderThenNameAsBytes) {
  const std::vector<std::string> order = {"o/ab.txt",   "o/B/y.txt",  "o/a b/z.txt",
                                          "o/ab/Z.txt", "o/ab/a.txt", "o/ab/\xc3\xa4.txt",
                                          "o/b/x.txt"};
  for (auto it = order.rbegin(); it != order.rend(); ++it) File(work / *it);
  ASSERT_EQ(Ordanou({"--add", work / "o"}).exitCode, 0);
  const auto r = Ordanou({"--find", "txt"});
  std::vector<std::string> paths;
  for (std::size_t i = 0; i < r.out.size();) {
    const std::size_t end = r.out.find('\n', i);
    const std::string line = r.out.substr(i, end - i);
    paths.push_back(line.substr(0, line.find('\t')).substr((work / "").size()));
    i = end == std::string::npos ? r.out.size() : end + 1;
  }
  EXPECT_EQ(paths, order) << r.out;
}

TEST_F(LibraryFile, AFullDiskRollsTheAddBackAndKeepsTheEarlierRows) {
  File(work / "small/kept.txt");
  ASSERT_EQ(Ordanou({"--add", work / "small"}).exitCode, 0);
  for (int i = 0; i < 3000; ++i) File(work / ("big/lost" + std::to_string(i) + ".txt"));
  RunOptions o = LibOpts();
  o.fileSizeLimit = 100 * 1024;  // the write-ahead log cannot hold the new rows
  const auto r = RunOrdanou({"--add", work / "big"}, o);
  EXPECT_EQ(r.exitCode, 3) << r.err;
  EXPECT_NE(r.err.find(work / "lib/library.sqlite"), std::string::npos) << r.err;
  EXPECT_EQ(Ordanou({"--find", "lost"}).exitCode, 1);
  EXPECT_EQ(Ordanou({"--find", "kept"}).exitCode, 0);
  // Nothing half-written either: no rows of the failed add are left behind.
  EXPECT_EQ(Scalar("SELECT count(*) FROM file"), 1);
}

TEST_F(LibraryFile, ImportedCataloguesFindWhatAnAddFinds) {
  MakeDirs(work / "out");
  File(work / "tree/one.txt", "1");
  File(work / "tree/sub/two.bin", std::string(500, '2'));
  File(work / "tree/sub/deep/three.txt", "333");
  for (const char* name : {"c.json", "c.csv"}) {
    const auto r = RunOrdanou(
        {"--yes", "/O:" + (work / "out"), "/F:" + std::string(name), work / "tree"}, Opts());
    ASSERT_EQ(r.exitCode, 0) << r.err;
  }
  const auto find = [&](const std::string& lib) {
    auto o = LibOpts();
    o.env.back().second = lib;
    return RunOrdanou({"--find", "--size", "+0"}, o).out;
  };
  const auto into = [&](const std::string& lib, std::vector<std::string> args) {
    auto o = LibOpts();
    o.env.back().second = lib;
    const auto r = RunOrdanou(args, o);
    EXPECT_EQ(r.exitCode, 0) << r.err;
  };
  into(work / "added.sqlite", {"--add", work / "tree"});
  const std::string added = find(work / "added.sqlite");
  EXPECT_EQ(Lines(added).size(), 3u) << added;
  into(work / "json.sqlite", {"--import", work / "out/c.json"});
  EXPECT_EQ(find(work / "json.sqlite"), added);
  into(work / "csv.sqlite", {"--import", work / "out/c.csv"});
  EXPECT_EQ(find(work / "csv.sqlite"), added);
  // Folders with a volume decoration import as their paths.
  const std::string decorated =
      std::regex_replace(ReadFile(work / "out/c.json"), std::regex(R"re("folder":"(/[^"]*)")re"),
                         R"re("folder":"Vol:DATA (L$1)")re");
  ASSERT_NE(decorated.find("Vol:DATA (L/"), std::string::npos);
  WriteFile(work / "out/vol.json", decorated);
  into(work / "vol.sqlite", {"--import", work / "out/vol.json"});
  EXPECT_EQ(find(work / "vol.sqlite"), added);

  // A catalogue run records the same: asked once, writing relative folders
  // (walked again with paths), and through the profile's LibraryToo.
  const std::vector<std::pair<std::string, std::vector<std::string>>> runs = {
      {"too.sqlite", {"--library-too", "/F:t.txt"}},
      {"relative.sqlite", {"--library-too", "--relative", "/F:r.csv"}},
      {"profile.sqlite", {"/F:p.txt"}},
  };
  for (const auto& [lib, args] : runs) {
    if (lib == "profile.sqlite") into(work / lib, {"--set", "LibraryToo=1", "--save"});
    std::vector<std::string> argv = {"--yes", "/O:" + (work / "out")};
    argv.insert(argv.end(), args.begin(), args.end());
    argv.push_back(work / "tree");
    into(work / lib, argv);
    EXPECT_EQ(find(work / lib), added) << lib;
  }
  // A .sqlite destination is a library of its own, replaced whole by the next run.
  for (int run = 0; run < 2; ++run) {
    into(work / "unused.sqlite", {"--yes", "/O:" + (work / "out"), "/F:c.sqlite", work / "tree"});
  }
  EXPECT_EQ(find(work / "out/c.sqlite"), added);
  for (const auto& e : std::filesystem::directory_iterator(work / "out")) {
    EXPECT_FALSE(e.path().filename().string().starts_with(".ordano-")) << e.path();
  }
  // A library that cannot be used costs the run its status, not its catalogue.
  WriteFile(work / "bad.sqlite", "not a database");
  auto bad = LibOpts();
  bad.env.back().second = work / "bad.sqlite";
  const auto refused = RunOrdanou(
      {"--yes", "--library-too", "/O:" + (work / "out"), "/F:b.txt", work / "tree"}, bad);
  EXPECT_EQ(refused.exitCode, 1) << refused.err;
  EXPECT_TRUE(std::filesystem::exists(work / "out/b.txt"));
  EXPECT_NE(refused.err.find("nothing of this run was recorded"), std::string::npos) << refused.err;
  EXPECT_EQ(ReadFile(work / "bad.sqlite"), "not a database");
  // A file given alone is named as not recorded; the catalogue is written.
  auto o = LibOpts();
  const auto alone = RunOrdanou(
      {"--yes", "--library-too", "/O:" + (work / "out"), "/F:f.txt", work / "tree/one.txt"}, o);
  EXPECT_EQ(alone.exitCode, 0) << alone.err;
  EXPECT_NE(alone.err.find("one.txt: not a folder"), std::string::npos) << alone.err;
}

TEST_P(Library, DuplicatesBiggestFirstUniqueAndForget) {
  File(work / "x/same.txt", "hello");
  File(work / "x/copy.txt", "hello");
  File(work / "x/only.txt", "only");
  File(work / "x/big.bin", std::string(1000, 'B'));
  File(work / "y/big copy.bin", std::string(1000, 'B'));
  File(work / "y/same.txt", "hello");
  File(work / "y/empty.txt", "");
  File(work / "x/empty.txt", "");
  auto r = Ordanou({"--add", "--md5", work / "x", work / "y"});
  ASSERT_EQ(r.exitCode, 0) << r.err;

  r = Ordanou({"--duplicates"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  const std::string bigGroup = "2 copies of 1000 bytes (md5 ";
  EXPECT_EQ(r.out.rfind(bigGroup, 0), 0u) << r.out;
  EXPECT_NE(r.out.find("3 copies of 5 bytes (md5 5d41402abc4b2a76b9719d911017c592), 10 bytes to "
                       "gain\n  " +
                       work / "x/copy.txt\t"),
            std::string::npos)
      << r.out;
  EXPECT_EQ(r.out.find("empty"), std::string::npos) << r.out;

  // What is lost with a folder: files without a copy outside it.
  r = Ordanou({"--unique", work / "x"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Lines(r.out),
            (std::set<std::string>{work / "x/only.txt\t-\tonline\t4\t2023-11-14 22:13:20"}));
  r = Ordanou({"--unique", work / "y"});
  EXPECT_EQ(r.exitCode, 1) << r.out;

  // Files without copies beside them change nothing: the same groups.
  const std::string groups = Ordanou({"--duplicates"}).out;
  for (int i = 0; i < 60; ++i) File(work / ("z/u" + std::to_string(i)), std::to_string(i));
  ASSERT_EQ(Ordanou({"--add", "--md5", work / "z"}).exitCode, 0);
  EXPECT_EQ(Ordanou({"--duplicates"}).out, groups);

  r = Ordanou({"--volumes", "--json"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string key = nlohmann::json::parse(r.out).at(0).at("key");
  EXPECT_EQ(Ordanou({"--forget", key}).exitCode, 0);
  EXPECT_EQ(Ordanou({"--find", "same"}).exitCode, 1);
  EXPECT_EQ(Ordanou({"--forget", key}).exitCode, 2);
}

TEST_P(Library, SnapshotsCompareAndLabelsThatChangeOrRepeat) {
  const std::string s = work / "s";
  File(s + "/a.txt", "1");
  File(s + "/b.txt", "2");
  ASSERT_EQ(Ordanou({"--add", s}).exitCode, 0);
  std::filesystem::remove(s + "/a.txt");
  File(s + "/b.txt", "22");
  File(s + "/c.txt", "3");
  ASSERT_EQ(Ordanou({"--add", s}).exitCode, 0);

  auto r = Ordanou({"--snapshots"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out.rfind("library:" + s + "\t-\t", 0), 0u) << r.out;
  EXPECT_NE(r.out.find("\nlibrary:" + s + "~1\t-\t"), std::string::npos) << r.out;
  // The scan before against the current one; the current one against the disk.
  r = Ordanou({"--compare", "library:" + s + "~1", "library:" + s + "/"});
  EXPECT_EQ(r.exitCode, 1) << r.err;
  for (const std::string word : {"a.txt", "b.txt", "c.txt"}) {
    EXPECT_NE(r.out.find(word), std::string::npos) << word << "\n" << r.out;
  }
  MakeDirs(work / "lib");
  ASSERT_EQ(RunOrdanou({"--yes", "/O:" + (work / "lib"), "/F:now.json", s}, Opts()).exitCode, 0);
  r = Ordanou({"--compare", "library:" + s, work / "lib/now.json"});
  EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
  r = Ordanou({"--compare", "library:" + s + "~4", work / "lib/now.json"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("keeps 2 snapshots"), std::string::npos) << r.err;

  // Two volumes with one label: found by it, forgotten only by UUID or key.
  ShmDir shm;
  if (shm.path().empty()) GTEST_SKIP() << "no /dev/shm for a second volume";
  File(shm.path() + "/d.txt", "4");
  ASSERT_EQ(Ordanou({"--add", shm.path()}).exitCode, 0);
  Scalar("UPDATE volume SET label = 'SAME'");
  EXPECT_EQ(Lines(Ordanou({"--find", ".txt", "--volume", "same"}).out).size(), 3u);
  r = Ordanou({"--forget", "SAME"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("2 volumes are called SAME"), std::string::npos) << r.err;
  // A label changed on the disk is the volume's label at its next scan.
  ASSERT_EQ(Ordanou({"--add", shm.path()}).exitCode, 0);
  EXPECT_EQ(Scalar("SELECT count(*) FROM volume WHERE label = 'SAME'"), 1);
  EXPECT_EQ(Scalar("SELECT count(*) FROM volume"), 2);
}

// Ctrl-C while an add runs: the library holds the earlier snapshot or the new
// one whole, never a part of it.
TEST_P(Library, CtrlCDuringAnAddLeavesNoHalfSnapshot) {
  for (int i = 0; i < 3000; ++i) File(work / ("t/f" + std::to_string(i)));
  ASSERT_EQ(Ordanou({"--add", work / "t"}).exitCode, 0);
  for (int i = 3000; i < 6000; ++i) File(work / ("t/f" + std::to_string(i)));
  const std::string binary = ORDANOU_BINARY;
  for (const char* delay : {"0.05", "0.3", "1"}) {
    const std::string script = "ORDANO_LIBRARY='" + location + "' '" + binary + "' --add '" +
                               (work / "t") + "' & sleep " + delay + "; kill -INT $!; wait $!";
    const auto r = RunProgram("/bin/sh", {"-c", script}, Opts());
    EXPECT_TRUE(r.exitCode == 0 || r.exitCode == 4) << delay << ": " << r.exitCode << r.err;
    const int files =
        Scalar("SELECT s.files FROM tree t JOIN snapshot s ON s.id = t.current_snapshot");
    EXPECT_TRUE(files == 3000 || files == 6000) << delay << ": " << files;
    EXPECT_EQ(Scalar("SELECT count(*) FROM file f JOIN folder d ON d.id = f.folder_id JOIN tree t "
                     "ON t.current_snapshot = d.snapshot_id"),
              files);
  }
}

TEST_P(Library, TwoAddsAtOnceBothLand) {
  for (int i = 0; i < 1500; ++i) {
    File(work / ("p/f" + std::to_string(i) + "_alpha.txt"));
    File(work / ("q/f" + std::to_string(i) + "_omega.txt"));
  }
  ProcessResult first, second;
  std::thread a([&] { first = Ordanou({"--add", work / "p"}); });
  std::thread b([&] { second = Ordanou({"--add", work / "q"}); });
  a.join();
  b.join();
  EXPECT_EQ(first.exitCode, 0) << first.err;
  EXPECT_EQ(second.exitCode, 0) << second.err;
  EXPECT_EQ(Lines(Ordanou({"--find", "alpha"}).out).size(), 1500u);
  EXPECT_EQ(Lines(Ordanou({"--find", "omega"}).out).size(), 1500u);
}

std::string Md5Hex(std::string_view bytes) {
  MD5 md5;
  md5.update(bytes.data(), bytes.size());
  md5.finalize();
  std::string hex = md5.hex_digest();
  for (char& c : hex) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return hex;
}

// The digest a second add stores for each file, and how many files it read:
// only those whose size, modification time (either way) or inode changed. A
// file rewritten with its size and time kept keeps its old digest, the limit
// of the method (its contents are never compared).
TEST_P(Library, AnAddReadsOnlyTheFilesThatChanged) {
  const std::string before(4096, 'a'), after(4096, 'b');
  const auto keepTime = [&](const std::string& p) {
    const auto mtime = std::filesystem::last_write_time(p);
    WriteFile(p, after);  // in place: the inode stays
    std::filesystem::last_write_time(p, mtime);
  };
  const struct {
    const char* name;
    std::function<void(const std::string&)> change;
    bool read;
  } rows[] = {
      {"unchanged", [](const std::string&) {}, false},
      {"touched", [&](const std::string& p) { WriteFile(p, after), SetMtime(p, kTime + 60); },
       true},
      {"resized", [&](const std::string& p) { WriteFile(p, after + "!"), SetMtime(p, kTime); },
       true},
      {"replaced",
       [&](const std::string& p) {
         File(p + ".new", after);
         std::filesystem::rename(p + ".new", p);
       },
       true},
      {"clock_set_back",
       [&](const std::string& p) { WriteFile(p, after), SetMtime(p, kTime - 3600); }, true},
      {"rewritten_same_size_and_time", keepTime, false},
  };
  const auto storedMd5 = [&](const std::string& name) {
    const std::string current =
        " FROM file f JOIN folder d ON d.id = f.folder_id JOIN tree t ON "
        "t.current_snapshot = d.snapshot_id WHERE f.name = ";
    return Text("SELECT hex(f.md5)" + current + "CAST('" + name + "' AS BLOB)",
                "SELECT upper(encode(f.md5, 'hex'))" + current + "'" + name + "'::bytea");
  };
  for (const auto& row : rows) File(work / "t/" + row.name, before);
  const auto add = [&](const std::vector<std::string>& more = {}) {
    std::vector<std::string> args = {"--add", "--md5", work / "t"};
    args.insert(args.end(), more.begin(), more.end());
    const auto r = Ordanou(args);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const auto at = r.out.find("MD5: ");
    return at == std::string::npos ? r.out : r.out.substr(at, r.out.find(')', at) - at);
  };
  EXPECT_EQ(add(), "MD5: 6 read, 0 unchanged");
  for (const auto& row : rows) row.change(work / "t/" + row.name);
  EXPECT_EQ(add(), "MD5: 4 read, 2 unchanged");
  for (const auto& row : rows) {
    EXPECT_EQ(storedMd5(row.name), Md5Hex(row.read ? ReadFile(work / "t/" + row.name) : before))
        << row.name;
  }
  // The files read have their stamps stored: nothing is read again.
  EXPECT_EQ(add(), "MD5: 0 read, 6 unchanged");
  EXPECT_EQ(add({"--rehash"}), "MD5: 6 read, 0 unchanged");
  EXPECT_EQ(storedMd5("rewritten_same_size_and_time"), Md5Hex(after));
}

// An add killed halfway keeps the digests it made: the next add reads only
// the rest, and a catalogue run on those digests writes the catalogue a run
// that reads every file writes.
TEST_P(Library, AKilledAddResumesWhereItStopped) {
  constexpr int kFiles = 3000;
  for (int i = 0; i < kFiles; ++i) {
    File(work / ("t/f" + std::to_string(i)), std::to_string(i) + std::string(16384, 'x'));
  }
  MakeDirs(work / "out");
  ASSERT_EQ(
      RunOrdanou({"--yes", "--md5", "/O:" + (work / "out"), "/F:full.txt", work / "t"}, Opts())
          .exitCode,
      0);
  const std::string lib = location, pidFile = work / "pid";
  // Made by the add (a server's schema, a file): then it can be asked.
  const auto made = [&] {
    return store == Store::kServer
               ? Scalar("SELECT count(*) FROM pg_tables WHERE tablename = 'digest_kept'") > 0
               : std::filesystem::exists(lib);
  };
  const std::string script = "ORDANO_LIBRARY='" + lib + "' '" + std::string(ORDANOU_BINARY) +
                             "' --add --md5 '" + (work / "t") + "' & echo $! > '" + pidFile +
                             "'; wait $!";
  ProcessResult killed;
  std::thread run([&] { killed = RunProgram("/bin/sh", {"-c", script}, Opts()); });
  // Killed once its first digests are kept (a bounded wait, not a timing).
  int kept = 0;
  for (int i = 0; i < 6000 && kept <= 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (made()) kept = Scalar("SELECT count(*) FROM digest_kept");
  }
  std::ifstream pid(pidFile);
  int child = 0;
  pid >> child;
  if (child > 0) ::kill(child, SIGKILL);
  run.join();
  ASSERT_GT(kept, 0);
  ASSERT_EQ(Scalar("SELECT count(*) FROM snapshot"), 0) << "the add ended before it was killed";

  const std::string resumed = Ordanou({"--add", "--md5", work / "t"}).out;
  std::smatch m;
  ASSERT_TRUE(std::regex_search(resumed, m, std::regex(R"(MD5: (\d+) read, (\d+) unchanged)")))
      << resumed;
  EXPECT_GE(std::stoi(m[2]), kept);
  EXPECT_LT(std::stoi(m[2]), kFiles);
  EXPECT_EQ(std::stoi(m[1]) + std::stoi(m[2]), kFiles);
  EXPECT_EQ(Scalar("SELECT count(*) FROM digest_kept"), 0);

  const auto r = Ordanou(
      {"--yes", "--md5", "--library-too", "/O:" + (work / "out"), "/F:reused.txt", work / "t"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(ReadFile(work / "out/reused.txt"), ReadFile(work / "out/full.txt"));
}

// --verify of a folder the library holds: its last snapshot against the
// disk, with the report and statuses of --verify CATALOGUE.
TEST_P(Library, VerifiesAFolderAgainstItsLastSnapshot) {
  File(work / "v/a.txt", "aaa");
  File(work / "v/sub/b.txt", "bbb");
  ASSERT_EQ(Ordanou({"--add", "--md5", work / "v"}).exitCode, 0);
  auto r = Ordanou({"--verify", work / "v"});
  EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
  File(work / "v/sub/b.txt", "bbx");  // its bytes rot; size and time stay
  r = Ordanou({"--verify", work / "v"});
  EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
  EXPECT_NE(r.out.find("b.txt"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("a.txt"), std::string::npos) << r.out;
  r = Ordanou({"--verify", "NO-SUCH-VOLUME"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("NO-SUCH-VOLUME"), std::string::npos) << r.err;
}

// --verify --sample: a share of the files re-hashed, those verified longest
// ago first, so runs one after the other go round the whole tree; a full
// --verify records its files too.
TEST_P(Library, SampledVerifiesGoRoundTheTree) {
  const std::vector<std::string> names = {"one.bin", "two.bin", "three.bin", "four.bin"};
  for (const std::string& name : names) File(work / ("s/" + name), "old");
  ASSERT_EQ(Ordanou({"--add", "--md5", work / "s"}).exitCode, 0);
  // Files of the current snapshot with a record.
  const char* verified =
      "SELECT count(*) FROM file f JOIN folder d ON d.id = f.folder_id JOIN tree t ON "
      "t.current_snapshot = d.snapshot_id WHERE f.verified IS NOT NULL";
  // Every file rots (size and time stay): the report names each file checked.
  for (const std::string& name : names) File(work / ("s/" + name), "new");
  std::set<std::string> seen;
  for (int run = 1; run <= 2; ++run) {
    const auto r = Ordanou({"--verify", work / "s", "--sample", "50%"});
    EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
    int shown = 0;
    for (const std::string& name : names) {
      if (r.out.find(name) == std::string::npos) continue;
      ++shown;
      EXPECT_TRUE(seen.insert(name).second) << name << " checked again in run " << run;
    }
    EXPECT_EQ(shown, 2) << r.out;
    EXPECT_EQ(Scalar(verified), 2 * run);
    // A new snapshot keeps the record of the files that did not change (the
    // add takes their digests from the library by their stamps).
    if (run == 1) {
      ASSERT_EQ(Ordanou({"--add", "--md5", work / "s"}).exitCode, 0);
    }
  }
  EXPECT_EQ(seen.size(), names.size());

  Scalar("UPDATE file SET verified = NULL");
  EXPECT_EQ(Ordanou({"--verify", work / "s"}).exitCode, 1);
  EXPECT_EQ(Scalar(verified), 4);

  struct Bad {
    std::vector<std::string> args;
    std::string said;
  } bads[] = {
      {{"--verify", work / "s", "--sample", "0%"}, "--sample takes a share"},
      {{"--verify", work / "s", "--sample", "101%"}, "--sample takes a share"},
      {{"--verify", work / "s", "--sample", "half"}, "--sample takes a share"},
      {{"--verify", work / "s/one.bin", "--sample", "5%"}, "not a catalogue file"},
      {{work / "s", "--sample", "5%"}, "--sample goes with --verify"},
  };
  for (const Bad& bad : bads) {
    const auto r = Ordanou(bad.args);
    EXPECT_EQ(r.exitCode, 2) << bad.args.back() << ": " << r.err;
    EXPECT_NE(r.err.find(bad.said), std::string::npos) << r.err;
  }
}

// The faults of a server: one that cannot be reached (its password not
// shown), and a database without pg_trgm whose role may not add it, named
// with the command that does. Nothing is written; once added, the add lands.
class LibraryServer : public LibraryTest {
 protected:
  void SetUp() override {
    store = Store::kServer;
    LibraryTest::SetUp();
  }
};

TEST_F(LibraryServer, UnreachableOrWithoutTrigramsIsNamed) {
  File(work / "t/one.txt");
  const std::string role = "plain" + database;
  Scalar(("CREATE ROLE " + role + " LOGIN").c_str());
  Scalar(("CREATE SCHEMA " + role + " AUTHORIZATION " + role).c_str());
  const std::string plain = "postgresql:///" + database + "?host=" + serverFolder + "&user=" + role;
  struct Case {
    const char* what;
    std::string uri;
    int exitCode;
    std::vector<std::string> said;
  } cases[] = {
      {"unreachable",
       "postgresql://ordano:secret@/" + database + "?host=" + (work / "nowhere") +
           "&password=secret",
       3,
       {"postgresql://ordano:***@/", "cannot connect to the server", "nothing of this run"}},
      {"no pg_trgm", plain, 2, {"pg_trgm", "psql '" + plain + "' -c 'CREATE EXTENSION pg_trgm'"}},
  };
  for (const Case& c : cases) {
    RunOptions o = LibOpts();
    o.env.back().second = c.uri;
    const auto r = RunOrdanou({"--add", work / "t"}, o);
    EXPECT_EQ(r.exitCode, c.exitCode) << c.what << ": " << r.err;
    for (const std::string& words : c.said) {
      EXPECT_NE(r.err.find(words), std::string::npos) << c.what << ": " << r.err;
    }
    EXPECT_EQ(r.err.find("secret"), std::string::npos) << r.err;
  }
  EXPECT_EQ(Scalar("SELECT count(*) FROM pg_tables WHERE tablename = 'file'"), 0);
  Scalar("CREATE EXTENSION pg_trgm");
  RunOptions o = LibOpts();
  o.env.back().second = plain;
  const auto r = RunOrdanou({"--add", work / "t"}, o);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Scalar(("SELECT count(*) FROM " + role + ".file").c_str()), 1);
}

}  // namespace
}  // namespace ordano::testing
