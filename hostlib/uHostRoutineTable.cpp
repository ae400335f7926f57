// uHostRoutineTable.cpp — the host routine table: each routine's signature and the handler that reads its
// arguments from the call, calls the routine and delivers the result; and the named constants.
#include "hostlib/uHostRoutineTable.h"

#include <string>

#include "hostlib/uDestinationNames.h"
#include "hostlib/uEnvironmentFunctions.h"
#include "hostlib/uPathFunctions.h"
#include "hostlib/uPdfOperations.h"
#include "hostlib/uRegExFunctions.h"
#include "hostlib/uTextFunctions.h"
#include "platform/Locale.h"
#include "platform/SystemInfo.h"
#include "rtl/uRtlDateTime.h"

namespace varnholt {

namespace {

using VM = TatCallContext;
using Host = THostContext;

// Booleans go back to scripts as 1 and 0.
ScriptValue Flag(bool value) {
  return ScriptValue(static_cast<std::int32_t>(value ? 1 : 0));
}
std::string S(VM& vm, int i) { return vm.ArgString(i); }
std::int32_t I(VM& vm, int i) { return vm.ArgInteger(i); }

std::string FormatNow(const std::string& format, double value) {
  return rtl::FormatDateTime(format, value, platform::FormatSettings());
}

// DateTime(Time, Format): a text with a colon is a report date; anything else is converted by the
// scripter, and what it cannot convert is read as a report date after all.
double DateTimeArgument(VM& vm, Host& host) {
  const std::string text = vm.ArgString(0);
  if (text.find(':') != std::string::npos) return CalcTime(host, text);
  try {
    return vm.ArgDateTime(0);
  } catch (const std::exception&) {
    return CalcTime(host, text);
  }
}

const THostRoutine kHostRoutines[] = {
    // Environment
    {"Log", 2, dtNone, 0, [](Host& h, VM& vm) { h.Log().WriteEntry(ltScr, "Action", "Script", S(vm, 0), S(vm, 1)); }, "", "Text1, Text2: string"},
    {"LogErr", 2, dtNone, 0, [](Host& h, VM& vm) { h.Log().WriteEntry(ltErr, "Action", "Script", S(vm, 0), S(vm, 1)); }, "", "Text1, Text2: string"},
    {"IsAutomatic", 0, dtInteger, 0, [](Host& h, VM& vm) { vm.SetResult(Flag(h.IsAutomatic())); }, nullptr, ""},
    {"Execute", 2, dtInteger, 0, [](Host& h, VM& vm) { vm.SetResult(Execute(h, S(vm, 0), S(vm, 1))); }, nullptr, "FileName, Parameters: string"},
    {"PDFFile", 0, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(h.CurrentPdf()); }, "s_PdfFile", ""},
    {"PDFName", 0, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(PdfNameOf(h.CurrentPdf())); }, "s_PdfName", ""},
    {"PDFPath", 0, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(PdfPathOf(h.CurrentPdf())); }, "s_PdfPath", ""},
    {"PDFText", 0, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(h.ActiveText()); }, "s_PdfText", ""},
    {"DateTimeNow", 1, dtText, 0, [](Host&, VM& vm) { vm.SetResult(FormatNow(S(vm, 0), NowDateTime())); }, nullptr, "Format: string"},
    {"DateTime", 2, dtText, 0,
     [](Host& h, VM& vm) { vm.SetResult(FormatNow(S(vm, 1), DateTimeArgument(vm, h))); }, nullptr, "Time, Format: string"},
    {"QueueFolder", 0, dtText, 0,
     [](Host& h, VM& vm) {
       std::string folder = h.QueueFolder();
       if (folder.empty() || folder.back() != '\\') folder += '\\';
       vm.SetResult(folder);
     }, nullptr, ""},
    {"FailedFolder", 0, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(h.QueueFolder() + "\\FAILED\\"); }, nullptr, ""},
    // Text
    {"PDFContains", 1, dtInteger, 0, [](Host& h, VM& vm) { vm.SetResult(Flag(Contains(h.ActiveText(), S(vm, 0)))); }, "s_PdfContains", "SubStr: string"},
    {"PDFLeft", 1, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(Left(h.Log(), h.ActiveText(), I(vm, 0))); }, "s_PdfLeft", "Count: integer"},
    {"PDFRight", 1, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(Right(h.Log(), h.ActiveText(), I(vm, 0))); }, "s_PdfRight", "Count: integer"},
    {"PDFBetween", 2, dtText, 0,
     [](Host& h, VM& vm) { vm.SetResult(Between(h.Log(), h.ActiveText(), S(vm, 0), S(vm, 1))); }, "s_PdfBetween", "SubStr1, SubStr2: string"},
    {"PDFAfter", 1, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(After(h.Log(), h.ActiveText(), S(vm, 0))); }, "s_PdfAfter", "SubStr: string"},
    {"PDFBefore", 1, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(Before(h.Log(), h.ActiveText(), S(vm, 0))); }, nullptr, "SubStr: string"},
    {"PDFAfterN", 2, dtText, 0,
     [](Host& h, VM& vm) { vm.SetResult(AfterN(h.Log(), h.ActiveText(), S(vm, 0), I(vm, 1))); }, "s_PdfAfterN", "SubStr: string; Count: integer"},
    {"PDFBeforeN", 2, dtText, 0,
     [](Host& h, VM& vm) { vm.SetResult(BeforeN(h.Log(), h.ActiveText(), S(vm, 0), I(vm, 1))); }, nullptr, "SubStr: string; Count: integer"},
    {"PDFMid", 2, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(Mid(h.Log(), h.ActiveText(), I(vm, 0), I(vm, 1))); }, "s_PdfMid", "Start, Length: integer"},
    {"Contains", 2, dtInteger, 0, [](Host&, VM& vm) { vm.SetResult(Flag(Contains(S(vm, 0), S(vm, 1)))); }, nullptr, "Text, SubStr: string"},
    {"Left", 2, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(Left(h.Log(), S(vm, 0), I(vm, 1))); }, nullptr, "Text: string; N: integer"},
    {"Right", 2, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(Right(h.Log(), S(vm, 0), I(vm, 1))); }, nullptr, "Text: string; N: integer"},
    {"Between", 3, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(Between(h.Log(), S(vm, 0), S(vm, 1), S(vm, 2))); }, nullptr, "Text, SubStr1, SubStr2: string"},
    {"After", 2, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(After(h.Log(), S(vm, 0), S(vm, 1))); }, nullptr, "Text, SubStr: string"},
    {"Before", 2, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(Before(h.Log(), S(vm, 0), S(vm, 1))); }, nullptr, "Text, SubStr: string"},
    {"AfterN", 3, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(AfterN(h.Log(), S(vm, 0), S(vm, 1), I(vm, 2))); }, nullptr, "Text, SubStr: string; Count: integer"},
    {"BeforeN", 3, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(BeforeN(h.Log(), S(vm, 0), S(vm, 1), I(vm, 2))); }, nullptr, "Text, SubStr: string; Count: integer"},
    {"Mid", 3, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(Mid(h.Log(), S(vm, 0), I(vm, 1), I(vm, 2))); }, nullptr, "Text: string; Start, Length: integer"},
    {"PosI", 2, dtInteger, 0, [](Host&, VM& vm) { vm.SetResult(PosI(S(vm, 0), S(vm, 1))); }, nullptr, "SubStr, Text: string"},
    {"SameText", 2, dtInteger, 0, [](Host&, VM& vm) { vm.SetResult(Flag(SameText(S(vm, 0), S(vm, 1)))); }, nullptr, "Text1, Text2: string"},
    {"TextReplace", 3, dtText, 0, [](Host&, VM& vm) { vm.SetResult(TextReplace(S(vm, 0), S(vm, 1), S(vm, 2))); }, nullptr, "Text, Old, New: string"},
    {"ActivateText1", 0, dtNone, 0, [](Host& h, VM&) { h.ActivateText(1); }, nullptr, ""},
    {"ActivateText2", 0, dtNone, 0, [](Host& h, VM&) { h.ActivateText(2); }, nullptr, ""},
    {"PDFOCRConfidence", 0, dtInteger, 0, [](Host& h, VM& vm) { vm.SetResult(static_cast<std::int32_t>(h.OcrConfidence())); }, nullptr, ""},
    {"Token", 3, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(Token(h.Log(), S(vm, 0), S(vm, 1), I(vm, 2))); }, nullptr, "Text, Delimiter: string; Index: integer"},
    {"Tokens", 3, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(Tokens(h.Log(), S(vm, 0), S(vm, 1), I(vm, 2))); }, nullptr, "Text, Delimiter: string; Index: integer"},
    {"TrimAll", 1, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(TrimAll(h.Log(), S(vm, 0))); }, nullptr, "Text: string"},
    // Regular expressions
    {"PDFREFind", 2, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(REFind(h.Log(), h.ActiveText(), S(vm, 0), I(vm, 1))); }, nullptr, "RegExp: string; Index: integer"},
    {"PDFREMatch", 1, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(REMatch(h.Log(), h.ActiveText(), S(vm, 0))); }, nullptr, "RegExp: string"},
    {"PDFREReplace", 2, dtText, 0,
     [](Host& h, VM& vm) { vm.SetResult(REReplace(h.Log(), h.ActiveText(), S(vm, 0), S(vm, 1))); }, nullptr, "RegExp, Substitute: string"},
    {"REFind", 3, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(REFind(h.Log(), S(vm, 0), S(vm, 1), I(vm, 2))); }, nullptr, "Text, RegExp: string; Index: integer"},
    {"REMatch", 2, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(REMatch(h.Log(), S(vm, 0), S(vm, 1))); }, nullptr, "Text, RegExp: string"},
    {"REReplace", 3, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(REReplace(h.Log(), S(vm, 0), S(vm, 1), S(vm, 2))); }, nullptr, "Text, RegExp, Substitute: string"},
    // Paths and text files
    {"TrimBackSlash", 1, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(TrimBackSlash(h.Log(), S(vm, 0))); }, nullptr, "FileName: string"},
    {"FixFileName", 1, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(FixFileName(h.Log(), S(vm, 0), true)); }, nullptr, "FileName: string"},
    {"ParentFolder", 1, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(ParentFolder(h.Log(), S(vm, 0))); }, nullptr, "FileName: string"},
    {"SubDir", 2, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(SubDir(h.Log(), S(vm, 0), I(vm, 1))); }, nullptr, "FilePath: string; Index: integer"},
    {"SubDirs", 2, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(SubDirs(h.Log(), S(vm, 0), I(vm, 1))); }, nullptr, "FilePath: string; Count: integer"},
    {"FixFilePath", 1, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(FixFilePath(h.Log(), S(vm, 0))); }, nullptr, "FilePath: string"},
    {"AppendToTextFile", 2, dtNone, 0, [](Host& h, VM& vm) { AppendToTextFile(h.Log(), h.Files(), S(vm, 0), S(vm, 1)); }, nullptr, "FileName, Text: string"},
    {"ReadFromTextFile", 1, dtText, 0,
     [](Host& h, VM& vm) { vm.SetResult(ReadFromTextFile(h.Log(), h.Files(), S(vm, 0))); }, nullptr, "FileName: string"},
    {"FileExists", 1, dtInteger, 0, [](Host& h, VM& vm) { vm.SetResult(Flag(h.Files().FileExists(S(vm, 0)))); }, nullptr, "Path: string"},
    {"DirectoryExists", 1, dtInteger, 0,
     [](Host& h, VM& vm) { vm.SetResult(Flag(h.Files().DirectoryExists(S(vm, 0)))); }, nullptr, "Path: string"},
    // File placement
    {"LastPDFFile", 1, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(h.LastPDFFile(S(vm, 0))); }, nullptr, "FileName: string"},
    {"PDFMoveTo", 1, dtInteger, 0, [](Host& h, VM& vm) { h.PdfCopyMoveTo(S(vm, 0), true); }, "s_PdfMoveTo", "Destination: string"},
    {"PDFCopyTo", 1, dtInteger, 0, [](Host& h, VM& vm) { h.PdfCopyMoveTo(S(vm, 0), false); }, "s_PdfCopyTo", "Destination: string"},
    {"PDFDelete", 0, dtInteger, 0,
     [](Host& h, VM& vm) {
       const std::string pdf = h.CurrentPdf();  // deleting leaves the current PDF's path as it was
       vm.SetResult(Flag(h.DeleteFile(pdf)));
     }, "s_PdfDelete", ""},
    {"CopyFile", 2, dtInteger, 0, [](Host& h, VM& vm) { vm.SetResult(Flag(h.CopyFile(S(vm, 0), S(vm, 1)))); }, "S_CopyFile", "Source, Destination: string"},
    {"DeleteFile", 1, dtInteger, 0, [](Host& h, VM& vm) { vm.SetResult(Flag(h.DeleteFile(S(vm, 0)))); }, nullptr, "Path: string"},
    // Printing
    {"PrintingByAcrobatReader", 0, dtInteger, 0, [](Host& h, VM&) { h.PrintingByAcrobatReader(); }, "", ""},
    {"PrintingByVarnholt", 0, dtInteger, 0, [](Host& h, VM&) { h.PrintingByVarnholt(); }, "", ""},
    {"PDFPrint", 0, dtInteger, 0,
     [](Host& h, VM& vm) { vm.SetResult(Flag(h.PrintTo(h.CurrentPdf(), h.PaperPrinter(), true))); }, nullptr, ""},
    {"PDFPrintTo", 1, dtInteger, 0,
     [](Host& h, VM& vm) {
       const std::string printer = TrimAll(h.Log(), S(vm, 0));
       RequireOneLine("PDFPrintTo", "printer name", printer);
       vm.SetResult(Flag(h.PrintTo(h.CurrentPdf(), printer, true)));
     }, nullptr, "PrinterName: string"},
    {"Print", 1, dtInteger, 0,
     [](Host& h, VM& vm) {
       const std::string file = TrimAll(h.Log(), S(vm, 0));
       RequireOneLine("Print", "file name", file);
       vm.SetResult(Flag(h.PrintTo(file, h.PaperPrinter(), true)));
     }, nullptr, "FileName: string"},
    {"PrintTo", 2, dtInteger, 0,
     [](Host& h, VM& vm) {
       const std::string file = TrimAll(h.Log(), S(vm, 0));
       const std::string printer = TrimAll(h.Log(), S(vm, 1));
       RequireOneLine("PrintTo", "file name", file);
       RequireOneLine("PrintTo", "printer name", printer);
       vm.SetResult(Flag(h.PrintTo(file, printer, true)));
     }, nullptr, "FileName, PrinterName: string"},
    // PDF document operations
    {"Protect", 1, dtNone, 0, [](Host& h, VM& vm) { Protect(h, S(vm, 0)); }, nullptr, "FileName: string"},
    {"Repaginate", 3, dtNone, 0, [](Host& h, VM& vm) { Repaginate(h, S(vm, 0), I(vm, 1), I(vm, 2)); }, nullptr, "FileName: string; XOffset, YOffset: integer"},
    {"WaterMarkPages", 3, dtNone, 0, [](Host& h, VM& vm) { WaterMarkPages(h, S(vm, 0), S(vm, 1), S(vm, 2)); }, nullptr, "FileName, Identifier, Text: string"},
    {"PDFAppendTo", 1, dtNone, 0, [](Host& h, VM& vm) { AppendTo(h, h.CurrentPdf(), S(vm, 0)); }, nullptr, "FileName: string"},
    {"AppendToPDF", 1, dtNone, 0, [](Host& h, VM& vm) { AppendTo(h, S(vm, 0), h.CurrentPdf()); }, nullptr, "FileName: string"},
    {"AppendTo", 2, dtNone, 0, [](Host& h, VM& vm) { AppendTo(h, S(vm, 0), S(vm, 1)); }, nullptr, "Source, Destination: string"},
    {"CoverPage", 3, dtNone, 0, [](Host& h, VM& vm) { CoverPage(h, S(vm, 0), S(vm, 1), S(vm, 2)); }, "s_PDFCoverPage", "FileName, Header, Text: string"},
    {"DeletePages", 3, dtNone, 0, [](Host& h, VM& vm) { DeletePages(h, S(vm, 0), I(vm, 1), I(vm, 2)); }, "s_PDFDeletePages", "FileName: string; StartPage, EndPage: integer"},
};

static_assert(sizeof(kHostRoutines) / sizeof(kHostRoutines[0]) == kHostRoutineCount);

const THostConstant kHostConstants[] = {
    {"NewLine", "\n", [](Host&) { return std::string("\n"); }},
    {"ComputerName", "", [](Host&) { return platform::ComputerName(); }},
    {"UserName", "", [](Host&) { return platform::UserName(); }},
    {"PaperPrinter", "", [](Host& h) { return h.PaperPrinter(); }},
};

static_assert(sizeof(kHostConstants) / sizeof(kHostConstants[0]) == kHostConstantCount);

// Every handler but those of Log, LogErr and the two printing switches first writes its Prc record.
void WriteProcRecord(Host& host, const THostRoutine& routine) {
  if (routine.extra == nullptr) {
    host.Log().WriteProc("Varnholt", std::string("s_") + routine.name);
  } else if (*routine.extra != '\0') {
    host.Log().WriteProc("Varnholt", routine.extra);
  }
}

}  // namespace

std::span<const THostRoutine> HostRoutineTable() {
  return kHostRoutines;
}

std::span<const THostConstant> HostConstants() {
  return kHostConstants;
}

void RegisterHostRoutineSignatures(TatHostRegistry& registry) {
  RegisterRoutineTable<Host, const char*>(registry.DefaultClass(), kHostRoutines, kHostRoutineCount, nullptr);
  for (const THostConstant& constant : kHostConstants) {
    registry.RegisterValue(constant.name, std::string(constant.compileValue));
  }
}

void DefineScriptFunction(TatCustomScripter& scripter, THostContext& host) {
  host.Log().WriteProc("Varnholt", "DefineScriptFunction");
  RegisterRoutineTable<Host, const char*>(scripter.Registry().DefaultClass(), kHostRoutines,
                                          kHostRoutineCount, &host, WriteProcRecord);
  for (const THostConstant& constant : kHostConstants) {
    scripter.RegisterValue(constant.name, ScriptValue(constant.value(host)));
  }
}

}  // namespace varnholt
