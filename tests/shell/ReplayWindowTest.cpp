// ReplayWindowTest.cpp — "Test on saved reports" on the Action page as an operator uses it: two reports
// filed by Automatic mode, then the script in the editor tried on them, with a syntax error, changed for
// one kind of report and unchanged; and the test without a journal.
#include <Qsci/qsciscintilla.h>

#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <optional>

#include "core/uJournal.h"
#include "core/uStandardScript.h"
#include "platform/Files.h"
#include "shell/fReplayResult.h"
#include "shell/uScriptPage.h"
#include "tests/shell/ShellTestBed.h"
#include "ui_fVarnholt.h"

using namespace varnholt;
using namespace varnholt::test;

namespace {

// What the operator saw of one result dialog.
struct TSeen {
  QString summary;
  std::vector<QStringList> rows;
  QString details;  // of the first row
};

// Every file below the drive folders with its size and bytes' digest: what a replay must leave alone.
std::vector<std::string> DriveFiles(const TShellBed& bed) {
  std::vector<std::string> files;
  for (const auto& item : std::filesystem::recursive_directory_iterator(bed / "drives")) {
    std::string line = std::filesystem::relative(item.path(), bed / "drives").generic_string();
    if (item.is_regular_file()) {
      std::string digest;
      (void)platform::FileSha256(item.path(), digest);
      line += " " + digest;
    }
    files.push_back(line);
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::string FileText(const std::filesystem::path& file) {
  std::string bytes;
  (void)platform::ReadFileBytes(file, bytes);
  return bytes;
}

}  // namespace

class ReplayWindowTest : public QObject {
  Q_OBJECT

 private:
  std::optional<TSeen> seen_;

  QPushButton* TestButton(shell::TfmVarnholt& window) {
    return window.findChild<QPushButton*>(QStringLiteral("btTestOnSavedReports"));
  }

 private slots:
  void init() {
    seen_.reset();
    shell::SetReplayResultViewer([this](shell::TfmReplayResult& dialog) {
      TSeen seen{dialog.SummaryText(), {}, {}};
      for (int row = 0; row < dialog.RowCount(); ++row) {
        seen.rows.push_back({dialog.CellText(row, 0), dialog.CellText(row, 1), dialog.CellText(row, 2)});
      }
      if (dialog.RowCount() > 0) {
        dialog.SelectRow(0);
        seen.details = dialog.DetailsText();
      }
      seen_ = seen;
    });
  }
  void cleanup() { shell::SetReplayResultViewer({}); }

  void aChangedScriptShowsTheOneReportItFilesElsewhere() {
    TShellBed bed;
    auto& window = bed.Start();
    auto& form = window.Form();
    QTest::mouseClick(form.sbAutomatic, Qt::LeftButton);
    bed.Drop("ms_quant_report.pdf", "quant.pdf");
    bed.Drop("gc_run_report.pdf", "gcrun.pdf");
    const auto filed = [&] {
      return platform::FindFiles(bed / "drives/c/PDFSTORE", "*.PDF").size() == 2 &&
             platform::FindFiles(bed / "drives/c/PDF", "*.pdf").empty();
    };
    QVERIFY(bed.WaitFor(filed));
    QTest::mouseClick(form.sbAutomatic, Qt::LeftButton);
    QVERIFY(!form.sbAutomatic->isChecked());

    form.pcContent->setCurrentWidget(form.tsAction);
    shell::TScriptPage& page = window.ScriptPage();
    QPushButton* test = TestButton(window);
    QVERIFY(test != nullptr);
    QCOMPARE(window.findChild<QSpinBox*>(QStringLiteral("seSavedReports"))->value(), 50);
    window.findChild<QPushButton*>(QStringLiteral("sbEdit"))->click();
    QVERIFY(window.Core().State().EditMode());
    const std::string savedScript = FileText(bed / "Varnholt.PS");
    const std::vector<std::string> drivesBefore = DriveFiles(bed);

    // A syntax error: marked as when leaving edit mode, and nothing is replayed.
    const QString standard = page.Editor().text();
    page.Editor().setText(standard + QStringLiteral("\nif then"));
    bed.boxes.clear();
    test->click();
    QVERIFY(!seen_);
    QCOMPARE(bed.boxes.size(), std::size_t(1));
    QVERIFY2(bed.boxes.front().rfind(
                 "Information: Can not test on saved reports\nThe Script contains an error\n", 0) == 0,
             bed.boxes.front().c_str());
    QCOMPARE(page.MarkedLine(), static_cast<int>(StandardScript().size()) + 1);

    // Quantitation reports go to a folder of their own: that report, and only that one, differs.
    QString changed = standard;
    changed.replace(QStringLiteral("SampleName := ''"),
                    QStringLiteral("SampleName := ''\nStore := 'C:\\PDFSTORE\\'"));
    changed.replace(
        QStringLiteral("if PDFContains('Quantitation Report') then begin"),
        QStringLiteral("if PDFContains('Quantitation Report') then begin\n  Store := 'C:\\MSSTORE\\'"));
    changed.replace(QStringLiteral("'C:\\PDFSTORE\\'+SampleName"), QStringLiteral("Store+SampleName"));
    QVERIFY(changed != standard);
    page.Editor().setText(changed);
    bed.boxes.clear();
    bool busyShown = false;
    // While the run goes the window repaints: the button is disabled and the progress shown.
    QTimer watch;
    connect(&watch, &QTimer::timeout, &window, [&] {
      busyShown = busyShown || (!test->isEnabled() &&
                                window.findChild<QProgressBar*>(QStringLiteral("pbReplay"))->isVisible());
    });
    watch.start(0);
    test->click();
    QVERIFY2(bed.boxes.empty(), bed.boxes.empty() ? "" : bed.boxes.front().c_str());
    watch.stop();
    QVERIFY(seen_);
    QVERIFY(busyShown);
    QVERIFY(test->isEnabled());
    QCOMPARE(seen_->summary, QStringLiteral("2 reports: 1 same, 1 different, 0 errors"));
    QCOMPARE(seen_->rows.size(), std::size_t(1));
    QCOMPARE(seen_->rows[0][0], QStringLiteral("quant.pdf"));
    QCOMPARE(seen_->rows[0][1], QStringLiteral("filed C:\\PDFSTORE\\WW-2010-1234_0000.PDF"));
    QCOMPARE(seen_->rows[0][2], QStringLiteral("filed C:\\MSSTORE\\WW-2010-1234.PDF"));
    QVERIFY2(
        seen_->details.contains(QStringLiteral("* move C:\\PDF\\quant.pdf -> C:\\MSSTORE\\WW-2010-1234.PDF")),
        qPrintable(seen_->details));
    QVERIFY2(seen_->details.contains(
                 QStringLiteral("* move C:\\PDF\\quant.pdf -> C:\\PDFSTORE\\WW-2010-1234_0000.PDF")),
             qPrintable(seen_->details));

    // Nothing moved, nothing saved: the editor keeps its text and edit mode.
    QCOMPARE(DriveFiles(bed), drivesBefore);
    QVERIFY(FileText(bed / "Varnholt.PS") == savedScript);
    QCOMPARE(page.Editor().text(), changed);
    QVERIFY(window.Core().State().EditMode());
    QVERIFY(!page.Editor().isReadOnly());
    QCOMPARE(window.Core().State().ActionScript(), StandardScript());

    // The saved script itself: nothing to show.
    page.Editor().setText(standard);
    seen_.reset();
    test->click();
    QVERIFY(seen_);
    QCOMPARE(seen_->summary,
             QStringLiteral(
                 "2 reports: 2 same, 0 different, 0 errors\nNo saved report would be filed differently."));
    QVERIFY(seen_->rows.empty());
    QCOMPARE(DriveFiles(bed), drivesBefore);
  }

  void withoutSavedReportsItSaysSo() {
    TShellBed bed;
    auto& window = bed.Start();
    QVERIFY(TestButton(window) != nullptr);
    bed.boxes.clear();
    TestButton(window)->click();
    QVERIFY(!seen_);
    QCOMPARE(bed.boxes.size(), std::size_t(1));
    QVERIFY2(
        bed.boxes.front().rfind("Information: No saved reports to test on: there is no journal yet", 0) == 0,
        bed.boxes.front().c_str());

    // A journal with no report in it.
    {
      TJournal journal;
      QVERIFY(journal.Open(bed / kJournalFileName));
    }
    bed.boxes.clear();
    TestButton(window)->click();
    QVERIFY(!seen_);
    QCOMPARE(bed.boxes.size(), std::size_t(1));
    QVERIFY2(bed.boxes.front().rfind("Information: No saved reports to test on: the journal holds no report",
                                     0) == 0,
             bed.boxes.front().c_str());
  }
};

QTEST_MAIN(ReplayWindowTest)
#include "ReplayWindowTest.moc"
