// DateTextTest.cpp — date-time decoding and the date-time pictures.
#include "script/vm/atScript_DateText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "script/compiler/atScript_Errors.h"
#include "rtl/uRtlDateTime.h"

namespace varnholt {
namespace {

// The one decoder of date-time values is the run-time library's; the values' text relies on it.
TEST(DateTextTest, Decode) {
  struct TParts {
    int Year, Month, Day, Hour, Minute, Second, Millisecond, DayOfWeek;
  };
  struct TCase {
    double value;
    TParts expected;
  };
  const std::vector<TCase> cases = {
      {0, {1899, 12, 30, 0, 0, 0, 0, 7}},
      {1, {1899, 12, 31, 0, 0, 0, 0, 1}},
      {2, {1900, 1, 1, 0, 0, 0, 0, 2}},
      {36526, {2000, 1, 1, 0, 0, 0, 0, 7}},
      {45000.5, {2023, 3, 15, 12, 0, 0, 0, 4}},
      {-1.25, {1899, 12, 29, 6, 0, 0, 0, 6}},  // the time of day is the absolute fraction
      // A time that rounds to midnight is the next day, never hour 24 (FormatDateTime shows the same).
      {0.999999999999, {1899, 12, 31, 0, 0, 0, 0, 7}},
  };
  for (const TCase& c : cases) {
    ASSERT_TRUE(rtl::IsValidDateTime(c.value)) << c.value;
    std::uint16_t year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, ms = 0;
    rtl::DecodeDate(c.value, year, month, day);
    rtl::DecodeTime(c.value, hour, minute, second, ms);
    EXPECT_EQ(year, c.expected.Year) << c.value;
    EXPECT_EQ(month, c.expected.Month) << c.value;
    EXPECT_EQ(day, c.expected.Day) << c.value;
    EXPECT_EQ(hour, c.expected.Hour) << c.value;
    EXPECT_EQ(minute, c.expected.Minute) << c.value;
    EXPECT_EQ(second, c.expected.Second) << c.value;
    EXPECT_EQ(ms, c.expected.Millisecond) << c.value;
    EXPECT_EQ(rtl::DayOfWeek(c.value), c.expected.DayOfWeek) << c.value;
  }
  EXPECT_FALSE(rtl::IsValidDateTime(3e6));
  EXPECT_FALSE(rtl::IsValidDateTime(-7e5));
  EXPECT_FALSE(rtl::IsValidDateTime(std::nan("")));
  EXPECT_THROW(FormatDateTimeText("c", 3e6, platform::TFormatSettings::English()), EScriptValueError);
}

TEST(DateTextTest, Pictures) {
  const platform::TFormatSettings english = platform::TFormatSettings::English();
  platform::TFormatSettings german = english;
  german.DateSeparator = '.';
  german.ShortDateFormat = "dd/mm/yyyy";
  german.LongTimeFormat = "hh:nn:ss";
  const double when =
      45000 + (13 * 3600 + 5 * 60 + 9) / 86400.0 + 0.042 / 86400.0;  // 2023-03-15 13:05:09.042
  struct TCase {
    const char* format;
    const platform::TFormatSettings* settings;
    const char* expected;
  };
  const std::vector<TCase> cases = {
      {"yyyy-mm-dd hh:nn:ss.zzz", &english, "2023-03-15 13:05:09.042"},
      {"d/m/yy", &english, "15/3/23"},
      {"ddd dddd mmm mmmm", &english, "Wed Wednesday Mar March"},
      {"h:mm am/pm", &english, "1:05 pm"},
      {"hh:mm AM/PM", &english, "01:05 PM"},
      {"h a/p", &english, "1 p"},
      {"h ampm", &english, "1 PM"},
      {"'at' h \"o'clock\"", &english, "at 13 o'clock"},
      {"c", &english, "3/15/2023 1:05:09 PM"},
      {"c", &german, "15.03.2023 13:05:09"},
      {"ddddd", &german, "15.03.2023"},
      {"t", &english, "1:05 PM"},
      {"s z", &english, "9 42"},
      {"x", &english, "x"},
      {"'unclosed", &english, "unclosed"},
  };
  for (const TCase& c : cases)
    EXPECT_EQ(FormatDateTimeText(c.format, when, *c.settings), c.expected) << c.format;
  EXPECT_EQ(DateTimeToText(45000, english), "3/15/2023");
  EXPECT_EQ(FormatDateTimeText("hh AM/PM", 45000, english), "12 AM");
  EXPECT_THROW(DateTimeToText(1e9, english), EScriptValueError);
}

TEST(DateTextTest, NestedPicturesDoNotRecurseForever) {
  platform::TFormatSettings looping = platform::TFormatSettings::English();
  looping.ShortDateFormat = "c";
  looping.LongTimeFormat = "c";
  EXPECT_NO_THROW(FormatDateTimeText("c", 1.5, looping));
}

}  // namespace
}  // namespace varnholt
