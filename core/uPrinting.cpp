// uPrinting.cpp — printing through the engine and the paper printer list.
#include "core/uPrinting.h"

#include <algorithm>

#include "platform/CodePage.h"
#include "platform/Locale.h"
#include "platform/Printers.h"

namespace varnholt {

namespace {
constexpr const char* kObject = "Varnholt";
constexpr const char* kNoPrinter = "[None]";
}  // namespace

bool TPrinting::PrintTo(const std::string& file, const std::string& printer, bool stopOnError) {
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
    if (stopOnError) status_.EmergencyStop();
    return false;
  }
  // Acrobat Reader printing is never chosen here: no Acrobat Reader is ever found on this platform.
  engine_.ExecPDF({"PRINT", {"PDFFILE=" + file, "PDFPRINTER=" + printer}});
  return true;
}

void TPrinting::PrintingByAcrobatReader() {
  // Numbers convert with a dot from now on, for scripts too, as Acrobat Reader printing always did.
  platform::TFormatSettings settings = platform::FormatSettings();
  settings.DecimalSeparator = '.';
  platform::SetFormatSettings(settings);
  // Acrobat Reader registers itself in the Windows registry, which this platform does not have.
  state_.SetPrintByAcrobatReader(false, "");
  logger_.WriteEntry(ltErr, kObject, "PrintingByAcrobatReader", "Acrobat Reader not installed");
}

void TPrinting::PrintingByVarnholt() {
  state_.SetPrintByAcrobatReader(false, state_.AcrobatReaderPath());
}

void TPrinting::FillPaperPrinters(const std::vector<std::string>& printerList) {
  std::vector<std::string> items(1, kNoPrinter);
  for (const std::string& name : printerList) {
    if (platform::UpperCase(name).find("PDF") == std::string::npos) items.push_back(name);
  }
  if (state_.PaperPrinter().empty()) state_.SetPaperPrinter(items.size() > 1 ? items[1] : kNoPrinter);
  state_.SetPaperPrinterItems(std::move(items));
  port_.ShowPaperPrinters(state_.PaperPrinterItems(), state_.PaperPrinter());
}

}  // namespace varnholt
