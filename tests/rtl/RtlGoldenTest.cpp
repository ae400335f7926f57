// RtlGoldenTest.cpp — runs every row of the run-time golden table through the run-time routines.
//
// The table (tests/data/rtl/rtl_golden.tsv) and its locale (rtl_locale.json) come from Free Pascal's
// run-time library through tests/rtl/rtl_oracle/generate.py; rows marked "ours" hold our own
// expectation where we differ from it on purpose.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "rtl/uRtlDateTime.h"
#include "rtl/uRtlFormat.h"
#include "rtl/uRtlLocale.h"
#include "rtl/uRtlMath.h"
#include "rtl/uRtlText.h"
#include "tests/rtl/RtlGoldenTable.h"

namespace varnholt::rtl {
namespace {

using test::kRtlTableYear;
using test::ParseGoldenCurrency;
using test::ParseGoldenDouble;
using TArg = test::TRtlGoldenArg;
using TRow = test::TRtlGoldenRow;

// "yyyy-mm-dd[ hh:nn:ss[.zzz]]"
double ParseDateTime(const std::string& text) {
  int y = 0, m = 0, d = 0, h = 0, n = 0, s = 0, z = 0;
  std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d.%d", &y, &m, &d, &h, &n, &s, &z);
  return EncodeDate(y, m, d) + EncodeTime(h, n, s, z);
}

int Int(const TArg& arg) {
  return std::stoi(arg.text);
}

TFormatArg FormatArgOf(const TArg& arg) {
  if (arg.kind == "i") return TFormatArg::OfInteger(std::stoi(arg.text));
  if (arg.kind == "f") return TFormatArg::OfFloat(ParseGoldenDouble(arg.text));
  if (arg.kind == "c") return TFormatArg::OfCurrency(ParseGoldenCurrency(arg.text));
  if (arg.kind == "s") return TFormatArg::OfText(arg.text);
  if (arg.kind == "b") return TFormatArg::OfBoolean(arg.text == "True");
  if (arg.kind == "dt") return TFormatArg::OfFloat(ParseDateTime(arg.text));
  return TFormatArg::OfIllegal();  // "I": 64-bit integers
}

std::string BoolText(bool value) {
  return value ? "True" : "False";
}

std::string Stamp(double value, const TFormatSettings& locale) {
  return FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", value, locale);
}

std::string RunRow(const TRow& row, const TFormatSettings& locale) {
  const std::vector<TArg>& a = row.args;
  auto text = [&](size_t i) { return a.at(i).text; };
  auto number = [&](size_t i) { return ParseGoldenDouble(a.at(i).text); };
  auto date = [&](size_t i) { return ParseDateTime(a.at(i).text); };
  auto parsed = [&](auto tryParse, const char* what) {
    double value = 0;
    if (!tryParse(value)) throw ERtlError("'" + text(0) + "' is not a valid " + what);
    return Stamp(value, locale);
  };
  const std::string& r = row.routine;
  if (r == "Format") {
    std::vector<TFormatArg> args;
    for (size_t i = 1; i < a.size(); ++i) args.push_back(FormatArgOf(a[i]));
    return Format(text(0), args, locale);
  }
  if (r == "FormatFloat") return FormatFloat(text(0), number(1), locale);
  if (r == "FloatToStr") return FloatToStr(number(0), locale);
  if (r == "FormatDateTime") return FormatDateTime(text(0), date(1), locale);
  if (r == "IntToStr") return IntToStr(Int(a[0]));
  if (r == "IntToHex") return IntToHex(Int(a[0]), Int(a[1]));
  if (r == "StrToInt") return IntToStr(StrToInt(text(0)));
  if (r == "StrToIntDef") return IntToStr(StrToIntDef(text(0), Int(a[1])));
  if (r == "StrToFloat") return FloatToStr(StrToFloat(text(0), locale), locale);
  if (r == "StrToDate") {
    return parsed([&](double& v) { return TryStrToDate(text(0), locale, kRtlTableYear, v); }, "date");
  }
  if (r == "StrToTime") return parsed([&](double& v) { return TryStrToTime(text(0), locale, v); }, "time");
  if (r == "StrToDateTime") {
    return parsed([&](double& v) { return TryStrToDateTime(text(0), locale, kRtlTableYear, v); },
                  "date and time");
  }
  if (r == "DateToStr") return DateToStr(date(0), locale);
  if (r == "TimeToStr") return TimeToStr(date(0), locale);
  if (r == "DateTimeToStr") return DateTimeToStr(date(0), locale);
  if (r == "EncodeDate") return FloatToStr(EncodeDate(Int(a[0]), Int(a[1]), Int(a[2])), locale);
  if (r == "EncodeTime") return FloatToStr(EncodeTime(Int(a[0]), Int(a[1]), Int(a[2]), Int(a[3])), locale);
  if (r == "DecodeDate") {
    std::uint16_t y, m, d;
    DecodeDate(date(0), y, m, d);
    return std::to_string(y) + " " + std::to_string(m) + " " + std::to_string(d);
  }
  if (r == "DecodeTime") {
    std::uint16_t h, n, s, z;
    DecodeTime(date(0), h, n, s, z);
    return std::to_string(h) + " " + std::to_string(n) + " " + std::to_string(s) + " " + std::to_string(z);
  }
  if (r == "DayOfWeek") return std::to_string(DayOfWeek(date(0)));
  if (r == "IncMonth") return Stamp(IncMonth(date(0), Int(a[1])), locale);
  if (r == "IsLeapYear") return BoolText(IsLeapYear(Int(a[0])));
  if (r == "Round") return IntToStr(Round(number(0)));
  if (r == "Trunc") return IntToStr(Trunc(number(0)));
  if (r == "Int") return FloatToStr(rtl::Int(number(0)), locale);
  if (r == "Frac") return FloatToStr(Frac(number(0)), locale);
  if (r == "Copy") return Copy(text(0), Int(a[1]), Int(a[2]));
  if (r == "Delete") {
    std::string s = text(0);
    Delete(s, Int(a[1]), Int(a[2]));
    return s;
  }
  if (r == "Insert") {
    std::string s = text(1);
    Insert(text(0), s, Int(a[2]));
    return s;
  }
  if (r == "Pos") return std::to_string(Pos(text(0), text(1)));
  if (r == "Trim") return Trim(text(0));
  if (r == "TrimLeft") return TrimLeft(text(0));
  if (r == "TrimRight") return TrimRight(text(0));
  if (r == "UpperCase") return UpperCase(text(0));
  if (r == "LowerCase") return LowerCase(text(0));
  if (r == "AnsiUpperCase") return AnsiUpperCase(text(0));
  if (r == "AnsiLowerCase") return AnsiLowerCase(text(0));
  auto sign = [](int v) { return std::to_string((v > 0) - (v < 0)); };
  if (r == "CompareStr") return sign(CompareStr(text(0), text(1)));
  if (r == "CompareText") return sign(CompareText(text(0), text(1)));
  if (r == "IsValidIdent") return BoolText(IsValidIdent(text(0)));
  if (r == "Length") return std::to_string(text(0).size());
  if (r == "Chr") return Chr(Int(a[0]));
  if (r == "Ord") return std::to_string(Ord(text(0)));
  ADD_FAILURE() << "no routine " << r;
  return "";
}

TEST(RtlGolden, EveryRowMatches) {
  const TFormatSettings locale = FormatSettingsFromJson(
      test::ReadRtlGoldenLocale(), TFormatSettings::English());
  const std::vector<TRow> rows = test::ReadRtlGoldenTable();
  ASSERT_GE(rows.size(), 300u);
  std::map<std::string, int> perRoutine;
  for (const TRow& row : rows) {
    std::string outcome = "ok";
    std::string actual;
    try {
      actual = RunRow(row, locale);
    } catch (const ERtlError& e) {
      outcome = "err";
      actual = e.what();
    }
    EXPECT_EQ(row.outcome + " [" + row.expected + "]", outcome + " [" + actual + "]") << "row: " << row.line;
    ++perRoutine[row.routine];
  }
  // Every family of the table is present, so a truncated table cannot pass unnoticed.
  for (const char* routine :
       {"Format", "FormatFloat", "FloatToStr", "FormatDateTime", "StrToInt", "StrToFloat", "StrToDate",
        "StrToTime", "IncMonth", "Round", "Copy", "Delete", "Insert"}) {
    EXPECT_GT(perRoutine[routine], 0) << routine;
  }
}

}  // namespace
}  // namespace varnholt::rtl
