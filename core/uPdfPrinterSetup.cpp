// uPdfPrinterSetup.cpp — the start-up check of the PDF printer and its questions.
#include "core/uPdfPrinterSetup.h"

#include <unistd.h>

#include <utility>

#include "core/uUiPort.h"
#include "logging/uLogger.h"
#include "platform/CodePage.h"
#include "platform/Printers.h"

namespace varnholt {

namespace {
constexpr const char* kObject = "Varnholt";
constexpr const char* kProc = "CheckPDFPrinter";

std::string Found(const std::string& printer) {
  return "Varnholt requires a PDF Printer\n" + printer + " was found as valid PDF Printer\n\n";
}

TPdfPrinterSource& Source() {
  static TPdfPrinterSource source;
  return source;
}

bool Check(const TPdfPrinterSystem& system, TUiPort& port, TLogger& logger);
}  // namespace

TPdfPrinterSystem NoPdfPrinter() {
  TPdfPrinterSystem system;
  system.check = [] { return platform::TPdfPrinterCheck{}; };
  system.maySetUp = [] { return false; };
  system.setUp = [](std::vector<std::string>&) { return platform::TStatus::Fail("No print server"); };
  system.defaultPrinter = [] { return std::string(); };
  system.setDefaultPrinter = [](const std::string&) { return platform::TStatus::Fail("No print server"); };
  return system;
}

void SetPdfPrinterSource(TPdfPrinterSource source) {
  Source() = std::move(source);
}

TPdfPrinterSystem PdfPrinterSystem(const platform::TDriveMap& driveMap) {
  return Source() ? Source()(driveMap) : MachinePdfPrinter(driveMap);
}

bool CheckPdfPrinter(const TPdfPrinterSystem& system, TUiPort& port, TLogger& logger) {
  try {
    return Check(system, port, logger);
  } catch (const std::exception& e) {
    logger.WriteEntry(ltErr, kObject, kProc, "PDF printer", e.what());
    port.ShowError(e.what());
    return false;
  }
}

TPdfPrinterSystem MachinePdfPrinter(const platform::TDriveMap& driveMap) {
  TPdfPrinterSystem system;
  system.check = [driveMap] { return platform::CheckPdfPrinter(driveMap); };
  system.maySetUp = [] { return ::geteuid() == 0; };
  system.setUp = [driveMap](std::vector<std::string>& changes) {
    return platform::SetUpPdfPrinter(driveMap, changes);
  };
  system.defaultPrinter = [] { return platform::DefaultPrinter(); };
  system.setDefaultPrinter = [](const std::string& name) { return platform::SetDefaultPrinter(name); };
  return system;
}

namespace {
bool Check(const TPdfPrinterSystem& system, TUiPort& port, TLogger& logger) {
  const platform::TPdfPrinterCheck check = system.check();
  if (!check.serverAnswers || !check.backendInstalled) {
    logger.WriteEntry(ltMsg, kObject, kProc, "No PDF printer can be set up",
                      !check.serverAnswers ? "the print server (CUPS) does not answer"
                                           : "cups-pdf is not installed (printer-driver-cups-pdf)");
    return false;
  }
  const bool maySetUp = system.maySetUp();
  std::string queue = check.matchingQueue;
  if (queue.empty()) {
    if (!maySetUp) {
      logger.WriteEntry(ltMsg, kObject, kProc, "No PDF printer saves into C:\\PDF",
                        "run \"varnholt-cli printer setup\" as root");
      return false;
    }
    if (!port.Confirm(Found("cups-pdf") + "Set " + std::string(platform::kPdfPrinterQueue) +
                          " to print automatically to C:\\PDF\\ ?",
                      TConfirmButtons::kYesNo)) {
      return false;
    }
    std::vector<std::string> changes;
    const platform::TStatus done = system.setUp(changes);
    for (const std::string& change : changes) logger.WriteEntry(ltMsg, kObject, kProc, "Printer setup", change);
    if (!done) {
      logger.WriteEntry(ltErr, kObject, kProc, "Printer setup", done.Message());
      port.ShowError(done.Message());
      return false;
    }
    queue = std::string(platform::kPdfPrinterQueue);
  }
  // Only the print server's administrator may change its default printer.
  if (maySetUp && !platform::AnsiSameText(system.defaultPrinter(), queue) &&
      port.Confirm(Found(queue) + "Set " + queue + " as the default printer ?", TConfirmButtons::kYesNo)) {
    if (const platform::TStatus made = system.setDefaultPrinter(queue); !made) {
      logger.WriteEntry(ltErr, kObject, kProc, "Default printer", made.Message());
      port.ShowError("Failed to set the default printer to\n" + queue);
    }
  }
  return true;
}
}  // namespace

}  // namespace varnholt
