// uBrowser.cpp — the drive box, the folder tree and the file list over the drive map.
#include "shell/uBrowser.h"

#include <QComboBox>
#include <QItemSelectionModel>
#include <QListView>
#include <QSignalBlocker>
#include <QStandardItemModel>
#include <QStringListModel>
#include <QTreeView>
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>
#include <vector>

#include "core/uQueueNames.h"
#include "core/uVarnholtCore.h"
#include "hostlib/uDestinationNames.h"
#include "platform/CodePage.h"
#include "shell/uQtText.h"

namespace varnholt::shell {

namespace {

constexpr int kPathRole = Qt::UserRole + 1;       // the entry's Windows path
constexpr int kPopulatedRole = Qt::UserRole + 2;  // its subfolders have been listed

bool LessIgnoringCase(const std::string& a, const std::string& b) {
  return platform::UpperCase(a) < platform::UpperCase(b);
}

// The subfolders of a native folder that have a Windows name, in the system code page and sorted. A
// name no Windows path can carry, and a hidden one, is not offered: the queue does not take such names
// either. Links to folders are followed, as the drive map follows them.
std::vector<std::string> Subfolders(const std::filesystem::path& folder, bool firstOnly = false) {
  std::vector<std::string> names;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.empty() || name.front() == '.' || !IsSafeQueueName(name)) continue;
    std::error_code kindError;
    if (!std::filesystem::is_directory(it->path(), kindError)) continue;
    names.push_back(platform::Utf8ToCp1252(name));
    if (firstOnly) break;
  }
  std::sort(names.begin(), names.end(), LessIgnoringCase);
  return names;
}

QStandardItem* FolderItem(const QString& name, const QString& path) {
  auto* item = new QStandardItem(name);
  item->setData(path, kPathRole);
  item->setData(false, kPopulatedRole);
  item->setToolTip(path);
  item->setEditable(false);
  return item;
}

}  // namespace

TBrowser::TBrowser(TVarnholtCore& core, QComboBox* drives, QTreeView* folders, QListView* files,
                   QObject* parent)
    : QObject(parent),
      core_(core),
      drives_(drives),
      folders_(folders),
      files_(files),
      tree_(new QStandardItemModel(this)),
      list_(new QStringListModel(this)) {
  drives_->setEnabled(false);
  folders_->setModel(tree_);
  folders_->setHeaderHidden(true);
  files_->setModel(list_);
  files_->setEditTriggers(QAbstractItemView::NoEditTriggers);

  connect(drives_, &QComboBox::activated, this, [this] { core_.Automatic().DrivesClick(); });
  connect(folders_, &QTreeView::expanded, this,
          [this](const QModelIndex& index) { Populate(tree_->itemFromIndex(index)); });
  connect(folders_, &QTreeView::clicked, this, [this](const QModelIndex& index) {
    core_.Automatic().FoldersClick(ToSystem(index.data(kPathRole).toString()));
  });
  connect(files_, &QListView::clicked, this, [this](const QModelIndex& index) {
    core_.Loading().FilesClick(ToSystem(index.data().toString()));
  });
  connect(files_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this] { core_.Status().UpdateStatus(); });  // FilesChange
}

void TBrowser::ShowFolder(const std::string& folder) {
  folder_ = FromSystem(folder);
  const char drive = platform::HasDriveLetter(folder) ? static_cast<char>(std::toupper(folder[0])) : 'C';
  if (drive != drive_) BuildTree(drive);
  FillDrives();
  if (QStandardItem* item = OpenAt(folder_)) {
    folders_->setCurrentIndex(item->index());
    folders_->scrollTo(item->index());
  }
  RefreshFileList();
}

void TBrowser::RefreshFolderList() {
  BuildTree(drive_);
  if (QStandardItem* item = OpenAt(folder_)) folders_->setCurrentIndex(item->index());
}

void TBrowser::RefreshFileList() {
  const QString keep = SelectedFileName();
  std::vector<std::string> names;
  for (const platform::TFoundFile& file : core_.Files().FindFiles(core_.State().BrowserFolder(), "*.pdf")) {
    // The same names the automatic pass takes: one that no Windows path can carry is not offered.
    if (IsSafeQueueName(file.path.filename().string())) names.push_back(file.name);
  }
  std::sort(names.begin(), names.end(), LessIgnoringCase);
  QStringList shown;
  for (const std::string& name : names) shown << FromSystem(name);
  const QSignalBlocker block(files_->selectionModel());
  list_->setStringList(shown);
  if (const qsizetype row = shown.indexOf(keep); !keep.isEmpty() && row >= 0) {
    files_->setCurrentIndex(list_->index(static_cast<int>(row)));
  }
}

QStringList TBrowser::DriveNames() const {
  QStringList names;
  for (int i = 0; i < drives_->count(); ++i) names << drives_->itemText(i);
  return names;
}

QString TBrowser::CurrentFolder() const {
  return folders_->currentIndex().data(kPathRole).toString();
}

QStringList TBrowser::FileNames() const {
  return list_->stringList();
}

QString TBrowser::SelectedFileName() const {
  const QModelIndex current = files_->currentIndex();
  return current.isValid() && files_->selectionModel()->isSelected(current) ? current.data().toString()
                                                                            : QString();
}

QModelIndex TBrowser::FolderIndex(const QString& folder) {
  QStandardItem* item = OpenAt(folder);
  if (item == nullptr || item->data(kPathRole).toString().compare(folder, Qt::CaseInsensitive) != 0)
    return {};
  return item->index();
}

void TBrowser::FillDrives() {
  std::vector<char> letters;
  std::error_code ec;
  const std::filesystem::path drives = core_.DriveMap().DrivesFolder();
  for (std::filesystem::directory_iterator it(drives, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    std::error_code kindError;
    if (name.size() == 1 && std::isalpha(static_cast<unsigned char>(name[0])) &&
        std::filesystem::is_directory(it->path(), kindError)) {
      letters.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(name[0]))));
    }
  }
  if (std::find(letters.begin(), letters.end(), drive_) == letters.end()) letters.push_back(drive_);
  std::sort(letters.begin(), letters.end());
  const QSignalBlocker block(drives_);
  drives_->clear();
  for (const char letter : letters) drives_->addItem(QStringLiteral("%1:").arg(QChar(letter)));
  drives_->setCurrentIndex(
      static_cast<int>(std::find(letters.begin(), letters.end(), drive_) - letters.begin()));
}

void TBrowser::BuildTree(char drive) {
  drive_ = drive;
  tree_->clear();
  const QString root = QStringLiteral("%1:\\").arg(QChar(drive));
  QStandardItem* item = FolderItem(root, root);
  tree_->appendRow(item);
  Populate(item);
  folders_->expand(item->index());
}

void TBrowser::Populate(QStandardItem* item) {
  if (item == nullptr || item->data(kPopulatedRole).toBool()) return;
  item->setData(true, kPopulatedRole);
  item->removeRows(0, item->rowCount());
  const std::string path = ToSystem(item->data(kPathRole).toString());
  const auto native = core_.DriveMap().TryResolve(path);
  if (!native) return;
  for (const std::string& name : Subfolders(*native)) {
    const std::string childPath = JoinPath(path, name);
    QStandardItem* child = FolderItem(FromSystem(name), FromSystem(childPath));
    if (!Subfolders(*native / platform::Cp1252ToUtf8(name), true).empty()) {
      child->appendRow(new QStandardItem());  // placeholder until the entry is opened
    }
    item->appendRow(child);
  }
}

QStandardItem* TBrowser::OpenAt(const QString& folder) {
  QStandardItem* item = tree_->item(0);
  if (item == nullptr) return nullptr;
  // Drive and folder names are matched without regard to case, as the drive map resolves them.
  if (!folder.startsWith(item->text().left(2), Qt::CaseInsensitive)) return item;
  const QStringList parts = folder.mid(2).split(QLatin1Char('\\'), Qt::SkipEmptyParts);
  for (const QString& part : parts) {
    Populate(item);
    QStandardItem* next = nullptr;
    for (int row = 0; row < item->rowCount() && next == nullptr; ++row) {
      if (item->child(row)->text() == part) next = item->child(row);
    }
    for (int row = 0; row < item->rowCount() && next == nullptr; ++row) {
      if (item->child(row)->text().compare(part, Qt::CaseInsensitive) == 0) next = item->child(row);
    }
    if (next == nullptr) break;
    folders_->expand(item->index());
    item = next;
  }
  return item;
}

}  // namespace varnholt::shell
