// uAutomaticMode.cpp — the automatic pass, the counters and the commands on the FAILED folder.
#include "core/uAutomaticMode.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <optional>

#include <sys/stat.h>

#include "core/uQueueNames.h"
#include "hostlib/uDestinationNames.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/ScopeExit.h"

namespace varnholt {

namespace {

constexpr const char* kObject = "Varnholt";
constexpr int kRefreshBarMax = 30;
// A tick makes a pass once this long has gone by since the next-pass reference time.
constexpr auto kPassInterval = std::chrono::seconds(5);

// "yyyymmddhhnnss" of a last-write time in local time, in the two-second steps that FAT-era file times
// have; the queue was always ordered by that key, so files written in one step go by name.
std::string OrderKey(std::chrono::system_clock::time_point lastWrite) {
  const platform::TLocalTime t = platform::LocalTimeOf(std::chrono::system_clock::to_time_t(lastWrite));
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%04d%02d%02d%02d%02d%02d", t.year, t.month, t.day, t.hour, t.minute,
                t.second - t.second % 2);
  return buffer;
}

}  // namespace

std::chrono::system_clock::time_point TAutomaticMode::Now() const {
  return clock_ ? clock_() : std::chrono::system_clock::now();
}

void TAutomaticMode::SetRefreshBar(int position) {
  refreshBar_ = position;
  port_.ShowRefreshBar(position);
}

void TAutomaticMode::sbAutomaticClick(bool down) {
  logger_.WriteProc(kObject, "AutomaticClick");
  state_.SetAutomatic(down);
  state_.SetBrowserFolder("C:\\PDF");
  port_.ShowBrowserFolder(state_.BrowserFolder());
  if (state_.EditMode()) {
    status_.SwitchAutomaticOff();
    port_.ShowPage(TUiPage::Action);
    port_.ShowMessage("First exit the Action script edit mode.");
  }
  if (state_.Automatic()) {
    state_.SetNextPassReference(Now() + std::chrono::seconds(1));
    state_.SetBrowserFolder(state_.QueueFolder());
    logger_.WriteEntry(ltMsg, kObject, "AutomaticClick", "Start", state_.BrowserFolder());
  } else {
    logger_.WriteEntry(ltMsg, kObject, "AutomaticClick", "Stop", state_.BrowserFolder());
  }
  status_.UpdateStatus();
}

void TAutomaticMode::FoldersClick(const std::string& folder) {
  logger_.WriteProc(kObject, "FoldersClick");
  status_.SwitchAutomaticOff();
  if (files_.DirectoryExists(folder)) {
    state_.SetBrowserFolder(folder);
    port_.ShowBrowserFolder(folder);
    state_.SetNextPassReference(Now() + std::chrono::seconds(1));
  } else {
    // The folder went between the listing and the click, or its name leads nowhere.
    logger_.WriteEntry(ltErr, kObject, "FoldersClick", "Missing Folder", folder);
  }
  status_.UpdateStatus();
}

void TAutomaticMode::DrivesClick() {
  logger_.WriteProc(kObject, "DrivesClick");
  status_.SwitchAutomaticOff();
  status_.UpdateStatus();
}

void TAutomaticMode::ChangedFolderChangeNotify() {
  logger_.WriteProc(kObject, "FolderChangeNotify");
  // The next tick, at least a second from now, makes a pass; a pass that is due already stays due.
  state_.SetNextPassReference(std::min(state_.NextPassReference(), Now() - std::chrono::seconds(4)));
}

void TAutomaticMode::PassAtNextTick() {
  state_.SetNextPassReference(Now() - kPassInterval);
}

void TAutomaticMode::TimerAutomaticTimer() {
  moreWaiting_ = false;
  if (!state_.TryBeginPass()) return;
  const platform::TScopeExit endPass([this] { state_.EndPass(); });

  if (WatchFolder) WatchFolder(state_.BrowserFolder());
  if (Now() - state_.NextPassReference() < kPassInterval) return;

  const std::string folder = state_.BrowserFolder();
  std::vector<platform::TFoundFile> found = files_.FindFiles(folder, "*.pdf");
  fileList_.clear();
  for (const auto& file : found) fileList_.push_back(file.name);
  port_.RefreshFileList();
  logger_.WriteProc(kObject, "Files.Update");
  state_.SetNextPassReference(Now() + std::chrono::seconds(3));
  if (state_.ActionIsProcessing() || !state_.Automatic() || found.empty()) return;

  logger_.WriteProc(kObject, "Automatic");
  logger_.WriteEntry(ltMsg, kObject, "Automatic", "Files", std::to_string(found.size()));
  std::vector<std::pair<std::string, const platform::TFoundFile*>> order;  // key, file
  for (const auto& file : found) order.emplace_back(OrderKey(file.lastWrite) + file.name, &file);
  std::stable_sort(order.begin(), order.end(), [](const auto& a, const auto& b) {
    return platform::UpperCase(a.first) < platform::UpperCase(b.first);
  });

  lastPass_.clear();
  state_.ClearEngineRan();
  bool taken = false, stopped = false;
  std::string lastLooked;
  for (auto next = order.begin(); next != order.end(); ++next) {
    const platform::TFoundFile& file = *next->second;
    if (!state_.Automatic()) {
      stopped = true;
      break;
    }
    if (!IsSafeQueueName(file.path.filename().string())) {
      lastLooked = JoinPath(folder, EscapedQueueName(file.path.filename().string()));
      // Still being written, it waits like any report; it never reaches the engine or the script.
      if (!platform::IsFileInUse(file.path) && FailUnsafeName(folder, file)) taken = true;
      continue;
    }
    const std::string path = JoinPath(folder, file.name);
    lastLooked = path;
    // A report the printer is still writing stays for a later pass.
    if (!files_.FileExists(path) || files_.IsFileInUse(path)) continue;
    lastPass_.push_back(filing_.FileReport(path, TFilingMode::kAutomatic));
    taken = true;
    if (state_.EngineRan()) {
      moreWaiting_ = next + 1 != order.end();
      break;
    }
  }
  if (!stopped) {
    if (refreshBar_ < 27) SetRefreshBar(27);
    state_.SetNextPassReference(Now() + std::chrono::seconds(1));
    if (moreWaiting_ && state_.Automatic()) PassAtNextTick();
    if (!taken) logger_.WriteEntry(ltMsg, kObject, "Automatic", "InUse", lastLooked);
  }
  if (!state_.CurrentPdf().empty() && !files_.FileExists(state_.CurrentPdf())) loading_.SelectAndLoad("");
}

TFilingOutcome TAutomaticMode::FileOne(const std::string& path) {
  state_.SetAutomatic(true);
  state_.SetBrowserFolder("C:\\PDF");
  return filing_.FileReport(path, TFilingMode::kAutomatic);
}

bool TAutomaticMode::FailUnsafeName(const std::string& folder, const platform::TFoundFile& file) {
  const std::string name = file.path.filename().string();
  logger_.WriteEntry(ltErr, kObject, "Automatic", QueueNameFaultText(QueueNameFault(name)),
                     JoinPath(folder, EscapedQueueName(name)));
  // FAILED is a native folder like the queue, so the same bytes are a name there as well. The engine
  // cannot be given the name, so the report is not printed.
  const std::string failed = JoinPath(folder, "FAILED");
  std::string error;
  std::optional<std::filesystem::path> failedFolder;
  if (files_.ForceDirectories(failed)) {
    port_.RefreshFolderList();
    failedFolder = driveMap_.TryResolve(failed, &error);
  } else {
    logger_.WriteEntry(ltErr, kObject, "Automatic", "Force Folder Failed", folder);
  }
  const std::size_t dot = name.rfind('.');
  const std::string stem = name.substr(0, dot), extension = dot == std::string::npos ? "" : name.substr(dot);
  std::string target = name;
  for (int counter = 0; failedFolder && counter <= 9999; ++counter) {
    // The move never overwrites, so it is its own test of whether the name is free.
    if (platform::MoveFileNoOverwrite(file.path, *failedFolder / target)) {
      placement_.CountMoveToFailed();
      logger_.WriteEntry(ltMsg, kObject, "Automatic", "Moved", JoinPath(failed, EscapedQueueName(target)));
      return true;
    }
    struct stat taken {};
    if (::lstat((*failedFolder / target).c_str(), &taken) != 0) break;  // it failed for another reason
    char number[16];
    std::snprintf(number, sizeof number, "_%04d", counter);
    target = stem + number + extension;
  }
  logger_.WriteEntry(ltErr, kObject, "Automatic", "Move Failed", JoinPath(failed, EscapedQueueName(target)));
  status_.EmergencyStop();
  return false;
}

void TAutomaticMode::FileCountTimer() {
  logger_.WriteProc(kObject, "FileCountTimer");
  SetRefreshBar(refreshBar_ + 1);
  if (refreshBar_ < kRefreshBarMax) return;
  SetRefreshBar(0);
  // PDFCreator, which needed a nudge on Windows, does not exist here; the CUPS queue needs none.
  const std::string queue = state_.QueueFolder();
  state_.SetCounts(static_cast<std::int32_t>(files_.FindFiles(queue, "*.PDF").size()),
                   static_cast<std::int32_t>(files_.FindFiles(JoinPath(queue, "FAILED"), "*.PDF").size()));
  port_.ShowCounts(state_.QueueCount(), state_.FailedCount());
  status_.UpdateStatus();
}

void TAutomaticMode::FailedCommand(bool deleteThem) {
  lastFailed_ = {};
  FileCountTimer();
  const platform::TScopeExit tickOnExit([this] { FileCountTimer(); });
  const std::string queue = state_.QueueFolder();
  const std::string failed = JoinPath(queue, "FAILED");
  const std::string count = std::to_string(state_.FailedCount());
  if (state_.FailedCount() > 0) {
    if (!port_.Confirm((deleteThem ? "Delete " : "Re-Queue ") + count + " failed files in\n" + failed,
                       TConfirmButtons::kOkCancel))
      return;
  } else {
    port_.ShowMessage((deleteThem ? "No Failed files to Delete in\n" : "No Failed files to Re-Queue in\n") + failed);
    // The count is only as fresh as the last tick; a re-queue looks all the same, a delete does not.
    if (deleteThem) return;
  }
  const char* proc = deleteThem ? "btDeleteFailedClick" : "ReQueueClick";
  for (const auto& file : files_.FindFiles(failed, "*.pdf")) {
    const std::string name = file.path.filename().string();
    bool done = false;
    if (IsSafeQueueName(name)) {
      const std::string path = JoinPath(failed, file.name);
      done = deleteThem ? placement_.DeleteFile(path)
                        : files_.MoveFileNoOverwrite(path, JoinPath(queue, file.name)).ok();
    } else if (deleteThem) {
      // Deleted by its native name: the Windows path of such a name could lead to another file.
      done = platform::DeleteFile(file.path).ok();
      logger_.WriteEntry(done ? ltMsg : ltErr, kObject, proc, done ? "Deleted" : "Delete Failed",
                         JoinPath(failed, EscapedQueueName(name)));
    } else {
      // The queue would only send it back; the operator renames it first.
      logger_.WriteEntry(ltErr, kObject, proc, QueueNameFaultText(QueueNameFault(name)),
                         JoinPath(failed, EscapedQueueName(name)));
    }
    ++(done ? lastFailed_.done : lastFailed_.stayed);
  }
  state_.SetNextPassReference(Now() + std::chrono::seconds(1));
  if (!files_.FileExists(state_.CurrentPdf())) loading_.SelectAndLoad("");
}

void TAutomaticMode::btReQueueClick() {
  logger_.WriteProc(kObject, "ReQueueClick");
  FailedCommand(false);
  if (const int stayed = lastFailed_.stayed; stayed > 0) {
    port_.ShowMessage("Can not re-Queue " + std::to_string(stayed) + " files.\n" +
                      "Will not overwrite files with the same name.");
  }
}

void TAutomaticMode::btDeleteFailedClick() {
  logger_.WriteProc(kObject, "btDeleteFailedClick");
  FailedCommand(true);
  if (const int stayed = lastFailed_.stayed; stayed > 0) {
    port_.ShowMessage("Can not Delete " + std::to_string(stayed) + " files.");
  }
}

}  // namespace varnholt
