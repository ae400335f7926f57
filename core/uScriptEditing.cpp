// uScriptEditing.cpp — the Action page's commands: edit mode, Load, Copy To, Default, Print.
#include "core/uScriptEditing.h"

#include "core/uStandardScript.h"
#include "platform/Files.h"

namespace varnholt {

namespace {
constexpr const char* kObject = "Varnholt";
}  // namespace

TScriptEditing::TScriptEditing(TProcessingState& state, TUiPort& port, TLogger& logger,
                               TStatusIndicator& status, TActionRun& actionRun)
    : state_(state), port_(port), logger_(logger), status_(status), actionRun_(actionRun) {}

bool TScriptEditing::RefusedWhileProcessing(const std::string& what) {
  if (!state_.ActionIsProcessing()) return false;
  port_.ShowMessage("Can not " + what + ". Please wait\nCurrently Action is processing\n" +
                    state_.CurrentPdf());
  return true;
}

bool TScriptEditing::EditClick(bool down, const std::vector<std::string>& editorLines) {
  logger_.WriteProc(kObject, "sbEditClick");
  // A run holds the script it compiled; the mode the button had stays, so a script being edited is never
  // left unchecked.
  if (RefusedWhileProcessing("Edit")) return state_.EditMode();
  if (down) {
    status_.SwitchAutomaticOff();
    state_.SetEditMode(true);
  } else {
    const TScriptOutcome compiled = actionRun_.CompileScript(editorLines);
    if (compiled.Failed()) {
      port_.ShowMessage("Can not leave editor\n" + state_.ScriptErrorText());
    } else {
      state_.SetActionScript(editorLines);
      state_.SetEditMode(false);
    }
  }
  status_.UpdateStatus();
  return state_.EditMode();
}

bool TScriptEditing::BeginLoad() {
  logger_.WriteProc(kObject, "ScriptLoadClick");
  if (RefusedWhileProcessing("Load")) return false;
  status_.SwitchAutomaticOff();
  status_.UpdateStatus();
  return true;
}

bool TScriptEditing::LoadScriptFile(const std::filesystem::path& file, std::vector<std::string>& lines) {
  std::vector<std::string> read;
  if (const platform::TStatus status = platform::ReadTextLines(file, read); !status) {
    port_.ShowError(status.Message());
    return false;
  }
  state_.SetActionScript(read);
  lines = std::move(read);
  return true;
}

void TScriptEditing::BeginCopyTo() {
  logger_.WriteProc(kObject, "ScriptSaveClick");
}

bool TScriptEditing::CopyScriptTo(const std::filesystem::path& file, const std::vector<std::string>& lines) {
  if (const platform::TStatus status = platform::WriteTextLines(file, lines); !status) {
    port_.ShowError(status.Message());
    return false;
  }
  return true;
}

bool TScriptEditing::ResetToDefault() {
  logger_.WriteProc(kObject, "DefaultScriptClick");
  if (RefusedWhileProcessing("reset script to factory default")) return false;
  if (!port_.Confirm("Reset script to factory default?", TConfirmButtons::kOkCancel)) return false;
  state_.SetActionScript(StandardScript());
  return true;
}

void TScriptEditing::BeginPrint() {
  logger_.WriteProc(kObject, "ScriptPrintClick");
}

std::filesystem::path TScriptEditing::ScriptsFolder() const {
  const std::filesystem::path folder = state_.ApplicationFolder() / "Scripts";
  if (const platform::TStatus made = platform::ForceDirectories(folder); !made) {
    logger_.WriteEntry(ltErr, kObject, "ScriptsFolder", made.Message(), folder.string());
  }
  return folder;
}

}  // namespace varnholt
