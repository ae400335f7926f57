// CmdHelpPage.cpp — `varnholt-cli help-page OUTPUT [--manual FILE]`: writes the script writers' help page
// (the manual and the reference of every routine a script can call) that the build puts beside the window.
#include <iostream>

#include "cli/CliCommands.h"
#include "hostlib/uScriptReference.h"
#include "platform/CodePage.h"
#include "platform/Files.h"

namespace varnholt::cli {

void AddHelpPageCommand(CLI::App& app, TCliContext& context) {
  auto* cmd = app.add_subcommand("help-page", "Write the help page for script writers (Varnholt_help.htm)");
  auto output = std::make_shared<std::string>();
  auto manual = std::make_shared<std::string>();
  cmd->add_option("OUTPUT", *output, "The HTML file to write")->required();
  cmd->add_option("--manual", *manual, "An HTML fragment with the manual, put before the reference");
  cmd->callback([&context, output, manual] {
    std::string manualHtml;
    if (!manual->empty()) {
      if (const platform::TStatus read = platform::ReadFileBytes(*manual, manualHtml); !read.ok()) {
        std::cerr << "Cannot read the manual " << *manual << ": " << platform::Cp1252ToUtf8(read.Message())
                  << '\n';
        context.exitCode = 1;
        return;
      }
    }
    if (const platform::TStatus written =
            platform::ReplaceFileAtomically(*output, ScriptHelpPage(manualHtml));
        !written.ok()) {
      std::cerr << "Cannot write " << *output << ": " << platform::Cp1252ToUtf8(written.Message()) << '\n';
      context.exitCode = 1;
    }
  });
}

}  // namespace varnholt::cli
