// CmdRun.cpp — `varnholt-cli run [--script FILE] [--automatic] [--json] PDF`: the Execute command on one
// PDF without a window. Loads its texts through the engine, runs the action script on it and prints the
// run's log records as they are written.
#include <iostream>

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

// The script of a run: the file named, else the application folder's script file, else the standard one.
bool LoadActionScript(const TRunOptions& options, const std::filesystem::path& appFolder,
                      std::vector<std::string>& lines) {
  const std::filesystem::path file = !options.script.empty() ? std::filesystem::path(options.script)
                                                              : appFolder / "Varnholt.PS";
  if (options.script.empty() && !platform::FileExists(file)) {
    lines = StandardScript();
    return true;
  }
  std::string bytes;
  if (const platform::TStatus read = platform::ReadFileBytes(file, bytes); !read) {
    std::cerr << platform::Cp1252ToUtf8(read.Message()) << '\n';
    return false;
  }
  lines = ScriptLines(bytes);
  if (options.script.empty() && IsBlankScript(lines)) lines = StandardScript();
  return true;
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
  if (!LoadActionScript(options, appFolder, script)) return 2;
  const std::optional<TServiceSettings> settings = ReadServiceSettings(appFolder);
  if (!settings) return 2;

  TProcessLogger processLogger(appFolder);
  TLogger& logger = processLogger.Get();
  logger.SetEnabled(true);
  // Every record of the run is shown, whatever the log page's filter keeps.
  logger.SetTypes(LogTypeBit(ltErr) | LogTypeBit(ltScr) | LogTypeBit(ltMsg) | LogTypeBit(ltPrc));
  bool engineError = false, scriptError = false;
  logger.OnRecordAdded = [&](TLogger& log) {
    const std::string& line = log.Line(log.Count() - 1);
    if (line.find("\tErr\tPdfReader\t") != std::string::npos) engineError = true;
    if (line.find("\tErr\tVarnholt\tActionRun\tExecution\t") != std::string::npos) scriptError = true;
    std::cout << (options.json ? RecordAsJson(line) : RecordForPerson(line)) << '\n';
  };

  THeadlessPort port(logger);
  TVarnholtCore core(appFolder, port, logger);
  TProcessingState& state = core.State();
  state.actionScript = script;
  ApplyServiceSettings(*settings, core);
  if (options.automatic) {
    core.RecoverInterruptedMove();
    // As a pass of Automatic mode takes it: the queue is C:\PDF, the mode is on, and a report the script
    // leaves behind is printed and moved to FAILED.
    state.automatic = true;
    state.browserFolder = "C:\\PDF";
    core.SetSelectedFile(*windowsPath);
    if (!core.SettleFailedLoad(*windowsPath)) {
      core.ActionRun();
      if (core.Files().FileExists(*windowsPath)) core.PostAction(*windowsPath);
    }
  } else {
    state.browserFolder = FolderOf(*windowsPath);
    core.SetSelectedFile(*windowsPath);
    core.btExecuteClick();
  }
  logger.OnRecordAdded = nullptr;
  std::cout.flush();
  if (scriptError) return 3;
  if (engineError) return 1;
  // Filed nowhere: the report waits in FAILED for an operator (moved there by the core, or by the script),
  // which a caller must be able to tell.
  if (core.MovesToFailed() > 0 ||
      platform::SameText(FolderOf(state.currentPdf), JoinPath(core.QueueFolder(), "FAILED"))) {
    return 4;
  }
  return 0;
}

}  // namespace

void AddRunCommand(CLI::App& app, TCliContext& context) {
  auto* cmd = app.add_subcommand(
      "run",
      "Run the action script on one PDF as the Execute button does, and print "
      "the log records of the run (exit 0 done, 1 engine error, 2 bad arguments, 3 script error, "
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
