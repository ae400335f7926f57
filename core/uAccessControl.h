// uAccessControl.h — who may do what: the administrator-only switches of the Security page, the rights of
// the user running the program, and what each switch takes away from a user without those rights (in the
// window and in varnholt-cli alike).
#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace varnholt {

class TrsStorage;

// The sixteen switches, in the order of the table below.
enum class TRestriction {
  Automatic,
  ReQueueFailedFiles,
  DeleteFailedFiles,
  Close,
  ScriptEdit,
  ScriptLoad,
  ScriptCopyTo,
  ScriptDefault,
  ScriptExecute,
  PrinterSetup,
  NavigateFolder,
  SelectFile,
  ChangeLogging,
  TabText,
  TabAction,
  TabLog,
};
inline constexpr int kRestrictionCount = 16;

// One switch: its check box on the Security page (and so its key "<box>.Checked" in Varnholt.xml), its
// caption, and the controls it disables for a user without administrator rights. A page switch hides its
// page's content panel (page) and shows the page's "Restricted" label in its place.
struct TRestrictionRow {
  TRestriction restriction;
  const char* box;
  const char* caption;
  std::vector<const char*> controls;  // disabled when the switch binds
  const char* page = nullptr;         // the content panel hidden when the switch binds
  const char* restrictedLabel = nullptr;
  // Settings keys (below the window's section) that change what the disabled controls change, so that
  // varnholt-cli refuses them too.
  std::vector<const char*> keys = {};
  bool IsPage() const { return page != nullptr; }
};
const std::vector<TRestrictionRow>& RestrictionTable();
const TRestrictionRow& RestrictionRow(TRestriction restriction);

// Which switches are ticked (all off in the factory settings).
struct TRestrictions {
  std::array<bool, kRestrictionCount> ticked{};
  bool Ticked(TRestriction r) const { return ticked[static_cast<std::size_t>(r)]; }
  void Set(TRestriction r, bool on) { ticked[static_cast<std::size_t>(r)] = on; }
};
// The switches as Varnholt.xml holds them; a missing key or one that is not "True" leaves it off.
TRestrictions ReadRestrictions(TrsStorage& store);

// The user running the program and whether that user has administrator rights.
struct TUserRights {
  std::string userName;
  bool administrator = false;
};
// The rights of this process's user (root or a member of sudo, wheel or admin), unless a source was set.
TUserRights CurrentUserRights();
// Replaces where CurrentUserRights comes from for the rest of the process (empty: the system again), so
// that a test can be the administrator or an ordinary user on any machine.
void SetUserRightsSource(std::function<TUserRights()> source);

// "Your logon <name> has Administrator rights" or "... has NO Administrator rights".
std::string LogonText(const TUserRights& rights);

// Whether the switch takes its controls away from this user: ticked, and the user is no administrator.
bool Binds(const TRestrictions& restrictions, const TUserRights& rights, TRestriction restriction);

// The commands of varnholt-cli: empty when this user may run it, else the reason it is refused.
std::string CommandRefusal(const TRestrictions& restrictions, const TUserRights& rights, TRestriction restriction);
// Whether this user may store a value under a key path of Varnholt.xml: the switches themselves and the
// PDF passwords only an administrator may change, and a ticked switch keeps its controls' keys too.
// Empty when allowed, else the reason.
std::string SettingChangeRefusal(std::string_view path, const TRestrictions& restrictions,
                                 const TUserRights& rights);

}  // namespace varnholt
