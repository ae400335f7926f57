// CmdFailed.cpp — `varnholt-cli failed count|requeue|delete` and `varnholt-cli status`: the operator's
// commands on the FAILED folder and a look at the queue, for a machine without a window.
#include <iostream>

#include "cli/CliCommands.h"
#include "cli/CliSupport.h"
#include "core/uHeadlessPort.h"
#include "core/uServiceSettings.h"
#include "core/uVarnholtCore.h"
#include "logging/uLogger.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/InstanceLock.h"

namespace varnholt::cli {

namespace {

enum class TFailedAction { Count, Requeue, Delete };

// The switches of the Security page bind these commands as they bind the window's buttons. A settings
// file that cannot be read leaves the switches unknown, so a user without administrator rights is refused.
std::string Refusal(const TCliContext& context, TRestriction restriction) {
  const TUserRights rights = context.Rights();
  if (rights.administrator) return {};
  try {
    return CommandRefusal(LoadServiceSettings(context.ApplicationFolder()).restrictions, rights, restriction);
  } catch (const std::exception& e) {
    return std::string("Not allowed: the administrator-only switches cannot be read (") + e.what() + ")";
  }
}

int Failed(const TCliContext& context, TFailedAction action, bool yes) {
  const std::filesystem::path appFolder = context.ApplicationFolder();
  if (action != TFailedAction::Count) {
    const std::string refused = Refusal(context, action == TFailedAction::Requeue
                                                     ? TRestriction::ReQueueFailedFiles
                                                     : TRestriction::DeleteFailedFiles);
    if (!refused.empty()) {
      std::cerr << ForTerminal(refused) << '\n';
      return 2;
    }
  }
  if (action == TFailedAction::Delete && !yes) {
    std::cerr << "Deleting the reports in C:\\PDF\\FAILED cannot be undone; add --yes to do it.\n";
    return 2;
  }
  TProcessLogger processLogger(appFolder);
  TLogger& logger = processLogger.Get();
  logger.SetEnabled(true);
  // The operator answered the question by giving the command (and --yes for a delete).
  THeadlessPort port(logger, true);
  port.OnMessage = [](const std::string& text) { std::cout << ForTerminal(text) << '\n'; };
  TVarnholtCore core(appFolder, port, logger);
  core.Automatic().SetRefreshBar(29);  // the command's first counter tick counts afresh
  switch (action) {
    case TFailedAction::Count:
      core.Automatic().FileCountTimer();
      std::cout << core.State().FailedCount() << '\n';
      break;
    case TFailedAction::Requeue:
      core.Automatic().btReQueueClick();
      break;
    case TFailedAction::Delete:
      core.Automatic().btDeleteFailedClick();
      break;
  }
  if (action != TFailedAction::Count) {
    // Counted afresh: the command's own counter ticks ran before it acted.
    core.Automatic().SetRefreshBar(29);
    core.Automatic().FileCountTimer();
    const TAutomaticMode::TFailedOutcome& outcome = core.Automatic().LastFailedCommand();
    std::cout << (action == TFailedAction::Requeue ? "Moved " : "Deleted ") << outcome.done << ", stayed "
              << outcome.stayed << "; now Queue " << core.State().QueueCount() << ", Failed "
              << core.State().FailedCount() << '\n';
  }
  return 0;
}

int Status(const TCliContext& context, int lines) {
  const std::filesystem::path appFolder = context.ApplicationFolder();
  const platform::TDriveMap map(appFolder);
  auto count = [&map](const char* folder) {
    const auto native = map.TryResolve(folder);
    return native ? platform::FindFiles(*native, "*.PDF").size() : 0u;
  };
  std::cout << "Application folder: " << appFolder.string() << '\n';
  std::cout << "Queue:  " << count("C:\\PDF") << " PDF files in C:\\PDF\n";
  std::cout << "Failed: " << count("C:\\PDF\\FAILED") << " PDF files in C:\\PDF\\FAILED\n";
  std::string holder;
  if (auto lock = platform::TInstanceLock::TryAcquire(appFolder, &holder)) {
    bool saved = false;
    try {
      saved = LoadServiceSettings(appFolder).automatic;
    } catch (const std::exception&) {
    }
    std::cout << "Mode:   not running (the window last had Automatic mode " << (saved ? "on" : "off") << ")\n";
  } else {
    std::cout << "Mode:   Automatic, " << holder << '\n';
  }
  std::vector<std::string> log;
  platform::ReadTextLines(appFolder / kLogFileName, log);
  const std::size_t first = log.size() > static_cast<std::size_t>(lines) ? log.size() - static_cast<std::size_t>(lines) : 0;
  if (first < log.size()) std::cout << "Last records of " << kLogFileName << ":\n";
  for (std::size_t i = first; i < log.size(); ++i) std::cout << "  " << RecordForPerson(log[i]) << '\n';
  return 0;
}

}  // namespace

void AddFailedCommand(CLI::App& app, TCliContext& context) {
  auto* failed = app.add_subcommand("failed", "The reports in C:\\PDF\\FAILED: list, count, re-queue or delete them");
  failed->require_subcommand(1);
  auto* count = failed->add_subcommand("count", "Print the number of PDF files in C:\\PDF\\FAILED");
  auto* requeue = failed->add_subcommand(
      "requeue", "Move every PDF file of C:\\PDF\\FAILED back into C:\\PDF (a name taken there stays)");
  auto* remove = failed->add_subcommand("delete", "Delete every PDF file of C:\\PDF\\FAILED (needs --yes)");
  auto* list = failed->add_subcommand("list", "List the reports in C:\\PDF\\FAILED with the reason the journal holds");
  list->callback([&context] { context.exitCode = FailedList(context); });
  auto yes = std::make_shared<bool>(false);
  remove->add_flag("--yes", *yes, "Yes, delete them");
  count->callback([&context] { context.exitCode = Failed(context, TFailedAction::Count, false); });
  requeue->callback([&context] { context.exitCode = Failed(context, TFailedAction::Requeue, false); });
  remove->callback([&context, yes] { context.exitCode = Failed(context, TFailedAction::Delete, *yes); });

  auto* status = app.add_subcommand("status", "Print the queue and failed counts, the mode and the last log records");
  auto lines = std::make_shared<int>(10);
  status->add_option("--lines", *lines, "How many log records to show (default 10)");
  status->callback([&context, lines] { context.exitCode = Status(context, *lines); });
}

}  // namespace varnholt::cli
