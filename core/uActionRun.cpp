// uActionRun.cpp — one run of the action script on one PDF.
#include "core/uActionRun.h"

#include <cstdio>
#include <regex>

#include "hostlib/uHostRoutineTable.h"
#include "platform/Process.h"
#include "script/syslib/uSystemLibrary.h"
#include "script/vm/atScript.h"

namespace varnholt {

namespace {

constexpr const char* kObject = "Varnholt";

// The script's messages are the window's message boxes; the port has no edit box, so questions are
// declined.
class TPortInteraction : public TatUserInteraction {
 public:
  explicit TPortInteraction(TUiPort& port) : port_(port) {}
  void ShowMessage(const std::string& text) override { port_.ShowMessage(text); }
  bool InputQuery(const std::string&, const std::string&, std::string&) override { return false; }
  void Beep() override {}

 private:
  TUiPort& port_;
};

std::string LineAndChar(int row, int column) {
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "Line %d, Char %d", row, column);
  return buffer;
}

// A run-time error's message ends with the position the machine was at ("Source position: 12,5").
TScriptOutcome RuntimeOutcome(const std::string& message) {
  TScriptOutcome outcome{TScriptEnd::kRuntimeError, message};
  static const std::regex position(R"(Source position: (\d+),(\d+)\s*$)");
  if (std::smatch m; std::regex_search(message, m, position)) {
    outcome.row = std::stoi(m[1].str());
    outcome.column = std::stoi(m[2].str());
  }
  return outcome;
}

}  // namespace

const char* ScriptEndName(TScriptEnd end) {
  switch (end) {
    case TScriptEnd::kDone:
      return "done";
    case TScriptEnd::kNotRun:
      return "not-run";
    case TScriptEnd::kCompileError:
      return "compile-error";
    case TScriptEnd::kRuntimeError:
      return "runtime-error";
    case TScriptEnd::kAborted:
      return "aborted";
  }
  return "";
}

TActionRun::TActionRun(TProcessingState& state, TUiPort& port, TLogger& logger, TStatusIndicator& status,
                       THostContext& host, const TCoreClock& clock)
    : state_(state), port_(port), logger_(logger), status_(status), host_(host), clock_(clock) {}

TActionRun::~TActionRun() = default;

TatPascalScripter& TActionRun::Scripter() {
  if (scripter_ == nullptr) {
    interaction_ = std::make_unique<TPortInteraction>(port_);
    RegisterSystemLibrary();
    scripter_ = std::make_unique<TatPascalScripter>();
    if (TatSystemLibrary* library = SystemLibraryOf(*scripter_)) {
      library->SetApplicationFolder(state_.ApplicationFolder());
      library->SetUserInteraction(interaction_.get());
    }
    scripter_->OnCompileError = [this](TatCustomScripter&, std::string& message, int row, int column,
                                       bool& showException) {
      showException = false;
      logger_.WriteEntry(ltErr, "Script", "Compile", message, LineAndChar(row, column));
      state_.SetScriptErrorText("The Script contains an error\n" + message + "\n" + LineAndChar(row, column));
      compileError_ = {TScriptEnd::kCompileError, message, row, column};
      port_.MarkScriptError(row, column);
    };
  }
  return *scripter_;
}

TScriptOutcome TActionRun::CompileScript(const std::vector<std::string>& lines) {
  TatPascalScripter& scripter = Scripter();
  compileError_ = {};
  state_.SetScriptErrorText({});
  try {
    scripter.SetSourceCode(lines);
    DefineScriptFunction(scripter, host_);
    scripter.CompileScript();
  } catch (const EAbort&) {
    // The compile-error handler has taken the error.
  } catch (const EatCompileError& e) {
    if (compileError_.end != TScriptEnd::kCompileError)
      compileError_ = {TScriptEnd::kCompileError, e.Message(), e.Row(), e.Column()};
  }
  return compileError_;
}

TScriptOutcome TActionRun::Run() {
  if (state_.TextLoad() == TTextLoad::kUnreadable || state_.TextLoad() == TTextLoad::kFailed) {
    // Run on no text, a script would file the report by chance or as unrecognised; the reason is the load.
    logger_.WriteEntry(ltErr, kObject, "ActionRun", "Texts Not Loaded", state_.SelectedFile());
    port_.ShowMessage("The script was not run: the texts of " + state_.SelectedFile() +
                      " could not be loaded\n" + state_.TextLoadError());
    return {TScriptEnd::kNotRun, state_.TextLoadError()};
  }
  state_.BeginActionRun();
  status_.UpdateStatus();
  TatPascalScripter& scripter = Scripter();
  TScriptOutcome outcome;
  compileError_ = {};
  try {
    logger_.WriteProc(kObject, "ActionRun");
    logger_.WriteEntry(ltScr, "Action", "ActionRun", "Source", state_.CurrentPdf());
    scripter.SetSourceCode(state_.ActionScript());
    DefineScriptFunction(scripter, host_);
    scripter.SetRunTimeLimit(scriptTimeLimit_);
    // A clock set on the core (tests) measures the limit too; without one it is the steady clock.
    if (clock_) {
      scripter.SetRunTimeClock(
          [this] { return std::chrono::steady_clock::time_point(clock_().time_since_epoch()); });
    } else {
      scripter.SetRunTimeClock(nullptr);
    }
    scripter.RunScript();
  } catch (...) {
    // Whatever ended the run (a compile or run-time error, the run-time limit, an abort) ends here. A
    // compile error has its own record; any other error's message is kept too, since nobody may be
    // watching the message box of an unattended run.
    try {
      throw;
    } catch (const EatScripterRuntime& e) {
      logger_.WriteEntry(ltErr, "Script", "Runtime", e.Message());
      outcome = RuntimeOutcome(e.Message());
    } catch (const EAbort&) {
      // A compile error the handler has taken ends the run as a silent abort.
      outcome = compileError_.end == TScriptEnd::kCompileError
                    ? compileError_
                    : TScriptOutcome{TScriptEnd::kAborted, "Aborted"};
    } catch (const EatCompileError& e) {
      outcome = compileError_.end == TScriptEnd::kCompileError
                    ? compileError_
                    : TScriptOutcome{TScriptEnd::kCompileError, e.Message(), e.Row(), e.Column()};
    } catch (const std::exception& e) {
      logger_.WriteEntry(ltErr, "Script", "Runtime", e.what());
      outcome = RuntimeOutcome(e.what());
    } catch (...) {
      outcome = {TScriptEnd::kRuntimeError, "Unknown error"};
    }
    port_.ShowPage(TUiPage::Log);
    status_.SwitchAutomaticOff();
    state_.RaiseErrorState();
    logger_.WriteEntry(ltErr, kObject, "ActionRun", "Execution", "Error");
    port_.ShowMessage("Execution Failed\n" + state_.ScriptErrorText());
  }
  // Text files a script left open would pile up in a program that runs for months.
  if (TatSystemLibrary* library = SystemLibraryOf(scripter)) library->CloseOpenFiles();
  status_.UpdateStatus();
  logger_.WriteEntry(ltSys, kObject, "ActionRun", "Memory Usage", std::to_string(platform::WorkingSetSize()));
  state_.EndActionRun();
  return outcome;
}

}  // namespace varnholt
