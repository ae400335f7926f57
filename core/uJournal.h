// uJournal.h — the audit journal: one entry for every report the program handled, in an SQLite file
// beside the program (Varnholt.journal) that every process of the application folder appends to.
//
// Each entry holds the hash of the entry before it, and its own hash covers every field of it (its files
// included), so a changed, inserted or deleted entry breaks the chain at that point and Verify names it.
// Each distinct script text is stored once under its SHA-256, so the exact script of an entry can always be
// read back. The program only ever inserts: triggers refuse an UPDATE or DELETE of an entry, which keeps
// our own code honest but, like the chain itself, does not stop someone who can write the file (see
// docs/journal.md). WAL mode lets readers go on while a writer appends; writers take turns through
// SQLite's write lock (BEGIN IMMEDIATE), so the chain stays one line whatever number of processes write.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/uSqlite.h"
#include "platform/Status.h"

namespace varnholt {

inline constexpr const char* kJournalFileName = "Varnholt.journal";

// One file a run wrote, as it was when the run ended.
struct TJournalFile {
  std::string path;    // Windows path
  std::string how;     // moved, copied, changed (an engine request wrote it), FAILED
  std::string sha256;  // lower-case hex
};

struct TJournalEntry {
  std::int64_t id = 0;
  std::string timeUtc;    // 2024-05-01T12:00:00.123Z
  std::string timeLocal;  // 2024-05-01T14:00:00.123+0200
  std::string user;
  std::string machine;
  std::string process;       // program name and process id: varnholt-cli[1234]
  std::string mode;          // automatic, execute
  std::string report;        // the Windows path the report was taken from
  std::string queueName;     // its file name there
  std::string reportSha256;  // of the report as it arrived (empty when it was not there)
  std::string outcome;       // filed, in-failed, left-in-place, stayed, script-error
  std::string location;      // where the report is now
  std::string filedAs;       // the file name of location
  std::string reason;
  std::string scriptEnd;  // done, not-run, compile-error, runtime-error, aborted
  std::int64_t row = 0;
  std::int64_t column = 0;
  bool engineError = false;
  bool emergencyStop = false;
  std::string scriptSha256;
  std::string text1Sha256;
  std::string text2Sha256;
  std::vector<TJournalFile> files;
  std::string records;  // the log lines of the run, each ended by LF
  std::string previousHash;
  std::string hash;
};

struct TJournalQuery {
  std::string since;       // entries at or after this UTC time (a prefix such as 2024-05-01 will do)
  std::string sample;      // a part of the queue name or of the name filed as, ignoring ASCII case
  std::string outcome;     // one outcome name
  std::int64_t limit = 0;  // 0: all
};

struct TJournalVerdict {
  bool ok = true;
  std::int64_t entries = 0;
  std::int64_t brokenId = 0;  // the first entry found broken
  std::string problem;
  std::string headHash;  // the hash of the last entry: export it elsewhere to pin the chain
};

// The SHA-256 that begins the chain.
inline constexpr const char* kJournalGenesis =
    "0000000000000000000000000000000000000000000000000000000000000000";

class TJournal {
 public:
  // Opens the journal file, making it and its tables when missing.
  platform::TStatus Open(const std::filesystem::path& file);
  bool IsOpen() const { return db_.IsOpen(); }
  void Close() { db_.Close(); }
  // Appends entry (its id, previousHash and hash are set here) and stores the script text once.
  platform::TStatus Append(TJournalEntry& entry, const std::string& scriptText);

  // Checks the chain entry by entry; with a resolver (Windows path to a file of this machine) also that
  // each file still has the SHA-256 its last entry recorded. A file missing from a FAILED folder is not a
  // fault: the operator re-queues and deletes there.
  TJournalVerdict Verify(
      const std::function<std::optional<std::filesystem::path>(const std::string&)>& resolve = {});
  platform::TStatus List(const TJournalQuery& query, std::vector<TJournalEntry>& entries);
  // One entry with its files and records; false when there is none of that id.
  bool Find(std::int64_t id, TJournalEntry& entry);
  // The stored text of a script, by its SHA-256.
  std::optional<std::string> ScriptText(const std::string& sha256);
  // The last entry that recorded a file at path (a Windows path, compared ignoring ASCII case).
  bool LastEntryForFile(const std::string& path, TJournalEntry& entry);

  // The hash an entry must carry: SHA-256 over its fields, its files and the previous hash.
  static std::string HashOf(const TJournalEntry& entry);

 private:
  platform::TStatus ReadFiles(TJournalEntry& entry);
  TSqlite db_;
};

}  // namespace varnholt
