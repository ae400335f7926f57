// LocaleTest.cpp — the locale settings object and the conversion of C library formats.
#include "platform/Locale.h"

#include <gtest/gtest.h>

namespace varnholt::platform {
namespace {

TEST(Locale, ConvertsCLibraryFormatsToTheConventionalNotation) {
  struct Case {
    const char* strftime;
    const char* conventional;
  };
  const Case cases[] = {
      {"%d.%m.%Y", "dd.mm.yyyy"},          {"%m/%d/%y", "mm/dd/yy"},     {"%Y-%m-%d", "yyyy-mm-dd"},
      {"%H:%M:%S", "hh:nn:ss"},            {"%I:%M:%S %p", "hh:nn:ss AMPM"}, {"%T", "hh:nn:ss"},
      {"%e de %B de %Y", "d \"de\" mmmm \"de\" yyyy"}, {"%-d/%-m/%Y", "d/m/yyyy"}, {"%H:%M:%S %Z", "hh:nn:ss"},
      {"%a %b %e", "ddd mmm d"},           {"100%%", "100%"},
  };
  for (const auto& c : cases) EXPECT_EQ(ConvertStrftimeFormat(c.strftime), c.conventional) << c.strftime;
}

TEST(Locale, TheCLocaleGivesEnglishNamesAndSeparators) {
  // The tests run with LC_ALL=C.UTF-8.
  const TFormatSettings s = FormatSettingsFromCLocale();
  EXPECT_EQ(s.DecimalSeparator, '.');
  EXPECT_EQ(s.DateSeparator, '/');
  EXPECT_EQ(s.TimeSeparator, ':');
  EXPECT_EQ(s.ShortDateFormat, "mm/dd/yy");
  EXPECT_EQ(s.LongTimeFormat, "hh:nn:ss");
  EXPECT_EQ(s.ShortTimeFormat, "hh:nn");
  EXPECT_EQ(s.LongMonthNames[0], "January");
  EXPECT_EQ(s.ShortDayNames[0], "Sun");
  EXPECT_EQ(s.LongDayNames[6], "Saturday");
}

TEST(Locale, TheProcessWideSettingsCanBeReplaced) {
  TFormatSettings german = TFormatSettings::English();
  german.DecimalSeparator = ',';
  german.ShortDateFormat = "dd.mm.yyyy";
  german.LongMonthNames[2] = "M\xE4rz";
  SetFormatSettings(german);
  EXPECT_EQ(FormatSettings().DecimalSeparator, ',');
  EXPECT_EQ(FormatSettings().LongMonthNames[2], "M\xE4rz");
  SetFormatSettings(FormatSettingsFromCLocale());
  EXPECT_EQ(FormatSettings().DecimalSeparator, '.');
}

}  // namespace
}  // namespace varnholt::platform
