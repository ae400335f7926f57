// uAutomaticMode.cpp — Automatic mode: the pass over the queue folder on every tick, the reaction to the
// folder watcher, the counters, the post action for reports the script left behind, and the two operator
// commands on the FAILED folder.
//
// The core owns no timer: the window's timers and the service's event loop call TimerAutomaticTimer and
// FileCountTimer once a second and ChangedFolderChangeNotify when their watcher saw a change. A pass takes
// the oldest report that nobody is still writing; while the engine is used it handles one file per pass.
// A pass that took a report while others wait lets the next tick pass at once, and the service ticks again
// at once then, so a backlog drains as fast as the engine and the script go. An entry whose name is no
// Windows name of this system (uQueueNames.h) never becomes a Windows path: it goes to FAILED as it is.
#include "core/uVarnholtCore.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <optional>

#include <sys/stat.h>

#include "core/uQueueNames.h"
#include "hostlib/uDestinationNames.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"

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

// Clears a flag on every way out of the operation that set it.
struct TFlagGuard {
  bool& flag;
  ~TFlagGuard() { flag = false; }
};

}  // namespace

std::chrono::system_clock::time_point TVarnholtCore::Now() const {
  return Clock ? Clock() : std::chrono::system_clock::now();
}

void TVarnholtCore::SetRefreshBar(int position) {
  refreshBar_ = position;
  port_.ShowRefreshBar(position);
}

void TVarnholtCore::sbAutomaticClick(bool down) {
  logger_.WriteProc(kObject, "AutomaticClick");
  state_.automatic = down;
  state_.browserFolder = "C:\\PDF";
  if (state_.editMode) {
    SwitchAutomaticOff();
    port_.ShowPage(TUiPage::Action);
    port_.ShowMessage("First exit the Action script edit mode.");
  }
  if (state_.automatic) {
    state_.nextPassReference = Now() + std::chrono::seconds(1);
    state_.browserFolder = QueueFolder();
    logger_.WriteEntry(ltMsg, kObject, "AutomaticClick", "Start", state_.browserFolder);
  } else {
    logger_.WriteEntry(ltMsg, kObject, "AutomaticClick", "Stop", state_.browserFolder);
  }
  UpdateStatus();
}

void TVarnholtCore::ChangedFolderChangeNotify() {
  logger_.WriteProc(kObject, "FolderChangeNotify");
  // The next tick, at least a second from now, makes a pass; a pass that is due already stays due.
  state_.nextPassReference = std::min(state_.nextPassReference, Now() - std::chrono::seconds(4));
}

void TVarnholtCore::PassAtNextTick() {
  state_.nextPassReference = Now() - kPassInterval;
}

void TVarnholtCore::TimerAutomaticTimer() {
  moreWaiting_ = false;
  if (state_.executeBusy || state_.passBusy) return;
  state_.passBusy = true;
  TFlagGuard clear{state_.passBusy};

  if (WatchFolder) WatchFolder(state_.browserFolder);
  if (Now() - state_.nextPassReference < kPassInterval) return;

  const std::string folder = state_.browserFolder;
  std::vector<platform::TFoundFile> found = files_.FindFiles(folder, "*.pdf");
  fileList_.clear();
  for (const auto& file : found) fileList_.push_back(file.name);
  port_.RefreshFileList();
  logger_.WriteProc(kObject, "Files.Update");
  state_.nextPassReference = Now() + std::chrono::seconds(3);
  if (state_.actionIsProcessing || !state_.automatic || found.empty()) return;

  logger_.WriteProc(kObject, "Automatic");
  logger_.WriteEntry(ltMsg, kObject, "Automatic", "Files", std::to_string(found.size()));
  std::vector<std::pair<std::string, const platform::TFoundFile*>> order;  // key, file
  for (const auto& file : found) order.emplace_back(OrderKey(file.lastWrite) + file.name, &file);
  std::stable_sort(order.begin(), order.end(), [](const auto& a, const auto& b) {
    return platform::UpperCase(a.first) < platform::UpperCase(b.first);
  });

  state_.engineRan = false;
  bool taken = false, stopped = false;
  std::string lastLooked;
  for (auto next = order.begin(); next != order.end(); ++next) {
    const platform::TFoundFile& file = *next->second;
    if (!state_.automatic) {
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
    SetSelectedFile(path);
    if (!SettleFailedLoad(path)) {
      ActionRun();
      if (files_.FileExists(path)) PostAction(path);
    }
    taken = true;
    if (state_.engineRan) {
      moreWaiting_ = next + 1 != order.end();
      break;
    }
  }
  if (!stopped) {
    if (refreshBar_ < 27) SetRefreshBar(27);
    state_.nextPassReference = Now() + std::chrono::seconds(1);
    if (moreWaiting_ && state_.automatic) PassAtNextTick();
    if (!taken) logger_.WriteEntry(ltMsg, kObject, "Automatic", "InUse", lastLooked);
  }
  if (!state_.currentPdf.empty() && !files_.FileExists(state_.currentPdf)) {
    SetSelectedFile("");
    state_.loadedFile.clear();
  }
}

void TVarnholtCore::PostAction(const std::string& path) {
  logger_.WriteEntry(ltMsg, kObject, "Post Action", "PDF Still Present", state_.currentPdf);
  PrintTo(state_.currentPdf, state_.paperPrinter, false);
  const std::string target = FailedTarget(path, "Post Action");
  // The same move as every placement: a rename, or a journalled copy where FAILED is another file system.
  if (const platform::TStatus moved = MoveReport(path, target); moved) {
    ++movesToFailed_;
    logger_.WriteEntry(ltMsg, kObject, "Post Action", "Moved", target);
  } else {
    logger_.WriteEntry(ltErr, kObject, "Post Action", "Delete Failed", target + ": " + moved.Message());
    EmergencyStop();
  }
}

bool TVarnholtCore::FailUnsafeName(const std::string& folder, const platform::TFoundFile& file) {
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
      ++movesToFailed_;
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
  EmergencyStop();
  return false;
}

void TVarnholtCore::FileCountTimer() {
  logger_.WriteProc(kObject, "FileCountTimer");
  SetRefreshBar(refreshBar_ + 1);
  if (refreshBar_ < kRefreshBarMax) return;
  SetRefreshBar(0);
  // PDFCreator, which needed a nudge on Windows, does not exist here; the CUPS queue needs none.
  const std::string queue = QueueFolder();
  state_.queueCount = static_cast<std::int32_t>(files_.FindFiles(queue, "*.PDF").size());
  state_.failedCount = static_cast<std::int32_t>(files_.FindFiles(JoinPath(queue, "FAILED"), "*.PDF").size());
  port_.ShowCounts(state_.queueCount, state_.failedCount);
  UpdateStatus();
}

void TVarnholtCore::FailedCommand(bool deleteThem) {
  lastFailed_ = {};
  FileCountTimer();
  struct TTick {
    TVarnholtCore& core;
    ~TTick() { core.FileCountTimer(); }
  } tickOnExit{*this};
  const std::string queue = QueueFolder();
  const std::string failed = JoinPath(queue, "FAILED");
  const std::string count = std::to_string(state_.failedCount);
  if (state_.failedCount > 0) {
    if (!port_.Confirm((deleteThem ? "Delete " : "Re-Queue ") + count + " failed files in\n" + failed))
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
      done =
          deleteThem ? DeleteFile(path) : files_.MoveFileNoOverwrite(path, JoinPath(queue, file.name)).ok();
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
  state_.nextPassReference = Now() + std::chrono::seconds(1);
  if (!files_.FileExists(state_.currentPdf)) {
    SetSelectedFile("");
    state_.loadedFile.clear();
  }
}

void TVarnholtCore::btReQueueClick() {
  logger_.WriteProc(kObject, "ReQueueClick");
  FailedCommand(false);
  if (const int stayed = lastFailed_.stayed; stayed > 0) {
    port_.ShowMessage("Can not re-Queue " + std::to_string(stayed) + " files.\n" +
                      "Will not overwrite files with the same name.");
  }
}

void TVarnholtCore::btDeleteFailedClick() {
  logger_.WriteProc(kObject, "btDeleteFailedClick");
  FailedCommand(true);
  if (const int stayed = lastFailed_.stayed; stayed > 0) {
    port_.ShowMessage("Can not Delete " + std::to_string(stayed) + " files.");
  }
}

}  // namespace varnholt
