// ReportFilingTest.cpp — FileReport, the one filing operation: what it returns for each way a report can
// end, checked against where the report really is afterwards.
#include <gtest/gtest.h>

#include "tests/core/RecordingPort.h"

namespace varnholt::test {
namespace {

namespace fs = std::filesystem;

// EXTRACT answers by the report's first word: BROKEN is unreadable, CRASH a failure of the engine itself;
// anything else is extracted as its own text. Every other request is answered OK.
constexpr const char* kEngine =
    "if grep -q '^PDFACTION=EXTRACT' PDFENV.TXT; then\n"
    "  f=$(sed -n 's/^PDFFILE=C:.PDF.//p' PDFENV.TXT | tr -d '\\r')\n"
    "  case $(head -c 6 \"drives/c/PDF/$f\") in\n"
    "    BROKEN) printf 'Error\\r\\nUnreadable: damaged\\r\\n' > PDFRES.TXT; exit 0;;\n"
    "    CRASH*) printf 'Error\\r\\nDisk full\\r\\n' > PDFRES.TXT; exit 0;;\n"
    "  esac\n"
    "  cp \"drives/c/PDF/$f\" PDF1.TXT; : > PDF2.TXT\n"
    "fi\n"
    "printf 'OK\\r\\nDone\\r\\n' > PDFRES.TXT";

struct TFilingCase {
  const char* name;
  const char* report;  // the report's bytes (its Text1 for the fake engine)
  std::vector<std::string> script;
  TFilingEnd end;
  const char* location;  // where the outcome says the report is; it must be there
  bool engineError;
  bool emergencyStop;
  TScriptEnd scriptEnd;
  int row;  // of the script error; 0 when none
};

const TFilingCase kAutomaticCases[] = {
    {"filed",
     "Sample A",
     {"PDFMoveTo('C:\\Store\\a.pdf')"},
     TFilingEnd::kFiled,
     "C:\\Store\\a.pdf",
     false,
     false,
     TScriptEnd::kDone,
     0},
    {"left behind",
     "Sample A",
     {"x := 1"},
     TFilingEnd::kInFailed,
     "C:\\PDF\\FAILED\\r.pdf",
     false,
     false,
     TScriptEnd::kDone,
     0},
    {"sent to FAILED by the script",
     "Sample A",
     {"PDFMoveTo(FailedFolder + PDFName)"},
     TFilingEnd::kInFailed,
     "C:\\PDF\\FAILED\\r.pdf",
     false,
     false,
     TScriptEnd::kDone,
     0},
    {"unreadable",
     "BROKEN",
     {"PDFMoveTo('C:\\Store\\a.pdf')"},
     TFilingEnd::kInFailed,
     "C:\\PDF\\FAILED\\r.pdf",
     true,
     false,
     TScriptEnd::kNotRun,
     0},
    {"engine failure",
     "CRASH",
     {"PDFMoveTo('C:\\Store\\a.pdf')"},
     TFilingEnd::kStayed,
     "C:\\PDF\\r.pdf",
     true,
     true,
     TScriptEnd::kNotRun,
     0},
    {"compile error",
     "Sample A",
     {"x := 1;", "if then"},
     TFilingEnd::kScriptError,
     "C:\\PDF\\FAILED\\r.pdf",
     false,
     false,
     TScriptEnd::kCompileError,
     2},
    {"run-time error",
     "Sample A",
     {"x := 0;", "", "x := 1 div x;"},
     TFilingEnd::kScriptError,
     "C:\\PDF\\FAILED\\r.pdf",
     false,
     false,
     TScriptEnd::kRuntimeError,
     3},
};

TEST(FileReport, TheOutcomeSaysWhereTheReportIsAndWhy) {
  for (const TFilingCase& c : kAutomaticCases) {
    SCOPED_TRACE(c.name);
    TCoreBed bed;
    bed.FakeEngine(kEngine);
    WriteFile(bed.temp / "drives/c/PDF/r.pdf", c.report);
    bed.core->State().SetActionScript(c.script);
    bed.core->State().SetPaperPrinter("[None]");
    const TFilingOutcome outcome = bed.core->Automatic().FileOne("C:\\PDF\\r.pdf");

    EXPECT_EQ(outcome.end, c.end);
    EXPECT_EQ(outcome.report, "C:\\PDF\\r.pdf");
    EXPECT_EQ(outcome.location, c.location);
    EXPECT_TRUE(fs::exists(*bed.core->DriveMap().TryResolve(outcome.location))) << outcome.location;
    // Exactly one copy: wherever it is, it is not left in the queue as well.
    if (c.end != TFilingEnd::kStayed) {
      EXPECT_FALSE(fs::exists(bed.temp / "drives/c/PDF/r.pdf"));
    }
    EXPECT_EQ(outcome.engineError, c.engineError);
    EXPECT_EQ(outcome.emergencyStop, c.emergencyStop);
    EXPECT_EQ(outcome.script.end, c.scriptEnd);
    EXPECT_EQ(outcome.script.row, c.row) << outcome.script.message;
    if (c.row > 0) {
      EXPECT_GT(outcome.script.column, 0);
    }
    if (c.end != TFilingEnd::kFiled) {
      EXPECT_FALSE(outcome.reason.empty());
    }
  }
}

TEST(FileReport, UnreadableAndStayedReportsSayTheEnginesReason) {
  for (const auto& [report, reason] : {std::pair{"BROKEN", "damaged"}, std::pair{"CRASH", "Disk full"}}) {
    TCoreBed bed;
    bed.FakeEngine(kEngine);
    WriteFile(bed.temp / "drives/c/PDF/r.pdf", report);
    EXPECT_EQ(bed.core->Automatic().FileOne("C:\\PDF\\r.pdf").reason, reason);
  }
}

TEST(FileReport, ExecuteRendersRefusalsAndAReportLeftInPlace) {
  TCoreBed bed;
  bed.FakeEngine(kEngine);
  TFilingOutcome refused = bed.core->Execute();
  EXPECT_EQ(refused.end, TFilingEnd::kRefused);
  EXPECT_EQ(refused.reason, "First select a PDF File");

  WriteFile(bed.temp / "drives/c/Work/r.pdf", "Sample A");
  bed.core->State().SetActionScript({"x := 1"});
  const TFilingOutcome left = bed.core->Filing().FileReport("C:\\Work\\r.pdf", TFilingMode::kExecute);
  EXPECT_EQ(left.end, TFilingEnd::kLeftInPlace);
  EXPECT_EQ(left.location, "C:\\Work\\r.pdf");
  EXPECT_TRUE(fs::exists(bed.temp / "drives/c/Work/r.pdf"));

  // While a pass runs, Execute does nothing and says so.
  ASSERT_TRUE(bed.core->State().TryBeginPass());
  bed.port.calls.clear();
  EXPECT_EQ(bed.core->Execute().end, TFilingEnd::kRefused);
  EXPECT_TRUE(bed.port.calls.empty());
}

TEST(FileReport, APassKeepsTheOutcomeOfEveryReportItFiled) {
  TCoreBed bed;
  bed.FakeEngine(kEngine);
  WriteFile(bed.temp / "drives/c/PDF/r.pdf", "Sample A");
  bed.core->State().SetActionScript({"PDFMoveTo('C:\\Store\\a.pdf')"});
  bed.core->Automatic().sbAutomaticClick(true);
  bed.core->Automatic().PassAtNextTick();
  bed.core->Automatic().TimerAutomaticTimer();
  ASSERT_EQ(bed.core->Automatic().LastPass().size(), 1u);
  EXPECT_EQ(bed.core->Automatic().LastPass()[0].end, TFilingEnd::kFiled);
  EXPECT_EQ(bed.core->Automatic().LastPass()[0].location, "C:\\Store\\a.pdf");
}

}  // namespace
}  // namespace varnholt::test
