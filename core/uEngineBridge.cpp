// uEngineBridge.cpp — ExecPDF: one request through the exchange files, one request at a time.
#include "core/uEngineBridge.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

#include "core/uApplicationFolder.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/Process.h"

namespace varnholt {

namespace {
constexpr const char* kObject = "PdfReader";
constexpr const char* kProc = "ExecPDF";

// "15 minutes", "90 seconds", "250 ms": the wait as the operator would say it.
std::string WaitText(std::chrono::milliseconds wait) {
  const auto ms = wait.count();
  if (ms >= 60000 && ms % 60000 == 0)
    return std::to_string(ms / 60000) + (ms == 60000 ? " minute" : " minutes");
  if (ms >= 1000 && ms % 1000 == 0) return std::to_string(ms / 1000) + (ms == 1000 ? " second" : " seconds");
  return std::to_string(ms) + " ms";
}

}  // namespace

TEngineBridge::TEngineTurn::TEngineTurn(TEngineBridge& bridge, const std::string& action) : bridge_(bridge) {
  if (bridge_.engineTurns_ > 0) {
    ++bridge_.engineTurns_;
    granted_ = true;
    return;
  }
  const auto lockFile = bridge_.state_.ApplicationFolder() / kEngineLockFile;
  const auto locked = bridge_.engineLock_.Acquire(lockFile, bridge_.engineWait_);
  if (locked) {
    bridge_.engineTurns_ = 1;
    granted_ = true;
    return;
  }
  const std::string why =
      bridge_.engineLock_.TimedOut()
          ? "The PDF engine of this application folder was busy with other requests for " +
                WaitText(bridge_.engineWait_) + "; this request was not sent (" + locked.Message() + ")"
          : "No turn at the PDF engine: " + locked.Message() + "; this request was not sent";
  bridge_.Error(action, why);
  bridge_.status_.EmergencyStop();
}

TEngineBridge::TEngineTurn::~TEngineTurn() {
  if (granted_ && --bridge_.engineTurns_ == 0) bridge_.engineLock_.Release();
}

void TEngineBridge::Error(const std::string& action, const std::string& message) {
  ++errors_;
  logger_.WriteEntry(ltErr, kObject, kProc, action, message);
}

TEngineAnswer TEngineBridge::ExecPDF(const TEngineRequest& request, const std::function<void()>& prepare) {
  // Another request in this folder would overwrite our request or take our answer; files the request
  // needs besides PDFENV.TXT belong to its turn as well.
  const TEngineTurn turn(*this, request.action);
  if (!turn) return {TEngineOutcome::kFailed, "The PDF engine's turn did not come", {}};
  if (prepare) prepare();
  lastAnswer_ = RunEngineProgram(request);
  return lastAnswer_;
}

TEngineAnswer TEngineBridge::ExecPDF(const TEngineRequest& request) {
  return ExecPDF(request, {});
}

std::optional<TEngineAnswer> TEngineBridge::RunEngineAndRead(
    const std::string& action, const std::filesystem::path& resultFile,
    const std::function<TEngineAnswer(const std::string&)>& failed, std::vector<std::string>& answer) {
  const auto& folder = state_.ApplicationFolder();
  // The engine gets the limit and a grace to answer after it; only then is it ended from here.
  const auto grace = std::min<std::chrono::milliseconds>(engineTimeLimit_ / 10, std::chrono::seconds(5));
  const auto timeLimit = engineTimeLimit_.count() > 0 ? engineTimeLimit_ + grace : engineTimeLimit_;
  for (int attempt = 1;; ++attempt) {
    platform::DeleteFile(resultFile);
    const auto run = platform::RunHiddenAndWait(
        ProgramFile(folder, platform::ProgramFolder(), kEngineProgram), {}, folder, timeLimit, whileWaiting_);
    if (run.started) {
      state_.NoteEngineRan();
    } else {
      logger_.WriteEntry(ltErr, kObject, kProc, action, run.error);
    }
    if (run.timedOut) {
      // A hung engine must not hold Automatic mode for good: it was ended, and its request counts as failed.
      platform::DeleteFile(resultFile);
      return failed(run.error);
    }
    if (!run.started || run.signal == 0 || platform::FileExists(resultFile)) break;
    // Killed from outside (the memory killer, an operator) rather than failing on the file: one more try.
    const std::string death = std::string("PDF.EXE ended by signal ") + std::to_string(run.signal) + " (" +
                              strsignal(run.signal) + ")";
    if (attempt == 2) return failed(death + " twice; the request got no answer");
    logger_.WriteEntry(ltMsg, kObject, kProc, action, death + "; the request is sent once more");
  }

  if (platform::FileExists(resultFile)) {
    platform::ReadTextLines(resultFile, answer);
    platform::DeleteFile(resultFile);
  }
  return std::nullopt;
}

TEngineAnswer TEngineBridge::RunEngineProgram(const TEngineRequest& engineRequest) {
  const std::string& action = engineRequest.action;
  const auto& folder = state_.ApplicationFolder();
  const auto requestFile = folder / "PDFENV.TXT";
  const auto resultFile = folder / "PDFRES.TXT";

  std::vector<std::string> request = engineRequest.keys;
  request.push_back("PDFACTION=" + action);
  request.push_back("PDFOWNER=" + state_.OwnerPassword());
  request.push_back("PDFUSER=" + state_.UserPassword());
  for (const std::string& line : request) {
    if (!platform::HasLineBreakOrNul(line)) continue;
    // The value would end its line, and the engine would read the rest as keys of their own. The value is
    // not shown: it may be a password.
    Error(action, "The value of " + line.substr(0, line.find('=')) +
                      "= holds a line break or NUL; the request was not sent");
    status_.EmergencyStop();
    return {TEngineOutcome::kFailed, "A value of the request holds a line break or NUL", {}};
  }
  const auto written = platform::WriteTextLines(requestFile, request, platform::TFileAccess::kOwnerOnly);
  if (!written) {
    // The engine would carry out whatever request is still in the file; better none at all.
    Error(action, written.Message());
    status_.EmergencyStop();
    return {TEngineOutcome::kFailed, written.Message(), {}};
  }
  // A request kept for diagnosis must not keep the passwords in clear.
  const auto keepForDiagnosis = [&] {
    for (std::string& line : request) {
      for (const char* key : {"PDFOWNER=", "PDFUSER="}) {
        if (line.starts_with(key) && line.size() > std::string_view(key).size())
          line = std::string(key) + "(hidden)";
      }
    }
    platform::WriteTextLines(requestFile, request, platform::TFileAccess::kOwnerOnly);
  };
  const auto failed = [&](const std::string& message) {
    Error(action, message);
    keepForDiagnosis();
    status_.EmergencyStop();
    return TEngineAnswer{TEngineOutcome::kFailed, message, {}};
  };

  std::vector<std::string> answer;
  if (standIn_) {
    // A replay answers for the engine; what it answers is judged exactly as the engine's answer is.
    answer = standIn_(engineRequest);
  } else {
    const std::optional<TEngineAnswer> ended = RunEngineAndRead(action, resultFile, failed, answer);
    if (ended) return *ended;
  }
  std::vector<std::string> keys;
  if (answer.size() > 2) keys.assign(answer.begin() + 2, answer.end());
  // A missing answer reads as "Error" / "Unknown Result"; a one-line answer gets the message "Error".
  answer.push_back("Error");
  answer.push_back("Unknown Result");
  const std::string& status = answer[0];
  const std::string& message = answer[1];

  if (!platform::SameText(status, "Error")) {
    logger_.WriteEntry(ltMsg, kObject, kProc, action, message);
    platform::DeleteFile(requestFile);
    return {TEngineOutcome::kOk, message, std::move(keys)};
  }
  const std::string_view prefix = kUnreadablePrefix;
  if (action == "EXTRACT" && message.size() > prefix.size() &&
      platform::SameText(message.substr(0, prefix.size()), prefix)) {
    // The file's own fault: the caller files it as unreadable, and Automatic mode goes on.
    Error(action, message);
    keepForDiagnosis();
    return {TEngineOutcome::kUnreadable, message.substr(prefix.size()), {}};
  }
  return failed(message);  // PDFENV.TXT stays, so the failed request can be looked at
}

}  // namespace varnholt
