// WindowScreenshotTest.cpp — the main window on each page with a sample report loaded, as the pictures in
// docs/screenshots show it. The pictures are taken from the real widgets; with VARNHOLT_SCREENSHOTS set to
// a folder they are written there (docs/screenshots is made so), else into the test's own folder.
// With the argument "dark" the window runs in a dark palette, as on a desktop with a dark theme (the
// CTest entry also sets a scale of 200%).
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPalette>
#include <QPushButton>
#include <QStyleFactory>
#include <QTabWidget>
#include <QTest>
#include <QTextBrowser>
#include <QUrl>

#include <Qsci/qsciscintilla.h>

#include "core/uAccessControl.h"
#include "shell/fReplayResult.h"
#include "shell/uScriptPage.h"
#include "tests/shell/ShellTestBed.h"
#include "ui_fVarnholt.h"

using namespace varnholt;
using namespace varnholt::test;

namespace {

bool darkTheme = false;

QPalette DarkPalette() {
  QPalette p;
  p.setColor(QPalette::Window, QColor(45, 45, 48));
  p.setColor(QPalette::WindowText, QColor(230, 230, 230));
  p.setColor(QPalette::Base, QColor(30, 30, 30));
  p.setColor(QPalette::AlternateBase, QColor(45, 45, 48));
  p.setColor(QPalette::Text, QColor(230, 230, 230));
  p.setColor(QPalette::Button, QColor(60, 60, 64));
  p.setColor(QPalette::ButtonText, QColor(230, 230, 230));
  p.setColor(QPalette::Highlight, QColor(42, 130, 218));
  p.setColor(QPalette::HighlightedText, Qt::white);
  p.setColor(QPalette::ToolTipBase, QColor(60, 60, 64));
  p.setColor(QPalette::ToolTipText, QColor(230, 230, 230));
  return p;
}

}  // namespace

class WindowScreenshotTest : public QObject {
  Q_OBJECT

 private slots:
  void eachPageWithASampleReport() {
    if (darkTheme) {
      QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
      QApplication::setPalette(DarkPalette());
    }
    TShellBed bed;
    // The pictures show an administrator's Security page, whoever takes them.
    SetUserRightsSource([] { return TUserRights{"operator", true}; });
    auto& window = bed.Start();
    window.resize(1000, 640);
    bed.Drop("ms_quant_report.pdf", "ms_quant_report.pdf");
    window.Core().Loading().SelectAndLoad("C:\\PDF\\ms_quant_report.pdf");
    QVERIFY(!window.Form().RichEdit1->toPlainText().isEmpty());
    window.RefreshFileList();  // the next pass would list it too

    const QByteArray target = qgetenv("VARNHOLT_SCREENSHOTS");
    const QString folder = target.isEmpty() ? QDir::currentPath() + QStringLiteral("/screenshots")
                                            : QString::fromLocal8Bit(target);
    QDir().mkpath(folder);
    const QString suffix = darkTheme ? QStringLiteral("-dark-200") : QString();
    QTabWidget* pages = window.Form().pcContent;
    for (int i = 0; i < pages->count(); ++i) {
      pages->setCurrentIndex(i);
      QTest::qWait(50);
      const QImage picture = window.grab().toImage();
      QVERIFY(!picture.isNull());
      // A picture of a real window, not an empty one: more than a handful of colours.
      QVERIFY(picture.width() >= 1000 && picture.height() >= 600);
      const QString name = folder + QStringLiteral("/main-") + pages->widget(i)->objectName() + suffix +
                           QStringLiteral(".png");
      QVERIFY2(picture.save(name), qPrintable(name));
    }

    // The Action page with the standard script's error marked, as leaving edit mode shows it.
    shell::TScriptPage& script = window.ScriptPage();
    window.findChild<QPushButton*>(QStringLiteral("sbEdit"))->click();
    script.Editor().setText(script.Editor().text().replace(QStringLiteral("PDFBetween('Sample',"),
                                                           QStringLiteral("PDFBetwen('Sample',")));
    window.findChild<QPushButton*>(QStringLiteral("sbEdit"))->click();
    QVERIFY(script.MarkedLine() == 5);
    QTest::qWait(50);
    const QString name = folder + QStringLiteral("/main-tsAction-error") + suffix + QStringLiteral(".png");
    QVERIFY2(window.grab().toImage().save(name), qPrintable(name));
  }

  void theResultOfATestOnSavedReports() {
    // Two reports of a test on saved reports: one filed elsewhere by the script in the editor, one the same.
    const auto run = [](const std::string& destination, std::vector<TReplayEffect> effects) {
      TReplayRun made;
      made.outcome.end = TFilingEnd::kFiled;
      made.outcome.location = destination;
      made.effects = std::move(effects);
      return made;
    };
    TReplayResult different;
    different.source = {{}, "ms_quant_report.pdf", "journal entry 2"};
    different.verdict = TReplayVerdict::kDifferent;
    different.baseline = run("C:\\PDFSTORE\\WW-2010-1234.PDF",
                             {{"move", "C:\\PDF\\ms_quant_report.pdf", "C:\\PDFSTORE\\WW-2010-1234.PDF"}});
    different.candidate = run("C:\\MSSTORE\\WW-2010-1234.PDF",
                              {{"make folder", "C:\\MSSTORE", {}},
                               {"move", "C:\\PDF\\ms_quant_report.pdf", "C:\\MSSTORE\\WW-2010-1234.PDF"}});
    TReplayResult same;
    same.source = {{}, "gc_run_report.pdf", "journal entry 1"};
    same.verdict = TReplayVerdict::kSame;
    shell::TfmReplayResult dialog({same, different}, {});
    dialog.resize(900, 420);
    dialog.show();
    QTest::qWait(50);
    const QByteArray target = qgetenv("VARNHOLT_SCREENSHOTS");
    const QString folder = target.isEmpty() ? QDir::currentPath() + QStringLiteral("/screenshots")
                                            : QString::fromLocal8Bit(target);
    QDir().mkpath(folder);
    const QString name = folder + QStringLiteral("/replay-result") +
                         (darkTheme ? QStringLiteral("-dark-200") : QString()) + QStringLiteral(".png");
    QVERIFY2(dialog.grab().save(name), qPrintable(name));
  }

  void theHelpPageInABrowserView() {
    // The page the Help button opens, as a browser shows it: the build writes it beside the program.
    const QString page = QStringLiteral(VARNHOLT_APP_DIR "/Varnholt_help.htm");
    QVERIFY(QFile::exists(page));
    QTextBrowser browser;
    browser.resize(1000, 700);
    browser.setSource(QUrl::fromLocalFile(page));
    browser.show();
    QTest::qWait(50);
    QVERIFY(browser.toPlainText().contains(QStringLiteral("PDFMoveTo")));
    const QByteArray target = qgetenv("VARNHOLT_SCREENSHOTS");
    const QString folder = target.isEmpty() ? QDir::currentPath() + QStringLiteral("/screenshots")
                                            : QString::fromLocal8Bit(target);
    QDir().mkpath(folder);
    const QString name = folder + QStringLiteral("/help-page") +
                         (darkTheme ? QStringLiteral("-dark-200") : QString()) + QStringLiteral(".png");
    QVERIFY2(browser.grab().save(name), qPrintable(name));
  }
};

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (QByteArray(argv[i]) == "dark") darkTheme = true;
  }
  QApplication app(argc, argv);
  WindowScreenshotTest test;
  // The test's own argument is not one of Qt Test's.
  QStringList arguments = app.arguments();
  arguments.removeAll(QStringLiteral("dark"));
  return QTest::qExec(&test, arguments);
}

#include "WindowScreenshotTest.moc"
