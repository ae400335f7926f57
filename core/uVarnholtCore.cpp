// uVarnholtCore.cpp — selecting a file, loading its texts, the status indicator and the emergency stop.
#include "core/uVarnholtCore.h"

#include <vector>

#include "hostlib/uDestinationNames.h"
#include "platform/Files.h"
#include "platform/Process.h"
#include "script/vm/atScript.h"
#include "script/syslib/uSystemLibrary.h"

namespace varnholt {

namespace {

constexpr const char* kObject = "Varnholt";

// Reads an exchange text file as the window shows it: lines joined with CR LF, the last one included.
// A missing file is an empty text.
std::string ReadExchangeText(const std::filesystem::path& path) {
  std::vector<std::string> lines;
  if (!platform::FileExists(path) || !platform::ReadTextLines(path, lines)) return {};
  return platform::JoinLinesCrLf(lines);
}

}  // namespace

TVarnholtCore::TVarnholtCore(std::filesystem::path applicationFolder, TUiPort& port, TLogger& logger)
    : port_(port), logger_(logger), driveMap_(applicationFolder), files_(driveMap_) {
  state_.applicationFolder = std::move(applicationFolder);
  state_.browserFolder = "C:\\PDF";
}

void TVarnholtCore::SwitchAutomaticOff() {
  state_.automatic = false;
  port_.SetAutomaticButton(false);
}

void TVarnholtCore::FilesClick(const std::string& fileName) {
  logger_.WriteProc(kObject, "FilesClick");
  SwitchAutomaticOff();
  logger_.WriteEntry(ltMsg, kObject, "FilesClick", "File", state_.selectedFile);
  // Clearing first makes picking the same file again a change, which reloads its texts.
  SetSelectedFile("");
  SetSelectedFile(JoinPath(state_.browserFolder, fileName));
  UpdateStatus();
}

void TVarnholtCore::SetSelectedFile(const std::string& path) {
  if (path == state_.selectedFile) return;
  state_.selectedFile = path;
  port_.ShowSelectedFile(path);
  edPdfFileChange();
}

void TVarnholtCore::ShowTexts() {
  port_.ShowTexts(state_.text1, state_.text2);
}

void TVarnholtCore::edPdfFileChange() {
  state_.text1.clear();
  state_.text2.clear();
  ShowTexts();
  if (files_.FileExists(state_.selectedFile)) LoadContent();
}

void TVarnholtCore::LoadContent() {
  logger_.WriteEntry(ltSys, kObject, "LoadContent", "Memory Usage",
                     std::to_string(platform::WorkingSetSize()));
  logger_.WriteProc(kObject, "LoadContent");
  logger_.WriteEntry(ltMsg, kObject, "LoadContent", "File", state_.selectedFile);
  TBusyCursor busy(port_);
  state_.text1.clear();
  state_.text2.clear();
  ShowTexts();
  if (!files_.FileExists(state_.selectedFile)) {
    logger_.WriteEntry(ltErr, kObject, "LoadContent", "Missing File", state_.selectedFile);
    // The texts are gone, so no file's texts are loaded any more.
    state_.loadedFile.clear();
    return;
  }
  // The texts are read under the same turn as the request, before another request can replace them.
  const TEngineTurn turn(*this, "EXTRACT");
  if (!turn) {
    state_.loadedFile.clear();
    return;
  }
  state_.requestList.push_back("PDFFILE=" + state_.selectedFile);
  ExecPDF("EXTRACT");
  for (auto [name, text] : {std::pair{"PDF1.TXT", &state_.text1}, std::pair{"PDF2.TXT", &state_.text2}}) {
    const std::string read = ReadExchangeText(state_.applicationFolder / name);
    logger_.WriteEntry(ltMsg, kObject, "LoadContent", "Text Length", std::to_string(read.size()));
    *text = read;
  }
  state_.loadedFile = state_.selectedFile;
  ShowTexts();
}

void TVarnholtCore::UpdateStatus() {
  if (state_.actionIsProcessing) {
    port_.ShowStatus(kStatusProcessing, 2);
  } else if (state_.errorState || state_.failedCount > 0) {
    port_.ShowStatus(kStatusError, 3);
  } else if (state_.automatic) {
    port_.ShowStatus(kStatusAutomatic, 0);
  } else {
    port_.ShowStatus(kStatusIdle, 1);
  }
}

void TVarnholtCore::EmergencyStop() {
  if (!state_.automatic) return;
  state_.errorState = true;
  port_.FocusMinimizeButton();  // a button that is not showing cannot take the focus; that is fine
  logger_.WriteEntry(ltErr, kObject, "EmergencyStop", "Automatic", "Stop");
  SwitchAutomaticOff();
  UpdateStatus();
  port_.RestoreWindow();
}

void TVarnholtCore::btHideExit() {
  logger_.WriteProc(kObject, "HideExit");
  state_.errorState = false;
  // The red bar of the emergency stop ends here (unless FAILED still holds files).
  UpdateStatus();
}

}  // namespace varnholt
