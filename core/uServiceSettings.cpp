// uServiceSettings.cpp — reading the window's saved settings for the headless commands.
#include "core/uServiceSettings.h"

#include <optional>

#include "core/uVarnholtCore.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "settings/uVarnholtSettings.h"

namespace varnholt {

namespace {
constexpr const char* kSection = "/fmOstrevane.rsPropSaver1/";

// The limits of the processing core, under a section of their own (the window's property list does not
// know them). A day is far beyond any real run; past it a number would only be a typing error.
struct TLimit {
  const char* path;
  const char* unit;
  std::int64_t lowest, highest, factory;
};
constexpr TLimit kLimits[] = {
    {"/Limits/ScriptSeconds", "seconds", 1, 86400, 600},
    {"/Limits/EngineSeconds", "seconds", 1, 86400, 600},
    {"/Limits/TextBytes", "bytes", 1024, 1024LL * 1024 * 1024, 16LL * 1024 * 1024},
};

// The OCR settings, under a section of their own like the limits.
constexpr const char* kOcrModePath = "/Ocr/Mode";
constexpr const char* kOcrLanguagePath = "/Ocr/Language";
constexpr const char* kOcrModeRule = "/Ocr/Mode must be Off, PagesWithoutText or AllPages";
constexpr const char* kOcrLanguageRule =
    "/Ocr/Language must be Tesseract language codes (letters, digits, _; several joined by +, such as "
    "eng+deu)";

// A key path as the store compares it: one separator, no leading one, A to Z folded.
std::string PathKey(std::string_view path) {
  std::string key;
  for (char c : path) key += c == '\\' ? '/' : c;
  while (!key.empty() && key.front() == '/') key.erase(0, 1);
  return platform::UpperCase(key);
}

const TLimit* LimitOf(std::string_view path) {
  for (const TLimit& limit : kLimits) {
    if (PathKey(limit.path) == PathKey(path)) return &limit;
  }
  return nullptr;
}

// The value of a limit, or nullopt when it is not a whole number in its range. Digits are counted before
// they are added up, so no number overflows.
std::optional<std::int64_t> LimitValue(const TLimit& limit, std::string_view text) {
  if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != std::string_view::npos) {
    return std::nullopt;
  }
  std::int64_t value = 0;
  for (const char c : text) value = value * 10 + (c - '0');
  if (value < limit.lowest || value > limit.highest) return std::nullopt;
  return value;
}

std::string RangeText(const TLimit& limit) {
  return std::string(limit.path) + " must be a whole number of " + limit.unit + " from " +
         std::to_string(limit.lowest) + " to " + std::to_string(limit.highest);
}

bool ReadFlag(TrsStorage& store, const char* name, bool factory) {
  const std::string value = store.ReadString(std::string(kSection) + name, factory ? "True" : "False");
  return platform::SameText(value, "True");
}
}  // namespace

std::string CheckSettingValue(std::string_view path, std::string_view value) {
  if (platform::HasLineBreakOrNul(value)) {
    return "Not saved: the value holds a line break (CR or LF) or NUL; a value of Varnholt.xml is one line "
           "(a password or printer name with a line break would break the PDF engine's request apart)";
  }
  if (const TLimit* limit = LimitOf(path); limit != nullptr && !LimitValue(*limit, value)) {
    return "Not saved: " + RangeText(*limit) + "; \"" + std::string(value) + "\" is not";
  }
  if (PathKey(path) == PathKey(kOcrModePath) && !OcrModeOf(value)) {
    return std::string("Not saved: ") + kOcrModeRule + "; \"" + std::string(value) + "\" is not";
  }
  if (PathKey(path) == PathKey(kOcrLanguagePath) && !IsOcrLanguageList(value)) {
    return std::string("Not saved: ") + kOcrLanguageRule + "; \"" + std::string(value) + "\" is not";
  }
  return {};
}

TServiceSettings LoadServiceSettings(const std::filesystem::path& applicationFolder) {
  TServiceSettings result;
  result.fileFound = std::filesystem::exists(applicationFolder / "Varnholt.xml");
  if (!result.fileFound) return result;
  TVarnholtSettings settings(applicationFolder);
  TrsStorage& store = settings.Storage();
  store.SetOptions(0);  // reading only: nothing is written back
  store.SetActive(true);
  TServiceSettings read = ReadServiceSettings(store);
  read.fileFound = true;
  return read;
}

TServiceSettings ReadServiceSettings(TrsStorage& store) {
  TServiceSettings result;
  const std::string section = kSection;
  result.paperPrinter = store.ReadString(section + "cbPaperPrinter.Text", "");
  result.ownerPassword = store.ReadString(section + "edOwner.Text", "");
  result.userPassword = store.ReadString(section + "edUser.Text", "");
  for (const auto& [value, name] :
       {std::pair{&result.ownerPassword, "the owner password (edOwner.Text)"},
        std::pair{&result.userPassword, "the user password (edUser.Text)"},
        std::pair{&result.paperPrinter, "the paper printer (cbPaperPrinter.Text)"}}) {
    if (platform::HasLineBreakOrNul(*value)) {
      result.problems.push_back(std::string("In Varnholt.xml ") + name +
                                " holds a line break or NUL; no engine request that carries it is sent until "
                                "it is set again");
    }
  }
  result.automatic = ReadFlag(store, "sbAutomatic.Down", false);
  TLogTypes types = 0;
  if (ReadFlag(store, "cbErrors.Checked", true)) types |= LogTypeBit(ltErr);
  if (ReadFlag(store, "cbMessages.Checked", true)) types |= LogTypeBit(ltMsg);
  if (ReadFlag(store, "cbProcedures.Checked", false)) types |= LogTypeBit(ltPrc);
  if (ReadFlag(store, "cbScript.Checked", true)) types |= LogTypeBit(ltScr);
  result.logTypes = types;
  const auto read = [&](const TLimit& limit) {
    const std::string text = store.ReadString(limit.path, "");
    if (text.empty()) return limit.factory;
    if (const auto value = LimitValue(limit, text)) return *value;
    result.problems.push_back("In Varnholt.xml " + RangeText(limit) + "; \"" + text + "\" is not, so " +
                              std::to_string(limit.factory) + " is used");
    return limit.factory;
  };
  result.restrictions = ReadRestrictions(store);
  result.scriptTimeLimit = std::chrono::seconds(read(kLimits[0]));
  result.engineTimeLimit = std::chrono::seconds(read(kLimits[1]));
  result.textLimit = read(kLimits[2]);
  if (const std::string mode = store.ReadString(kOcrModePath, ""); !mode.empty()) {
    if (const auto known = OcrModeOf(mode)) {
      result.ocrMode = *known;
    } else {
      result.problems.push_back(std::string("In Varnholt.xml ") + kOcrModeRule + "; \"" + mode +
                                "\" is not, so " + OcrModeName(result.ocrMode) + " is used");
    }
  }
  if (const std::string language = store.ReadString(kOcrLanguagePath, ""); !language.empty()) {
    if (IsOcrLanguageList(language)) {
      result.ocrLanguage = language;
    } else {
      result.problems.push_back(std::string("In Varnholt.xml ") + kOcrLanguageRule + "; \"" + language +
                                "\" is not, so " + result.ocrLanguage + " is used");
    }
  }
  return result;
}

void ApplyServiceSettings(const TServiceSettings& settings, TVarnholtCore& core) {
  core.State().SetPaperPrinter(settings.paperPrinter);
  core.State().SetPasswords(settings.ownerPassword, settings.userPassword);
  core.Action().SetScriptTimeLimit(settings.scriptTimeLimit);
  core.Engine().SetEngineTimeLimit(settings.engineTimeLimit);
  core.Loading().SetTextLimit(settings.textLimit);
  core.Loading().SetOcr(settings.ocrMode, settings.ocrLanguage);
  for (const std::string& problem : settings.problems)
    core.Log().WriteEntry(ltErr, "Varnholt", "Settings", problem);
}

}  // namespace varnholt
