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
// A text longer than the limit is refused before it is read; a file that cannot be read is an error.
platform::TStatus ReadExchangeText(const std::filesystem::path& path, std::int64_t limit, std::string& text,
                                   bool& tooLong) {
  text.clear();
  tooLong = false;
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  if (ec) return platform::TStatus::Fail("Cannot read " + path.filename().string() + ": " + ec.message());
  if (static_cast<std::uintmax_t>(limit) < size) {
    tooLong = true;
    return platform::TStatus::Ok();
  }
  std::vector<std::string> lines;
  if (const platform::TStatus read = platform::ReadTextLines(path, lines); !read) return read;
  text = platform::JoinLinesCrLf(lines);
  return platform::TStatus::Ok();
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
  state_.textLoad = TTextLoad::kNone;
  state_.textLoadError.clear();
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
  state_.textLoad = TTextLoad::kNone;
  state_.textLoadError.clear();
  ShowTexts();
  const auto failLoad = [this](TTextLoad how, const std::string& why) {
    state_.textLoad = how;
    state_.textLoadError = why;
  };
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
    failLoad(TTextLoad::kFailed, "The PDF engine's turn did not come");
    return;
  }
  // Whatever the engine does, the texts of the report before must not be taken for this one's.
  for (const char* name : {"PDF1.TXT", "PDF2.TXT"}) {
    const auto path = state_.applicationFolder / name;
    platform::DeleteFile(path);
    if (platform::FileExists(path)) {
      const std::string why = std::string("Cannot delete the old ") + name + " before the extraction";
      logger_.WriteEntry(ltErr, kObject, "LoadContent", why, state_.selectedFile);
      failLoad(TTextLoad::kFailed, why);
      EmergencyStop();
      return;
    }
  }
  state_.loadedFile = state_.selectedFile;
  state_.requestList.push_back("PDFFILE=" + state_.selectedFile);
  state_.requestList.push_back("PDFTEXTBYTES=" + std::to_string(textLimit_));
  if (engineTimeLimit_.count() > 0) {
    const auto seconds = std::chrono::ceil<std::chrono::seconds>(engineTimeLimit_).count();
    state_.requestList.push_back("PDFSECONDS=" + std::to_string(seconds));
  }
  const TEngineAnswer answer = ExecPDF("EXTRACT");
  if (answer.outcome != TEngineOutcome::kOk) {
    failLoad(answer.outcome == TEngineOutcome::kUnreadable ? TTextLoad::kUnreadable : TTextLoad::kFailed,
             answer.message);
    return;
  }
  for (auto [name, text] : {std::pair{"PDF1.TXT", &state_.text1}, std::pair{"PDF2.TXT", &state_.text2}}) {
    const auto path = state_.applicationFolder / name;
    std::string read;
    bool tooLong = false;
    // An engine may leave a file out for an empty text.
    if (platform::FileExists(path)) {
      if (const platform::TStatus status = ReadExchangeText(path, textLimit_, read, tooLong); !status) {
        logger_.WriteEntry(ltErr, kObject, "LoadContent", status.Message(), state_.selectedFile);
        failLoad(TTextLoad::kFailed, status.Message());
        EmergencyStop();
        break;
      }
    }
    if (tooLong) {
      // An engine that does not know the limit is held to it here.
      failLoad(TTextLoad::kUnreadable, std::string("The text in ") + name + " is longer than the limit of " +
                                           std::to_string(textLimit_) + " bytes (/Limits/TextBytes)");
      logger_.WriteEntry(ltErr, kObject, "LoadContent", "Text Too Long", state_.textLoadError);
      break;
    }
    logger_.WriteEntry(ltMsg, kObject, "LoadContent", "Text Length", std::to_string(read.size()));
    *text = read;
  }
  if (state_.textLoad != TTextLoad::kNone) {
    state_.text1.clear();
    state_.text2.clear();
    return;
  }
  state_.textLoad = TTextLoad::kLoaded;
  ShowTexts();
}

bool TVarnholtCore::SettleFailedLoad(const std::string& path) {
  if (state_.textLoad == TTextLoad::kUnreadable) {
    logger_.WriteEntry(ltErr, kObject, "Automatic", "Unreadable", path + ": " + state_.textLoadError);
    MoveToFailed(path);
    // The report is in FAILED now; a new report of the same name must be loaded afresh.
    SetSelectedFile("");
    state_.loadedFile.clear();
    return true;
  }
  return state_.textLoad == TTextLoad::kFailed;
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
