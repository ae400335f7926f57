// ExecPdfTest.cpp — the engine bridge with fake engine programs: what the request file holds, where the
// engine runs, and how every kind of answer in PDFRES.TXT is reported.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <thread>

#include "platform/CodePage.h"
#include "platform/FileLock.h"
#include "platform/Files.h"
#include "tests/core/RecordingPort.h"

namespace varnholt::test {
namespace {

bool Contains(const std::vector<std::string>& list, const std::string& item) {
  return std::find(list.begin(), list.end(), item) != list.end();
}

TEST(ExecPdf, WritesTheRequestAndRunsTheEngineInTheApplicationFolder) {
  TCoreBed bed;
  bed.FakeEngine("cp PDFENV.TXT seen.txt; pwd > cwd.txt; printf 'OK\\r\\nPrinted\\r\\n' > PDFRES.TXT");
  auto& state = bed.core->State();
  state.SetPasswords("boss", "lab");
  bed.core->Engine().ExecPDF({"PRINT", {"PDFFILE=C:\\PDF\\a.pdf", "PDFPRINTER=Lab"}});

  EXPECT_EQ(
      ReadFile(bed.temp / "seen.txt"),
      "PDFFILE=C:\\PDF\\a.pdf\r\nPDFPRINTER=Lab\r\nPDFACTION=PRINT\r\nPDFOWNER=boss\r\nPDFUSER=lab\r\n");
  EXPECT_EQ(std::filesystem::path(
                ReadFile(bed.temp / "cwd.txt").substr(0, ReadFile(bed.temp / "cwd.txt").size() - 1)),
            std::filesystem::canonical(bed.AppFolder()));
  EXPECT_TRUE(state.EngineRan());
  EXPECT_EQ(bed.Records(), std::vector<std::string>{"Msg|PdfReader|ExecPDF|PRINT|Printed"});
  // A successful request leaves no exchange file behind.
  EXPECT_FALSE(std::filesystem::exists(bed.temp / "PDFENV.TXT"));
  EXPECT_FALSE(std::filesystem::exists(bed.temp / "PDFRES.TXT"));
}

struct TAnswerCase {
  const char* name;
  const char* engine;  // shell commands of the fake engine
  bool error;
  const char* message;
};

void PrintTo(const TAnswerCase& c, std::ostream* out) {
  *out << c.name;
}

class ExecPdfAnswer : public testing::TestWithParam<TAnswerCase> {};

TEST_P(ExecPdfAnswer, IsReportedAndStopsAutomaticModeOnError) {
  TCoreBed bed;
  bed.FakeEngine(GetParam().engine);
  // An answer left over from an earlier run must never be taken for this run's answer.
  WriteFile(bed.temp / "PDFRES.TXT", "OK\r\nstale answer\r\n");
  bed.core->State().SetAutomatic(true);
  bed.core->Engine().ExecPDF({"PROTECT", {"PDFFILE=C:\\PDF\\a.pdf"}});

  const auto records = bed.Records();
  const std::string type = GetParam().error ? "Err" : "Msg";
  ASSERT_FALSE(records.empty());
  // The engine's answer is the last record of the request (a retry after a death by signal notes itself).
  std::string reported;
  for (const std::string& r : records) {
    if (r.find("|PdfReader|ExecPDF|PROTECT|") != std::string::npos) reported = r;
  }
  EXPECT_EQ(reported, type + "|PdfReader|ExecPDF|PROTECT|" + GetParam().message);
  EXPECT_EQ(bed.core->State().Automatic(), !GetParam().error);
  EXPECT_EQ(Contains(records, "Err|Varnholt|EmergencyStop|Automatic|Stop"), GetParam().error);
  // After an error the request stays for whoever looks into it; the answer file never stays.
  EXPECT_EQ(std::filesystem::exists(bed.temp / "PDFENV.TXT"), GetParam().error);
  EXPECT_FALSE(std::filesystem::exists(bed.temp / "PDFRES.TXT"));
  EXPECT_TRUE(bed.core->State().EngineRan());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExecPdfAnswer,
    testing::Values(
        TAnswerCase{"Ok", "printf 'OK\\r\\nDone\\r\\n' > PDFRES.TXT", false, "Done"},
        TAnswerCase{"Missing", "true", true, "Unknown Result"},
        TAnswerCase{"Empty", ": > PDFRES.TXT", true, "Unknown Result"},
        TAnswerCase{"OneLineOk", "printf 'OK\\r\\n' > PDFRES.TXT", false, "Error"},
        TAnswerCase{"OneLineError", "printf 'Error' > PDFRES.TXT", true, "Error"},
        TAnswerCase{"LowerCase", "printf 'error\\r\\nDisk full\\r\\n' > PDFRES.TXT", true, "Disk full"},
        TAnswerCase{"UpperCase", "printf 'ERROR\\r\\nNo such page\\r\\n' > PDFRES.TXT", true, "No such page"},
        TAnswerCase{"MixedCase", "printf 'eRRoR\\nLF only\\n' > PDFRES.TXT", true, "LF only"},
        TAnswerCase{"OtherStatus", "printf 'Warning\\r\\nOdd\\r\\n' > PDFRES.TXT", false, "Odd"},
        TAnswerCase{"ExtraLines", "printf 'OK\\r\\nFirst\\r\\nSecond\\r\\n' > PDFRES.TXT", false, "First"},
        TAnswerCase{"Crashed", "kill -SEGV $$", true,
                    "PDF.EXE ended by signal 11 (Segmentation fault) twice; the request got no answer"},
        TAnswerCase{"ExitCodeIgnored", "printf 'OK\\r\\nFine\\r\\n' > PDFRES.TXT; exit 3", false, "Fine"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ExecPdf, AnEngineThatCannotStartIsAnError) {
  for (const bool present : {false, true}) {
    TCoreBed bed;
    if (present) {
      // There, but not a program that can run.
      WriteFile(bed.temp / "PDF.EXE", "not a program");
      chmod((bed.temp / "PDF.EXE").c_str(), 0644);
    }
    bed.core->State().SetAutomatic(true);
    bed.core->Engine().ExecPDF({"EXTRACT", {}});
    const auto records = bed.Records();
    ASSERT_GE(records.size(), 2u);
    EXPECT_TRUE(records[0].starts_with("Err|PdfReader|ExecPDF|EXTRACT|")) << records[0];
    EXPECT_GT(records[0].size(), std::string("Err|PdfReader|ExecPDF|EXTRACT|").size())
        << "the system's reason";
    EXPECT_EQ(records[1], "Err|PdfReader|ExecPDF|EXTRACT|Unknown Result");
    EXPECT_FALSE(bed.core->State().EngineRan());
    EXPECT_FALSE(bed.core->State().Automatic());
  }
}

TEST(ExecPdf, ARequestThatCannotBeWrittenDoesNotRunTheEngine) {
  TCoreBed bed;
  bed.FakeEngine("touch ran.txt; printf 'OK\\r\\nx\\r\\n' > PDFRES.TXT");
  // A folder where the request file should be: the old request must not run again.
  std::filesystem::create_directories(bed.temp / "PDFENV.TXT");
  bed.core->State().SetAutomatic(true);
  bed.core->Engine().ExecPDF({"DELPAGES", {}});
  EXPECT_FALSE(std::filesystem::exists(bed.temp / "ran.txt"));
  const auto records = bed.Records();
  ASSERT_FALSE(records.empty());
  EXPECT_TRUE(records[0].starts_with("Err|PdfReader|ExecPDF|DELPAGES|")) << records[0];
  EXPECT_FALSE(bed.core->State().Automatic());
}

TEST(ExecPdf, TakesTheApplicationFoldersTurnAndGivesUpClearlyAfterTheWait) {
  using namespace std::chrono_literals;
  TCoreBed bed;
  // The engine notes whether it could lock the folder itself: it must find the turn taken.
  bed.FakeEngine(
      "flock -n PDFENV.LCK true || touch turn-taken.txt; touch ran.txt; printf 'OK\\r\\nx\\r\\n' > "
      "PDFRES.TXT");
  WriteFile(bed.temp / "drives/c/PDF/a.pdf", "%PDF-1.4");
  auto& state = bed.core->State();
  EXPECT_EQ(bed.core->Engine().EngineWait(), 15min);

  // Another request of this folder (another process, or another core) holds the turn.
  platform::TFileLock other;
  ASSERT_TRUE(other.Acquire(bed.temp / kEngineLockFile, 1s).ok());
  bed.core->Engine().SetEngineWait(100ms);
  state.SetAutomatic(true);
  bed.core->Engine().ExecPDF({"PRINT", {"PDFFILE=C:\\PDF\\a.pdf", "PDFPRINTER=Lab"}});
  EXPECT_FALSE(std::filesystem::exists(bed.temp / "ran.txt"));
  EXPECT_FALSE(std::filesystem::exists(bed.temp / "PDFENV.TXT"));
  auto records = bed.Records();
  ASSERT_FALSE(records.empty());
  EXPECT_TRUE(
      records[0].starts_with("Err|PdfReader|ExecPDF|PRINT|The PDF engine of this application folder "
                             "was busy with other requests for 100 ms; this request was not sent"))
      << records[0];
  EXPECT_FALSE(state.Automatic());
  EXPECT_FALSE(state.EngineRan());

  // Loading a file waits in the same way and then loads nothing.
  bed.Mark();
  state.Select("C:\\PDF\\a.pdf");
  bed.core->Loading().LoadContent();
  EXPECT_FALSE(std::filesystem::exists(bed.temp / "ran.txt"));
  EXPECT_TRUE(state.LoadedFile().empty());
  EXPECT_TRUE(Contains(bed.Records(),
                       "Err|PdfReader|ExecPDF|EXTRACT|The PDF engine of this application folder "
                       "was busy with other requests for 100 ms; this request was not sent (\"" +
                           platform::Utf8ToCp1252((bed.temp / kEngineLockFile).string()) +
                           "\" stayed locked by another holder)"));

  // A request that finds the turn taken waits for it and then runs.
  bed.Mark();
  bed.core->Engine().SetEngineWait(30s);
  std::thread release([&] {
    std::this_thread::sleep_for(200ms);
    other.Release();
  });
  bed.core->Engine().ExecPDF({"PRINT", {}});
  release.join();
  EXPECT_TRUE(std::filesystem::exists(bed.temp / "ran.txt"));
  EXPECT_TRUE(std::filesystem::exists(bed.temp / "turn-taken.txt"));
  EXPECT_EQ(bed.Records(), std::vector<std::string>{"Msg|PdfReader|ExecPDF|PRINT|x"});
  // The turn ends with the request.
  EXPECT_TRUE(other.Acquire(bed.temp / kEngineLockFile, 0ms).ok());
}

TEST(ExecPdf, ALockFileThatCannotBeOpenedIsAnEngineErrorAtOnce) {
  TCoreBed bed;
  bed.FakeEngine("touch ran.txt; printf 'OK\\r\\nx\\r\\n' > PDFRES.TXT");
  std::filesystem::create_directories(bed.temp / kEngineLockFile);
  bed.core->State().SetAutomatic(true);
  bed.core->Engine().ExecPDF({"WATERMARK", {}});
  EXPECT_FALSE(std::filesystem::exists(bed.temp / "ran.txt"));
  const auto records = bed.Records();
  ASSERT_FALSE(records.empty());
  EXPECT_TRUE(
      records[0].starts_with("Err|PdfReader|ExecPDF|WATERMARK|No turn at the PDF engine: Cannot open the "
                             "lock file"))
      << records[0];
  EXPECT_FALSE(bed.core->State().Automatic());
}

TEST(ExecPdf, AHungEngineIsEndedAfterItsTimeLimitAndCountsAsAnError) {
  using namespace std::chrono_literals;
  TCoreBed bed;
  // The answer would come far too late; the engine must be gone before it writes it.
  bed.FakeEngine("sleep 30; printf 'OK\\r\\nlate\\r\\n' > PDFRES.TXT");
  bed.core->Engine().SetEngineTimeLimit(300ms);
  bed.core->State().SetAutomatic(true);
  const auto start = std::chrono::steady_clock::now();
  bed.core->Engine().ExecPDF({"PRINT", {}});
  EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
  const auto records = bed.Records();
  ASSERT_FALSE(records.empty());
  EXPECT_TRUE(records[0].starts_with("Err|PdfReader|ExecPDF|PRINT|")) << records[0];
  EXPECT_NE(records[0].find("did not end"), std::string::npos) << records[0];
  EXPECT_TRUE(std::find(records.begin(), records.end(), "Err|Varnholt|EmergencyStop|Automatic|Stop") != records.end());
  EXPECT_FALSE(bed.core->State().Automatic());
}

}  // namespace
}  // namespace varnholt::test
