// uActionRun.cpp — one run of the action script on one PDF, and the Execute command that starts it.
//
// The script is compiled from the current text on every run and sees the host routines bound to this
// core. Whatever goes wrong inside (a compile error, a run-time error, a script that never ends) ends the
// run with an Err record and a message, switches Automatic mode off and goes no further.
#include "core/uVarnholtCore.h"

#include <cstdio>

#include "hostlib/uDestinationNames.h"
#include "hostlib/uHostRoutineTable.h"
#include "platform/CodePage.h"
#include "platform/Process.h"
#include "script/vm/atScript.h"
#include "script/syslib/uSystemLibrary.h"

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

}  // namespace

TVarnholtCore::~TVarnholtCore() = default;

TatPascalScripter& TVarnholtCore::Scripter() {
  if (scripter_ == nullptr) {
    interaction_ = std::make_unique<TPortInteraction>(port_);
    RegisterSystemLibrary();
    scripter_ = std::make_unique<TatPascalScripter>();
    if (TatSystemLibrary* library = SystemLibraryOf(*scripter_)) {
      library->SetApplicationFolder(state_.applicationFolder);
      library->SetUserInteraction(interaction_.get());
    }
    scripter_->OnCompileError = [this](TatCustomScripter&, std::string& message, int row, int column,
                                       bool& showException) {
      showException = false;
      logger_.WriteEntry(ltErr, "Script", "Compile", message, LineAndChar(row, column));
      state_.scriptErrorText = "The Script contains an error\n" + message + "\n" + LineAndChar(row, column);
    };
  }
  return *scripter_;
}

std::string TVarnholtCore::QueueFolder() const {
  std::string folder = platform::AnsiUpperCase(state_.browserFolder);
  // C:\PDF\FAILED and anything below it belong to the queue C:\PDF.
  while (folder.find("FAILED") != std::string::npos) {
    const std::size_t slash = folder.rfind('\\');
    if (slash == std::string::npos) {
      folder.clear();
      break;
    }
    folder.erase(slash);
  }
  return folder;
}

void TVarnholtCore::ActionRun() {
  if (state_.textLoad == TTextLoad::kUnreadable || state_.textLoad == TTextLoad::kFailed) {
    // Run on no text, a script would file the report by chance or as unrecognised; the reason is the load.
    logger_.WriteEntry(ltErr, kObject, "ActionRun", "Texts Not Loaded", state_.selectedFile);
    port_.ShowMessage("The script was not run: the texts of " + state_.selectedFile + " could not be loaded\n" +
                      state_.textLoadError);
    return;
  }
  state_.actionIsProcessing = true;
  state_.activeText = state_.text1;
  state_.currentPdf = state_.selectedFile;
  UpdateStatus();
  TatPascalScripter& scripter = Scripter();
  try {
    logger_.WriteProc(kObject, "ActionRun");
    logger_.WriteEntry(ltScr, "Action", "ActionRun", "Source", state_.currentPdf);
    state_.scriptErrorText.clear();
    scripter.SetSourceCode(state_.actionScript);
    DefineScriptFunction(scripter, *this);
    scripter.SetRunTimeLimit(scriptTimeLimit_);
    // A clock set on the core (tests) measures the limit too; without one it is the steady clock.
    if (Clock) {
      scripter.SetRunTimeClock(
          [this] { return std::chrono::steady_clock::time_point(Now().time_since_epoch()); });
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
    } catch (const EAbort&) {
    } catch (const EatCompileError&) {
    } catch (const std::exception& e) {
      logger_.WriteEntry(ltErr, "Script", "Runtime", e.what());
    } catch (...) {
    }
    port_.ShowPage(TUiPage::Log);
    SwitchAutomaticOff();
    state_.errorState = true;
    logger_.WriteEntry(ltErr, kObject, "ActionRun", "Execution", "Error");
    port_.ShowMessage("Execution Failed\n" + state_.scriptErrorText);
  }
  // Text files a script left open would pile up in a program that runs for months.
  if (TatSystemLibrary* library = SystemLibraryOf(scripter)) library->CloseOpenFiles();
  UpdateStatus();
  logger_.WriteEntry(ltSys, kObject, "ActionRun", "Memory Usage", std::to_string(platform::WorkingSetSize()));
  state_.actionIsProcessing = false;
}

void TVarnholtCore::btExecuteClick() {
  if (state_.executeBusy || state_.passBusy) return;
  state_.executeBusy = true;
  struct TClear {
    bool& flag;
    ~TClear() { flag = false; }
  } clear{state_.executeBusy};

  logger_.WriteProc(kObject, "btExecuteClick");
  if (platform::SameText(FileNameOf(FolderOf(state_.loadedFile)), "FAILED")) {
    port_.ShowMessage("Can not execute in FAILED folder");
    return;
  }
  if (!files_.FileExists(state_.loadedFile)) {
    port_.ShowMessage("First select a PDF File");
    return;
  }
  if (state_.actionIsProcessing) {
    port_.ShowMessage("Can not Execute. Please wait\nCurrently Action is processing\n" + state_.currentPdf);
    return;
  }
  SwitchAutomaticOff();
  UpdateStatus();
  port_.ShowPage(TUiPage::Log);
  if (!files_.FileExists(state_.selectedFile)) {
    logger_.WriteEntry(ltErr, kObject, "btExecuteClick", "Missing File", state_.selectedFile);
    port_.ShowMessage("No PDF file loaded");
    return;
  }
  ActionRun();
  state_.nextPassReference = Now() + std::chrono::seconds(1);
  if (!files_.FileExists(state_.selectedFile)) {
    if (!state_.selectedFile.empty()) SetSelectedFile("");
    state_.loadedFile.clear();
  }
}

}  // namespace varnholt
