// uSecurityPage.h — the Security page: the administrator-only switches and what they take away from a
// user without administrator rights, the information line, and the two PDF passwords with their dialog.
// The rules are the core's (core/uAccessControl); this unit finds the controls by name and applies them.
#pragma once

#include <QObject>
#include <QString>

#include "core/uAccessControl.h"

class QWidget;

namespace Ui {
class TfmVarnholt;
}

namespace varnholt {
class TVarnholtCore;
}

namespace varnholt::shell {

class TSecurityPage : public QObject {
  Q_OBJECT

 public:
  // window: the main window, whose children (the form's and those made later) are found by name.
  TSecurityPage(Ui::TfmVarnholt& form, QWidget& window, TVarnholtCore& core, QObject* parent = nullptr);

  // After the settings are loaded: the user's rights, the information line, the switches enabled only
  // for an administrator, and for anybody else the commands the ticked switches restrict.
  void ApplyRestrictions();
  // At the end of the start-up step: the pages' contents hidden as the "Tabs" switches say, for a user
  // without administrator rights. The commands are applied again, for controls made since (the
  // notification area's Close, the script page's buttons).
  void ApplyPageRestrictions();
  // Applies the loaded restrictions to the controls that exist now; a page whose buttons are made later
  // calls this once they are.
  void ApplyControlRestrictions();

  const TRestrictions& Restrictions() const { return restrictions_; }
  const TUserRights& Rights() const { return rights_; }

  // The "..." buttons: the password dialog, and on OK the password in its field and for the engine.
  void btOwnerClick();
  void btUserClick();

 private:
  void SetPassword(bool owner);
  TRestrictions RestrictionsOfTheBoxes() const;
  void SetControlEnabled(const char* name, bool enabled);

  Ui::TfmVarnholt& form_;
  QWidget& window_;
  TVarnholtCore& core_;
  TRestrictions restrictions_;
  TUserRights rights_;
};

}  // namespace varnholt::shell
