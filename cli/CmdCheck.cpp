// CmdCheck.cpp — `varnholt-cli check SCRIPT [--dump]`: compiles an action script against the host
// routine table and the system library; silent on success, the error with its position otherwise.
#include <fstream>
#include <iostream>
#include <iterator>

#include "cli/CliCommands.h"
#include "hostlib/uHostRoutineTable.h"
#include "platform/CodePage.h"
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
    std::ifstream in(*path, std::ios::binary);
    if (!in) {
      std::cerr << "Cannot read the script file " << *path << '\n';
      context.exitCode = 1;
      return;
    }
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // Scripts are 1252 inside; a file written by a UTF-8 editor is converted on load.
    if (platform::HasNonAscii(text) && platform::IsValidUtf8(text)) text = platform::Utf8ToCp1252(text);

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
