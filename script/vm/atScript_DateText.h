// atScript_DateText.h — the text of date-time values (days since 1899-12-30) by the conventional
// date-time pictures ("dd.mm.yyyy hh:nn:ss", "c", "ddddd t", ...), through the run-time library.
#pragma once

#include <string>
#include <string_view>

#include "platform/Locale.h"

namespace varnholt {

// Formats by a date-time picture; fails with EScriptValueError for a value outside the years 1-9999.
std::string FormatDateTimeText(std::string_view format, double value,
                               const platform::TFormatSettings& settings);

// The short date, and a space and the long time unless the time is exactly midnight.
std::string DateTimeToText(double value, const platform::TFormatSettings& settings);

}  // namespace varnholt
