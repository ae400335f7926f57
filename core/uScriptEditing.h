// uScriptEditing.h — the rules of the Action page: when the script may be edited, loaded or reset, the
// check that a script compiles before edit mode ends, and the script files of the Load and Copy To
// commands. The window only shows the editor and the dialogs.
//
// The action script of the state is the editor's text as it was last accepted: leaving edit mode with a
// script that compiles, loading a file and the factory default set it. While edit mode lasts, a run
// uses the script from before.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "core/uActionRun.h"
#include "core/uProcessingState.h"
#include "core/uStatusIndicator.h"
#include "core/uUiPort.h"
#include "logging/uLogger.h"

namespace varnholt {

class TScriptEditing {
 public:
  TScriptEditing(TProcessingState& state, TUiPort& port, TLogger& logger, TStatusIndicator& status,
                 TActionRun& actionRun);

  // The Edit button was pressed and shows down (true) or up; editorLines is the editor's text. Returns
  // whether the button must be down afterwards, which is the edit mode of the state: entering switches
  // Automatic mode off; leaving needs a script that compiles (else the message, the Err record and the
  // marked line, and edit mode goes on); while an action is processing nothing changes.
  bool EditClick(bool down, const std::vector<std::string>& editorLines);

  // Load: false when an action is processing (the message). Otherwise Automatic mode goes off, also when
  // the user then cancels the dialog.
  bool BeginLoad();
  // Reads a chosen script file into lines and makes it the action script; on a failure the message, and
  // nothing changes.
  bool LoadScriptFile(const std::filesystem::path& file, std::vector<std::string>& lines);
  // Copy To: the Prc record; then writing the editor's lines (CR LF) to the chosen file, with the message
  // on a failure.
  void BeginCopyTo();
  bool CopyScriptTo(const std::filesystem::path& file, const std::vector<std::string>& lines);
  // Default: false when an action is processing (the message) or the user cancels the question; true:
  // the standard script is the action script now (the editor shows it), in either mode.
  bool ResetToDefault();
  // Print: the Prc record (the window writes and opens the page).
  void BeginPrint();

  // The folder the script dialogs open in ("Scripts" in the application folder), made when missing.
  std::filesystem::path ScriptsFolder() const;

 private:
  bool RefusedWhileProcessing(const std::string& what);

  TProcessingState& state_;
  TUiPort& port_;
  TLogger& logger_;
  TStatusIndicator& status_;
  TActionRun& actionRun_;
};

}  // namespace varnholt
