// uRtlDateTime.cpp — the run-time date and time routines.
//
// Calendar arithmetic runs on day numbers of the proleptic Gregorian calendar; the date-time double is
// only split into parts (time rounded to the millisecond) or built from them at the edges.
#include "rtl/uRtlDateTime.h"

#include <cctype>
#include <cmath>
#include <cstdint>

#include "platform/CodePage.h"
#include "rtl/uRtlLimits.h"
#include "rtl/uRtlText.h"

namespace varnholt::rtl {

namespace {

constexpr int kMinSerial = -693593;  // 0001-01-01
constexpr int kMaxSerial = 2958465;  // 9999-12-31
constexpr std::int64_t kMsPerDay = 86400000;
constexpr int kUnixEpochSerial = 25569;  // 1970-01-01

// Days since 1970-01-01 of a Gregorian date (any year), after H. Hinnant's civil calendar algorithms.
std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(std::int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yoe + era * 400 + (month <= 2));
}

int DaysInMonth(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

struct TParts {
  bool valid = false;
  int serial = 0;  // the day
  int year = 0, month = 0, day = 0;
  int hour = 0, minute = 0, second = 0, millisecond = 0;
};

// The parts of a date-time. The time rounds to the millisecond; a time that rounds up to midnight
// moves to the next day (away from 1899-12-30 for earlier dates) rather than showing hour 24.
// With anyYear, every day within kMaxSerial + 1 of 1899-12-30 counts (see FormatStoreDateTime).
TParts Split(double dateTime, bool anyYear = false) {
  TParts parts;
  if (!std::isfinite(dateTime)) return parts;
  double day = std::trunc(dateTime);
  if (anyYear) {
    if (std::fabs(day) > kMaxSerial + 1) return parts;
  } else if (day < kMinSerial - 1 || day > kMaxSerial + 1) {
    return parts;
  }
  std::int64_t ms = std::llround(std::fabs(dateTime - day) * static_cast<double>(kMsPerDay));
  if (ms >= kMsPerDay) {
    ms = 0;
    day += dateTime < 0 ? -1 : 1;
  }
  if (!anyYear && (day < kMinSerial || day > kMaxSerial)) return parts;
  parts.valid = true;
  parts.serial = static_cast<int>(day);
  CivilFromDays(parts.serial - kUnixEpochSerial, parts.year, parts.month, parts.day);
  parts.hour = static_cast<int>(ms / 3600000);
  parts.minute = static_cast<int>(ms / 60000 % 60);
  parts.second = static_cast<int>(ms / 1000 % 60);
  parts.millisecond = static_cast<int>(ms % 1000);
  return parts;
}

// Date plus time of day; for days before 1899-12-30 the time still counts forward from midnight.
double Combine(double date, double time) {
  return date < 0 ? date - time : date + time;
}

std::string Padded(int value, int digits) {
  std::string text = std::to_string(value);
  if (static_cast<int>(text.size()) < digits) text.insert(0, digits - text.size(), '0');
  return text;
}

bool StartsWithNoCase(std::string_view text, size_t pos, std::string_view word) {
  return !word.empty() && text.size() - pos >= word.size() &&
         platform::SameText(text.substr(pos, word.size()), word);
}

class TDateTimeWriter {
 public:
  // storeRules: the settings store's reading of pictures (see FormatStoreDateTime).
  TDateTimeWriter(const TParts& parts, const TFormatSettings& locale, bool storeRules = false)
      : p_(parts), locale_(locale), store_(storeRules) {}

  std::string Text(std::string_view picture) {
    if (picture.empty() && store_) return out_;
    Write(picture.empty() ? std::string_view("c") : picture, 0);
    return out_;
  }

 private:
  // Pictures of the locale may name other pictures (see uRtlLimits.h).
  static constexpr int kMaxDepth = limits::kMaxPictureDepth;

  // An AM/PM marker anywhere in the picture, before or after the hour, puts the hour on the 12-hour clock.
  static bool HasAmPmMarker(std::string_view picture) {
    bool found = false;
    ForEachUnquoted(picture, [&](size_t i) {
      found = StartsWithNoCase(picture, i, "am/pm") || StartsWithNoCase(picture, i, "a/p") ||
              StartsWithNoCase(picture, i, "ampm");
      return !found;
    });
    return found;
  }

  // The store's rule: a marker anywhere, quoted text included.
  static bool HasAmPmAnywhere(std::string_view picture) {
    const std::string upper = platform::UpperCase(picture);
    return upper.find("AMPM") != std::string::npos || upper.find("AM/PM") != std::string::npos ||
           upper.find("A/P") != std::string::npos;
  }

  void Write(std::string_view picture, int depth) {
    if (depth > kMaxDepth) return;
    char lastToken = 0;
    size_t i = 0;
    while (i < picture.size()) {
      char c = picture[i];
      char token = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      if (c == '"' || c == '\'') {
        size_t end = picture.find(c, i + 1);
        if (end == std::string_view::npos) end = picture.size();
        out_.append(picture.substr(i + 1, end - i - 1));
        i = end + 1;
        continue;
      }
      size_t count = 1;
      while (i + count < picture.size() && std::toupper(static_cast<unsigned char>(picture[i + count])) ==
                                               static_cast<unsigned char>(token)) {
        ++count;
      }
      size_t advance = count;
      switch (token) {
        case 'C':  // a run of "c" is one specifier
          if (store_) {
            out_.append(picture.substr(i, count));
            break;
          }
          Write(locale_.ShortDateFormat, depth + 1);
          if (p_.hour != 0 || p_.minute != 0 || p_.second != 0) {
            out_ += ' ';
            Write(locale_.LongTimeFormat, depth + 1);
          }
          break;
        case 'D':
          if (count == 1) {
            out_ += std::to_string(p_.day);
          } else if (count == 2) {
            out_ += Padded(p_.day, 2);
          } else if (count == 3) {
            out_ += locale_.ShortDayNames[DayIndex()];
          } else if (count == 4 || store_) {
            out_ += locale_.LongDayNames[DayIndex()];
          } else if (count == 5) {
            Write(locale_.ShortDateFormat, depth + 1);
          } else {
            Write(locale_.LongDateFormat, depth + 1);
          }
          break;
        case 'Y':
          out_ += count <= 2 ? Padded(p_.year % 100, 2) : Padded(p_.year, 4);
          break;
        case 'M':
          if (lastToken == 'H' && (count <= 2 || !store_)) {
            out_ += count == 1 ? std::to_string(p_.minute) : Padded(p_.minute, 2);
            token = 'N';
          } else if (count == 1) {
            out_ += std::to_string(p_.month);
          } else if (count == 2) {
            out_ += Padded(p_.month, 2);
          } else if (count == 3) {
            out_ += locale_.ShortMonthNames[p_.month - 1];
          } else {
            out_ += locale_.LongMonthNames[p_.month - 1];
          }
          break;
        case 'H': {
          int hour = p_.hour;
          if (store_ ? HasAmPmAnywhere(picture) : HasAmPmMarker(picture)) {
            hour %= 12;
            if (hour == 0) hour = 12;
          }
          out_ += count == 1 ? std::to_string(hour) : Padded(hour, 2);
          break;
        }
        case 'N':
          out_ += count == 1 ? std::to_string(p_.minute) : Padded(p_.minute, 2);
          break;
        case 'S':
          out_ += count == 1 ? std::to_string(p_.second) : Padded(p_.second, 2);
          break;
        case 'Z':
          out_ += count == 1 || (store_ && count == 2) ? std::to_string(p_.millisecond)
                                                       : Padded(p_.millisecond, 3);
          break;
        case 'T':
          if (store_) {
            out_.append(picture.substr(i, count));
            break;
          }
          Write(count == 1 ? locale_.ShortTimeFormat : locale_.LongTimeFormat, depth + 1);
          break;
        case 'A':
          advance = AmPm(picture, i, count);
          // The store's markers leave the last specifier as it was ("h ampm m" is a minute).
          if (store_ && advance != count) {
            i += advance;
            continue;
          }
          break;
        case '/':
          advance = 1;
          out_ += locale_.DateSeparator;
          break;
        case ':':
          advance = 1;
          out_ += locale_.TimeSeparator;
          break;
        default:
          advance = 1;
          out_ += c;
          break;
      }
      if (token >= 'A' && token <= 'Z') lastToken = token;
      i += advance;
    }
  }

  // "am/pm" and "a/p" keep the letter case written in the picture; "ampm" takes the locale's markers.
  // The store writes them in lower case, and a run of letters that starts no marker as text.
  size_t AmPm(std::string_view picture, size_t i, size_t count) {
    bool pm = p_.hour >= 12;
    if (StartsWithNoCase(picture, i, "am/pm")) {
      out_.append(store_ ? (pm ? "pm" : "am") : picture.substr(pm ? i + 3 : i, 2));
      return 5;
    }
    if (StartsWithNoCase(picture, i, "a/p")) {
      out_ += store_ ? (pm ? 'p' : 'a') : picture[pm ? i + 2 : i];
      return 3;
    }
    if (StartsWithNoCase(picture, i, "ampm")) {
      out_ += pm ? locale_.TimePMString : locale_.TimeAMString;
      return 4;
    }
    if (store_) {
      out_.append(picture.substr(i, count));
      return count;
    }
    out_ += picture[i];
    return 1;
  }

  int DayIndex() const { return DayOfWeek(p_.serial) - 1; }

  const TParts& p_;
  const TFormatSettings& locale_;
  const bool store_;
  std::string out_;
};

// ---- parsing -------------------------------------------------------------------------------------------

class TScanner {
 public:
  explicit TScanner(std::string_view text) : text_(text) {}

  size_t pos = 0;

  void SkipSpaces() {
    while (pos < text_.size() && text_[pos] == ' ') ++pos;
  }
  bool AtEnd() const { return pos >= text_.size(); }
  bool Char(char c) {
    if (pos < text_.size() && text_[pos] == c) {
      ++pos;
      return true;
    }
    return false;
  }
  // A separator, with any spaces around it ("5 - 3 - 2024"); the position stays when none stands here.
  bool Separator(char c) {
    size_t start = pos;
    if (c != ' ') SkipSpaces();
    if (!Char(c)) {
      pos = start;
      return false;
    }
    SkipSpaces();
    return true;
  }
  bool DigitAhead() const {
    return pos < text_.size() && std::isdigit(static_cast<unsigned char>(text_[pos]));
  }
  // Up to nine digits; false when none stands here.
  bool Number(int& value, int& digits) {
    value = 0;
    digits = 0;
    while (pos < text_.size() && std::isdigit(static_cast<unsigned char>(text_[pos]))) {
      if (digits == 9) return false;
      value = value * 10 + (text_[pos++] - '0');
      ++digits;
    }
    return digits > 0;
  }
  bool Word(std::string_view word) {
    if (!StartsWithNoCase(text_, pos, word)) return false;
    pos += word.size();
    return true;
  }

 private:
  std::string_view text_;
};

// The order of day, month and year in the short date format: "DMY", "MDY" or "YMD".
std::string DateOrder(const std::string& shortDateFormat) {
  std::string order;
  for (char c : shortDateFormat) {
    char u = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if ((u == 'D' || u == 'M' || u == 'Y') && order.find(u) == std::string::npos) order += u;
  }
  if (order == "DMY" || order == "MDY" || order == "YMD") return order;
  if (order.rfind("Y", 0) == 0) return "YMD";
  if (order.rfind("D", 0) == 0) return "DMY";
  return "MDY";
}

bool ScanDate(TScanner& s, const TFormatSettings& locale, int currentYear, double& value) {
  s.SkipSpaces();
  int numbers[3] = {0, 0, 0};
  int digits[3] = {0, 0, 0};
  int count = 0;
  while (count < 3) {
    if (!s.Number(numbers[count], digits[count])) return false;
    ++count;
    if (!s.Separator(locale.DateSeparator)) break;
    // A separator may also end the date ("5.3.2024." in locales whose short format ends with one).
    if (count == 3 || !s.DigitAhead()) break;
  }
  if (count < 2) return false;
  std::string order = DateOrder(locale.ShortDateFormat);
  int year = currentYear;
  int yearDigits = 4;
  int month = 0;
  int day = 0;
  int n = 0;
  for (char part : order) {
    if (part == 'Y' && count == 2) continue;
    if (part == 'Y') {
      year = numbers[n];
      yearDigits = digits[n];
    } else if (part == 'M') {
      month = numbers[n];
    } else {
      day = numbers[n];
    }
    ++n;
  }
  if (yearDigits <= 2) {
    int pivot = currentYear - 50;
    year += pivot / 100 * 100;
    if (year < pivot) year += 100;
  }
  return TryEncodeDate(year, month, day, value);
}

bool ScanTime(TScanner& s, const TFormatSettings& locale, double& value) {
  s.SkipSpaces();
  int parts[4] = {0, 0, 0, 0};
  int digits = 0;
  if (!s.Number(parts[0], digits)) return false;
  int count = 1;
  while (count < 3 && s.Separator(locale.TimeSeparator)) {
    if (!s.Number(parts[count], digits)) return false;
    ++count;
  }
  if (count == 3 && s.Char(locale.DecimalSeparator)) {
    if (!s.Number(parts[3], digits)) return false;
  }
  size_t beforeMarker = s.pos;
  s.SkipSpaces();
  int hour = parts[0];
  bool am = s.Word(locale.TimeAMString) || s.Word("AM");
  bool pm = !am && (s.Word(locale.TimePMString) || s.Word("PM"));
  if (am || pm) {
    if (hour < 1 || hour > 12) return false;  // the 12-hour clock runs from 1 to 12
    if (am && hour == 12) hour = 0;
    if (pm && hour < 12) hour += 12;
  } else {
    s.pos = beforeMarker;
  }
  return TryEncodeTime(hour, parts[1], parts[2], parts[3], value);
}

int CurrentYear() {
  return platform::LocalNow().year;
}

}  // namespace

bool IsLeapYear(int year) {
  return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

bool TryEncodeDate(int year, int month, int day, double& value) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
    return false;
  value = static_cast<double>(DaysFromCivil(year, month, day) + kUnixEpochSerial);
  return true;
}

double EncodeDate(int year, int month, int day) {
  double value = 0;
  if (!TryEncodeDate(year, month, day, value)) throw ERtlError("Invalid argument to date encode");
  return value;
}

bool TryEncodeTime(int hour, int minute, int second, int millisecond, double& value) {
  if (hour < 0 || hour >= 24 || minute < 0 || minute >= 60 || second < 0 || second >= 60 || millisecond < 0 ||
      millisecond >= 1000) {
    return false;
  }
  std::int64_t ms = ((std::int64_t{hour} * 60 + minute) * 60 + second) * 1000 + millisecond;
  value = static_cast<double>(ms) / static_cast<double>(kMsPerDay);
  return true;
}

double EncodeTime(int hour, int minute, int second, int millisecond) {
  double value = 0;
  if (!TryEncodeTime(hour, minute, second, millisecond, value))
    throw ERtlError("Invalid argument to time encode");
  return value;
}

bool IsValidDateTime(double dateTime) {
  return Split(dateTime).valid;
}

void DecodeDate(double dateTime, std::uint16_t& year, std::uint16_t& month, std::uint16_t& day) {
  TParts p = Split(dateTime);
  year = static_cast<std::uint16_t>(p.year);
  month = static_cast<std::uint16_t>(p.month);
  day = static_cast<std::uint16_t>(p.day);
}

void DecodeTime(double dateTime, std::uint16_t& hour, std::uint16_t& minute, std::uint16_t& second,
                std::uint16_t& millisecond) {
  TParts p = Split(dateTime);
  hour = static_cast<std::uint16_t>(p.hour);
  minute = static_cast<std::uint16_t>(p.minute);
  second = static_cast<std::uint16_t>(p.second);
  millisecond = static_cast<std::uint16_t>(p.millisecond);
}

int DayOfWeek(double dateTime) {
  if (!std::isfinite(dateTime) || std::fabs(dateTime) > 1e15) return 1;
  // 1899-12-30 was a Saturday.
  std::int64_t day = static_cast<std::int64_t>(std::trunc(dateTime));
  return static_cast<int>(((day + 6) % 7 + 7) % 7) + 1;
}

double IncMonth(double dateTime, int months) {
  TParts p = Split(std::trunc(dateTime));
  if (!p.valid) throw ERtlError("Invalid argument to date encode");
  std::int64_t total = std::int64_t{p.year} * 12 + (p.month - 1) + months;
  std::int64_t year = total / 12;
  int month = static_cast<int>(total % 12) + 1;
  if (year < 1 || year > 9999) throw ERtlError("Invalid argument to date encode");
  int day = std::min(p.day, DaysInMonth(static_cast<int>(year), month));
  double time = std::fabs(dateTime - std::trunc(dateTime));
  return Combine(EncodeDate(static_cast<int>(year), month, day), time);
}

double DateTimeOf(const platform::TLocalTime& t) {
  double date = 0;
  double time = 0;
  if (!TryEncodeDate(t.year, t.month, t.day, date) ||
      !TryEncodeTime(t.hour, t.minute, t.second, t.millisecond, time)) {
    return 0;
  }
  return date + time;
}

double Now() {
  return DateTimeOf(platform::LocalNow());
}
double Date() {
  return std::trunc(Now());
}
double Time() {
  double now = Now();
  return now - std::trunc(now);
}

std::string FormatDateTime(std::string_view picture, double dateTime, const TFormatSettings& locale) {
  TParts parts = Split(dateTime);
  if (!parts.valid) {
    // Outside the calendar there is nothing sensible to show; an empty date keeps the picture's shape
    // out of reach of month and day names that do not exist.
    parts = Split(0);
  }
  return TDateTimeWriter(parts, locale).Text(picture);
}

std::string FormatStoreDateTime(std::string_view picture, double dateTime, const TFormatSettings& locale) {
  TParts parts = Split(dateTime, true);
  if (!parts.valid) parts = Split(0);
  return TDateTimeWriter(parts, locale, true).Text(picture);
}

std::string DateToStr(double dateTime, const TFormatSettings& locale) {
  return FormatDateTime("ddddd", dateTime, locale);
}

std::string TimeToStr(double dateTime, const TFormatSettings& locale) {
  return FormatDateTime("tt", dateTime, locale);
}

std::string DateTimeToStr(double dateTime, const TFormatSettings& locale) {
  return FormatDateTime("c", dateTime, locale);
}

bool TryStrToDate(std::string_view text, const TFormatSettings& locale, int currentYear, double& value) {
  TScanner s(text);
  if (!ScanDate(s, locale, currentYear, value)) return false;
  s.SkipSpaces();
  return s.AtEnd();
}

bool TryStrToTime(std::string_view text, const TFormatSettings& locale, double& value) {
  TScanner s(text);
  if (!ScanTime(s, locale, value)) return false;
  s.SkipSpaces();
  return s.AtEnd();
}

bool TryStrToDateTime(std::string_view text, const TFormatSettings& locale, int currentYear, double& value) {
  TScanner s(text);
  double date = 0;
  if (ScanDate(s, locale, currentYear, date)) {
    s.SkipSpaces();
    if (s.AtEnd()) {
      value = date;
      return true;
    }
    double time = 0;
    if (ScanTime(s, locale, time)) {
      s.SkipSpaces();
      if (s.AtEnd()) {
        value = Combine(date, time);
        return true;
      }
    }
  }
  return TryStrToTime(text, locale, value);
}

double StrToDate(std::string_view text, const TFormatSettings& locale) {
  double value = 0;
  if (!TryStrToDate(text, locale, CurrentYear(), value)) {
    throw ERtlError("'" + std::string(text) + "' is not a valid date");
  }
  return value;
}

double StrToTime(std::string_view text, const TFormatSettings& locale) {
  double value = 0;
  if (!TryStrToTime(text, locale, value)) throw ERtlError("'" + std::string(text) + "' is not a valid time");
  return value;
}

double StrToDateTime(std::string_view text, const TFormatSettings& locale) {
  double value = 0;
  if (!TryStrToDateTime(text, locale, CurrentYear(), value)) {
    throw ERtlError("'" + std::string(text) + "' is not a valid date and time");
  }
  return value;
}

}  // namespace varnholt::rtl
