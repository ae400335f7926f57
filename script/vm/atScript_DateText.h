// atScript_DateText.h — date-time values (days since 1899-12-30) broken into parts and formatted by the
// conventional date-time pictures ("dd.mm.yyyy hh:nn:ss", "c", "ddddd t", ...).
#pragma once

#include <string>
#include <string_view>

#include "platform/Locale.h"

namespace varnholt {

struct TDateTimeParts {
  int Year = 0, Month = 0, Day = 0;  // month 1-12, day 1-31
  int Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
  int DayOfWeek = 0;  // 1 Sunday .. 7 Saturday
};

// The date is the integral part (towards zero), the time of day the absolute fraction, as the
// conventional date-time type counts it. False outside the years 1 to 9999 or for NaN.
bool DecodeDateTime(double value, TDateTimeParts& parts) noexcept;

// Formats by a date-time picture; fails with EScriptValueError for a value outside the years 1-9999.
std::string FormatDateTimeText(std::string_view format, double value,
                               const platform::TFormatSettings& settings);

// The short date, and a space and the long time unless the time is exactly midnight.
std::string DateTimeToText(double value, const platform::TFormatSettings& settings);

}  // namespace varnholt
