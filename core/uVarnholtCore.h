// uVarnholtCore.h — the processing core behind the main window and the headless service: the composition
// of its units around one processing state.
//
// The Qt window and the headless service each own one TVarnholtCore and forward their events (file list
// click, Execute, the timers, the folder watcher) to its units; the units answer through the UI port and
// return outcome values. Operations catch their own failures and report them as log records, never as
// exceptions.
//
//   TProcessingState   the report, its texts and the flags (uProcessingState.h)
//   TStatusIndicator   the bottom bar, the Automatic button, the emergency stop (uStatusIndicator.h)
//   TEngineBridge      requests to PDF.EXE, one at a time (uEngineBridge.h)
//   TReportLoading     selecting a report and loading its texts (uReportLoading.h)
//   TFilePlacement     copies, moves, FAILED, interrupted moves (uFilePlacement.h)
//   TPrinting          printing and the paper printer list (uPrinting.h)
//   TActionRun         one run of the action script (uActionRun.h)
//   TScriptEditing     the Action page: edit mode, Load, Copy To, Default (uScriptEditing.h)
//   TReportFiling      FileReport: one report filed, with its outcome (uReportFiling.h)
//   TFilingJournal     the audit journal entry of every handled report (uFilingJournal.h)
//   TAutomaticMode     the pass over the queue, the counters, the FAILED commands (uAutomaticMode.h)
#pragma once

#include <filesystem>
#include <functional>
#include <memory>

#include "core/uActionRun.h"
#include "core/uAutomaticMode.h"
#include "core/uEngineBridge.h"
#include "core/uFilePlacement.h"
#include "core/uFilingJournal.h"
#include "core/uPrinting.h"
#include "core/uProcessingState.h"
#include "core/uReportFiling.h"
#include "core/uReportLoading.h"
#include "core/uScriptEditing.h"
#include "core/uScriptHost.h"
#include "core/uStatusIndicator.h"
#include "core/uUiPort.h"
#include "logging/uLogger.h"
#include "platform/DriveMap.h"
#include "platform/FileSystem.h"

namespace varnholt {

// How a core is wired when it is not the plain one of an application folder.
struct TCoreWiring {
  // The folder whose drives/ the drive map reaches; empty: the application folder.
  std::filesystem::path driveFolder;
  // Makes the file services every unit uses; empty: the real ones. A replay gives a recorded world here.
  std::function<std::unique_ptr<platform::TFileSystem>(const platform::TDriveMap&)> makeFiles;
};

class TVarnholtCore {
 public:
  // The application folder holds PDF.EXE, the exchange files and the drive folders.
  TVarnholtCore(std::filesystem::path applicationFolder, TUiPort& port, TLogger& logger,
                const TCoreWiring& wiring = {});
  TVarnholtCore(const TVarnholtCore&) = delete;
  TVarnholtCore& operator=(const TVarnholtCore&) = delete;

  TProcessingState& State() { return state_; }
  const TProcessingState& State() const { return state_; }
  TUiPort& Port() { return port_; }
  TLogger& Log() { return logger_; }
  const platform::TDriveMap& DriveMap() const { return driveMap_; }
  const platform::TFileSystem& Files() const { return *files_; }

  TStatusIndicator& Status() { return status_; }
  TEngineBridge& Engine() { return engine_; }
  TReportLoading& Loading() { return loading_; }
  TFilePlacement& Placement() { return placement_; }
  TPrinting& Printing() { return printing_; }
  TActionRun& Action() { return actionRun_; }
  TReportFiling& Filing() { return filing_; }
  TFilingJournal& Journal() { return journal_; }
  TAutomaticMode& Automatic() { return automatic_; }
  TScriptEditing& ScriptEditing() { return scriptEditing_; }
  // What the host routines of a script see of this core.
  TScriptHost& Host() { return host_; }

  // The Execute command: one action run on the selected file, with Automatic mode off.
  TFilingOutcome Execute() { return filing_.FileReport(state_.SelectedFile(), TFilingMode::kExecute); }
  // The current time for the pass, the Execute command and the script's run-time limit; tests set a
  // clock of their own, empty is the system clock.
  void SetClock(TCoreClock clock) { clock_ = std::move(clock); }

 private:
  TUiPort& port_;
  TLogger& logger_;
  platform::TDriveMap driveMap_;
  std::unique_ptr<platform::TFileSystem> files_;
  TCoreClock clock_;
  TProcessingState state_;
  TStatusIndicator status_;
  TEngineBridge engine_;
  TReportLoading loading_;
  TFilePlacement placement_;
  TPrinting printing_;
  TScriptHost host_;
  TActionRun actionRun_;
  TFilingJournal journal_;
  TReportFiling filing_;
  TAutomaticMode automatic_;
  TScriptEditing scriptEditing_;
};

}  // namespace varnholt
