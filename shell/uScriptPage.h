// uScriptPage.h — the Action page: the script editor Script1 (QScintilla) with its view and edit modes,
// the Edit, Load, CopyTo, Default, Print, Help and Execute buttons, the editor's menu and editing actions,
// and "Test on saved reports" (the editor's script tried on the journal's reports, nothing changed).
//
// The rules (when the script may be edited, loaded or reset, the compile check before edit mode ends)
// are the core's TScriptEditing; this page shows the editor, the dialogs and the marked error line. The
// editor's keywords, completion list and parameter hints come from the routine tables
// (hostlib/uScriptReference.h), never from a list of their own.
#pragma once

#include <QColor>
#include <QObject>
#include <QString>
#include <QStringList>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/uServiceSettings.h"

class QAction;
class QMenu;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QWidget;
class QsciScintilla;
class QsciLexerPascal;

namespace Ui {
class TfmVarnholt;
}

namespace varnholt {
class TVarnholtCore;
}

namespace varnholt::shell {

class TScriptApis;

// The 51 keywords the editor shows bold.
const QStringList& ScriptKeywords();

class TScriptPage : public QObject {
  Q_OBJECT

 public:
  // The editor and the buttons go onto the form's Action page, below the paper printer box.
  TScriptPage(TVarnholtCore& core, Ui::TfmVarnholt& form, std::filesystem::path applicationFolder,
              QWidget* window, QObject* parent = nullptr);
  ~TScriptPage() override;

  // Shows the state's action script in the editor (start-up, after the script file is read).
  void ShowActionScript();
  // The compile error's line is marked, the cursor put on its row and column (1-based).
  void MarkScriptError(int row, int column);
  // The line marked as the compile error's (1-based; 0: none).
  int MarkedLine() const;

  // The page's commands.
  void sbEditClick(bool down);
  void btScriptLoadClick();
  void btScriptCopyToClick();
  void btScriptDefaultClick();
  void btScriptPrintClick();
  void btHelpClick();
  // Replays the last reports of the journal under the saved script and the editor's (which stays as it
  // is, unsaved) and shows which of them the editor's would file differently.
  void btTestOnSavedReportsClick();
  // The settings the replay's runs use, read as the window's core reads them (the window's store).
  void SetReplaySettings(std::function<TServiceSettings()> source) { replaySettings_ = std::move(source); }
  // The editor's menu opens: the editing actions that apply now are enabled.
  void PopupMenuScriptPopup();

  QsciScintilla& Editor() const { return *editor_; }
  // Whether the character at a byte position of the editor belongs to a web address (shown blue and
  // underlined).
  bool IsWebAddressAt(int position) const;
  QMenu& ContextMenu() const { return *menu_; }
  // The editor's lines in the system code page.
  std::vector<std::string> EditorLines() const;
  // What the editor offers while typing: the completion names and the parameter hints.
  QStringList CompletionNames() const;
  QStringList ParameterHints() const;
  // The editor's paper and gutter colours now.
  QColor Paper() const;
  QColor Gutter() const;
  // The HTML page of the editor's content with its highlighting (what Print writes).
  QString ExportHtml() const;

 private:
  void CreateButtons(Ui::TfmVarnholt& form);
  void CreateEditor(Ui::TfmVarnholt& form);
  void CreateActions();
  void SetEditColours(bool editMode);
  void SetEditorLines(const std::vector<std::string>& lines);
  void ClearMark();
  void MarkWebAddresses();
  QString ScriptsFolder() const;
  QString FileOfDialog(const char* name) const;
  void SetFileOfDialog(const char* name, const QString& file);

  TVarnholtCore& core_;
  std::filesystem::path applicationFolder_;
  QWidget* window_;
  QsciScintilla* editor_ = nullptr;
  QsciLexerPascal* lexer_ = nullptr;
  TScriptApis* apis_ = nullptr;
  QPushButton* sbEdit_ = nullptr;
  QMenu* menu_ = nullptr;
  QAction* cut_ = nullptr;
  QAction* copy_ = nullptr;
  QAction* paste_ = nullptr;
  QAction* delete_ = nullptr;
  QAction* undo_ = nullptr;
  QAction* redo_ = nullptr;
  QAction* selectAll_ = nullptr;
  int markedLine_ = 0;
  QPushButton* btTestOnSavedReports_ = nullptr;
  QSpinBox* seSavedReports_ = nullptr;
  QProgressBar* pbReplay_ = nullptr;
  std::function<TServiceSettings()> replaySettings_;
};

}  // namespace varnholt::shell
