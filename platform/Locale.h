// Locale.h — the date, time, number and currency conventions that the script routines format with.
//
// One settings object, with the conventional field names, filled from the C library's locale at
// start and replaceable as a whole (tests and `run-script --locale` set their own).
#pragma once

#include <array>
#include <string>

namespace varnholt::platform {

struct TFormatSettings {
  char DecimalSeparator = '.';
  char ThousandSeparator = ',';
  char DateSeparator = '/';
  char TimeSeparator = ':';
  std::string ShortDateFormat = "m/d/yyyy";
  std::string LongDateFormat = "dddd, mmmm d, yyyy";
  std::string ShortTimeFormat = "h:nn AMPM";
  std::string LongTimeFormat = "h:nn:ss AMPM";
  std::string TimeAMString = "AM";
  std::string TimePMString = "PM";
  std::string CurrencyString = "$";
  int CurrencyFormat = 0;  // 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $"
  int NegCurrFormat = 0;   // 0 "($1)" ... 15, the conventional table
  int CurrencyDecimals = 2;
  std::array<std::string, 12> ShortMonthNames{};
  std::array<std::string, 12> LongMonthNames{};
  std::array<std::string, 7> ShortDayNames{};  // from Sunday
  std::array<std::string, 7> LongDayNames{};   // from Sunday

  // The English (United States) conventions, the settings of a machine without a locale.
  static TFormatSettings English();
};

// The conventions of the C library's locale (the user's environment), texts in the system code page.
TFormatSettings FormatSettingsFromCLocale();

// The process-wide settings: filled from the C library's locale on first use.
const TFormatSettings& FormatSettings();
void SetFormatSettings(const TFormatSettings& settings);

// Converts a C library date or time format ("%d.%m.%Y", "%H:%M:%S") into the conventional notation
// ("dd.mm.yyyy", "hh:nn:ss").
std::string ConvertStrftimeFormat(const std::string& format);

}  // namespace varnholt::platform
