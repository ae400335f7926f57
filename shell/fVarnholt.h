// fVarnholt.h — the main window TfmVarnholt: the operator's one window, and the UI port of the core.
//
// The window holds no rule of its own. It forwards its events to the core's units (the file list, the
// Automatic button, Execute, the timers, the folder watcher), shows what the core tells the port, and
// renders the outcomes the core returns. What it owns itself is the window's life: start-up order, the
// notification-area icon, Minimize and Close with their questions, and the end of the program.
#pragma once

#include <QMainWindow>
#include <QStringList>
#include <QSystemTrayIcon>
#include <QTimer>
#include <filesystem>
#include <memory>

#include "core/uUiPort.h"
#include "core/uVarnholtCore.h"
#include "logging/uLogger.h"
#include "settings/uVarnholtSettings.h"
#include "shell/rsPropSaver.h"

class QFileSystemWatcher;
class QMenu;

namespace Ui {
class TfmVarnholt;
}

namespace varnholt::shell {

class TBrowser;
class TTextPage;
class TLogView;
class TSecurityPage;
class TScriptPage;

inline constexpr const char* kVersion = "B.02.38";

class TfmVarnholt : public QMainWindow, public TUiPort {
  Q_OBJECT

 public:
  // The application folder holds PDF.EXE, the settings, the script file and the drive folders; arguments
  // are the command line after the program ("ICON" first: start hidden in the notification area).
  TfmVarnholt(TLogger& logger, std::filesystem::path applicationFolder, QStringList arguments,
              QWidget* parent = nullptr);
  ~TfmVarnholt() override;

  TVarnholtCore& Core() { return *core_; }
  Ui::TfmVarnholt& Form() { return *ui_; }
  TLogView& LogView() { return *logView_; }
  TScriptPage& ScriptPage() { return *scriptPage_; }
  TVarnholtSettings& Settings() { return *settings_; }
  TrsPropSaver& PropSaver() { return *propSaver_; }
  // The Security page: the restrictions (a page that makes its buttons later applies them again there).
  TSecurityPage& Security() { return *security_; }
  // False when the start-up found no write access: the program ends without saving anything.
  bool Started() const { return started_; }
  // The icon's image of the status (0 to 3), and whether the notification area holds it.
  int TrayImage() const { return trayImage_; }
  bool HiddenToTray() const { return hiddenToTray_; }
  // The start-up timer has run: the timers tick, the printers are listed.
  bool StartupDone() const { return startupDone_; }

  // Operator commands (the buttons and the icon's menu call these).
  void btHideClick();
  void btCloseClick();
  void btAboutClick();
  // One of the four log-type boxes changed (and once after the settings are loaded): the logger keeps
  // the types they tick, Sys always.
  void cbLogTypesClick();
  // A second start handed over its command line: restore the window.
  void AppInstancesCmdLineReceived(const QStringList& arguments);
  // The session ends (SIGTERM, the desktop logging out): no questions, the end-of-program steps run.
  void EndSession();
  // Hides the window to the notification area (without questions), and brings it back.
  void HideApplication();
  void RestoreApplication();

  // --- TUiPort ------------------------------------------------------------------------------------
  void ShowMessage(const std::string& text) override;
  void ShowError(const std::string& text) override;
  bool Confirm(const std::string& text, TConfirmButtons buttons) override;
  void BeginBusyCursor() override;
  void EndBusyCursor() override;
  void ShowPage(TUiPage page) override;
  void RestoreWindow() override { RestoreApplication(); }
  void SetAutomaticButton(bool down) override;
  void ShowStatus(TStatusColor color, int iconImage) override;
  void ShowSelectedFile(const std::string& path) override;
  void ShowTexts(const std::string& text1, const std::string& text2) override;
  void RefreshFileList() override;
  void RefreshFolderList() override;
  void ShowBrowserFolder(const std::string& folder) override;
  void ShowPaperPrinters(const std::vector<std::string>& items, const std::string& current) override;
  void MarkScriptError(int row, int column) override;
  void ShowCounts(int queueCount, int failedCount) override;
  void ShowRefreshBar(int position) override;
  bool FocusMinimizeButton() override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FormCreate();
  void TimerStartupTimer();
  void ConnectCommands();
  void CreateTrayIcon();
  void WatchQueueFolder(const std::string& folder);
  // The script file beside the program ("Varnholt.PS"): read at start-up, written with the settings.
  std::filesystem::path ScriptFile() const;
  void LoadScriptFile();
  void SaveScriptFile();
  // The settings of Varnholt.xml (fVarnholt_PropSaver.cpp): the store reads the file and the property
  // saver applies it before the window is shown; Minimize saves it, and so does the end of the program.
  void CreateSettings();
  void LoadSettings();
  void SaveSettings();
  void SaveSettingsAtEnd();
  void DetachSettings();
  void rsPropSaver1BeforeLoad();
  void rsPropSaver1AfterLoad();
  void rsPropSaver1BeforeSave();
  void rsPropSaver1GetUserProperty(const std::string& propName, TrsVariant& value);
  void rsPropSaver1SetUserProperty(const std::string& propName, const TrsVariant& value);
  void ShowQueueFolder();

  std::unique_ptr<Ui::TfmVarnholt> ui_;
  TLogger& logger_;
  std::filesystem::path applicationFolder_;
  QStringList arguments_;
  std::unique_ptr<TVarnholtCore> core_;
  std::unique_ptr<TLogView> logView_;
  std::unique_ptr<TVarnholtSettings> settings_;
  std::unique_ptr<TrsPropSaver> propSaver_;
  QTimer timerStartup_, timerAutomatic_, timerFileCount_;
  QFileSystemWatcher* watcher_ = nullptr;
  std::string watched_;
  QSystemTrayIcon* tray_ = nullptr;
  QMenu* trayMenu_ = nullptr;
  int trayImage_ = 1;
  bool hiddenToTray_ = false;
  bool selfMinimized_ = false;
  bool startupDone_ = false;
  bool started_ = true;
  bool ending_ = false;         // the end of the program is under way: no more questions
  bool closeAccepted_ = false;  // the Close command was confirmed
  int busyDepth_ = 0;
  TBrowser* browser_ = nullptr;
  TTextPage* textPage_ = nullptr;
  TSecurityPage* security_ = nullptr;
  TScriptPage* scriptPage_ = nullptr;
};

}  // namespace varnholt::shell
