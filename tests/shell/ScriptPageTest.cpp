// ScriptPageTest.cpp — the Action page as an operator uses it: the script shown at start, Edit with a
// script that does not compile, Edit while an action runs, Default and Load, the editor's menu, Print
// and Help, and the editor offering exactly the routines a script can call.
#include <Qsci/qsciscintilla.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <algorithm>

#include "core/uStandardScript.h"
#include "hostlib/uScriptReference.h"
#include "shell/uLogView.h"
#include "shell/uScriptPage.h"
#include "tests/shell/ShellTestBed.h"
#include "ui_fVarnholt.h"

using namespace varnholt;
using namespace varnholt::test;
using varnholt::shell::TFileDialogRequest;
using varnholt::shell::TScriptPage;

namespace {

QPushButton* Button(shell::TfmVarnholt& window, const char* name) {
  return window.findChild<QPushButton*>(QString::fromLatin1(name));
}

bool HasRecord(const std::vector<std::string>& records, const std::string& start) {
  return std::any_of(records.begin(), records.end(),
                     [&](const std::string& r) { return r.rfind(start, 0) == 0; });
}

QString Enabled(QMenu& menu) {
  QStringList names;
  for (QAction* action : menu.actions()) {
    if (!action->isSeparator() && action->isEnabled()) names << action->objectName();
  }
  return names.join(QLatin1Char(' '));
}

}  // namespace

class ScriptPageTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() {
    shell::SetFileDialogAnswerer({});
    shell::SetFileOpener({});
  }

  void showsTheStandardScriptInViewMode() {
    TShellBed bed;
    auto& window = bed.Start();
    TScriptPage& page = window.ScriptPage();
    QCOMPARE(page.Editor().objectName(), QStringLiteral("Script1"));
    QCOMPARE(page.EditorLines(), StandardScript());
    QVERIFY(page.Editor().isReadOnly());
    QVERIFY(!Button(window, "sbEdit")->isChecked());
    QCOMPARE(page.Paper(), QApplication::palette().color(QPalette::Button));
    // The paper printer box stays on the page above the editor.
    QCOMPARE(window.Form().cbPaperPrinter->parentWidget(), window.Form().pnActionContent);
  }

  void leavingEditModeWithAnErrorKeepsTheEditor() {
    TShellBed bed;
    auto& window = bed.Start();
    TScriptPage& page = window.ScriptPage();
    QPushButton* edit = Button(window, "sbEdit");
    edit->click();
    QVERIFY(edit->isChecked());
    QVERIFY(!page.Editor().isReadOnly());
    QCOMPARE(page.Paper(), QColor(Qt::white));
    page.Editor().setText(QStringLiteral("x := 1\n\n    Nowhere('a')\ny := 2"));
    bed.boxes.clear();
    edit->click();

    QVERIFY(edit->isChecked());
    QVERIFY(window.Core().State().EditMode());
    QVERIFY(!page.Editor().isReadOnly());
    QCOMPARE(bed.boxes.size(), std::size_t(1));
    const std::string& box = bed.boxes.front();
    QVERIFY2(box.rfind("Information: Can not leave editor\nThe Script contains an error\n", 0) == 0,
             box.c_str());
    QVERIFY2(box.ends_with("\nLine 3, Char 16"), box.c_str());
    QVERIFY(HasRecord(bed.Records(), "Err|Script|Compile|"));
    QCOMPARE(page.MarkedLine(), 3);
    int line = 0, index = 0;
    page.Editor().getCursorPosition(&line, &index);
    QCOMPARE(line, 2);
    QCOMPARE(index, 15);
    QCOMPARE(window.Form().pcContent->currentWidget(), window.Form().tsAction);
    QCOMPARE(window.Core().State().ActionScript(), StandardScript());  // the last script that compiled

    // Mended, the script leaves edit mode and is the action script.
    page.Editor().setText(QStringLiteral("x := 1\n\nLog('a','b')"));
    edit->click();
    QVERIFY(!edit->isChecked());
    QVERIFY(page.Editor().isReadOnly());
    QCOMPARE(page.MarkedLine(), 0);
    QCOMPARE(window.Core().State().ActionScript(), (std::vector<std::string>{"x := 1", "", "Log('a','b')"}));
  }

  void webAddressesAreMarkedAndFollowTheText() {
    TShellBed bed;
    auto& window = bed.Start();
    TScriptPage& page = window.ScriptPage();
    const QString text = QStringLiteral("// see https://lab.example/filing and www.example.org\nx := 1");
    page.Editor().setText(text);
    const int start = static_cast<int>(text.indexOf(QStringLiteral("https")));
    QVERIFY(page.IsWebAddressAt(start));
    QVERIFY(page.IsWebAddressAt(start + 10));
    QVERIFY(page.IsWebAddressAt(static_cast<int>(text.indexOf(QStringLiteral("www")))));
    QVERIFY(!page.IsWebAddressAt(0));
    QVERIFY(!page.IsWebAddressAt(static_cast<int>(text.indexOf(QStringLiteral(" and")))));
    page.Editor().setText(QStringLiteral("x := 1"));
    QVERIFY(!page.IsWebAddressAt(0) && !page.IsWebAddressAt(3));
  }

  void editWhileAnActionIsProcessingIsRefused() {
    TShellBed bed;
    auto& window = bed.Start();
    window.Core().State().BeginActionRun();
    bed.boxes.clear();
    QPushButton* edit = Button(window, "sbEdit");
    edit->click();
    window.Core().State().EndActionRun();
    QVERIFY(!edit->isChecked());
    QVERIFY(window.ScriptPage().Editor().isReadOnly());
    QCOMPARE(bed.boxes.size(), std::size_t(1));
    QVERIFY2(bed.boxes.front().rfind(
                 "Information: Can not Edit. Please wait\nCurrently Action is processing\n", 0) == 0,
             bed.boxes.front().c_str());
  }

  void defaultInViewModeReplacesTheText() {
    TShellBed bed;
    auto& window = bed.Start();
    TScriptPage& page = window.ScriptPage();
    window.Core().State().SetActionScript({"x := 1"});
    page.ShowActionScript();
    bed.boxes.clear();
    Button(window, "btScriptDefault")->click();
    QCOMPARE(bed.boxes, (std::vector<std::string>{"Question: Reset script to factory default?"}));
    QCOMPARE(page.EditorLines(), StandardScript());
    QVERIFY(page.Editor().isReadOnly());
    QVERIFY(!Button(window, "sbEdit")->isChecked());
  }

  void loadSwitchesAutomaticOffEvenWhenCancelled() {
    TShellBed bed;
    auto& window = bed.Start();
    window.Form().sbAutomatic->click();
    QVERIFY(window.Core().State().Automatic());
    TFileDialogRequest seen;
    shell::SetFileDialogAnswerer([&](QWidget*, const TFileDialogRequest& request) {
      seen = request;
      return QString();
    });
    Button(window, "btScriptLoad")->click();
    QVERIFY(!window.Core().State().Automatic());
    QVERIFY(!window.Form().sbAutomatic->isChecked());
    QCOMPARE(seen.title, QStringLiteral("Load Varnholt PascalScript"));
    QCOMPARE(seen.fileName, QStringLiteral("Varnholt.PSC"));
    QVERIFY(seen.folder.endsWith(QStringLiteral("/Scripts")));
    QCOMPARE(window.ScriptPage().EditorLines(), StandardScript());
  }

  void copyToAndLoadCarryTheScriptAndTheFileName() {
    TShellBed bed;
    auto& window = bed.Start();
    const QString file = QString::fromStdString((bed / "Scripts" / "site.psc").string());
    QString offered;
    shell::SetFileDialogAnswerer([&](QWidget*, const TFileDialogRequest& request) {
      offered = request.fileName;
      return file;
    });
    Button(window, "btScriptCopyTo")->click();
    QFile written(file);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QVERIFY(written.readAll().startsWith("SampleName := ''\r\n\r\n//MS\r\n"));
    window.Core().State().SetActionScript({"x := 1"});
    window.ScriptPage().ShowActionScript();
    Button(window, "btScriptLoad")->click();
    QCOMPARE(offered, file);  // the load dialog offers what was copied
    QCOMPARE(window.ScriptPage().EditorLines(), StandardScript());
    QCOMPARE(window.Core().State().ActionScript(), StandardScript());
  }

  void contextMenuInViewModeOffersCopyAndSelectAllOnly() {
    TShellBed bed;
    auto& window = bed.Start();
    TScriptPage& page = window.ScriptPage();
    QApplication::clipboard()->setText(QStringLiteral("x"));
    page.PopupMenuScriptPopup();
    QCOMPARE(Enabled(page.ContextMenu()), QStringLiteral("ActionCopy ActionSelectAll"));
    QStringList captions;
    for (QAction* action : page.ContextMenu().actions()) captions << action->text();
    QCOMPARE(captions,
             (QStringList{"Cu&t", "&Copy", "&Paste", "&Delete", "", "&Undo", "&Redo", "", "Select &All"}));

    Button(window, "sbEdit")->click();
    page.Editor().setText(QString());
    page.Editor().insert(QStringLiteral("abc"));  // as typed: it can be undone
    page.PopupMenuScriptPopup();
    QCOMPARE(Enabled(page.ContextMenu()),
             QStringLiteral("ActionPaste ActionDelete ActionUndo ActionSelectAll"));
    page.Editor().setCursorPosition(0, 0);
    page.ContextMenu().actions()[3]->trigger();  // Delete without a selection: the character after the cursor
    QCOMPARE(page.Editor().text(), QStringLiteral("bc"));
  }

  void printWritesTheHighlightedScriptAndHelpOpensThePage() {
    TShellBed bed;
    auto& window = bed.Start();
    QStringList opened;
    shell::SetFileOpener([&](const QString& path) {
      opened << path;
      return true;
    });
    Button(window, "btScriptPrint")->click();
    Button(window, "btHelp")->click();
    const QString printout = QString::fromStdString((bed / "Varnholt_Script.htm").string());
    QCOMPARE(opened, (QStringList{printout, QString::fromStdString((bed / "Varnholt_help.htm").string())}));
    QFile page(printout);
    QVERIFY(page.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(page.readAll());
    QVERIFY(html.contains(QStringLiteral("font-weight:bold;\">if</span>")));
    QVERIFY(html.contains(QStringLiteral("font-style:italic;\">//MS</span>")));
    QVERIFY(html.contains(QStringLiteral("background:#ffffff")));
    QVERIFY(window.ScriptPage().Editor().isReadOnly());
    QCOMPARE(window.ScriptPage().Paper(), QApplication::palette().color(QPalette::Button));
  }

  // What the editor offers comes from the routine tables, and the help page beside the program lists
  // every one of them.
  void offersEveryRoutineAScriptCanCall() {
    TShellBed bed;
    auto& window = bed.Start();
    QStringList names, hints;
    for (const TScriptName& name : ScriptNames()) {
      names << QString::fromStdString(name.name);
      hints << QString::fromStdString(name.Hint());
    }
    QCOMPARE(window.ScriptPage().CompletionNames(), names);
    QCOMPARE(window.ScriptPage().ParameterHints(), hints);
    QFile help(QStringLiteral(VARNHOLT_APP_DIR "/Varnholt_help.htm"));
    QVERIFY(help.open(QIODevice::ReadOnly));
    const QString page = QString::fromUtf8(help.readAll());
    QVERIFY(page.contains(QStringLiteral("id=\"manual\"")));
    for (const TScriptName& name : ScriptNames()) {
      QVERIFY2(page.contains(QStringLiteral("<tr id=\"%1\">").arg(QString::fromStdString(name.name))),
               name.name.c_str());
    }
    QVERIFY(shell::ScriptKeywords().size() == 51);
  }
};

QTEST_MAIN(ScriptPageTest)
#include "ScriptPageTest.moc"
