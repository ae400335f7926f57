// uDialogs.cpp — message boxes, or the test's answerer in their place.
#include "shell/uDialogs.h"

#include <QFileDialog>
#include <utility>

namespace varnholt::shell {

namespace {
TDialogAnswerer& Answerer() {
  static TDialogAnswerer answerer;
  return answerer;
}
TFileDialogAnswerer& FileAnswerer() {
  static TFileDialogAnswerer answerer;
  return answerer;
}
}  // namespace

void SetFileDialogAnswerer(TFileDialogAnswerer answerer) {
  FileAnswerer() = std::move(answerer);
}

QString AskFileName(QWidget* parent, const TFileDialogRequest& request) {
  if (FileAnswerer()) return FileAnswerer()(parent, request);
  QFileDialog dialog(parent, request.title, request.folder, request.filter);
  dialog.setDefaultSuffix(request.defaultSuffix);
  if (request.save) {
    dialog.setAcceptMode(QFileDialog::AcceptSave);  // asks before it overwrites
  } else {
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
  }
  dialog.selectFile(request.fileName);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().first();
}

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
