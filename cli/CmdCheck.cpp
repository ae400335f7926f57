// CmdCheck.cpp — `varnholt-cli check SCRIPT [--dump]`: compiles an action script against the host
// routine table and the system library; silent on success, the error with its position otherwise.
#include <iostream>

#include "cli/CliCommands.h"
#include "hostlib/uHostRoutineTable.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "script/compiler/atPascal.h"
#include "script/syslib/uSystemLibrary.h"

namespace varnholt::cli {

void AddCheckCommand(CLI::App& app, TCliContext& context) {
  auto* cmd = app.add_subcommand("check", "Compile an action script and report its first error");
  auto path = std::make_shared<std::string>();
  auto dump = std::make_shared<bool>(false);
  cmd->add_option("SCRIPT", *path, "Script file (Windows-1252, or UTF-8 which is converted)")->required();
  cmd->add_flag("--dump", *dump, "Print the compiled instruction list, one instruction a line");
  cmd->callback([&context, path, dump] {
    // A folder or an unreadable file is a clear message, never an exception out of the command.
    std::string bytes;
    if (const platform::TStatus read = platform::ReadFileBytes(*path, bytes); !read.ok()) {
      std::cerr << "Cannot read the script file " << *path << ": " << platform::Cp1252ToUtf8(read.Message())
                << '\n';
      context.exitCode = 1;
      return;
    }
    const std::string text = ScriptTextFromFile(bytes);

    RegisterSystemLibrary();
    TatHostRegistry registry;
    registry.SignaturesOnly = true;
    RegisterHostRoutineSignatures(registry);
    TatPascalScript script(registry);
    script.SetSourceText(text);
    try {
      script.CompileScript();
    } catch (const EatCompileError& e) {
      std::cerr << platform::Cp1252ToUtf8(e.Message()) << '\n'
                << "Line " << e.Row() << ", Char " << e.Col() << '\n';
      context.exitCode = 2;
      return;
    }
    if (*dump) std::cout << platform::Cp1252ToUtf8(Disassemble(script.Code()));
  });
}

}  // namespace varnholt::cli
