// SecurityPageTest.cpp — the Security page as an administrator and an operator meet it: who sees which
// command, the password dialog, and the start-up's PDF printer check that asks nothing when nothing can
// be set up.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTreeView>
#include <algorithm>
#include <map>

#include "core/uAccessControl.h"
#include "core/uPdfPrinterSetup.h"
#include "settings/uVarnholtSettings.h"
#include "shell/fPassword.h"
#include "shell/uSecurityPage.h"
#include "tests/shell/ShellTestBed.h"
#include "ui_fVarnholt.h"

using namespace varnholt;
using namespace varnholt::test;

namespace {

constexpr const char* kSection = "/fmOstrevane.rsPropSaver1/";

// Varnholt.xml with these switches ticked.
void TickSwitches(const std::filesystem::path& folder, std::initializer_list<TRestriction> ticked) {
  TVarnholtSettings settings(folder);
  settings.Storage().SetActive(true);
  for (TRestriction r : ticked) {
    settings.Storage().WriteString(kSection + std::string(RestrictionRow(r).box) + ".Checked", "True");
  }
  settings.Storage().SaveStore();
  settings.Storage().SetOptions(0);
}

void RunAs(const std::string& name, bool administrator) {
  SetUserRightsSource([name, administrator] { return TUserRights{name, administrator}; });
}

bool Contains(const std::vector<std::string>& list, const std::string& item) {
  return std::find(list.begin(), list.end(), item) != list.end();
}

}  // namespace

class SecurityPageTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() {
    SetUserRightsSource(nullptr);
    shell::TPasswordDlg::SetFiller(nullptr);
  }

  void anAdministratorSeesEveryCommandWhateverIsTicked() {
    TShellBed bed;
    std::initializer_list<TRestriction> all = {
        TRestriction::Automatic,     TRestriction::ReQueueFailedFiles, TRestriction::DeleteFailedFiles,
        TRestriction::Close,         TRestriction::ScriptExecute,      TRestriction::PrinterSetup,
        TRestriction::NavigateFolder, TRestriction::SelectFile,        TRestriction::ChangeLogging,
        TRestriction::TabText,       TRestriction::TabAction,          TRestriction::TabLog};
    TickSwitches(bed.AppFolder(), all);
    RunAs("anna", true);
    auto& window = bed.Start();
    auto& form = window.Form();
    QCOMPARE(form.lblLogon->text(), QStringLiteral("Your logon anna has Administrator rights"));
    QVERIFY(form.cbAdminClose->isChecked());
    for (QWidget* control : std::initializer_list<QWidget*>{
             form.cbAdminClose, form.cbAdminTabLog, form.btOwner, form.btUser, form.btClose, form.btReQueue,
             form.btDeleteFailed, form.sbAutomatic, form.btExecuteAction, form.cbPaperPrinter, form.Folders, form.Files, form.cbErrors, form.cbProcedures}) {
      QVERIFY2(control->isEnabled(), qPrintable(control->objectName()));
    }
    for (QWidget* page : {form.pnTextContent, form.pnActionContent, form.pnLogContent}) QVERIFY(!page->isHidden());
    for (QWidget* label : {form.lbTextRestricted, form.lbActionRestricted, form.lbLogRestricted}) {
      QVERIFY(label->isHidden());
    }
  }

  void anOperatorLosesWhatIsTickedAndNothingElse() {
    TShellBed bed;
    TickSwitches(bed.AppFolder(), {TRestriction::ReQueueFailedFiles, TRestriction::Close,
                                   TRestriction::ScriptExecute, TRestriction::NavigateFolder,
                                   TRestriction::ChangeLogging, TRestriction::TabLog});
    RunAs("otto", false);
    auto& window = bed.Start();
    auto& form = window.Form();
    QCOMPARE(form.lblLogon->text(), QStringLiteral("Your logon otto has NO Administrator rights"));
    // Only an administrator changes the switches and the passwords.
    for (const TRestrictionRow& row : RestrictionTable()) {
      QVERIFY2(!window.findChild<QCheckBox*>(row.box)->isEnabled(), row.box);
    }
    QVERIFY(!form.btOwner->isEnabled());
    QVERIFY(!form.btUser->isEnabled());
    for (QWidget* restricted : std::initializer_list<QWidget*>{form.btReQueue, form.btClose, form.btExecuteAction,
                                                               form.Folders, form.cbErrors,
                                                               form.cbScript, form.cbMessages, form.cbProcedures}) {
      QVERIFY2(!restricted->isEnabled(), qPrintable(restricted->objectName()));
    }
    for (QWidget* open : std::initializer_list<QWidget*>{form.btDeleteFailed, form.sbAutomatic, form.Files,
                                                         form.cbPaperPrinter, form.btHide}) {
      QVERIFY2(open->isEnabled(), qPrintable(open->objectName()));
    }
    // The Log page's content gives way to its "Restricted" label; the other pages stay.
    QVERIFY(form.pnLogContent->isHidden());
    QVERIFY(!form.lbLogRestricted->isHidden());
    QVERIFY(!form.pnTextContent->isHidden());
    QVERIFY(form.lbTextRestricted->isHidden());

    // The Action page's Execute button, made after the start-up, is restricted once the page says so.
    auto* execute = new QPushButton(QStringLiteral("E&xecute"), form.pnActionContent);
    execute->setObjectName(QStringLiteral("btExecute"));
    window.Security().ApplyControlRestrictions();
    QVERIFY(!execute->isEnabled());

    // The window's own close button minimises instead of offering to close.
    bed.answers = {QMessageBox::No};
    window.close();
    QVERIFY(bed.WaitFor([&] { return Contains(bed.boxes, "Question: Set Automatic mode ON?"); }));
    QVERIFY(!Contains(bed.boxes, "Question: Close will stop Automatic Process."));
  }

  void aPasswordIsTakenOnlyWhenConfirmedAndStoredEncrypted() {
    TShellBed bed;
    RunAs("anna", true);
    auto& window = bed.Start();
    QStringList captions;
    // A different case in the second field is another password: "Not confirmed", and the dialog stays.
    shell::TPasswordDlg::SetFiller([&](shell::TPasswordDlg& dialog) {
      captions << dialog.windowTitle();
      QVERIFY(dialog.Password().text().isEmpty());
      QCOMPARE(dialog.Password().echoMode(), QLineEdit::Password);
      QCOMPARE(dialog.Confirm().echoMode(), QLineEdit::Password);
      dialog.Password().setText(QStringLiteral("Geheim-42"));
      dialog.Confirm().setText(QStringLiteral("geheim-42"));
      dialog.OKBtnClick();
      QVERIFY(!dialog.Accepted());
      QCOMPARE(dialog.Confirm().selectedText(), QStringLiteral("geheim-42"));
      dialog.Confirm().setText(QStringLiteral("Geheim-42"));
      dialog.OKBtnClick();
    });
    window.Form().btOwner->click();
    QCOMPARE(bed.boxes, std::vector<std::string>{"Information: Not confirmed"});
    QCOMPARE(window.Form().edOwner->text(), QStringLiteral("Geheim-42"));
    QCOMPARE(window.Core().State().OwnerPassword(), std::string("Geheim-42"));

    // Cancel changes nothing; two empty fields clear a password.
    window.Form().edUser->setText(QStringLiteral("lesen"));
    shell::TPasswordDlg::SetFiller([&](shell::TPasswordDlg& dialog) {
      captions << dialog.windowTitle();
      dialog.Password().setText(QStringLiteral("other"));
      dialog.Confirm().setText(QStringLiteral("other"));
      dialog.CancelBtnClick();
    });
    window.Form().btUser->click();
    QCOMPARE(window.Form().edUser->text(), QStringLiteral("lesen"));
    shell::TPasswordDlg::SetFiller([](shell::TPasswordDlg& dialog) { dialog.OKBtnClick(); });
    window.Form().btUser->click();
    QCOMPARE(window.Form().edUser->text(), QString());
    QCOMPARE(window.Core().State().UserPassword(), std::string());
    QCOMPARE(captions, (QStringList{"PDF Owner (edit)", "PDF User (read)"}));

    bed.Stop();
    const std::string file = ReadFile(bed / "Varnholt.xml");
    QVERIFY(!file.empty());
    QVERIFY(file.find("Geheim-42") == std::string::npos);
    TVarnholtSettings settings(bed.AppFolder());
    settings.Storage().SetOptions(0);
    settings.Storage().SetActive(true);
    QCOMPARE(settings.Storage().ReadString(kOwnerPasswordKey, "(missing)"), std::string("Geheim-42"));
  }

  void thePrinterCheckAsksNothingWhenNoPrinterCanBeSetUp() {
    TShellBed bed;
    int checks = 0, setUps = 0;
    // A print server with cups-pdf, but this user may not set up a queue.
    SetPdfPrinterSource([&](const platform::TDriveMap&) {
      TPdfPrinterSystem system = NoPdfPrinter();
      system.check = [&] {
        ++checks;
        platform::TPdfPrinterCheck check;
        check.serverAnswers = check.backendInstalled = true;
        return check;
      };
      system.setUp = [&](std::vector<std::string>&) {
        ++setUps;
        return platform::TStatus::Ok();
      };
      return system;
    });
    bed.Start();
    QCOMPARE(checks, 1);
    QCOMPARE(setUps, 0);
    QCOMPARE(bed.boxes, std::vector<std::string>{});
  }

  void thePrinterCheckOffersTheSetupWhereItCanBeDone() {
    TShellBed bed;
    int setUps = 0;
    SetPdfPrinterSource([&](const platform::TDriveMap&) {
      TPdfPrinterSystem system = NoPdfPrinter();
      system.check = [] {
        platform::TPdfPrinterCheck check;
        check.serverAnswers = check.backendInstalled = true;
        return check;
      };
      system.maySetUp = [] { return true; };
      system.setUp = [&](std::vector<std::string>&) {
        ++setUps;
        return platform::TStatus::Ok();
      };
      return system;
    });
    bed.answers = {QMessageBox::No};
    bed.Start();
    QCOMPARE(setUps, 0);
    QCOMPARE(bed.boxes.size(), std::size_t{1});
    QVERIFY(bed.boxes[0].find("Set Varnholt-PDF to print automatically to C:\\PDF\\ ?") != std::string::npos);
  }
};

QTEST_MAIN(SecurityPageTest)
#include "SecurityPageTest.moc"
