// CmdExtract.cpp — `varnholt-cli extract FILE`: the two texts an action script would read for a PDF,
// loaded exactly as the window loads them (LoadContent through PDF.EXE in the application folder), with
// the passwords and limits of Varnholt.xml.
#include <unistd.h>

#include <filesystem>
#include <iostream>

#include "cli/CliCommands.h"
#include "cli/CliSupport.h"
#include "core/uHeadlessPort.h"
#include "core/uVarnholtCore.h"
#include "logging/uLogger.h"
#include "platform/CodePage.h"
#include "platform/DriveMap.h"

namespace varnholt::cli {

namespace {

void RunExtract(TCliContext& context, const std::string& file) {
  const auto appFolder = context.ApplicationFolder();
  const platform::TDriveMap map(appFolder);
  const auto windowsPath = WindowsPathOf(file, map);
  if (!windowsPath) {
    std::cerr << file << " is not inside a drive folder of " << appFolder.string()
              << " (drives/<letter>); give a Windows path such as C:\\PDF\\report.pdf\n";
    context.exitCode = 2;
    return;
  }

  // The same passwords and limits as `run` and `watch`, or an encrypted report would not open here.
  const std::optional<TServiceSettings> settings = ReadServiceSettings(appFolder);
  if (!settings) {
    context.exitCode = 2;
    return;
  }

  // The records go to a private log file that is removed afterwards; errors are shown on stderr.
  const auto logFile =
      std::filesystem::temp_directory_path() / ("varnholt-cli-" + std::to_string(getpid()) + ".LOG");
  bool failed = false;
  {
    TLogger logger(logFile, false, kDefaultLogCapacity, kDefaultLogTypes);
    // The errors are shown as they are written; whether the extraction failed is the load's own outcome.
    logger.OnRecordAdded = [](TLogger& log) {
      if (log.LastRecordType() != ltErr) return;
      const std::string& line = log.Line(log.Count() - 1);
      std::string shown = line.substr(line.find("\tErr\t") + 5);
      for (char& c : shown) c = c == '\t' ? ' ' : c;
      std::cerr << ForTerminal(shown) << '\n';
    };
    THeadlessPort port(logger);
    TVarnholtCore core(appFolder, port, logger);
    ApplyServiceSettings(*settings, core);
    core.State().Select(*windowsPath);
    core.Loading().LoadContent();
    failed = core.State().TextLoad() != TTextLoad::kLoaded;
    std::cout << ForTerminal(core.State().Text1()) << "---------------------------------------- Text2\n"
              << ForTerminal(core.State().Text2());
    logger.OnRecordAdded = nullptr;
  }
  std::error_code ec;
  std::filesystem::remove(logFile, ec);
  if (failed) context.exitCode = 1;
}

}  // namespace

void AddExtractCommand(CLI::App& app, TCliContext& context) {
  auto* cmd = app.add_subcommand("extract",
                                 "Print the two texts of a PDF as an action script reads them "
                                 "(Text1 in physical layout, a separator line, Text2 in raw order)");
  auto file = std::make_shared<std::string>();
  cmd->add_option("FILE", *file, "Windows path (C:\\PDF\\x.pdf) or a file inside a drive folder")->required();
  cmd->callback([&context, file] { RunExtract(context, *file); });
}

}  // namespace varnholt::cli
