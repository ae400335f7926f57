// fReplayResult.h — the result of "Test on saved reports": how many saved reports the script in the editor
// would file as the saved script does, and for each one it files differently (or that could not be
// replayed) both outcomes and the operations of both sides.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "core/uReplay.h"

class QLabel;
class QTableWidget;
class QTextEdit;

namespace varnholt::shell {

class TfmReplayResult : public QDialog {
  Q_OBJECT

 public:
  // notes: the reports of the journal that were left out, and why.
  TfmReplayResult(std::vector<TReplayResult> results, std::vector<std::string> notes,
                  QWidget* parent = nullptr);

  // "N reports: S same, D different, E errors", or that no report would be filed differently.
  QString SummaryText() const;
  // The rows of the table: the reports that differ or could not be replayed, in the order replayed.
  int RowCount() const;
  QString CellText(int row, int column) const;
  void SelectRow(int row);
  // The details pane: the operations of both sides of the selected row, the differing ones marked "*".
  QString DetailsText() const;

  QTableWidget& Table() const { return *table_; }

 private:
  void ShowDetails(int row);

  std::vector<TReplayResult> results_;  // the rows' reports
  QLabel* summary_ = nullptr;
  QLabel* notes_ = nullptr;
  QTableWidget* table_ = nullptr;
  QTextEdit* details_ = nullptr;
};

// What a test does in place of the modal loop: it sees the dialog as the operator would.
using TReplayResultViewer = std::function<void(TfmReplayResult&)>;
// Replaces the modal loop for the rest of the process (empty: the dialog is shown again).
void SetReplayResultViewer(TReplayResultViewer viewer);
// Shows the result modally, or hands it to the viewer.
void ShowReplayResult(QWidget* parent, std::vector<TReplayResult> results, std::vector<std::string> notes);

}  // namespace varnholt::shell
