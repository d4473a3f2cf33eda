// What the library's two stores share: a connection, its statements with `?`
// parameters, write transactions, and the errors they throw. SQLite
// (sqlite_handle.h) and PostgreSQL (pg_handle.h) implement it.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace ordano {

class StoreError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
  // The store is damaged or not a library at all.
  virtual bool Corrupt() const { return false; }
  virtual bool Full() const { return false; }
  // The same transaction may succeed when run again (a serialization
  // failure or a deadlock between two writers).
  virtual bool Retry() const { return false; }
};

class StoreCursor {
 public:
  virtual ~StoreCursor() = default;
  virtual void BindInt(int i, std::int64_t v) = 0;
  virtual void BindText(int i, std::string_view text) = 0;
  virtual void BindBlob(int i, std::string_view bytes) = 0;
  virtual void BindNull(int i) = 0;
  virtual int Parameter(const char* name) const = 0;
  virtual bool Step() = 0;
  virtual void Reset() = 0;
  virtual std::int64_t Int(int col) const = 0;
  virtual bool IsNull(int col) const = 0;
  virtual std::string_view Bytes(int col) const = 0;
};

class StoreConnection {
 public:
  virtual ~StoreConnection() = default;
  virtual std::unique_ptr<StoreCursor> Prepare(std::string_view sql) = 0;
  // Runs statements that return no rows.
  virtual void Exec(const char* sql) = 0;
  virtual void Begin() = 0;
  virtual void Commit() = 0;
  virtual void Rollback() noexcept = 0;
};

class Statement {
 public:
  Statement(StoreConnection& db, std::string_view sql) : cursor_(db.Prepare(sql)) {}
  // Parameters count from 1, as in SQLite.
  Statement& Bind(int i, std::int64_t v) {
    cursor_->BindInt(i, v);
    return *this;
  }
  Statement& Bind(int i, std::string_view text) {  // as text
    cursor_->BindText(i, text);
    return *this;
  }
  Statement& BindBlob(int i, std::span<const std::uint8_t> bytes) {
    return BindBlob(i, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  }
  Statement& BindBlob(int i, std::string_view bytes) {
    cursor_->BindBlob(i, bytes);
    return *this;
  }
  Statement& BindNull(int i) {
    cursor_->BindNull(i);
    return *this;
  }
  // The number of a named parameter (":name"); 0 when the statement has none.
  int Parameter(const char* name) const { return cursor_->Parameter(name); }
  // True while there is a row; false at the end.
  bool Step() { return cursor_->Step(); }
  // Step() to the end, for statements without rows.
  void Run() {
    while (Step()) {
    }
    Reset();
  }
  void Reset() { cursor_->Reset(); }
  std::int64_t Int(int col) const { return cursor_->Int(col); }
  bool IsNull(int col) const { return cursor_->IsNull(col); }
  // Text or blob bytes of a column.
  std::string_view Bytes(int col) const { return cursor_->Bytes(col); }

 private:
  std::unique_ptr<StoreCursor> cursor_;
};

// Rolled back unless committed.
class WriteTransaction {
 public:
  explicit WriteTransaction(StoreConnection& db) : db_(db) { db_.Begin(); }
  ~WriteTransaction() {
    if (open_) db_.Rollback();
  }
  WriteTransaction(const WriteTransaction&) = delete;
  WriteTransaction& operator=(const WriteTransaction&) = delete;
  void Commit() {
    db_.Commit();
    open_ = false;
  }

 private:
  StoreConnection& db_;
  bool open_ = true;
};

}  // namespace ordano
