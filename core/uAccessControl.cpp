// uAccessControl.cpp — the administrator-only switches, the user's rights, and the refusals they give.
#include "core/uAccessControl.h"

#include <utility>

#include "platform/CodePage.h"
#include "platform/SystemInfo.h"
#include "settings/rsStorage.h"

namespace varnholt {

namespace {

constexpr const char* kSection = "fmOstrevane.rsPropSaver1";

// A key path as the store compares it: one kind of separator, no leading one, A to Z folded.
std::string PathKey(std::string_view path) {
  std::string key;
  for (char c : path) key += c == '\\' ? '/' : c;
  while (!key.empty() && key.front() == '/') key.erase(0, 1);
  return platform::UpperCase(key);
}

std::string WindowKey(std::string_view name) {
  return PathKey(std::string(kSection) + "/" + std::string(name));
}

std::function<TUserRights()>& RightsSource() {
  static std::function<TUserRights()> source;
  return source;
}

std::string NoRights(const TUserRights& rights) {
  return "; " + LogonText(rights);
}

}  // namespace

const std::vector<TRestrictionRow>& RestrictionTable() {
  // The Execute command has a button on the Action page and one on the Log page. The drive list is not
  // here: the browser never lets anybody change the drive.
  static const std::vector<TRestrictionRow> table = {
      {TRestriction::Automatic, "cbAdminAutomatic", "Automatic", {"sbAutomatic"}, nullptr, nullptr,
       {"sbAutomatic.Down"}},
      {TRestriction::ReQueueFailedFiles, "cbAdminReQueueFailedFiles", "Re-Queue Failed Files", {"btReQueue"}},
      {TRestriction::DeleteFailedFiles, "cbAdminDeleteFailedFiles", "Delete Failed Files", {"btDeleteFailed"}},
      {TRestriction::Close, "cbAdminClose", "Close", {"btClose", "mnClose"}},
      {TRestriction::ScriptEdit, "cbAdminScriptEdit", "Edit", {"sbEdit"}},
      {TRestriction::ScriptLoad, "cbAdminScriptLoad", "Load", {"btScriptLoad"}},
      {TRestriction::ScriptCopyTo, "cbAdminScriptCopyTo", "Copy To", {"btScriptCopyTo"}},
      {TRestriction::ScriptDefault, "cbAdminScriptDefault", "Reset To Default", {"btScriptDefault"}},
      {TRestriction::ScriptExecute, "cbAdminScriptExecute", "Execute", {"btExecute", "btExecuteAction"}},
      {TRestriction::PrinterSetup, "cbAdminPrinterSetup", "Paper Printer Setup", {"cbPaperPrinter"}, nullptr,
       nullptr, {"cbPaperPrinter.Text"}},
      {TRestriction::NavigateFolder, "cbAdminNavigateFolder", "Navigate Folder", {"Folders"}},
      {TRestriction::SelectFile, "cbAdminSelectFile", "Select File", {"Files"}},
      {TRestriction::ChangeLogging, "cbAdminChangeLogging", "Change Logging",
       {"cbErrors", "cbScript", "cbMessages", "cbProcedures"}, nullptr, nullptr,
       {"cbErrors.Checked", "cbScript.Checked", "cbMessages.Checked", "cbProcedures.Checked"}},
      {TRestriction::TabText, "cbAdminTabText", "Text", {}, "pnTextContent", "lbTextRestricted"},
      {TRestriction::TabAction, "cbAdminTabAction", "Action", {}, "pnActionContent", "lbActionRestricted"},
      {TRestriction::TabLog, "cbAdminTabLog", "Log", {}, "pnLogContent", "lbLogRestricted"},
  };
  return table;
}

const TRestrictionRow& RestrictionRow(TRestriction restriction) {
  return RestrictionTable()[static_cast<std::size_t>(restriction)];
}

TRestrictions ReadRestrictions(TrsStorage& store) {
  TRestrictions restrictions;
  for (const TRestrictionRow& row : RestrictionTable()) {
    const std::string value = store.ReadString("/" + std::string(kSection) + "/" + row.box + ".Checked", "False");
    restrictions.Set(row.restriction, platform::SameText(value, "True"));
  }
  return restrictions;
}

TUserRights CurrentUserRights() {
  if (RightsSource()) return RightsSource()();
  return {platform::UserName(), platform::IsAdministrator()};
}

void SetUserRightsSource(std::function<TUserRights()> source) {
  RightsSource() = std::move(source);
}

std::string LogonText(const TUserRights& rights) {
  return "Your logon " + rights.userName + " has " + (rights.administrator ? "" : "NO ") + "Administrator rights";
}

bool Binds(const TRestrictions& restrictions, const TUserRights& rights, TRestriction restriction) {
  return !rights.administrator && restrictions.Ticked(restriction);
}

std::string CommandRefusal(const TRestrictions& restrictions, const TUserRights& rights, TRestriction restriction) {
  if (!Binds(restrictions, rights, restriction)) return {};
  const TRestrictionRow& row = RestrictionRow(restriction);
  return std::string("Not allowed: an administrator has restricted \"") + row.caption +
         "\" to administrators (Security page, " + row.box + ")" + NoRights(rights);
}

std::string SettingChangeRefusal(std::string_view path, const TRestrictions& restrictions,
                                 const TUserRights& rights) {
  if (rights.administrator) return {};
  const std::string key = PathKey(path);
  for (const char* password : {"edOwner.Text", "edUser.Text"}) {
    if (key == WindowKey(password)) {
      return "Not allowed: only an administrator may change the PDF passwords" + NoRights(rights);
    }
  }
  for (const TRestrictionRow& row : RestrictionTable()) {
    if (key == WindowKey(std::string(row.box) + ".Checked")) {
      return std::string("Not allowed: only an administrator may change the administrator-only switches (") +
             row.box + ")" + NoRights(rights);
    }
    if (!restrictions.Ticked(row.restriction)) continue;
    for (const char* restricted : row.keys) {
      if (key == WindowKey(restricted)) return CommandRefusal(restrictions, rights, row.restriction);
    }
  }
  return {};
}

}  // namespace varnholt
