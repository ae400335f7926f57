// Printers.h — the printing system (CUPS on Linux): the printer list, the default printer, print jobs and
// the setup of one queue. The only place in the program that talks to libcups.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Status.h"

namespace varnholt::platform {

// Whether the print server answers at all (a missing server and one without printers look alike in the
// printer list).
bool PrintServerAnswers();

// The installed printers (CUPS destinations without instances), sorted by name; empty when no print
// server answers, which is not an error here.
std::vector<std::string> InstalledPrinters();
// The default printer, or empty when there is none.
std::string DefaultPrinter();
// Whether a printer of this name is installed; names are compared without regard to case.
bool IsPrinterInstalled(std::string_view name);

// One queue as the print server describes it. Names are in the system code page.
struct TPrinterQueue {
  std::string name;
  std::string deviceUri;  // the backend and its target, e.g. "cups-pdf:/Varnholt-PDF"; empty if not told
  bool isDefault = false;
  bool acceptingJobs = true;
  bool stopped = false;  // the queue holds its jobs (printer-state "stopped")
};
std::vector<TPrinterQueue> PrinterQueues();

// The outcome of handing one file to a printer.
struct TPrintJob {
  enum class TState { Queued, UnknownPrinter, Refused };
  TState state = TState::Queued;
  int id = 0;         // the job number when queued
  std::string name;   // the printer's name as the server spells it
  std::string error;  // the print server's reason when not queued
  bool Queued() const { return state == TState::Queued; }
};
// Prints a file (native path) on the named printer (found without regard to case) with the printer's
// default options; title is the job's name in the queue.
TPrintJob PrintFile(std::string_view printer, const std::filesystem::path& file, std::string_view title);

// Creates the queue or changes it to this device, and lets it accept and print jobs. The PPD file is sent
// only when given (for a new queue, or to replace the driver). Needs the rights of the print server's
// administrator (root on this machine).
struct TQueueSetup {
  std::string name;
  std::string deviceUri;
  std::string info;               // the description the print dialogs show
  std::filesystem::path ppdFile;  // empty: keep the driver the queue has
};
TStatus SetUpPrinterQueue(const TQueueSetup& setup);

// Makes the named printer the print server's default printer, the one a program prints on when it names
// none. Needs the rights of the print server's administrator.
TStatus SetDefaultPrinter(std::string_view name);

// The print server to talk to from now on ("/run/x.sock", "host:631"); empty means the usual choice
// (the CUPS_SERVER environment variable or the system's server). Tests point it at a server of their own.
void UsePrintServer(std::string_view server);

}  // namespace varnholt::platform
