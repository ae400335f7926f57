// uTextPage.h — the Text page: the two extracted texts of the selected report with the line and column
// read-out, Find and Find Next with every occurrence highlighted, Copy and Select All.
//
// The yellow highlighting lies over the text (the views' extra selections), never in it, so finding
// changes no content. A view remembers the search text its highlighting belongs to; a new content
// forgets it, and the next Find highlights again.
#pragma once

#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <string>

#include "logging/uLogger.h"

class QAction;
class QMenu;
class QPoint;
class QPlainTextEdit;
class QWidget;

namespace Ui {
class TfmVarnholt;
}

namespace varnholt::shell {

class TTextPage : public QObject {
  Q_OBJECT

 public:
  // window receives the Find and Find Next shortcuts; the form holds the page's controls.
  TTextPage(Ui::TfmVarnholt& form, QWidget* window, TLogger& logger, QObject* parent = nullptr);

  // The texts of the loaded report, CR LF lines in the system code page.
  void ShowTexts(const std::string& text1, const std::string& text2);

  // The operations of the page.
  void btFindClick();
  void ActionTextFindExecute();
  void ActionTextFindNextExecute();
  void ActionTextCopyExecute();
  void ActionTextSelectAllExecute();

  // The view on the active inner page.
  QPlainTextEdit* ShownView() const;
  // The search text that the highlighting of view 1 or 2 belongs to.
  const QString& LastSearchText(int view) const { return lastSearch_[view == 2 ? 1 : 0]; }
  // The highlighted occurrences of a view: start and length of each.
  QList<QPair<int, int>> Highlights(const QPlainTextEdit* view) const;
  QMenu* ContextMenu() const { return menu_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void RichEditChange();
  void RichEditSelectionChange();
  void edFindEnter();
  void PopupContextMenu(QPlainTextEdit* view, const QPoint& at);
  bool TextPageShown() const;

  Ui::TfmVarnholt& form_;
  TLogger& logger_;
  QMenu* menu_;
  QAction* copy_;
  QAction* selectAll_;
  QAction* find_;
  QAction* findNext_;
  QString lastSearch_[2];
};

}  // namespace varnholt::shell
