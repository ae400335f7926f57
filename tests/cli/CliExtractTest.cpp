// CliExtractTest.cpp — `varnholt-cli extract`: the two texts of a PDF on the terminal.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

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

TEST_F(CliExtract, ConcurrentRunsInOneApplicationFolderEachGetTheirOwnTexts) {
  const std::vector<std::string> reports = {"gc_run_report",       "gc_us_date",
                                            "lc_report_5pages",    "ms_quant_report",
                                            "ms_long_sample_name", "unknown_instrument_report"};
  std::vector<std::string> expected;
  for (const std::string& report : reports) {
    std::filesystem::copy_file(TestDataFolder() / "engine/reports" / (report + ".pdf"),
                               app_ / "drives/c/PDF" / (report + ".pdf"));
    const TCliResult alone = Extract("C:\\PDF\\" + report + ".pdf");
    ASSERT_EQ(alone.exitCode, 0) << report << ": " << alone.err;
    expected.push_back(alone.out);
  }
  for (std::size_t i = 1; i < expected.size(); ++i) ASSERT_NE(expected[i], expected[0]) << reports[i];

  // Separate processes, all started at once, several times over: without turns they read each other's
  // request and answer files.
  for (int round = 0; round < 3; ++round) {
    std::vector<TCliResult> results(reports.size());
    std::vector<std::thread> runs;
    for (std::size_t i = 0; i < reports.size(); ++i) {
      runs.emplace_back([&, i] { results[i] = Extract("C:\\PDF\\" + reports[i] + ".pdf"); });
    }
    for (auto& run : runs) run.join();
    for (std::size_t i = 0; i < reports.size(); ++i) {
      EXPECT_EQ(results[i].exitCode, 0) << reports[i] << ": " << results[i].err;
      EXPECT_EQ(results[i].out, expected[i]) << "round " << round << ", " << reports[i];
    }
  }
}

}  // namespace
}  // namespace varnholt::test
