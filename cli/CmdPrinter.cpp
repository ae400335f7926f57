// CmdPrinter.cpp — `varnholt-cli printer status|setup`: the PDF printer that turns every printed report
// into a PDF in the queue folder C:\PDF.
#include <unistd.h>

#include <iostream>
#include <memory>

#include "cli/CliCommands.h"
#include "platform/CodePage.h"
#include "platform/DriveMap.h"
#include "platform/PdfPrinter.h"

namespace varnholt::cli {

namespace {

std::string Out(const std::string& cp1252) {
  return platform::Cp1252ToUtf8(cp1252);
}

void PrintStatus(const platform::TPdfPrinterCheck& check) {
  std::cout << "Queue folder C:\\PDF: " << check.queueFolder.string() << '\n';
  if (!check.backendInstalled) {
    std::cout << "The cups-pdf backend is not installed (Debian package printer-driver-cups-pdf).\n";
  }
  if (!check.serverAnswers) std::cout << "The print server (CUPS) does not answer.\n";
  if (check.queues.empty() && check.serverAnswers)
    std::cout << "No PDF printer (cups-pdf queue) is set up.\n";
  for (const auto& q : check.queues) {
    std::cout << "PDF printer " << Out(q.name) << (q.isDefault ? " (default printer)" : "") << '\n'
              << "  device:    " << Out(q.deviceUri) << '\n'
              << "  settings:  " << q.settings.configFile.string()
              << (q.settings.configFound ? "" : " (missing: the backend's defaults apply)") << '\n'
              << "  writes to: " << Out(q.writesTo) << '\n'
              << "  names:     "
              << (q.namesByDateTime
                      ? "date, time and counter (yyyymmddhhnnss_NNNN.pdf)"
                      : "the document's title" + std::string(q.settings.label == 0 ? "" : " and job number"))
              << '\n';
    if (!q.acceptingJobs) std::cout << "  does not accept jobs\n";
    if (q.stopped) std::cout << "  is stopped\n";
  }
  if (check.Ready()) {
    std::cout << "Ready: " << Out(check.matchingQueue) << " writes into this application folder's C:\\PDF.\n";
  } else {
    std::cout << "Not ready: no PDF printer writes into this application folder's C:\\PDF; run "
                 "\"varnholt-cli printer setup\" as root.\n";
  }
}

}  // namespace

void AddPrinterCommand(CLI::App& app, TCliContext& context) {
  auto* cmd = app.add_subcommand("printer", "The PDF printer that saves every printed report into C:\\PDF");
  cmd->require_subcommand(1);
  auto paths = std::make_shared<platform::TPdfPrinterPaths>();
  // Where cups-pdf lives, for tests and unusual installations; hidden from the help.
  const auto addPathOptions = [paths](CLI::App* sub) {
    sub->add_option("--cups-pdf-config", paths->configFolder)->group("");
    sub->add_option("--cups-pdf-backend", paths->backend)->group("");
    sub->add_option("--cups-pdf-ppd", paths->ppdFile)->group("");
  };

  auto* status = cmd->add_subcommand(
      "status",
      "Is there a PDF printer, where does it write, and is that this application folder's C:\\PDF "
      "(exit status 0 when it is, 1 when not)");
  addPathOptions(status);
  status->callback([&context, paths] {
    try {
      const auto check = platform::CheckPdfPrinter(platform::TDriveMap(context.ApplicationFolder()), *paths);
      PrintStatus(check);
      context.exitCode = check.Ready() ? 0 : 1;
    } catch (const std::exception& e) {
      std::cerr << platform::Cp1252ToUtf8(e.what()) << '\n';
      context.exitCode = 2;
    }
  });

  auto* setup = cmd->add_subcommand(
      "setup",
      "Create or adjust the printer Varnholt-PDF so that it saves every job into C:\\PDF, named by "
      "date, time and counter (run as root)");
  addPathOptions(setup);
  setup->callback([&context, paths] {
    if (::geteuid() != 0) {
      std::cerr << "printer setup must run as root: it writes the cups-pdf settings and sets up a print "
                   "queue. Run it again with sudo.\n";
      context.exitCode = 2;
      return;
    }
    std::vector<std::string> changes;
    const platform::TStatus done =
        platform::SetUpPdfPrinter(platform::TDriveMap(context.ApplicationFolder()), changes, *paths);
    for (const auto& change : changes) std::cout << Out(change) << '\n';
    if (!done) {
      std::cerr << Out(done.Message()) << '\n';
      context.exitCode = 2;
      return;
    }
    if (changes.empty()) std::cout << "Nothing to change: the printer Varnholt-PDF is set up.\n";
  });
}

}  // namespace varnholt::cli
