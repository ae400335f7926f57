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
    {"Log", 2, dtNone, 0, [](Host& h, VM& vm) { h.Log().WriteEntry(ltScr, "Action", "Script", S(vm, 0), S(vm, 1)); }, ""},
    {"LogErr", 2, dtNone, 0, [](Host& h, VM& vm) { h.Log().WriteEntry(ltErr, "Action", "Script", S(vm, 0), S(vm, 1)); }, ""},
    {"IsAutomatic", 0, dtInteger, 0, [](Host& h, VM& vm) { vm.SetResult(Flag(h.IsAutomatic())); }},
    {"Execute", 2, dtInteger, 0, [](Host& h, VM& vm) { vm.SetResult(Execute(h, S(vm, 0), S(vm, 1))); }},
    {"PDFFile", 0, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(h.CurrentPdf()); }, "s_PdfFile"},
    {"PDFName", 0, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(PdfNameOf(h.CurrentPdf())); }, "s_PdfName"},
    {"PDFPath", 0, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(PdfPathOf(h.CurrentPdf())); }, "s_PdfPath"},
    {"PDFText", 0, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(h.ActiveText()); }, "s_PdfText"},
    {"DateTimeNow", 1, dtText, 0, [](Host&, VM& vm) { vm.SetResult(FormatNow(S(vm, 0), NowDateTime())); }},
    {"DateTime", 2, dtText, 0,
     [](Host& h, VM& vm) { vm.SetResult(FormatNow(S(vm, 1), DateTimeArgument(vm, h))); }},
    {"QueueFolder", 0, dtText, 0,
     [](Host& h, VM& vm) {
       std::string folder = h.QueueFolder();
       if (folder.empty() || folder.back() != '\\') folder += '\\';
       vm.SetResult(folder);
     }},
    {"FailedFolder", 0, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(h.QueueFolder() + "\\FAILED\\"); }},
    // Text
    {"PDFContains", 1, dtInteger, 0, [](Host& h, VM& vm) { vm.SetResult(Flag(Contains(h.ActiveText(), S(vm, 0)))); }, "s_PdfContains"},
    {"PDFLeft", 1, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(Left(h.Log(), h.ActiveText(), I(vm, 0))); }, "s_PdfLeft"},
    {"PDFRight", 1, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(Right(h.Log(), h.ActiveText(), I(vm, 0))); }, "s_PdfRight"},
    {"PDFBetween", 2, dtText, 0,
     [](Host& h, VM& vm) { vm.SetResult(Between(h.Log(), h.ActiveText(), S(vm, 0), S(vm, 1))); }, "s_PdfBetween"},
    {"PDFAfter", 1, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(After(h.Log(), h.ActiveText(), S(vm, 0))); }, "s_PdfAfter"},
    {"PDFBefore", 1, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(Before(h.Log(), h.ActiveText(), S(vm, 0))); }},
    {"PDFAfterN", 2, dtText, 0,
     [](Host& h, VM& vm) { vm.SetResult(AfterN(h.Log(), h.ActiveText(), S(vm, 0), I(vm, 1))); }, "s_PdfAfterN"},
    {"PDFBeforeN", 2, dtText, 0,
     [](Host& h, VM& vm) { vm.SetResult(BeforeN(h.Log(), h.ActiveText(), S(vm, 0), I(vm, 1))); }},
    {"PDFMid", 2, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(Mid(h.Log(), h.ActiveText(), I(vm, 0), I(vm, 1))); }, "s_PdfMid"},
    {"Contains", 2, dtInteger, 0, [](Host&, VM& vm) { vm.SetResult(Flag(Contains(S(vm, 0), S(vm, 1)))); }},
    {"Left", 2, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(Left(h.Log(), S(vm, 0), I(vm, 1))); }},
    {"Right", 2, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(Right(h.Log(), S(vm, 0), I(vm, 1))); }},
    {"Between", 3, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(Between(h.Log(), S(vm, 0), S(vm, 1), S(vm, 2))); }},
    {"After", 2, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(After(h.Log(), S(vm, 0), S(vm, 1))); }},
    {"Before", 2, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(Before(h.Log(), S(vm, 0), S(vm, 1))); }},
    {"AfterN", 3, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(AfterN(h.Log(), S(vm, 0), S(vm, 1), I(vm, 2))); }},
    {"BeforeN", 3, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(BeforeN(h.Log(), S(vm, 0), S(vm, 1), I(vm, 2))); }},
    {"Mid", 3, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(Mid(h.Log(), S(vm, 0), I(vm, 1), I(vm, 2))); }},
    {"PosI", 2, dtInteger, 0, [](Host&, VM& vm) { vm.SetResult(PosI(S(vm, 0), S(vm, 1))); }},
    {"SameText", 2, dtInteger, 0, [](Host&, VM& vm) { vm.SetResult(Flag(SameText(S(vm, 0), S(vm, 1)))); }},
    {"TextReplace", 3, dtText, 0, [](Host&, VM& vm) { vm.SetResult(TextReplace(S(vm, 0), S(vm, 1), S(vm, 2))); }},
    {"ActivateText1", 0, dtNone, 0, [](Host& h, VM&) { h.ActivateText(1); }},
    {"ActivateText2", 0, dtNone, 0, [](Host& h, VM&) { h.ActivateText(2); }},
    {"Token", 3, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(Token(h.Log(), S(vm, 0), S(vm, 1), I(vm, 2))); }},
    {"Tokens", 3, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(Tokens(h.Log(), S(vm, 0), S(vm, 1), I(vm, 2))); }},
    {"TrimAll", 1, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(TrimAll(h.Log(), S(vm, 0))); }},
    // Regular expressions
    {"PDFREFind", 2, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(REFind(h.Log(), h.ActiveText(), S(vm, 0), I(vm, 1))); }},
    {"PDFREMatch", 1, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(REMatch(h.Log(), h.ActiveText(), S(vm, 0))); }},
    {"PDFREReplace", 2, dtText, 0,
     [](Host& h, VM& vm) { vm.SetResult(REReplace(h.Log(), h.ActiveText(), S(vm, 0), S(vm, 1))); }},
    {"REFind", 3, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(REFind(h.Log(), S(vm, 0), S(vm, 1), I(vm, 2))); }},
    {"REMatch", 2, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(REMatch(h.Log(), S(vm, 0), S(vm, 1))); }},
    {"REReplace", 3, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(REReplace(h.Log(), S(vm, 0), S(vm, 1), S(vm, 2))); }},
    // Paths and text files
    {"TrimBackSlash", 1, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(TrimBackSlash(h.Log(), S(vm, 0))); }},
    {"FixFileName", 1, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(FixFileName(h.Log(), S(vm, 0), true)); }},
    {"ParentFolder", 1, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(ParentFolder(h.Log(), S(vm, 0))); }},
    {"SubDir", 2, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(SubDir(h.Log(), S(vm, 0), I(vm, 1))); }},
    {"SubDirs", 2, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(SubDirs(h.Log(), S(vm, 0), I(vm, 1))); }},
    {"FixFilePath", 1, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(FixFilePath(h.Log(), S(vm, 0))); }},
    {"AppendToTextFile", 2, dtNone, 0, [](Host& h, VM& vm) { AppendToTextFile(h.Log(), h.Files(), S(vm, 0), S(vm, 1)); }},
    {"ReadFromTextFile", 1, dtText, 0,
     [](Host& h, VM& vm) { vm.SetResult(ReadFromTextFile(h.Log(), h.Files(), S(vm, 0))); }},
    {"FileExists", 1, dtInteger, 0, [](Host& h, VM& vm) { vm.SetResult(Flag(h.Files().FileExists(S(vm, 0)))); }},
    {"DirectoryExists", 1, dtInteger, 0,
     [](Host& h, VM& vm) { vm.SetResult(Flag(h.Files().DirectoryExists(S(vm, 0)))); }},
    // File placement
    {"LastPDFFile", 1, dtText, 0, [](Host& h, VM& vm) { vm.SetResult(h.LastPDFFile(S(vm, 0))); }},
    {"PDFMoveTo", 1, dtInteger, 0, [](Host& h, VM& vm) { h.PdfCopyMoveTo(S(vm, 0), true); }, "s_PdfMoveTo"},
    {"PDFCopyTo", 1, dtInteger, 0, [](Host& h, VM& vm) { h.PdfCopyMoveTo(S(vm, 0), false); }, "s_PdfCopyTo"},
    {"PDFDelete", 0, dtInteger, 0,
     [](Host& h, VM& vm) {
       const std::string pdf = h.CurrentPdf();  // deleting leaves the current PDF's path as it was
       vm.SetResult(Flag(h.DeleteFile(pdf)));
     }, "s_PdfDelete"},
    {"CopyFile", 2, dtInteger, 0, [](Host& h, VM& vm) { vm.SetResult(Flag(h.CopyFile(S(vm, 0), S(vm, 1)))); }, "S_CopyFile"},
    {"DeleteFile", 1, dtInteger, 0, [](Host& h, VM& vm) { vm.SetResult(Flag(h.DeleteFile(S(vm, 0)))); }},
    // Printing
    {"PrintingByAcrobatReader", 0, dtInteger, 0, [](Host& h, VM&) { h.PrintingByAcrobatReader(); }, ""},
    {"PrintingByVarnholt", 0, dtInteger, 0, [](Host& h, VM&) { h.PrintingByVarnholt(); }, ""},
    {"PDFPrint", 0, dtInteger, 0,
     [](Host& h, VM& vm) { vm.SetResult(Flag(h.PrintTo(h.CurrentPdf(), h.PaperPrinter(), true))); }},
    {"PDFPrintTo", 1, dtInteger, 0,
     [](Host& h, VM& vm) {
       const std::string printer = TrimAll(h.Log(), S(vm, 0));
       RequireOneLine("PDFPrintTo", "printer name", printer);
       vm.SetResult(Flag(h.PrintTo(h.CurrentPdf(), printer, true)));
     }},
    {"Print", 1, dtInteger, 0,
     [](Host& h, VM& vm) {
       const std::string file = TrimAll(h.Log(), S(vm, 0));
       RequireOneLine("Print", "file name", file);
       vm.SetResult(Flag(h.PrintTo(file, h.PaperPrinter(), true)));
     }},
    {"PrintTo", 2, dtInteger, 0,
     [](Host& h, VM& vm) {
       const std::string file = TrimAll(h.Log(), S(vm, 0));
       const std::string printer = TrimAll(h.Log(), S(vm, 1));
       RequireOneLine("PrintTo", "file name", file);
       RequireOneLine("PrintTo", "printer name", printer);
       vm.SetResult(Flag(h.PrintTo(file, printer, true)));
     }},
    // PDF document operations
    {"Protect", 1, dtNone, 0, [](Host& h, VM& vm) { Protect(h, S(vm, 0)); }},
    {"Repaginate", 3, dtNone, 0, [](Host& h, VM& vm) { Repaginate(h, S(vm, 0), I(vm, 1), I(vm, 2)); }},
    {"WaterMarkPages", 3, dtNone, 0, [](Host& h, VM& vm) { WaterMarkPages(h, S(vm, 0), S(vm, 1), S(vm, 2)); }},
    {"PDFAppendTo", 1, dtNone, 0, [](Host& h, VM& vm) { AppendTo(h, h.CurrentPdf(), S(vm, 0)); }},
    {"AppendToPDF", 1, dtNone, 0, [](Host& h, VM& vm) { AppendTo(h, S(vm, 0), h.CurrentPdf()); }},
    {"AppendTo", 2, dtNone, 0, [](Host& h, VM& vm) { AppendTo(h, S(vm, 0), S(vm, 1)); }},
    {"CoverPage", 3, dtNone, 0, [](Host& h, VM& vm) { CoverPage(h, S(vm, 0), S(vm, 1), S(vm, 2)); }, "s_PDFCoverPage"},
    {"DeletePages", 3, dtNone, 0, [](Host& h, VM& vm) { DeletePages(h, S(vm, 0), I(vm, 1), I(vm, 2)); }, "s_PDFDeletePages"},
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
