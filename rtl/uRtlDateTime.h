// uRtlDateTime.h — dates and times of the run-time library: encoding and decoding, calendar
// arithmetic, FormatDateTime and the locale-driven conversions between texts and date-times.
//
// A date-time is a double: the integral part counts days since 1899-12-30, the fraction is the time of
// day (for days before that date the fraction still counts forward from midnight). Errors are ERtlError.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Clock.h"
#include "platform/Locale.h"
#include "rtl/uRtlErrors.h"

namespace varnholt::rtl {

using platform::TFormatSettings;

// Throws "Invalid argument to date encode" for a year outside 1-9999, a month outside 1-12 or a day the
// month lacks.
double EncodeDate(int year, int month, int day);
bool TryEncodeDate(int year, int month, int day, double& value);
// Throws "Invalid argument to time encode" for hour >= 24, minute or second >= 60, millisecond >= 1000.
double EncodeTime(int hour, int minute, int second, int millisecond);
bool TryEncodeTime(int hour, int minute, int second, int millisecond, double& value);

// Whether a date-time lies within the years 1-9999 once its time is rounded to the millisecond (NaN and
// infinities do not).
bool IsValidDateTime(double dateTime);
// Parts of a date-time, the time rounded to the millisecond. Outside the years 1-9999 all parts are 0.
void DecodeDate(double dateTime, std::uint16_t& year, std::uint16_t& month, std::uint16_t& day);
void DecodeTime(double dateTime, std::uint16_t& hour, std::uint16_t& minute, std::uint16_t& second,
                std::uint16_t& millisecond);

int DayOfWeek(double dateTime);  // 1 Sunday ... 7 Saturday
double IncMonth(double dateTime, int months);
bool IsLeapYear(int year);

double DateTimeOf(const platform::TLocalTime& time);
double Now();
double Date();
double Time();

// Tokens: c d dd ddd dddd ddddd dddddd m mm mmm mmmm yy yyyy h hh n nn s ss z zzz t tt am/pm a/p ampm
// / : and quoted text. "m" means minutes when the previous specifier was an hour.
std::string FormatDateTime(std::string_view picture, double dateTime, const TFormatSettings& locale);
// FormatDateTime with the settings store's older reading of pictures, kept so that the store's texts stay
// as its files have them: no picture names another (c and t are text, ddddd and longer the long day
// name, an empty picture shows nothing), "zz" is the unpadded millisecond, am/pm and a/p come out in lower
// case and put the hours on the 12-hour clock wherever they stand, quoted text included, an AM/PM marker
// leaves the last specifier as it was, and "m" after an hour is a minute only as m or mm. Every day within
// 2958466 days of 1899-12-30 is shown, years before 1 and the year 10000 included, with the numbers as
// they come ("-44"), where FormatDateTime shows 1899-12-30 outside the years 1-9999.
std::string FormatStoreDateTime(std::string_view picture, double dateTime, const TFormatSettings& locale);
std::string DateToStr(double dateTime, const TFormatSettings& locale);
std::string TimeToStr(double dateTime, const TFormatSettings& locale);
std::string DateTimeToStr(double dateTime, const TFormatSettings& locale);

// Day, month and year in the order of the short date format, separated by the date separator; a missing
// year is the current one, a year of one or two digits lies within 50 years of the current year.
// Throws "'<s>' is not a valid date".
double StrToDate(std::string_view text, const TFormatSettings& locale);
// Hour [sep minute [sep second [decimal separator millisecond]]] [AM/PM marker].
// Throws "'<s>' is not a valid time".
double StrToTime(std::string_view text, const TFormatSettings& locale);
// A date followed by an optional time, or a time alone. Throws "'<s>' is not a valid date and time".
double StrToDateTime(std::string_view text, const TFormatSettings& locale);

// The same with the current year given, for the rules that depend on it.
bool TryStrToDate(std::string_view text, const TFormatSettings& locale, int currentYear, double& value);
bool TryStrToTime(std::string_view text, const TFormatSettings& locale, double& value);
bool TryStrToDateTime(std::string_view text, const TFormatSettings& locale, int currentYear, double& value);

}  // namespace varnholt::rtl
