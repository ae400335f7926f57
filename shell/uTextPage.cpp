// uTextPage.cpp — the two text views, the read-out, the find line and the views' context menu.
#include "shell/uTextPage.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QColor>
#include <QEvent>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocumentFragment>
#include <QTimer>

#include "shell/uQtText.h"
#include "ui_fVarnholt.h"

namespace varnholt::shell {

namespace {

constexpr const char* kObject = "Varnholt";

// The texts arrive with CR LF lines; a text view shows lines.
QString ShownText(const std::string& text) {
  QString shown = FromSystem(text);
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return shown;
}

// Reports are laid out in columns by the instruments, so the texts need a font of one width.
QFont TextFont() {
  QFont font = QFontDatabase::hasFamily(QStringLiteral("Lucida Console"))
                   ? QFont(QStringLiteral("Lucida Console"))
                   : QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setStyleHint(QFont::Monospace);
  font.setFixedPitch(true);
  font.setPointSize(8);
  return font;
}

}  // namespace

TTextPage::TTextPage(Ui::TfmVarnholt& form, QWidget* window, TLogger& logger, QObject* parent)
    : QObject(parent), form_(form), logger_(logger), menu_(new QMenu(window)) {
  copy_ = menu_->addAction(QStringLiteral("&Copy"), this, [this] { ActionTextCopyExecute(); });
  copy_->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)});
  selectAll_ =
      menu_->addAction(QStringLiteral("Select &All"), this, [this] { ActionTextSelectAllExecute(); });
  selectAll_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
  menu_->addSeparator();
  find_ = menu_->addAction(QStringLiteral("&Find"), this, [this] { ActionTextFindExecute(); });
  find_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
  findNext_ = menu_->addAction(QStringLiteral("Find &Next"), this, [this] {
    if (TextPageShown()) ActionTextFindNextExecute();
  });
  findNext_->setShortcut(QKeySequence(Qt::Key_F3));
  // Copy and Select All act on the view with the focus, which handles their keys itself (see
  // eventFilter); Find and Find Next reach the Text page from anywhere in the window.
  copy_->setShortcutContext(Qt::WidgetShortcut);
  selectAll_->setShortcutContext(Qt::WidgetShortcut);
  for (QAction* action : {find_, findNext_}) {
    action->setShortcutContext(Qt::WindowShortcut);
    window->addAction(action);
  }

  const QFont font = TextFont();
  for (QPlainTextEdit* view : {form_.RichEdit1, form_.RichEdit2}) {
    view->setReadOnly(true);
    view->setLineWrapMode(QPlainTextEdit::NoWrap);
    view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    view->setFont(font);
    // The found occurrence stays marked while the operator types in the find box.
    QPalette palette = view->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight,
                     palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
    view->setPalette(palette);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    view->installEventFilter(this);
    connect(view, &QPlainTextEdit::customContextMenuRequested, this,
            [this, view](const QPoint& at) { PopupContextMenu(view, at); });
    connect(view, &QPlainTextEdit::textChanged, this, [this, view] {
      view->setExtraSelections({});
      RichEditChange();
    });
    connect(view, &QPlainTextEdit::cursorPositionChanged, this, [this] { RichEditSelectionChange(); });
    connect(view, &QPlainTextEdit::selectionChanged, this, [this] { RichEditSelectionChange(); });
  }
  connect(form_.pcText, &QTabWidget::currentChanged, this, [this] { RichEditSelectionChange(); });

  form_.btFind->setDefault(true);
  connect(form_.btFind, &QPushButton::clicked, this, [this] { btFindClick(); });
  // A main window has no default button of its own: Enter in the find box is the Find button.
  connect(form_.edFind, &QLineEdit::returnPressed, this, [this] { btFindClick(); });
  form_.edFind->installEventFilter(this);
}

void TTextPage::ShowTexts(const std::string& text1, const std::string& text2) {
  form_.RichEdit1->setPlainText(ShownText(text1));
  form_.RichEdit2->setPlainText(ShownText(text2));
}

QPlainTextEdit* TTextPage::ShownView() const {
  return form_.pcText->currentIndex() == 1 ? form_.RichEdit2 : form_.RichEdit1;
}

bool TTextPage::TextPageShown() const {
  return form_.pcContent->currentWidget() == form_.tsText;
}

QList<QPair<int, int>> TTextPage::Highlights(const QPlainTextEdit* view) const {
  QList<QPair<int, int>> ranges;
  for (const QTextEdit::ExtraSelection& mark : view->extraSelections()) {
    ranges.append({mark.cursor.selectionStart(), mark.cursor.selectionEnd() - mark.cursor.selectionStart()});
  }
  return ranges;
}

void TTextPage::RichEditChange() {
  logger_.WriteProc(kObject, "RichEditChange");
  lastSearch_[0].clear();
  lastSearch_[1].clear();
}

void TTextPage::RichEditSelectionChange() {
  const QTextCursor cursor = ShownView()->textCursor();
  const int start = cursor.selectionStart();
  const QTextBlock line = ShownView()->document()->findBlock(start);
  form_.lbLine->setText(QString::number(line.blockNumber()));
  form_.lbChar->setText(QString::number(start - line.position()));
  form_.lbLength->setText(QString::number(cursor.selectionEnd() - start));
}

void TTextPage::edFindEnter() {
  logger_.WriteProc(kObject, "edFindEnter");
  // After the focus event, so that the click that brought the focus does not undo the selection.
  QTimer::singleShot(0, form_.edFind, &QLineEdit::selectAll);
}

void TTextPage::btFindClick() {
  logger_.WriteProc(kObject, "btFindClick");
  ActionTextFindNextExecute();
}

void TTextPage::ActionTextFindExecute() {
  logger_.WriteProc(kObject, "ActionTextFindExecute");
  if (!TextPageShown()) return;
  QPlainTextEdit* view = ShownView();
  form_.edFind->setFocus();
  // Without a selection the find box keeps its text: Ctrl+F then repeats the last search from the top.
  const QString selected = view->textCursor().selection().toPlainText();
  if (!selected.isEmpty()) form_.edFind->setText(selected);
  QTextCursor cursor = view->textCursor();
  cursor.setPosition(0);
  view->setTextCursor(cursor);
  ActionTextFindNextExecute();
}

void TTextPage::ActionTextFindNextExecute() {
  logger_.WriteProc(kObject, "ActionTextFindNextExecute");
  QPlainTextEdit* view = ShownView();
  QString& lastSearch = lastSearch_[view == form_.RichEdit2 ? 1 : 0];
  const QString find = form_.edFind->text();
  // The document's positions are those of its plain text: one character per line break.
  const QString text = view->toPlainText();
  QTextCursor cursor = view->textCursor();
  const int start = cursor.selectionStart();
  if (find != lastSearch) {
    QList<QTextEdit::ExtraSelection> marks;
    for (qsizetype at = find.isEmpty() ? -1 : text.indexOf(find, 0, Qt::CaseInsensitive); at >= 0;
         at = text.indexOf(find, at + 1, Qt::CaseInsensitive)) {
      QTextEdit::ExtraSelection mark;
      mark.cursor = QTextCursor(view->document());
      mark.cursor.setPosition(static_cast<int>(at));
      mark.cursor.setPosition(static_cast<int>(at + find.size()), QTextCursor::KeepAnchor);
      mark.format.setBackground(QColor(255, 255, 0));
      marks.append(mark);
    }
    view->setExtraSelections(marks);
  }
  if (!find.isEmpty()) {
    qsizetype found = text.indexOf(find, start + 1, Qt::CaseInsensitive);
    if (found < 0) found = text.indexOf(find, 0, Qt::CaseInsensitive);  // wrap around
    if (found >= 0) {
      cursor.setPosition(static_cast<int>(found));
      cursor.setPosition(static_cast<int>(found + find.size()), QTextCursor::KeepAnchor);
      view->setTextCursor(cursor);
      view->ensureCursorVisible();
    }
  }
  lastSearch = find;
}

void TTextPage::ActionTextCopyExecute() {
  logger_.WriteProc(kObject, "ActionTextCopyExecute");
  const QString selected = ShownView()->textCursor().selection().toPlainText();
  if (!selected.isEmpty()) QApplication::clipboard()->setText(selected);
}

void TTextPage::ActionTextSelectAllExecute() {
  logger_.WriteProc(kObject, "ActionTextSelectAllExecute");
  ShownView()->selectAll();
}

void TTextPage::PopupContextMenu(QPlainTextEdit* view, const QPoint& at) {
  copy_->setEnabled(view->textCursor().hasSelection());
  selectAll_->setEnabled(!view->document()->isEmpty());
  menu_->popup(view->viewport()->mapToGlobal(at));
}

bool TTextPage::eventFilter(QObject* watched, QEvent* event) {
  if (watched == form_.edFind && event->type() == QEvent::FocusIn) {
    edFindEnter();
  } else if ((watched == form_.RichEdit1 || watched == form_.RichEdit2) &&
             event->type() == QEvent::KeyPress) {
    // The views would copy rich text themselves; the texts are plain, and so is what is copied.
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->matches(QKeySequence::Copy) ||
        (key->key() == Qt::Key_Insert && key->modifiers() == Qt::ControlModifier)) {
      ActionTextCopyExecute();
      return true;
    }
    if (key->matches(QKeySequence::SelectAll)) {
      ActionTextSelectAllExecute();
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace varnholt::shell
