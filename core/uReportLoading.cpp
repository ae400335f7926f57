// uReportLoading.cpp — selecting a file and loading its texts.
#include "core/uReportLoading.h"

#include <algorithm>
#include <vector>

#include "hostlib/uDestinationNames.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/Process.h"

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

// The value of KEY= among the answer's key lines, or "" when it has none.
std::string AnswerKey(const std::vector<std::string>& keys, const std::string& key) {
  for (const std::string& line : keys) {
    if (line.size() > key.size() && line[key.size()] == '=' &&
        platform::SameText(line.substr(0, key.size()), key)) {
      return line.substr(key.size() + 1);
    }
  }
  return {};
}

// A whole number from 0 to highest, or -1.
int SmallNumber(const std::string& text, int highest) {
  if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos) return -1;
  const int value = std::stoi(text);
  return value <= highest ? value : -1;
}

}  // namespace

const char* OcrModeName(TOcrMode mode) {
  switch (mode) {
    case TOcrMode::kOff:
      return "Off";
    case TOcrMode::kAllPages:
      return "AllPages";
    case TOcrMode::kPagesWithoutText:
      break;
  }
  return "PagesWithoutText";
}

std::optional<TOcrMode> OcrModeOf(std::string_view name) {
  for (const TOcrMode mode : {TOcrMode::kOff, TOcrMode::kPagesWithoutText, TOcrMode::kAllPages}) {
    if (platform::SameText(name, OcrModeName(mode))) return mode;
  }
  return std::nullopt;
}

bool IsOcrLanguageList(std::string_view language) {
  if (language.empty() || language.size() > 100) return false;
  bool inCode = false;
  for (const char c : language) {
    if (c == '+') {
      if (!inCode) return false;
      inCode = false;
    } else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_') {
      inCode = true;
    } else {
      return false;
    }
  }
  return inCode;
}

void TReportLoading::FilesClick(const std::string& fileName) {
  logger_.WriteProc(kObject, "FilesClick");
  status_.SwitchAutomaticOff();
  logger_.WriteEntry(ltMsg, kObject, "FilesClick", "File", state_.SelectedFile());
  // Clearing first makes picking the same file again a change, which reloads its texts.
  SelectAndLoad("");
  SelectAndLoad(JoinPath(state_.BrowserFolder(), fileName));
  status_.UpdateStatus();
}

void TReportLoading::SelectAndLoad(const std::string& path) {
  if (!state_.Select(path)) return;
  port_.ShowSelectedFile(path);
  ShowTexts();
  if (files_.FileExists(path)) LoadContent();
}

void TReportLoading::LoadContent() {
  logger_.WriteEntry(ltSys, kObject, "LoadContent", "Memory Usage",
                     std::to_string(platform::WorkingSetSize()));
  logger_.WriteProc(kObject, "LoadContent");
  const std::string file = state_.SelectedFile();
  logger_.WriteEntry(ltMsg, kObject, "LoadContent", "File", file);
  TBusyCursor busy(port_);
  if (!files_.FileExists(file)) {
    // The texts are gone, so no file's texts are loaded any more.
    state_.DropTexts();
    ShowTexts();
    logger_.WriteEntry(ltErr, kObject, "LoadContent", "Missing File", file);
    return;
  }
  state_.BeginTextLoad();
  ShowTexts();
  // The texts are read under the same turn as the request, before another request can replace them.
  const TEngineBridge::TEngineTurn turn(engine_, "EXTRACT");
  if (!turn) {
    state_.DropTexts();  // no load was made
    state_.TextLoadFailed(TTextLoad::kFailed, "The PDF engine's turn did not come");
    return;
  }
  // Whatever the engine does, the texts of the report before must not be taken for this one's.
  for (const char* name : {"PDF1.TXT", "PDF2.TXT"}) {
    const auto path = state_.ApplicationFolder() / name;
    platform::DeleteFile(path);
    if (platform::FileExists(path)) {
      const std::string why = std::string("Cannot delete the old ") + name + " before the extraction";
      logger_.WriteEntry(ltErr, kObject, "LoadContent", why, file);
      state_.TextLoadFailed(TTextLoad::kFailed, why);
      status_.EmergencyStop();
      return;
    }
  }
  TEngineRequest request{"EXTRACT",
                         {"PDFFILE=" + file, "PDFTEXTBYTES=" + std::to_string(textLimit_),
                          std::string("PDFOCR=") + OcrModeName(ocrMode_), "PDFOCRLANG=" + ocrLanguage_}};
  if (engine_.EngineTimeLimit().count() > 0) {
    const auto seconds = std::chrono::ceil<std::chrono::seconds>(engine_.EngineTimeLimit()).count();
    request.keys.push_back("PDFSECONDS=" + std::to_string(seconds));
  }
  const TEngineAnswer answer = engine_.ExecPDF(request);
  if (answer.outcome != TEngineOutcome::kOk) {
    state_.TextLoadFailed(
        answer.outcome == TEngineOutcome::kUnreadable ? TTextLoad::kUnreadable : TTextLoad::kFailed,
        answer.message);
    return;
  }
  std::string texts[2];
  for (int i = 0; i < 2; ++i) {
    const char* name = i == 0 ? "PDF1.TXT" : "PDF2.TXT";
    const auto path = state_.ApplicationFolder() / name;
    bool tooLong = false;
    // An engine may leave a file out for an empty text.
    if (platform::FileExists(path)) {
      if (const platform::TStatus status = ReadExchangeText(path, textLimit_, texts[i], tooLong); !status) {
        logger_.WriteEntry(ltErr, kObject, "LoadContent", status.Message(), file);
        state_.TextLoadFailed(TTextLoad::kFailed, status.Message());
        status_.EmergencyStop();
        return;
      }
    }
    if (tooLong) {
      // An engine that does not know the limit is held to it here.
      const std::string why = std::string("The text in ") + name + " is longer than the limit of " +
                              std::to_string(textLimit_) + " bytes (/Limits/TextBytes)";
      state_.TextLoadFailed(TTextLoad::kUnreadable, why);
      logger_.WriteEntry(ltErr, kObject, "LoadContent", "Text Too Long", why);
      return;
    }
    logger_.WriteEntry(ltMsg, kObject, "LoadContent", "Text Length", std::to_string(texts[i].size()));
  }
  // An engine that read pages by OCR says how many and how sure it was; the script may ask the same.
  int ocrConfidence = -1;
  const int ocrPages = SmallNumber(AnswerKey(answer.keys, "OCRPAGES"), 1 << 30);
  if (ocrPages > 0) {
    ocrConfidence = std::max(0, SmallNumber(AnswerKey(answer.keys, "OCRCONFIDENCE"), 100));
    logger_.WriteEntry(ltMsg, kObject, "LoadContent", "Text From OCR",
                       "mean confidence " + std::to_string(ocrConfidence) + ", " + std::to_string(ocrPages) +
                           (ocrPages == 1 ? " page" : " pages"));
  }
  state_.TextsLoaded(std::move(texts[0]), std::move(texts[1]), ocrConfidence);
  ShowTexts();
}

}  // namespace varnholt
