// CliOcrTest.cpp — scanned reports through the commands without a window: the sample is filed under the
// sample name OCR reads, the OCR settings of Varnholt.xml reach the engine, and the script can ask how sure
// OCR was.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/cli/CliAppFolder.h"
#include "tests/support/TempFolder.h"

namespace varnholt::test {
namespace {

namespace fs = std::filesystem;

class CliOcr : public TCliAppFolderTest {
 protected:
  void Drop(const std::string& sample) {
    fs::copy_file(TestDataFolder() / "engine/reports" / sample, app_ / "drives/c/PDF" / sample);
  }
};

TEST_F(CliOcr, TheScannedSampleIsFiledUnderItsSampleNameWithTheDefaults) {
  Drop("image_only_report.pdf");
  const TCliResult r = Cli({"run", "--automatic", "C:\\PDF\\image_only_report.pdf"});
  EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
  EXPECT_EQ(ReadFile(app_ / "drives/c/PDFSTORE/Scanned-007.PDF"),
            ReadFile(TestDataFolder() / "engine/reports/image_only_report.pdf"));
  // The log says that the texts came from OCR, and how sure it was.
  EXPECT_NE(r.out.find("Msg  Varnholt.LoadContent  Text From OCR  mean confidence "), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find(", 1 page\n"), std::string::npos) << r.out;
}

TEST_F(CliOcr, TheSettingsDecideAndMissingLanguageDataSendsTheReportToFailed) {
  struct TCase {
    const char* path;
    const char* value;
    const char* says;  // in the run's records
    int exitCode;      // 4: the script left it, 1: the engine could not read it
  };
  const TCase cases[] = {
      // As before OCR: no text, so the standard script finds no sample name.
      {"/Ocr/Mode", "Off", "Unrecognized", 4},
      // The report cannot be read here: it goes to FAILED with the reason, and Automatic mode goes on.
      {"/Ocr/Language", "zzz", "OCR language data for zzz is missing", 1},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.value);
    TTempFolder app;
    for (const char* program : {"PDF.EXE", "PDFEDIT.EXE"})
      fs::copy_file(fs::path(VARNHOLT_APP_DIR) / program, app / program);
    fs::create_directories(app / "drives/c/PDF");
    fs::copy_file(TestDataFolder() / "engine/reports/image_only_report.pdf", app / "drives/c/PDF/scan.pdf");
    ASSERT_EQ(RunCli({"--app-folder", app.Path().string(), "settings", "set", c.path, c.value}).exitCode, 0);
    const TCliResult r =
        RunCli({"--app-folder", app.Path().string(), "run", "--automatic", "C:\\PDF\\scan.pdf"});
    EXPECT_EQ(r.exitCode, c.exitCode) << r.out << r.err;
    EXPECT_TRUE(fs::exists(app / "drives/c/PDF/FAILED/scan.pdf")) << r.out;
    EXPECT_FALSE(fs::exists(app / "drives/c/PDFSTORE"));
    EXPECT_NE(r.out.find(c.says), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("Text From OCR"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("EmergencyStop"), std::string::npos) << r.out;
  }
}

TEST_F(CliOcr, SettingsSetRefusesAModeOrLanguageItDoesNotKnow) {
  ASSERT_EQ(Cli({"settings", "set", "/Ocr/Mode", "AllPages"}).exitCode, 0);
  ASSERT_EQ(Cli({"settings", "set", "/Ocr/Language", "eng+deu"}).exitCode, 0);
  const std::string before = ReadFile(app_ / "Varnholt.xml");
  const std::pair<const char*, const char*> refused[] = {
      {"/Ocr/Mode", "Sometimes"},   {"/Ocr/Mode", ""},         {"/ocr/mode", "on"},
      {"/Ocr/Language", "../../x"}, {"/Ocr/Language", "eng+"}, {"/Ocr/Language", "eng deu"},
      {"/Ocr/Language", ""},
  };
  for (const auto& [path, value] : refused) {
    SCOPED_TRACE(std::string(path) + " " + value);
    const TCliResult r = Cli({"settings", "set", path, value});
    EXPECT_EQ(r.exitCode, 2) << r.err;
    EXPECT_NE(r.err.find("/Ocr/"), std::string::npos) << r.err;
    EXPECT_EQ(ReadFile(app_ / "Varnholt.xml"), before);
  }
}

TEST_F(CliOcr, ABadValueInTheFileIsReportedAndTheDefaultUsed) {
  WriteFile(app_ / "Varnholt.xml",
            "<DOCUMENT><Ocr><Mode>Sometimes</Mode><Language>../../etc/x</Language></Ocr></DOCUMENT>");
  Drop("image_only_report.pdf");
  const TCliResult r = Cli({"run", "--automatic", "C:\\PDF\\image_only_report.pdf"});
  EXPECT_NE(r.out.find("Err  Varnholt.Settings  In Varnholt.xml /Ocr/Mode must be"), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("Err  Varnholt.Settings  In Varnholt.xml /Ocr/Language must be"), std::string::npos)
      << r.out;
  EXPECT_TRUE(fs::exists(app_ / "drives/c/PDFSTORE/Scanned-007.PDF")) << "the defaults read it" << r.out;
}

// PDFOCRConfidence: the mean confidence of the loaded texts when OCR gave them, else -1.
TEST_F(CliOcr, TheScriptAsksHowSureOcrWas) {
  WriteFile(app_ / "s.psc", "Result := PDFOCRConfidence");
  Drop("image_only_report.pdf");
  Drop("gc_run_report.pdf");
  const TCliResult scanned =
      Cli({"run-script", "--pdf", "C:\\PDF\\image_only_report.pdf", (app_ / "s.psc").string()});
  ASSERT_EQ(scanned.exitCode, 0) << scanned.out << scanned.err;
  const int confidence = std::stoi(scanned.out);
  EXPECT_GT(confidence, 50);
  EXPECT_LE(confidence, 100);
  const TCliResult text =
      Cli({"run-script", "--pdf", "C:\\PDF\\gc_run_report.pdf", (app_ / "s.psc").string()});
  EXPECT_EQ(text.out, "-1\n") << text.err;
}

}  // namespace
}  // namespace varnholt::test
