// uPrinting.cpp — printing a PDF on paper through the PDF engine, the switch of the printing mode, and the
// paper printer box's list.
#include "core/uVarnholtCore.h"

#include <algorithm>

#include "platform/CodePage.h"
#include "platform/Locale.h"
#include "platform/Printers.h"

namespace varnholt {

namespace {
constexpr const char* kObject = "Varnholt";
constexpr const char* kNoPrinter = "[None]";
}  // namespace

bool TVarnholtCore::PrintTo(const std::string& file, const std::string& printer, bool stopOnError) {
  TBusyCursor busy(port_);
  if (!files_.FileExists(file)) {
    logger_.WriteEntry(ltErr, kObject, "PrintTo", "File not found", file);
    return false;
  }
  if (printer.empty() || platform::SameText(printer, kNoPrinter)) {
    logger_.WriteEntry(ltErr, kObject, "PrintTo", "No printer selected", printer);
    return false;
  }
  const std::vector<std::string> installed = PrinterList ? PrinterList() : platform::InstalledPrinters();
  const bool known = std::any_of(installed.begin(), installed.end(),
                                 [&printer](const std::string& name) { return platform::SameText(name, printer); });
  if (!known) {
    logger_.WriteEntry(ltErr, kObject, "PrintTo", "Printer not found", printer);
    if (stopOnError) EmergencyStop();
    return false;
  }
  // Acrobat Reader printing is never chosen here: no Acrobat Reader is ever found on this platform.
  state_.requestList.clear();
  state_.requestList.push_back("PDFFILE=" + file);
  state_.requestList.push_back("PDFPRINTER=" + printer);
  ExecPDF("PRINT");
  return true;
}

void TVarnholtCore::PrintingByAcrobatReader() {
  // Numbers convert with a dot from now on, for scripts too, as Acrobat Reader printing always did.
  platform::TFormatSettings settings = platform::FormatSettings();
  settings.DecimalSeparator = '.';
  platform::SetFormatSettings(settings);
  // Acrobat Reader registers itself in the Windows registry, which this platform does not have.
  state_.printByAcrobatReader = false;
  state_.acrobatReaderPath.clear();
  logger_.WriteEntry(ltErr, kObject, "PrintingByAcrobatReader", "Acrobat Reader not installed");
}

void TVarnholtCore::PrintingByVarnholt() {
  state_.printByAcrobatReader = false;
}

void TVarnholtCore::FillPaperPrinters(const std::vector<std::string>& printerList) {
  state_.paperPrinterItems.assign(1, kNoPrinter);
  for (const std::string& name : printerList) {
    if (platform::UpperCase(name).find("PDF") == std::string::npos) state_.paperPrinterItems.push_back(name);
  }
  if (state_.paperPrinter.empty()) {
    state_.paperPrinter = state_.paperPrinterItems.size() > 1 ? state_.paperPrinterItems[1] : kNoPrinter;
  }
}

}  // namespace varnholt
