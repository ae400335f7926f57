// uReportFiling.h — filing one report: the one operation behind the automatic pass, the Execute command
// and `varnholt-cli run`, and the value it returns.
//
// FileReport selects the report (its texts are loaded on the change), settles a load that failed, runs the
// action script, and in Automatic mode prints and moves to FAILED whatever the script left in the queue.
// What happened comes back as a TFilingOutcome; callers render it and never read the log to learn it.
#pragma once

#include <string>
#include <vector>

#include "core/uActionRun.h"
#include "core/uEngineBridge.h"
#include "core/uFilePlacement.h"
#include "core/uPrinting.h"
#include "core/uProcessingState.h"
#include "core/uReportLoading.h"
#include "core/uStatusIndicator.h"

namespace varnholt {

enum class TFilingMode {
  kAutomatic,  // as a pass of Automatic mode takes a report from the queue
  kExecute,    // the operator's Execute command on the selected report, Automatic mode off
};

enum class TFilingEnd {
  kFiled,        // the script ran to its end and the report is no longer where it was, nor in FAILED
  kInFailed,     // the report is in FAILED: unreadable, left behind by the script, or put there by it
  kLeftInPlace,  // the script ran to its end and left the report where it was (Execute)
  kStayed,       // the report's texts could not be loaded, so it stays in the queue (an emergency stop)
  kScriptError,  // the script did not compile or stopped with an error; the report is where it left it
  kRefused,      // the Execute command was refused (nothing selected, a file in FAILED, busy); see reason
};

// The name of an end as the journal stores it and tools read it ("filed", "in-failed", "left-in-place",
// "stayed", "script-error", "refused"; `varnholt-cli journal --outcome` takes the same).
const char* FilingEndName(TFilingEnd end);

struct TFilingOutcome {
  TFilingEnd end = TFilingEnd::kRefused;
  std::string report;    // where the report was when it was taken
  std::string location;  // where it is now, as far as the core placed it (the current PDF)
  std::string reason;    // why it went to FAILED, stayed or was refused; the script's error message
  TScriptOutcome script{TScriptEnd::kNotRun, ""};  // the action run's own outcome
  bool engineError = false;    // an engine request of this filing ended in an error (unreadable included)
  bool emergencyStop = false;  // Automatic mode was stopped during this filing
  std::vector<TWrittenFile> written;  // every file this filing wrote, in order (a file may come twice)
};

class TFilingJournal;

class TReportFiling {
 public:
  TReportFiling(TProcessingState& state, TUiPort& port, TLogger& logger, const platform::TFileSystem& files,
                TEngineBridge& engine, TStatusIndicator& status, TReportLoading& loading,
                TFilePlacement& placement, TPrinting& printing, TActionRun& actionRun,
                const TCoreClock& clock)
      : state_(state),
        port_(port),
        logger_(logger),
        files_(files),
        engine_(engine),
        status_(status),
        loading_(loading),
        placement_(placement),
        printing_(printing),
        actionRun_(actionRun),
        clock_(clock) {}

  // Files the report at path (a Windows path) as mode says, and tells what came of it.
  TFilingOutcome FileReport(const std::string& path, TFilingMode mode);
  // A report the action left in the queue: printed on the paper printer and moved to FAILED. Gives where
  // it went, or empty when it could not be moved (an emergency stop).
  std::string PostAction(const std::string& path);
  // The audit journal every filing that handles a report writes to; none in tests that do without it.
  void SetJournal(TFilingJournal* journal) { journal_ = journal; }

 private:
  // The Execute command's checks before a run; empty when it may run.
  std::string ExecuteRefusal();
  // After the load of a report in the queue: one the engine could not read goes to FAILED with the reason
  // (Err record), one whose load failed otherwise stays in the queue (the emergency stop was made). True
  // when the texts were not loaded, so that no script runs on the report.
  bool SettleFailedLoad(const std::string& path);
  std::chrono::system_clock::time_point Now() const;
  TFilingOutcome FileReportUnjournalled(const std::string& path, TFilingMode mode);

  TProcessingState& state_;
  TUiPort& port_;
  TLogger& logger_;
  const platform::TFileSystem& files_;
  TEngineBridge& engine_;
  TStatusIndicator& status_;
  TReportLoading& loading_;
  TFilePlacement& placement_;
  TPrinting& printing_;
  TActionRun& actionRun_;
  const TCoreClock& clock_;
  TFilingJournal* journal_ = nullptr;
};

}  // namespace varnholt
