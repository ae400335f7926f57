// CliReplayTest.cpp — `varnholt-cli replay` on the sample reports with the real engine: its exit status,
// what it prints, its JSON, and the journal as the source of the reports.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "core/uStandardScript.h"
#include "tests/cli/CliAppFolder.h"
#include "tests/support/TempFolder.h"

namespace varnholt::test {
namespace {

namespace fs = std::filesystem;

class CliReplay : public TCliAppFolderTest {
 protected:
  void SetUp() override {
    TCliAppFolderTest::SetUp();
    for (const char* sample : {"ms_quant_report.pdf", "gc_run_report.pdf", "empty.pdf"}) {
      fs::copy_file(TestDataFolder() / "engine/reports" / sample, saved_ / sample);
    }
    // The standard script, and one that files quantitation reports into a folder of their own.
    standard_ = StandardScript();
    WriteFile(app_ / "quant.ps", Replace(standard_, "if SampleName<>'' then begin",
                                         "if SampleName<>'' then begin\n  if PDFContains('Quantitation Report') then "
                                         "SampleName := 'MS\\' + SampleName"));
    WriteFile(app_ / "same.ps", standard_);
    WriteFile(app_ / "broken.ps", "if then");
  }
  static std::string Replace(std::string text, const std::string& what, const std::string& with) {
    const std::size_t at = text.find(what);
    EXPECT_NE(at, std::string::npos) << what;
    if (at != std::string::npos) text.replace(at, what.size(), with);
    return text;
  }
  // The folder has no Varnholt.PS, so the standard script is the baseline; one report is filed for real
  // first, so that the journal has an entry.
  std::string StandardScript() {
    fs::copy_file(TestDataFolder() / "engine/reports/ms_quant_report.pdf", app_ / "drives/c/PDF/first.pdf");
    (void)Cli({"run", "--automatic", "C:\\PDF\\first.pdf"});
    std::string text;
    for (const std::string& line : varnholt::StandardScript()) text += line + "\r\n";
    return text;
  }
  std::string Script(const char* name) { return (app_ / name).string(); }
  TTempFolder saved_;
  std::string standard_;
};

TEST_F(CliReplay, ExitStatusSaysWhetherAnyReportDiffersAndTheReplayItselfFailsWithTwo) {
  ASSERT_FALSE(standard_.empty());
  const std::string saved = saved_.Path().string();
  struct TCase {
    std::vector<std::string> args;
    int exitCode;
    const char* says;  // on standard output, or on standard error for status 2
  } const cases[] = {
      {{"replay", "--script", Script("same.ps"), saved}, 0, "3 reports: 3 same, 0 different, 0 errors"},
      {{"replay", "--script", Script("quant.ps"), saved}, 1, "DIFFERENT  ms_quant_report.pdf"},
      {{"replay", "--script", Script("broken.ps"), saved}, 2, "does not compile: 1:"},
      {{"replay", "--script", Script("same.ps")}, 2, "Name the reports to replay"},
      {{"replay", "--script", Script("same.ps"), "--since", "2024-01-01", saved}, 2, "give them with --journal"},
      {{"replay", "--script", Script("missing.ps"), saved}, 2, "missing.ps"},
      {{"replay", "--script", Script("same.ps"), (app_ / "nothing-here").string()}, 2, "Neither a PDF file nor a folder"},
  };
  for (const TCase& c : cases) {
    const TCliResult result = Cli(c.args);
    EXPECT_EQ(result.exitCode, c.exitCode) << c.args[2] << "\n" << result.out << result.err;
    const std::string& said = c.exitCode == 2 ? result.err : result.out;
    EXPECT_NE(said.find(c.says), std::string::npos) << said;
  }
}

TEST_F(CliReplay, JsonNamesBothDestinationsOfTheReportThatDiffersAndTheJournalIsASource) {
  const TCliResult result = Cli({"replay", "--script", Script("quant.ps"), "--json", saved_.Path().string()});
  ASSERT_EQ(result.exitCode, 1) << result.err;
  const auto json = nlohmann::json::parse(result.out);
  EXPECT_EQ(json["summary"]["different"], 1);
  EXPECT_EQ(json["summary"]["same"], 2);
  for (const auto& report : json["reports"]) {
    if (report["report"] != "ms_quant_report.pdf") {
      EXPECT_EQ(report["verdict"], "same") << report.dump();
      continue;
    }
    EXPECT_EQ(report["verdict"], "different");
    // The report filed for real in SetUp has that name already: the replay numbers around it.
    EXPECT_EQ(report["baseline"]["location"], "C:\\PDFSTORE\\WW-2010-1234_0000.PDF");
    EXPECT_EQ(report["new"]["location"], "C:\\PDFSTORE\\MS\\WW-2010-1234.PDF");
    EXPECT_EQ(report["new"]["operations"].back()["op"], "move");
  }
  // Nothing was filed by the replay: the store holds only what the real run of SetUp filed.
  EXPECT_FALSE(fs::exists(app_ / "drives/c/PDFSTORE/MS"));

  // The report filed in SetUp is in the journal, and its archived copy still has its bytes.
  const TCliResult journal = Cli({"replay", "--script", Script("quant.ps"), "--journal", "--json"});
  ASSERT_EQ(journal.exitCode, 1) << journal.err;
  const auto fromJournal = nlohmann::json::parse(journal.out);
  ASSERT_EQ(fromJournal["reports"].size(), 1U);
  EXPECT_EQ(fromJournal["reports"][0]["report"], "first.pdf");
  EXPECT_EQ(fromJournal["reports"][0]["origin"], "journal entry 1");
}

TEST_F(CliReplay, AScannedReportIsReadByOcrOnceAndItsConfidenceComesBackFromTheCache) {
  TTempFolder scanned;
  fs::copy_file(TestDataFolder() / "engine/reports/image_only_report.pdf", scanned / "scan.pdf");
  // Files the report only when its texts say they came from OCR: a cache that lost that would differ.
  WriteFile(app_ / "ocr.ps", Replace(standard_, "//Only in automatic mode",
                                     "if PDFOCRConfidence < 0 then Destination := FailedFolder + PDFName\r\n"
                                     "//Only in automatic mode"));
  for (const char* pass : {"cold", "warm"}) {
    const TCliResult result =
        Cli({"replay", "--script", Script("ocr.ps"), "--verbose", scanned.Path().string()});
    EXPECT_EQ(result.exitCode, 0) << pass << "\n" << result.out << result.err;
    EXPECT_NE(result.out.find("same       scan.pdf  filed  C:\\PDFSTORE\\Scanned-007.PDF"), std::string::npos)
        << pass << "\n" << result.out;
  }
}

}  // namespace
}  // namespace varnholt::test
