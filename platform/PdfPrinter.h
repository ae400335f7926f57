// PdfPrinter.h — the PDF printer on Linux: CUPS queues whose cups-pdf backend writes each job as a PDF,
// where they write, and the setup of the queue "Varnholt-PDF" that files every job into the queue folder.
// Shared by `varnholt-cli printer` and the window's start-up check.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/DriveMap.h"
#include "platform/Status.h"

namespace varnholt::platform {

inline constexpr std::string_view kPdfPrinterQueue = "Varnholt-PDF";
inline constexpr std::string_view kPdfPrinterQueueFolder = "C:\\PDF";

// Where cups-pdf lives. The defaults are Debian's (package printer-driver-cups-pdf); tests give folders
// of their own, so that nothing below /etc is ever touched by them.
struct TPdfPrinterPaths {
  std::filesystem::path configFolder = "/etc/cups";  // cups-pdf.conf and cups-pdf-<name>.conf
  std::filesystem::path backend = "/usr/lib/cups/backend/cups-pdf";
  std::filesystem::path ppdFile = "/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd";
};

// The settings of one cups-pdf configuration that decide where a job goes and what it is called. cups-pdf
// reads exactly one file: cups-pdf-<name>.conf for the device "cups-pdf:/<name>", cups-pdf.conf for
// "cups-pdf:/"; a setting the file lacks (or a file that is missing) keeps the backend's default.
struct TCupsPdfSettings {
  std::filesystem::path configFile;
  bool configFound = false;
  std::string out = "/var/spool/cups-pdf/${USER}";
  std::string anonDirName = "/var/spool/cups-pdf/ANONYMOUS";
  int label = 0;               // 0: the title alone, 1: "job_N-" before it, 2: "-job_N" after it
  int titlePref = 0;           // 0: the title inside the document first, 1: the job's title first
  int truncate = 64;           // longest name without extension
  std::string postProcessing;  // a program called with each finished PDF
};
// The configuration file cups-pdf reads for a device URI ("cups-pdf:/Varnholt-PDF").
std::filesystem::path CupsPdfConfigFile(const std::filesystem::path& configFolder,
                                        std::string_view deviceUri);
TCupsPdfSettings ReadCupsPdfSettings(const std::filesystem::path& configFolder, std::string_view deviceUri);

// One cups-pdf queue and where its PDFs end up.
struct TPdfPrinterQueue {
  std::string name;
  std::string deviceUri;
  bool isDefault = false;
  bool acceptingJobs = true;
  bool stopped = false;
  TCupsPdfSettings settings;
  // The folder the finished PDFs land in: the queue folder of Varnholt's filing program when the queue
  // uses it, otherwise cups-pdf's Out (as written there, ${HOME} and ${USER} not expanded).
  std::string writesTo;
  bool namesByDateTime = false;  // Varnholt's filing program names the files by date, time and counter
};
// The queues of the print server whose device is cups-pdf, sorted by name.
std::vector<TPdfPrinterQueue> FindPdfPrinters(const TPdfPrinterPaths& paths = {});

// What the start-up check and `printer status` need to know.
struct TPdfPrinterCheck {
  bool backendInstalled = false;
  bool serverAnswers = false;         // the print server (CUPS) runs and answers
  std::filesystem::path queueFolder;  // the application's C:\PDF, native
  std::vector<TPdfPrinterQueue> queues;
  std::string matchingQueue;  // a ready queue that writes into queueFolder; empty when none
  bool Ready() const { return !matchingQueue.empty(); }
};
TPdfPrinterCheck CheckPdfPrinter(const TDriveMap& driveMap, const TPdfPrinterPaths& paths = {});

// Creates or adjusts the queue "Varnholt-PDF" so that every job lands in the application's C:\PDF named
// yyyymmddhhnnss_NNNN.pdf (date, time and a counter). Touches only that queue and its own cups-pdf files
// (configuration and filing program), never cups-pdf.conf or another queue. Needs root. changes gets one
// line for each thing changed; none when everything was already so.
TStatus SetUpPdfPrinter(const TDriveMap& driveMap, std::vector<std::string>& changes,
                        const TPdfPrinterPaths& paths = {});

// The sub-folder of the queue folder that cups-pdf writes into before the filing program moves each
// finished PDF into the queue folder itself; a PDF is never seen in the queue half written.
inline constexpr std::string_view kPdfPrinterStagingFolder = ".printing";

}  // namespace varnholt::platform
