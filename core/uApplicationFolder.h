// uApplicationFolder.h — what a fresh application folder needs before the first report arrives: the queue
// folder C:\PDF and the action script file, started from the standard script.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/Status.h"

namespace varnholt {

inline constexpr const char* kScriptFileName = "Varnholt.PS";

// Creates C:\PDF (drive folder included) and, when Varnholt.PS is missing or holds nothing but blanks,
// writes the standard script into it. Gives the script to run in script.
platform::TStatus PrepareApplicationFolder(const std::filesystem::path& applicationFolder,
                                           std::vector<std::string>& script);

}  // namespace varnholt
