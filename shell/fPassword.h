// fPassword.h — TPasswordDlg, the dialog that sets one of the two PDF passwords: the password typed twice,
// masked, and taken only when both agree.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <memory>

class QLineEdit;

namespace Ui {
class TPasswordDlg;
}

namespace varnholt::shell {

class TPasswordDlg : public QDialog {
  Q_OBJECT

 public:
  explicit TPasswordDlg(QWidget* parent = nullptr);
  ~TPasswordDlg() override;

  // Shows the dialog modally with this caption; true when OK closed it with both fields alike.
  bool Execute(const QString& caption);
  bool Accepted() const { return accepted_; }
  QString Text() const;
  QLineEdit& Password();
  QLineEdit& Confirm();

  // The dialog's operations, as the buttons and fields run them.
  void FormShow();
  void OKBtnClick();
  void CancelBtnClick();

  // A test fills and closes the dialog in place of a person: with a filler set, Execute shows nothing and
  // hands the reset dialog to it instead (empty: the real dialog again).
  using TFiller = std::function<void(TPasswordDlg&)>;
  static void SetFiller(TFiller filler);

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::unique_ptr<Ui::TPasswordDlg> ui_;
  bool accepted_ = false;
};

}  // namespace varnholt::shell
