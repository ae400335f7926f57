// SystemLibraryGoldenTest.cpp — every row of the run-time golden table again, this time called from a script
// through the system library, as `varnholt-cli run-script --locale rtl_locale.json` would run it: the
// arguments arrive as script values of the row's kinds, failures are caught by try-except and read back
// through LastExceptionMessage.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>

#include "rtl/uRtlDateTime.h"
#include "rtl/uRtlLocale.h"
#include "script/vm/atScript.h"
#include "script/syslib/uSystemLibrary.h"
#include "tests/rtl/RtlGoldenTable.h"

namespace varnholt::test {
namespace {

double ParseDateTime(const std::string& text) {
  int y = 0, m = 0, d = 0, h = 0, n = 0, s = 0, z = 0;
  std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d.%d", &y, &m, &d, &h, &n, &s, &z);
  return rtl::EncodeDate(y, m, d) + rtl::EncodeTime(h, n, s, z);
}

ScriptValue ValueOf(const std::string& kind, const std::string& text) {
  if (kind == "i") return ScriptValue(static_cast<std::int32_t>(std::stoi(text)));
  if (kind == "f") return ScriptValue(ParseGoldenDouble(text));
  if (kind == "c") return ScriptValue::CurrencyScaled(ParseGoldenCurrency(text));
  if (kind == "b") return ScriptValue(text == "True");
  if (kind == "dt") return ScriptValue::Date(ParseDateTime(text));
  return ScriptValue(text);
}

const char* const kStamp = "FormatDateTime('yyyy-mm-dd hh:nn:ss.zzz', ";

// The script that computes a row's text from A0, A1, ... (and Rest, the arguments after the first).
std::string ExpressionOf(const std::string& r) {
  static const std::map<std::string, std::string> kScripts = {
      {"Format", "Result := Format(A0, Rest)"},
      {"FormatFloat", "Result := FormatFloat(A0, A1)"},
      {"FloatToStr", "Result := FloatToStr(A0)"},
      {"FormatDateTime", "Result := FormatDateTime(A0, A1)"},
      {"IntToStr", "Result := IntToStr(A0)"},
      {"IntToHex", "Result := IntToHex(A0, A1)"},
      {"StrToInt", "Result := IntToStr(StrToInt(A0))"},
      {"StrToIntDef", "Result := IntToStr(StrToIntDef(A0, A1))"},
      {"StrToFloat", "Result := FloatToStr(StrToFloat(A0))"},
      {"StrToDate", std::string("Result := ") + kStamp + "StrToDate(A0))"},
      {"StrToTime", std::string("Result := ") + kStamp + "StrToTime(A0))"},
      {"StrToDateTime", std::string("Result := ") + kStamp + "StrToDateTime(A0))"},
      {"DateToStr", "Result := DateToStr(A0)"},
      {"TimeToStr", "Result := TimeToStr(A0)"},
      {"DateTimeToStr", "Result := DateTimeToStr(A0)"},
      {"EncodeDate", "Result := FloatToStr(EncodeDate(A0, A1, A2))"},
      {"EncodeTime", "Result := FloatToStr(EncodeTime(A0, A1, A2, A3))"},
      {"DecodeDate",
       "y := 0; m := 0; d := 0; DecodeDate(A0, y, m, d); Result := Format('%d %d %d', [y, m, d])"},
      {"DecodeTime",
       "h := 0; n := 0; s := 0; z := 0; DecodeTime(A0, h, n, s, z); Result := Format('%d %d %d %d', [h, n, "
       "s, z])"},
      {"DayOfWeek", "Result := IntToStr(DayOfWeek(A0))"},
      {"IncMonth", std::string("Result := ") + kStamp + "IncMonth(A0, A1))"},
      {"IsLeapYear", "Result := VarToStr(IsLeapYear(A0))"},
      {"Round", "Result := IntToStr(Round(A0))"},
      {"Trunc", "Result := IntToStr(Trunc(A0))"},
      {"Int", "Result := FloatToStr(Int(A0))"},
      {"Frac", "Result := FloatToStr(Frac(A0))"},
      {"Copy", "Result := Copy(A0, A1, A2)"},
      {"Delete", "s := A0; Delete(s, A1, A2); Result := s"},
      {"Insert", "s := A1; Insert(A0, s, A2); Result := s"},
      {"Pos", "Result := IntToStr(Pos(A0, A1))"},
      {"Trim", "Result := Trim(A0)"},
      {"TrimLeft", "Result := TrimLeft(A0)"},
      {"TrimRight", "Result := TrimRight(A0)"},
      {"UpperCase", "Result := UpperCase(A0)"},
      {"LowerCase", "Result := LowerCase(A0)"},
      {"AnsiUpperCase", "Result := AnsiUpperCase(A0)"},
      {"AnsiLowerCase", "Result := AnsiLowerCase(A0)"},
      {"CompareStr",
       "c := CompareStr(A0, A1); if c < 0 then Result := '-1' else if c > 0 then Result := '1' else "
       "Result := '0'"},
      {"CompareText",
       "c := CompareText(A0, A1); if c < 0 then Result := '-1' else if c > 0 then Result := '1' else "
       "Result := '0'"},
      {"IsValidIdent", "Result := VarToStr(IsValidIdent(A0))"},
      {"Length", "Result := IntToStr(Length(A0))"},
      {"Chr", "Result := Chr(A0)"},
      {"Ord", "Result := IntToStr(Ord(A0))"},
  };
  const auto it = kScripts.find(r);
  return it == kScripts.end() ? std::string() : it->second;
}

TEST(SystemLibraryGolden, EveryRowOfTheRunTimeTableFromAScript) {
  const platform::TFormatSettings locale =
      rtl::FormatSettingsFromJson(ReadRtlGoldenLocale(),
                                  platform::TFormatSettings::English());
  const std::vector<TRtlGoldenRow> rows = ReadRtlGoldenTable();
  ASSERT_GE(rows.size(), 300u);

  TatPascalScripter scripter;
  TatSystemLibrary* library = SystemLibraryOf(scripter);
  ASSERT_NE(library, nullptr);
  library->SetFormatSettings(locale);
  library->SetClock([] { return platform::TLocalTime{kRtlTableYear, 6, 15, 12, 0, 0, 0}; });
  std::vector<ScriptValue> args;
  for (int i = 0; i < 5; ++i) {
    scripter.RegisterValue("A" + std::to_string(i), ScriptValue::Null());
  }
  int run = 0, skipped = 0;
  for (const TRtlGoldenRow& row : rows) {
    // Script values have no 64-bit integer kind, so rows about 64-bit Format arguments cannot be written.
    bool has64 = false;
    for (const auto& a : row.args) has64 = has64 || a.kind == "I";
    const std::string body = ExpressionOf(row.routine);
    if (has64 || body.empty()) {
      ++skipped;
      continue;
    }
    args.clear();
    for (const auto& a : row.args) args.push_back(ValueOf(a.kind, a.text));
    for (std::size_t i = 0; i < 5; ++i) {
      scripter.RegisterValue("A" + std::to_string(i), i < args.size() ? args[i] : ScriptValue::Null());
    }
    std::vector<ScriptValue> rest(args.begin() + (args.empty() ? 0 : 1), args.end());
    scripter.RegisterValue("Rest", ScriptValue::ArrayOf(rest));
    scripter.SetSourceText("try\n" + body + "\nexcept\nResult := 'err:' + LastExceptionMessage\nend");
    std::string actual;
    try {
      actual = scripter.RunScript().ToText();
    } catch (const std::exception& e) {
      ADD_FAILURE() << "row: " << row.line << " -> " << e.what();
      continue;
    }
    const bool failed = actual.rfind("err:", 0) == 0;
    const std::string outcome = failed ? "err" : "ok";
    if (failed) actual.erase(0, 4);
    EXPECT_EQ(row.outcome + " [" + row.expected + "]", outcome + " [" + actual + "]") << "row: " << row.line;
    ++run;
  }
  EXPECT_GE(run, 1200);
  EXPECT_LE(skipped, 10);
}

}  // namespace
}  // namespace varnholt::test
