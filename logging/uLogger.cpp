// uLogger.cpp — the application log and the process-wide instance.
#include "logging/uLogger.h"

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

}  // namespace

std::string_view LogTypeName(int type) {
  static constexpr std::string_view kNames[] = {"Sys", "Err", "Scr", "Msg", "Prc"};
  return (type >= 0 && type < 5) ? kNames[type] : std::string_view();
}

TLogger::TLogger(std::filesystem::path fileName, bool loadExisting, int capacity, TLogTypes types,
                 platform::TClock clock)
    : fileName_(std::move(fileName)), types_(types), capacity_(capacity), clock_(std::move(clock)) {
  if (loadExisting && platform::FileExists(fileName_)) {
    std::vector<std::string> lines;
    if (platform::ReadTextLines(fileName_, lines).ok()) {
      lines_.assign(lines.begin(), lines.end());
    } else {
      WriteEntry(ltSys, "Logger", "Create", "Failed", platform::Utf8ToCp1252(fileName_.string()));
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
      for (char c : field) {
        if (c == '\r') continue;
        line += c == '\n' ? '|' : c;
      }
    }
    lines_.push_back(std::move(line));
    if (OnRecordAdded) OnRecordAdded(*this);
  }
  Trim();
  if (ProcessMessages) ProcessMessages();
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

void TLogger::Save() {
  if (!SaveToFile(fileName_).ok()) WriteEntry(ltSys, "Logger", "Save", "Failed", platform::Utf8ToCp1252(fileName_.string()));
}

TProcessLogger::TProcessLogger(const std::filesystem::path& applicationFolder)
    : logger_(std::make_unique<TLogger>(applicationFolder / kLogFileName, true, kDefaultLogCapacity,
                                        kDefaultLogTypes)) {
  gLogger = logger_.get();
}

TProcessLogger::~TProcessLogger() {
  logger_.reset();  // writes the closing record and saves
  gLogger = nullptr;
}

TLogger& Logger() { return *gLogger; }
bool HasLogger() { return gLogger != nullptr; }

}  // namespace varnholt
