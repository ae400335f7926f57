// uDialogs.h — the window's message boxes and questions in one place, so that a test can answer them
// without a modal loop: with an answerer set, no box is shown and the answerer's reply is taken.
#pragma once

#include <QMessageBox>
#include <QString>
#include <functional>

class QWidget;

namespace varnholt::shell {

enum class TDialogKind { kInformation, kError, kQuestion };

// What a test sees of a box: its kind, text and buttons; it returns the button pressed.
using TDialogAnswerer = std::function<QMessageBox::StandardButton(TDialogKind, const QString& text,
                                                                  QMessageBox::StandardButtons)>;

// Replaces the boxes for the rest of the process (empty: real boxes again).
void SetDialogAnswerer(TDialogAnswerer answerer);

// A box with the application's title "Varnholt"; a LF in the text is a line break.
QMessageBox::StandardButton ShowDialog(QWidget* parent, TDialogKind kind, const QString& text,
                                       QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                       QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);

// A file dialog as a test sees it: open an existing file, or save (asking before it overwrites); the
// chosen file comes back, empty when cancelled.
struct TFileDialogRequest {
  bool save = false;
  QString title;
  QString filter;
  QString defaultSuffix;
  QString folder;
  QString fileName;
};
using TFileDialogAnswerer = std::function<QString(QWidget* parent, const TFileDialogRequest& request)>;

// Replaces the file dialogs for the rest of the process (empty: real dialogs again).
void SetFileDialogAnswerer(TFileDialogAnswerer answerer);
QString AskFileName(QWidget* parent, const TFileDialogRequest& request);

}  // namespace varnholt::shell
