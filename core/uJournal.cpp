// uJournal.cpp — the audit journal's file: its tables, the append in one write turn, the chain check and
// the queries of `varnholt-cli journal`.
#include "core/uJournal.h"

#include <map>
#include <set>

#include "platform/Files.h"

namespace varnholt {

namespace {

// A second process appending waits for its turn this long before the append counts as failed; an append
// takes milliseconds, so only a stuck writer comes near it.
constexpr int kBusyMilliseconds = 30000;

// synchronous=NORMAL in WAL mode: a commit survives the process being killed at any instant (the WAL is
// written before the commit returns); only a power loss may take the last commits back, never the
// file's consistency. FULL would cost an fsync per report for that last case.
constexpr const char* kSchema = R"(
PRAGMA journal_mode=WAL;
PRAGMA synchronous=NORMAL;
CREATE TABLE IF NOT EXISTS scripts(
  sha256 TEXT PRIMARY KEY,
  text BLOB NOT NULL);
CREATE TABLE IF NOT EXISTS entries(
  id INTEGER PRIMARY KEY,
  timeUtc TEXT NOT NULL, timeLocal TEXT NOT NULL, user TEXT NOT NULL, machine TEXT NOT NULL,
  process TEXT NOT NULL, mode TEXT NOT NULL, report TEXT NOT NULL, queueName TEXT NOT NULL,
  reportSha256 TEXT NOT NULL, outcome TEXT NOT NULL, location TEXT NOT NULL, filedAs TEXT NOT NULL,
  reason TEXT NOT NULL, scriptEnd TEXT NOT NULL, row INTEGER NOT NULL, col INTEGER NOT NULL,
  engineError INTEGER NOT NULL, emergencyStop INTEGER NOT NULL, scriptSha256 TEXT NOT NULL,
  text1Sha256 TEXT NOT NULL, text2Sha256 TEXT NOT NULL, records TEXT NOT NULL,
  previousHash TEXT NOT NULL, hash TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS files(
  entry INTEGER NOT NULL, seq INTEGER NOT NULL, path TEXT NOT NULL COLLATE NOCASE, how TEXT NOT NULL,
  sha256 TEXT NOT NULL, PRIMARY KEY(entry, seq));
CREATE INDEX IF NOT EXISTS filesByPath ON files(path);
CREATE INDEX IF NOT EXISTS entriesByTime ON entries(timeUtc);
CREATE INDEX IF NOT EXISTS entriesByName ON entries(queueName, filedAs, outcome, timeUtc);
CREATE TRIGGER IF NOT EXISTS entriesKept BEFORE UPDATE ON entries
  BEGIN SELECT RAISE(ABORT, 'journal entries are never changed'); END;
CREATE TRIGGER IF NOT EXISTS entriesNotDeleted BEFORE DELETE ON entries
  BEGIN SELECT RAISE(ABORT, 'journal entries are never deleted'); END;
CREATE TRIGGER IF NOT EXISTS filesKept BEFORE UPDATE ON files
  BEGIN SELECT RAISE(ABORT, 'journal entries are never changed'); END;
CREATE TRIGGER IF NOT EXISTS filesNotDeleted BEFORE DELETE ON files
  BEGIN SELECT RAISE(ABORT, 'journal entries are never deleted'); END;
)";

constexpr const char* kEntryColumns =
    "id, timeUtc, timeLocal, user, machine, process, mode, report, queueName, reportSha256, outcome, "
    "location, filedAs, reason, scriptEnd, row, col, engineError, emergencyStop, scriptSha256, text1Sha256, "
    "text2Sha256, records, previousHash, hash";

void BindEntry(TSqlStatement& s, const TJournalEntry& e) {
  int i = 1;
  s.Bind(i++, e.id);
  for (const std::string* text :
       {&e.timeUtc, &e.timeLocal, &e.user, &e.machine, &e.process, &e.mode, &e.report, &e.queueName,
        &e.reportSha256, &e.outcome, &e.location, &e.filedAs, &e.reason, &e.scriptEnd}) {
    s.Bind(i++, *text);
  }
  s.Bind(i++, e.row);
  s.Bind(i++, e.column);
  s.Bind(i++, std::int64_t{e.engineError});
  s.Bind(i++, std::int64_t{e.emergencyStop});
  for (const std::string* text :
       {&e.scriptSha256, &e.text1Sha256, &e.text2Sha256, &e.records, &e.previousHash, &e.hash}) {
    s.Bind(i++, *text);
  }
}

TJournalEntry ReadEntry(const TSqlStatement& s) {
  TJournalEntry e;
  int i = 0;
  e.id = s.Int(i++);
  for (std::string* text :
       {&e.timeUtc, &e.timeLocal, &e.user, &e.machine, &e.process, &e.mode, &e.report, &e.queueName,
        &e.reportSha256, &e.outcome, &e.location, &e.filedAs, &e.reason, &e.scriptEnd}) {
    *text = s.Text(i++);
  }
  e.row = s.Int(i++);
  e.column = s.Int(i++);
  e.engineError = s.Int(i++) != 0;
  e.emergencyStop = s.Int(i++) != 0;
  for (std::string* text :
       {&e.scriptSha256, &e.text1Sha256, &e.text2Sha256, &e.records, &e.previousHash, &e.hash}) {
    *text = s.Text(i++);
  }
  return e;
}

// Each field as its length, a colon and its bytes: no choice of field text can make two different
// entries read the same.
void AddField(std::string& canonical, std::string_view field) {
  canonical += std::to_string(field.size());
  canonical += ':';
  canonical += field;
  canonical += '\n';
}

bool InFailedFolder(const std::string& path) {
  const std::size_t slash = path.rfind('\\');
  if (slash == std::string::npos || slash < 6) return false;
  std::string folder = path.substr(slash - 6, 6);
  for (char& c : folder) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  return folder == "FAILED" && (slash == 6 || path[slash - 7] == '\\');
}

}  // namespace

std::string TJournal::HashOf(const TJournalEntry& e) {
  std::string canonical = "varnholt-journal-1\n";
  AddField(canonical, std::to_string(e.id));
  for (const std::string* text :
       {&e.timeUtc, &e.timeLocal, &e.user, &e.machine, &e.process, &e.mode, &e.report, &e.queueName,
        &e.reportSha256, &e.outcome, &e.location, &e.filedAs, &e.reason, &e.scriptEnd}) {
    AddField(canonical, *text);
  }
  AddField(canonical, std::to_string(e.row));
  AddField(canonical, std::to_string(e.column));
  AddField(canonical, e.engineError ? "1" : "0");
  AddField(canonical, e.emergencyStop ? "1" : "0");
  for (const std::string* text : {&e.scriptSha256, &e.text1Sha256, &e.text2Sha256, &e.records}) {
    AddField(canonical, *text);
  }
  AddField(canonical, std::to_string(e.files.size()));
  for (const TJournalFile& file : e.files) {
    AddField(canonical, file.path);
    AddField(canonical, file.how);
    AddField(canonical, file.sha256);
  }
  AddField(canonical, e.previousHash);
  return platform::Sha256Of(canonical);
}

platform::TStatus TJournal::Open(const std::filesystem::path& file) {
  if (platform::TStatus opened = db_.Open(file, kBusyMilliseconds); !opened) return opened;
  // Two processes opening a new journal at once: the second waits for the first one's tables.
  if (platform::TStatus made = db_.Exec(kSchema); !made) {
    db_.Close();
    return platform::TStatus::Fail("Cannot prepare the journal " + file.string() + ": " + made.Message());
  }
  return platform::TStatus::Ok();
}

platform::TStatus TJournal::Append(TJournalEntry& entry, const std::string& scriptText) {
  if (platform::TStatus begun = db_.Exec("BEGIN IMMEDIATE"); !begun) return begun;
  auto fail = [this](std::string_view what) {
    platform::TStatus failed = db_.Failure(what);
    (void)db_.Exec("ROLLBACK");
    return failed;
  };
  TSqlStatement statement;
  if (!entry.scriptSha256.empty()) {
    if (!db_.Prepare("INSERT OR IGNORE INTO scripts(sha256, text) VALUES(?, ?)", statement)) {
      return fail("Journal");
    }
    statement.Bind(1, entry.scriptSha256);
    statement.Bind(2, scriptText);
    if (statement.Step() != SQLITE_DONE) return fail("Journal script");
  }
  if (!db_.Prepare("SELECT id, hash FROM entries ORDER BY id DESC LIMIT 1", statement))
    return fail("Journal");
  const int last = statement.Step();
  if (last == SQLITE_ROW) {
    entry.id = statement.Int(0) + 1;
    entry.previousHash = statement.Text(1);
  } else if (last == SQLITE_DONE) {
    entry.id = 1;
    entry.previousHash = kJournalGenesis;
  } else {
    return fail("Journal head");
  }
  entry.hash = HashOf(entry);
  const std::string insert = std::string("INSERT INTO entries(") + kEntryColumns +
                             ") VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)";
  if (!db_.Prepare(insert.c_str(), statement)) return fail("Journal");
  BindEntry(statement, entry);
  if (statement.Step() != SQLITE_DONE) return fail("Journal entry");
  if (!db_.Prepare("INSERT INTO files(entry, seq, path, how, sha256) VALUES(?, ?, ?, ?, ?)", statement)) {
    return fail("Journal");
  }
  for (std::size_t i = 0; i < entry.files.size(); ++i) {
    statement.Reset();
    statement.Bind(1, entry.id);
    statement.Bind(2, static_cast<std::int64_t>(i));
    statement.Bind(3, entry.files[i].path);
    statement.Bind(4, entry.files[i].how);
    statement.Bind(5, entry.files[i].sha256);
    if (statement.Step() != SQLITE_DONE) return fail("Journal file");
  }
  if (platform::TStatus committed = db_.Exec("COMMIT"); !committed) {
    (void)db_.Exec("ROLLBACK");
    return committed;
  }
  return platform::TStatus::Ok();
}

platform::TStatus TJournal::ReadFiles(TJournalEntry& entry) {
  TSqlStatement statement;
  if (!db_.Prepare("SELECT path, how, sha256 FROM files WHERE entry = ? ORDER BY seq", statement)) {
    return db_.Failure("Journal");
  }
  statement.Bind(1, entry.id);
  entry.files.clear();
  while (statement.Step() == SQLITE_ROW)
    entry.files.push_back({statement.Text(0), statement.Text(1), statement.Text(2)});
  return platform::TStatus::Ok();
}

TJournalVerdict TJournal::Verify(
    const std::function<std::optional<std::filesystem::path>(const std::string&)>& resolve) {
  TJournalVerdict verdict;
  auto broken = [&verdict](std::int64_t id, std::string problem) {
    if (!verdict.ok && verdict.brokenId <= id) return;
    verdict.ok = false;
    verdict.brokenId = id;
    verdict.problem = std::move(problem);
  };
  // One read transaction: a writer appending meanwhile is not seen half-way.
  (void)db_.Exec("BEGIN");
  TSqlStatement entries;
  TSqlStatement files;
  TSqlStatement script;
  const std::string select = std::string("SELECT ") + kEntryColumns + " FROM entries ORDER BY id";
  if (!db_.Prepare(select.c_str(), entries) ||
      !db_.Prepare("SELECT entry, path, how, sha256 FROM files ORDER BY entry, seq", files) ||
      !db_.Prepare("SELECT text FROM scripts WHERE sha256 = ?", script)) {
    (void)db_.Exec("ROLLBACK");
    broken(0, db_.Failure("Journal").Message());
    return verdict;
  }
  std::string previous = kJournalGenesis;
  std::int64_t previousId = 0;
  std::set<std::string> scriptsChecked;
  // The latest record of each file, by path ignoring case: what it must hold now.
  std::map<std::string, std::pair<std::int64_t, TJournalFile>> latest;
  int fileStep = files.Step();
  while (entries.Step() == SQLITE_ROW) {
    TJournalEntry entry = ReadEntry(entries);
    ++verdict.entries;
    while (fileStep == SQLITE_ROW && files.Int(0) < entry.id) fileStep = files.Step();
    while (fileStep == SQLITE_ROW && files.Int(0) == entry.id) {
      entry.files.push_back({files.Text(1), files.Text(2), files.Text(3)});
      fileStep = files.Step();
    }
    if (verdict.ok) {
      if (entry.id != previousId + 1) {
        broken(entry.id, "the entry before it is missing (entry " + std::to_string(previousId + 1) + ")");
      } else if (entry.previousHash != previous) {
        broken(entry.id, "its previous hash does not match entry " + std::to_string(previousId));
      } else if (HashOf(entry) != entry.hash) {
        broken(entry.id, "its content does not match its hash");
      } else if (!entry.scriptSha256.empty() && scriptsChecked.insert(entry.scriptSha256).second) {
        script.Reset();
        script.Bind(1, entry.scriptSha256);
        if (script.Step() != SQLITE_ROW) {
          broken(entry.id, "its script " + entry.scriptSha256 + " is missing");
        } else if (platform::Sha256Of(script.Text(0)) != entry.scriptSha256) {
          broken(entry.id, "its script " + entry.scriptSha256 + " was changed");
        }
      }
    }
    previous = entry.hash;
    previousId = entry.id;
    if (resolve) {
      for (const TJournalFile& file : entry.files) {
        std::string key = file.path;
        for (char& c : key) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
        latest[key] = {entry.id, file};
      }
    }
  }
  (void)db_.Exec("COMMIT");
  verdict.headHash = previousId == 0 ? std::string(kJournalGenesis) : previous;
  for (const auto& [key, record] : latest) {
    const auto& [id, file] = record;
    const std::optional<std::filesystem::path> native = resolve(file.path);
    std::string digest;
    if (!native || !platform::FileExists(*native)) {
      if (!InFailedFolder(file.path)) broken(id, "its file " + file.path + " is missing");
    } else if (!platform::FileSha256(*native, digest) || digest != file.sha256) {
      broken(id, "its file " + file.path + " no longer has the recorded SHA-256");
    }
  }
  return verdict;
}

platform::TStatus TJournal::List(const TJournalQuery& query, std::vector<TJournalEntry>& entries) {
  entries.clear();
  // The filter runs over the index of the names alone, which holds every column it reads: a part of a
  // name can use no index, and scanning the entries themselves would read their records as well.
  std::string sql =
      std::string("SELECT ") + kEntryColumns +
      " FROM entries WHERE id IN (SELECT id FROM entries INDEXED BY entriesByName WHERE timeUtc >= ?1";
  if (!query.sample.empty()) {
    // LIKE ignores the case of ASCII letters by itself, without a lowered copy of every name.
    sql += " AND (queueName LIKE ?2 ESCAPE '\\' OR filedAs LIKE ?2 ESCAPE '\\')";
  }
  if (!query.outcome.empty()) sql += " AND outcome = ?3";
  sql += ") ORDER BY id";
  if (query.limit > 0) sql += " LIMIT " + std::to_string(query.limit);
  TSqlStatement statement;
  if (!db_.Prepare(sql.c_str(), statement)) return db_.Failure("Journal");
  statement.Bind(1, query.since);
  if (!query.sample.empty()) {
    std::string pattern = "%";
    for (const char c : query.sample) {
      if (c == '%' || c == '_' || c == '\\') pattern += '\\';
      pattern += c;
    }
    statement.Bind(2, pattern + "%");
  }
  if (!query.outcome.empty()) statement.Bind(3, query.outcome);
  int step = SQLITE_DONE;
  while ((step = statement.Step()) == SQLITE_ROW) entries.push_back(ReadEntry(statement));
  if (step != SQLITE_DONE) return db_.Failure("Journal");
  for (TJournalEntry& entry : entries) {
    if (platform::TStatus read = ReadFiles(entry); !read) return read;
  }
  return platform::TStatus::Ok();
}

bool TJournal::Find(std::int64_t id, TJournalEntry& entry) {
  const std::string sql = std::string("SELECT ") + kEntryColumns + " FROM entries WHERE id = ?";
  TSqlStatement statement;
  if (!db_.Prepare(sql.c_str(), statement)) return false;
  statement.Bind(1, id);
  if (statement.Step() != SQLITE_ROW) return false;
  entry = ReadEntry(statement);
  return static_cast<bool>(ReadFiles(entry));
}

std::optional<std::string> TJournal::ScriptText(const std::string& sha256) {
  TSqlStatement statement;
  if (!db_.Prepare("SELECT text FROM scripts WHERE sha256 = ?", statement)) return std::nullopt;
  statement.Bind(1, sha256);
  if (statement.Step() != SQLITE_ROW) return std::nullopt;
  return statement.Text(0);
}

bool TJournal::LastEntryForFile(const std::string& path, TJournalEntry& entry) {
  TSqlStatement statement;
  if (!db_.Prepare("SELECT max(entry) FROM files WHERE path = ?", statement)) return false;
  statement.Bind(1, path);
  if (statement.Step() != SQLITE_ROW || statement.Int(0) == 0) return false;
  return Find(statement.Int(0), entry);
}

}  // namespace varnholt
