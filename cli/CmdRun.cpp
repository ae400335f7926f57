// CmdRun.cpp — `varnholt-cli run [--script FILE] [--automatic] [--json] PDF`: the Execute command on one
// PDF without a window. Loads its texts through the engine, runs the action script on it and prints the
// run's log records as they are written.
#include <iostream>

#include <nlohmann/json.hpp>

#include "cli/CliCommands.h"
#include "cli/CliSupport.h"
#include "core/uHeadlessPort.h"
#include "core/uServiceSettings.h"
#include "core/uStandardScript.h"
#include "core/uVarnholtCore.h"
#include "hostlib/uDestinationNames.h"
#include "logging/uLogger.h"
#include "platform/CodePage.h"
#include "platform/Files.h"

namespace varnholt::cli {

namespace {

struct TRunOptions {
  std::string pdf;
  std::string script;
  bool automatic = false;
  bool json = false;
};

// The words of the person's outcome line; the JSON line carries the names tools read (FilingEndName).
const char* EndWords(TFilingEnd end) {
  switch (end) {
    case TFilingEnd::kFiled: return "filed";
    case TFilingEnd::kInFailed: return "in FAILED";
    case TFilingEnd::kLeftInPlace: return "left in place";
    case TFilingEnd::kStayed: return "stayed";
    case TFilingEnd::kScriptError: return "script error";
    case TFilingEnd::kRefused: return "refused";
  }
  return "";
}

// The last line of a run: what came of the report, as the core tells it.
void PrintOutcome(const TFilingOutcome& outcome, bool json) {
  if (json) {
    nlohmann::ordered_json line;
    line["outcome"] = FilingEndName(outcome.end);
    line["report"] = platform::Cp1252ToUtf8(outcome.report);
    line["location"] = platform::Cp1252ToUtf8(outcome.location);
    line["reason"] = platform::Cp1252ToUtf8(outcome.reason);
    line["engineError"] = outcome.engineError;
    line["emergencyStop"] = outcome.emergencyStop;
    line["script"] = ScriptEndName(outcome.script.end);
    line["row"] = outcome.script.row;
    line["column"] = outcome.script.column;
    std::cout << line.dump() << '\n';
    return;
  }
  std::string text = std::string("Outcome: ") + EndWords(outcome.end);
  if (!outcome.location.empty() && outcome.end != TFilingEnd::kRefused) text += "  " + outcome.location;
  if (outcome.script.row > 0) {
    text += "  Line " + std::to_string(outcome.script.row) + ", Char " + std::to_string(outcome.script.column);
  }
  if (!outcome.reason.empty()) text += "  " + outcome.reason;
  if (outcome.engineError) text += "  (engine error)";
  std::cout << ForTerminal(text) << '\n';
}

// A script error says 3, an engine or system error that left the report where it was 1, and a report
// filed nowhere (it waits in FAILED for an
// operator) 4, which a caller must be able to tell; an Execute the core refused is a bad argument.
int ExitCodeOf(const TFilingOutcome& outcome) {
  if (outcome.end == TFilingEnd::kScriptError) return 3;
  if (outcome.engineError) return 1;
  if (outcome.end == TFilingEnd::kInFailed) return 4;
  if (outcome.end == TFilingEnd::kStayed) return 1;
  if (outcome.end == TFilingEnd::kRefused) {
    std::cerr << platform::Cp1252ToUtf8(outcome.reason) << '\n';
    return 2;
  }
  return 0;
}

int Run(const TCliContext& context, const TRunOptions& options) {
  const std::filesystem::path appFolder = context.ApplicationFolder();
  const platform::TDriveMap map(appFolder);
  const auto windowsPath = WindowsPathOf(options.pdf, map);
  if (!windowsPath) {
    std::cerr << options.pdf << " is not inside a drive folder of " << appFolder.string()
              << " (drives/<letter>); give a Windows path such as C:\\PDF\\report.pdf\n";
    return 2;
  }
  if (!map.TryResolve(*windowsPath) || !platform::FileExists(*map.TryResolve(*windowsPath))) {
    std::cerr << "No such file: " << platform::Cp1252ToUtf8(*windowsPath) << '\n';
    return 2;
  }
  std::vector<std::string> script;
  if (!ReadActionScript(options.script, appFolder, script)) return 2;
  const std::optional<TServiceSettings> settings = ReadServiceSettings(appFolder);
  if (!settings) return 2;

  TProcessLogger processLogger(appFolder);
  TLogger& logger = processLogger.Get();
  logger.SetEnabled(true);
  // Every record of the run is shown, whatever the log page's filter keeps.
  logger.SetTypes(LogTypeBit(ltErr) | LogTypeBit(ltScr) | LogTypeBit(ltMsg) | LogTypeBit(ltPrc));
  logger.OnRecordAdded = [&](TLogger& log) {
    const std::string& line = log.Line(log.Count() - 1);
    std::cout << (options.json ? RecordAsJson(line) : RecordForPerson(line)) << '\n';
  };

  THeadlessPort port(logger);
  TVarnholtCore core(appFolder, port, logger);
  core.State().SetActionScript(script);
  ApplyServiceSettings(*settings, core);
  TFilingOutcome outcome;
  if (options.automatic) {
    core.Placement().RecoverInterruptedMove();
    // As a pass of Automatic mode takes it: the queue is C:\PDF, the mode is on, and a report the script
    // leaves behind is printed and moved to FAILED.
    outcome = core.Automatic().FileOne(*windowsPath);
  } else {
    core.State().SetBrowserFolder(FolderOf(*windowsPath));
    outcome = core.Filing().FileReport(*windowsPath, TFilingMode::kExecute);
  }
  logger.OnRecordAdded = nullptr;
  PrintOutcome(outcome, options.json);
  std::cout.flush();
  return ExitCodeOf(outcome);
}

}  // namespace

void AddRunCommand(CLI::App& app, TCliContext& context) {
  auto* cmd = app.add_subcommand("run",
                                 "Run the action script on one PDF as the Execute button does, and print "
                                 "the log records of the run (exit 0 done, 1 engine error or the report "
                                 "stayed, 2 bad arguments, 3 script error, "
                                 "4 the report went to FAILED)");
  auto options = std::make_shared<TRunOptions>();
  cmd->add_option("--script", options->script,
                  "Action script file (default: Varnholt.PS of the application folder, else the standard "
                  "script)");
  cmd->add_flag("--automatic", options->automatic,
                "Run as Automatic mode does: IsAutomatic is 1, and a report left in the queue is printed "
                "and moved to FAILED");
  cmd->add_flag("--json", options->json, "Print the records as JSON lines");
  cmd->add_option("PDF", options->pdf, "Windows path (C:\\PDF\\x.pdf) or a file inside a drive folder")
      ->required();
  cmd->callback([&context, options] { context.exitCode = Run(context, *options); });
}

}  // namespace varnholt::cli
