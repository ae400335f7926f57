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

}  // namespace varnholt::shell
