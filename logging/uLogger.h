// uLogger.h — the application log: recent records in memory, shown by the log view, kept in a file.
//
// A record is one line of seven TAB-separated fields: Date, Time, Type, Object, Proc, Text, Data.
// Sys records are always written; the others only while the logger is enabled and their type is in
// Types. Every write, whether it wrote or not, trims the list to Capacity and lets the user interface
// process pending messages, which keeps the window alive during long action runs.
#pragma once

#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/Clock.h"
#include "platform/Status.h"

namespace varnholt {

// Record types; the value is the bit number in TLogger::Types().
enum TLogType : int { ltSys = 0, ltErr = 1, ltScr = 2, ltMsg = 3, ltPrc = 4 };

// A set of record types 0..7 as a bit mask (bit n stands for type n).
using TLogTypes = std::uint8_t;
constexpr TLogTypes LogTypeBit(int type) { return static_cast<TLogTypes>(1u << type); }

// The three-letter name of a record type ("Sys", "Err", "Scr", "Msg", "Prc"); empty for others.
std::string_view LogTypeName(int type);

class TLogger {
 public:
  // Loads the previous file when asked (a failure is logged, never raised) and writes the start records.
  TLogger(std::filesystem::path fileName, bool loadExisting, int capacity, TLogTypes types,
          platform::TClock clock = platform::LocalNow);
  // Writes the closing record and saves the file.
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

  // Writes every line to the log file through the atomic replace; a failure becomes a Sys record.
  void Save();
  // Writes every line to another file (the log export); lines end with CR LF.
  platform::TStatus SaveToFile(const std::filesystem::path& path) const;

  int Count() const { return static_cast<int>(lines_.size()); }
  const std::string& Line(int index) const { return lines_[static_cast<std::size_t>(index)]; }

  // Called with the logger each time a record has been added (before the trim).
  std::function<void(TLogger&)> OnRecordAdded;
  // Lets the user interface process pending messages; the window sets it, elsewhere it stays empty.
  std::function<void()> ProcessMessages;

 private:
  void Trim();

  bool enabled_ = false;
  std::filesystem::path fileName_;
  TLogTypes types_;
  int capacity_;
  platform::TClock clock_;
  std::deque<std::string> lines_;
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
