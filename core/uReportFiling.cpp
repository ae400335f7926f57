// uReportFiling.cpp — filing one report and telling what came of it.
#include "core/uReportFiling.h"

#include "core/uFilingJournal.h"
#include "hostlib/uDestinationNames.h"
#include "platform/CodePage.h"
#include "platform/ScopeExit.h"

namespace varnholt {

namespace {

constexpr const char* kObject = "Varnholt";

}  // namespace

const char* FilingEndName(TFilingEnd end) {
  switch (end) {
    case TFilingEnd::kFiled:
      return "filed";
    case TFilingEnd::kInFailed:
      return "in-failed";
    case TFilingEnd::kLeftInPlace:
      return "left-in-place";
    case TFilingEnd::kStayed:
      return "stayed";
    case TFilingEnd::kScriptError:
      return "script-error";
    case TFilingEnd::kRefused:
      return "refused";
  }
  return "";
}

std::chrono::system_clock::time_point TReportFiling::Now() const {
  return clock_ ? clock_() : std::chrono::system_clock::now();
}

bool TReportFiling::SettleFailedLoad(const std::string& path) {
  if (state_.TextLoad() == TTextLoad::kUnreadable) {
    logger_.WriteEntry(ltErr, kObject, "Automatic", "Unreadable", path + ": " + state_.TextLoadError());
    placement_.MoveToFailed(path);
    // The report is in FAILED now; a new report of the same name must be loaded afresh.
    loading_.SelectAndLoad("");
    return true;
  }
  return state_.TextLoad() == TTextLoad::kFailed;
}

std::string TReportFiling::PostAction(const std::string& path) {
  logger_.WriteEntry(ltMsg, kObject, "Post Action", "PDF Still Present", state_.CurrentPdf());
  printing_.PrintTo(state_.CurrentPdf(), state_.PaperPrinter(), false);
  const std::string target = placement_.FailedTarget(path, "Post Action");
  // The same move as every placement: a rename, or a journalled copy where FAILED is another file system.
  const platform::TStatus moved = placement_.MoveReport(path, target);
  if (moved) {
    placement_.CountMoveToFailed();
    logger_.WriteEntry(ltMsg, kObject, "Post Action", "Moved", target);
    return target;
  }
  logger_.WriteEntry(ltErr, kObject, "Post Action", "Delete Failed", target + ": " + moved.Message());
  status_.EmergencyStop();
  return {};
}

std::string TReportFiling::ExecuteRefusal() {
  const std::string loaded = state_.LoadedFile();
  if (platform::SameText(FileNameOf(FolderOf(loaded)), "FAILED")) return "Can not execute in FAILED folder";
  if (!files_.FileExists(loaded)) return "First select a PDF File";
  if (state_.ActionIsProcessing()) {
    return "Can not Execute. Please wait\nCurrently Action is processing\n" + state_.CurrentPdf();
  }
  return {};
}

TFilingOutcome TReportFiling::FileReport(const std::string& path, TFilingMode mode) {
  const std::size_t written = placement_.Written().size();
  // A lab must not file without its audit trail: a journal that cannot be written stops before the run.
  if (journal_ && !journal_->Begin(path, mode)) {
    TFilingOutcome outcome;
    outcome.report = path;
    outcome.location = path;
    outcome.end = mode == TFilingMode::kExecute ? TFilingEnd::kRefused : TFilingEnd::kStayed;
    outcome.reason = "The journal cannot be written";
    outcome.emergencyStop = true;
    return outcome;
  }
  TFilingOutcome outcome = FileReportUnjournalled(path, mode);
  outcome.written.assign(placement_.Written().begin() + static_cast<std::ptrdiff_t>(written),
                         placement_.Written().end());
  if (journal_ && !journal_->End(outcome)) outcome.emergencyStop = true;
  return outcome;
}

TFilingOutcome TReportFiling::FileReportUnjournalled(const std::string& path, TFilingMode mode) {
  TFilingOutcome outcome;
  outcome.report = path;
  const int engineErrors = engine_.Errors();
  const int movesToFailed = placement_.MovesToFailed();
  const int stops = status_.EmergencyStops();
  std::string postTarget;
  bool settled = false;
  TTextLoad load = TTextLoad::kNone;
  std::string loadError;

  if (mode == TFilingMode::kExecute) {
    if (!state_.TryBeginExecute()) {
      outcome.reason = "An automatic pass or another Execute is under way";
      return outcome;
    }
    const platform::TScopeExit clear([this] { state_.EndExecute(); });
    loading_.SelectAndLoad(path);
    if (journal_) journal_->TextsLoaded();
    logger_.WriteProc(kObject, "btExecuteClick");
    if (const std::string refusal = ExecuteRefusal(); !refusal.empty()) {
      port_.ShowMessage(refusal);
      outcome.reason = refusal;
      outcome.engineError = engine_.Errors() > engineErrors;
      return outcome;
    }
    status_.SwitchAutomaticOff();
    status_.UpdateStatus();
    port_.ShowPage(TUiPage::Log);
    if (!files_.FileExists(state_.SelectedFile())) {
      logger_.WriteEntry(ltErr, kObject, "btExecuteClick", "Missing File", state_.SelectedFile());
      port_.ShowError("No PDF file loaded");
      outcome.reason = "No PDF file loaded";
      return outcome;
    }
    outcome.script = actionRun_.Run();
    state_.SetNextPassReference(Now() + std::chrono::seconds(1));
    if (!files_.FileExists(state_.SelectedFile()) && !state_.SelectedFile().empty()) loading_.SelectAndLoad("");
  } else {
    loading_.SelectAndLoad(path);
    if (journal_) journal_->TextsLoaded();
    load = state_.TextLoad();
    loadError = state_.TextLoadError();
    settled = SettleFailedLoad(path);
    if (!settled) {
      outcome.script = actionRun_.Run();
      if (files_.FileExists(path)) postTarget = PostAction(path);
    }
  }

  outcome.engineError = engine_.Errors() > engineErrors;
  outcome.emergencyStop = status_.EmergencyStops() > stops;
  outcome.location = postTarget.empty() ? state_.CurrentPdf() : postTarget;
  const bool movedToFailed = placement_.MovesToFailed() > movesToFailed;
  const bool inFailed = movedToFailed || platform::SameText(FolderOf(outcome.location),
                                                            JoinPath(state_.QueueFolder(), "FAILED"));
  if (settled || outcome.script.end == TScriptEnd::kNotRun) {
    outcome.end =
        load == TTextLoad::kUnreadable && movedToFailed ? TFilingEnd::kInFailed : TFilingEnd::kStayed;
    if (outcome.end == TFilingEnd::kStayed) outcome.location = path;
    outcome.reason = settled ? loadError : outcome.script.message;
    if (outcome.reason.empty()) outcome.reason = "The texts of the report could not be loaded";
  } else if (outcome.script.Failed()) {
    outcome.end = TFilingEnd::kScriptError;
    outcome.reason = outcome.script.message;
  } else if (!postTarget.empty()) {
    outcome.end = TFilingEnd::kInFailed;
    outcome.reason = "The script left the report in the queue";
  } else if (inFailed) {
    outcome.end = TFilingEnd::kInFailed;
    outcome.reason = "The script sent the report to FAILED";
  } else if (files_.FileExists(path) && platform::SameText(outcome.location, path)) {
    outcome.end = mode == TFilingMode::kAutomatic ? TFilingEnd::kStayed : TFilingEnd::kLeftInPlace;
    if (mode == TFilingMode::kAutomatic) outcome.reason = "The report could not be moved to FAILED";
  } else {
    outcome.end = TFilingEnd::kFiled;
  }
  return outcome;
}

}  // namespace varnholt
