// atScript_DateText.cpp — decoding of date-time values, and their text through the system library's
// formatter.
#include "script/vm/atScript_DateText.h"

#include <chrono>
#include <cmath>

#include "script/compiler/atScript_Errors.h"
#include "script/rtl/uSystemLibrary_DateTime.h"
#include "script/rtl/uSystemLibrary_Errors.h"

namespace varnholt {

namespace {

// Day 0 of the date-time type (1899-12-30) counted from the Unix epoch.
constexpr long kDaysBeforeUnixEpoch = 25569;
constexpr double kMsPerDay = 86400000.0;
// 0001-01-01 and 9999-12-31 in date-time days.
constexpr double kFirstDay = -693593.0;
constexpr double kLastDay = 2958466.0;

}  // namespace

bool DecodeDateTime(double value, TDateTimeParts& parts) noexcept {
  if (std::isnan(value) || value <= kFirstDay - 1 || value >= kLastDay) return false;
  const double whole = std::trunc(value);
  double ms = std::round(std::fabs(value - whole) * kMsPerDay);
  // A fraction a hair below the next day must not show 24:00:00.
  if (ms >= kMsPerDay) ms = kMsPerDay - 1;
  const long days = static_cast<long>(whole);
  const std::chrono::sys_days date{std::chrono::days{days - kDaysBeforeUnixEpoch}};
  const std::chrono::year_month_day ymd{date};
  parts.Year = static_cast<int>(ymd.year());
  parts.Month = static_cast<int>(static_cast<unsigned>(ymd.month()));
  parts.Day = static_cast<int>(static_cast<unsigned>(ymd.day()));
  parts.DayOfWeek = static_cast<int>(std::chrono::weekday{date}.c_encoding()) + 1;
  long rest = static_cast<long>(ms);
  parts.Millisecond = static_cast<int>(rest % 1000);
  rest /= 1000;
  parts.Second = static_cast<int>(rest % 60);
  rest /= 60;
  parts.Minute = static_cast<int>(rest % 60);
  parts.Hour = static_cast<int>(rest / 60);
  return parts.Year >= 1 && parts.Year <= 9999;
}

std::string FormatDateTimeText(std::string_view format, double value,
                               const platform::TFormatSettings& settings) {
  TDateTimeParts parts;
  if (!DecodeDateTime(value, parts)) {
    throw EScriptValueError("Could not convert variant of type (Date) into type (String)");
  }
  // The system library's FormatDateTime is the one formatter of date-time pictures.
  try {
    return rtl::FormatDateTime(format, value, settings);
  } catch (const rtl::ERtlError& e) {
    throw EScriptValueError(e.what());
  }
}

std::string DateTimeToText(double value, const platform::TFormatSettings& settings) {
  return FormatDateTimeText("c", value, settings);
}

}  // namespace varnholt
