// uDialogs.cpp — message boxes, or the test's answerer in their place.
#include "shell/uDialogs.h"

#include <utility>

namespace varnholt::shell {

namespace {
TDialogAnswerer& Answerer() {
  static TDialogAnswerer answerer;
  return answerer;
}
}  // namespace

void SetDialogAnswerer(TDialogAnswerer answerer) {
  Answerer() = std::move(answerer);
}

QMessageBox::StandardButton ShowDialog(QWidget* parent, TDialogKind kind, const QString& text,
                                       QMessageBox::StandardButtons buttons,
                                       QMessageBox::StandardButton defaultButton) {
  if (Answerer()) return Answerer()(kind, text, buttons);
  const QMessageBox::Icon icon = kind == TDialogKind::kError      ? QMessageBox::Critical
                                 : kind == TDialogKind::kQuestion ? QMessageBox::Question
                                                                  : QMessageBox::Information;
  QMessageBox box(icon, QStringLiteral("Varnholt"), text, buttons, parent);
  if (defaultButton != QMessageBox::NoButton) box.setDefaultButton(defaultButton);
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

}  // namespace varnholt::shell
