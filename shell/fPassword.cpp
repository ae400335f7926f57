// fPassword.cpp — the password dialog: reset on every showing, a mismatch keeps it open.
#include "shell/fPassword.h"

#include <QFocusEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <utility>

#include "shell/uDialogs.h"
#include "ui_fPassword.h"

namespace varnholt::shell {

namespace {
TPasswordDlg::TFiller& Filler() {
  static TPasswordDlg::TFiller filler;
  return filler;
}
}  // namespace

TPasswordDlg::TPasswordDlg(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::TPasswordDlg>()) {
  ui_->setupUi(this);
  connect(ui_->OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
  connect(ui_->CancelBtn, &QPushButton::clicked, this, [this] { CancelBtnClick(); });
  // Entering a field selects its whole text (PasswordEnter, ConfirmEnter).
  ui_->Password->installEventFilter(this);
  ui_->Confirm->installEventFilter(this);
}

TPasswordDlg::~TPasswordDlg() = default;

void TPasswordDlg::SetFiller(TFiller filler) {
  Filler() = std::move(filler);
}

bool TPasswordDlg::Execute(const QString& caption) {
  setWindowTitle(caption);
  if (Filler()) {
    FormShow();
    Filler()(*this);
    return accepted_;
  }
  exec();
  return accepted_;
}

QString TPasswordDlg::Text() const {
  return ui_->Password->text();
}

QLineEdit& TPasswordDlg::Password() {
  return *ui_->Password;
}

QLineEdit& TPasswordDlg::Confirm() {
  return *ui_->Confirm;
}

void TPasswordDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormShow();
}

void TPasswordDlg::FormShow() {
  accepted_ = false;
  ui_->Password->clear();
  ui_->Confirm->clear();
  ui_->Password->setFocus();
}

void TPasswordDlg::OKBtnClick() {
  // Exact comparison: a password that differs only in case is another password.
  if (ui_->Password->text() != ui_->Confirm->text()) {
    ui_->Confirm->selectAll();
    ui_->Confirm->setFocus();
    ShowDialog(this, TDialogKind::kInformation, QStringLiteral("Not confirmed"));
    return;
  }
  accepted_ = true;
  accept();
}

void TPasswordDlg::CancelBtnClick() {
  reject();
}

bool TPasswordDlg::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusIn) {
    if (auto* field = qobject_cast<QLineEdit*>(watched)) {
      // After the focus change itself, which would place the cursor where the mouse clicked.
      QTimer::singleShot(0, field, [field] { field->selectAll(); });
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace varnholt::shell
