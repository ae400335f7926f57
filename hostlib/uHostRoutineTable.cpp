// uHostRoutineTable.cpp — the host routine table: each routine's signature and the handler that reads its
// arguments from the machine, calls the routine and delivers the result.
#include "hostlib/uHostRoutineTable.h"

#include <string>
#include <vector>

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

using VM = TatVirtualMachine;
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
    {"Log", 2, dtNone, "", [](VM& vm, Host& h) { h.Log().WriteEntry(ltScr, "Action", "Script", S(vm, 0), S(vm, 1)); }},
    {"LogErr", 2, dtNone, "", [](VM& vm, Host& h) { h.Log().WriteEntry(ltErr, "Action", "Script", S(vm, 0), S(vm, 1)); }},
    {"IsAutomatic", 0, dtInteger, nullptr, [](VM& vm, Host& h) { vm.SetResult(Flag(h.IsAutomatic())); }},
    {"Execute", 2, dtInteger, nullptr, [](VM& vm, Host& h) { vm.SetResult(Execute(h, S(vm, 0), S(vm, 1))); }},
    {"PDFFile", 0, dtText, "s_PdfFile", [](VM& vm, Host& h) { vm.SetResult(h.CurrentPdf()); }},
    {"PDFName", 0, dtText, "s_PdfName", [](VM& vm, Host& h) { vm.SetResult(PdfNameOf(h.CurrentPdf())); }},
    {"PDFPath", 0, dtText, "s_PdfPath", [](VM& vm, Host& h) { vm.SetResult(PdfPathOf(h.CurrentPdf())); }},
    {"PDFText", 0, dtText, "s_PdfText", [](VM& vm, Host& h) { vm.SetResult(h.ActiveText()); }},
    {"DateTimeNow", 1, dtText, nullptr, [](VM& vm, Host&) { vm.SetResult(FormatNow(S(vm, 0), NowDateTime())); }},
    {"DateTime", 2, dtText, nullptr,
     [](VM& vm, Host& h) { vm.SetResult(FormatNow(S(vm, 1), DateTimeArgument(vm, h))); }},
    {"QueueFolder", 0, dtText, nullptr,
     [](VM& vm, Host& h) {
       std::string folder = h.QueueFolder();
       if (folder.empty() || folder.back() != '\\') folder += '\\';
       vm.SetResult(folder);
     }},
    {"FailedFolder", 0, dtText, nullptr, [](VM& vm, Host& h) { vm.SetResult(h.QueueFolder() + "\\FAILED\\"); }},
    // Text
    {"PDFContains", 1, dtInteger, "s_PdfContains", [](VM& vm, Host& h) { vm.SetResult(Flag(Contains(h.ActiveText(), S(vm, 0)))); }},
    {"PDFLeft", 1, dtText, "s_PdfLeft", [](VM& vm, Host& h) { vm.SetResult(Left(h.Log(), h.ActiveText(), I(vm, 0))); }},
    {"PDFRight", 1, dtText, "s_PdfRight", [](VM& vm, Host& h) { vm.SetResult(Right(h.Log(), h.ActiveText(), I(vm, 0))); }},
    {"PDFBetween", 2, dtText, "s_PdfBetween",
     [](VM& vm, Host& h) { vm.SetResult(Between(h.Log(), h.ActiveText(), S(vm, 0), S(vm, 1))); }},
    {"PDFAfter", 1, dtText, "s_PdfAfter", [](VM& vm, Host& h) { vm.SetResult(After(h.Log(), h.ActiveText(), S(vm, 0))); }},
    {"PDFBefore", 1, dtText, nullptr, [](VM& vm, Host& h) { vm.SetResult(Before(h.Log(), h.ActiveText(), S(vm, 0))); }},
    {"PDFAfterN", 2, dtText, "s_PdfAfterN",
     [](VM& vm, Host& h) { vm.SetResult(AfterN(h.Log(), h.ActiveText(), S(vm, 0), I(vm, 1))); }},
    {"PDFBeforeN", 2, dtText, nullptr,
     [](VM& vm, Host& h) { vm.SetResult(BeforeN(h.Log(), h.ActiveText(), S(vm, 0), I(vm, 1))); }},
    {"PDFMid", 2, dtText, "s_PdfMid", [](VM& vm, Host& h) { vm.SetResult(Mid(h.Log(), h.ActiveText(), I(vm, 0), I(vm, 1))); }},
    {"Contains", 2, dtInteger, nullptr, [](VM& vm, Host&) { vm.SetResult(Flag(Contains(S(vm, 0), S(vm, 1)))); }},
    {"Left", 2, dtText, nullptr, [](VM& vm, Host& h) { vm.SetResult(Left(h.Log(), S(vm, 0), I(vm, 1))); }},
    {"Right", 2, dtText, nullptr, [](VM& vm, Host& h) { vm.SetResult(Right(h.Log(), S(vm, 0), I(vm, 1))); }},
    {"Between", 3, dtText, nullptr, [](VM& vm, Host& h) { vm.SetResult(Between(h.Log(), S(vm, 0), S(vm, 1), S(vm, 2))); }},
    {"After", 2, dtText, nullptr, [](VM& vm, Host& h) { vm.SetResult(After(h.Log(), S(vm, 0), S(vm, 1))); }},
    {"Before", 2, dtText, nullptr, [](VM& vm, Host& h) { vm.SetResult(Before(h.Log(), S(vm, 0), S(vm, 1))); }},
    {"AfterN", 3, dtText, nullptr, [](VM& vm, Host& h) { vm.SetResult(AfterN(h.Log(), S(vm, 0), S(vm, 1), I(vm, 2))); }},
    {"BeforeN", 3, dtText, nullptr, [](VM& vm, Host& h) { vm.SetResult(BeforeN(h.Log(), S(vm, 0), S(vm, 1), I(vm, 2))); }},
    {"Mid", 3, dtText, nullptr, [](VM& vm, Host& h) { vm.SetResult(Mid(h.Log(), S(vm, 0), I(vm, 1), I(vm, 2))); }},
    {"PosI", 2, dtInteger, nullptr, [](VM& vm, Host&) { vm.SetResult(PosI(S(vm, 0), S(vm, 1))); }},
    {"SameText", 2, dtInteger, nullptr, [](VM& vm, Host&) { vm.SetResult(Flag(SameText(S(vm, 0), S(vm, 1)))); }},
    {"TextReplace", 3, dtText, nullptr, [](VM& vm, Host&) { vm.SetResult(TextReplace(S(vm, 0), S(vm, 1), S(vm, 2))); }},
    {"ActivateText1", 0, dtNone, nullptr, [](VM&, Host& h) { h.ActiveText() = h.Text1(); }},
    {"ActivateText2", 0, dtNone, nullptr, [](VM&, Host& h) { h.ActiveText() = h.Text2(); }},
    {"Token", 3, dtText, nullptr, [](VM& vm, Host& h) { vm.SetResult(Token(h.Log(), S(vm, 0), S(vm, 1), I(vm, 2))); }},
    {"Tokens", 3, dtText, nullptr, [](VM& vm, Host& h) { vm.SetResult(Tokens(h.Log(), S(vm, 0), S(vm, 1), I(vm, 2))); }},
    {"TrimAll", 1, dtText, nullptr, [](VM& vm, Host& h) { vm.SetResult(TrimAll(h.Log(), S(vm, 0))); }},
    // Regular expressions
    {"PDFREFind", 2, dtText, nullptr, [](VM& vm, Host& h) { vm.SetResult(REFind(h.Log(), h.ActiveText(), S(vm, 0), I(vm, 1))); }},
    {"PDFREMatch", 1, dtText, nullptr, [](VM& vm, Host& h) { vm.SetResult(REMatch(h.Log(), h.ActiveText(), S(vm, 0))); }},
    {"PDFREReplace", 2, dtText, nullptr,
     [](VM& vm, Host& h) { vm.SetResult(REReplace(h.Log(), h.ActiveText(), S(vm, 0), S(vm, 1))); }},
    {"REFind", 3, dtText, nullptr, [](VM& vm, Host& h) { vm.SetResult(REFind(h.Log(), S(vm, 0), S(vm, 1), I(vm, 2))); }},
    {"REMatch", 2, dtText, nullptr, [](VM& vm, Host& h) { vm.SetResult(REMatch(h.Log(), S(vm, 0), S(vm, 1))); }},
    {"REReplace", 3, dtText, nullptr, [](VM& vm, Host& h) { vm.SetResult(REReplace(h.Log(), S(vm, 0), S(vm, 1), S(vm, 2))); }},
    // Paths and text files
    {"TrimBackSlash", 1, dtText, nullptr, [](VM& vm, Host& h) { vm.SetResult(TrimBackSlash(h.Log(), S(vm, 0))); }},
    {"FixFileName", 1, dtText, nullptr, [](VM& vm, Host& h) { vm.SetResult(FixFileName(h.Log(), S(vm, 0), true)); }},
    {"ParentFolder", 1, dtText, nullptr, [](VM& vm, Host& h) { vm.SetResult(ParentFolder(h.Log(), S(vm, 0))); }},
    {"SubDir", 2, dtText, nullptr, [](VM& vm, Host& h) { vm.SetResult(SubDir(h.Log(), S(vm, 0), I(vm, 1))); }},
    {"SubDirs", 2, dtText, nullptr, [](VM& vm, Host& h) { vm.SetResult(SubDirs(h.Log(), S(vm, 0), I(vm, 1))); }},
    {"FixFilePath", 1, dtText, nullptr, [](VM& vm, Host& h) { vm.SetResult(FixFilePath(h.Log(), S(vm, 0))); }},
    {"AppendToTextFile", 2, dtNone, nullptr, [](VM& vm, Host& h) { AppendToTextFile(h.Log(), h.Files(), S(vm, 0), S(vm, 1)); }},
    {"ReadFromTextFile", 1, dtText, nullptr,
     [](VM& vm, Host& h) { vm.SetResult(ReadFromTextFile(h.Log(), h.Files(), S(vm, 0))); }},
    {"FileExists", 1, dtInteger, nullptr, [](VM& vm, Host& h) { vm.SetResult(Flag(h.Files().FileExists(S(vm, 0)))); }},
    {"DirectoryExists", 1, dtInteger, nullptr,
     [](VM& vm, Host& h) { vm.SetResult(Flag(h.Files().DirectoryExists(S(vm, 0)))); }},
    // File placement
    {"LastPDFFile", 1, dtText, nullptr, [](VM& vm, Host& h) { vm.SetResult(h.LastPDFFile(S(vm, 0))); }},
    {"PDFMoveTo", 1, dtInteger, "s_PdfMoveTo", [](VM& vm, Host& h) { h.PdfCopyMoveTo(S(vm, 0), true); }},
    {"PDFCopyTo", 1, dtInteger, "s_PdfCopyTo", [](VM& vm, Host& h) { h.PdfCopyMoveTo(S(vm, 0), false); }},
    {"PDFDelete", 0, dtInteger, "s_PdfDelete",
     [](VM& vm, Host& h) {
       const std::string pdf = h.CurrentPdf();  // deleting leaves the current PDF's path as it was
       vm.SetResult(Flag(h.DeleteFile(pdf)));
     }},
    {"CopyFile", 2, dtInteger, "S_CopyFile", [](VM& vm, Host& h) { vm.SetResult(Flag(h.CopyFile(S(vm, 0), S(vm, 1)))); }},
    {"DeleteFile", 1, dtInteger, nullptr, [](VM& vm, Host& h) { vm.SetResult(Flag(h.DeleteFile(S(vm, 0)))); }},
    // Printing
    {"PrintingByAcrobatReader", 0, dtInteger, "", [](VM&, Host& h) { h.PrintingByAcrobatReader(); }},
    {"PrintingByVarnholt", 0, dtInteger, "", [](VM&, Host& h) { h.PrintingByVarnholt(); }},
    {"PDFPrint", 0, dtInteger, nullptr,
     [](VM& vm, Host& h) { vm.SetResult(Flag(h.PrintTo(h.CurrentPdf(), h.PaperPrinter(), true))); }},
    {"PDFPrintTo", 1, dtInteger, nullptr,
     [](VM& vm, Host& h) {
       const std::string printer = TrimAll(h.Log(), S(vm, 0));
       RequireOneLine("PDFPrintTo", "printer name", printer);
       vm.SetResult(Flag(h.PrintTo(h.CurrentPdf(), printer, true)));
     }},
    {"Print", 1, dtInteger, nullptr,
     [](VM& vm, Host& h) {
       const std::string file = TrimAll(h.Log(), S(vm, 0));
       RequireOneLine("Print", "file name", file);
       vm.SetResult(Flag(h.PrintTo(file, h.PaperPrinter(), true)));
     }},
    {"PrintTo", 2, dtInteger, nullptr,
     [](VM& vm, Host& h) {
       const std::string file = TrimAll(h.Log(), S(vm, 0));
       const std::string printer = TrimAll(h.Log(), S(vm, 1));
       RequireOneLine("PrintTo", "file name", file);
       RequireOneLine("PrintTo", "printer name", printer);
       vm.SetResult(Flag(h.PrintTo(file, printer, true)));
     }},
    // PDF document operations
    {"Protect", 1, dtNone, nullptr, [](VM& vm, Host& h) { Protect(h, S(vm, 0)); }},
    {"Repaginate", 3, dtNone, nullptr, [](VM& vm, Host& h) { Repaginate(h, S(vm, 0), I(vm, 1), I(vm, 2)); }},
    {"WaterMarkPages", 3, dtNone, nullptr, [](VM& vm, Host& h) { WaterMarkPages(h, S(vm, 0), S(vm, 1), S(vm, 2)); }},
    {"PDFAppendTo", 1, dtNone, nullptr, [](VM& vm, Host& h) { AppendTo(h, h.CurrentPdf(), S(vm, 0)); }},
    {"AppendToPDF", 1, dtNone, nullptr, [](VM& vm, Host& h) { AppendTo(h, S(vm, 0), h.CurrentPdf()); }},
    {"AppendTo", 2, dtNone, nullptr, [](VM& vm, Host& h) { AppendTo(h, S(vm, 0), S(vm, 1)); }},
    {"CoverPage", 3, dtNone, "s_PDFCoverPage", [](VM& vm, Host& h) { CoverPage(h, S(vm, 0), S(vm, 1), S(vm, 2)); }},
    {"DeletePages", 3, dtNone, "s_PDFDeletePages", [](VM& vm, Host& h) { DeletePages(h, S(vm, 0), I(vm, 1), I(vm, 2)); }},
};

static_assert(sizeof(kHostRoutines) / sizeof(kHostRoutines[0]) == 74);

const char* const kHostConstants[] = {"NewLine", "ComputerName", "UserName", "PaperPrinter"};

std::vector<TatRoutineSignature> MakeSignatures() {
  std::vector<TatRoutineSignature> signatures;
  for (const THostRoutine& r : kHostRoutines) signatures.push_back({r.name, r.argCount, r.resultType, 0});
  return signatures;
}

}  // namespace

std::span<const THostRoutine> HostRoutineTable() {
  return kHostRoutines;
}

std::span<const TatRoutineSignature> HostRoutines() {
  static const std::vector<TatRoutineSignature> signatures = MakeSignatures();
  return signatures;
}

std::span<const char* const> HostConstants() {
  return kHostConstants;
}

void RegisterHostRoutineSignatures(TatHostRegistry& registry) {
  RegisterSignatures(registry.DefaultClass(), HostRoutines());
  for (const char* name : kHostConstants) {
    registry.RegisterValue(name, std::string(name) == "NewLine" ? std::string("\n") : std::string());
  }
}

void DefineScriptFunction(TatCustomScripter& scripter, THostContext& host) {
  host.Log().WriteProc("Varnholt", "DefineScriptFunction");
  for (const THostRoutine& routine : kHostRoutines) {
    const THostRoutine* r = &routine;
    const std::string proc = r->procName == nullptr ? std::string("s_") + r->name : std::string(r->procName);
    scripter.RegisterRoutine(r->name, r->argCount, r->resultType, nullptr, [r, proc, &host](TatVirtualMachine& vm) {
      if (!proc.empty()) host.Log().WriteProc("Varnholt", proc);
      r->handler(vm, host);
    });
  }
  scripter.RegisterValue("NewLine", ScriptValue("\n"));
  scripter.RegisterValue("ComputerName", ScriptValue(platform::ComputerName()));
  scripter.RegisterValue("UserName", ScriptValue(platform::UserName()));
  scripter.RegisterValue("PaperPrinter", ScriptValue(host.PaperPrinter()));
}

}  // namespace varnholt
