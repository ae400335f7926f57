// uPdfPrinterSetup.h — the start-up check of the PDF printer: is there a queue that saves every printed
// report into C:\PDF, and, where this user may set one up, the questions that offer to do it and to make
// it the default printer. The same platform code as `varnholt-cli printer status|setup`.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/DriveMap.h"
#include "platform/PdfPrinter.h"
#include "platform/Status.h"

namespace varnholt {

class TLogger;
class TUiPort;

// What the check asks of the printing system. The window gives the machine's; tests give their own, so
// that no test ever touches the print server of the machine.
struct TPdfPrinterSystem {
  std::function<platform::TPdfPrinterCheck()> check;
  // Whether this user may write cups-pdf's settings and the print server's queues (root).
  std::function<bool()> maySetUp;
  std::function<platform::TStatus(std::vector<std::string>& changes)> setUp;
  std::function<std::string()> defaultPrinter;
  std::function<platform::TStatus(const std::string& name)> setDefaultPrinter;
};
// The machine's printing system for the application folder of this drive map.
TPdfPrinterSystem MachinePdfPrinter(const platform::TDriveMap& driveMap);
// A printing system without a print server: the check finds nothing and asks nothing. For the tests and
// benchmarks of the window, which must never touch the machine's printers.
TPdfPrinterSystem NoPdfPrinter();
// The printing system the window's start-up check uses: the machine's, unless a source was set (tests
// set one for the rest of the process; empty: the machine's again).
using TPdfPrinterSource = std::function<TPdfPrinterSystem(const platform::TDriveMap&)>;
void SetPdfPrinterSource(TPdfPrinterSource source);
TPdfPrinterSystem PdfPrinterSystem(const platform::TDriveMap& driveMap);

// CheckPDFPrinter: true when, afterwards, a PDF printer saves into C:\PDF. Asks nothing where no PDF
// printer can be set up: no print server, no cups-pdf, or a user without the rights to set one up. A
// failure of the printing system is logged and shown; it never ends the start-up.
bool CheckPdfPrinter(const TPdfPrinterSystem& system, TUiPort& port, TLogger& logger);

}  // namespace varnholt
