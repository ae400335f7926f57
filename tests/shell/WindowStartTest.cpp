// WindowStartTest.cpp — the window's life as an operator sees it: it starts in order, files a report
// dropped into the queue, asks before it hides or closes, and stays one per application folder.
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <algorithm>

#include "core/uStatusIndicator.h"
#include "platform/InstanceLock.h"
#include "settings/uVarnholtSettings.h"
#include "shell/uSingleInstance.h"
#include "shell/uTrayIcons.h"
#include "tests/shell/ShellTestBed.h"
#include "ui_fVarnholt.h"

using namespace varnholt;
using namespace varnholt::test;

namespace {

void WriteSetting(const std::filesystem::path& folder, const char* name, const char* value) {
  TVarnholtSettings settings(folder);
  settings.Storage().WriteString(std::string("/fmOstrevane.rsPropSaver1/") + name, value);
  settings.Storage().SaveStore();
}

// True when every one of wanted appears in records, in this order (others may come between).
bool InOrder(const std::vector<std::string>& records, const std::vector<std::string>& wanted) {
  auto at = records.begin();
  for (const std::string& record : wanted) {
    at = std::find(at, records.end(), record);
    if (at == records.end()) return false;
    ++at;
  }
  return true;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

QString Program() {
  return QStringLiteral(VARNHOLT_APP_DIR "/Varnholt");
}

}  // namespace

class WindowStartTest : public QObject {
  Q_OBJECT

 private slots:
  void startsInOrder() {
    TShellBed bed;
    WriteSetting(bed.AppFolder(), "cbProcedures.Checked", "True");
    bed.Start();
    const auto records = bed.Records();
    QVERIFY2(InOrder(records, {"Sys|Varnholt|AfterLoad|Version|B.02.38", "Prc|Varnholt|AfterLoad||",
                               "Prc|Varnholt|FormCreate||", "Prc|Varnholt|HookMainWindow||",
                               "Prc|Varnholt|FormShow||", "Prc|Varnholt|TimerStartupTimer||",
                               "Prc|Varnholt|StartupTimer||", "Prc|Varnholt|Before TrayIcon||",
                               "Prc|Varnholt|After TrayIcon||", "Prc|Varnholt|Printers||"}),
             Joined(records).c_str());
    QVERIFY(std::filesystem::exists(bed / "test.txt"));
    // A fresh folder starts with the queue and the standard script.
    QVERIFY(std::filesystem::is_directory(bed / "drives/c/PDF"));
    QVERIFY(std::filesystem::exists(bed / "Varnholt.PS"));
    QCOMPARE(bed.Window().Form().pcContent->currentWidget()->objectName(), QStringLiteral("tsLog"));
  }

  void iconStartsHiddenOnlyWhenAutomaticModeWasOn() {
    for (const bool automatic : {true, false}) {
      TShellBed bed;
      WriteSetting(bed.AppFolder(), "sbAutomatic.Down", automatic ? "True" : "False");
      auto& window = bed.Start({QStringLiteral("icon")});
      QCOMPARE(window.isMinimized() || !window.isVisible(), automatic);
      QCOMPARE(window.Core().State().Automatic(), automatic);
    }
  }

  void theFourIconsAreFlasksInTheStatusColours() {
    const TStatusColor colors[] = {kStatusAutomatic, kStatusIdle, kStatusProcessing, kStatusError};
    for (int image = 0; image < 4; ++image) {
      const QImage icon = shell::FlaskIcon(image).pixmap(32, 32).toImage();
      // The liquid at the bottom of the flask, and no colour outside it.
      QCOMPARE(icon.pixelColor(16, 24), QColor(colors[image].red, colors[image].green, colors[image].blue));
      QCOMPARE(icon.pixelColor(1, 1).alpha(), 0);
    }
  }

  void filesAReportDroppedIntoTheQueue() {
    TShellBed bed;
    auto& window = bed.Start();
    QTest::mouseClick(window.Form().sbAutomatic, Qt::LeftButton);
    QVERIFY(window.Core().State().Automatic());
    bed.Drop("ms_quant_report.pdf", "report.pdf");
    QVERIFY(bed.WaitFor([&] { return std::filesystem::exists(bed / "drives/c/PDFSTORE/WW-2010-1234.PDF"); }));
    QVERIFY(!std::filesystem::exists(bed / "drives/c/PDF/report.pdf"));
    // Off again: the button is up and a report dropped now stays in the queue.
    QTest::mouseClick(window.Form().sbAutomatic, Qt::LeftButton);
    QVERIFY(!window.Core().State().Automatic());
    const auto records = bed.Records();
    QVERIFY(std::find(records.begin(), records.end(), "Msg|Varnholt|AutomaticClick|Stop|C:\\PDF") !=
            records.end());
    bed.Drop("ms_quant_report.pdf", "later.pdf");
    QTest::qWait(2500);
    QVERIFY(std::filesystem::exists(bed / "drives/c/PDF/later.pdf"));
  }

  void minimizeAsksForAutomaticMode() {
    TShellBed bed;
    auto& window = bed.Start();
    // Cancel: nothing happens.
    bed.answers = {QMessageBox::Cancel};
    QTest::mouseClick(window.Form().btHide, Qt::LeftButton);
    QCOMPARE(bed.boxes.back(), std::string("Question: Set Automatic mode ON?"));
    QVERIFY(window.isVisible() && !window.isMinimized());
    // No: the window goes, Automatic mode stays off.
    bed.answers = {QMessageBox::No};
    QTest::mouseClick(window.Form().btHide, Qt::LeftButton);
    QVERIFY(window.isMinimized() || !window.isVisible());
    QVERIFY(!window.Core().State().Automatic());
    window.RestoreApplication();
    // Yes: Automatic mode goes on first, and the settings are saved with it.
    bed.answers = {QMessageBox::Yes};
    QTest::mouseClick(window.Form().btHide, Qt::LeftButton);
    QVERIFY(window.Core().State().Automatic());
    QVERIFY(window.Form().sbAutomatic->isChecked());
  }

  void closeIsRefusedInEditModeAndAsksOtherwise() {
    TShellBed bed;
    auto& window = bed.Start();
    window.Core().State().SetEditMode(true);
    window.close();
    QVERIFY(window.isVisible());
    QCOMPARE(bed.boxes.back(), std::string("Information: First exit the Action script edit mode."));
    QCOMPARE(window.Form().pcContent->currentWidget()->objectName(), QStringLiteral("tsAction"));
    window.Core().State().SetEditMode(false);
    bed.answers = {QMessageBox::Cancel};
    QTest::mouseClick(window.Form().btClose, Qt::LeftButton);
    QCOMPARE(bed.boxes.back(), std::string("Question: Close will stop Automatic Process."));
    QVERIFY(window.isVisible());
  }

  void aSecondStartHandsOverAndEnds() {
    TShellBed bed;
    shell::TSingleInstance first(bed.AppFolder());
    std::string why;
    QCOMPARE(first.Start({}, why), shell::TSingleInstance::TStart::kFirst);
    QStringList handed;
    bool received = false;
    first.OnCommandLine = [&](const QStringList& arguments) {
      handed = arguments;
      received = true;
    };
    QProcess second;
    second.start(Program(), {QStringLiteral("--app-folder"), QString::fromStdString(bed.AppFolder().string()),
                             QStringLiteral("ICON")});
    QVERIFY(bed.WaitFor([&] { return second.state() == QProcess::NotRunning; }));
    QCOMPARE(second.exitCode(), 0);
    QVERIFY(received);
    QCOMPARE(handed, QStringList{QStringLiteral("ICON")});
    // Nothing of the second start was saved or logged.
    QVERIFY(!std::filesystem::exists(bed / "Varnholt.xml"));
  }

  void sigtermEndsTheProgramWithoutQuestionsAndSavesEverything() {
    TShellBed bed;
    QProcess window;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    window.setProcessEnvironment(environment);
    window.start(Program(),
                 {QStringLiteral("--app-folder"), QString::fromStdString(bed.AppFolder().string())});
    QVERIFY(window.waitForStarted(5000));
    // Up once its start-up record is in the log file.
    QVERIFY(bed.WaitFor(
        [&] { return ReadFile(bed / "Varnholt.LOG").find("\tAfterLoad\tVersion\t") != std::string::npos; }));
    QTest::qWait(700);   // the start-up timer has run
    window.terminate();  // SIGTERM
    QVERIFY(window.waitForFinished(15000));
    QCOMPARE(window.exitStatus(), QProcess::NormalExit);
    QCOMPARE(window.exitCode(), 0);
    QVERIFY(std::filesystem::exists(bed / "Varnholt.xml"));
    QVERIFY(std::filesystem::exists(bed / "Varnholt.PS"));
    const std::string log = ReadFile(bed / "Varnholt.LOG");
    QVERIFY2(log.rfind("\tLogger\tDestroy\tLogging\tStop") != std::string::npos, log.c_str());
  }

  void refusesToRunBesideTheHeadlessService() {
    TShellBed bed;
    std::string holder;
    auto service = platform::TInstanceLock::TryAcquire(bed.AppFolder(), &holder, "varnholt-cli watch");
    QVERIFY(service.has_value());
    QProcess window;
    window.start(Program(),
                 {QStringLiteral("--app-folder"), QString::fromStdString(bed.AppFolder().string())});
    QVERIFY(window.waitForFinished(15000));
    QCOMPARE(window.exitCode(), 1);
    QVERIFY2(window.readAllStandardError().contains("varnholt-cli watch"), "the message names the service");
  }
};

QTEST_MAIN(WindowStartTest)
#include "WindowStartTest.moc"
