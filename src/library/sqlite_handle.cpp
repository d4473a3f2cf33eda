#include "library/sqlite_handle.h"

namespace ordano {
namespace {

class SqliteCursor : public StoreCursor {
 public:
  SqliteCursor(const Database& db, std::string_view sql) : db_(db) {
    sqlite3_stmt* raw = nullptr;
    const int rc =
        sqlite3_prepare_v2(db.get(), sql.data(), static_cast<int>(sql.size()), &raw, nullptr);
    stmt_.reset(raw);
    if (rc != SQLITE_OK) db.Fail(rc);
  }
  void BindInt(int i, std::int64_t v) override { Check(sqlite3_bind_int64(stmt_.get(), i, v)); }
  void BindText(int i, std::string_view text) override {
    Check(sqlite3_bind_text64(stmt_.get(), i, text.data(), text.size(), SQLITE_TRANSIENT,
                              SQLITE_UTF8));
  }
  void BindBlob(int i, std::string_view bytes) override {
    Check(sqlite3_bind_blob64(stmt_.get(), i, bytes.data(), bytes.size(), SQLITE_TRANSIENT));
  }
  void BindNull(int i) override { Check(sqlite3_bind_null(stmt_.get(), i)); }
  int Parameter(const char* name) const override {
    return sqlite3_bind_parameter_index(stmt_.get(), name);
  }
  bool Step() override {
    if (done_) return false;
    const int rc = sqlite3_step(stmt_.get());
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) {
      done_ = true;
      return false;
    }
    db_.Fail(rc);
  }
  void Reset() override {
    sqlite3_reset(stmt_.get());
    done_ = false;
  }
  std::int64_t Int(int col) const override { return sqlite3_column_int64(stmt_.get(), col); }
  bool IsNull(int col) const override {
    return sqlite3_column_type(stmt_.get(), col) == SQLITE_NULL;
  }
  std::string_view Bytes(int col) const override {
    const void* p = sqlite3_column_blob(stmt_.get(), col);
    const int n = sqlite3_column_bytes(stmt_.get(), col);
    if (p == nullptr || n <= 0) return {};
    return {static_cast<const char*>(p), static_cast<std::size_t>(n)};
  }

 private:
  void Check(int rc) const {
    if (rc != SQLITE_OK) db_.Fail(rc);
  }
  struct Finalizer {
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
  };
  const Database& db_;
  std::unique_ptr<sqlite3_stmt, Finalizer> stmt_;
  bool done_ = false;
};

}  // namespace

Database::Database(const std::string& path, bool create) {
  sqlite3* raw = nullptr;
  const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0) | SQLITE_OPEN_NOMUTEX;
  const int rc = sqlite3_open_v2(path.c_str(), &raw, flags, nullptr);
  db_.reset(raw);
  if (rc != SQLITE_OK) Fail(rc);
  sqlite3_extended_result_codes(raw, 1);
}

void Database::Fail(int code) const {
  const char* text = db_ ? sqlite3_errmsg(db_.get()) : sqlite3_errstr(code);
  if (db_ && sqlite3_extended_errcode(db_.get()) != SQLITE_OK) {
    code = sqlite3_extended_errcode(db_.get());
  }
  throw SqliteError(code, text != nullptr ? text : sqlite3_errstr(code));
}

std::unique_ptr<StoreCursor> Database::Prepare(std::string_view sql) {
  return std::make_unique<SqliteCursor>(*this, sql);
}

void Database::Exec(const char* sql) {
  const int rc = sqlite3_exec(db_.get(), sql, nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) Fail(rc);
}

}  // namespace ordano
