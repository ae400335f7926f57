// uServiceSettings.h — the settings a program without a window takes from Varnholt.xml: the paper printer,
// the PDF passwords, the log filter and the state of the Automatic button, read without changing the file.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>

#include "logging/uLogger.h"

namespace varnholt {

struct TServiceSettings {
  std::string paperPrinter;
  std::string ownerPassword, userPassword;
  bool automatic = false;
  // The record types the log keeps: Sys always, the others as the log page's filter boxes say.
  TLogTypes logTypes = LogTypeBit(ltErr) | LogTypeBit(ltMsg) | LogTypeBit(ltScr);
  // How long one action run and one engine request may take before they are stopped.
  std::chrono::milliseconds scriptTimeLimit = std::chrono::minutes(10);
  std::chrono::milliseconds engineTimeLimit = std::chrono::minutes(10);
  bool fileFound = false;
};

// Reads the settings file of the application folder; a missing file gives the factory values. A file that
// cannot be read throws with a message naming the problem.
TServiceSettings LoadServiceSettings(const std::filesystem::path& applicationFolder);

class TVarnholtCore;
// Gives a core the paper printer, the passwords and the time limits of the settings.
void ApplyServiceSettings(const TServiceSettings& settings, TVarnholtCore& core);

}  // namespace varnholt
