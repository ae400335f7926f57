// SettingsFileTest.cpp — the program's settings file Varnholt.xml on disk: the factory example byte for
// byte, the encrypted passwords, and what failed loads and saves leave behind.
#include "settings/uVarnholtSettings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/Locale.h"
#include "tests/support/TempFolder.h"

namespace varnholt {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TTempFolder;
using test::WriteFile;

const char* const kSection = "/fmOstrevane.rsPropSaver1/";

class SettingsFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = platform::FormatSettings();
    platform::SetFormatSettings(platform::TFormatSettings::English());
  }
  void TearDown() override { platform::SetFormatSettings(saved_); }
  fs::path File() const { return app / "Varnholt.xml"; }
  std::string Golden() const { return ReadFile(test::TestDataFolder() / "settings" / "Varnholt.xml"); }
  platform::TFormatSettings saved_;
  TTempFolder app;
};

// What the property saver stores for the window in its factory state.
void StoreFactoryState(TrsStorage& store) {
  store.SetRootSection("fmOstrevane.rsPropSaver1");
  const auto boolean = [&](const char* name, bool value) {
    store.FindKey(name, true);
    store.Key().SetString(value ? "True" : "False");
  };
  store.WriteString("Folder", "C:\\PDF");
  store.WriteString("pcContent.ActivePage", "tsAction");
  store.FindKey("pnBrowser.Width", true);
  store.Key().SetInteger(185);
  store.FindKey("pnFolders.Height", true);
  store.Key().SetInteger(281);
  store.WriteString("edFind.Text", "");
  boolean("sbAutomatic.Down", false);
  store.WriteString("OpenDialogScript.FileName", "Varnholt.PSC");
  store.WriteString("SaveDialogScript.FileName", "Varnholt.PSC");
  for (const char* name : {"cbErrors.Checked", "cbMessages.Checked", "cbScript.Checked"}) boolean(name, true);
  for (const char* name :
       {"cbProcedures.Checked", "cbAdminChangeLogging.Checked", "cbAdminNavigateFolder.Checked",
        "cbAdminPrinterSetup.Checked", "cbAdminScriptCopyTo.Checked", "cbAdminScriptDefault.Checked",
        "cbAdminScriptEdit.Checked", "cbAdminScriptExecute.Checked", "cbAdminScriptLoad.Checked",
        "cbAdminSelectFile.Checked", "cbAdminClose.Checked", "cbAdminAutomatic.Checked",
        "cbAdminDeleteFailedFiles.Checked", "cbAdminReQueueFailedFiles.Checked", "cbAdminTabAction.Checked",
        "cbAdminTabLog.Checked", "cbAdminTabText.Checked"}) {
    boolean(name, false);
  }
  store.WriteString("cbPaperPrinter.Text", "");
  store.WriteString("edOwner.Text", "");
  store.WriteString("edUser.Text", "");
  store.WriteString("FormPlacement", "0,1,0,0,0,0,61,84,835,639");
}

TEST_F(SettingsFileTest, TheFactoryStateIsWrittenAsTheExampleFile) {
  {
    TVarnholtSettings settings(app.Path());
    settings.Storage().SetActive(true);  // no file yet: an empty tree
    EXPECT_TRUE(settings.Storage().Keys().empty());
    StoreFactoryState(settings.Storage());
  }  // the store writes the file when it is released
  EXPECT_EQ(ReadFile(File()), Golden());
}

TEST_F(SettingsFileTest, TheExampleFileLoadsTypedAndSavesBackByteIdentical) {
  WriteFile(File(), Golden());
  TVarnholtSettings settings(app.Path());
  TrsStorage& store = settings.Storage();
  store.SetActive(true);
  const auto typeOf = [&](const std::string& name) {
    EXPECT_GE(store.FindKey(kSection + name, false), 0) << name;
    return store.Key().Type();
  };
  EXPECT_EQ(typeOf("cbErrors.Checked"), ktBoolean);
  EXPECT_EQ(typeOf("sbAutomatic.Down"), ktBoolean);
  EXPECT_EQ(typeOf("pnBrowser.Width"), ktInteger);
  EXPECT_EQ(store.Key().AsInteger(), 185);
  EXPECT_EQ(typeOf("pnFolders.Height"), ktInteger);
  EXPECT_EQ(typeOf("FormPlacement"), ktString);
  EXPECT_EQ(typeOf("OpenDialogScript.FileName"), ktString);
  EXPECT_EQ(typeOf("Folder"), ktString);
  EXPECT_EQ(store.Key().AsString(), "C:\\PDF");
  EXPECT_EQ(typeOf("edFind.Text"), ktEmpty);
  EXPECT_EQ(typeOf("cbPaperPrinter.Text"), ktEmpty);
  // The passwords are decrypted after the load: two empty strings.
  EXPECT_EQ(typeOf("edOwner.Text"), ktString);
  EXPECT_EQ(store.Key().AsString(), "");
  EXPECT_EQ(typeOf("edUser.Text"), ktString);
  EXPECT_EQ(store.Keys().size(), 32u);
  store.SaveStore();
  EXPECT_EQ(ReadFile(File()), Golden());
  EXPECT_EQ(store.ReadString(std::string(kSection) + "edOwner.Text", "?"), "");
}

TEST_F(SettingsFileTest, PasswordsAreStoredEncryptedAndReadBackPlain) {
  {
    TVarnholtSettings settings(app.Path());
    settings.Storage().SetActive(true);
    settings.Storage().WriteString(std::string(kSection) + "edOwner.Text", "Owner-14-chars");
    settings.Storage().WriteString(std::string(kSection) + "edUser.Text", "User-15-chars!!");
    settings.Storage().WriteString(std::string(kSection) + "edFind.Text", "plain");
  }
  const std::string text = ReadFile(File());
  EXPECT_EQ(text.find("Owner-14-chars"), std::string::npos);
  EXPECT_EQ(text.find("User-15-chars"), std::string::npos);
  EXPECT_NE(text.find("<edFind.Text>plain</edFind.Text>"), std::string::npos);
  const auto valueOf = [&](const std::string& name) {
    const std::size_t start = text.find("<" + name + ">") + name.size() + 2;
    return text.substr(start, text.find("</" + name + ">") - start);
  };
  EXPECT_EQ(valueOf("edOwner.Text").size(), 27u);
  EXPECT_EQ(valueOf("edUser.Text").size(), 48u);

  TVarnholtSettings settings(app.Path());
  settings.Storage().SetOptions(0);
  settings.Storage().SetActive(true);
  EXPECT_EQ(settings.Storage().ReadString(std::string(kSection) + "edOwner.Text", ""), "Owner-14-chars");
  EXPECT_EQ(settings.Storage().ReadString(std::string(kSection) + "edUser.Text", ""), "User-15-chars!!");
}

TEST_F(SettingsFileTest, AListedKeyThatIsNotEncryptedLoadsAsItsText) {
  WriteFile(File(),
            "<DOCUMENT><fmOstrevane.rsPropSaver1><edOwner.Text>not base64!</edOwner.Text>"
            "<edUser.Text>QUJDRA</edUser.Text></fmOstrevane.rsPropSaver1></DOCUMENT>");
  TVarnholtSettings settings(app.Path());
  settings.Storage().SetOptions(0);
  settings.Storage().SetActive(true);
  EXPECT_EQ(settings.Storage().ReadString(std::string(kSection) + "edOwner.Text", ""), "not base64!");
  EXPECT_EQ(settings.Storage().ReadString(std::string(kSection) + "edUser.Text", ""), "QUJDRA");
}

TEST_F(SettingsFileTest, AMalformedFileRaisesItsErrorAndIsNeverOverwritten) {
  const std::string bad = Golden().replace(Golden().find("<cbErrors"), 0, "stray ");
  WriteFile(File(), bad);
  {
    TVarnholtSettings settings(app.Path());
    try {
      settings.Storage().SetActive(true);
      ADD_FAILURE() << "no error";
    } catch (const TrsException& e) {
      EXPECT_STREQ(e.what(), "TrsXMLData parser error: Missing begin tag mark.");
    }
    EXPECT_TRUE(settings.Storage().Keys().empty());
  }  // soSaveOnClose is set, but nothing was loaded
  EXPECT_EQ(ReadFile(File()), bad);
}

TEST_F(SettingsFileTest, AFileThatCannotBeReadRaisesTheOpenError) {
  fs::create_directories(File());  // a folder where the file should be
  TVarnholtSettings settings(app.Path());
  try {
    settings.Storage().SetActive(true);
    ADD_FAILURE() << "no error";
  } catch (const EFileError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Cannot open file \"" + File().string() + "\". ", 0), 0u)
        << e.what();
  }
}

TEST_F(SettingsFileTest, AFailedSaveKeepsTheOldFileAndThePasswordsPlain) {
  WriteFile(File(), Golden());
  TVarnholtSettings settings(app.Path());
  TrsStorage& store = settings.Storage();
  store.SetOptions(0);
  store.SetActive(true);
  const std::string owner = std::string(kSection) + "edOwner.Text";
  store.WriteString(owner, "secret");
  bool afterSave = false;
  settings.Data().OnAfterSave = [&](TrsStorageData&) { afterSave = true; };

  // The rename fails: the temporary file vanished.
  settings.Data().BeforeRename = [](const fs::path& temporary) { fs::remove(temporary); };
  try {
    store.SaveStore();
    ADD_FAILURE() << "no error";
  } catch (const EFileError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Cannot create file \"" + File().string() + "\". ", 0), 0u)
        << e.what();
  }
  EXPECT_TRUE(afterSave);
  EXPECT_EQ(ReadFile(File()), Golden());
  EXPECT_EQ(store.ReadString(owner, ""), "secret");

  // The program dies between writing and renaming.
  settings.Data().BeforeRename = [](const fs::path&) { throw std::runtime_error("interrupted"); };
  EXPECT_THROW(store.SaveStore(), std::runtime_error);
  EXPECT_EQ(ReadFile(File()), Golden());
  EXPECT_EQ(store.ReadString(owner, ""), "secret");

  // The next save encrypts once.
  settings.Data().BeforeRename = nullptr;
  store.SaveStore();
  TVarnholtSettings again(app.Path());
  again.Storage().SetOptions(0);
  again.Storage().SetActive(true);
  EXPECT_EQ(again.Storage().ReadString(owner, ""), "secret");
}

TEST_F(SettingsFileTest, AMissingFolderIsCreatedOnlyWhenAsked) {
  TVarnholtSettings settings(app / "missing");
  TrsStorage& store = settings.Storage();
  store.SetOptions(0);
  store.SetActive(true);  // a missing file: no error
  store.WriteString("/k", "v");
  EXPECT_THROW(store.SaveStore(), EFileError);
  settings.Data().SetOptions(doAutoCreateDir);
  store.SaveStore();
  EXPECT_TRUE(fs::exists(app / "missing" / "Varnholt.xml"));
}

TEST_F(SettingsFileTest, OnSaveToStreamAndOnLoadFromStreamReplaceTheFile) {
  TVarnholtSettings settings(app.Path());
  std::string taken;
  settings.Data().OnSaveToStream = [&](TrsStreamData&, std::string_view bytes) {
    taken = bytes;
    return true;
  };
  settings.Data().OnLoadFromStream = [&](TrsStreamData&, std::string& bytes) {
    bytes = taken;
    return true;
  };
  TrsStorage& store = settings.Storage();
  store.SetOptions(0);
  store.SetActive(true);
  store.WriteString("/s/k", "v");
  store.SaveStore();
  EXPECT_FALSE(fs::exists(File()));
  store.LoadStore();
  EXPECT_EQ(store.ReadString("/s/k", ""), "v");
}

}  // namespace
}  // namespace varnholt
