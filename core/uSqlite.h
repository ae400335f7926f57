// uSqlite.h — a thin owner of an SQLite connection and its prepared statements, for the journal.
//
// Only what the journal needs: open with a busy timeout, run plain SQL, bind text and integers, step and
// read columns. Every failure comes back as a TStatus with SQLite's own message, never as an exception.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/Status.h"

namespace varnholt {

class TSqlStatement;

class TSqlite {
 public:
  TSqlite() = default;
  ~TSqlite();
  TSqlite(const TSqlite&) = delete;
  TSqlite& operator=(const TSqlite&) = delete;

  // Opens (creating when missing) the database file; a second writer waits up to busyMilliseconds.
  platform::TStatus Open(const std::filesystem::path& file, int busyMilliseconds);
  void Close();
  bool IsOpen() const { return db_ != nullptr; }
  // Runs one or more statements that return no rows.
  platform::TStatus Exec(const char* sql);
  platform::TStatus Prepare(const char* sql, TSqlStatement& statement);
  std::int64_t LastInsertId() const;
  sqlite3* Handle() const { return db_; }
  // The connection's last error, as "what: message".
  platform::TStatus Failure(std::string_view what) const;

 private:
  sqlite3* db_ = nullptr;
};

class TSqlStatement {
 public:
  TSqlStatement() = default;
  ~TSqlStatement();
  TSqlStatement(const TSqlStatement&) = delete;
  TSqlStatement& operator=(const TSqlStatement&) = delete;

  // Parameters count from 1, as in SQLite.
  void Bind(int index, std::string_view text);
  void Bind(int index, std::int64_t value);
  // SQLITE_ROW, SQLITE_DONE or an error code.
  int Step();
  void Reset();
  std::string Text(int column) const;
  std::int64_t Int(int column) const;

 private:
  friend class TSqlite;
  sqlite3_stmt* statement_ = nullptr;
};

}  // namespace varnholt
