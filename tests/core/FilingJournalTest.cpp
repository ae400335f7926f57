// FilingJournalTest.cpp — what a filing tells the journal: the files it wrote (in its outcome too), one
// entry per handled report, and a journal that cannot be written stopping the filing.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "core/uJournal.h"
#include "platform/Files.h"
#include "tests/core/RecordingPort.h"

namespace varnholt::test {
namespace {

namespace fs = std::filesystem;

// EXTRACT gives the report's bytes as its text; every other request is answered OK (and writes nothing).
constexpr const char* kEngine =
    "if grep -q '^PDFACTION=EXTRACT' PDFENV.TXT; then\n"
    "  f=$(sed -n 's/^PDFFILE=C:.PDF.//p' PDFENV.TXT | tr -d '\\r')\n"
    "  cp \"drives/c/PDF/$f\" PDF1.TXT; : > PDF2.TXT\n"
    "fi\n"
    "printf 'OK\\r\\nDone\\r\\n' > PDFRES.TXT";

std::string Sha(const fs::path& file) {
  std::string digest;
  EXPECT_TRUE(platform::FileSha256(file, digest)) << file;
  return digest;
}

TEST(FilingJournal, TheOutcomeNamesEveryFileTheRunWrote) {
  TCoreBed bed;
  bed.FakeEngine(kEngine);
  WriteFile(bed.temp / "drives/c/PDF/r.pdf", "Sample A");
  WriteFile(bed.temp / "drives/c/Series/s.pdf", "series");
  bed.core->State().SetActionScript({"PDFCopyTo('C:\\Copies\\c.pdf');", "Protect('C:\\Copies\\c.pdf');",
                                     "AppendTo(PDFFile, 'C:\\Series\\s.pdf');",
                                     "PDFMoveTo('C:\\Store\\a.pdf')"});
  const TFilingOutcome outcome = bed.core->Automatic().FileOne("C:\\PDF\\r.pdf");
  ASSERT_EQ(outcome.end, TFilingEnd::kFiled) << outcome.reason;
  std::vector<std::pair<std::string, std::string>> written;
  for (const TWrittenFile& file : outcome.written) written.emplace_back(file.path, file.how);
  const std::vector<std::pair<std::string, std::string>> expected = {{"C:\\Copies\\c.pdf", "copied"},
                                                                     {"C:\\Copies\\c.pdf", "changed"},
                                                                     {"C:\\Series\\s.pdf", "appended"},
                                                                     {"C:\\Store\\a.pdf", "moved"}};
  EXPECT_EQ(written, expected);
}

TEST(FilingJournal, OneEntryPerHandledReportWithWhatArrivedAndWhatWasWritten) {
  TCoreBed bed;
  bed.FakeEngine(kEngine);
  WriteFile(bed.temp / "drives/c/PDF/r.pdf", "Sample A");
  const std::string arrived = Sha(bed.temp / "drives/c/PDF/r.pdf");
  bed.core->State().SetActionScript({"PDFMoveTo('C:\\Store\\a.pdf')"});
  ASSERT_EQ(bed.core->Automatic().FileOne("C:\\PDF\\r.pdf").end, TFilingEnd::kFiled);
  WriteFile(bed.temp / "drives/c/PDF/q.pdf", "Sample B");
  bed.core->State().SetActionScript({"x := 1;", "y := ;"});
  ASSERT_EQ(bed.core->Automatic().FileOne("C:\\PDF\\q.pdf").end, TFilingEnd::kScriptError);
  // A refused Execute handled no report.
  ASSERT_EQ(bed.core->Execute().end, TFilingEnd::kRefused);

  TJournal journal;
  ASSERT_TRUE(journal.Open(bed.temp / kJournalFileName));
  std::vector<TJournalEntry> entries;
  ASSERT_TRUE(journal.List({}, entries));
  ASSERT_EQ(entries.size(), 2u);
  const TJournalEntry& filed = entries[0];
  EXPECT_EQ(filed.mode, "automatic");
  EXPECT_EQ(filed.queueName, "r.pdf");
  EXPECT_EQ(filed.reportSha256, arrived);
  EXPECT_EQ(filed.outcome, "filed");
  EXPECT_EQ(filed.filedAs, "a.pdf");
  EXPECT_NE(filed.text1Sha256, platform::Sha256Of(""));
  EXPECT_EQ(filed.text2Sha256, platform::Sha256Of(""));
  ASSERT_EQ(filed.files.size(), 1u);
  EXPECT_EQ(filed.files[0].path, "C:\\Store\\a.pdf");
  EXPECT_EQ(filed.files[0].sha256, arrived);
  EXPECT_EQ(journal.ScriptText(filed.scriptSha256), "PDFMoveTo('C:\\Store\\a.pdf')\n");
  EXPECT_NE(filed.records.find("PdfCopyMoveTo"), std::string::npos);
  const TJournalEntry& failed = entries[1];
  EXPECT_EQ(failed.outcome, "script-error");
  EXPECT_EQ(failed.row, 2);
  EXPECT_GT(failed.column, 0);
  EXPECT_EQ(failed.previousHash, filed.hash);
  EXPECT_TRUE(journal.Verify().ok);
}

TEST(FilingJournal, AJournalThatCannotBeWrittenStopsTheFilingAndLosesNothing) {
  TCoreBed bed;
  bed.FakeEngine(kEngine);
  WriteFile(bed.temp / "drives/c/PDF/r.pdf", "Sample A");
  // A folder where the journal file should be: it can be neither opened nor made.
  fs::create_directories(bed.temp / kJournalFileName);
  bed.core->State().SetActionScript({"PDFMoveTo('C:\\Store\\a.pdf')"});
  bed.Mark();
  const TFilingOutcome outcome = bed.core->Automatic().FileOne("C:\\PDF\\r.pdf");
  EXPECT_EQ(outcome.end, TFilingEnd::kStayed);
  EXPECT_TRUE(outcome.emergencyStop);
  EXPECT_EQ(outcome.reason, "The journal cannot be written");
  EXPECT_TRUE(fs::exists(bed.temp / "drives/c/PDF/r.pdf"));
  EXPECT_FALSE(fs::exists(bed.temp / "drives/c/Store/a.pdf"));
  EXPECT_TRUE(bed.core->State().ErrorState());
  bool errRecord = false;
  for (const std::string& line : bed.Records())
    errRecord |= line.rfind("Err|Varnholt|Journal|Journal Not Written|", 0) == 0;
  EXPECT_TRUE(errRecord);
}

}  // namespace
}  // namespace varnholt::test
