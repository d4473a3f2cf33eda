// RAII handles for SQLite: the connection and its statements, as the
// library's store connection. Errors are thrown as SqliteError with SQLite's
// own code.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "library/store_connection.h"

namespace ordano {

class SqliteError : public StoreError {
 public:
  SqliteError(int code, const std::string& what) : StoreError(what), code_(code) {}
  int code() const { return code_; }
  // The file is damaged or not a database at all.
  bool Corrupt() const override {
    const int primary = code_ & 0xff;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
  }
  bool Full() const override { return (code_ & 0xff) == SQLITE_FULL; }

 private:
  int code_;
};

class Database : public StoreConnection {
 public:
  // Opens `path` read-write; `create` allows a new file. Throws SqliteError.
  Database(const std::string& path, bool create);
  sqlite3* get() const { return db_.get(); }
  std::unique_ptr<StoreCursor> Prepare(std::string_view sql) override;
  void Exec(const char* sql) override;
  // BEGIN IMMEDIATE: the write lock is taken at once, so a second writer
  // waits in the busy handler instead of failing on its first write.
  void Begin() override { Exec("BEGIN IMMEDIATE"); }
  void Commit() override { Exec("COMMIT"); }
  void Rollback() noexcept override {
    sqlite3_exec(db_.get(), "ROLLBACK", nullptr, nullptr, nullptr);
  }
  std::int64_t LastInsertId() const { return sqlite3_last_insert_rowid(db_.get()); }
  [[noreturn]] void Fail(int code) const;

 private:
  struct Closer {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
  };
  std::unique_ptr<sqlite3, Closer> db_;
};

}  // namespace ordano
