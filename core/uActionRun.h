// uActionRun.h — one run of the action script on the selected report, and what it came to.
//
// The script is compiled from the current text on every run and sees the host routines bound to the host
// context. Whatever goes wrong inside (a compile error, a run-time error, a script that never ends) ends
// the run with an Err record and a message, switches Automatic mode off and goes no further; the outcome
// says which, with the row and column where the script tells them.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/uProcessingState.h"
#include "core/uStatusIndicator.h"
#include "core/uUiPort.h"
#include "hostlib/uHostContext.h"
#include "logging/uLogger.h"

namespace varnholt {

class TatPascalScripter;
class TatUserInteraction;

// How long an action run may take before it is stopped as a run-time error: a script whose loop never
// ends must not hold the queue for good.
inline constexpr std::chrono::milliseconds kDefaultScriptTimeLimit = std::chrono::minutes(10);

// The current time of the core; empty for the system clock.
using TCoreClock = std::function<std::chrono::system_clock::time_point()>;

enum class TScriptEnd {
  kDone,          // the script ran to its end
  kNotRun,        // the report's texts could not be loaded, so no script ran on them
  kCompileError,  // the script does not compile
  kRuntimeError,  // it stopped with a run-time error (the run-time limit included)
  kAborted,       // it ended by Abort
};

// The name of a script end as the journal stores it and tools read it ("done", "not-run",
// "compile-error", "runtime-error", "aborted").
const char* ScriptEndName(TScriptEnd end);

struct TScriptOutcome {
  TScriptEnd end = TScriptEnd::kDone;
  std::string message;      // the error's message, or why the script was not run
  int row = 0, column = 0;  // where the error is, when the script engine says it (1-based; 0 unknown)
  bool Failed() const { return end != TScriptEnd::kDone; }
};

class TActionRun {
 public:
  TActionRun(TProcessingState& state, TUiPort& port, TLogger& logger, TStatusIndicator& status,
             THostContext& host, const TCoreClock& clock);
  ~TActionRun();
  TActionRun(const TActionRun&) = delete;
  TActionRun& operator=(const TActionRun&) = delete;

  // One run of the action script on the selected file.
  TScriptOutcome Run();
  // Compiles lines with the host routines registered, as leaving the editor's edit mode does: the error
  // text is cleared first; a compile error has its Err record, its error text and its marked line.
  TScriptOutcome CompileScript(const std::vector<std::string>& lines);
  // A run still going after this long is stopped as a run-time error; zero means no limit.
  void SetScriptTimeLimit(std::chrono::milliseconds limit) { scriptTimeLimit_ = limit; }
  // The script's ShowMessage, InputQuery and the like go through the UI port.
  TatPascalScripter& Scripter();

 private:
  TProcessingState& state_;
  TUiPort& port_;
  TLogger& logger_;
  TStatusIndicator& status_;
  THostContext& host_;
  const TCoreClock& clock_;
  std::chrono::milliseconds scriptTimeLimit_ = kDefaultScriptTimeLimit;
  std::unique_ptr<TatUserInteraction> interaction_;
  std::unique_ptr<TatPascalScripter> scripter_;
  TScriptOutcome compileError_;  // filled by the compile-error handler during a run
};

}  // namespace varnholt
