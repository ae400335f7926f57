// uLogView.cpp — the Log page's grid over the logger, its colours, Copy, Export and the last-column fit.
#include "shell/uLogView.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPalette>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardPaths>
#include <QStringList>
#include <QStyle>
#include <QTableView>
#include <QUrl>
#include <algorithm>
#include <array>
#include <cctype>
#include <climits>
#include <string_view>
#include <utility>

#include "shell/uDialogs.h"
#include "shell/uQtText.h"

namespace varnholt::shell {

namespace {

constexpr const char* kObject = "Varnholt";
constexpr std::array<const char*, TLogModel::kColumns> kTitles = {"Date", "Time", "Type", "Object",
                                                                  "Proc", "Text", "Data"};
constexpr std::array<int, TLogModel::kColumns> kWidths = {53, 59, 36, 85, 100, 102, 300};
constexpr int kRowHeight = 16;
constexpr int kLeastLastWidth = 100;
constexpr int kProcColumn = 4;
constexpr int kTextColumn = 5;
constexpr int kDataColumn = 6;

// The colour of each record type, by its value; a type name that is none of these shows as Sys.
struct TTypeColour {
  QRgb rgb;
  bool buttonFace;
};
constexpr std::array<TTypeColour, 5> kTypeColours = {{
    {qRgb(255, 255, 0), false},    // Sys
    {qRgb(255, 0, 0), false},      // Err
    {qRgb(166, 202, 240), false},  // Scr
    {0, true},                     // Msg
    {qRgb(192, 220, 192), false},  // Prc
}};

QColor ButtonFace() {
  return QApplication::palette().color(QPalette::Button);
}

QColor TypeColour(std::string_view name) {
  std::size_t type = 0;
  for (std::size_t t = 0; t < kTypeColours.size(); ++t) {
    if (LogTypeName(static_cast<int>(t)) == name) type = t;
  }
  return kTypeColours[type].buttonFace ? ButtonFace() : QColor(kTypeColours[type].rgb);
}

// The column'th TAB-separated part of a line; nothing when the line has fewer parts.
std::optional<std::string_view> Field(std::string_view line, int column) {
  std::size_t begin = 0;
  for (int i = 0; i < column; ++i) {
    const std::size_t tab = line.find('\t', begin);
    if (tab == std::string_view::npos) return std::nullopt;
    begin = tab + 1;
  }
  return line.substr(begin, line.find('\t', begin) - begin);
}

bool SameText(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
  });
}

TFileOpener& FileOpener() {
  static TFileOpener opener;
  return opener;
}

}  // namespace

// --- TLogModel ------------------------------------------------------------------------------------

TLogModel::TLogModel(TLogger& logger, QObject* parent)
    : QAbstractTableModel(parent), logger_(logger), rows_(logger.Count()) {}

int TLogModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_;
}

int TLogModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumns;
}

void TLogModel::Refresh() {
  // New rows go to the bottom and every row repaints with the line it maps to now: the grid's rows stay
  // where they are, as do its selection and scroll position, and no row is moved.
  const int count = logger_.Count();
  if (count > rows_) {
    beginInsertRows({}, rows_, count - 1);
    rows_ = count;
    endInsertRows();
  } else if (count < rows_) {
    beginRemoveRows({}, count, rows_ - 1);
    rows_ = count;
    endRemoveRows();
  }
  if (rows_ > 0) emit dataChanged(index(0, 0), index(rows_ - 1, kColumns - 1));
}

const std::string* TLogModel::RowLine(int row) const {
  const int line = logger_.Count() - 1 - row;
  if (row < 0 || line < 0) return nullptr;
  return &logger_.Line(line);
}

QString TLogModel::CellText(int row, int column) const {
  const std::string* line = RowLine(row);
  if (line == nullptr || column < 0 || column >= kColumns) return {};
  const std::optional<std::string_view> field = Field(*line, column);
  if (!field) return {};
  if (column != kDataColumn) return FromSystem(std::string(*field));
  // A line with more than six TABs (older versions wrote a TAB inside a field as it was) shows all the
  // rest in Data, the further TABs as "^I" as the log shows them today, so no part of it is hidden.
  const std::string_view rest =
      std::string_view(*line).substr(static_cast<std::size_t>(field->data() - line->data()));
  std::string shown;
  for (const char c : rest) {
    if (c == '\t') {
      shown += "^I";
    } else {
      shown += c;
    }
  }
  return FromSystem(shown);
}

std::optional<QColor> TLogModel::CellColour(int row, int column) const {
  const std::string* line = RowLine(row);
  if (line == nullptr) return std::nullopt;
  if (column == kTypeColumn) {
    if (const auto type = Field(*line, kTypeColumn)) return TypeColour(*type);
  }
  // A LoadContent "File" record starts the work on a new file: its whole row stands out.
  const auto proc = Field(*line, kProcColumn);
  const auto text = Field(*line, kTextColumn);
  if (proc && text && SameText(*proc, "LoadContent") && SameText(*text, "File")) return ButtonFace();
  return std::nullopt;
}

QVariant TLogModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  switch (role) {
    case Qt::DisplayRole:
      return CellText(index.row(), index.column());
    case Qt::ToolTipRole: {
      QString text = CellText(index.row(), index.column());
      return text.isEmpty() ? QVariant() : QVariant(text);
    }
    case Qt::BackgroundRole:
      if (const auto colour = CellColour(index.row(), index.column())) return QBrush(*colour);
      return {};
    case Qt::ForegroundRole:
      // The fixed colours are light ones: their text stays dark whatever the desktop's theme.
      if (const auto colour = CellColour(index.row(), index.column())) {
        return QBrush(*colour == ButtonFace() ? QApplication::palette().color(QPalette::ButtonText)
                                              : QColor(Qt::black));
      }
      return {};
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    default:
      return {};
  }
}

QVariant TLogModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= kColumns) {
    return QAbstractTableModel::headerData(section, orientation, role);
  }
  if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
    return QString::fromLatin1(kTitles[static_cast<std::size_t>(section)]);
  }
  if (role == Qt::TextAlignmentRole)
    return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
  return {};
}

// --- hooks ----------------------------------------------------------------------------------------

void SetFileOpener(TFileOpener opener) {
  FileOpener() = std::move(opener);
}

bool OpenFile(const QString& path) {
  if (FileOpener()) return FileOpener()(path);
  return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

// --- TLogView -------------------------------------------------------------------------------------

TLogView::TLogView(TLogger& logger, QTableView& grid, QPushButton& exportButton)
    : logger_(logger), grid_(grid), model_(logger) {
  grid_.setModel(&model_);
  grid_.setShowGrid(true);
  grid_.setSelectionBehavior(QAbstractItemView::SelectItems);
  grid_.setSelectionMode(QAbstractItemView::ContiguousSelection);
  grid_.setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_.setWordWrap(false);
  grid_.setTextElideMode(Qt::ElideNone);
  grid_.setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  // Rows of one fixed height: the view places any row without asking the model.
  QHeaderView* rows = grid_.verticalHeader();
  rows->hide();
  rows->setMinimumSectionSize(kRowHeight);
  rows->setDefaultSectionSize(kRowHeight);
  rows->setSectionResizeMode(QHeaderView::Fixed);
  QHeaderView* columns = grid_.horizontalHeader();
  columns->setSectionsClickable(false);  // a press on the titles keeps the selection
  columns->setHighlightSections(false);
  columns->setSectionResizeMode(QHeaderView::Interactive);
  columns->setStretchLastSection(false);
  for (int column = 0; column < TLogModel::kColumns; ++column) {
    grid_.setColumnWidth(column, kWidths[static_cast<std::size_t>(column)]);
  }
  connect(columns, &QHeaderView::sectionResized, this, [this](int column) {
    if (column != TLogModel::kColumns - 1) FitLastColumn();
  });

  copy_ = new QAction(QStringLiteral("&Copy"), this);
  copy_->setObjectName(QStringLiteral("Copy2"));
  connect(copy_, &QAction::triggered, this, [this] { Copy2Click(); });
  grid_.addAction(copy_);
  grid_.setContextMenuPolicy(Qt::ActionsContextMenu);

  connect(&exportButton, &QPushButton::clicked, this, [this] { btExportLogClick(); });

  grid_.installEventFilter(this);
  grid_.viewport()->installEventFilter(this);
  FitLastColumn();
}

TLogView::~TLogView() {
  Detach();
}

void TLogView::Attach() {
  logger_.OnRecordAdded = [this](TLogger&) { model_.Refresh(); };
  attached_ = true;
  model_.Refresh();
}

void TLogView::Detach() {
  if (!attached_) return;
  logger_.OnRecordAdded = nullptr;
  attached_ = false;
}

void TLogView::Copy2Click() {
  const QItemSelection selection = grid_.selectionModel()->selection();
  if (selection.isEmpty()) return;
  int top = INT_MAX, left = INT_MAX, bottom = -1, right = -1;
  for (const QItemSelectionRange& range : selection) {
    top = std::min(top, range.top());
    left = std::min(left, range.left());
    bottom = std::max(bottom, range.bottom());
    right = std::max(right, range.right());
  }
  // TAB between the cells of a row and CR LF between rows, so that every row pastes as the same number of
  // cells and nothing follows the last one.
  QStringList rows;
  for (int row = top; row <= bottom; ++row) {
    QStringList cells;
    for (int column = left; column <= right; ++column) cells << model_.CellText(row, column);
    rows << cells.join(QLatin1Char('\t'));
  }
  const QString text = rows.join(QStringLiteral("\r\n"));
  QGuiApplication::clipboard()->setText(text);
}

void TLogView::btExportLogClick() {
  logger_.WriteProc(kObject, "btExportLogClick");
  const TFileDialogRequest request{true,
                                   QStringLiteral("Save Varnholt Log"),
                                   QStringLiteral("Log files (*.txt)"),
                                   QStringLiteral("TXT"),
                                   QStandardPaths::writableLocation(QStandardPaths::DesktopLocation),
                                   QStringLiteral("LOG.TXT")};
  const QString chosen = AskFileName(grid_.window(), request);
  if (chosen.isEmpty()) return;
  const std::filesystem::path path = QFile::encodeName(chosen).toStdString();
  if (const platform::TStatus written = logger_.SaveToFile(path); !written) {
    logger_.WriteEntry(ltErr, kObject, "btExportLogClick", "Failed", written.Message());
    ShowDialog(grid_.window(), TDialogKind::kError,
               QStringLiteral("The log could not be exported to %1:\n%2")
                   .arg(chosen, FromSystem(written.Message())));
    return;
  }
  if (!OpenFile(chosen))
    logger_.WriteEntry(ltErr, kObject, "btExportLogClick", "Not Opened", ToSystem(chosen));
}

void TLogView::FitLastColumn() {
  int others = 0;
  for (int column = 0; column < TLogModel::kColumns - 1; ++column) others += grid_.columnWidth(column);
  // The room of a vertical scroll bar stays free even without one, so none comes and goes with it.
  const int scrollBar = grid_.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &grid_);
  const int width = std::max(kLeastLastWidth, grid_.width() - 2 * grid_.frameWidth() - others - scrollBar);
  if (grid_.columnWidth(TLogModel::kColumns - 1) != width)
    grid_.setColumnWidth(TLogModel::kColumns - 1, width);
}

bool TLogView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == &grid_ && (event->type() == QEvent::Resize || event->type() == QEvent::WindowActivate)) {
    FitLastColumn();
  } else if (watched == grid_.viewport() && event->type() == QEvent::MouseButtonPress) {
    // A press outside the selection selects just the cell under the mouse, whichever the button; one
    // inside keeps the selection, so the menu's Copy acts on the cell or the range the operator sees.
    const auto* press = static_cast<QMouseEvent*>(event);
    const QModelIndex cell = grid_.indexAt(press->position().toPoint());
    if (cell.isValid() && !grid_.selectionModel()->isSelected(cell)) {
      grid_.selectionModel()->setCurrentIndex(cell, QItemSelectionModel::ClearAndSelect);
    }
    if (press->button() != Qt::LeftButton) return true;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace varnholt::shell
