// fVarnholt.cpp — the main window: start-up and end, the notification-area icon, Minimize and Close, and
// the UI port the core talks to.
#include "shell/fVarnholt.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileSystemWatcher>
#include <QMenu>
#include <QWindowStateChangeEvent>

#include "core/uApplicationFolder.h"
#include "core/uPdfPrinterSetup.h"
#include "core/uServiceSettings.h"
#include "core/uStandardScript.h"
#include "platform/Files.h"
#include "platform/Printers.h"
#include "shell/uBrowser.h"
#include "shell/uDialogs.h"
#include "shell/uLogView.h"
#include "shell/uQtText.h"
#include "shell/uSecurityPage.h"
#include "shell/uScriptPage.h"
#include "shell/uTextPage.h"
#include "shell/uTrayIcons.h"
#include "ui_fVarnholt.h"

namespace varnholt::shell {

namespace {

constexpr const char* kObject = "Varnholt";
constexpr const char* kEditModeMessage = "First exit the Action script edit mode.";

int PageIndex(TUiPage page) {
  switch (page) {
    case TUiPage::Text:
      return 0;
    case TUiPage::Action:
      return 1;
    case TUiPage::Log:
      return 2;
    case TUiPage::Security:
      return 3;
    case TUiPage::Browser:
      break;
  }
  return -1;
}

}  // namespace

TfmVarnholt::TfmVarnholt(TLogger& logger, std::filesystem::path applicationFolder, QStringList arguments,
                         QWidget* parent)
    : QMainWindow(parent),
      ui_(std::make_unique<Ui::TfmVarnholt>()),
      logger_(logger),
      applicationFolder_(std::move(applicationFolder)),
      arguments_(std::move(arguments)) {
  QApplication::setApplicationName(QStringLiteral("Varnholt"));
  ui_->setupUi(this);
  setWindowIcon(FlaskIcon(1));
  // The design geometry: the browser 185 pixels wide, its folder part 281 high; the pages take the rest.
  ui_->layMain->setStretch(0, 1);
  ui_->splMain->setStretchFactor(1, 1);
  ui_->splMain->setSizes({185, width() - 185});
  ui_->splBrowser->setSizes({281, height() - 281});
  logView_ = std::make_unique<TLogView>(logger_, *ui_->Grid, *ui_->btExportLog);
  core_ = std::make_unique<TVarnholtCore>(applicationFolder_, *this, logger_);
  // While the engine runs or a script writes its records the window repaints and the log grid grows;
  // clicks wait (the busy flags keep operations from overlapping in any case).
  const auto keepPainting = [] {
    static bool inside = false;
    if (inside) return;
    inside = true;
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    inside = false;
  };
  core_->Engine().SetWhileWaiting(keepPainting);
  logger_.ProcessMessages = keepPainting;
  browser_ = new TBrowser(*core_, ui_->Drives, ui_->Folders, ui_->Files, this);
  textPage_ = new TTextPage(*ui_, this, logger_, this);
  security_ = new TSecurityPage(*ui_, *this, *core_, this);
  scriptPage_ = new TScriptPage(*core_, *ui_, applicationFolder_, this, this);
  scriptPage_->SetReplaySettings([this] { return ReadServiceSettings(settings_->Storage()); });
  ConnectCommands();
  CreateSettings();
  LoadSettings();
  browser_->ShowFolder(core_->State().BrowserFolder());  // C:\PDF exists now
  FormCreate();
}

TfmVarnholt::~TfmVarnholt() {
  // The end of the program: FormDestroy, then the settings and the script file (BeforeSave).
  logger_.WriteProc(kObject, "FormDestroy");
  logView_->Detach();
  logger_.ProcessMessages = nullptr;
  SaveSettingsAtEnd();
  // The form's widgets go while the form and the units that filter their events still exist: a widget
  // being destroyed still sends events to its filters.
  logView_.reset();
  delete textPage_;
  textPage_ = nullptr;
  delete browser_;
  browser_ = nullptr;
  ui_->btHide->removeEventFilter(this);
  delete ui_->centralwidget;
}

void TfmVarnholt::ConnectCommands() {
  connect(ui_->sbAutomatic, &QPushButton::clicked, this,
          [this](bool down) { core_->Automatic().sbAutomaticClick(down); });
  connect(ui_->btReQueue, &QPushButton::clicked, this, [this] { core_->Automatic().btReQueueClick(); });
  connect(ui_->btDeleteFailed, &QPushButton::clicked, this,
          [this] { core_->Automatic().btDeleteFailedClick(); });
  connect(ui_->btExecuteAction, &QPushButton::clicked, this, [this] { core_->Execute(); });
  connect(ui_->btHide, &QPushButton::clicked, this, [this] { btHideClick(); });
  connect(ui_->btClose, &QPushButton::clicked, this, [this] { btCloseClick(); });
  connect(ui_->btAbout, &QPushButton::clicked, this, [this] { btAboutClick(); });
  connect(ui_->cbPaperPrinter, &QComboBox::currentTextChanged, this,
          [this](const QString& text) { core_->State().SetPaperPrinter(ToSystem(text)); });
  ui_->btHide->installEventFilter(this);
  for (QCheckBox* box : {ui_->cbErrors, ui_->cbScript, ui_->cbMessages, ui_->cbProcedures}) {
    connect(box, &QCheckBox::clicked, this, [this] { cbLogTypesClick(); });
  }

  connect(&timerStartup_, &QTimer::timeout, this, [this] { TimerStartupTimer(); });
  timerStartup_.setSingleShot(true);
  timerStartup_.setInterval(500);
  timerAutomatic_.setInterval(1000);
  connect(&timerAutomatic_, &QTimer::timeout, this, [this] {
    core_->Automatic().TimerAutomaticTimer();
    // A backlog drains as fast as the engine and the script go; the window still repaints in between.
    if (core_->Automatic().MoreWaiting())
      QTimer::singleShot(0, this, [this] { core_->Automatic().TimerAutomaticTimer(); });
  });
  timerFileCount_.setInterval(1000);
  connect(&timerFileCount_, &QTimer::timeout, this, [this] { core_->Automatic().FileCountTimer(); });

  watcher_ = new QFileSystemWatcher(this);
  connect(watcher_, &QFileSystemWatcher::directoryChanged, this,
          [this] { core_->Automatic().ChangedFolderChangeNotify(); });
  core_->Automatic().WatchFolder = [this](const std::string& folder) { WatchQueueFolder(folder); };
}

void TfmVarnholt::WatchQueueFolder(const std::string& folder) {
  if (folder == watched_) return;
  const auto native = core_->DriveMap().TryResolve(folder);
  if (!native) return;
  if (!watcher_->directories().isEmpty()) watcher_->removePaths(watcher_->directories());
  if (watcher_->addPath(QString::fromStdString(native->string()))) watched_ = folder;
}

std::filesystem::path TfmVarnholt::ScriptFile() const {
  return applicationFolder_ / kScriptFileName;
}

void TfmVarnholt::LoadScriptFile() {
  std::vector<std::string> script;
  // A fresh folder gets C:\PDF and the standard script, so the first report is filed with nothing set up.
  if (const platform::TStatus ready = PrepareApplicationFolder(applicationFolder_, script); !ready) {
    logger_.WriteEntry(ltErr, kObject, "LoadScript", ready.Message(), ScriptFile().string());
  }
  core_->State().SetActionScript(script);
  scriptPage_->ShowActionScript();
}

void TfmVarnholt::SaveScriptFile() {
  const platform::TStatus written = platform::WriteTextLines(ScriptFile(), core_->State().ActionScript());
  if (!written) logger_.WriteEntry(ltErr, kObject, "SaveScript", written.Message(), ScriptFile().string());
}

void TfmVarnholt::cbLogTypesClick() {
  TLogTypes types = 0;
  std::string names;
  const std::pair<QCheckBox*, TLogType> boxes[] = {
      {ui_->cbErrors, ltErr}, {ui_->cbScript, ltScr}, {ui_->cbMessages, ltMsg}, {ui_->cbProcedures, ltPrc}};
  for (const auto& [box, type] : boxes) {
    if (!box->isChecked()) continue;
    types |= LogTypeBit(type);
    names += LogTypeName(type);
  }
  logger_.SetTypes(types);
  logger_.WriteEntry(ltSys, kObject, "TypesClick", "Types", names);
}

void TfmVarnholt::FormCreate() {
  core_->Printing().PrintingByVarnholt();
  // Without write access nothing the program does would last: no log, no settings, no filed report.
  const std::filesystem::path test = applicationFolder_ / "test.txt";
  if (!platform::WriteTextLines(test, {})) {
    ShowError("Error: Varnholt requires file write access. Unable to start.");
    DetachSettings();
    started_ = false;
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    return;
  }
  logger_.WriteProc(kObject, "FormCreate");
  logger_.WriteProc(kObject, "HookMainWindow");
  timerStartup_.start();
}

void TfmVarnholt::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  logger_.WriteProc(kObject, "FormShow");
  ShowPage(TUiPage::Log);
}

void TfmVarnholt::TimerStartupTimer() {
  logger_.WriteProc(kObject, "TimerStartupTimer");
  core_->Automatic().SetRefreshBar(27);  // the counters appear about three seconds later
  if (IsBlankScript(core_->State().ActionScript())) {
    core_->State().SetActionScript(StandardScript());
    scriptPage_->ShowActionScript();
  }
  logger_.WriteProc(kObject, "StartupTimer");
  logger_.WriteProc(kObject, "Before TrayIcon");
  CreateTrayIcon();
  logger_.WriteProc(kObject, "After TrayIcon");
  if (!arguments_.isEmpty() && arguments_.first().compare(QStringLiteral("ICON"), Qt::CaseInsensitive) == 0 &&
      core_->State().Automatic()) {
    logger_.WriteProc(kObject, "Before HideApplication");
    HideApplication();
    logger_.WriteProc(kObject, "After HideApplication");
  }
  logger_.WriteProc(kObject, "Printers");
  core_->Printing().FillPaperPrinters(platform::InstalledPrinters());
  CheckPdfPrinter(PdfPrinterSystem(core_->DriveMap()), *this, logger_);
  security_->ApplyPageRestrictions();
  timerAutomatic_.start();
  timerFileCount_.start();
  startupDone_ = true;
}

void TfmVarnholt::CreateTrayIcon() {
  if (tray_ != nullptr) return;
  if (!QSystemTrayIcon::isSystemTrayAvailable()) {
    logger_.WriteEntry(ltSys, kObject, "TrayIcon", "No notification area",
                       "Minimize minimises the window to the task bar instead");
    return;
  }
  tray_ = new QSystemTrayIcon(FlaskIcon(trayImage_), this);
  tray_->setToolTip(QStringLiteral("Varnholt"));
  trayMenu_ = new QMenu(this);
  QAction* restore = trayMenu_->addAction(QStringLiteral("Varnholt"), this, [this] { RestoreApplication(); });
  trayMenu_->setDefaultAction(restore);
  trayMenu_->addSeparator();
  trayMenu_->addAction(QStringLiteral("Logfile"), this, [this] { ui_->btExportLog->click(); });
  trayMenu_->addSeparator();
  QAction* close = trayMenu_->addAction(QStringLiteral("Close"), this, [this] { btCloseClick(); });
  close->setObjectName(QStringLiteral("mnClose"));
  tray_->setContextMenu(trayMenu_);
  connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::DoubleClick) {
      RestoreApplication();
    } else if (reason == QSystemTrayIcon::Trigger && isVisible()) {
      HideApplication();  // a single click hides at once, without the questions of Minimize
    }
  });
  tray_->show();
}

void TfmVarnholt::HideApplication() {
  if (tray_ != nullptr) {
    hide();
    hiddenToTray_ = true;
  } else {
    selfMinimized_ = true;  // not the window's own minimise: no Minimize command for it
    showMinimized();
  }
}

void TfmVarnholt::RestoreApplication() {
  hiddenToTray_ = false;
  showNormal();
  raise();
  activateWindow();
}

void TfmVarnholt::btHideClick() {
  logger_.WriteProc(kObject, "HideClick");
  if (core_->State().EditMode()) {
    ShowPage(TUiPage::Action);
    ShowMessage(kEditModeMessage);
    return;
  }
  if (!core_->State().Automatic()) {
    const auto answer =
        ShowDialog(this, TDialogKind::kQuestion, QStringLiteral("Set Automatic mode ON?"),
                   QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
    if (answer == QMessageBox::Cancel) return;
    if (answer == QMessageBox::Yes) {
      ui_->sbAutomatic->setChecked(true);
      core_->Automatic().sbAutomaticClick(true);
    }
  }
  SaveSettings();
  HideApplication();
}

void TfmVarnholt::btCloseClick() {
  logger_.WriteProc(kObject, "CloseClick");
  if (!Confirm("Close will stop Automatic Process.", TConfirmButtons::kOkCancel)) return;
  closeAccepted_ = true;
  close();
  closeAccepted_ = false;
}

void TfmVarnholt::btAboutClick() {
  logger_.WriteProc(kObject, "AboutClick");
  RestoreApplication();
  ShowDialog(this, TDialogKind::kInformation, QStringLiteral("Varnholt\nVersion %1").arg(kVersion));
}

void TfmVarnholt::AppInstancesCmdLineReceived(const QStringList&) {
  logger_.WriteProc(kObject, "CmdLineReceived");
  RestoreApplication();
}

void TfmVarnholt::EndSession() {
  ending_ = true;
  close();
}

void TfmVarnholt::closeEvent(QCloseEvent* event) {
  if (ending_) {
    event->accept();
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    return;
  }
  if (core_->State().EditMode()) {
    event->ignore();
    ShowPage(TUiPage::Action);
    ShowMessage(kEditModeMessage);
    return;
  }
  if (closeAccepted_) {
    event->accept();
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    return;
  }
  // The window's own close button: the Close command when it may be used, else Minimize.
  event->ignore();
  logger_.WriteProc("Main", "SC_Close");
  QTimer::singleShot(0, this, [this] { ui_->btClose->isEnabled() ? btCloseClick() : btHideClick(); });
}

void TfmVarnholt::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  // The log grid refits its last column on activation itself.
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) logger_.WriteProc(kObject, "FormActivate");
  if (event->type() != QEvent::WindowStateChange || !isMinimized() || ending_) return;
  if (selfMinimized_) {
    selfMinimized_ = false;
    return;
  }
  // The window's own minimise: the Minimize command, with its questions.
  logger_.WriteProc("Main", "SC_Minimize");
  QTimer::singleShot(0, this, [this] {
    if (isMinimized()) showNormal();
    btHideClick();
  });
}

bool TfmVarnholt::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ui_->btHide && event->type() == QEvent::FocusOut) core_->Status().HideExit();
  return QMainWindow::eventFilter(watched, event);
}

// --- TUiPort --------------------------------------------------------------------------------------

void TfmVarnholt::ShowMessage(const std::string& text) {
  ShowDialog(this, TDialogKind::kInformation, FromSystem(text));
}

void TfmVarnholt::ShowError(const std::string& text) {
  ShowDialog(this, TDialogKind::kError, FromSystem(text));
}

bool TfmVarnholt::Confirm(const std::string& text, TConfirmButtons buttons) {
  if (buttons == TConfirmButtons::kOkCancel) {
    return ShowDialog(this, TDialogKind::kQuestion, FromSystem(text), QMessageBox::Ok | QMessageBox::Cancel,
                      QMessageBox::Ok) == QMessageBox::Ok;
  }
  return ShowDialog(this, TDialogKind::kQuestion, FromSystem(text), QMessageBox::Yes | QMessageBox::No,
                    QMessageBox::Yes) == QMessageBox::Yes;
}

void TfmVarnholt::BeginBusyCursor() {
  if (busyDepth_++ == 0) QApplication::setOverrideCursor(Qt::WaitCursor);
}

void TfmVarnholt::EndBusyCursor() {
  if (busyDepth_ > 0 && --busyDepth_ == 0) QApplication::restoreOverrideCursor();
}

void TfmVarnholt::ShowPage(TUiPage page) {
  if (const int index = PageIndex(page); index >= 0) ui_->pcContent->setCurrentIndex(index);
}

void TfmVarnholt::SetAutomaticButton(bool down) {
  ui_->sbAutomatic->setChecked(down);
}

void TfmVarnholt::ShowStatus(TStatusColor color, int iconImage) {
  QPalette palette = ui_->pnBottom->palette();
  palette.setColor(QPalette::Window, QColor(color.red, color.green, color.blue));
  ui_->pnBottom->setPalette(palette);
  trayImage_ = iconImage;
  if (tray_ != nullptr) tray_->setIcon(FlaskIcon(iconImage));
}

void TfmVarnholt::ShowSelectedFile(const std::string& path) {
  ui_->edPdfFile->setText(FromSystem(path));
}

void TfmVarnholt::ShowTexts(const std::string& text1, const std::string& text2) {
  textPage_->ShowTexts(text1, text2);
}

void TfmVarnholt::RefreshFileList() {
  browser_->RefreshFileList();
}

void TfmVarnholt::RefreshFolderList() {
  browser_->RefreshFolderList();
}

void TfmVarnholt::ShowBrowserFolder(const std::string& folder) {
  browser_->ShowFolder(folder);
}

void TfmVarnholt::ShowPaperPrinters(const std::vector<std::string>& items, const std::string& current) {
  const QSignalBlocker block(ui_->cbPaperPrinter);
  ui_->cbPaperPrinter->clear();
  for (const std::string& item : items) ui_->cbPaperPrinter->addItem(FromSystem(item));
  ui_->cbPaperPrinter->setEditText(FromSystem(current));
}

void TfmVarnholt::MarkScriptError(int row, int column) {
  scriptPage_->MarkScriptError(row, column);
  ShowPage(TUiPage::Action);
}

void TfmVarnholt::ShowCounts(int queueCount, int failedCount) {
  ui_->lbQueue->setText(QString::number(queueCount));
  ui_->lbFailed->setText(QString::number(failedCount));
}

void TfmVarnholt::ShowRefreshBar(int position) {
  ui_->RefreshBar->setValue(position);
}

bool TfmVarnholt::FocusMinimizeButton() {
  if (!ui_->btHide->isVisible()) return false;
  ui_->btHide->setFocus();
  return true;
}

}  // namespace varnholt::shell
