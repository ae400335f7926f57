// CmdRunScript.cpp — `varnholt-cli run-script [--locale FILE] SCRIPT`: compiles and runs a script with the
// engine's built-in libraries and prints its Result. ShowMessage goes to the application log.
#include <iostream>

#include "cli/CliCommands.h"
#include "cli/CliSupport.h"
#include "core/uHeadlessPort.h"
#include "core/uServiceSettings.h"
#include "core/uVarnholtCore.h"
#include "hostlib/uHostRoutineTable.h"
#include "logging/uLogger.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "rtl/uRtlLocale.h"
#include "script/vm/atScript.h"
#include "script/syslib/uSystemLibrary.h"

namespace varnholt::cli {

namespace {


// Without a window a message is a log record of the script; questions are declined, beeps are silent.
class TLogInteraction : public TatHeadlessInteraction {
 public:
  TLogInteraction()
      : TatHeadlessInteraction([](const std::string& text) {
          if (HasLogger()) Logger().WriteEntry(ltMsg, "Action", "ShowMessage", text);
        }) {}
};

// Replaces the process-wide locale with the fields of a JSON file; false (and a message) when it is bad.
bool LoadLocale(const std::string& localeFile) {
  std::string json;
  if (const platform::TStatus read = platform::ReadFileBytes(localeFile, json); !read.ok()) {
    std::cerr << platform::Cp1252ToUtf8(read.Message()) << '\n';
    return false;
  }
  try {
    platform::SetFormatSettings(rtl::FormatSettingsFromJson(json, platform::FormatSettings()));
  } catch (const rtl::ERtlError& e) {
    std::cerr << "Locale file " << localeFile << ": " << platform::Cp1252ToUtf8(e.what()) << '\n';
    return false;
  }
  return true;
}

int RunScriptFile(const TCliContext& context, const std::string& path, const std::string& localeFile,
                  const std::string& pdf) {
  if (!localeFile.empty() && !LoadLocale(localeFile)) return 1;
  std::string bytes;
  if (const platform::TStatus read = platform::ReadFileBytes(path, bytes); !read.ok()) {
    std::cerr << platform::Cp1252ToUtf8(read.Message()) << '\n';
    return 1;
  }
  const std::filesystem::path appFolder = context.ApplicationFolder();
  std::optional<std::string> pdfPath;
  if (!pdf.empty()) {
    pdfPath = WindowsPathOf(pdf, platform::TDriveMap(appFolder));
    if (!pdfPath) {
      std::cerr << pdf << " is not inside a drive folder of " << appFolder.string()
                << " (drives/<letter>); give a Windows path such as C:\\PDF\\report.pdf\n";
      return 1;
    }
  }
  TProcessLogger logger(appFolder);
  Logger().SetEnabled(true);
  TLogInteraction interaction;
  RegisterSystemLibrary();
  // The host routines run on a core of their own: with --pdf its texts are the PDF's, else empty.
  THeadlessPort port(Logger());
  TVarnholtCore core(appFolder, port, Logger());
  const std::optional<TServiceSettings> settings = ReadServiceSettings(appFolder);
  if (!settings) return 1;
  ApplyServiceSettings(*settings, core);
  if (pdfPath) {
    core.Loading().SelectAndLoad(*pdfPath);
    core.State().BeginActionRun();  // the routines act on this PDF and read its Text1
  }
  TatPascalScripter scripter;
  DefineScriptFunction(scripter, core.Host());
  if (TatSystemLibrary* library = SystemLibraryOf(scripter)) {
    library->SetApplicationFolder(appFolder);
    library->SetUserInteraction(&interaction);
  }
  scripter.SetSourceText(ScriptTextFromFile(bytes));
  try {
    scripter.CompileScript();
  } catch (const EatCompileError& e) {
    // As `check` reports it: the message, then the position.
    std::cerr << platform::Cp1252ToUtf8(e.Message()) << "\nLine " << e.Row() << ", Char " << e.Column()
              << '\n';
    return 2;
  }
  try {
    const ScriptValue result = scripter.RunScript();
    std::cout << platform::Cp1252ToUtf8(result.IsArray() ? std::string() : result.ToText()) << '\n';
    return 0;
  } catch (const EAbort&) {
    return 0;
  } catch (const EatScripterRuntime& e) {
    std::cerr << platform::Cp1252ToUtf8(e.Message()) << '\n';
    return 3;
  } catch (const std::exception& e) {
    std::cerr << platform::Cp1252ToUtf8(e.what()) << '\n';
    return 3;
  }
}

}  // namespace

void AddRunScriptCommand(CLI::App& app, TCliContext& context) {
  auto* cmd = app.add_subcommand("run-script", "Compile and run a script, and print its Result");
  auto path = std::make_shared<std::string>();
  auto locale = std::make_shared<std::string>();
  auto pdf = std::make_shared<std::string>();
  cmd->add_option("--pdf", *pdf,
                  "Load this PDF through the engine first, so that the PDF routines read its texts and the file "
                  "routines act on it");
  cmd->add_option("--locale", *locale,
                  "JSON file of format settings (DecimalSeparator, ShortDateFormat, LongMonthNames, ...) "
                  "replacing the locale for this run");
  cmd->add_option("SCRIPT", *path, "Script file (.psc)")->required();
  cmd->callback(
      [&context, path, locale, pdf] { context.exitCode = RunScriptFile(context, *path, *locale, *pdf); });
}

}  // namespace varnholt::cli
