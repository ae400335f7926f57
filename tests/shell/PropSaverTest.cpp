// PropSaverTest.cpp — the window's settings as an operator meets them: a first start writes every key,
// what was changed comes back at the next start, and a damaged or odd value never costs the start-up.
#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QTabWidget>
#include <QTest>
#include <algorithm>
#include <map>

#include "settings/uVarnholtSettings.h"
#include "tests/shell/ShellTestBed.h"
#include "ui_fVarnholt.h"

using namespace varnholt;
using namespace varnholt::test;

namespace {

constexpr const char* kSection = "/fmOstrevane.rsPropSaver1/";

void WriteSettings(const std::filesystem::path& folder, const std::map<std::string, std::string>& values) {
  TVarnholtSettings settings(folder);
  settings.Storage().SetActive(true);
  for (const auto& [name, value] : values) settings.Storage().WriteString(kSection + name, value);
  settings.Storage().SaveStore();
  settings.Storage().SetOptions(0);
}

// The keys of the window's section as the file holds them, the passwords decrypted.
std::map<std::string, std::string> SavedKeys(const std::filesystem::path& folder) {
  TVarnholtSettings settings(folder);
  TrsStorage& store = settings.Storage();
  store.SetOptions(0);  // reading only
  store.SetActive(true);
  std::map<std::string, std::string> keys;
  for (const TrsKeyData& key : store.Keys()) {
    if (store.SectionPath(key.sectionId) == "\\fmOstrevane.rsPropSaver1") keys[key.name] = KeyText(key);
  }
  return keys;
}

int Count(const std::vector<std::string>& records, const std::string& record) {
  return static_cast<int>(std::count(records.begin(), records.end(), record));
}

QString Page(shell::TfmVarnholt& window) {
  return window.Form().pcContent->currentWidget()->objectName();
}

int SplitterSize(QSplitter* splitter, int index) {
  return splitter->sizes().value(index);
}

}  // namespace

class PropSaverTest : public QObject {
  Q_OBJECT

 private slots:
  void aFirstRunWritesEveryKeyWithTheFactoryValues() {
    TShellBed bed;
    auto& window = bed.Start();
    QCOMPARE(window.Core().State().BrowserFolder(), std::string("C:\\PDF"));
    QCOMPARE(SplitterSize(window.Form().splMain, 0), 185);
    QCOMPARE(SplitterSize(window.Form().splBrowser, 0), 281);
    // No placement stored: the window opens centred.
    const QPoint screenCentre = QGuiApplication::primaryScreen()->availableGeometry().center();
    QVERIFY((window.geometry().center() - screenCentre).manhattanLength() <= 2);
    bed.Stop();

    const auto keys = SavedKeys(bed.AppFolder());
    QCOMPARE(keys.size(), std::size_t{32});
    const std::map<std::string, std::string> factory = {
        {"Folder", "C:\\PDF"},
        {"pcContent.ActivePage", "tsLog"},
        {"pnBrowser.Width", "185"},
        {"pnFolders.Height", "281"},
        {"edFind.Text", ""},
        {"sbAutomatic.Down", "False"},
        {"OpenDialogScript.FileName", "Varnholt.PSC"},
        {"SaveDialogScript.FileName", "Varnholt.PSC"},
        {"cbErrors.Checked", "True"},
        {"cbMessages.Checked", "True"},
        {"cbProcedures.Checked", "False"},
        {"cbScript.Checked", "True"},
        {"edOwner.Text", ""},
        {"edUser.Text", ""},
    };
    for (const auto& [name, value] : factory) {
      QVERIFY2(keys.count(name) == 1, name.c_str());
      QCOMPARE(keys.at(name), value);
    }
    for (const auto& [name, value] : keys) {
      if (name.rfind("cbAdmin", 0) == 0) QCOMPARE(value + " " + name, "False " + name);
    }
    QVERIFY(keys.count("cbPaperPrinter.Text") == 1);
    QVERIFY(ParseFormPlacement(keys.at("FormPlacement")).has_value());
    // The passwords are in the file only encrypted: 27 Base64 characters each, even when empty.
    const std::string file = ReadFile(bed / "Varnholt.xml");
    for (const char* name : {"edOwner.Text", "edUser.Text"}) {
      const std::string open = std::string("<") + name + ">";
      const std::size_t at = file.find(open);
      QVERIFY(at != std::string::npos);
      const std::size_t end = file.find('<', at + open.size());
      QCOMPARE(end - at - open.size(), std::size_t{27});
    }
  }

  void whatWasChangedComesBackAtTheNextStart() {
    TShellBed bed;
    {
      auto& window = bed.Start();
      auto& form = window.Form();
      form.pcContent->setCurrentWidget(form.tsAdmin);
      // Wide enough for the browser beside the Security page.
      window.resize(1000, 600);
      QVERIFY(bed.WaitFor([&] { return window.width() == 1000; }));
      const int total = SplitterSize(form.splMain, 0) + SplitterSize(form.splMain, 1);
      form.splMain->setSizes({240, total - 240});
      QTest::mouseClick(form.cbProcedures, Qt::LeftButton);
      QTest::mouseClick(form.cbErrors, Qt::LeftButton);
      form.cbAdminClose->setChecked(true);
      form.cbPaperPrinter->setEditText(QStringLiteral("Office Laser"));
      form.edOwner->setText(QStringLiteral("s3cret"));
      form.edFind->setText(QStringLiteral("Sample Name"));
      QTest::mouseClick(form.sbAutomatic, Qt::LeftButton);
      QVERIFY(window.Core().State().Automatic());
      bed.Stop();
    }
    const auto keys = SavedKeys(bed.AppFolder());
    QCOMPARE(keys.at("pcContent.ActivePage"), std::string("tsAdmin"));
    QCOMPARE(keys.at("pnBrowser.Width"), std::string("240"));
    QCOMPARE(keys.at("edOwner.Text"), std::string("s3cret"));
    QVERIFY(ReadFile(bed / "Varnholt.xml").find("s3cret") == std::string::npos);

    auto& window = bed.Start();
    auto& form = window.Form();
    QCOMPARE(window.size(), QSize(1000, 600));
    QCOMPARE(SplitterSize(form.splMain, 0), 240);
    QVERIFY(form.cbProcedures->isChecked());
    QVERIFY(!form.cbErrors->isChecked());
    QVERIFY(form.cbAdminClose->isChecked());
    QCOMPARE(form.edFind->text(), QStringLiteral("Sample Name"));
    QCOMPARE(form.edOwner->text(), QStringLiteral("s3cret"));
    QVERIFY(form.sbAutomatic->isChecked());
    // The core works with what the controls show.
    QVERIFY(window.Core().State().Automatic());
    QCOMPARE(window.Core().State().OwnerPassword(), std::string("s3cret"));
    QCOMPARE(window.Core().State().PaperPrinter(), std::string("Office Laser"));
    QCOMPARE(form.cbPaperPrinter->currentText(), QStringLiteral("Office Laser"));
    // The log keeps what the boxes tick: procedures now, errors no more.
    QVERIFY((bed.Log().Types() & LogTypeBit(ltPrc)) != 0);
    QVERIFY((bed.Log().Types() & LogTypeBit(ltErr)) == 0);
  }

  void aStoredPageIsTheActivePageAndAnUnknownNameLeavesTheDesignPage_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("shown");
    QTest::newRow("log") << "tsLog"
                         << "tsLog";
    QTest::newRow("action") << "tsAction"
                            << "tsAction";
    QTest::newRow("security") << "tsAdmin"
                              << "tsAdmin";
    QTest::newRow("case") << "TSTEXT"
                          << "tsText";
    QTest::newRow("no page") << "edFind"
                             << "tsLog";
    QTest::newRow("nothing") << "tsGone"
                             << "tsLog";
  }
  void aStoredPageIsTheActivePageAndAnUnknownNameLeavesTheDesignPage() {
    QFETCH(QString, stored);
    QFETCH(QString, shown);
    TShellBed bed;
    WriteSettings(bed.AppFolder(), {{"pcContent.ActivePage", stored.toStdString()}});
    // Looked at before the window is shown: showing it turns to the Log page.
    TLogger logger(bed / kLogFileName, true, kDefaultLogCapacity, kDefaultLogTypes);
    shell::TfmVarnholt window(logger, bed.AppFolder(), {});
    QCOMPARE(Page(window), shown);
  }

  void aStoredFolderStillGivesTheQueueAndTheShownFolderIsSaved() {
    TShellBed bed;
    WriteSettings(bed.AppFolder(), {{"Folder", "D:\\Other"}});
    auto& window = bed.Start();
    QCOMPARE(window.Core().State().BrowserFolder(), std::string("C:\\PDF"));
    QCOMPARE(window.Core().State().QueueFolder(), std::string("C:\\PDF"));
    window.Core().State().SetBrowserFolder("C:\\PDF\\FAILED");
    bed.Stop();
    QCOMPARE(SavedKeys(bed.AppFolder()).at("Folder"), std::string("C:\\PDF\\FAILED"));
    QCOMPARE(bed.Start().Core().State().BrowserFolder(), std::string("C:\\PDF"));
  }

  void aWidthThatIsNoNumberShowsTheErrorAndAfterLoadStillRuns() {
    TShellBed bed;
    WriteSettings(bed.AppFolder(), {{"pnBrowser.Width", "abc"},
                                    {"pnFolders.Height", "100"},
                                    {"cbProcedures.Checked", "True"},
                                    {"edOwner.Text", "kept"}});
    auto& window = bed.Start();
    QVERIFY(std::find(bed.boxes.begin(), bed.boxes.end(), "Error: 'abc' is not a valid integer value") !=
            bed.boxes.end());
    // The entries after it keep their design values; AfterLoad ran once all the same.
    QCOMPARE(SplitterSize(window.Form().splBrowser, 0), 281);
    QVERIFY(!window.Form().cbProcedures->isChecked());
    QCOMPARE(Count(bed.Records(), "Sys|Varnholt|AfterLoad|Version|B.02.38"), 1);
    QVERIFY(window.StartupDone());
    QCOMPARE(window.Core().State().OwnerPassword(), std::string());
    // Nothing is lost: the keys that were not applied stay as they were, unless changed meanwhile; the
    // damaged one gets the width the panel has.
    window.Form().edFind->setText(QStringLiteral("typed"));
    bed.Stop();
    const auto keys = SavedKeys(bed.AppFolder());
    QCOMPARE(keys.at("pnBrowser.Width"), std::string("185"));
    QCOMPARE(keys.at("pnFolders.Height"), std::string("100"));
    QCOMPARE(keys.at("edOwner.Text"), std::string("kept"));
    QCOMPARE(keys.at("cbProcedures.Checked"), std::string("True"));
    QCOMPARE(keys.at("edFind.Text"), std::string("typed"));
  }

  void aPlacementComesBackOnAScreenThatExists_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QRect>("expected");
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QRect centred(0, 0, 774, 555);
    centred.moveCenter(screen.center());
    QTest::newRow("as stored") << "0,1,0,0,0,0,10,20,784,575" << QRect(10, 20, 774, 555);
    QTest::newRow("partly seen") << "0,1,0,0,0,0,61,84,835,639" << QRect(61, 84, 774, 555);
    QTest::newRow("off every screen") << "0,1,0,0,0,0,5000,5000,5774,5555" << centred;
    QTest::newRow("three fields") << "1,2,3" << centred;
  }
  void aPlacementComesBackOnAScreenThatExists() {
    QFETCH(QString, stored);
    QFETCH(QRect, expected);
    TShellBed bed;
    WriteSettings(bed.AppFolder(), {{"FormPlacement", stored.toStdString()}});
    auto& window = bed.Start();
    QCOMPARE(window.geometry(), expected);
    QVERIFY(bed.boxes.empty());
  }

  void aFileThatCannotBeReadIsShownAndNeverWrittenOver() {
    TShellBed bed;
    const std::string damaged = "<DOCUMENT><fmOstrevane.rsPropSaver1>text</DOCUMENT>\r\n";
    WriteFile(bed / "Varnholt.xml", damaged);
    auto& window = bed.Start();
    QVERIFY(!bed.boxes.empty());
    QCOMPARE(bed.boxes.front().rfind("Error: The settings could not be read: TrsXMLData parser error:", 0),
             std::size_t{0});
    QCOMPARE(SplitterSize(window.Form().splMain, 0), 185);
    bed.answers = {QMessageBox::No};
    QTest::mouseClick(window.Form().btHide, Qt::LeftButton);
    bed.Stop();
    QCOMPARE(ReadFile(bed / "Varnholt.xml"), damaged);
  }

  void entriesAreSavedAsTheirFlagsSay() {
    TShellBed bed;
    WriteSettings(bed.AppFolder(), {{"edFind.Text", "old"}, {"edUser.Text", "from the file"}});
    auto& window = bed.Start();
    shell::TrsPropSaver& saver = window.PropSaver();
    saver.Properties() = {"edFind.Text,,DPD", "edUser.Text,,EPR", "edPdfFile.Text,,EPDC",
                          "cbErrors.Checked,true,EPD", "nothing.Text"};
    window.Form().edUser->setText(QStringLiteral("typed"));
    window.Form().edPdfFile->setText(QStringLiteral("C:\\PDF\\a.pdf"));
    saver.SetOptions(shell::poStoreFormPlacement);  // values equal to their Default are not stored
    saver.SaveProperties();
    TrsStorage& store = window.Settings().Storage();
    QVERIFY(!store.KeyExists(std::string(kSection) + "edFind.Text"));                        // disabled
    QCOMPARE(store.ReadString(std::string(kSection) + "edUser.Text", ""), "from the file");  // load only
    QVERIFY(!store.KeyExists(std::string(kSection) + "cbErrors.Checked"));                   // the Default
    QVERIFY(store.KeyExists(std::string(kSection) + "edPdfFile.Text"));
    QVERIFY(window.Settings().Encryptor().IsListed("/fmOstrevane.rsPropSaver1/edPdfFile.Text"));
    QVERIFY(!store.KeyExists(std::string(kSection) + "nothing.Text"));  // names no control
  }
};

QTEST_MAIN(PropSaverTest)
#include "PropSaverTest.moc"
