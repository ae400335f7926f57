// uServiceSettings.h — the settings a program without a window takes from Varnholt.xml: the paper printer,
// the PDF passwords, the log filter, the state of the Automatic button and the limits, read without
// changing the file; and the check of a value before it is written there.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/uAccessControl.h"
#include "core/uReportLoading.h"
#include "logging/uLogger.h"

namespace varnholt {

struct TServiceSettings {
  std::string paperPrinter;
  std::string ownerPassword, userPassword;
  bool automatic = false;
  // The record types the log keeps: Sys always, the others as the log page's filter boxes say.
  TLogTypes logTypes = LogTypeBit(ltErr) | LogTypeBit(ltMsg) | LogTypeBit(ltScr);
  // How long one action run and one engine request may take before they are stopped, and the most bytes
  // either text of a report may have.
  std::chrono::milliseconds scriptTimeLimit = std::chrono::minutes(10);
  std::chrono::milliseconds engineTimeLimit = std::chrono::minutes(10);
  std::int64_t textLimit = 16LL * 1024 * 1024;
  // Which pages of a report are read by OCR, and in which languages.
  TOcrMode ocrMode = TOcrMode::kPagesWithoutText;
  std::string ocrLanguage = kDefaultOcrLanguage;
  // The administrator-only switches of the Security page.
  TRestrictions restrictions;
  bool fileFound = false;
  // What was wrong in the file (a limit out of its range, a password with a line break); each is written
  // as an Err record when the settings are applied.
  std::vector<std::string> problems;
};

// Reads the settings file of the application folder; a missing file gives the factory values. A file that
// cannot be read throws with a message naming the problem. A limit out of its range is a problem and its
// default is used; a password or printer with a line break or NUL is a problem and is kept as it is, so
// that the engine bridge refuses every request that would carry it.
TServiceSettings LoadServiceSettings(const std::filesystem::path& applicationFolder);

class TrsStorage;
// The same from a store that is loaded already (the window's own), so that both read it alike.
TServiceSettings ReadServiceSettings(TrsStorage& store);

class TVarnholtCore;
// Gives a core the paper printer, the passwords and the limits of the settings, and writes the problems
// found in the file as Err records.
void ApplyServiceSettings(const TServiceSettings& settings, TVarnholtCore& core);

// Whether a value may be stored under a key path of Varnholt.xml: empty when it may, else the reason.
// No value may hold CR, LF or NUL (a value is one line wherever it goes); the limits must be whole
// numbers in their range; the OCR mode one of its names, the OCR language a list of language codes.
std::string CheckSettingValue(std::string_view path, std::string_view value);

}  // namespace varnholt
