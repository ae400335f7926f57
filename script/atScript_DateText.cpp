// atScript_DateText.cpp — decoding and picture formatting of date-time values.
#include "script/atScript_DateText.h"

#include <chrono>
#include <cmath>
#include <cstdio>

#include "platform/CodePage.h"
#include "script/atScript_Errors.h"

namespace varnholt {

namespace {

// Day 0 of the date-time type (1899-12-30) counted from the Unix epoch.
constexpr long kDaysBeforeUnixEpoch = 25569;
constexpr double kMsPerDay = 86400000.0;
// 0001-01-01 and 9999-12-31 in date-time days.
constexpr double kFirstDay = -693593.0;
constexpr double kLastDay = 2958466.0;

void AppendNumber(std::string& out, int value, int minDigits) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%0*d", minDigits, value);
  out += buf;
}

size_t RunLength(std::string_view format, size_t pos, char lower) {
  size_t end = pos;
  while (end < format.size() && platform::AsciiLower(format[end]) == lower) ++end;
  return end - pos;
}

bool StartsWithNoCase(std::string_view text, size_t pos, std::string_view prefix) {
  return text.size() - pos >= prefix.size() && platform::SameText(text.substr(pos, prefix.size()), prefix);
}

// Whether the picture holds a 12-hour marker, which turns h and hh into the 12-hour clock.
bool HasAmPm(std::string_view format) {
  for (size_t i = 0; i < format.size(); ++i) {
    if (StartsWithNoCase(format, i, "am/pm") || StartsWithNoCase(format, i, "a/p") ||
        StartsWithNoCase(format, i, "ampm")) {
      return true;
    }
  }
  return false;
}

class TDateFormatter {
 public:
  TDateFormatter(const TDateTimeParts& parts, bool hasTime, const platform::TFormatSettings& settings)
      : parts_(parts), hasTime_(hasTime), settings_(settings) {}

  void Format(std::string_view format, std::string& out, int depth) {
    // Nested pictures (c, ddddd, t) come from the settings; two levels are all they can need.
    if (depth > 2) return;
    const bool twelveHour = HasAmPm(format);
    bool afterHour = false;
    size_t i = 0;
    while (i < format.size()) {
      const char c = format[i];
      const char lower = platform::AsciiLower(c);
      if (c == '"' || c == '\'') {
        const size_t close = format.find(c, i + 1);
        const size_t end = close == std::string_view::npos ? format.size() : close;
        out.append(format.substr(i + 1, end - i - 1));
        i = close == std::string_view::npos ? format.size() : close + 1;
        continue;
      }
      switch (lower) {
        case 'c':
          Format(settings_.ShortDateFormat, out, depth + 1);
          if (hasTime_) {
            out += ' ';
            Format(settings_.LongTimeFormat, out, depth + 1);
          }
          ++i;
          break;
        case 'd': {
          const size_t n = RunLength(format, i, 'd');
          if (n == 1)
            AppendNumber(out, parts_.Day, 1);
          else if (n == 2)
            AppendNumber(out, parts_.Day, 2);
          else if (n == 3)
            out += settings_.ShortDayNames[parts_.DayOfWeek - 1];
          else if (n == 4)
            out += settings_.LongDayNames[parts_.DayOfWeek - 1];
          else if (n == 5)
            Format(settings_.ShortDateFormat, out, depth + 1);
          else
            Format(settings_.LongDateFormat, out, depth + 1);
          i += n > 6 ? 6 : n;
          afterHour = false;
          break;
        }
        case 'm': {
          size_t n = RunLength(format, i, 'm');
          if (n > 4) n = 4;
          if (afterHour && n <= 2) {
            AppendNumber(out, parts_.Minute, static_cast<int>(n));
          } else if (n <= 2) {
            AppendNumber(out, parts_.Month, static_cast<int>(n));
          } else if (n == 3) {
            out += settings_.ShortMonthNames[parts_.Month - 1];
          } else {
            out += settings_.LongMonthNames[parts_.Month - 1];
          }
          i += n;
          afterHour = false;
          break;
        }
        case 'y': {
          const size_t n = RunLength(format, i, 'y');
          if (n <= 2)
            AppendNumber(out, parts_.Year % 100, 2);
          else
            AppendNumber(out, parts_.Year, 4);
          i += n;
          afterHour = false;
          break;
        }
        case 'h': {
          const size_t n = RunLength(format, i, 'h');
          int hour = parts_.Hour;
          if (twelveHour) {
            hour %= 12;
            if (hour == 0) hour = 12;
          }
          AppendNumber(out, hour, n >= 2 ? 2 : 1);
          i += n >= 2 ? 2 : 1;
          afterHour = true;
          break;
        }
        case 'n': {
          const size_t n = RunLength(format, i, 'n');
          AppendNumber(out, parts_.Minute, n >= 2 ? 2 : 1);
          i += n >= 2 ? 2 : 1;
          break;
        }
        case 's': {
          const size_t n = RunLength(format, i, 's');
          AppendNumber(out, parts_.Second, n >= 2 ? 2 : 1);
          i += n >= 2 ? 2 : 1;
          break;
        }
        case 'z': {
          const size_t n = RunLength(format, i, 'z');
          AppendNumber(out, parts_.Millisecond, n >= 3 ? 3 : 1);
          i += n >= 3 ? 3 : 1;
          break;
        }
        case 't': {
          const size_t n = RunLength(format, i, 't');
          Format(n >= 2 ? settings_.LongTimeFormat : settings_.ShortTimeFormat, out, depth + 1);
          i += n >= 2 ? 2 : 1;
          break;
        }
        case 'a':
          i += FormatAmPm(format, i, out);
          break;
        case '/':
          out += settings_.DateSeparator;
          ++i;
          break;
        case ':':
          out += settings_.TimeSeparator;
          ++i;
          break;
        default:
          out += c;
          ++i;
          break;
      }
    }
  }

 private:
  // Writes a 12-hour marker starting at pos and returns its length; a lone 'a' is copied.
  size_t FormatAmPm(std::string_view format, size_t pos, std::string& out) const {
    const bool pm = parts_.Hour >= 12;
    if (StartsWithNoCase(format, pos, "am/pm")) {
      // Written in the case of the picture's own marker letter.
      const bool upper = format[pos + (pm ? 3 : 0)] == 'A' || format[pos + (pm ? 3 : 0)] == 'P';
      out += pm ? (upper ? "PM" : "pm") : (upper ? "AM" : "am");
      return 5;
    }
    if (StartsWithNoCase(format, pos, "a/p")) {
      const char marker = format[pos + (pm ? 2 : 0)];
      const bool upper = marker == 'A' || marker == 'P';
      out += pm ? (upper ? 'P' : 'p') : (upper ? 'A' : 'a');
      return 3;
    }
    if (StartsWithNoCase(format, pos, "ampm")) {
      out += pm ? settings_.TimePMString : settings_.TimeAMString;
      return 4;
    }
    out += format[pos];
    return 1;
  }

  const TDateTimeParts& parts_;
  bool hasTime_;
  const platform::TFormatSettings& settings_;
};

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
  const bool hasTime = parts.Hour != 0 || parts.Minute != 0 || parts.Second != 0 || parts.Millisecond != 0;
  std::string out;
  TDateFormatter(parts, hasTime, settings).Format(format, out, 0);
  return out;
}

std::string DateTimeToText(double value, const platform::TFormatSettings& settings) {
  return FormatDateTimeText("c", value, settings);
}

}  // namespace varnholt
