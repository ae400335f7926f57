// CmdResolve.cpp — `varnholt-cli resolve PATH`: the native path a Windows path maps to.
#include <iostream>

#include "cli/CliCommands.h"
#include "platform/CodePage.h"
#include "platform/DriveMap.h"

namespace varnholt::cli {

void AddResolveCommand(CLI::App& app, TCliContext& context) {
  auto* cmd = app.add_subcommand("resolve", "Print the native path that a Windows path maps to");
  auto path = std::make_shared<std::string>();
  cmd->add_option("PATH", *path, "Windows path, e.g. C:\\PDF\\FAILED\\a.pdf")->required();
  cmd->callback([&context, path] {
    const platform::TDriveMap map(context.ApplicationFolder());
    // The terminal speaks UTF-8; the drive map speaks the system code page.
    std::string error;
    const auto native = map.TryResolve(platform::Utf8ToCp1252(*path), &error);
    if (!native) {
      std::cerr << platform::Cp1252ToUtf8(error) << '\n';
      context.exitCode = 2;
      return;
    }
    std::cout << native->string() << '\n';
  });
}

}  // namespace varnholt::cli
