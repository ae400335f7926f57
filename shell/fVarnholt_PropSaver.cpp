// fVarnholt_PropSaver.cpp — the main window's settings: the store of Varnholt.xml, the property saver
// over the window's controls, and the window's handlers of the saver's events.
#include "shell/fVarnholt.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>

#include "core/uServiceSettings.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "shell/uLogView.h"
#include "shell/uQtText.h"
#include "shell/uSecurityPage.h"
#include "ui_fVarnholt.h"

namespace varnholt::shell {

namespace {

constexpr const char* kObject = "Varnholt";
constexpr const char* kQueueFolder = "C:\\PDF";
// The window's design: the browser panel's width and the folder panel's height, and the file name the
// script's Load and Copy To dialogs offer first.
constexpr int kBrowserWidth = 185;
constexpr int kFoldersHeight = 281;
constexpr const char* kScriptDialogFileName = "Varnholt.PSC";

}  // namespace

void TfmVarnholt::CreateSettings() {
  // The design state the saved values are applied onto: centred on the screen at its design size.
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = geometry();
    frame.moveCenter(screen->availableGeometry().center());
    setGeometry(frame);
  }
  SetPanelExtent(*ui_->pnBrowser, kBrowserWidth);
  SetPanelExtent(*ui_->pnFolders, kFoldersHeight);
  // The script page's file dialogs are made when they are shown; what they keep between runs is here.
  for (const char* name : {"OpenDialogScript", "SaveDialogScript"}) {
    auto* dialog = new QObject(this);
    dialog->setObjectName(QString::fromLatin1(name));
    dialog->setProperty("FileName", QString::fromLatin1(kScriptDialogFileName));
  }

  settings_ = std::make_unique<TVarnholtSettings>(applicationFolder_);
  settings_->Storage().OnSaveError = [this](TrsStorage&, const std::exception& e) {
    logger_.WriteEntry(ltErr, kObject, "SaveSettings", e.what());
  };
  propSaver_ = std::make_unique<TrsPropSaver>(*this);
  TrsPropSaver& saver = *propSaver_;
  saver.SetStorage(&settings_->Storage());
  saver.SetRootSection(kPropSaverRootSection);
  saver.Properties() = VarnholtPropertyEntries();
  saver.SetOptions(poStoreFormPlacement | poStoreDefValues);
  saver.SetFormPlacementOptions(pfpPlacement | pfpSize);
  saver.OnBeforeLoad = [this](TrsPropSaver&) { rsPropSaver1BeforeLoad(); };
  saver.OnAfterLoad = [this](TrsPropSaver&) { rsPropSaver1AfterLoad(); };
  saver.OnBeforeSave = [this](TrsPropSaver&) { rsPropSaver1BeforeSave(); };
  saver.OnGetUserProperty = [this](TrsPropSaver&, const std::string& name, TrsVariant& value) {
    rsPropSaver1GetUserProperty(name, value);
  };
  saver.OnSetUserProperty = [this](TrsPropSaver&, const std::string& name, const TrsVariant& value) {
    rsPropSaver1SetUserProperty(name, value);
  };

  // The store reads the file now. One that cannot be read is reported and left as it is: the store will
  // not write over it, and the window starts with its design values.
  try {
    settings_->Storage().SetActive(true);
  } catch (const std::exception& e) {
    ShowError(std::string("The settings could not be read: ") + e.what());
  }
}

void TfmVarnholt::LoadSettings() {
  if (!propSaver_->Active()) return;
  try {
    propSaver_->LoadProperties();
  } catch (const std::exception& e) {
    ShowError(e.what());
  }
}

void TfmVarnholt::SaveSettings() {
  // Minimize: the settings as they are now reach the file, whatever ends the program later.
  try {
    if (propSaver_->Active()) propSaver_->SaveProperties();
    TrsStorage& store = settings_->Storage();
    if (store.Active() && !store.LoadFailed()) store.SaveStore();
  } catch (const std::exception& e) {
    ShowError(e.what());
  }
}

void TfmVarnholt::SaveSettingsAtEnd() {
  if (propSaver_->Active()) {
    try {
      propSaver_->SaveProperties();
    } catch (const std::exception& e) {
      ShowError(e.what());
    }
  }
  // The store writes what it holds; a failed write is logged and the program ends all the same.
  try {
    settings_->Storage().SetActive(false);
  } catch (const std::exception& e) {
    logger_.WriteEntry(ltErr, kObject, "SaveSettings", e.what());
  }
}

void TfmVarnholt::DetachSettings() {
  // The start-up was refused: nothing of this run may be written.
  settings_->Storage().SetStorageData(nullptr);
  propSaver_->SetActive(false);
  settings_->Storage().SetActive(false);
}

void TfmVarnholt::ShowQueueFolder() {
  const platform::TDriveMap& map = core_->DriveMap();
  platform::TStatus made = map.EnsureDrive('c');
  if (made) made = platform::ForceDirectories(map.Resolve(kQueueFolder));
  if (!made) logger_.WriteEntry(ltErr, kObject, "QueueFolder", made.Message(), kQueueFolder);
  core_->State().SetBrowserFolder(kQueueFolder);
  ShowBrowserFolder(kQueueFolder);
}

void TfmVarnholt::rsPropSaver1BeforeLoad() {
  // Before the saved values: the log view follows the log, the busy flags are clear, the first pass may
  // come at the next tick, and C:\PDF exists and is shown.
  logView_->Attach();
  core_->Automatic().PassAtNextTick();
  ShowQueueFolder();
}

void TfmVarnholt::rsPropSaver1AfterLoad() {
  cbLogTypesClick();
  logger_.WriteEntry(ltSys, kObject, "AfterLoad", "Version", kVersion);
  logger_.WriteProc(kObject, "AfterLoad");
  core_->State().SetCounts(core_->State().QueueCount(), 0);
  core_->State().ClearErrorState();
  core_->State().EndActionRun();
  LoadScriptFile();
  // The limits of the store's own section, read as varnholt-cli reads them; the passwords and the
  // printer are the controls' texts, which the saver has just set (or left at their design values).
  ApplyServiceSettings(ReadServiceSettings(settings_->Storage()), *core_);
  core_->State().SetPasswords(ToSystem(ui_->edOwner->text()), ToSystem(ui_->edUser->text()));
  core_->State().SetPaperPrinter(ToSystem(ui_->cbPaperPrinter->currentText()));
  if (ui_->sbAutomatic->isChecked()) core_->Automatic().sbAutomaticClick(true);
  core_->Status().UpdateStatus();
  security_->ApplyRestrictions();
}

void TfmVarnholt::rsPropSaver1BeforeSave() {
  logger_.WriteProc(kObject, "BeforeSave");
  SaveScriptFile();
}

void TfmVarnholt::rsPropSaver1GetUserProperty(const std::string& propName, TrsVariant& value) {
  logger_.WriteProc(kObject, "GetUserProperty");
  if (platform::SameText(propName, "Folder")) value = core_->State().BrowserFolder();
}

void TfmVarnholt::rsPropSaver1SetUserProperty(const std::string& propName, const TrsVariant&) {
  logger_.WriteProc(kObject, "SetUserProperty");
  // Whatever folder was shown last time, the window starts on the queue.
  if (platform::SameText(propName, "Folder")) ShowQueueFolder();
}

}  // namespace varnholt::shell
