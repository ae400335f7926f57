// uBrowser.h — the browser on the left of the main window: the drive box, the folder tree of the current
// drive and the list of the browser folder's PDF files, every one of them in Windows paths.
//
// The browser only shows. A click in the folder tree or the file list goes to the core (FoldersClick,
// FilesClick), which decides and tells the window through the port which folder to show; the file list
// always lists the state's browser folder, the folder that FilesClick joins the picked name to.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <string>

class QComboBox;
class QListView;
class QModelIndex;
class QStandardItem;
class QStandardItemModel;
class QStringListModel;
class QTreeView;

namespace varnholt {
class TVarnholtCore;
}

namespace varnholt::shell {

class TBrowser : public QObject {
  Q_OBJECT

 public:
  TBrowser(TVarnholtCore& core, QComboBox* drives, QTreeView* folders, QListView* files,
           QObject* parent = nullptr);

  // The browser shows this folder: its drive in the drive box, the tree opened at it, the PDF files of
  // the browser folder in the list.
  void ShowFolder(const std::string& folder);
  // Re-reads the file list, keeping the selected name selected while it is still listed.
  void RefreshFileList();
  // Re-reads the folder tree (a folder was made below a shown one), open at the same folder.
  void RefreshFolderList();

  // What the boxes show, in Windows paths.
  QStringList DriveNames() const;
  QString CurrentFolder() const;
  QStringList FileNames() const;
  QString SelectedFileName() const;
  // The tree's entry of a folder, opening the tree down to it; invalid when the tree does not hold it.
  QModelIndex FolderIndex(const QString& folder);

 private:
  void FillDrives();
  void BuildTree(char drive);
  // Lists the subfolders of an entry once; an entry not yet opened holds one placeholder row, so that
  // the tree offers to open it.
  void Populate(QStandardItem* item);
  QStandardItem* OpenAt(const QString& folder);

  TVarnholtCore& core_;
  QComboBox* drives_;
  QTreeView* folders_;
  QListView* files_;
  QStandardItemModel* tree_;
  QStringListModel* list_;
  char drive_ = 0;
  QString folder_;
};

}  // namespace varnholt::shell
