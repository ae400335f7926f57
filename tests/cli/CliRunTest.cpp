// CliRunTest.cpp — `varnholt-cli run`: the standard script on every sample report, end to end through the
// real engine: where each report is filed, byte for byte, exactly once.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "tests/cli/CliRunner.h"
#include "tests/cli/SampleReports.h"
#include "tests/support/TempFolder.h"

namespace varnholt::test {
namespace {

namespace fs = std::filesystem;

class CliRun : public testing::Test {
 protected:
  void SetUp() override {
    for (const char* program : {"PDF.EXE", "PDFEDIT.EXE"}) fs::copy_file(fs::path(VARNHOLT_APP_DIR) / program, app_ / program);
    fs::create_directories(app_ / "drives/c/PDF");
  }
  TCliResult Run(std::vector<std::string> args) {
    args.insert(args.begin(), "run");
    args.push_back("--app-folder");  // also accepted after the subcommand
    args.push_back(app_.Path().string());
    return RunCli(args);
  }
  void Drop(const std::string& sample, const std::string& as) {
    fs::copy_file(TestDataFolder() / "engine/reports" / sample, app_ / "drives/c/PDF" / as);
  }
  // Every regular file below the drive folder C, by its path relative to it.
  std::vector<std::string> FilesOnC() const {
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(app_ / "drives/c")) {
      if (entry.is_regular_file()) files.push_back(fs::relative(entry.path(), app_ / "drives/c").string());
    }
    std::sort(files.begin(), files.end());
    return files;
  }
  TTempFolder app_;
};

TEST_F(CliRun, FilesEverySampleWhereTheStandardScriptSendsIt) {
  const auto samples = SampleReports();
  for (const TSampleReport& sample : samples) {
    SCOPED_TRACE(sample.file);
    Drop(sample.file, sample.file);
    const TCliResult r = Run({"--automatic", "C:\\PDF\\" + sample.file});
    // An engine error says 1; a report the script leaves behind ends in FAILED, which says 4.
    const bool toFailed = sample.target.string().starts_with("PDF/FAILED/");
    EXPECT_EQ(r.exitCode, sample.engineFails ? 1 : toFailed ? 4 : 0) << r.out << r.err;
    // The last line says what the core did with it, and where it is.
    const std::string where = "C:\\" + sample.target.string();
    std::string windows = where;
    std::replace(windows.begin(), windows.end(), '/', '\\');
    EXPECT_NE(r.out.find(std::string("Outcome: ") + (toFailed ? "in FAILED  " : "filed  ") + windows), std::string::npos)
        << r.out;
    ASSERT_TRUE(fs::exists(app_ / "drives/c" / sample.target)) << sample.target << "\n" << r.out;
    EXPECT_EQ(ReadFile(app_ / "drives/c" / sample.target), ReadFile(TestDataFolder() / "engine/reports" / sample.file));
    EXPECT_FALSE(fs::exists(app_ / "drives/c/PDF" / sample.file));
    // A report the engine cannot read goes to FAILED without a script run on no text.
    EXPECT_EQ(r.out.find("Scr  Action.ActionRun  Source  C:\\PDF\\" + sample.file) != std::string::npos,
              !sample.engineFails)
        << r.out;
    EXPECT_EQ(r.out.find("Err  Varnholt.Automatic  Unreadable  C:\\PDF\\" + sample.file) != std::string::npos,
              sample.engineFails)
        << r.out;
  }
  // Each report exactly once: one file on C for every sample, nothing left in the queue.
  EXPECT_EQ(FilesOnC().size(), samples.size());
}

TEST_F(CliRun, NumbersASecondReportOfTheSameSample) {
  Drop("ms_quant_report.pdf", "first.pdf");
  Drop("ms_quant_report.pdf", "second.pdf");
  EXPECT_EQ(Run({"--automatic", "C:\\PDF\\first.pdf"}).exitCode, 0);
  const TCliResult r = Run({"--json", "--automatic", "C:\\PDF\\second.pdf"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_TRUE(fs::exists(app_ / "drives/c/PDFSTORE/WW-2010-1234.PDF"));
  EXPECT_TRUE(fs::exists(app_ / "drives/c/PDFSTORE/WW-2010-1234_0000.PDF"));
  // JSON lines, one record each.
  const auto first = nlohmann::json::parse(r.out.substr(0, r.out.find('\n')));
  EXPECT_TRUE(first.contains("object"));
  EXPECT_NE(r.out.find("\"text\":\"File Counter\",\"data\":\"C:\\\\PDFSTORE\\\\WW-2010-1234_0000.PDF\""),
            std::string::npos) << r.out;
  // The last line is the outcome.
  const std::string last = r.out.substr(r.out.rfind('\n', r.out.size() - 2) + 1);
  const auto outcome = nlohmann::json::parse(last);
  EXPECT_EQ(outcome["outcome"], "filed");
  EXPECT_EQ(outcome["location"], "C:\\PDFSTORE\\WW-2010-1234_0000.PDF");
  EXPECT_EQ(outcome["engineError"], false);
}

TEST_F(CliRun, ExecuteLeavesTheReportWhereItIs) {
  Drop("gc_run_report.pdf", "gc.pdf");
  const TCliResult r = Run({"C:\\PDF\\gc.pdf"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("Scr  Action.Script  SampleName  Soil-Extract 17B"), std::string::npos) << r.out;
  EXPECT_TRUE(fs::exists(app_ / "drives/c/PDF/gc.pdf"));
}

TEST_F(CliRun, ScriptErrorsExitWith3AndBadArgumentsWith2) {
  Drop("gc_run_report.pdf", "gc.pdf");
  WriteFile(app_ / "bad.psc", "x := ");
  EXPECT_EQ(Run({"--script", (app_ / "bad.psc").string(), "C:\\PDF\\gc.pdf"}).exitCode, 3);
  EXPECT_EQ(Run({"C:\\PDF\\none.pdf"}).exitCode, 2);
  EXPECT_EQ(Run({"--script", (app_ / "missing.psc").string(), "C:\\PDF\\gc.pdf"}).exitCode, 2);
  EXPECT_TRUE(fs::exists(app_ / "drives/c/PDF/gc.pdf"));
}

TEST_F(CliRun, RunScriptWithPdfSeesItsTexts) {
  Drop("gc_run_report.pdf", "gc.pdf");
  WriteFile(app_ / "s.psc", "Result := PDFBetween('Sample Name', NewLine) + '|' + PDFName");
  const TCliResult r =
      RunCli({"--app-folder", app_.Path().string(), "run-script", "--pdf", "C:\\PDF\\gc.pdf", (app_ / "s.psc").string()});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, ": Soil-Extract 17B|gc.pdf\n");
}

}  // namespace
}  // namespace varnholt::test

namespace varnholt::test {
namespace {

TEST(CliFailed, CountsRequeuesAndDeletesOnlyWithYes) {
  TTempFolder app;
  WriteFile(app / "drives/c/PDF/FAILED/a.pdf", "failed a");
  WriteFile(app / "drives/c/PDF/FAILED/b.pdf", "failed b");
  WriteFile(app / "drives/c/PDF/a.pdf", "queued a");
  const std::string folder = app.Path().string();

  TCliResult r = RunCli({"--app-folder", folder, "failed", "count"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, "2\n");

  r = RunCli({"--app-folder", folder, "failed", "delete"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("--yes"), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(app / "drives/c/PDF/FAILED/b.pdf"));

  r = RunCli({"--app-folder", folder, "failed", "requeue"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.out.find("Can not re-Queue 1 files.\nWill not overwrite files with the same name."), std::string::npos) << r.out;
  EXPECT_EQ(ReadFile(app / "drives/c/PDF/a.pdf"), "queued a");
  EXPECT_EQ(ReadFile(app / "drives/c/PDF/b.pdf"), "failed b");
  // The counts after the command acted.
  EXPECT_NE(r.out.find("Moved 1, stayed 1; now Queue 2, Failed 1\n"), std::string::npos) << r.out;

  r = RunCli({"--app-folder", folder, "status"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.out.find("Queue:  2 PDF files"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Failed: 1 PDF files"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("not running"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("ReQueueClick"), std::string::npos) << r.out;

  r = RunCli({"--app-folder", folder, "failed", "delete", "--yes"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.out.find("Deleted 1, stayed 0; now Queue 2, Failed 0\n"), std::string::npos) << r.out;
  EXPECT_FALSE(std::filesystem::exists(app / "drives/c/PDF/FAILED/a.pdf"));
}

}  // namespace
}  // namespace varnholt::test
