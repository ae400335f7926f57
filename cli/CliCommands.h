// CliCommands.h — the subcommands of varnholt-cli; each lives in its own Cmd*.cpp file.
#pragma once

#include <CLI/CLI.hpp>

#include <filesystem>
#include <string>

#include "core/uAccessControl.h"

namespace varnholt::cli {

// Shared state of one command-line run.
struct TCliContext {
  std::string appFolder;  // --app-folder; empty means the folder of the program
  int exitCode = 0;
  bool notAdministrator = false;  // --not-administrator: run with the rights of an ordinary user

  std::filesystem::path ApplicationFolder() const;
  // The user running the command; --not-administrator takes the administrator rights away, never gives them.
  TUserRights Rights() const;
};

void AddResolveCommand(CLI::App& app, TCliContext& context);
void AddExtractCommand(CLI::App& app, TCliContext& context);
void AddCheckCommand(CLI::App& app, TCliContext& context);
void AddSettingsCommand(CLI::App& app, TCliContext& context);
void AddRunScriptCommand(CLI::App& app, TCliContext& context);
void AddRunCommand(CLI::App& app, TCliContext& context);
void AddWatchCommand(CLI::App& app, TCliContext& context);
void AddFailedCommand(CLI::App& app, TCliContext& context);
void AddPrinterCommand(CLI::App& app, TCliContext& context);
void AddHelpPageCommand(CLI::App& app, TCliContext& context);
void AddJournalCommand(CLI::App& app, TCliContext& context);
void AddReplayCommand(CLI::App& app, TCliContext& context);
void AddManPageCommand(CLI::App& app, TCliContext& context);
// `failed list`: each report in C:\PDF\FAILED with the reason the journal holds for it.
int FailedList(const TCliContext& context);

}  // namespace varnholt::cli
