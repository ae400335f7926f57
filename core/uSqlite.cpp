// uSqlite.cpp — the SQLite connection and statements behind the journal.
#include "core/uSqlite.h"

namespace varnholt {

TSqlite::~TSqlite() {
  Close();
}

platform::TStatus TSqlite::Open(const std::filesystem::path& file, int busyMilliseconds) {
  Close();
  const int opened = sqlite3_open_v2(
      file.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (opened != SQLITE_OK) {
    platform::TStatus failed = db_ ? Failure("Cannot open " + file.string())
                                   : platform::TStatus::Fail("Cannot open " + file.string());
    Close();
    return failed;
  }
  sqlite3_busy_timeout(db_, busyMilliseconds);
  return platform::TStatus::Ok();
}

void TSqlite::Close() {
  if (db_) sqlite3_close_v2(db_);
  db_ = nullptr;
}

platform::TStatus TSqlite::Failure(std::string_view what) const {
  return platform::TStatus::Fail(std::string(what) + ": " + (db_ ? sqlite3_errmsg(db_) : "not open"));
}

platform::TStatus TSqlite::Exec(const char* sql) {
  if (!db_) return Failure("SQL");
  char* message = nullptr;
  if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) == SQLITE_OK) return platform::TStatus::Ok();
  std::string text = message ? message : "failed";
  sqlite3_free(message);
  return platform::TStatus::Fail("SQL: " + text);
}

platform::TStatus TSqlite::Prepare(const char* sql, TSqlStatement& statement) {
  if (statement.statement_) sqlite3_finalize(statement.statement_);
  statement.statement_ = nullptr;
  if (!db_) return Failure("SQL");
  if (sqlite3_prepare_v2(db_, sql, -1, &statement.statement_, nullptr) != SQLITE_OK) return Failure("SQL");
  return platform::TStatus::Ok();
}

std::int64_t TSqlite::LastInsertId() const {
  return db_ ? sqlite3_last_insert_rowid(db_) : 0;
}

TSqlStatement::~TSqlStatement() {
  if (statement_) sqlite3_finalize(statement_);
}

void TSqlStatement::Bind(int index, std::string_view text) {
  sqlite3_bind_text(statement_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

void TSqlStatement::Bind(int index, std::int64_t value) {
  sqlite3_bind_int64(statement_, index, value);
}

int TSqlStatement::Step() {
  return statement_ ? sqlite3_step(statement_) : SQLITE_MISUSE;
}

void TSqlStatement::Reset() {
  if (!statement_) return;
  sqlite3_reset(statement_);
  sqlite3_clear_bindings(statement_);
}

std::string TSqlStatement::Text(int column) const {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
  return text ? std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(statement_, column)))
              : std::string();
}

std::int64_t TSqlStatement::Int(int column) const {
  return sqlite3_column_int64(statement_, column);
}

}  // namespace varnholt
