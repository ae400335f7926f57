// uTextFunctions.h — the text routines that action scripts use to cut values out of PDF text.
//
// Searches fold the letters a-z to A-Z only; results are cut from the searched text unchanged and, for
// nearly every routine, trimmed of spaces, tabs and line breaks at both ends. The building blocks write
// their own Prc records ("TrimAll", "Between", "Token") each time they run.
#pragma once

#include <string>
#include <string_view>

#include "logging/uLogger.h"

namespace varnholt {

// True for TAB, LF, CR and space: the only characters trimming removes.
constexpr bool IsTrimChar(char c) { return c == '\t' || c == '\n' || c == '\r' || c == ' '; }

// Removes trim characters at both ends (the end first, then the start); writes the Prc record "TrimAll".
std::string TrimAll(TLogger& log, std::string_view text);
// The same without a record, for callers that trim as part of their own work.
std::string_view TrimmedView(std::string_view text);

}  // namespace varnholt
