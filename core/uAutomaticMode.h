// uAutomaticMode.h — Automatic mode: the pass over the queue folder on every tick, the reaction to the
// folder watcher, the counters, and the two operator commands on the FAILED folder.
//
// The unit owns no timer: the window's timers and the service's event loop call TimerAutomaticTimer and
// FileCountTimer once a second and ChangedFolderChangeNotify when their watcher saw a change. A pass takes
// the oldest report that nobody is still writing and files it (TReportFiling::FileReport); while the
// engine is used it handles one file per pass. A pass that took a report while others wait lets the next
// tick pass at once, and the service ticks again at once then, so a backlog drains as fast as the engine
// and the script go. An entry whose name is no Windows name of this system (uQueueNames.h) never becomes
// a Windows path: it goes to FAILED as it is.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/uActionRun.h"
#include "core/uFilePlacement.h"
#include "core/uProcessingState.h"
#include "core/uReportFiling.h"
#include "core/uReportLoading.h"
#include "core/uStatusIndicator.h"
#include "core/uUiPort.h"
#include "logging/uLogger.h"
#include "platform/DriveMap.h"
#include "platform/FileSystem.h"

namespace varnholt {

class TAutomaticMode {
 public:
  TAutomaticMode(TProcessingState& state, TUiPort& port, TLogger& logger, const platform::TDriveMap& driveMap,
                 const platform::TFileSystem& files, TStatusIndicator& status, TReportLoading& loading,
                 TFilePlacement& placement, TReportFiling& filing, const TCoreClock& clock)
      : state_(state),
        port_(port),
        logger_(logger),
        driveMap_(driveMap),
        files_(files),
        status_(status),
        loading_(loading),
        placement_(placement),
        filing_(filing),
        clock_(clock) {}

  // The operator toggled the Automatic button; down is its new state.
  void sbAutomaticClick(bool down);
  // One tick of the automatic timer (every second): the pass over the queue folder.
  void TimerAutomaticTimer();
  // Files one report of the queue as a pass takes it, with Automatic mode on for it and the queue C:\PDF
  // (the mode is switched on without the button's click handler): `varnholt-cli run --automatic`.
  TFilingOutcome FileOne(const std::string& path);
  // The outcomes of the reports the last pass filed, in order.
  const std::vector<TFilingOutcome>& LastPass() const { return lastPass_; }
  // The folder watcher saw a change in the queue folder.
  void ChangedFolderChangeNotify();
  // Lets the next tick make a pass whatever the reference time says (the service's start: a backlog
  // waiting since before it is taken at once).
  void PassAtNextTick();
  // The last pass took a report and left others in the queue that it did not look at; its next tick
  // may come at once. The reference time already lets it pass.
  bool MoreWaiting() const { return moreWaiting_; }
  // One tick of the counter timer (every second): the counts are refreshed every 30 ticks.
  void FileCountTimer();
  int RefreshBar() const { return refreshBar_; }
  void SetRefreshBar(int position);
  // The names the last pass listed in the browser's folder.
  const std::vector<std::string>& FileList() const { return fileList_; }
  // Points the folder watcher at a folder; the window or the service that owns the watcher sets it.
  std::function<void(const std::string& folder)> WatchFolder;

  // The operator's clicks in the browser. A folder click opens the folder (a Windows path) in the file
  // list and takes the window out of Automatic mode, so that the operator's pick is not filed under
  // their hands; the queue folder follows the browser folder. A folder that is not there is refused.
  void FoldersClick(const std::string& folder);
  void DrivesClick();

  // The operator commands on the FAILED folder.
  void btReQueueClick();
  void btDeleteFailedClick();
  // What the last Re-Queue or Delete Failed did: files moved (or deleted) and files that stayed.
  struct TFailedOutcome {
    int done = 0;
    int stayed = 0;
  };
  const TFailedOutcome& LastFailedCommand() const { return lastFailed_; }

 private:
  std::chrono::system_clock::time_point Now() const;
  // The shared body of Re-Queue and Delete Failed: the question, then every PDF of FAILED moved into the
  // queue or deleted; the outcome is kept in lastFailed_.
  void FailedCommand(bool deleteThem);
  // A queue entry whose name the queue does not take (uQueueNames.h): moved to FAILED by its native
  // name; true when it left the queue.
  bool FailUnsafeName(const std::string& folder, const platform::TFoundFile& file);

  TProcessingState& state_;
  TUiPort& port_;
  TLogger& logger_;
  const platform::TDriveMap& driveMap_;
  const platform::TFileSystem& files_;
  TStatusIndicator& status_;
  TReportLoading& loading_;
  TFilePlacement& placement_;
  TReportFiling& filing_;
  const TCoreClock& clock_;
  std::vector<std::string> fileList_;
  std::vector<TFilingOutcome> lastPass_;
  int refreshBar_ = 0;
  bool moreWaiting_ = false;
  TFailedOutcome lastFailed_;
};

}  // namespace varnholt
