// uSystemLibrary_Table.cpp — the system library's routine signatures as one table.
#include "script/syslib/uSystemLibrary_Table.h"

namespace varnholt {

namespace {

constexpr std::uint32_t Ref(int a) {
  return 1u << a;
}

const TatRoutineSignature kRoutines[] = {
    // Text
    {"UpperCase", 1, dtText, 0},
    {"LowerCase", 1, dtText, 0},
    {"AnsiUpperCase", 1, dtText, 0},
    {"AnsiLowerCase", 1, dtText, 0},
    {"CompareStr", 2, dtInteger, 0},
    {"CompareText", 2, dtInteger, 0},
    {"AnsiCompareStr", 2, dtInteger, 0},
    {"AnsiCompareText", 2, dtInteger, 0},
    {"Trim", 1, dtText, 0},
    {"TrimLeft", 1, dtText, 0},
    {"TrimRight", 1, dtText, 0},
    {"IsValidIdent", 1, dtInteger, 0},
    {"Copy", 3, dtText, 0},
    {"Delete", 3, dtNone, Ref(0)},
    {"Insert", 3, dtNone, Ref(1)},
    {"Pos", 2, dtInteger, 0},
    {"Length", 1, dtInteger, 0},
    {"Chr", 1, dtText, 0},
    {"Ord", 1, dtInteger, 0},
    // Conversion and formatting
    {"IntToStr", 1, dtText, 0},
    {"IntToHex", 2, dtText, 0},
    {"StrToInt", 1, dtInteger, 0},
    {"StrToIntDef", 2, dtInteger, 0},
    {"FloatToStr", 1, dtText, 0},
    {"StrToFloat", 1, dtFloat, 0},
    {"Format", 2, dtText, 0},
    {"FormatFloat", 2, dtText, 0},
    {"VarToStr", 1, dtText, 0},
    // Date and time
    {"EncodeDate", 3, dtFloat, 0},
    {"EncodeTime", 4, dtFloat, 0},
    {"DecodeDate", 4, dtNone, Ref(1) | Ref(2) | Ref(3)},
    {"DecodeTime", 5, dtNone, Ref(1) | Ref(2) | Ref(3) | Ref(4)},
    {"DayOfWeek", 1, dtInteger, 0},
    {"Date", 0, dtFloat, 0},
    {"Time", 0, dtFloat, 0},
    {"Now", 0, dtFloat, 0},
    {"IncMonth", 2, dtFloat, 0},
    {"IsLeapYear", 1, dtInteger, 0},
    {"DateToStr", 1, dtText, 0},
    {"TimeToStr", 1, dtText, 0},
    {"DateTimeToStr", 1, dtText, 0},
    {"StrToDate", 1, dtFloat, 0},
    {"StrToTime", 1, dtFloat, 0},
    {"StrToDateTime", 1, dtFloat, 0},
    {"FormatDateTime", 2, dtText, 0},
    // Arithmetic
    {"Round", 1, dtInteger, 0},
    {"Trunc", 1, dtInteger, 0},
    {"Int", 1, dtFloat, 0},
    {"Frac", 1, dtFloat, 0},
    {"Abs", 1, dtFloat, 0},
    {"Sqr", 1, dtFloat, 0},
    {"Sqrt", 1, dtFloat, 0},
    {"Exp", 1, dtFloat, 0},
    {"Ln", 1, dtFloat, 0},
    {"Sin", 1, dtFloat, 0},
    {"Cos", 1, dtFloat, 0},
    {"ArcTan", 1, dtFloat, 0},
    {"Odd", 1, dtInteger, 0},
    {"Inc", 1, dtNone, Ref(0)},
    {"Dec", 1, dtNone, Ref(0)},
    {"Random", 0, dtFloat, 0},
    // Values, arrays and objects
    {"VarIsNull", 1, dtInteger, 0},
    {"High", 1, dtInteger, 0},
    {"Low", 1, dtInteger, 0},
    {"VarArrayHighBound", 2, dtInteger, 0},
    {"VarArrayLowBound", 2, dtInteger, 0},
    {"VarArrayCreate", 2, dtAny, 0},
    {"SetOf", 1, dtInteger, 0},
    {"Assigned", 1, dtInteger, 0},
    {"CreateOleObject", 1, dtAny, 0},
    {"GetActiveOleObject", 1, dtAny, 0},
    {"Machine", 0, dtObject, 0},
    {"Scripter", 0, dtObject, 0},
    // User interaction, errors and engine
    {"Beep", 0, dtNone, 0},
    {"ShowMessage", 1, dtNone, 0},
    {"InputQuery", 3, dtInteger, Ref(2)},
    {"Raise", 1, dtNone, 0},
    {"Interpret", 1, dtNone, 0},
    {"Chdir", 1, dtNone, 0},
    // Text files
    {"AssignFile", 2, dtNone, 0},
    {"Reset", 1, dtNone, 0},
    {"Rewrite", 1, dtNone, 0},
    {"Append", 1, dtNone, 0},
    {"CloseFile", 1, dtNone, 0},
    {"Write", 2, dtNone, 0},
    {"WriteLn", 2, dtNone, 0},
    {"ReadLn", 1, dtText, 0},
    {"EOF", 1, dtInteger, 0},
    {"FilePos", 1, dtInteger, 0},
    {"FileSize", 1, dtInteger, 0},
};

static_assert(sizeof(kRoutines) / sizeof(kRoutines[0]) == 90);

const TatRoutineSignature kValues[] = {
    {"LastExceptionMessage", 0, dtText, 0},
    {"LastExceptionHelpContext", 0, dtInteger, 0},
    {"LastExceptionClassName", 0, dtText, 0},
};

}  // namespace

std::span<const TatRoutineSignature> SystemLibraryRoutines() {
  return kRoutines;
}
std::span<const TatRoutineSignature> SystemLibraryValues() {
  return kValues;
}

void RegisterSignatures(TatClass& cls, std::span<const TatRoutineSignature> routines) {
  for (const auto& r : routines) {
    TatMethod& m = cls.RegisterRoutine(r.name, r.argCount, r.resultType);
    if (r.byRefMask) {
      std::vector<int> positions;
      for (int i = 0; i < 32; ++i) {
        if (r.byRefMask & (1u << i)) positions.push_back(i);
      }
      m.SetVarArgs(positions);
    }
  }
}

}  // namespace varnholt
