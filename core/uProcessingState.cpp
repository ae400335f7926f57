// uProcessingState.cpp — the operations that change the processing state.
#include "core/uProcessingState.h"

#include "platform/CodePage.h"

namespace varnholt {

TProcessingState::TProcessingState(std::filesystem::path applicationFolder)
    : applicationFolder_(std::move(applicationFolder)) {}

bool TProcessingState::Select(const std::string& path) {
  if (path == selectedFile_) return false;
  selectedFile_ = path;
  DropTexts();
  return true;
}

void TProcessingState::DropTexts() {
  loadAttempted_ = false;
  text1_.clear();
  text2_.clear();
  textLoad_ = TTextLoad::kNone;
  textLoadError_.clear();
  ocrConfidence_ = -1;
}

void TProcessingState::ForgetReport() {
  Select("");
}

void TProcessingState::BeginTextLoad() {
  DropTexts();
  loadAttempted_ = true;
}

void TProcessingState::TextsLoaded(std::string text1, std::string text2, int ocrConfidence) {
  text1_ = std::move(text1);
  text2_ = std::move(text2);
  ocrConfidence_ = ocrConfidence;
  textLoad_ = TTextLoad::kLoaded;
  textLoadError_.clear();
}

void TProcessingState::TextLoadFailed(TTextLoad how, std::string why) {
  text1_.clear();
  text2_.clear();
  textLoad_ = how;
  textLoadError_ = std::move(why);
  ocrConfidence_ = -1;
}

void TProcessingState::BeginActionRun() {
  actionIsProcessing_ = true;
  activeText_ = text1_;
  currentPdf_ = selectedFile_;
  scriptErrorText_.clear();
}

bool TProcessingState::TryBeginExecute() {
  if (executeBusy_ || passBusy_) return false;
  executeBusy_ = true;
  return true;
}

bool TProcessingState::TryBeginPass() {
  if (executeBusy_ || passBusy_) return false;
  passBusy_ = true;
  return true;
}

void TProcessingState::SetCounts(std::int32_t queue, std::int32_t failed) {
  queueCount_ = queue;
  failedCount_ = failed;
}

void TProcessingState::SetPasswords(std::string owner, std::string user) {
  ownerPassword_ = std::move(owner);
  userPassword_ = std::move(user);
}

void TProcessingState::SetPrintByAcrobatReader(bool on, std::string path) {
  printByAcrobatReader_ = on;
  acrobatReaderPath_ = std::move(path);
}

std::string TProcessingState::QueueFolder() const {
  std::string folder = platform::AnsiUpperCase(browserFolder_);
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

}  // namespace varnholt
