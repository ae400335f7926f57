// RtlTest.cpp — the run-time routines beyond the golden table: the documented edge cases, every error
// text, the English conventions, currency patterns, code page 1252 casing, the locale file and input
// that must fail cleanly instead of misbehaving.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "rtl/uRtlDateTime.h"
#include "rtl/uRtlFormat.h"
#include "rtl/uRtlLocale.h"
#include "rtl/uRtlMath.h"
#include "rtl/uRtlText.h"

namespace varnholt::rtl {
namespace {

const TFormatSettings& English() {
  static const TFormatSettings settings = TFormatSettings::English();
  return settings;
}

std::string ErrorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const ERtlError& e) {
    return e.what();
  }
  return "(no error)";
}

std::string FormatOf(std::string_view format, std::vector<TFormatArg> args,
                     const TFormatSettings& s = English()) {
  return Format(format, args, s);
}

TEST(RtlArithmetic, RoundsTiesToEvenAndCutsTowardsZero) {
  struct {
    double x;
    std::int64_t round, trunc;
    double intPart, fracPart;
  } cases[] = {
      {2.5, 2, 2, 2.0, 0.5},
      {3.5, 4, 3, 3.0, 0.5},
      {-2.5, -2, -2, -2.0, -0.5},
      {-1.7, -2, -1, -1.0, -0.7},
      {0.49999999999999994, 0, 0, 0.0, 0.49999999999999994},
      {4503599627370497.0, 4503599627370497, 4503599627370497, 4503599627370497.0, 0.0},
      {-0.5, 0, 0, 0.0, -0.5},
      {1e15 + 0.5, 1000000000000000, 1000000000000000, 1e15, 0.5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.x);
    EXPECT_EQ(Round(c.x), c.round);
    EXPECT_EQ(Trunc(c.x), c.trunc);
    EXPECT_DOUBLE_EQ(Int(c.x), c.intPart);
    EXPECT_NEAR(Frac(c.x), c.fracPart, 1e-15);
  }
}

TEST(RtlArithmetic, NonFiniteAndHugeValuesFailInsteadOfWrapping) {
  for (double x :
       {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(), -1e19, 1e300}) {
    EXPECT_EQ(ErrorOf([&] { Round(x); }), "Invalid floating point operation") << x;
    EXPECT_EQ(ErrorOf([&] { Trunc(x); }), "Invalid floating point operation") << x;
  }
}

TEST(RtlArithmetic, RandomFollowsTheConventionalSequenceFromSeedZero) {
  TRandomGenerator generator;
  EXPECT_EQ(generator.Next(), std::ldexp(1.0, -32));
  EXPECT_EQ(generator.Next(), 134775814.0 * std::ldexp(1.0, -32));
  // seed 134775814 * 134775813 + 1 mod 2^32
  const std::uint32_t third = 134775814u * 134775813u + 1u;
  EXPECT_EQ(generator.Next(), third * std::ldexp(1.0, -32));
  for (int i = 0; i < 1000; ++i) {
    double value = generator.Next();
    ASSERT_GE(value, 0.0);
    ASSERT_LT(value, 1.0);
  }
  // The process-wide sequence starts the same way; no other test in this program draws from it.
  EXPECT_EQ(Random(), std::ldexp(1.0, -32));
  EXPECT_EQ(Random(), 134775814.0 * std::ldexp(1.0, -32));
}

TEST(RtlText, CopyDeleteInsertPosClipPositions) {
  EXPECT_EQ(Copy("abcdef", 0, 2), "ab");
  EXPECT_EQ(Copy("abc", 4, 1), "");
  EXPECT_EQ(Copy("abc", 2, 100), "bc");
  EXPECT_EQ(Copy("abc", std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max()),
            "abc");
  EXPECT_EQ(Copy("abc", std::numeric_limits<std::int64_t>::max(), 1), "");

  struct {
    std::int64_t index, count;
    const char* result;
  } deletes[] = {{3, 2, "abef"},   {7, 1, "abcdef"},      {0, 2, "abcdef"},
                 {1, 0, "abcdef"}, {4, 1LL << 40, "abc"}, {1, std::numeric_limits<std::int64_t>::max(), ""}};
  for (const auto& d : deletes) {
    std::string s = "abcdef";
    Delete(s, d.index, d.count);
    EXPECT_EQ(s, d.result) << d.index << " " << d.count;
  }

  std::string s = "abc";
  Insert("X", s, 10);
  EXPECT_EQ(s, "abcX");
  Insert("Y", s, std::numeric_limits<std::int64_t>::min());
  EXPECT_EQ(s, "YabcX");
  Insert("", s, 2);
  EXPECT_EQ(s, "YabcX");

  EXPECT_EQ(Pos("", "abc"), 0);
  EXPECT_EQ(Pos("b", "abcb"), 2);
  EXPECT_EQ(Pos("b", ""), 0);
}

TEST(RtlText, CharactersAndIdentifiers) {
  EXPECT_EQ(Ord("5"), 53);
  EXPECT_EQ(Ord("\xE9"), 0xE9);  // bytes count unsigned
  EXPECT_EQ(Chr(321), "A");
  EXPECT_EQ(Chr(-1), "\xFF");
  EXPECT_TRUE(IsValidIdent("_a1"));
  EXPECT_FALSE(IsValidIdent("\xE9t\xE9"));        // only ASCII letters
  EXPECT_EQ(Trim("\x01\x20x\x7F\x20"), "x\x7F");  // DEL is above 32 and stays
}

TEST(RtlText, AnsiCasingCoversCodePage1252AndAsciiCasingDoesNot) {
  EXPECT_EQ(AnsiUpperCase("stra\xDF"
                          "e \xE4\xF6\xFC\xE9 \x9A\xFF"),
            "STRA\xDF"
            "E \xC4\xD6\xDC\xC9 \x8A\x9F");
  EXPECT_EQ(AnsiLowerCase("\xC4\xD6\xDC"), "\xE4\xF6\xFC");
  EXPECT_EQ(UpperCase("\xE4x"), "\xE4X");
  EXPECT_EQ(LowerCase("\xC4X"), "\xC4x");
}

TEST(RtlText, ComparisonsOrderAsDocumented) {
  EXPECT_LT(CompareStr("A", "a"), 0);
  EXPECT_GT(CompareStr("\xE9", "z"), 0);  // bytes compare unsigned
  EXPECT_EQ(CompareText("abc", "ABC"), 0);
  EXPECT_EQ(AnsiCompareText("\xE9t\xE9", "\xC9T\xC9"), 0);
  EXPECT_EQ(AnsiCompareText("b", "A"), 1);
  // Collation: by letter first, then a lower-case letter before its capital.
  EXPECT_EQ(AnsiCompareStr("a", "A"), -1);
  EXPECT_EQ(AnsiCompareStr("A", "b"), -1);
  EXPECT_EQ(AnsiCompareStr("B", "a"), 1);
  EXPECT_EQ(AnsiCompareStr("same", "same"), 0);
}

TEST(RtlConvert, StrToIntFollowsTheDocumentedGrammar) {
  EXPECT_EQ(StrToInt(" $1F"), 31);
  EXPECT_EQ(StrToInt("-0x80000000"), std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(StrToIntDef("x", 7), 7);
  EXPECT_EQ(StrToIntDef("99999999999999999999999", 7), 7);
  EXPECT_EQ(ErrorOf([] { StrToInt("12 "); }), "'12 ' is not a valid integer value");
  EXPECT_EQ(IntToHex(255, 4), "00FF");
  EXPECT_EQ(IntToHex(std::numeric_limits<std::int32_t>::min(), 0), "80000000");
}

TEST(RtlConvert, ErrorTextsAreExact) {
  struct {
    std::function<void()> call;
    const char* message;
  } cases[] = {
      {[] { StrToInt("abc"); }, "'abc' is not a valid integer value"},
      {[] { StrToFloat("1,5", English()); }, "'1,5' is not a valid floating point value"},
      {[] { StrToDate("31/31/2024", English()); }, "'31/31/2024' is not a valid date"},
      {[] { StrToTime("25:00", English()); }, "'25:00' is not a valid time"},
      {[] { StrToDateTime("1/1/2024 x", English()); }, "'1/1/2024 x' is not a valid date and time"},
      {[] { EncodeDate(2023, 2, 29); }, "Invalid argument to date encode"},
      {[] { EncodeDate(10000, 1, 1); }, "Invalid argument to date encode"},
      {[] { EncodeTime(0, 0, 0, 1000); }, "Invalid argument to time encode"},
      {[] { EncodeTime(-1, 0, 0, 0); }, "Invalid argument to time encode"},
      {[] { IncMonth(EncodeDate(9999, 12, 1), 1); }, "Invalid argument to date encode"},
      {[] { FormatOf("%d", {TFormatArg::OfText("x")}); },
       "Format '%d' invalid or incompatible with argument"},
      {[] { FormatOf("%s", {TFormatArg::OfIllegal()}); }, "Illegal argument to Format function"},
  };
  for (const auto& c : cases) EXPECT_EQ(ErrorOf(c.call), c.message);
}

TEST(RtlFormat, ArgumentKindsFollowTheDocumentedRules) {
  EXPECT_EQ(FormatOf("%s=%d", {TFormatArg::OfText("Name"), TFormatArg::OfInteger(5)}), "Name=5");
  EXPECT_EQ(FormatOf("%s", {TFormatArg::OfWideText("wide")}), "wide");
  // An illegal element fails the call even when no specifier uses it.
  EXPECT_EQ(ErrorOf([] { FormatOf("plain", {TFormatArg::OfIllegal()}); }), kIllegalFormatArgumentMessage);
  // No specifier accepts a boolean.
  for (const char* f : {"%d", "%s", "%x", "%f", "%u", "%m", "%g", "%e", "%n", "%p"}) {
    EXPECT_EQ(ErrorOf([&] { FormatOf(f, {TFormatArg::OfBoolean(true)}); }),
              std::string("Format '") + f + "' invalid or incompatible with argument");
  }
  // Currency is exact, including beyond what a double holds.
  EXPECT_EQ(FormatOf("%.4f", {TFormatArg::OfCurrency(9223372036854775807)}), "922337203685477.5807");
  EXPECT_EQ(FormatOf("%m", {TFormatArg::OfCurrency(-12345000)}), "($1,234.50)");
}

TEST(RtlFormat, EnglishMoneyAndNegativeCurrencyPatterns) {
  const char* expected[] = {"($1.50)", "-$1.50",  "$-1.50",   "$1.50-",  "(1.50$)", "-1.50$",
                            "1.50-$",  "1.50$-",  "-1.50 $",  "-$ 1.50", "1.50 $-", "$ 1.50-",
                            "$ -1.50", "1.50- $", "($ 1.50)", "(1.50 $)"};
  TFormatSettings s = English();
  for (int i = 0; i < 16; ++i) {
    s.NegCurrFormat = i;
    EXPECT_EQ(FormatOf("%m", {TFormatArg::OfFloat(-1.5)}, s), expected[i]) << i;
  }
  const char* positive[] = {"$1.50", "1.50$", "$ 1.50", "1.50 $"};
  for (int i = 0; i < 4; ++i) {
    s.CurrencyFormat = i;
    EXPECT_EQ(FormatOf("%m", {TFormatArg::OfFloat(1.5)}, s), positive[i]) << i;
  }
}

TEST(RtlFormat, OversizedFieldsAndOddSpecifiersStayBounded) {
  std::string wide = FormatOf("%999999999d", {TFormatArg::OfInteger(1)});
  EXPECT_LE(wide.size(), 100000u);
  EXPECT_EQ(wide.back(), '1');
  EXPECT_EQ(FormatOf("%*d", {TFormatArg::OfInteger(-5), TFormatArg::OfInteger(1)}), "1");
  EXPECT_EQ(ErrorOf([] { FormatOf("%99999999999:d", {TFormatArg::OfInteger(1)}); }),
            "Format '%99999999999:d' invalid or incompatible with argument");
  EXPECT_EQ(ErrorOf([] { FormatOf("%5", {TFormatArg::OfInteger(1)}); }),
            "Format '%5' invalid or incompatible with argument");
}

TEST(RtlFormat, NonFiniteNumbersHaveATextForm) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(FloatToStr(nan, English()), "NAN");
  EXPECT_EQ(FloatToStr(-inf, English()), "-INF");
  EXPECT_EQ(FormatFloat("0.00", inf, English()), "INF");
  EXPECT_EQ(FormatOf("%8.2f|", {TFormatArg::OfFloat(inf)}), "     INF|");
}

TEST(RtlFormat, FloatTextsUseTheLocaleSeparators) {
  TFormatSettings s = English();
  s.DecimalSeparator = ',';
  s.ThousandSeparator = ' ';
  EXPECT_EQ(FormatFloat("#,##0.00", 1234567.891, s), "1 234 567,89");
  EXPECT_EQ(FloatToStr(0.5, s), "0,5");
  EXPECT_EQ(StrToFloat("0,5", s), 0.5);
  EXPECT_EQ(ErrorOf([&] { StrToFloat("0.5", s); }), "'0.5' is not a valid floating point value");
  EXPECT_EQ(FormatFloat("", 1.5, s), "1,5");
}

TEST(RtlFormat, ZeroInScientificFormKeepsItsMantissa) {
  const struct {
    const char* picture;
    const char* expected;
  } rows[] = {{"#.###E-0", "0E0"}, {"#E+00", "0E+00"}, {"0.0E+0", "0.0E+0"}, {"##0.##E-0", "0E0"}};
  for (const auto& row : rows)
    EXPECT_EQ(FormatFloat(row.picture, 0.0, English()), row.expected) << row.picture;
}

TEST(RtlDateTime, DocumentedCalendarFacts) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
  EXPECT_EQ(DayOfWeek(0.0), 7);
  EXPECT_EQ(DayOfWeek(-0.5), 7);  // the day of a date-time is its integral part
  EXPECT_EQ(DayOfWeek(EncodeDate(1, 1, 1)), 2);
  EXPECT_EQ(IncMonth(EncodeDate(2024, 1, 31), 1), EncodeDate(2024, 2, 29));
  EXPECT_EQ(IncMonth(EncodeDate(2023, 1, 31) + 0.25, 1), EncodeDate(2023, 2, 28) + 0.25);
  std::uint16_t y, m, d;
  DecodeDate(1e12, y, m, d);
  EXPECT_EQ(y + m + d, 0);
  DecodeDate(std::numeric_limits<double>::quiet_NaN(), y, m, d);
  EXPECT_EQ(y + m + d, 0);
}

TEST(RtlDateTime, TimeRoundingUpToMidnightMovesToTheNextDay) {
  const double almost = EncodeDate(2024, 2, 29) + 0.9999999999;
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", almost, English()), "2024-03-01 00:00:00.000");
  std::uint16_t h, n, s, z;
  DecodeTime(almost, h, n, s, z);
  EXPECT_EQ(h, 0);
  // Before 1899-12-30 the time of day still counts forward from midnight.
  const double before = EncodeDate(1899, 12, 29) - 0.75;
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn", before, English()), "1899-12-29 18:00");
  double parsed = 0;
  ASSERT_TRUE(TryStrToDateTime("12/29/1899 6:00 PM", English(), 2026, parsed));
  EXPECT_DOUBLE_EQ(parsed, before);
}

TEST(RtlDateTime, EnglishConventions) {
  const double dt = EncodeDate(2024, 3, 5) + EncodeTime(13, 4, 5, 7);
  struct {
    const char* picture;
    const char* text;
  } cases[] = {
      {"c", "3/5/2024 1:04:05 PM"},
      {"ddddd", "3/5/2024"},
      {"dddddd", "Tuesday, March 5, 2024"},
      {"t", "1:04 PM"},
      {"tt", "1:04:05 PM"},
      {"ddd mmm", "Tue Mar"},
      {"", "3/5/2024 1:04:05 PM"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatDateTime(c.picture, dt, English()), c.text) << c.picture;
  EXPECT_EQ(DateTimeToStr(EncodeDate(2024, 3, 5), English()), "3/5/2024");
  EXPECT_EQ(TimeToStr(EncodeTime(0, 0, 0, 0), English()), "12:00:00 AM");
  EXPECT_EQ(StrToDate("3/5/2024", English()), EncodeDate(2024, 3, 5));
  EXPECT_EQ(StrToTime("1:04 pm", English()), EncodeTime(13, 4, 0, 0));
  EXPECT_EQ(StrToTime("12:30 AM", English()), EncodeTime(0, 30, 0, 0));
  EXPECT_EQ(ErrorOf([] { StrToTime("13:00 PM", English()); }), "'13:00 PM' is not a valid time");
}

TEST(RtlDateTime, TwoDigitAndMissingYearsFollowTheCurrentYear) {
  struct {
    const char* text;
    int currentYear;
    double expected;
  } cases[] = {
      {"3/5/24", 2026, EncodeDate(2024, 3, 5)}, {"3/5/76", 2026, EncodeDate(1976, 3, 5)},
      {"3/5/75", 2026, EncodeDate(2075, 3, 5)}, {"3/5/99", 2080, EncodeDate(2099, 3, 5)},
      {"3/5", 2026, EncodeDate(2026, 3, 5)},    {"3/5/0024", 2026, EncodeDate(24, 3, 5)},
  };
  for (const auto& c : cases) {
    double value = 0;
    ASSERT_TRUE(TryStrToDate(c.text, English(), c.currentYear, value)) << c.text;
    EXPECT_EQ(value, c.expected) << c.text;
  }
  double value = 0;
  EXPECT_FALSE(TryStrToDate("3", English(), 2026, value));
  EXPECT_FALSE(TryStrToDate("3/5/2024/1", English(), 2026, value));
  EXPECT_FALSE(TryStrToDate("99999999999/1/1", English(), 2026, value));
}

TEST(RtlDateTime, SelfReferringLocalePicturesTerminate) {
  TFormatSettings s = English();
  s.ShortDateFormat = "c ddddd";
  s.LongTimeFormat = "tt c";
  std::string text = FormatDateTime("c", EncodeDate(2024, 3, 5) + 0.5, s);
  EXPECT_FALSE(text.empty());
  EXPECT_LT(text.size(), 10000u);
}

TEST(RtlLocale, JsonFieldsReplaceOnlyWhatTheyName) {
  TFormatSettings s = FormatSettingsFromJson(
      R"({"DecimalSeparator": ",", "LongMonthNames": ["Januar","Februar","März","April","Mai","Juni","Juli",
          "August","September","Oktober","November","Dezember"], "NegCurrFormat": 8})",
      English());
  EXPECT_EQ(s.DecimalSeparator, ',');
  EXPECT_EQ(s.LongMonthNames[2], "M\xE4rz");  // UTF-8 in the file, 1252 inside
  EXPECT_EQ(s.NegCurrFormat, 8);
  EXPECT_EQ(s.ThousandSeparator, English().ThousandSeparator);
  EXPECT_EQ(s.ShortDayNames[0], "Sun");
}

TEST(RtlLocale, BadJsonFailsWithTheFieldNamed) {
  struct {
    const char* json;
    const char* message;
  } cases[] = {
      {"{", "Locale settings are not valid JSON"},
      {"[1]", "Locale settings must be a JSON object"},
      {R"({"DecimalSeparator": ",,"})", "Locale setting DecimalSeparator: exactly one character is expected"},
      {R"({"DateSeparator": 1})", "Locale setting DateSeparator: a text is expected"},
      {R"({"NegCurrFormat": 16})", "Locale setting NegCurrFormat: must lie between 0 and 15"},
      {R"({"CurrencyFormat": 1.5})", "Locale setting CurrencyFormat: a whole number is expected"},
      {R"({"ShortDayNames": ["a"]})", "Locale setting ShortDayNames: a list of 7 texts is expected"},
      {R"({"Decimalseparator": "."})", "Locale setting Decimalseparator: unknown field"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ErrorOf([&] { FormatSettingsFromJson(c.json, English()); }), c.message) << c.json;
  }
}

// The settings store's rules, side by side with the script's: each row is a case where they part.
TEST(RtlStoreRules, StoreDatePicturesReadTheOlderWay) {
  const double evening = EncodeDate(2023, 3, 15) + EncodeTime(18, 0, 0, 7);
  struct {
    const char* picture;
    const char* script;
    const char* store;
  } rows[] = {
      {"", "3/15/2023 6:00:00 PM", ""},
      {"c", "3/15/2023 6:00:00 PM", "c"},
      {"t", "6:00 PM", "t"},
      {"ddddd", "3/15/2023", "Wednesday"},
      {"zz", "007", "7"},
      {"AM/PM hh", "PM 06", "pm 06"},
      {"'am/pm' hh", "am/pm 18", "am/pm 06"},
      {"hh:mmm", "18:00", "18:Mar"},
      {"h ampm m", "6 PM 3", "6 PM 0"},
      {"aampm", "aPM", "aa3p3"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(FormatDateTime(row.picture, evening, English()), row.script) << row.picture;
    EXPECT_EQ(FormatStoreDateTime(row.picture, evening, English()), row.store) << row.picture;
  }
  // Outside the years 1-9999 the store still shows the calendar's date, the year -17 as it comes.
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd", -700000, English()), "1899-12-30");
  EXPECT_EQ(FormatStoreDateTime("yyyy-mm-dd", -700000, English()), "0-17-06-18");
  EXPECT_EQ(FormatStoreDateTime("yyyy-mm-dd", 2958466, English()), "10000-01-01");
}

TEST(RtlStoreRules, GeneralFormatChoicesAndCurrency) {
  const TGeneralFormat store{.ExactTiesToEven = true, .SmallestFixedExponent = -4};
  EXPECT_EQ(FloatToText(0.00001, 15, '.'), "0.00001");
  EXPECT_EQ(FloatToText(0.00001, 15, '.', store), "1E-5");
  EXPECT_EQ(FloatToText(12345678901234.25, 15, '.'), "12345678901234.3");
  EXPECT_EQ(FloatToText(12345678901234.25, 15, '.', store), "12345678901234.2");
  EXPECT_EQ(CurrencyToText(-1234500, ','), "-123,45");
  EXPECT_EQ(CurrencyToText(std::numeric_limits<std::int64_t>::min(), '.'), "-922337203685477.5808");
}

}  // namespace
}  // namespace varnholt::rtl
