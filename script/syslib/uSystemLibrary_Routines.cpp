// uSystemLibrary_Routines.cpp — the system library's handlers for text, conversion and formatting, dates
// and times, arithmetic, and value arrays: each reads its script values and calls the run-time routine.
#include <cmath>
#include <vector>

#include "rtl/uRtlDateTime.h"
#include "rtl/uRtlFormat.h"
#include "rtl/uRtlMath.h"
#include "rtl/uRtlText.h"
#include "script/syslib/uSystemLibrary.h"
#include "script/syslib/uSystemLibrary_Bind.h"

namespace varnholt {

namespace {

using syslib::ArgInt64;
using syslib::IntegerResult;
using TLib = TatSystemLibrary;
using TVm = TatCallContext;

[[noreturn]] void Fail(const std::string& message) {
  throw rtl::ERtlError(message);
}

void Text(TVm& vm, std::string value) {
  vm.SetResult(ScriptValue(std::move(value)));
}
void Int(TVm& vm, std::int32_t value) {
  vm.SetResult(ScriptValue(value));
}
void Real(TVm& vm, double value) {
  vm.SetResult(ScriptValue(value));
}
void When(TVm& vm, double value) {
  vm.SetResult(ScriptValue::Date(value));
}
void Bool(TVm& vm, bool value) {
  vm.SetResult(ScriptValue(value));
}

// One element of Format's array by its kind; the kinds without a formatting meaning are refused as a whole.
rtl::TFormatArg FormatArgOf(const ScriptValue& element) {
  const ScriptValue& v = element.Deref();
  switch (v.Kind()) {
    case TValueKind::Smallint:
    case TValueKind::Integer:
    case TValueKind::Byte:
      return rtl::TFormatArg::OfInteger(v.RawInteger());
    case TValueKind::Single:
      return rtl::TFormatArg::OfFloat(v.RawSingle());
    case TValueKind::Double:
    case TValueKind::Date:
      return rtl::TFormatArg::OfFloat(v.RawDouble());
    case TValueKind::Currency:
      return rtl::TFormatArg::OfCurrency(v.RawCurrency());
    case TValueKind::String:
      return rtl::TFormatArg::OfText(std::string(v.TextView()));
    case TValueKind::OleStr:
      return rtl::TFormatArg::OfWideText(v.ToText());
    case TValueKind::Boolean:
      return rtl::TFormatArg::OfBoolean(v.RawInteger() != 0);
    default:
      return rtl::TFormatArg::OfIllegal();
  }
}

void FormatHandler(TLib& lib, TVm& vm) {
  const ScriptValue& list = vm.ArgValue(1);
  if (!list.IsArray() || list.ArrayDimCount() != 1) Fail(rtl::kFormatVectorMessage);
  std::vector<rtl::TFormatArg> args;
  args.reserve(list.ArrayItems().size());
  for (const ScriptValue& element : list.ArrayItems()) args.push_back(FormatArgOf(element));
  Text(vm, rtl::Format(vm.ArgString(0), args, lib.Locale()));
}

void VarArrayCreateHandler(TLib&, TVm& vm) {
  const ScriptValue& bounds = vm.ArgValue(0);
  if (!bounds.IsArray() || bounds.ArrayDimCount() != 1) Fail("Invalid array dimension");
  const auto items = bounds.ArrayItems();
  if (items.empty() || items.size() % 2 != 0) Fail("Invalid array dimension");
  std::vector<TArrayBound> shape;
  for (std::size_t i = 0; i + 1 < items.size(); i += 2) {
    shape.push_back({items[i].Deref().ToHostInteger(), items[i + 1].Deref().ToHostInteger()});
  }
  const std::int32_t type = vm.ArgInteger(1);
  vm.SetResult(ScriptValue::Array(shape, static_cast<TValueKind>(type)));
}

void SetOfHandler(TLib&, TVm& vm) {
  const ScriptValue& v = vm.ArgValue(0);
  if (v.IsArray() && v.ArrayDimCount() == 1) {
    std::uint32_t bits = 0;
    // The bit number wraps like a 32-bit shift count, so negative elements stay defined.
    for (const ScriptValue& element : v.ArrayItems()) bits |= 1u << (element.Deref().ToHostInteger() & 31);
    Int(vm, static_cast<std::int32_t>(bits));
    return;
  }
  Int(vm, vm.ArgInteger(0));
}

void DecodeDateHandler(TLib&, TVm& vm) {
  std::uint16_t y = 0, m = 0, d = 0;
  rtl::DecodeDate(vm.ArgDateTime(0), y, m, d);
  vm.SetArgRef(1, ScriptValue(static_cast<std::int32_t>(y)));
  vm.SetArgRef(2, ScriptValue(static_cast<std::int32_t>(m)));
  vm.SetArgRef(3, ScriptValue(static_cast<std::int32_t>(d)));
}

void DecodeTimeHandler(TLib&, TVm& vm) {
  std::uint16_t h = 0, n = 0, s = 0, z = 0;
  rtl::DecodeTime(vm.ArgDateTime(0), h, n, s, z);
  vm.SetArgRef(1, ScriptValue(static_cast<std::int32_t>(h)));
  vm.SetArgRef(2, ScriptValue(static_cast<std::int32_t>(n)));
  vm.SetArgRef(3, ScriptValue(static_cast<std::int32_t>(s)));
  vm.SetArgRef(4, ScriptValue(static_cast<std::int32_t>(z)));
}

// The text conversions read the current year (two-digit years, a missing year) from the library's clock.
void StrToDateHandler(TLib& lib, TVm& vm) {
  const std::string s = vm.ArgString(0);
  double value = 0.0;
  if (!rtl::TryStrToDate(s, lib.Locale(), lib.LocalNow().year, value))
    Fail("'" + s + "' is not a valid date");
  When(vm, value);
}

void StrToTimeHandler(TLib& lib, TVm& vm) {
  const std::string s = vm.ArgString(0);
  double value = 0.0;
  if (!rtl::TryStrToTime(s, lib.Locale(), value)) Fail("'" + s + "' is not a valid time");
  When(vm, value);
}

void StrToDateTimeHandler(TLib& lib, TVm& vm) {
  const std::string s = vm.ArgString(0);
  double value = 0.0;
  if (!rtl::TryStrToDateTime(s, lib.Locale(), lib.LocalNow().year, value)) {
    Fail("'" + s + "' is not a valid date and time");
  }
  When(vm, value);
}

void IncDec(TVm& vm, std::uint32_t step) {
  // 32-bit wrap-around, as the integer the variable stands for.
  const std::uint32_t value = static_cast<std::uint32_t>(vm.ArgInteger(0)) + step;
  vm.SetArgRef(0, ScriptValue(static_cast<std::int32_t>(value)));
}

const TatSystemRoutine kValueRoutines[] = {
    // Text
    {"UpperCase",
     1,
     dtText,
     0,
     [](TLib&, TVm& vm) { Text(vm, rtl::UpperCase(vm.ArgString(0))); },
     {},
     "S: string"},
    {"LowerCase",
     1,
     dtText,
     0,
     [](TLib&, TVm& vm) { Text(vm, rtl::LowerCase(vm.ArgString(0))); },
     {},
     "S: string"},
    {"AnsiUpperCase",
     1,
     dtText,
     0,
     [](TLib&, TVm& vm) { Text(vm, rtl::AnsiUpperCase(vm.ArgString(0))); },
     {},
     "S: string"},
    {"AnsiLowerCase",
     1,
     dtText,
     0,
     [](TLib&, TVm& vm) { Text(vm, rtl::AnsiLowerCase(vm.ArgString(0))); },
     {},
     "S: string"},
    {"CompareStr",
     2,
     dtInteger,
     0,
     [](TLib&, TVm& vm) { Int(vm, rtl::CompareStr(vm.ArgString(0), vm.ArgString(1))); },
     {},
     "S1, S2: string"},
    {"CompareText",
     2,
     dtInteger,
     0,
     [](TLib&, TVm& vm) { Int(vm, rtl::CompareText(vm.ArgString(0), vm.ArgString(1))); },
     {},
     "S1, S2: string"},
    {"AnsiCompareStr",
     2,
     dtInteger,
     0,
     [](TLib&, TVm& vm) { Int(vm, rtl::AnsiCompareStr(vm.ArgString(0), vm.ArgString(1))); },
     {},
     "S1, S2: string"},
    {"AnsiCompareText",
     2,
     dtInteger,
     0,
     [](TLib&, TVm& vm) { Int(vm, rtl::AnsiCompareText(vm.ArgString(0), vm.ArgString(1))); },
     {},
     "S1, S2: string"},
    {"Trim", 1, dtText, 0, [](TLib&, TVm& vm) { Text(vm, rtl::Trim(vm.ArgString(0))); }, {}, "S: string"},
    {"TrimLeft",
     1,
     dtText,
     0,
     [](TLib&, TVm& vm) { Text(vm, rtl::TrimLeft(vm.ArgString(0))); },
     {},
     "S: string"},
    {"TrimRight",
     1,
     dtText,
     0,
     [](TLib&, TVm& vm) { Text(vm, rtl::TrimRight(vm.ArgString(0))); },
     {},
     "S: string"},
    {"IsValidIdent",
     1,
     dtInteger,
     0,
     [](TLib&, TVm& vm) { Bool(vm, rtl::IsValidIdent(vm.ArgString(0))); },
     {},
     "S: string"},
    {"Copy",
     3,
     dtText,
     0,
     [](TLib&, TVm& vm) { Text(vm, rtl::Copy(vm.ArgString(0), ArgInt64(vm, 1), ArgInt64(vm, 2))); },
     {},
     "S: string; Index, Count: integer"},
    {"Delete",
     3,
     dtNone,
     ByRef(0),
     [](TLib&, TVm& vm) {
       std::string s = vm.ArgString(0);
       rtl::Delete(s, ArgInt64(vm, 1), ArgInt64(vm, 2));
       vm.SetArgRef(0, ScriptValue(s));
     },
     {},
     "var S: string; Index, Count: integer"},
    {"Insert",
     3,
     dtNone,
     ByRef(1),
     [](TLib&, TVm& vm) {
       std::string s = vm.ArgString(1);
       rtl::Insert(vm.ArgString(0), s, ArgInt64(vm, 2));
       vm.SetArgRef(1, ScriptValue(s));
     },
     {},
     "Source: string; var S: string; Index: integer"},
    {"Pos",
     2,
     dtInteger,
     0,
     [](TLib&, TVm& vm) { Int(vm, rtl::Pos(vm.ArgString(0), vm.ArgString(1))); },
     {},
     "SubStr, S: string"},
    {"Length",
     1,
     dtInteger,
     0,
     [](TLib&, TVm& vm) { Int(vm, static_cast<std::int32_t>(vm.ArgString(0).size())); },
     {},
     "S: string"},
    {"Chr", 1, dtText, 0, [](TLib&, TVm& vm) { Text(vm, rtl::Chr(ArgInt64(vm, 0))); }, {}, "X: integer"},
    {"Ord", 1, dtInteger, 0, [](TLib&, TVm& vm) { Int(vm, rtl::Ord(vm.ArgString(0))); }, {}, "X: string"},
    // Conversion and formatting
    {"IntToStr",
     1,
     dtText,
     0,
     [](TLib&, TVm& vm) { Text(vm, rtl::IntToStr(ArgInt64(vm, 0))); },
     {},
     "X: integer"},
    {"IntToHex",
     2,
     dtText,
     0,
     [](TLib&, TVm& vm) { Text(vm, rtl::IntToHex(vm.ArgInteger(0), vm.ArgInteger(1))); },
     {},
     "X, Digits: integer"},
    {"StrToInt",
     1,
     dtInteger,
     0,
     [](TLib&, TVm& vm) { Int(vm, rtl::StrToInt(vm.ArgString(0))); },
     {},
     "S: string"},
    {"StrToIntDef",
     2,
     dtInteger,
     0,
     [](TLib&, TVm& vm) { Int(vm, rtl::StrToIntDef(vm.ArgString(0), vm.ArgInteger(1))); },
     {},
     "S: string; Default: integer"},
    {"FloatToStr",
     1,
     dtText,
     0,
     [](TLib& lib, TVm& vm) { Text(vm, rtl::FloatToStr(vm.ArgFloat(0), lib.Locale())); },
     {},
     "X: double"},
    {"StrToFloat",
     1,
     dtFloat,
     0,
     [](TLib& lib, TVm& vm) { Real(vm, rtl::StrToFloat(vm.ArgString(0), lib.Locale())); },
     {},
     "S: string"},
    {"Format", 2, dtText, 0, FormatHandler, {}, "Format: string; Args: array of const"},
    {"FormatFloat",
     2,
     dtText,
     0,
     [](TLib& lib, TVm& vm) { Text(vm, rtl::FormatFloat(vm.ArgString(0), vm.ArgFloat(1), lib.Locale())); },
     {},
     "Format: string; X: double"},
    {"VarToStr", 1, dtText, 0, [](TLib&, TVm& vm) { Text(vm, vm.ArgString(0)); }, {}, "V: variant"},
    // Date and time
    {"EncodeDate",
     3,
     dtFloat,
     0,
     [](TLib&, TVm& vm) { When(vm, rtl::EncodeDate(vm.ArgInteger(0), vm.ArgInteger(1), vm.ArgInteger(2))); },
     {},
     "Year, Month, Day: integer"},
    {"EncodeTime",
     4,
     dtFloat,
     0,
     [](TLib&, TVm& vm) {
       When(vm, rtl::EncodeTime(vm.ArgInteger(0), vm.ArgInteger(1), vm.ArgInteger(2), vm.ArgInteger(3)));
     },
     {},
     "Hour, Min, Sec, MSec: integer"},
    {"DecodeDate",
     4,
     dtNone,
     ByRef(1) | ByRef(2) | ByRef(3),
     DecodeDateHandler,
     {},
     "DateTime: TDateTime; var Year, Month, Day: integer"},
    {"DecodeTime",
     5,
     dtNone,
     ByRef(1) | ByRef(2) | ByRef(3) | ByRef(4),
     DecodeTimeHandler,
     {},
     "DateTime: TDateTime; var Hour, Min, Sec, MSec: integer"},
    {"DayOfWeek",
     1,
     dtInteger,
     0,
     [](TLib&, TVm& vm) { Int(vm, rtl::DayOfWeek(vm.ArgDateTime(0))); },
     {},
     "DateTime: TDateTime"},
    {"Date",
     0,
     dtFloat,
     0,
     [](TLib& lib, TVm& vm) { When(vm, std::floor(rtl::DateTimeOf(lib.LocalNow()))); },
     {},
     ""},
    {"Time",
     0,
     dtFloat,
     0,
     [](TLib& lib, TVm& vm) {
       const double now = rtl::DateTimeOf(lib.LocalNow());
       When(vm, now - std::floor(now));
     },
     {},
     ""},
    {"Now", 0, dtFloat, 0, [](TLib& lib, TVm& vm) { When(vm, rtl::DateTimeOf(lib.LocalNow())); }, {}, ""},
    {"IncMonth",
     2,
     dtFloat,
     0,
     [](TLib&, TVm& vm) { When(vm, rtl::IncMonth(vm.ArgDateTime(0), vm.ArgInteger(1))); },
     {},
     "DateTime: TDateTime; Months: integer"},
    {"IsLeapYear",
     1,
     dtInteger,
     0,
     [](TLib&, TVm& vm) { Bool(vm, rtl::IsLeapYear(vm.ArgInteger(0))); },
     {},
     "Year: integer"},
    {"DateToStr",
     1,
     dtText,
     0,
     [](TLib& lib, TVm& vm) { Text(vm, rtl::DateToStr(vm.ArgDateTime(0), lib.Locale())); },
     {},
     "DateTime: TDateTime"},
    {"TimeToStr",
     1,
     dtText,
     0,
     [](TLib& lib, TVm& vm) { Text(vm, rtl::TimeToStr(vm.ArgDateTime(0), lib.Locale())); },
     {},
     "DateTime: TDateTime"},
    {"DateTimeToStr",
     1,
     dtText,
     0,
     [](TLib& lib, TVm& vm) { Text(vm, rtl::DateTimeToStr(vm.ArgDateTime(0), lib.Locale())); },
     {},
     "DateTime: TDateTime"},
    {"StrToDate", 1, dtFloat, 0, StrToDateHandler, {}, "S: string"},
    {"StrToTime", 1, dtFloat, 0, StrToTimeHandler, {}, "S: string"},
    {"StrToDateTime", 1, dtFloat, 0, StrToDateTimeHandler, {}, "S: string"},
    {"FormatDateTime",
     2,
     dtText,
     0,
     [](TLib& lib, TVm& vm) {
       Text(vm, rtl::FormatDateTime(vm.ArgString(0), vm.ArgDateTime(1), lib.Locale()));
     },
     {},
     "Format: string; DateTime: TDateTime"},
    // Arithmetic
    {"Round",
     1,
     dtInteger,
     0,
     [](TLib&, TVm& vm) { vm.SetResult(IntegerResult(rtl::Round(vm.ArgFloat(0)))); },
     {},
     "X: double"},
    {"Trunc",
     1,
     dtInteger,
     0,
     [](TLib&, TVm& vm) { vm.SetResult(IntegerResult(rtl::Trunc(vm.ArgFloat(0)))); },
     {},
     "X: double"},
    {"Int", 1, dtFloat, 0, [](TLib&, TVm& vm) { Real(vm, rtl::Int(vm.ArgFloat(0))); }, {}, "X: double"},
    {"Frac", 1, dtFloat, 0, [](TLib&, TVm& vm) { Real(vm, rtl::Frac(vm.ArgFloat(0))); }, {}, "X: double"},
    {"Abs", 1, dtFloat, 0, [](TLib&, TVm& vm) { Real(vm, std::fabs(vm.ArgFloat(0))); }, {}, "X: double"},
    {"Sqr",
     1,
     dtFloat,
     0,
     [](TLib&, TVm& vm) {
       const double x = vm.ArgFloat(0);
       Real(vm, x * x);
     },
     {},
     "X: double"},
    {"Sqrt", 1, dtFloat, 0, [](TLib&, TVm& vm) { Real(vm, std::sqrt(vm.ArgFloat(0))); }, {}, "X: double"},
    {"Exp", 1, dtFloat, 0, [](TLib&, TVm& vm) { Real(vm, std::exp(vm.ArgFloat(0))); }, {}, "X: double"},
    {"Ln", 1, dtFloat, 0, [](TLib&, TVm& vm) { Real(vm, std::log(vm.ArgFloat(0))); }, {}, "X: double"},
    {"Sin", 1, dtFloat, 0, [](TLib&, TVm& vm) { Real(vm, std::sin(vm.ArgFloat(0))); }, {}, "X: double"},
    {"Cos", 1, dtFloat, 0, [](TLib&, TVm& vm) { Real(vm, std::cos(vm.ArgFloat(0))); }, {}, "X: double"},
    {"ArcTan", 1, dtFloat, 0, [](TLib&, TVm& vm) { Real(vm, std::atan(vm.ArgFloat(0))); }, {}, "X: double"},
    {"Odd", 1, dtInteger, 0, [](TLib&, TVm& vm) { Bool(vm, (vm.ArgInteger(0) & 1) != 0); }, {}, "X: integer"},
    {"Inc", 1, dtNone, ByRef(0), [](TLib&, TVm& vm) { IncDec(vm, 1u); }, {}, "var X: integer"},
    {"Dec", 1, dtNone, ByRef(0), [](TLib&, TVm& vm) { IncDec(vm, 0xFFFFFFFFu); }, {}, "var X: integer"},
    {"Random", 0, dtFloat, 0, [](TLib&, TVm& vm) { Real(vm, rtl::Random()); }, {}, ""},
    // Values and arrays
    {"VarIsNull",
     1,
     dtInteger,
     0,
     [](TLib&, TVm& vm) { Bool(vm, vm.ArgValue(0).IsNull()); },
     {},
     "V: variant"},
    {"High",
     1,
     dtInteger,
     0,
     [](TLib&, TVm& vm) { Int(vm, vm.ArgValue(0).ArrayHighBound(1)); },
     {},
     "A: array"},
    {"Low",
     1,
     dtInteger,
     0,
     [](TLib&, TVm& vm) { Int(vm, vm.ArgValue(0).ArrayLowBound(1)); },
     {},
     "A: array"},
    {"VarArrayHighBound",
     2,
     dtInteger,
     0,
     [](TLib&, TVm& vm) { Int(vm, vm.ArgValue(0).ArrayHighBound(vm.ArgInteger(1))); },
     {},
     "A: array; Dim: integer"},
    {"VarArrayLowBound",
     2,
     dtInteger,
     0,
     [](TLib&, TVm& vm) { Int(vm, vm.ArgValue(0).ArrayLowBound(vm.ArgInteger(1))); },
     {},
     "A: array; Dim: integer"},
    {"VarArrayCreate", 2, dtAny, 0, VarArrayCreateHandler, {}, "Bounds: array of integer; VarType: integer"},
    {"SetOf", 1, dtInteger, 0, SetOfHandler, {}, nullptr},
    {"Assigned", 1, dtInteger, 0, [](TLib&, TVm& vm) { Bool(vm, vm.ArgInteger(0) != 0); }, {}, "P: variant"},
};

static_assert(sizeof(kValueRoutines) / sizeof(kValueRoutines[0]) == kSystemLibraryValueRoutineCount);

}  // namespace

std::span<const TatSystemRoutine> SystemLibraryValueRoutines() {
  return kValueRoutines;
}

}  // namespace varnholt
