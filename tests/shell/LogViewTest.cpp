// LogViewTest.cpp — the Log page as an operator sees it: the newest record on top in its colours, a full
// log's blank bottom row, copying cells, exporting the log, and a filed report's records in the grid.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QPalette>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTableView>
#include <QTest>

#include "shell/uLogView.h"
#include "tests/shell/ShellTestBed.h"
#include "ui_fVarnholt.h"

using namespace varnholt;
using namespace varnholt::test;
using shell::TLogModel;
using shell::TLogView;

namespace {

constexpr TLogTypes kAllTypes = 0xFF;

QColor ButtonFace() {
  return QApplication::palette().color(QPalette::Button);
}

QColor ColourOf(const TLogModel& model, int row, int column) {
  return model.CellColour(row, column).value_or(QColor());
}

// The field of a log line by its column.
std::string Field(const std::string& line, int column) {
  std::size_t begin = 0;
  for (int i = 0; i < column; ++i) begin = line.find('\t', begin) + 1;
  return line.substr(begin, line.find('\t', begin) - begin);
}

QStringList RowTexts(const TLogModel& model, int row) {
  QStringList texts;
  for (int column = 0; column < TLogModel::kColumns; ++column) texts << model.CellText(row, column);
  return texts;
}

// A model that follows a logger in memory, as the window attaches it.
struct TFollowedLog {
  explicit TFollowedLog(int capacity) : logger({}, false, capacity, kAllTypes), model(logger) {
    logger.OnRecordAdded = [this](TLogger&) { model.Refresh(); };
  }
  ~TFollowedLog() { logger.OnRecordAdded = nullptr; }
  TLogger logger;
  TLogModel model;
};

// A grid and an export button as the form has them, with the view on a logger.
struct TLogPage {
  explicit TLogPage(TLogger& logger) : view(logger, grid, exportButton) {
    grid.resize(900, 400);
    grid.show();
    view.Attach();
  }
  ~TLogPage() { view.Detach(); }
  QTableView grid;
  QPushButton exportButton;
  TLogView view;
};

}  // namespace

class LogViewTest : public QObject {
  Q_OBJECT

 private slots:
  void showsTheNewestRecordOnTopInItsColours_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("proc");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("typeName");
    QTest::addColumn<QColor>("typeColour");
    QTest::addColumn<QColor>("rowColour");
    const QColor none;
    QTest::newRow("Sys") << 0 << "AfterLoad"
                         << "Version"
                         << "Sys" << QColor(255, 255, 0) << none;
    QTest::newRow("Err") << 1 << "ExecPDF"
                         << "Failed"
                         << "Err" << QColor(255, 0, 0) << none;
    QTest::newRow("Scr") << 2 << "Script"
                         << "Sample"
                         << "Scr" << QColor(166, 202, 240) << none;
    QTest::newRow("Msg") << 3 << "PdfCopyMoveTo"
                         << "Done"
                         << "Msg" << ButtonFace() << none;
    QTest::newRow("Prc") << 4 << "FormShow"
                         << ""
                         << "Prc" << QColor(192, 220, 192) << none;
    QTest::newRow("unknown type") << 5 << "Other"
                                  << ""
                                  << "" << QColor(255, 255, 0) << none;
    QTest::newRow("a new file") << 3 << "LoadContent"
                                << "File"
                                << "Msg" << ButtonFace() << ButtonFace();
    QTest::newRow("a new file, other case") << 1 << "loadcontent"
                                            << "FILE"
                                            << "Err" << QColor(255, 0, 0) << ButtonFace();
  }
  void showsTheNewestRecordOnTopInItsColours() {
    QFETCH(int, type);
    QFETCH(QString, proc);
    QFETCH(QString, text);
    QFETCH(QString, typeName);
    QFETCH(QColor, typeColour);
    QFETCH(QColor, rowColour);
    TFollowedLog log(100);
    TLogger& logger = log.logger;
    const TLogModel& model = log.model;
    logger.WriteEntry(ltMsg, "Varnholt", "Older", "Record", "C:\\PDF\\a.pdf");
    logger.WriteEntry(type, "Varnholt", proc.toStdString(), text.toStdString(), "C:\\PDF\\b.pdf");

    QCOMPARE(model.rowCount(), logger.Count());
    QCOMPARE(model.columnCount(), 7);
    const QStringList newest = RowTexts(model, 0);
    QCOMPARE(newest.mid(2), QStringList({typeName, "Varnholt", proc, text, "C:\\PDF\\b.pdf"}));
    QCOMPARE(newest[0].size(), 8);  // yyyymmdd
    QCOMPARE(newest[1].size(), 9);  // hhnnsszzz
    QCOMPARE(model.CellText(1, 4), QStringLiteral("Older"));
    QCOMPARE(model.CellText(logger.Count() - 1, 4), QStringLiteral("Create"));  // the oldest at the bottom
    QCOMPARE(ColourOf(model, 0, TLogModel::kTypeColumn), typeColour);
    for (const int column : {0, 1, 3, 4, 5, 6}) QCOMPARE(ColourOf(model, 0, column), rowColour);
    // The model answers the view in the same colours, and with the text as the tooltip.
    QCOMPARE(model.data(model.index(0, TLogModel::kTypeColumn), Qt::BackgroundRole).value<QBrush>().color(),
             typeColour);
    QCOMPARE(model.data(model.index(0, 4), Qt::ToolTipRole).toString(), proc);
    QCOMPARE(model.headerData(6, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("Data"));
  }

  void aTabInATextShowsTheRestInTheNextColumns() {
    // Older versions wrote a TAB inside a field as it was; such a line still reads from the log file.
    TTempFolder temp;
    WriteFile(temp / "Varnholt.LOG", "20240102\t030405006\tMsg\tAction\tScript\tfirst\tsecond\tthe data\r\n");
    TLogger logger(temp / "Varnholt.LOG", true, 100, kAllTypes);
    TLogModel model(logger);
    const int old = logger.Count() - 1;  // below the two start records
    QCOMPARE(RowTexts(model, old),
             QStringList({"20240102", "030405006", "Msg", "Action", "Script", "first", "second^Ithe data"}));
    // A record written now keeps its TAB in its own field.
    logger.WriteEntry(ltMsg, "Action", "Script", "first\tsecond", "data");
    QCOMPARE(model.CellText(0, 5), QStringLiteral("first^Isecond"));
    QCOMPARE(model.CellText(0, 6), QStringLiteral("data"));
  }

  void aFullLogKeepsABlankRowAtTheBottom() {
    TFollowedLog log(3);
    TLogger& logger = log.logger;
    const TLogModel& model = log.model;
    for (const char* text : {"one", "two", "three", "four"})
      logger.WriteEntry(ltMsg, "Varnholt", "Test", text);
    QCOMPARE(logger.Count(), 3);
    QCOMPARE(model.rowCount(), 4);
    QCOMPARE(model.CellText(0, 5), QStringLiteral("four"));
    QCOMPARE(model.CellText(2, 5), QStringLiteral("two"));
    QCOMPARE(RowTexts(model, 3), QStringList(7, QString()));
    for (int column = 0; column < 7; ++column) QVERIFY(!model.CellColour(3, column));
    QCOMPARE(model.data(model.index(3, 5), Qt::DisplayRole).toString(), QString());
  }

  void copiesTheSelectedCells_data() {
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("bottom");
    QTest::addColumn<int>("right");
    QTest::addColumn<QString>("copied");
    QTest::newRow("2 x 3") << 0 << 3 << 1 << 5 << "Obj3\tProc3\tText3\r\nObj2\tProc2\tText2";
    QTest::newRow("one cell") << 1 << 6 << 1 << 6 << "Data2";
    QTest::newRow("the blank row") << 2 << 4 << 3 << 5 << "Proc1\tText1\r\n\t";
  }
  void copiesTheSelectedCells() {
    QFETCH(int, top);
    QFETCH(int, left);
    QFETCH(int, bottom);
    QFETCH(int, right);
    QFETCH(QString, copied);
    TLogger logger({}, false, 3, kAllTypes);
    TLogPage page(logger);
    for (const char* n : {"1", "2", "3"}) {
      logger.WriteEntry(ltMsg, std::string("Obj") + n, std::string("Proc") + n, std::string("Text") + n,
                        std::string("Data") + n);
    }
    QCOMPARE(page.view.Model().rowCount(), 4);  // full: one blank row below the three records
    const TLogModel& model = page.view.Model();
    page.grid.selectionModel()->select(QItemSelection(model.index(top, left), model.index(bottom, right)),
                                       QItemSelectionModel::ClearAndSelect);
    QCOMPARE(page.view.CopyAction().text(), QStringLiteral("&Copy"));
    QVERIFY(page.grid.actions().contains(&page.view.CopyAction()));
    page.view.CopyAction().trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), copied);
  }

  void theGridIsSetUpAndAPressOutsideTheSelectionSelectsThatCell() {
    TLogger logger({}, false, 100, kAllTypes);
    for (int i = 0; i < 10; ++i) logger.WriteEntry(ltMsg, "Varnholt", "Test", std::to_string(i));
    TLogPage page(logger);
    QTableView& grid = page.grid;
    const int widths[] = {53, 59, 36, 85, 100, 102};
    for (int column = 0; column < 6; ++column) QCOMPARE(grid.columnWidth(column), widths[column]);
    QCOMPARE(grid.rowHeight(0), 16);
    QVERIFY(grid.showGrid());
    QCOMPARE(grid.selectionBehavior(), QAbstractItemView::SelectItems);
    QCOMPARE(grid.selectionMode(), QAbstractItemView::ContiguousSelection);
    QCOMPARE(grid.model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Date"));

    // The last column takes what the others leave, so no horizontal scroll bar appears, but at least 100.
    grid.resize(1000, 400);
    QVERIFY(grid.columnWidth(6) > 400);
    QCOMPARE(grid.horizontalScrollBar()->maximum(), 0);
    grid.resize(300, 400);
    QCOMPARE(grid.columnWidth(6), 100);
    grid.resize(1000, 400);

    const TLogModel& model = page.view.Model();
    auto centre = [&](int row, int column) { return grid.visualRect(model.index(row, column)).center(); };
    grid.selectionModel()->select(QItemSelection(model.index(0, 0), model.index(1, 1)),
                                  QItemSelectionModel::ClearAndSelect);
    // A right press inside the selection keeps it, so Copy acts on all of it.
    QTest::mousePress(grid.viewport(), Qt::RightButton, {}, centre(1, 1));
    QCOMPARE(grid.selectionModel()->selectedIndexes().size(), 4);
    // Outside it, any button selects just the cell under the mouse.
    QTest::mousePress(grid.viewport(), Qt::RightButton, {}, centre(3, 4));
    QCOMPARE(grid.selectionModel()->selectedIndexes(), QModelIndexList{model.index(3, 4)});
    QTest::mousePress(grid.viewport(), Qt::MiddleButton, {}, centre(2, 5));
    QCOMPARE(grid.selectionModel()->selectedIndexes(), QModelIndexList{model.index(2, 5)});
  }

  void exportWritesTheLinesOldestFirst_data() {
    QTest::addColumn<QString>("chosen");  // relative to a temporary folder; empty: cancelled
    QTest::addColumn<bool>("written");
    QTest::newRow("saved") << "LOG.TXT" << true;
    QTest::newRow("cancelled") << "" << false;
    QTest::newRow("a folder that is not there") << "missing/LOG.TXT" << false;
  }
  void exportWritesTheLinesOldestFirst() {
    QFETCH(QString, chosen);
    QFETCH(bool, written);
    TTempFolder temp;
    TLogger logger(temp / "Varnholt.LOG", false, 100, kAllTypes);
    logger.WriteEntry(ltMsg, "Varnholt", "Test", "Record", "C:\\PDF\\a.pdf");
    TLogPage page(logger);
    const std::string logFileBefore = ReadFile(temp / "Varnholt.LOG");

    shell::TFileDialogRequest asked;
    const QString target =
        chosen.isEmpty() ? QString() : QString::fromStdString((temp / "").string()) + chosen;
    shell::SetFileDialogAnswerer([&](QWidget*, const shell::TFileDialogRequest& request) {
      asked = request;
      return target;
    });
    QStringList opened;
    shell::SetFileOpener([&](const QString& path) {
      opened << path;
      return true;
    });
    QStringList boxes;
    shell::SetDialogAnswerer([&](shell::TDialogKind, const QString& text, QMessageBox::StandardButtons) {
      boxes << text;
      return QMessageBox::Ok;
    });
    // The button (and the tray menu's "Logfile", which clicks it) exports.
    page.exportButton.click();
    shell::SetFileDialogAnswerer({});
    shell::SetFileOpener({});
    shell::SetDialogAnswerer({});

    QCOMPARE(asked.title, QStringLiteral("Save Varnholt Log"));
    QCOMPARE(asked.filter, QStringLiteral("Log files (*.txt)"));
    QCOMPARE(asked.defaultSuffix, QStringLiteral("TXT"));
    QCOMPARE(asked.fileName, QStringLiteral("LOG.TXT"));
    QCOMPARE(asked.folder, QStandardPaths::writableLocation(QStandardPaths::DesktopLocation));
    // Every line up to the export's own record, oldest first.
    std::string lines;
    int exportRecord = 0;
    while (exportRecord < logger.Count() && Field(logger.Line(exportRecord), 4) != "btExportLogClick") {
      lines += logger.Line(exportRecord++) + "\r\n";
    }
    QVERIFY(exportRecord < logger.Count());
    QCOMPARE(Field(logger.Line(exportRecord), 2), std::string("Prc"));
    QVERIFY(lines.find("\tTest\tRecord\t") != std::string::npos);
    if (written) {
      const std::string exported = ReadFile(temp / chosen.toStdString());
      QCOMPARE(exported.substr(0, lines.size()), lines);  // oldest first, CR LF, the export's own record next
      QCOMPARE(opened, QStringList{target});
      QVERIFY(boxes.isEmpty());
    } else {
      QVERIFY(opened.isEmpty());
      if (!chosen.isEmpty()) {
        QCOMPARE(boxes.size(), 1);
        QVERIFY2(boxes[0].startsWith(QStringLiteral("The log could not be exported")), qPrintable(boxes[0]));
        const std::string& failed = logger.Line(logger.Count() - 1);
        QCOMPARE(Field(failed, 2) + Field(failed, 4) + Field(failed, 5),
                 std::string("ErrbtExportLogClickFailed"));
      }
    }
    // The log file itself only gains the records; nothing in it is rewritten.
    const std::string logFileAfter = ReadFile(temp / "Varnholt.LOG");
    QCOMPARE(logFileAfter.substr(0, logFileBefore.size()), logFileBefore);
  }

  void aReportFiledInAutomaticModeShowsItsRecordsInTheGrid() {
    TShellBed bed;
    auto& window = bed.Start();
    QTest::mouseClick(window.Form().sbAutomatic, Qt::LeftButton);
    bed.Drop("ms_quant_report.pdf", "report.pdf");
    QVERIFY(bed.WaitFor([&] { return std::filesystem::exists(bed / "drives/c/PDFSTORE/WW-2010-1234.PDF"); }));

    auto* grid = window.Form().Grid;
    const QAbstractItemModel& shown = *grid->model();
    QCOMPARE(shown.rowCount(), bed.Log().Count());
    const std::string& newest = bed.Log().Line(bed.Log().Count() - 1);
    QCOMPARE(shown.index(0, 4).data().toString().toStdString(), Field(newest, 4));
    QCOMPARE(shown.index(0, 5).data().toString().toStdString(), Field(newest, 5));
    // The start of the work on the report stands out in the button face.
    int fileRow = -1;
    for (int row = 0; row < shown.rowCount() && fileRow < 0; ++row) {
      if (shown.index(row, 4).data().toString() == QStringLiteral("LoadContent") &&
          shown.index(row, 5).data().toString() == QStringLiteral("File")) {
        fileRow = row;
      }
    }
    QVERIFY(fileRow >= 0);
    QCOMPARE(shown.index(fileRow, 6).data().toString(), QStringLiteral("C:\\PDF\\report.pdf"));
    QCOMPARE(shown.index(fileRow, 0).data(Qt::BackgroundRole).value<QBrush>().color(), ButtonFace());
  }
};

QTEST_MAIN(LogViewTest)
#include "LogViewTest.moc"
