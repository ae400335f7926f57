// fReplayResult.cpp — the result dialog of "Test on saved reports".
#include "shell/fReplayResult.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QSplitter>
#include <QTableWidget>
#include <QTextEdit>
#include <QVBoxLayout>
#include <utility>

#include "shell/uQtText.h"

namespace varnholt::shell {

namespace {

enum TColumn { kReport, kBaseline, kNew, kColumns };

TReplayResultViewer& Viewer() {
  static TReplayResultViewer viewer;
  return viewer;
}

// "filed C:\PDFSTORE\X.PDF", "script-error Line 3, Char 5 (message)".
QString OutcomeText(const TReplayRun& run) {
  QString text = QString::fromLatin1(FilingEndName(run.outcome.end));
  if (!run.outcome.location.empty()) text += QLatin1Char(' ') + FromSystem(run.outcome.location);
  if (run.outcome.script.row > 0) {
    text += QStringLiteral(" Line %1, Char %2").arg(run.outcome.script.row).arg(run.outcome.script.column);
  }
  if (!run.outcome.reason.empty()) text += QStringLiteral(" (%1)").arg(FromSystem(run.outcome.reason));
  return text;
}

QString SideHtml(const QString& side, const TReplayRun& run, const TReplayRun& other) {
  QString html = QStringLiteral("<p><b>%1</b> %2</p><pre>").arg(side, OutcomeText(run).toHtmlEscaped());
  if (run.effects.empty()) html += QStringLiteral("  (no operations)\n");
  for (std::size_t i = 0; i < run.effects.size(); ++i) {
    const QString line = FromSystem(EffectText(run.effects[i])).toHtmlEscaped();
    html += EffectDiffers(run, other, i)
                ? QStringLiteral("<span style=\"color:#c00000\"><b>* %1</b></span>\n").arg(line)
                : QStringLiteral("  %1\n").arg(line);
  }
  return html + QStringLiteral("</pre>");
}

}  // namespace

void SetReplayResultViewer(TReplayResultViewer viewer) {
  Viewer() = std::move(viewer);
}

void ShowReplayResult(QWidget* parent, std::vector<TReplayResult> results, std::vector<std::string> notes) {
  TfmReplayResult dialog(std::move(results), std::move(notes), parent);
  if (Viewer()) {
    Viewer()(dialog);
    return;
  }
  dialog.exec();
}

TfmReplayResult::TfmReplayResult(std::vector<TReplayResult> results, std::vector<std::string> notes,
                                 QWidget* parent)
    : QDialog(parent) {
  setObjectName(QStringLiteral("fmReplayResult"));
  setWindowTitle(QStringLiteral("Test on saved reports"));
  resize(900, 560);
  const TReplaySummary summary = Summarize(results);
  const std::size_t total = results.size();
  for (TReplayResult& result : results) {
    if (result.verdict != TReplayVerdict::kSame) results_.push_back(std::move(result));
  }

  auto* layout = new QVBoxLayout(this);
  QString text = QStringLiteral("%1 %2: %3 same, %4 different, %5 %6")
                     .arg(total)
                     .arg(total == 1 ? QStringLiteral("report") : QStringLiteral("reports"))
                     .arg(summary.same)
                     .arg(summary.different)
                     .arg(summary.errors)
                     .arg(summary.errors == 1 ? QStringLiteral("error") : QStringLiteral("errors"));
  if (results_.empty()) text += QStringLiteral("\nNo saved report would be filed differently.");
  summary_ = new QLabel(text, this);
  summary_->setObjectName(QStringLiteral("lbSummary"));
  layout->addWidget(summary_);
  if (!notes.empty()) {
    QStringList lines;
    for (const std::string& note : notes) lines << QStringLiteral("Left out: ") + FromSystem(note);
    notes_ = new QLabel(lines.join(QLatin1Char('\n')), this);
    notes_->setObjectName(QStringLiteral("lbNotes"));
    notes_->setWordWrap(true);
    layout->addWidget(notes_);
  }

  auto* splitter = new QSplitter(Qt::Vertical, this);
  table_ = new QTableWidget(static_cast<int>(results_.size()), kColumns, splitter);
  table_->setObjectName(QStringLiteral("grdReports"));
  table_->setHorizontalHeaderLabels(
      {QStringLiteral("Report"), QStringLiteral("Baseline (saved script)"), QStringLiteral("New (editor)")});
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->verticalHeader()->hide();
  table_->horizontalHeader()->setStretchLastSection(true);
  for (int row = 0; row < static_cast<int>(results_.size()); ++row) {
    const TReplayResult& result = results_[static_cast<std::size_t>(row)];
    const bool error = result.verdict == TReplayVerdict::kError;
    const QString cells[kColumns] = {
        FromSystem(result.source.queueName),
        error ? QStringLiteral("could not be replayed") : OutcomeText(result.baseline),
        error ? FromSystem(result.error) : OutcomeText(result.candidate)};
    for (int column = 0; column < kColumns; ++column) {
      auto* item = new QTableWidgetItem(cells[column]);
      item->setToolTip(cells[column]);
      table_->setItem(row, column, item);
    }
  }
  table_->resizeColumnsToContents();
  details_ = new QTextEdit(splitter);
  details_->setObjectName(QStringLiteral("edDetails"));
  details_->setReadOnly(true);
  layout->addWidget(splitter, 1);
  // With nothing to list there is nothing to select: the summary says it all.
  splitter->setVisible(!results_.empty());

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);

  connect(table_, &QTableWidget::currentCellChanged, this, [this](int row) { ShowDetails(row); });
  if (!results_.empty()) SelectRow(0);
}

void TfmReplayResult::ShowDetails(int row) {
  if (row < 0 || row >= static_cast<int>(results_.size())) {
    details_->clear();
    return;
  }
  const TReplayResult& result = results_[static_cast<std::size_t>(row)];
  QString html = QStringLiteral("<p><b>%1</b> (%2)</p>")
                     .arg(FromSystem(result.source.queueName).toHtmlEscaped(),
                          QString::fromStdString(result.source.origin).toHtmlEscaped());
  if (result.verdict == TReplayVerdict::kError) {
    html += QStringLiteral("<p>Could not be replayed: %1</p>").arg(FromSystem(result.error).toHtmlEscaped());
  } else {
    html += SideHtml(QStringLiteral("Baseline:"), result.baseline, result.candidate);
    html += SideHtml(QStringLiteral("New:"), result.candidate, result.baseline);
  }
  details_->setHtml(html);
}

QString TfmReplayResult::SummaryText() const {
  return summary_->text();
}

int TfmReplayResult::RowCount() const {
  return table_->rowCount();
}

QString TfmReplayResult::CellText(int row, int column) const {
  const QTableWidgetItem* item = table_->item(row, column);
  return item != nullptr ? item->text() : QString();
}

void TfmReplayResult::SelectRow(int row) {
  table_->setCurrentCell(row, 0);
  ShowDetails(row);
}

QString TfmReplayResult::DetailsText() const {
  return details_->toPlainText();
}

}  // namespace varnholt::shell
