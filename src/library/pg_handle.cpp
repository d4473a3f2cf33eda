#include "library/pg_handle.h"

#include <endian.h>
#include <poll.h>

#include <cctype>
#include <charconv>
#include <cstring>
#include <optional>
#include <vector>

namespace ordano {
namespace {

constexpr Oid kByteaOid = 17;

// libpq's messages end in a newline and may run over several lines: the first.
std::string FirstLine(const char* message) {
  std::string text = message != nullptr ? message : "";
  text = text.substr(0, text.find('\n'));
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
  return text.empty() ? "the server did not answer" : text;
}

bool NameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 0;
}

class PgCursor : public StoreCursor {
 public:
  PgCursor(PgConnection& db, std::string_view sql) : db_(db), sql_(RewriteParameters(sql)) {
    values_.resize(static_cast<std::size_t>(sql_.count));
    binary_.resize(values_.size(), 0);
  }
  void BindInt(int i, std::int64_t v) override { Set(i, std::to_string(v), false); }
  // Text goes as bytes too: the server takes them for a text or a bytea
  // parameter alike.
  void BindText(int i, std::string_view text) override { Set(i, std::string(text), true); }
  void BindBlob(int i, std::string_view bytes) override { Set(i, std::string(bytes), true); }
  void BindNull(int i) override { Slot(i) = std::nullopt; }
  int Parameter(const char* name) const override {
    const auto at = sql_.names.find(name);
    return at != sql_.names.end() ? at->second : 0;
  }
  bool Step() override {
    if (!result_) {
      std::vector<const char*> values(values_.size());
      std::vector<int> lengths(values_.size());
      for (std::size_t i = 0; i < values_.size(); ++i) {
        values[i] = values_[i] ? values_[i]->data() : nullptr;
        lengths[i] = values_[i] ? static_cast<int>(values_[i]->size()) : 0;
      }
      result_ = db_.Run(sql_.text, static_cast<int>(values.size()), sql_.types.data(),
                        values.data(), lengths.data(), binary_.data());
      rows_ = PQntuples(result_.get());
      row_ = -1;
      decoded_.assign(static_cast<std::size_t>(PQnfields(result_.get())), std::string());
    }
    return ++row_ < rows_;
  }
  void Reset() override { result_.reset(); }
  std::int64_t Int(int col) const override {
    const char* v = PQgetvalue(result_.get(), row_, col);
    if (*v == 't') return 1;
    if (*v == 'f') return 0;
    std::int64_t out = 0;
    std::from_chars(v, v + std::strlen(v), out);
    return out;
  }
  bool IsNull(int col) const override { return PQgetisnull(result_.get(), row_, col) != 0; }
  std::string_view Bytes(int col) const override {
    const char* v = PQgetvalue(result_.get(), row_, col);
    const int n = PQgetlength(result_.get(), row_, col);
    if (PQftype(result_.get(), col) != kByteaOid) return {v, static_cast<std::size_t>(n)};
    // bytea in hex: "\x" and two digits a byte.
    std::string& out = decoded_[static_cast<std::size_t>(col)];
    out.clear();
    for (int i = 2; i + 1 < n; i += 2) {
      out += static_cast<char>(HexDigit(v[i]) << 4 | HexDigit(v[i + 1]));
    }
    return out;
  }

 private:
  std::optional<std::string>& Slot(int i) {
    if (i < 1 || i > static_cast<int>(values_.size())) {
      throw PgError("", "no parameter " + std::to_string(i) + " in: " + sql_.text);
    }
    return values_[static_cast<std::size_t>(i - 1)];
  }
  void Set(int i, std::string value, bool binary) {
    Slot(i) = std::move(value);
    binary_[static_cast<std::size_t>(i - 1)] = binary ? 1 : 0;
  }
  PgConnection& db_;
  PgSql sql_;
  std::vector<std::optional<std::string>> values_;
  std::vector<int> binary_;
  PgConnection::Result result_;
  int rows_ = 0, row_ = -1;
  mutable std::vector<std::string> decoded_;
};

}  // namespace

PgSql RewriteParameters(std::string_view sql) {
  PgSql out;
  std::vector<int> used;
  out.text.reserve(sql.size() + 16);
  for (std::size_t i = 0; i < sql.size();) {
    const char c = sql[i];
    if (c == '\'' || c == '"') {
      const std::size_t end = std::min(sql.find(c, i + 1), sql.size() - 1);
      out.text.append(sql.substr(i, end + 1 - i));
      i = end + 1;
    } else if (c == ':' && i + 1 < sql.size() && sql[i + 1] == ':') {
      out.text += "::";
      i += 2;
    } else if (c == '?') {
      std::size_t end = i + 1;
      while (end < sql.size() && std::isdigit(static_cast<unsigned char>(sql[end]))) ++end;
      int n = out.count + 1;
      if (end > i + 1) std::from_chars(sql.data() + i + 1, sql.data() + end, n);
      out.count = std::max(out.count, n);
      used.push_back(n);
      out.text += '$' + std::to_string(n);
      i = end;
    } else if (c == ':' && i + 1 < sql.size() && NameChar(sql[i + 1])) {
      std::size_t end = i + 1;
      while (end < sql.size() && NameChar(sql[end])) ++end;
      const auto [at, added] =
          out.names.emplace(std::string(sql.substr(i, end - i)), out.count + 1);
      if (added) ++out.count;
      used.push_back(at->second);
      out.text += '$' + std::to_string(at->second);
      i = end;
    } else {
      out.text += c;
      ++i;
    }
  }
  constexpr Oid kTextOid = 25;
  out.types.assign(static_cast<std::size_t>(out.count), kTextOid);
  for (const int n : used) out.types[static_cast<std::size_t>(n - 1)] = 0;
  return out;
}

PgConnection::PgConnection(const std::string& uri) {
  // Defaults first: what the URI says wins. No JIT: compiling a plan costs
  // more than these short queries take.
  const char* keys[] = {"connect_timeout", "application_name", "client_encoding",
                        "options",         "dbname",           nullptr};
  const char* values[] = {"10", "ordanou", "UTF8", "-c jit=off", uri.c_str(), nullptr};
  conn_.reset(PQconnectdbParams(keys, values, 1));
  if (!conn_) throw PgError("", "out of memory");
  if (PQstatus(conn_.get()) != CONNECTION_OK) {
    throw PgError("", "cannot connect to the server: " + FirstLine(PQerrorMessage(conn_.get())));
  }
  // Notices ("already exists, skipping") are not the user's business.
  PQsetNoticeProcessor(
      conn_.get(), [](void*, const char*) {}, nullptr);
}

void PgConnection::Fail(const PGresult* result) const {
  const char* state = result != nullptr ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
  const char* message = result != nullptr ? PQresultErrorMessage(result) : nullptr;
  if (message == nullptr || *message == '\0') message = PQerrorMessage(conn_.get());
  std::string text = FirstLine(message);
  if (text.starts_with("ERROR:  ") || text.starts_with("FATAL:  ")) text = text.substr(8);
  if (PQstatus(conn_.get()) != CONNECTION_OK) text = "lost the server: " + text;
  throw PgError(state != nullptr ? state : "", text);
}

PgConnection::Result PgConnection::Run(const std::string& sql, int params, const Oid* types,
                                       const char* const* values, const int* lengths,
                                       const int* formats) {
  if (PQsendQueryParams(conn_.get(), sql.c_str(), params, types, values, lengths, formats, 0) ==
      0) {
    Fail(nullptr);
  }
  bool cancelled = false;
  while (true) {
    if (PQconsumeInput(conn_.get()) == 0) Fail(nullptr);
    if (PQisBusy(conn_.get()) == 0) break;
    pollfd fd{PQsocket(conn_.get()), POLLIN, 0};
    // The stop test is asked a few times a second while the server works.
    ::poll(&fd, 1, stop_ && !cancelled ? 20 : -1);
    if (stop_ && !cancelled && stop_()) {
      if (PGcancel* cancel = PQgetCancel(conn_.get())) {
        char error[256];
        PQcancel(cancel, error, sizeof error);
        PQfreeCancel(cancel);
      }
      cancelled = true;
    }
  }
  Result last, failed;
  while (PGresult* r = PQgetResult(conn_.get())) {
    const ExecStatusType status = PQresultStatus(r);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
      if (!failed)
        failed.reset(r);
      else
        PQclear(r);
    } else {
      last.reset(r);
    }
  }
  if (failed || !last) Fail(failed.get());
  return last;
}

std::unique_ptr<StoreCursor> PgConnection::Prepare(std::string_view sql) {
  return std::make_unique<PgCursor>(*this, sql);
}

void PgConnection::Exec(const char* sql) {
  const Result r(PQexec(conn_.get(), sql));
  const ExecStatusType status = r ? PQresultStatus(r.get()) : PGRES_FATAL_ERROR;
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) Fail(r.get());
}

void PgConnection::Rollback() noexcept { PQclear(PQexec(conn_.get(), "ROLLBACK")); }

PgCopy::PgCopy(PgConnection& db, const std::string& copySql) : db_(db) {
  const PgConnection::Result r(PQexec(db_.get(), copySql.c_str()));
  if (!r || PQresultStatus(r.get()) != PGRES_COPY_IN) db_.Fail(r.get());
  static constexpr char kSignature[] = "PGCOPY\n\377\r\n";
  buffer_.append(kSignature, sizeof kSignature);  // with its final zero byte
  Put32(0);                                       // flags
  Put32(0);                                       // no header extension
}

PgCopy::~PgCopy() {
  if (!open_) return;
  PQputCopyEnd(db_.get(), "abandoned");
  while (PGresult* r = PQgetResult(db_.get())) PQclear(r);
}

void PgCopy::Put32(std::uint32_t v) {
  const std::uint32_t be = htobe32(v);
  buffer_.append(reinterpret_cast<const char*>(&be), 4);
}

void PgCopy::Put64(std::uint64_t v) {
  const std::uint64_t be = htobe64(v);
  buffer_.append(reinterpret_cast<const char*>(&be), 8);
}

void PgCopy::Row(int fields) {
  if (buffer_.size() >= (1u << 20)) Flush();
  const std::uint16_t be = htobe16(static_cast<std::uint16_t>(fields));
  buffer_.append(reinterpret_cast<const char*>(&be), 2);
}

void PgCopy::Int(std::int64_t v) {
  Put32(8);
  Put64(static_cast<std::uint64_t>(v));
}

void PgCopy::Null() { Put32(0xFFFFFFFFu); }

void PgCopy::Bytes(std::string_view bytes) {
  Put32(static_cast<std::uint32_t>(bytes.size()));
  buffer_.append(bytes);
}

void PgCopy::IntArray(std::span<const std::int64_t> values) {
  constexpr std::uint32_t kInt8Oid = 20;
  const bool empty = values.empty();
  Put32(static_cast<std::uint32_t>(empty ? 12 : 20 + 12 * values.size()));
  Put32(empty ? 0 : 1);  // dimensions
  Put32(0);              // no nulls
  Put32(kInt8Oid);
  if (empty) return;
  Put32(static_cast<std::uint32_t>(values.size()));
  Put32(1);  // lower bound
  for (const std::int64_t v : values) Int(v);
}

void PgCopy::Flush() {
  if (buffer_.empty()) return;
  if (PQputCopyData(db_.get(), buffer_.data(), static_cast<int>(buffer_.size())) != 1) {
    db_.Fail(nullptr);
  }
  buffer_.clear();
}

void PgCopy::Finish() {
  const std::uint16_t trailer = 0xFFFF;
  buffer_.append(reinterpret_cast<const char*>(&trailer), 2);
  Flush();
  open_ = false;
  if (PQputCopyEnd(db_.get(), nullptr) != 1) db_.Fail(nullptr);
  PgConnection::Result failed;
  while (PGresult* r = PQgetResult(db_.get())) {
    if (PQresultStatus(r) != PGRES_COMMAND_OK && !failed) {
      failed.reset(r);
    } else {
      PQclear(r);
    }
  }
  if (failed) db_.Fail(failed.get());
}

}  // namespace ordano
