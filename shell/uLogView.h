// uLogView.h — the Log page: the logger's records newest first in a coloured grid, Copy and Export.
//
// The grid holds no log data: TLogModel reads the logger's lines whenever a cell is painted and splits
// only the line of that row, so a log of any size costs the same per screen, and a record arriving
// costs the same whatever the log holds (the rows follow the log's count, the grid repaints).
#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>
#include <string>

#include "logging/uLogger.h"

class QAction;
class QPushButton;
class QTableView;
class QWidget;

namespace varnholt::shell {

class TLogModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  static constexpr int kColumns = 7;
  static constexpr int kTypeColumn = 2;

  explicit TLogModel(TLogger& logger, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // The handler of the logger's OnRecordAdded: the rows follow the log's count, the grid repaints. It
  // runs before the logger trims, so a full log keeps one row more than it holds, and that row is blank.
  void Refresh();

  // What a cell shows: a field of the line of its row (row 0 the newest), empty beyond the log.
  QString CellText(int row, int column) const;
  // Its background, if it has one.
  std::optional<QColor> CellColour(int row, int column) const;

 private:
  // The line a row shows; nullptr beyond the log.
  const std::string* RowLine(int row) const;

  TLogger& logger_;
  int rows_;
};

// Opens a file with the desktop's default program; false when none could be started.
using TFileOpener = std::function<bool(const QString& path)>;
// Replaces the opening for the rest of the process (empty: the desktop's again).
void SetFileOpener(TFileOpener opener);
// Opens a file with the desktop's default program (or the opener set); false when none could be started.
bool OpenFile(const QString& path);

class TLogView : public QObject {
  Q_OBJECT

 public:
  // Sets up the form's grid over the logger and connects the export button and the grid's menu.
  TLogView(TLogger& logger, QTableView& grid, QPushButton& exportButton);
  ~TLogView() override;

  // The grid follows the logger's records from now on (the window's before-load step), and no longer.
  void Attach();
  void Detach();

  TLogModel& Model() { return model_; }
  // The grid's context menu item "&Copy".
  QAction& CopyAction() { return *copy_; }

  // Copies the selected cells: TAB between cells, CR LF between rows.
  void Copy2Click();
  // Writes every log line, oldest first, to a file the operator chooses, then opens it.
  void btExportLogClick();
  // The last column takes the width that the others leave, at least 100 pixels.
  void FitLastColumn();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  TLogger& logger_;
  QTableView& grid_;
  TLogModel model_;
  QAction* copy_ = nullptr;
  bool attached_ = false;
};

}  // namespace varnholt::shell
