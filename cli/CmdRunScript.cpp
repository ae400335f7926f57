// CmdRunScript.cpp — `varnholt-cli run-script SCRIPT`: compiles and runs a script with the engine's
// built-in libraries and prints its Result.
#include <iostream>

#include "cli/CliCommands.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "script/atScript.h"

namespace varnholt::cli {

namespace {

// Script files are 8-bit text; a file that is valid UTF-8 with non-ASCII bytes is converted on load.
std::string LoadScriptText(const std::string& bytes) {
  if (platform::HasNonAscii(bytes) && platform::IsValidUtf8(bytes)) return platform::Utf8ToCp1252(bytes);
  return bytes;
}

int RunScriptFile(const std::string& path) {
  std::string bytes;
  if (const platform::TStatus read = platform::ReadFileBytes(path, bytes); !read.ok()) {
    std::cerr << platform::Cp1252ToUtf8(read.Message()) << '\n';
    return 1;
  }
  TatPascalScripter scripter;
  scripter.SetSourceText(LoadScriptText(bytes));
  try {
    scripter.CompileScript();
  } catch (const EatCompileError& e) {
    std::cout << platform::Cp1252ToUtf8(e.Message()) << "\nLine " << e.Row() << ", Char " << e.Column() << '\n';
    return 2;
  }
  try {
    const ScriptValue result = scripter.RunScript();
    std::cout << platform::Cp1252ToUtf8(result.IsArray() ? std::string() : result.ToText()) << '\n';
    return 0;
  } catch (const EAbort&) {
    return 0;
  } catch (const EatScripterRuntime& e) {
    std::cout << platform::Cp1252ToUtf8(e.Message()) << '\n';
    return 3;
  } catch (const std::exception& e) {
    std::cout << platform::Cp1252ToUtf8(e.what()) << '\n';
    return 3;
  }
}

}  // namespace

void AddRunScriptCommand(CLI::App& app, TCliContext& context) {
  auto* cmd = app.add_subcommand("run-script", "Compile and run a script, and print its Result");
  auto path = std::make_shared<std::string>();
  cmd->add_option("SCRIPT", *path, "Script file (.psc)")->required();
  cmd->callback([&context, path] { context.exitCode = RunScriptFile(*path); });
}

}  // namespace varnholt::cli
