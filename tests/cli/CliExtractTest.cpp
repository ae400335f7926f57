// CliExtractTest.cpp — `varnholt-cli extract`: the two texts of a PDF on the terminal.
#include <gtest/gtest.h>

#include "tests/cli/CliRunner.h"
#include "tests/support/TempFolder.h"

namespace varnholt::test {
namespace {

class CliExtract : public testing::Test {
 protected:
  void SetUp() override {
    for (const char* program : {"PDF.EXE", "PDFEDIT.EXE"}) {
      std::filesystem::copy_file(std::filesystem::path(VARNHOLT_APP_DIR) / program, app_ / program);
    }
    std::filesystem::create_directories(app_ / "drives/c/PDF");
    std::filesystem::copy_file(TestDataFolder() / "engine/reports/gc_accented_operator.pdf",
                               app_ /
                                   "drives/c/PDF/Probe S\xC3\xBC"
                                   "d.pdf");
  }
  TCliResult Extract(const std::string& file) {
    return RunCli({"--app-folder", app_.Path().string(), "extract", file});
  }
  TTempFolder app_;
};

TEST_F(CliExtract, PrintsBothTextsInUtf8) {
  // A Windows path as typed in a UTF-8 terminal, and the same file by its native path.
  for (const std::string& file : {std::string("C:\\pdf\\PROBE S\xC3\x9C"
                                              "D.PDF"),
                                  (app_ / "drives/c/PDF/Probe S\xC3\xBC"
                                          "d.pdf")
                                      .string()}) {
    const TCliResult r = Extract(file);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto separator = r.out.find("\n---------------------------------------- Text2\n");
    ASSERT_NE(separator, std::string::npos) << r.out;
    const std::string text1 = r.out.substr(0, separator), text2 = r.out.substr(separator);
    EXPECT_NE(text1.find("Acq. Operator   : Fran\xC3\xA7oise M\xC3\xBCller"), std::string::npos);
    EXPECT_NE(text2.find("\nAcq. Operator : Fran\xC3\xA7oise M\xC3\xBCller\n"), std::string::npos);
    EXPECT_EQ(r.out.find('\r'), std::string::npos);
  }
}

TEST_F(CliExtract, ReportsEngineErrorsWithExitCode1) {
  WriteFile(app_ / "drives/c/PDF/x.pdf", "plain text");
  const TCliResult r = Extract("C:\\PDF\\x.pdf");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("not a PDF"), std::string::npos) << r.err;
  const TCliResult missing = Extract("C:\\PDF\\gone.pdf");
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.err.find("Missing File"), std::string::npos) << missing.err;
}

TEST_F(CliExtract, RefusesAFileOutsideTheDrivesWithExitCode2) {
  TTempFolder elsewhere;
  WriteFile(elsewhere / "a.pdf", "%PDF-1.4");
  const TCliResult r = Extract((elsewhere / "a.pdf").string());
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("drive folder"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace varnholt::test
