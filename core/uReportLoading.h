// uReportLoading.h — selecting a report and loading its two texts through the PDF engine.
//
// The state's Select only records which file is selected; SelectAndLoad is the box "Selected PDF File"
// changing, which loads the new file's texts; LoadContent loads them again on its own (the CLI's
// extract, a reload).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/uEngineBridge.h"
#include "core/uProcessingState.h"
#include "core/uStatusIndicator.h"
#include "core/uUiPort.h"
#include "logging/uLogger.h"
#include "platform/FileSystem.h"

namespace varnholt {

// The most bytes either text of a report may have: a text bomb of thousands of pages must not hold the
// queue or fill the disk. Far above any real report (the longest of our samples has a few kilobytes).
inline constexpr std::int64_t kDefaultTextLimit = 16LL * 1024 * 1024;

// Which pages of a report the engine reads by OCR: none, those without a text layer (scanned pages), or
// every page (its text layer is then ignored).
enum class TOcrMode { kOff, kPagesWithoutText, kAllPages };
// The names of the modes as the settings and the engine request (PDFOCR) write them.
const char* OcrModeName(TOcrMode mode);
// The mode a name gives (without regard to case), or nullopt for a name that is none of them.
std::optional<TOcrMode> OcrModeOf(std::string_view name);
inline constexpr const char* kDefaultOcrLanguage = "eng";
// Whether a text is a list of Tesseract language codes: letters, digits and "_", several joined by "+",
// at most 100 characters. Each code names a file of the language data, so nothing else may pass.
bool IsOcrLanguageList(std::string_view language);

class TReportLoading {
 public:
  TReportLoading(TProcessingState& state, TUiPort& port, TLogger& logger, const platform::TFileSystem& files,
                 TEngineBridge& engine, TStatusIndicator& status)
      : state_(state), port_(port), logger_(logger), files_(files), engine_(engine), status_(status) {}

  // Sets the box "Selected PDF File" and loads what it names: a different path drops the texts of the
  // file before, and the new file's texts are loaded when it exists. The same path again does nothing.
  void SelectAndLoad(const std::string& path);
  // The operator picked a file (name only) in the browser's file list; picking the same one again
  // reloads its texts.
  void FilesClick(const std::string& fileName);
  // Extracts the texts of the selected file through the engine and shows them. The texts are taken only
  // from an OK answer (PDF1.TXT and PDF2.TXT are deleted before the request); otherwise both stay empty
  // and the state's TextLoad says why.
  void LoadContent();

  // The most bytes either text may have (PDFTEXTBYTES for the engine, and checked when reading).
  void SetTextLimit(std::int64_t bytes) { textLimit_ = bytes; }
  // Which pages the engine reads by OCR, and in which languages (Tesseract codes, "eng+deu"); PDFOCR and
  // PDFOCRLANG for the engine.
  void SetOcr(TOcrMode mode, std::string language) {
    ocrMode_ = mode;
    ocrLanguage_ = std::move(language);
  }

 private:
  void ShowTexts() { port_.ShowTexts(state_.Text1(), state_.Text2()); }

  TProcessingState& state_;
  TUiPort& port_;
  TLogger& logger_;
  const platform::TFileSystem& files_;
  TEngineBridge& engine_;
  TStatusIndicator& status_;
  std::int64_t textLimit_ = kDefaultTextLimit;
  TOcrMode ocrMode_ = TOcrMode::kPagesWithoutText;
  std::string ocrLanguage_ = kDefaultOcrLanguage;
};

}  // namespace varnholt
