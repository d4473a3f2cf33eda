// RAII handles for SQLite: the connection, prepared statements and write
// transactions. Errors are thrown as SqliteError with SQLite's own code.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace ordano {

class SqliteError : public std::runtime_error {
 public:
  SqliteError(int code, const std::string& what) : std::runtime_error(what), code_(code) {}
  int code() const { return code_; }
  // The file is damaged or not a database at all.
  bool Corrupt() const {
    const int primary = code_ & 0xff;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
  }
  bool Full() const { return (code_ & 0xff) == SQLITE_FULL; }

 private:
  int code_;
};

class Database {
 public:
  // Opens `path` read-write; `create` allows a new file. Throws SqliteError.
  Database(const std::string& path, bool create);
  sqlite3* get() const { return db_.get(); }
  // Runs statements that return no rows.
  void Exec(const char* sql);
  std::int64_t LastInsertId() const { return sqlite3_last_insert_rowid(db_.get()); }
  [[noreturn]] void Fail(int code) const;

 private:
  struct Closer {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
  };
  std::unique_ptr<sqlite3, Closer> db_;
};

class Statement {
 public:
  Statement(const Database& db, std::string_view sql);
  // Parameters count from 1, as in SQLite.
  Statement& Bind(int i, std::int64_t v);
  Statement& Bind(int i, std::string_view text);  // as text
  Statement& BindBlob(int i, std::span<const std::uint8_t> bytes);
  Statement& BindBlob(int i, std::string_view bytes);
  Statement& BindNull(int i);
  // The number of a named parameter (":name"); 0 when the statement has none.
  int Parameter(const char* name) const { return sqlite3_bind_parameter_index(stmt_.get(), name); }
  // True while there is a row; false at the end.
  bool Step();
  // Step() to the end, for statements without rows.
  void Run();
  void Reset();
  std::int64_t Int(int col) const { return sqlite3_column_int64(stmt_.get(), col); }
  bool IsNull(int col) const { return sqlite3_column_type(stmt_.get(), col) == SQLITE_NULL; }
  // Text or blob bytes of a column.
  std::string_view Bytes(int col) const;

 private:
  struct Finalizer {
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
  };
  const Database& db_;
  std::unique_ptr<sqlite3_stmt, Finalizer> stmt_;
  bool done_ = false;
};

// BEGIN IMMEDIATE: the write lock is taken at once, so a second writer waits
// in the busy handler instead of failing on its first write. Rolled back
// unless committed.
class WriteTransaction {
 public:
  explicit WriteTransaction(Database& db);
  ~WriteTransaction();
  WriteTransaction(const WriteTransaction&) = delete;
  WriteTransaction& operator=(const WriteTransaction&) = delete;
  void Commit();

 private:
  Database& db_;
  bool open_ = true;
};

}  // namespace ordano
