// CliEngineLimitsTest.cpp — what the commands without a window let into an engine request: values with
// line breaks are refused where they enter, limits have a range, `extract` reads with the site's
// passwords, and a report whose text is larger than the limit goes to FAILED.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "tests/cli/CliRunner.h"
#include "tests/support/TempFolder.h"

namespace varnholt::test {

namespace {

namespace fs = std::filesystem;

const char* const kOwner = "/fmOstrevane.rsPropSaver1/edOwner.Text";
const char* const kUser = "/fmOstrevane.rsPropSaver1/edUser.Text";

// A PDF of many pages of text, written by hand with a correct cross-reference table.
std::string ManyPagePdf(int pages) {
  std::vector<std::string> objects;  // object n is objects[n - 1]
  objects.push_back("<< /Type /Catalog /Pages 2 0 R >>");
  std::string kids;
  for (int p = 0; p < pages; ++p) kids += std::to_string(4 + 2 * p) + " 0 R ";
  objects.push_back("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) + " >>");
  objects.push_back("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
  for (int p = 0; p < pages; ++p) {
    objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /Font << /F1 3 0 R >> >> "
                      "/Contents " + std::to_string(5 + 2 * p) + " 0 R >>");
    std::string stream = "BT /F1 10 Tf 72 740 Td 12 TL";
    for (int line = 0; line < 40; ++line) stream += " (Page " + std::to_string(p + 1) + " line " + std::to_string(line) + " of the text bomb) '";
    stream += " ET";
    objects.push_back("<< /Length " + std::to_string(stream.size()) + " >>\nstream\n" + stream + "\nendstream");
  }
  std::string pdf = "%PDF-1.4\n";
  std::vector<std::size_t> offsets;
  for (std::size_t i = 0; i < objects.size(); ++i) {
    offsets.push_back(pdf.size());
    pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  const std::size_t xref = pdf.size();
  pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
  for (const std::size_t offset : offsets) {
    char entry[24];
    std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", offset);
    pdf += entry;
  }
  pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
         std::to_string(xref) + "\n%%EOF\n";
  return pdf;
}

class CliEngineLimits : public testing::Test {
 protected:
  void SetUp() override {
    for (const char* program : {"PDF.EXE", "PDFEDIT.EXE"}) fs::copy_file(fs::path(VARNHOLT_APP_DIR) / program, app_ / program);
    fs::create_directories(app_ / "drives/c/PDF");
  }
  TCliResult Cli(std::vector<std::string> args) {
    args.insert(args.begin(), {"--app-folder", app_.Path().string()});
    return RunCli(args);
  }
  // Replaces PDF.EXE by one that keeps the request it was given and answers OK.
  void KeepingEngine() {
    WriteFile(app_ / "PDF.EXE", "#!/bin/sh\ncp PDFENV.TXT seen.txt\nprintf 'OK\\r\\nDone\\r\\n' > PDFRES.TXT\n");
    chmod((app_ / "PDF.EXE").c_str(), 0755);
  }
  TTempFolder app_;
};

TEST_F(CliEngineLimits, SettingsSetRefusesLineBreaksAndLeavesTheFileAsItWas) {
  ASSERT_EQ(Cli({"settings", "set", kOwner, "old"}).exitCode, 0);
  const std::string before = ReadFile(app_ / "Varnholt.xml");
  for (const std::string& value : {std::string("a\nPDFPAGES=1-1"), std::string("a\r"), std::string("\r\nPDFACTION=DELPAGES")}) {
    for (const char* path : {kOwner, kUser, "/fmOstrevane.rsPropSaver1/cbPaperPrinter.Text"}) {
      SCOPED_TRACE(std::string(path) + " " + value);
      const TCliResult r = Cli({"settings", "set", path, value});
      EXPECT_EQ(r.exitCode, 2) << r.err;
      EXPECT_NE(r.err.find("line break"), std::string::npos) << r.err;
      EXPECT_EQ(ReadFile(app_ / "Varnholt.xml"), before);
    }
  }
}

TEST_F(CliEngineLimits, SettingsSetKeepsLimitsInTheirRange) {
  ASSERT_EQ(Cli({"settings", "set", "/Limits/ScriptSeconds", "120"}).exitCode, 0);
  const std::string before = ReadFile(app_ / "Varnholt.xml");
  for (const char* key : {"/Limits/ScriptSeconds", "/Limits/EngineSeconds", "/Limits/TextBytes"}) {
    for (const char* value : {"-1", "0", "", "abc", "1.5", "12x", "99999999999999999", "12345678901234567890"}) {
      SCOPED_TRACE(std::string(key) + " " + value);
      const TCliResult r = Cli({"settings", "set", key, value});
      EXPECT_EQ(r.exitCode, 2) << r.err;
      EXPECT_NE(r.err.find(key), std::string::npos) << r.err;
      EXPECT_EQ(ReadFile(app_ / "Varnholt.xml"), before);
    }
  }
  EXPECT_EQ(Cli({"settings", "set", "/Limits/ScriptSeconds", "86401"}).exitCode, 2);
  EXPECT_EQ(Cli({"settings", "set", "/Limits/ScriptSeconds", "86400"}).exitCode, 0);
  EXPECT_EQ(Cli({"settings", "set", "/Limits/TextBytes", "4096"}).exitCode, 0);
}

TEST_F(CliEngineLimits, TheSettingsFileIsOwnerOnly) {
  ASSERT_EQ(Cli({"settings", "set", kOwner, "secret"}).exitCode, 0);
  struct stat st {};
  ASSERT_EQ(stat((app_ / "Varnholt.xml").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(CliEngineLimits, ExtractReadsAnEncryptedReportWithTheSettingsPasswords) {
  fs::copy_file(TestDataFolder() / "engine/reports/ms_quant_report_encrypted.pdf", app_ / "drives/c/PDF/enc.pdf");
  ASSERT_EQ(Cli({"settings", "set", kOwner, "owner1"}).exitCode, 0);
  ASSERT_EQ(Cli({"settings", "set", kUser, "user1"}).exitCode, 0);
  const TCliResult r = Cli({"extract", "C:\\PDF\\enc.pdf"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("WW-2010-1234"), std::string::npos) << r.out;
}

TEST_F(CliEngineLimits, APasswordInTheFileWithALineBreakIsNeverSent) {
  // Not Base64, so it is read as it stands: &#13;&#10; are a CR LF inside the password.
  WriteFile(app_ / "Varnholt.xml",
            "<DOCUMENT><fmOstrevane.rsPropSaver1><edOwner.Text>x&#13;&#10;PDFPAGES=1-1</edOwner.Text>"
            "</fmOstrevane.rsPropSaver1></DOCUMENT>");
  KeepingEngine();
  WriteFile(app_ / "drives/c/PDF/a.pdf", "%PDF-1.4");
  const TCliResult r = Cli({"run", "C:\\PDF\\a.pdf"});
  EXPECT_NE(r.exitCode, 0);
  EXPECT_FALSE(fs::exists(app_ / "seen.txt")) << ReadFile(app_ / "seen.txt");
  EXPECT_FALSE(fs::exists(app_ / "PDFENV.TXT"));
  EXPECT_NE(r.out.find("edOwner.Text"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("PDFPAGES=1-1"), std::string::npos) << "the password is not shown";
}

TEST_F(CliEngineLimits, ABadLimitInTheFileIsReportedAndTheDefaultUsed) {
  WriteFile(app_ / "Varnholt.xml",
            "<DOCUMENT><Limits><ScriptSeconds>-1</ScriptSeconds><EngineSeconds>12345678901234567890</EngineSeconds>"
            "</Limits></DOCUMENT>");
  KeepingEngine();
  WriteFile(app_ / "drives/c/PDF/a.pdf", "%PDF-1.4");
  const TCliResult r = Cli({"run", "C:\\PDF\\a.pdf"});
  EXPECT_NE(r.out.find("/Limits/ScriptSeconds"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("/Limits/EngineSeconds"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Err "), std::string::npos) << r.out;
  EXPECT_TRUE(fs::exists(app_ / "seen.txt")) << "the run goes on with the defaults";
}

TEST_F(CliEngineLimits, AReportWithMoreTextThanTheLimitGoesToFailed) {
  WriteFile(app_ / "drives/c/PDF/bomb.pdf", ManyPagePdf(200));
  ASSERT_EQ(Cli({"settings", "set", "/Limits/TextBytes", "4096"}).exitCode, 0);
  const TCliResult r = Cli({"run", "--automatic", "C:\\PDF\\bomb.pdf"});
  EXPECT_TRUE(fs::exists(app_ / "drives/c/PDF/FAILED/bomb.pdf")) << r.out;
  EXPECT_NE(r.out.find("/Limits/TextBytes"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("EmergencyStop"), std::string::npos) << r.out;
  EXPECT_LT(ReadFile(app_ / "PDF1.TXT").size(), 8192u);
}

}  // namespace
}  // namespace varnholt::test
