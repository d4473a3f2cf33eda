#include "library/sqlite_handle.h"

namespace ordano {

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

void Database::Exec(const char* sql) {
  const int rc = sqlite3_exec(db_.get(), sql, nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) Fail(rc);
}

Statement::Statement(const Database& db, std::string_view sql) : db_(db) {
  sqlite3_stmt* raw = nullptr;
  const int rc =
      sqlite3_prepare_v2(db.get(), sql.data(), static_cast<int>(sql.size()), &raw, nullptr);
  stmt_.reset(raw);
  if (rc != SQLITE_OK) db.Fail(rc);
}

Statement& Statement::Bind(int i, std::int64_t v) {
  const int rc = sqlite3_bind_int64(stmt_.get(), i, v);
  if (rc != SQLITE_OK) db_.Fail(rc);
  return *this;
}

Statement& Statement::Bind(int i, std::string_view text) {
  const int rc =
      sqlite3_bind_text64(stmt_.get(), i, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
  if (rc != SQLITE_OK) db_.Fail(rc);
  return *this;
}

Statement& Statement::BindBlob(int i, std::span<const std::uint8_t> bytes) {
  const int rc = sqlite3_bind_blob64(stmt_.get(), i, bytes.data(), bytes.size(), SQLITE_TRANSIENT);
  if (rc != SQLITE_OK) db_.Fail(rc);
  return *this;
}

Statement& Statement::BindBlob(int i, std::string_view bytes) {
  return BindBlob(i, std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

Statement& Statement::BindNull(int i) {
  const int rc = sqlite3_bind_null(stmt_.get(), i);
  if (rc != SQLITE_OK) db_.Fail(rc);
  return *this;
}

bool Statement::Step() {
  if (done_) return false;
  const int rc = sqlite3_step(stmt_.get());
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) {
    done_ = true;
    return false;
  }
  db_.Fail(rc);
}

void Statement::Run() {
  while (Step()) {
  }
  Reset();
}

void Statement::Reset() {
  sqlite3_reset(stmt_.get());
  done_ = false;
}

std::string_view Statement::Bytes(int col) const {
  const void* p = sqlite3_column_blob(stmt_.get(), col);
  const int n = sqlite3_column_bytes(stmt_.get(), col);
  if (p == nullptr || n <= 0) return {};
  return {static_cast<const char*>(p), static_cast<std::size_t>(n)};
}

WriteTransaction::WriteTransaction(Database& db) : db_(db) { db_.Exec("BEGIN IMMEDIATE"); }

WriteTransaction::~WriteTransaction() {
  if (open_) sqlite3_exec(db_.get(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void WriteTransaction::Commit() {
  db_.Exec("COMMIT");
  open_ = false;
}

}  // namespace ordano
