// uFilingJournal.cpp — one journal entry per handled report: who, where, when, what arrived, what the
// core made of it, and what it wrote.
#include "core/uFilingJournal.h"

#include <pwd.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>

#include "hostlib/uDestinationNames.h"
#include "platform/CodePage.h"
#include "platform/Files.h"

namespace varnholt {

namespace {

constexpr const char* kObject = "Varnholt";

std::string Stamp(std::chrono::system_clock::time_point now, bool utc) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const auto millis =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm parts{};
  if (utc) {
    gmtime_r(&seconds, &parts);
  } else {
    localtime_r(&seconds, &parts);
  }
  char date[32];
  std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &parts);
  char zone[8] = "Z";
  if (!utc) std::strftime(zone, sizeof zone, "%z", &parts);
  char text[64];
  std::snprintf(text, sizeof text, "%s.%03d%s", date, static_cast<int>(millis), zone);
  return text;
}

std::string UserName() {
  char buffer[4096];
  passwd record{};
  passwd* found = nullptr;
  if (getpwuid_r(geteuid(), &record, buffer, sizeof buffer, &found) == 0 && found) return found->pw_name;
  return "uid " + std::to_string(geteuid());
}

std::string MachineName() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return {};
  return name;
}

std::string ProcessName() {
  std::string name;
  if (!platform::ReadFileBytes("/proc/self/comm", name)) name = "varnholt";
  while (!name.empty() && (name.back() == '\n' || name.back() == '\r')) name.pop_back();
  return name + "[" + std::to_string(::getpid()) + "]";
}

}  // namespace

TFilingJournal::~TFilingJournal() {
  StopListening();
}

void TFilingJournal::StopListening() {
  if (listener_ != 0) logger_.RemoveLineListener(listener_);
  listener_ = 0;
}

bool TFilingJournal::Fail(const std::string& what) {
  StopListening();
  logger_.WriteEntry(ltErr, kObject, "Journal", "Journal Not Written", what);
  status_.EmergencyStop();
  // Opened afresh next time: the fault (a full disk, a lost folder) may have been mended.
  journal_.Close();
  return false;
}

bool TFilingJournal::Begin(const std::string& report, TFilingMode mode) {
  StopListening();
  entry_ = TJournalEntry();
  if (!journal_.IsOpen()) {
    if (const platform::TStatus opened = journal_.Open(FileName()); !opened) return Fail(opened.Message());
  }
  const auto now = std::chrono::system_clock::now();
  entry_.timeUtc = Stamp(now, true);
  entry_.timeLocal = Stamp(now, false);
  entry_.user = UserName();
  entry_.machine = MachineName();
  entry_.process = ProcessName();
  entry_.mode = mode == TFilingMode::kAutomatic ? "automatic" : "execute";
  entry_.report = report;
  entry_.queueName = FileNameOf(report);
  if (const auto native = files_.DriveMap().TryResolve(report); native && platform::FileExists(*native)) {
    (void)platform::FileSha256(*native, entry_.reportSha256);
  }
  listener_ = logger_.AddLineListener([this](const std::string& line) {
    entry_.records += line;
    entry_.records += '\n';
  });
  return true;
}

void TFilingJournal::TextsLoaded() {
  entry_.text1Sha256 = platform::Sha256Of(state_.Text1());
  entry_.text2Sha256 = platform::Sha256Of(state_.Text2());
}

bool TFilingJournal::End(const TFilingOutcome& outcome) {
  StopListening();
  if (outcome.end == TFilingEnd::kRefused) return true;
  entry_.outcome = FilingEndName(outcome.end);
  entry_.location = outcome.location;
  entry_.filedAs = FileNameOf(outcome.location);
  entry_.reason = outcome.reason;
  entry_.scriptEnd = ScriptEndName(outcome.script.end);
  entry_.row = outcome.script.row;
  entry_.column = outcome.script.column;
  entry_.engineError = outcome.engineError;
  entry_.emergencyStop = outcome.emergencyStop;
  std::string script;
  for (const std::string& line : state_.ActionScript()) {
    script += line;
    script += '\n';
  }
  entry_.scriptSha256 = platform::Sha256Of(script);
  // Each file once, as it is now: a file moved on later in the run is recorded where it ended.
  for (const TWrittenFile& file : outcome.written) {
    std::erase_if(entry_.files,
                  [&](const TJournalFile& known) { return platform::SameText(known.path, file.path); });
    const auto native = files_.DriveMap().TryResolve(file.path);
    std::string digest;
    if (!native || !platform::FileExists(*native) || !platform::FileSha256(*native, digest)) continue;
    entry_.files.push_back({file.path, file.how, digest});
  }
  if (const platform::TStatus appended = journal_.Append(entry_, script); !appended) {
    return Fail(appended.Message());
  }
  return true;
}

}  // namespace varnholt
