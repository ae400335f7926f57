// uHostRoutineTable.cpp — the host routine table as data; the handlers are bound by the processing core.
#include "hostlib/uHostRoutineTable.h"

#include <string>

namespace varnholt {

namespace {

const TatRoutineSignature kHostRoutines[] = {
    // Environment
    {"Log", 2, dtNone, 0},
    {"LogErr", 2, dtNone, 0},
    {"IsAutomatic", 0, dtInteger, 0},
    {"Execute", 2, dtInteger, 0},
    {"PDFFile", 0, dtText, 0},
    {"PDFName", 0, dtText, 0},
    {"PDFPath", 0, dtText, 0},
    {"PDFText", 0, dtText, 0},
    {"DateTimeNow", 1, dtText, 0},
    {"DateTime", 2, dtText, 0},
    {"QueueFolder", 0, dtText, 0},
    {"FailedFolder", 0, dtText, 0},
    // Text
    {"PDFContains", 1, dtInteger, 0},
    {"PDFLeft", 1, dtText, 0},
    {"PDFRight", 1, dtText, 0},
    {"PDFBetween", 2, dtText, 0},
    {"PDFAfter", 1, dtText, 0},
    {"PDFBefore", 1, dtText, 0},
    {"PDFAfterN", 2, dtText, 0},
    {"PDFBeforeN", 2, dtText, 0},
    {"PDFMid", 2, dtText, 0},
    {"Contains", 2, dtInteger, 0},
    {"Left", 2, dtText, 0},
    {"Right", 2, dtText, 0},
    {"Between", 3, dtText, 0},
    {"After", 2, dtText, 0},
    {"Before", 2, dtText, 0},
    {"AfterN", 3, dtText, 0},
    {"BeforeN", 3, dtText, 0},
    {"Mid", 3, dtText, 0},
    {"PosI", 2, dtInteger, 0},
    {"SameText", 2, dtInteger, 0},
    {"TextReplace", 3, dtText, 0},
    {"ActivateText1", 0, dtNone, 0},
    {"ActivateText2", 0, dtNone, 0},
    {"Token", 3, dtText, 0},
    {"Tokens", 3, dtText, 0},
    {"TrimAll", 1, dtText, 0},
    // Regular expressions
    {"PDFREFind", 2, dtText, 0},
    {"PDFREMatch", 1, dtText, 0},
    {"PDFREReplace", 2, dtText, 0},
    {"REFind", 3, dtText, 0},
    {"REMatch", 2, dtText, 0},
    {"REReplace", 3, dtText, 0},
    // Paths and text files
    {"TrimBackSlash", 1, dtText, 0},
    {"FixFileName", 1, dtText, 0},
    {"ParentFolder", 1, dtText, 0},
    {"SubDir", 2, dtText, 0},
    {"SubDirs", 2, dtText, 0},
    {"FixFilePath", 1, dtText, 0},
    {"AppendToTextFile", 2, dtNone, 0},
    {"ReadFromTextFile", 1, dtText, 0},
    {"FileExists", 1, dtInteger, 0},
    {"DirectoryExists", 1, dtInteger, 0},
    // File placement
    {"LastPDFFile", 1, dtText, 0},
    {"PDFMoveTo", 1, dtInteger, 0},
    {"PDFCopyTo", 1, dtInteger, 0},
    {"PDFDelete", 0, dtInteger, 0},
    {"CopyFile", 2, dtInteger, 0},
    {"DeleteFile", 1, dtInteger, 0},
    // Printing and PDF document operations
    {"PrintingByAcrobatReader", 0, dtInteger, 0},
    {"PrintingByVarnholt", 0, dtInteger, 0},
    {"PDFPrint", 0, dtInteger, 0},
    {"PDFPrintTo", 1, dtInteger, 0},
    {"Print", 1, dtInteger, 0},
    {"PrintTo", 2, dtInteger, 0},
    {"Protect", 1, dtNone, 0},
    {"Repaginate", 3, dtNone, 0},
    {"WaterMarkPages", 3, dtNone, 0},
    {"PDFAppendTo", 1, dtNone, 0},
    {"AppendToPDF", 1, dtNone, 0},
    {"AppendTo", 2, dtNone, 0},
    {"CoverPage", 3, dtNone, 0},
    {"DeletePages", 3, dtNone, 0},
};

static_assert(sizeof(kHostRoutines) / sizeof(kHostRoutines[0]) == 74);

const char* const kHostConstants[] = {"NewLine", "ComputerName", "UserName", "PaperPrinter"};

}  // namespace

std::span<const TatRoutineSignature> HostRoutines() {
  return kHostRoutines;
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

}  // namespace varnholt
