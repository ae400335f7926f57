// uServiceSettings.cpp — reading the window's saved settings for the headless commands.
#include "core/uServiceSettings.h"

#include "core/uVarnholtCore.h"
#include "platform/CodePage.h"
#include "settings/uVarnholtSettings.h"

namespace varnholt {

namespace {
constexpr const char* kSection = "/fmOstrevane.rsPropSaver1/";

bool ReadFlag(TrsStorage& store, const char* name, bool factory) {
  const std::string value = store.ReadString(std::string(kSection) + name, factory ? "True" : "False");
  return platform::SameText(value, "True");
}
}  // namespace

TServiceSettings LoadServiceSettings(const std::filesystem::path& applicationFolder) {
  TServiceSettings result;
  result.fileFound = std::filesystem::exists(applicationFolder / "Varnholt.xml");
  if (!result.fileFound) return result;
  TVarnholtSettings settings(applicationFolder);
  TrsStorage& store = settings.Storage();
  store.SetOptions(0);  // reading only: nothing is written back
  store.SetActive(true);
  const std::string section = kSection;
  result.paperPrinter = store.ReadString(section + "cbPaperPrinter.Text", "");
  result.ownerPassword = store.ReadString(section + "edOwner.Text", "");
  result.userPassword = store.ReadString(section + "edUser.Text", "");
  result.automatic = ReadFlag(store, "sbAutomatic.Down", false);
  TLogTypes types = 0;
  if (ReadFlag(store, "cbErrors.Checked", true)) types |= LogTypeBit(ltErr);
  if (ReadFlag(store, "cbMessages.Checked", true)) types |= LogTypeBit(ltMsg);
  if (ReadFlag(store, "cbProcedures.Checked", false)) types |= LogTypeBit(ltPrc);
  if (ReadFlag(store, "cbScript.Checked", true)) types |= LogTypeBit(ltScr);
  result.logTypes = types;
  // Limits in seconds, under a section of their own: the window's property list does not know them.
  const auto seconds = [&store](const char* key, std::chrono::milliseconds factory) {
    const std::string text = store.ReadString(std::string("/Limits/") + key, "");
    try {
      return text.empty() ? factory : std::chrono::milliseconds(std::stoll(text) * 1000);
    } catch (const std::exception&) {
      return factory;
    }
  };
  result.scriptTimeLimit = seconds("ScriptSeconds", result.scriptTimeLimit);
  result.engineTimeLimit = seconds("EngineSeconds", result.engineTimeLimit);
  return result;
}

void ApplyServiceSettings(const TServiceSettings& settings, TVarnholtCore& core) {
  TProcessingState& state = core.State();
  state.paperPrinter = settings.paperPrinter;
  state.ownerPassword = settings.ownerPassword;
  state.userPassword = settings.userPassword;
  core.SetScriptTimeLimit(settings.scriptTimeLimit);
  core.SetEngineTimeLimit(settings.engineTimeLimit);
}

}  // namespace varnholt
