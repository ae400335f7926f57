// uLogger.cpp — the application log and the process-wide instance.
#include "logging/uLogger.h"

#include <algorithm>
#include <cstdio>

#include "platform/CodePage.h"
#include "platform/Files.h"

namespace varnholt {
namespace {

TLogger* gLogger = nullptr;

std::string FormatStamp(const platform::TLocalTime& t) {
  // "yyyymmdd" TAB "hhnnsszzz"
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%04d%02d%02d\t%02d%02d%02d%03d", t.year % 10000, t.month, t.day, t.hour,
                t.minute, t.second, t.millisecond);
  return buffer;
}

// How long a record waits for another process's turn on the file. Turns take microseconds (a trim a few
// milliseconds); only a holder that hangs makes a record wait this long, and after such a failure the
// next records only try, so the window is not held up record after record.
constexpr std::chrono::milliseconds kTurnWait(2000);

// The file may grow by a tenth of Capacity before it is cut back, so that the trim, which rewrites the
// whole file, comes once every Capacity/10 records rather than with each.
long long TrimMargin(int capacity) { return std::max(1, capacity / 10); }

long long CountLineBreaks(std::string_view bytes) { return std::count(bytes.begin(), bytes.end(), '\n'); }

}  // namespace

std::string EscapeLogField(std::string_view field) {
  std::string out;
  out.reserve(field.size());
  for (const char c : field) {
    const auto code = static_cast<unsigned char>(c);
    if (c == '\r') continue;
    if (c == '\n') {
      out += '|';
    } else if (code < 0x20) {
      out += '^';
      out += static_cast<char>(code + 0x40);
    } else if (code == 0x7F) {
      out += "^?";
    } else {
      out += c;
    }
  }
  return out;
}

std::string_view LogTypeName(int type) {
  static constexpr std::string_view kNames[] = {"Sys", "Err", "Scr", "Msg", "Prc"};
  return (type >= 0 && type < 5) ? kNames[type] : std::string_view();
}

TLogger::TLogger(std::filesystem::path fileName, bool loadExisting, int capacity, TLogTypes types,
                 platform::TClock clock)
    : fileName_(std::move(fileName)),
      types_(types),
      capacity_(capacity),
      clock_(std::move(clock)),
      file_(fileName_),
      trimAt_(static_cast<long long>(capacity) + TrimMargin(capacity)) {
  if (loadExisting && platform::FileExists(fileName_)) {
    // Read in a turn, so the count of the file's lines is known from the start and the first record does
    // not read the file again.
    std::string bytes;
    bool loaded = false;
    if (file_.Lock(kTurnWait).ok() && file_.ReadFrom(0, bytes).ok()) {
      loaded = true;
      known_ = true;
      knownFile_ = file_.Identity();
      knownSize_ = bytes.size();
      knownLines_ = CountLineBreaks(bytes);
      knownEndsWithLineBreak_ = bytes.empty() || bytes.back() == '\n';
      const std::vector<std::string> lines = platform::SplitLines(bytes);
      lines_.assign(lines.begin(), lines.end());
    }
    file_.Unlock();
    if (!loaded) {
      // A file we may read but not write still shows its old records.
      std::vector<std::string> lines;
      if (platform::ReadTextLines(fileName_, lines).ok()) {
        lines_.assign(lines.begin(), lines.end());
      } else {
        WriteEntry(ltSys, "Logger", "Create", "Failed", platform::Utf8ToCp1252(fileName_.string()));
      }
    }
  }
  WriteEntry(ltSys, "Logger", "Create", "Logging", "Start");
  SetEnabled(true);
}

TLogger::~TLogger() {
  WriteEntry(ltSys, "Logger", "Destroy", "Logging", "Stop");
  Save();
}

void TLogger::WriteEntry(int type, std::string_view object, std::string_view proc, std::string_view text,
                         std::string_view data) {
  const bool write = type == ltSys || (type >= 1 && type <= 7 && enabled_ && (types_ & LogTypeBit(type)) != 0);
  if (write) {
    std::string line = FormatStamp(clock_());
    line.reserve(line.size() + object.size() + proc.size() + text.size() + data.size() + 8);
    for (std::string_view field : {LogTypeName(type), object, proc, text, data}) {
      line += '\t';
      line += EscapeLogField(field);
    }
    const bool wasFailing = fileFailed_;
    lastRecordType_ = type;
    AddLine(std::move(line));
    // Reported once, when the file stops taking records, and after the record that found out.
    if (!Flush() && !wasFailing) AddFailure("Write");
  }
  Trim();
  if (ProcessMessages) ProcessMessages();
}

void TLogger::AddLine(std::string line) {
  if (!fileName_.empty()) waiting_.push_back(line);
  // Bounded like the list: when the file stays out of reach, the oldest waiting lines give way.
  while (static_cast<long long>(waiting_.size()) > std::max(capacity_, 1)) waiting_.pop_front();
  for (const auto& [id, listener] : lineListeners_) listener(line);
  lines_.push_back(std::move(line));
  if (OnRecordAdded) OnRecordAdded(*this);
}

int TLogger::AddLineListener(std::function<void(const std::string& line)> listener) {
  lineListeners_.emplace_back(++nextListener_, std::move(listener));
  return nextListener_;
}

void TLogger::RemoveLineListener(int id) {
  std::erase_if(lineListeners_, [id](const auto& entry) { return entry.first == id; });
}

void TLogger::AddFailure(std::string_view proc) {
  // Not through WriteEntry: its turn on the file would fail again and report again.
  std::string line = FormatStamp(clock_());
  // Named, so that it outlives the loop: a temporary inside the braces would die before the loop body runs.
  const std::string fileName = platform::Utf8ToCp1252(fileName_.string());
  for (std::string_view field :
       {LogTypeName(ltSys), std::string_view("Logger"), proc, std::string_view("Failed"), std::string_view(fileName)}) {
    line += '\t';
    line += EscapeLogField(field);
  }
  lastRecordType_ = ltSys;
  AddLine(std::move(line));
}

bool TLogger::Flush() {
  if (waiting_.empty()) return true;
  std::string bytes;
  for (const std::string& line : waiting_) {
    bytes += line;
    bytes += "\r\n";
  }
  platform::TStatus done = file_.Lock(fileFailed_ ? std::chrono::milliseconds(0) : kTurnWait);
  if (done) done = AppendInTurn(std::move(bytes));
  file_.Unlock();
  fileFailed_ = !done.ok();
  if (done) waiting_.clear();
  return done.ok();
}

platform::TStatus TLogger::AppendInTurn(std::string bytes) {
  std::uint64_t size = 0;
  if (platform::TStatus status = file_.Size(size); !status) return status;
  if (!known_ || file_.Identity() != knownFile_ || size < knownSize_) {
    // Another file than last time (a trim by another process, or a first turn): count it all.
    known_ = false;
    std::string all;
    if (platform::TStatus status = file_.ReadFrom(0, all); !status) return status;
    knownFile_ = file_.Identity();
    knownSize_ = all.size();
    knownLines_ = CountLineBreaks(all);
    knownEndsWithLineBreak_ = all.empty() || all.back() == '\n';
    known_ = true;
  } else if (size > knownSize_) {
    // The lines other processes appended since our last turn.
    std::string added;
    if (platform::TStatus status = file_.ReadFrom(knownSize_, added); !status) return status;
    knownSize_ += added.size();
    knownLines_ += CountLineBreaks(added);
    if (!added.empty()) knownEndsWithLineBreak_ = added.back() == '\n';
  }
  // A last line without its end (written by hand, or cut off by a full disk) must not swallow ours.
  if (!knownEndsWithLineBreak_) bytes.insert(0, "\r\n");
  if (platform::TStatus status = file_.Append(bytes); !status) {
    known_ = false;  // part of it may be there
    return status;
  }
  knownSize_ += bytes.size();
  knownLines_ += CountLineBreaks(bytes);
  knownEndsWithLineBreak_ = true;
  if (capacity_ > 0 && knownLines_ > trimAt_) {
    if (!TrimFileInTurn()) {
      // The records are in the file; only the trim waits, until the file has grown by another margin.
      trimAt_ = knownLines_ + TrimMargin(capacity_);
    } else {
      trimAt_ = static_cast<long long>(capacity_) + TrimMargin(capacity_);
    }
  }
  return platform::TStatus::Ok();
}

platform::TStatus TLogger::TrimFileInTurn() {
  std::string all;
  if (platform::TStatus status = file_.ReadFrom(0, all); !status) return status;
  std::vector<std::string> lines = platform::SplitLines(all);
  const auto capacity = static_cast<std::size_t>(capacity_);
  if (lines.size() <= capacity) return platform::TStatus::Ok();
  const auto cut = lines.begin() + static_cast<std::ptrdiff_t>(lines.size() - capacity);
  // The former file first: a crash between the two replaces leaves lines in both files, never in none.
  std::vector<std::string> former;
  (void)platform::ReadTextLines(FormerFileName(), former);
  if (former.size() + static_cast<std::size_t>(cut - lines.begin()) > capacity) former.clear();
  former.insert(former.end(), lines.begin(), cut);
  if (former.size() > capacity) former.erase(former.begin(), former.end() - static_cast<std::ptrdiff_t>(capacity));
  if (platform::TStatus status = platform::WriteTextLines(FormerFileName(), former); !status) return status;
  const std::string kept = platform::JoinLinesCrLf(std::vector<std::string>(cut, lines.end()));
  if (platform::TStatus status = file_.Replace(kept); !status) return status;
  known_ = file_.Locked();
  knownFile_ = file_.Identity();
  knownSize_ = kept.size();
  knownLines_ = static_cast<long long>(capacity);
  knownEndsWithLineBreak_ = true;
  return platform::TStatus::Ok();
}

void TLogger::WriteProc(std::string_view object, std::string_view proc) { WriteEntry(ltPrc, object, proc, "", ""); }

void TLogger::SetEnabled(bool value) {
  enabled_ = value;
  WriteEntry(ltSys, "Logger", "SetEnabled", "Enabled", value ? "true" : "false");
}

void TLogger::Trim() {
  while (static_cast<long long>(lines_.size()) > capacity_ && !lines_.empty()) lines_.pop_front();
}

platform::TStatus TLogger::SaveToFile(const std::filesystem::path& path) const {
  return platform::WriteTextLines(path, std::vector<std::string>(lines_.begin(), lines_.end()));
}

std::filesystem::path TLogger::FormerFileName() const {
  std::filesystem::path former = fileName_;
  former += ".1";
  return former;
}

void TLogger::Save() {
  if (!Flush()) AddFailure("Save");
}

TProcessLogger::TProcessLogger(const std::filesystem::path& applicationFolder)
    : logger_(std::make_unique<TLogger>(applicationFolder / kLogFileName, true, kDefaultLogCapacity,
                                        kDefaultLogTypes)) {
  gLogger = logger_.get();
}

TProcessLogger::~TProcessLogger() {
  logger_.reset();  // writes the closing record
  gLogger = nullptr;
}

TLogger& Logger() { return *gLogger; }
bool HasLogger() { return gLogger != nullptr; }

}  // namespace varnholt
