// uLogger.h — the application log: recent records in memory, shown by the log view, kept in a file.
//
// A record is one line of seven TAB-separated fields: Date, Time, Type, Object, Proc, Text, Data.
// Sys records are always written; the others only while the logger is enabled and their type is in
// Types. Every write, whether it wrote or not, trims the list to Capacity and lets the user interface
// process pending messages, which keeps the window alive during long action runs.
//
// The log file is shared by every process of the application folder (the window, `watch`, `run`, ...):
// each record is appended to it the moment it is written, in a turn under the file's lock, so no process
// erases another's records and a process that is killed loses none. The file is cut back to its newest
// Capacity lines once it holds more than Capacity + Capacity/10; the lines cut off go to the former file
// (FileName + ".1"), which starts afresh once it would hold more than Capacity lines. The list in memory
// is this process's view: the file as it was at the start, then its own records.
#pragma once

#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Clock.h"
#include "platform/SharedFile.h"
#include "platform/Status.h"

namespace varnholt {

// Record types; the value is the bit number in TLogger::Types().
enum TLogType : int { ltSys = 0, ltErr = 1, ltScr = 2, ltMsg = 3, ltPrc = 4 };

// A set of record types 0..7 as a bit mask (bit n stands for type n).
using TLogTypes = std::uint8_t;
constexpr TLogTypes LogTypeBit(int type) { return static_cast<TLogTypes>(1u << type); }

// The three-letter name of a record type ("Sys", "Err", "Scr", "Msg", "Prc"); empty for others.
std::string_view LogTypeName(int type);

// A field as a log line holds it: CR removed, LF shown as "|", TAB and the other control characters
// (codes 0 to 31 and 127) in caret notation ("^I" for TAB, "^[" for ESC, "^@" for NUL, "^?" for DEL), so a
// line always has exactly six TABs and no control character. Other 8-bit characters stay as they are.
std::string EscapeLogField(std::string_view field);

class TLogger {
 public:
  // Loads the previous file when asked (a failure is logged, never raised) and writes the start records.
  // An empty file name keeps the records in memory only (a scratch log for tests and fuzzing).
  TLogger(std::filesystem::path fileName, bool loadExisting, int capacity, TLogTypes types,
          platform::TClock clock = platform::LocalNow);
  // Writes the closing record (appended like every other) and saves.
  ~TLogger();
  TLogger(const TLogger&) = delete;
  TLogger& operator=(const TLogger&) = delete;

  void WriteEntry(int type, std::string_view object, std::string_view proc, std::string_view text,
                  std::string_view data = {});
  void WriteProc(std::string_view object, std::string_view proc);
  void SetEnabled(bool value);
  bool Enabled() const { return enabled_; }

  TLogTypes Types() const { return types_; }
  void SetTypes(TLogTypes types) { types_ = types; }
  int Capacity() const { return capacity_; }
  const std::filesystem::path& FileName() const { return fileName_; }

  // Appends the records that could not be written to the log file so far (it was missing, full, locked
  // for too long); a failure becomes a Sys record. Every other record is in the file already.
  void Save();
  // The former file: the lines that the trim cut off the log file.
  std::filesystem::path FormerFileName() const;
  // Writes every line to another file (the log export); lines end with CR LF.
  platform::TStatus SaveToFile(const std::filesystem::path& path) const;

  int Count() const { return static_cast<int>(lines_.size()); }
  const std::string& Line(int index) const { return lines_[static_cast<std::size_t>(index)]; }
  // The type of the record written last (OnRecordAdded sees it), so that a listener need not read it out
  // of the line's text.
  int LastRecordType() const { return lastRecordType_; }

  // Called with the logger each time a record has been added (before the trim).
  std::function<void(TLogger&)> OnRecordAdded;
  // Lets the user interface process pending messages; the window sets it, elsewhere it stays empty.
  std::function<void()> ProcessMessages;
  // Listeners besides OnRecordAdded (which the views own), each given every line added: the journal
  // collects the records of one filing so. The number returned removes the listener again.
  int AddLineListener(std::function<void(const std::string& line)> listener);
  void RemoveLineListener(int id);

 private:
  void Trim();
  void AddLine(std::string line);
  // A Sys record that the file could not be written; it goes to the list and waits for the file.
  void AddFailure(std::string_view proc);
  // Appends the waiting lines in one turn; false when they must wait further.
  bool Flush();
  platform::TStatus AppendInTurn(std::string bytes);
  platform::TStatus TrimFileInTurn();

  bool enabled_ = false;
  std::filesystem::path fileName_;
  TLogTypes types_;
  int capacity_;
  platform::TClock clock_;
  std::deque<std::string> lines_;

  platform::TSharedFile file_;
  // Lines not in the file yet, because the last turns failed; at most Capacity of them.
  std::deque<std::string> waiting_;
  bool fileFailed_ = false;
  int lastRecordType_ = ltSys;
  std::vector<std::pair<int, std::function<void(const std::string&)>>> lineListeners_;
  int nextListener_ = 0;
  // What this process knew of the file at the end of its last turn; what other processes appended since
  // is counted from there, so a turn reads only their new lines.
  bool known_ = false;
  platform::TFileIdentity knownFile_;
  std::uint64_t knownSize_ = 0;
  long long knownLines_ = 0;
  bool knownEndsWithLineBreak_ = true;
  // A trim that failed (the former file cannot be written) is tried again this many lines later.
  long long trimAt_ = 0;
};

// The types of the process-wide logger until the window's settings replace them: {Err, Msg, Prc}.
constexpr TLogTypes kDefaultLogTypes = LogTypeBit(ltErr) | LogTypeBit(ltMsg) | LogTypeBit(ltPrc);
constexpr int kDefaultLogCapacity = 1000;
inline constexpr const char* kLogFileName = "Varnholt.LOG";

// The process-wide logger: created before the window, destroyed after it. Holding one makes it the
// instance that Logger() returns for its lifetime.
class TProcessLogger {
 public:
  explicit TProcessLogger(const std::filesystem::path& applicationFolder);
  ~TProcessLogger();
  TProcessLogger(const TProcessLogger&) = delete;
  TProcessLogger& operator=(const TProcessLogger&) = delete;
  TLogger& Get() { return *logger_; }

 private:
  std::unique_ptr<TLogger> logger_;
};

// The process-wide logger; only valid while a TProcessLogger lives.
TLogger& Logger();
bool HasLogger();

}  // namespace varnholt
