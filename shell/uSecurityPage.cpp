// uSecurityPage.cpp — the restrictions applied to the window's controls, and the password dialog's use.
#include "shell/uSecurityPage.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include "core/uVarnholtCore.h"
#include "shell/fPassword.h"
#include "shell/uQtText.h"
#include "ui_fVarnholt.h"

namespace varnholt::shell {

TSecurityPage::TSecurityPage(Ui::TfmVarnholt& form, QWidget& window, TVarnholtCore& core, QObject* parent)
    : QObject(parent), form_(form), window_(window), core_(core) {
  connect(form_.btOwner, &QPushButton::clicked, this, [this] { btOwnerClick(); });
  connect(form_.btUser, &QPushButton::clicked, this, [this] { btUserClick(); });
}

TRestrictions TSecurityPage::RestrictionsOfTheBoxes() const {
  TRestrictions restrictions;
  for (const TRestrictionRow& row : RestrictionTable()) {
    const auto* box = window_.findChild<QCheckBox*>(QString::fromLatin1(row.box));
    restrictions.Set(row.restriction, box != nullptr && box->isChecked());
  }
  return restrictions;
}

void TSecurityPage::SetControlEnabled(const char* name, bool enabled) {
  // A widget or an action (a menu item); a control that does not exist (yet) is left alone.
  for (QObject* found : window_.findChildren<QObject*>(QString::fromLatin1(name))) {
    if (auto* widget = qobject_cast<QWidget*>(found)) {
      widget->setEnabled(enabled);
    } else if (auto* action = qobject_cast<QAction*>(found)) {
      action->setEnabled(enabled);
    }
  }
}

void TSecurityPage::ApplyRestrictions() {
  rights_ = CurrentUserRights();
  restrictions_ = RestrictionsOfTheBoxes();
  form_.lblLogon->setText(FromSystem(LogonText(rights_)));
  // Only an administrator changes the switches and the passwords.
  for (const TRestrictionRow& row : RestrictionTable()) SetControlEnabled(row.box, rights_.administrator);
  form_.btOwner->setEnabled(rights_.administrator);
  form_.btUser->setEnabled(rights_.administrator);
  ApplyControlRestrictions();
}

void TSecurityPage::ApplyControlRestrictions() {
  // Only disabled, never enabled: a control another unit disabled for a reason of its own stays so.
  if (rights_.administrator) return;
  for (const TRestrictionRow& row : RestrictionTable()) {
    if (row.IsPage() || !restrictions_.Ticked(row.restriction)) continue;
    for (const char* control : row.controls) SetControlEnabled(control, false);
  }
}

void TSecurityPage::ApplyPageRestrictions() {
  if (rights_.administrator) return;
  for (const TRestrictionRow& row : RestrictionTable()) {
    if (!row.IsPage()) continue;
    const bool hidden = restrictions_.Ticked(row.restriction);
    if (auto* content = window_.findChild<QWidget*>(QString::fromLatin1(row.page))) content->setVisible(!hidden);
    if (auto* label = window_.findChild<QWidget*>(QString::fromLatin1(row.restrictedLabel))) {
      label->setVisible(hidden);
    }
  }
  ApplyControlRestrictions();
}

void TSecurityPage::btOwnerClick() {
  SetPassword(true);
}

void TSecurityPage::btUserClick() {
  SetPassword(false);
}

void TSecurityPage::SetPassword(bool owner) {
  TPasswordDlg dialog(&window_);
  if (!dialog.Execute(owner ? QStringLiteral("PDF Owner (edit)") : QStringLiteral("PDF User (read)"))) return;
  // Two empty fields clear the password. The property saver keeps the field, encrypted, in Varnholt.xml.
  (owner ? form_.edOwner : form_.edUser)->setText(dialog.Text());
  core_.State().SetPasswords(ToSystem(form_.edOwner->text()), ToSystem(form_.edUser->text()));
}

}  // namespace varnholt::shell
