// AccessControlTest.cpp — the administrator-only switches: read from Varnholt.xml, binding only users
// without administrator rights, and refusing the command-line changes of what they protect.
#include "core/uAccessControl.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "settings/uVarnholtSettings.h"
#include "tests/support/TempFolder.h"

namespace varnholt {
namespace {

const TUserRights kAdministrator{"anna", true};
const TUserRights kOperator{"otto", false};

TRestrictions Ticked(std::initializer_list<TRestriction> ticked) {
  TRestrictions restrictions;
  for (TRestriction r : ticked) restrictions.Set(r, true);
  return restrictions;
}

TEST(AccessControl, TheTableHasEveryBoxOnceInTheOrderOfTheEnumeration) {
  std::set<std::string> boxes;
  for (int i = 0; i < kRestrictionCount; ++i) {
    const TRestrictionRow& row = RestrictionTable().at(static_cast<std::size_t>(i));
    EXPECT_EQ(static_cast<int>(row.restriction), i);
    EXPECT_TRUE(boxes.insert(row.box).second) << row.box;
    // Every switch takes something away: controls, or a page's content.
    EXPECT_EQ(row.controls.empty(), row.IsPage()) << row.box;
  }
  EXPECT_EQ(RestrictionTable().size(), std::size_t{kRestrictionCount});
}

TEST(AccessControl, RestrictionsAreReadFromTheSettingsFile) {
  test::TTempFolder temp;
  {
    TVarnholtSettings settings(temp.Path());
    settings.Storage().SetActive(true);
    settings.Storage().WriteString("/fmOstrevane.rsPropSaver1/cbAdminClose.Checked", "True");
    settings.Storage().WriteString("/fmOstrevane.rsPropSaver1/cbAdminTabLog.Checked", "true");
    settings.Storage().WriteString("/fmOstrevane.rsPropSaver1/cbAdminAutomatic.Checked", "False");
    settings.Storage().WriteString("/fmOstrevane.rsPropSaver1/cbAdminSelectFile.Checked", "yes");
    settings.Storage().SaveStore();
  }
  TVarnholtSettings settings(temp.Path());
  settings.Storage().SetOptions(0);
  settings.Storage().SetActive(true);
  const TRestrictions read = ReadRestrictions(settings.Storage());
  for (const TRestrictionRow& row : RestrictionTable()) {
    const bool expected = row.restriction == TRestriction::Close || row.restriction == TRestriction::TabLog;
    EXPECT_EQ(read.Ticked(row.restriction), expected) << row.box;
  }
}

TEST(AccessControl, TheLogonLineSaysWhetherTheUserIsAnAdministrator) {
  EXPECT_EQ(LogonText(kAdministrator), "Your logon anna has Administrator rights");
  EXPECT_EQ(LogonText(kOperator), "Your logon otto has NO Administrator rights");
}

TEST(AccessControl, ATickedSwitchBindsOnlyUsersWithoutAdministratorRights) {
  const TRestrictions restrictions = Ticked({TRestriction::ReQueueFailedFiles});
  EXPECT_TRUE(Binds(restrictions, kOperator, TRestriction::ReQueueFailedFiles));
  EXPECT_FALSE(Binds(restrictions, kAdministrator, TRestriction::ReQueueFailedFiles));
  EXPECT_FALSE(Binds(restrictions, kOperator, TRestriction::DeleteFailedFiles));
  EXPECT_EQ(CommandRefusal(restrictions, kAdministrator, TRestriction::ReQueueFailedFiles), "");
  EXPECT_EQ(CommandRefusal(restrictions, kOperator, TRestriction::DeleteFailedFiles), "");
  EXPECT_EQ(CommandRefusal(restrictions, kOperator, TRestriction::ReQueueFailedFiles),
            "Not allowed: an administrator has restricted \"Re-Queue Failed Files\" to administrators (Security "
            "page, cbAdminReQueueFailedFiles); Your logon otto has NO Administrator rights");
}

TEST(AccessControl, SettingsThatOnlyAnAdministratorMayChange) {
  const TRestrictions restrictions = Ticked({TRestriction::PrinterSetup, TRestriction::ChangeLogging});
  struct TCase {
    const char* path;
    bool refusedForOperator;
  };
  const TCase cases[] = {
      {"/fmOstrevane.rsPropSaver1/cbAdminClose.Checked", true},        // the switches themselves
      {"fmOstrevane.rsPropSaver1\\CBADMINTABLOG.CHECKED", true},        // however the path is written
      {"/fmOstrevane.rsPropSaver1/edOwner.Text", true},                 // the passwords
      {"/fmOstrevane.rsPropSaver1/edUser.Text", true},
      {"/fmOstrevane.rsPropSaver1/cbPaperPrinter.Text", true},          // ticked: Paper Printer Setup
      {"/fmOstrevane.rsPropSaver1/cbProcedures.Checked", true},         // ticked: Change Logging
      {"/fmOstrevane.rsPropSaver1/sbAutomatic.Down", false},            // Automatic is not ticked
      {"/fmOstrevane.rsPropSaver1/pcContent.ActivePage", false},
      {"/Limits/ScriptSeconds", false},
      {"/cbAdminClose.Checked", false},  // not the window's key: the window never reads it
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(SettingChangeRefusal(c.path, restrictions, kOperator).empty(), !c.refusedForOperator) << c.path;
    EXPECT_EQ(SettingChangeRefusal(c.path, restrictions, kAdministrator), "") << c.path;
  }
}

TEST(AccessControl, TheRightsSourceCanBeReplaced) {
  SetUserRightsSource([] { return kOperator; });
  EXPECT_EQ(CurrentUserRights().userName, "otto");
  EXPECT_FALSE(CurrentUserRights().administrator);
  SetUserRightsSource(nullptr);
  EXPECT_FALSE(CurrentUserRights().userName.empty());
}

}  // namespace
}  // namespace varnholt
