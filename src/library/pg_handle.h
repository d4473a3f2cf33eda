// RAII handles for libpq: a connection to a PostgreSQL server as the
// library's store connection, and COPY in binary format. Statements take the
// same `?`, `?N` and `:name` parameters as SQLite (numbered as SQLite does);
// they become $N for the server.
#pragma once

#include <libpq-fe.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "library/store_connection.h"

namespace ordano {

class PgError : public StoreError {
 public:
  PgError(std::string sqlState, const std::string& what)
      : StoreError(what), state_(std::move(sqlState)) {}
  // The five-character SQLSTATE; empty when the connection itself failed.
  const std::string& State() const { return state_; }
  bool Retry() const override { return state_ == "40001" || state_ == "40P01"; }
  bool Full() const override { return state_ == "53100"; }

 private:
  std::string state_;
};

// SQL with SQLite's parameters rewritten as $N; the names' numbers.
struct PgSql {
  std::string text;
  std::unordered_map<std::string, int> names;
  int count = 0;
  // The type of each: 0 (the server infers it) for the ones the text uses,
  // text for the others, which the server cannot infer.
  std::vector<Oid> types;
};
PgSql RewriteParameters(std::string_view sql);

class PgConnection : public StoreConnection {
 public:
  // Connects to the URI (libpq's own forms); throws PgError.
  explicit PgConnection(const std::string& uri);
  PGconn* get() const { return conn_.get(); }
  std::unique_ptr<StoreCursor> Prepare(std::string_view sql) override;
  void Exec(const char* sql) override;
  void Begin() override { Exec("BEGIN"); }
  void Commit() override { Exec("COMMIT"); }
  void Rollback() noexcept override;
  void StopWhen(std::function<bool()> stop) { stop_ = std::move(stop); }

  struct ResultFree {
    void operator()(PGresult* r) const { PQclear(r); }
  };
  using Result = std::unique_ptr<PGresult, ResultFree>;
  // Sends a statement and waits for its last result, cancelling it when the
  // stop test says so. Throws PgError for a failed one.
  Result Run(const std::string& sql, int params, const Oid* types, const char* const* values,
             const int* lengths, const int* formats);
  [[noreturn]] void Fail(const PGresult* result) const;

 private:
  struct Closer {
    void operator()(PGconn* c) const { PQfinish(c); }
  };
  std::unique_ptr<PGconn, Closer> conn_;
  std::function<bool()> stop_;
};

// COPY … FROM STDIN (FORMAT binary), buffered: Row() before each row's fields.
class PgCopy {
 public:
  PgCopy(PgConnection& db, const std::string& copySql);
  ~PgCopy();
  PgCopy(const PgCopy&) = delete;
  PgCopy& operator=(const PgCopy&) = delete;
  void Row(int fields);
  void Int(std::int64_t v);
  void Null();
  void Bytes(std::string_view bytes);
  void IntArray(std::span<const std::int64_t> values);
  // Sends the end and checks the server's answer.
  void Finish();

 private:
  void Put32(std::uint32_t v);
  void Put64(std::uint64_t v);
  void Flush();
  PgConnection& db_;
  std::string buffer_;
  bool open_ = true;
};

}  // namespace ordano
