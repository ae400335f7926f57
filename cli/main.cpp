// main.cpp — varnholt-cli, the processing core without a window: resolve paths, check and run scripts,
// extract texts, edit settings.
#include <CLI/CLI.hpp>

#include <iostream>

#include "Layout.h"
#include "Version.h"
#include "cli/CliCommands.h"
#include "core/uApplicationFolder.h"

namespace varnholt::cli {

std::filesystem::path TCliContext::ApplicationFolder() const {
  if (appFolder.empty()) return DefaultApplicationFolder();
  // The engine and the programs a script starts run in other working folders: a relative folder would
  // name a different place for them.
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(appFolder, ec);
  return (ec ? std::filesystem::path(appFolder) : absolute).lexically_normal();
}

TUserRights TCliContext::Rights() const {
  TUserRights rights = CurrentUserRights();
  if (notAdministrator) rights.administrator = false;
  return rights;
}

}  // namespace varnholt::cli

int main(int argc, char** argv) {
  using namespace varnholt::cli;
  CLI::App app{"varnholt-cli: Varnholt's processing core without a window.\n"
               "Windows paths (C:\\PDF\\x.pdf) are resolved through the drive map: drive X: is the\n"
               "folder drives/x of the application folder."};
  app.set_version_flag("--version", std::string("varnholt-cli ") + varnholt::kVersion);
  app.require_subcommand(0, 1);

  TCliContext context;
  app.add_option("--app-folder", context.appFolder,
                 std::string("Application folder (default: the folder of this program; for the installed program ") +
                     varnholt::kSharedApplicationFolder + ", or ~/.local/share/varnholt for a user outside the group " +
                     varnholt::kSharedGroup + ")");
  // An administrator sees what an operator may do (and the tests run as one on any machine).
  app.add_flag("--not-administrator", context.notAdministrator,
               "Run with the rights of a user without administrator rights");
  // --app-folder may also follow the subcommand.
  app.fallthrough();

  AddResolveCommand(app, context);
  AddExtractCommand(app, context);
  AddCheckCommand(app, context);
  AddSettingsCommand(app, context);
  AddRunScriptCommand(app, context);
  AddRunCommand(app, context);
  AddWatchCommand(app, context);
  AddFailedCommand(app, context);
  AddPrinterCommand(app, context);
  AddHelpPageCommand(app, context);
  AddJournalCommand(app, context);
  AddReplayCommand(app, context);
  AddManPageCommand(app, context);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  }
  if (app.get_subcommands().empty()) {
    std::cout << app.help();
    return 0;
  }
  return context.exitCode;
}
