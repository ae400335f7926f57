// BrowserTextTest.cpp — the browser and the Text page as an operator uses them: pick a folder, pick a
// report, read its texts, find a word in them.
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QListView>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTest>
#include <QTreeView>

#include "tests/shell/ShellTestBed.h"
#include "ui_fVarnholt.h"

using namespace varnholt;
using namespace varnholt::test;

namespace {

using TRanges = QList<QPair<int, int>>;

// Three times "beta", in three cases: at 6, at 11 (the start of line 1) and at 22.
constexpr const char* kText = "alpha beta\r\nBETA gamma\r\nbeta end\r\n";

// The yellow ranges of a view, start and length.
TRanges Yellow(const QPlainTextEdit* view) {
  TRanges ranges;
  for (const QTextEdit::ExtraSelection& mark : view->extraSelections()) {
    if (mark.format.background().color() != QColor(255, 255, 0)) continue;
    ranges.append({mark.cursor.selectionStart(), mark.cursor.selectionEnd() - mark.cursor.selectionStart()});
  }
  return ranges;
}

QPair<int, int> Selection(const QPlainTextEdit* view) {
  const QTextCursor cursor = view->textCursor();
  return {cursor.selectionStart(), cursor.selectionEnd() - cursor.selectionStart()};
}

// The tree's row of a folder below the drive's root.
QModelIndex FolderRow(QTreeView* tree, const QString& name) {
  const QModelIndex root = tree->model()->index(0, 0);
  for (int row = 0; row < tree->model()->rowCount(root); ++row) {
    const QModelIndex index = tree->model()->index(row, 0, root);
    if (index.data().toString() == name) return index;
  }
  return {};
}

void ClickRow(QAbstractItemView* view, const QModelIndex& index) {
  view->scrollTo(index);
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
}

QModelIndex FileRow(QListView* list, const QString& name) {
  for (int row = 0; row < list->model()->rowCount(); ++row) {
    const QModelIndex index = list->model()->index(row, 0);
    if (index.data().toString() == name) return index;
  }
  return {};
}

}  // namespace

class BrowserTextTest : public QObject {
  Q_OBJECT

 private slots:
  void findHighlightsEveryOccurrenceAndWrapsAround() {
    TShellBed bed;
    auto& window = bed.Start();
    auto& form = window.Form();
    window.ShowPage(TUiPage::Text);
    window.ShowTexts(kText, "");
    form.edFind->setText(QStringLiteral("beta"));
    QTest::mouseClick(form.btFind, Qt::LeftButton);
    QCOMPARE(Yellow(form.RichEdit1), (TRanges{{6, 4}, {11, 4}, {22, 4}}));
    QCOMPARE(Selection(form.RichEdit1), (QPair<int, int>{6, 4}));
    QTest::mouseClick(form.btFind, Qt::LeftButton);
    QCOMPARE(Selection(form.RichEdit1), (QPair<int, int>{11, 4}));
    QCOMPARE(form.lbLine->text(), QStringLiteral("1"));
    QCOMPARE(form.lbChar->text(), QStringLiteral("0"));
    QCOMPARE(form.lbLength->text(), QStringLiteral("4"));
    QTest::mouseClick(form.btFind, Qt::LeftButton);
    QCOMPARE(Selection(form.RichEdit1), (QPair<int, int>{22, 4}));
    // After the last one the search starts again at the top.
    QTest::keyClick(form.edFind, Qt::Key_Return);
    QCOMPARE(Selection(form.RichEdit1), (QPair<int, int>{6, 4}));
    QCOMPARE(Yellow(form.RichEdit1).size(), 3);
    // A text that does not occur leaves the selection where it is.
    form.edFind->setText(QStringLiteral("delta"));
    QTest::mouseClick(form.btFind, Qt::LeftButton);
    QCOMPARE(Selection(form.RichEdit1), (QPair<int, int>{6, 4}));
    QVERIFY(Yellow(form.RichEdit1).isEmpty());
  }

  void anotherFindTextReplacesTheHighlighting() {
    TShellBed bed;
    auto& window = bed.Start();
    auto& form = window.Form();
    window.ShowPage(TUiPage::Text);
    window.ShowTexts(kText, "");
    form.edFind->setText(QStringLiteral("beta"));
    QTest::mouseClick(form.btFind, Qt::LeftButton);
    form.edFind->setText(QStringLiteral("GAMMA"));
    QTest::mouseClick(form.btFind, Qt::LeftButton);
    QCOMPARE(Yellow(form.RichEdit1), (TRanges{{16, 5}}));
    QCOMPARE(Selection(form.RichEdit1), (QPair<int, int>{16, 5}));
  }

  void newTextsAreHighlightedAgainForTheSameFindText() {
    TShellBed bed;
    auto& window = bed.Start();
    auto& form = window.Form();
    window.ShowPage(TUiPage::Text);
    window.ShowTexts(kText, "");
    form.edFind->setText(QStringLiteral("beta"));
    QTest::mouseClick(form.btFind, Qt::LeftButton);
    window.ShowTexts("beta and beta\r\n", "");
    QVERIFY(Yellow(form.RichEdit1).isEmpty());
    QTest::mouseClick(form.btFind, Qt::LeftButton);
    QCOMPARE(Yellow(form.RichEdit1), (TRanges{{0, 4}, {9, 4}}));
    // The second view keeps a search text of its own.
    window.ShowTexts(kText, "one beta\r\n");
    form.pcText->setCurrentIndex(1);
    QTest::mouseClick(form.btFind, Qt::LeftButton);
    QCOMPARE(Yellow(form.RichEdit2), (TRanges{{4, 4}}));
    QVERIFY(Yellow(form.RichEdit1).isEmpty());
  }

  void ctrlFWorksOnTheTextPageOnly() {
    TShellBed bed;
    auto& window = bed.Start();
    auto& form = window.Form();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    window.ShowTexts(kText, "");
    QTextCursor alpha = form.RichEdit1->textCursor();
    alpha.setPosition(0);
    alpha.setPosition(5, QTextCursor::KeepAnchor);  // "alpha"
    form.RichEdit1->setTextCursor(alpha);
    form.edFind->setText(QStringLiteral("beta"));

    window.ShowPage(TUiPage::Log);
    QTest::keyClick(&window, Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(form.edFind->text(), QStringLiteral("beta"));
    QCOMPARE(Selection(form.RichEdit1), (QPair<int, int>{0, 5}));
    QVERIFY(Yellow(form.RichEdit1).isEmpty());

    // On the Text page the selected text becomes the find text, and the search starts at the top.
    window.ShowPage(TUiPage::Text);
    QTest::keyClick(&window, Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(form.edFind->text(), QStringLiteral("alpha"));
    QCOMPARE(Yellow(form.RichEdit1), (TRanges{{0, 5}}));
    QVERIFY(form.edFind->hasFocus());
    QTest::keyClick(&window, Qt::Key_F3);
    QCOMPARE(Selection(form.RichEdit1), (QPair<int, int>{0, 5}));
  }

  void theContextMenuCopiesPlainText() {
    TShellBed bed;
    auto& window = bed.Start();
    auto& form = window.Form();
    window.ShowPage(TUiPage::Text);
    window.ShowTexts(kText, "");
    QMenu* menu = nullptr;
    for (QMenu* candidate : window.findChildren<QMenu*>()) {
      if (!candidate->actions().isEmpty() &&
          candidate->actions().first()->text() == QStringLiteral("&Copy")) {
        menu = candidate;
      }
    }
    QVERIFY(menu != nullptr);
    QStringList items;
    for (const QAction* action : menu->actions())
      items << (action->isSeparator() ? QStringLiteral("-") : action->text());
    QCOMPARE(items, (QStringList{"&Copy", "Select &All", "-", "&Find", "Find &Next"}));
    form.RichEdit1->setFocus();
    QTest::keyClick(form.RichEdit1, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(form.RichEdit1, Qt::Key_Insert, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("alpha beta\nBETA gamma\nbeta end\n"));
    QCOMPARE(form.lbLength->text(), QString::number(31));
  }

  void aFolderClickEndsAutomaticMode() {
    TShellBed bed;
    std::filesystem::create_directories(bed / "drives/c/PDFSTORE");
    auto& window = bed.Start();
    auto& form = window.Form();
    QTest::mouseClick(form.sbAutomatic, Qt::LeftButton);
    QVERIFY(window.Core().State().Automatic());
    ClickRow(form.Folders, FolderRow(form.Folders, QStringLiteral("PDFSTORE")));
    QVERIFY(!window.Core().State().Automatic());
    QVERIFY(!form.sbAutomatic->isChecked());
    QCOMPARE(window.Core().State().BrowserFolder(), std::string("C:\\PDFSTORE"));
    QCOMPARE(form.Folders->currentIndex().data().toString(), QStringLiteral("PDFSTORE"));
    // Automatic mode on again: the browser is back at the queue.
    QTest::mouseClick(form.sbAutomatic, Qt::LeftButton);
    QCOMPARE(form.Folders->currentIndex().data().toString(), QStringLiteral("PDF"));
  }

  // The story: the operator opens C:\PDF, a report arrives, they pick it and look for a word in it.
  void pickAReportAndFindAWordInIt() {
    TShellBed bed;
    std::filesystem::create_directories(bed / "drives/c/PDFSTORE");
    auto& window = bed.Start();
    auto& form = window.Form();
    QVERIFY(!form.Drives->isEnabled());
    QCOMPARE(form.Drives->currentText(), QStringLiteral("C:"));
    QCOMPARE(form.Folders->model()->index(0, 0).data().toString(), QStringLiteral("C:\\"));
    ClickRow(form.Folders, FolderRow(form.Folders, QStringLiteral("PDFSTORE")));
    ClickRow(form.Folders, FolderRow(form.Folders, QStringLiteral("PDF")));
    QCOMPARE(window.Core().State().BrowserFolder(), std::string("C:\\PDF"));

    bed.Drop("ms_quant_report.pdf", "report.pdf");
    QVERIFY(bed.WaitFor([&] { return FileRow(form.Files, QStringLiteral("report.pdf")).isValid(); }));
    ClickRow(form.Files, FileRow(form.Files, QStringLiteral("report.pdf")));
    QCOMPARE(form.edPdfFile->text(), QStringLiteral("C:\\PDF\\report.pdf"));
    QVERIFY(form.RichEdit1->toPlainText().contains(QStringLiteral("Quantitation Report")));
    // The list is read again as the queue changes; the picked report stays picked.
    bed.Drop("gc_run_report.pdf", "another.pdf");
    QVERIFY(bed.WaitFor([&] { return FileRow(form.Files, QStringLiteral("another.pdf")).isValid(); }));
    QCOMPARE(form.Files->currentIndex().data().toString(), QStringLiteral("report.pdf"));

    QTest::mouseClick(form.pcContent->tabBar(), Qt::LeftButton, {},
                      form.pcContent->tabBar()->tabRect(0).center());
    QCOMPARE(form.pcContent->currentWidget(), form.tsText);
    QTest::keyClicks(form.edFind, QStringLiteral("jsmith"));
    QTest::keyClick(form.edFind, Qt::Key_Return);
    QCOMPARE(form.RichEdit1->textCursor().selectedText(), QStringLiteral("JSMITH"));
    QCOMPARE(Yellow(form.RichEdit1).size(), 1);
  }
};

QTEST_MAIN(BrowserTextTest)
#include "BrowserTextTest.moc"
