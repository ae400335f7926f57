// EngineExchangeTest.cpp — what may go into the exchange files and what is taken out of them: one value
// per key, texts only from a successful EXTRACT, private file modes, one retry after a death by signal,
// and a report the engine names as unreadable going to FAILED while Automatic mode goes on.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>

#include "tests/core/RecordingPort.h"

namespace varnholt::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

bool Has(const std::vector<std::string>& records, const std::string& record) {
  return std::find(records.begin(), records.end(), record) != records.end();
}
bool HasStart(const std::vector<std::string>& records, const std::string& start) {
  return std::any_of(records.begin(), records.end(), [&](const std::string& r) { return r.starts_with(start); });
}
// The permission bits of a file, or -1 when it is missing.
int ModeOf(const fs::path& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? static_cast<int>(st.st_mode & 0777) : -1;
}

// An engine that keeps every request it was given and answers OK; EXTRACT gives the text "fresh".
constexpr const char* kKeepingEngine =
    "n=$(ls request-*.txt 2>/dev/null | wc -l); cp PDFENV.TXT request-$n.txt\n"
    "printf 'fresh\\r\\n' > PDF1.TXT; printf 'fresh2\\r\\n' > PDF2.TXT\n"
    "printf 'OK\\r\\nDone\\r\\n' > PDFRES.TXT";

struct TLineBreakCase {
  const char* name;
  std::string owner, user, key;
};

void PrintTo(const TLineBreakCase& c, std::ostream* out) {
  *out << c.name;
}

class RequestWriter : public testing::TestWithParam<TLineBreakCase> {};

TEST_P(RequestWriter, RefusesAValueWithALineBreakOrNulAndSendsNothing) {
  TCoreBed bed;
  bed.FakeEngine(kKeepingEngine);
  auto& state = bed.core->State();
  state.SetAutomatic(true);
  state.SetPasswords(GetParam().owner, GetParam().user);
  bed.core->Engine().ExecPDF({"PRINT", {"PDFFILE=C:\\PDF\\a.pdf", "PDFPRINTER=" + GetParam().key}});

  EXPECT_FALSE(fs::exists(bed.temp / "request-0.txt")) << "the engine must not run";
  EXPECT_FALSE(fs::exists(bed.temp / "PDFENV.TXT")) << "nothing is written";
  const auto records = bed.Records();
  ASSERT_FALSE(records.empty());
  EXPECT_TRUE(records[0].starts_with("Err|PdfReader|ExecPDF|PRINT|")) << records[0];
  // The record names the key; a password's value never reaches the log.
  EXPECT_EQ(records[0].find("secret"), std::string::npos) << records[0];
  EXPECT_FALSE(state.Automatic());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RequestWriter,
    testing::Values(TLineBreakCase{"OwnerLf", "secret\nPDFPAGES=1-1", "", "Lab"},
                    TLineBreakCase{"OwnerCrLf", "secret\r\nPDFACTION=DELPAGES", "", "Lab"},
                    TLineBreakCase{"UserCr", "", "secret\r", "Lab"},
                    TLineBreakCase{"UserNul", "", std::string("secret\0x", 8), "Lab"},
                    TLineBreakCase{"KeyLf", "", "", "Lab\nPDFACTION=DELPAGES"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ScriptRoutines, RefuseLineBreaksInValuesOfRequestKeysNamingTheRoutine) {
  struct TCase {
    const char* call;
    const char* routine;
  };
  const TCase cases[] = {
      {"WaterMarkPages(PDFFile, 'id', 'Draft' + NewLine + 'PDFPAGES=1-1')", "WaterMarkPages"},
      {"WaterMarkPages(PDFFile, 'a' + Chr(13) + 'b', 'Draft')", "WaterMarkPages"},
      {"CoverPage(PDFFile, 'Title' + Chr(13) + Chr(10) + 'PDFACTION=DELPAGES', 'one')", "CoverPage"},
      {"PDFPrintTo('Lab' + NewLine + 'PDFACTION=DELPAGES')", "PDFPrintTo"},
      {"PrintTo(PDFFile, 'Lab' + Chr(13) + 'x')", "PrintTo"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.call);
    TCoreBed bed;
    bed.FakeEngine(kKeepingEngine);
    WriteFile(bed.temp / "drives/c/PDF/r.pdf", "%PDF-1.4");
    bed.core->Loading().SelectAndLoad("C:\\PDF\\r.pdf");
    bed.core->State().SetActionScript({c.call});
    bed.Mark();
    bed.core->Action().Run();
    const auto records = bed.Records();
    EXPECT_TRUE(Has(records, "Err|Varnholt|ActionRun|Execution|Error"));
    const auto runtime = std::find_if(records.begin(), records.end(),
                                      [](const std::string& r) { return r.starts_with("Err|Script|Runtime|"); });
    ASSERT_NE(runtime, records.end());
    EXPECT_NE(runtime->find(c.routine), std::string::npos) << *runtime;
    // Only the EXTRACT of the load reached the engine.
    EXPECT_TRUE(fs::exists(bed.temp / "request-0.txt"));
    EXPECT_FALSE(fs::exists(bed.temp / "request-1.txt"));
  }
  // The cover page's own text is many lines by design: it goes to TEMPCP.TXT, one line per line.
  TCoreBed bed;
  bed.FakeEngine(kKeepingEngine);
  WriteFile(bed.temp / "drives/c/PDF/r.pdf", "%PDF-1.4");
  bed.core->Loading().SelectAndLoad("C:\\PDF\\r.pdf");
  bed.core->State().SetActionScript({"CoverPage(PDFFile, 'Title', 'one' + NewLine + 'two')"});
  bed.core->Action().Run();
  EXPECT_FALSE(bed.core->State().ErrorState());
  EXPECT_EQ(ReadFile(bed.temp / "TEMPCP.TXT"), "one\r\ntwo\r\n");
  EXPECT_EQ(ModeOf(bed.temp / "TEMPCP.TXT"), 0600);
  EXPECT_TRUE(fs::exists(bed.temp / "request-1.txt"));
}

struct TFailedLoadCase {
  const char* name;
  const char* engine;  // nullptr: no engine program at all
};

void PrintTo(const TFailedLoadCase& c, std::ostream* out) {
  *out << c.name;
}

class FailedLoad : public testing::TestWithParam<TFailedLoadCase> {};

TEST_P(FailedLoad, NeverLeavesTheTextsOfTheReportBefore) {
  TCoreBed bed;
  bed.FakeEngine(
      "printf 'first report\\r\\n' > PDF1.TXT; printf 'first raw\\r\\n' > PDF2.TXT; "
      "printf 'OK\\r\\nDone\\r\\n' > PDFRES.TXT");
  WriteFile(bed.temp / "drives/c/PDF/a.pdf", "%PDF-1.4");
  WriteFile(bed.temp / "drives/c/PDF/b.pdf", "%PDF-1.4");
  auto& state = bed.core->State();
  state.SetActionScript({"Log('seen', PDFText)"});
  bed.core->Loading().SelectAndLoad("C:\\PDF\\a.pdf");
  ASSERT_EQ(state.Text1(), "first report\r\n");

  if (GetParam().engine != nullptr) {
    bed.FakeEngine(GetParam().engine);
  } else {
    fs::remove(bed.temp / "PDF.EXE");
  }
  bed.core->Loading().SelectAndLoad("C:\\PDF\\b.pdf");
  EXPECT_EQ(state.Text1(), "");
  EXPECT_EQ(state.Text2(), "");
  EXPECT_EQ(bed.port.text1, "");

  bed.Mark();
  bed.core->Action().Run();
  const auto records = bed.Records();
  EXPECT_TRUE(Has(records, "Err|Varnholt|ActionRun|Texts Not Loaded|C:\\PDF\\b.pdf")) << testing::PrintToString(records);
  EXPECT_FALSE(HasStart(records, "Scr|Action|Script|")) << "the script must not run";
  EXPECT_FALSE(state.ActionIsProcessing());
}

INSTANTIATE_TEST_SUITE_P(Cases, FailedLoad,
                         testing::Values(TFailedLoadCase{"Dies", "kill -KILL $$"},
                                         TFailedLoadCase{"AnswersError", "printf 'Error\\r\\nbroken\\r\\n' > PDFRES.TXT"},
                                         TFailedLoadCase{"CannotStart", nullptr}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ExchangeFiles, AreOwnerOnlyAndAFailedRequestKeepsNoPassword) {
  TCoreBed bed;
  bed.FakeEngine("stat -c %a PDFENV.TXT > env-mode.txt; printf 'Error\\r\\nno such printer\\r\\n' > PDFRES.TXT");
  auto& state = bed.core->State();
  state.SetPasswords("boss", "lab");
  bed.core->Engine().ExecPDF({"PRINT", {"PDFFILE=C:\\PDF\\a.pdf", "PDFPRINTER=Lab"}});
  EXPECT_EQ(ReadFile(bed.temp / "env-mode.txt"), "600\n");
  // Kept for diagnosis, without the passwords.
  EXPECT_EQ(ReadFile(bed.temp / "PDFENV.TXT"),
            "PDFFILE=C:\\PDF\\a.pdf\r\nPDFPRINTER=Lab\r\nPDFACTION=PRINT\r\nPDFOWNER=(hidden)\r\nPDFUSER=(hidden)\r\n");
  EXPECT_EQ(ModeOf(bed.temp / "PDFENV.TXT"), 0600);
}

TEST(ExchangeFiles, AnEngineKilledBySignalIsAskedOnceMore) {
  TCoreBed bed;
  bed.FakeEngine(
      "if [ ! -e died ]; then touch died; kill -KILL $$; fi\n"
      "printf 'second try\\r\\n' > PDF1.TXT; : > PDF2.TXT; printf 'OK\\r\\nExtracted\\r\\n' > PDFRES.TXT");
  WriteFile(bed.temp / "drives/c/PDF/a.pdf", "%PDF-1.4");
  auto& state = bed.core->State();
  state.SetAutomatic(true);
  bed.core->Loading().SelectAndLoad("C:\\PDF\\a.pdf");
  EXPECT_EQ(state.Text1(), "second try\r\n");
  EXPECT_TRUE(state.Automatic());
  const auto records = bed.Records();
  EXPECT_FALSE(HasStart(records, "Err|")) << testing::PrintToString(records);
  EXPECT_TRUE(HasStart(records, "Msg|PdfReader|ExecPDF|EXTRACT|PDF.EXE ended by signal 9")) << testing::PrintToString(records);
  EXPECT_TRUE(Has(records, "Msg|PdfReader|ExecPDF|EXTRACT|Extracted"));

  // A second death is the engine error.
  bed.FakeEngine("kill -KILL $$");
  WriteFile(bed.temp / "drives/c/PDF/b.pdf", "%PDF-1.4");
  bed.Mark();
  bed.core->Loading().SelectAndLoad("C:\\PDF\\b.pdf");
  const auto again = bed.Records();
  EXPECT_TRUE(HasStart(again, "Err|PdfReader|ExecPDF|EXTRACT|PDF.EXE ended by signal 9")) << testing::PrintToString(again);
  EXPECT_TRUE(Has(again, "Err|Varnholt|EmergencyStop|Automatic|Stop"));
  EXPECT_FALSE(state.Automatic());
}

TEST(ExchangeFiles, AnEngineThatIgnoresTheTextLimitIsHeldToItWhenReading) {
  TCoreBed bed;
  // Answers OK with a text far beyond the limit it was sent.
  bed.FakeEngine(
      "grep -q '^PDFTEXTBYTES=1024' PDFENV.TXT && touch limit-sent.txt\n"
      "head -c 5000 /dev/zero | tr '\\0' x > PDF1.TXT; : > PDF2.TXT; printf 'OK\\r\\nDone\\r\\n' > PDFRES.TXT");
  bed.core->Loading().SetTextLimit(1024);
  WriteFile(bed.temp / "drives/c/PDF/a.pdf", "%PDF-1.4");
  bed.core->State().SetAutomatic(true);
  bed.core->Loading().SelectAndLoad("C:\\PDF\\a.pdf");
  EXPECT_TRUE(fs::exists(bed.temp / "limit-sent.txt"));
  EXPECT_EQ(bed.core->State().Text1(), "");
  EXPECT_EQ(bed.core->State().TextLoad(), TTextLoad::kUnreadable);
  EXPECT_NE(bed.core->State().TextLoadError().find("/Limits/TextBytes"), std::string::npos);
  EXPECT_TRUE(bed.core->State().Automatic());
}

// The OCR settings go into the request; what the engine says of OCR comes back as a Msg record and as
// the loaded texts' confidence, which no other file's texts inherit.
TEST(ExchangeFiles, OcrGoesOutAsKeysAndComesBackAsARecordAndTheTextsConfidence) {
  struct TCase {
    const char* name;
    TOcrMode mode;
    const char* language;
    const char* answerKeys;  // lines after the message, CR LF each
    const char* request;     // the OCR lines of PDFENV.TXT
    const char* record;      // the Msg record, "" when none
    int confidence;
  };
  const TCase cases[] = {
      {"ocr", TOcrMode::kPagesWithoutText, "eng", "OCRPAGES=2\\r\\nOCRCONFIDENCE=73\\r\\n",
       "PDFOCR=PagesWithoutText\r\nPDFOCRLANG=eng\r\n", "Msg|Varnholt|LoadContent|Text From OCR|mean confidence 73, 2 pages", 73},
      {"all pages", TOcrMode::kAllPages, "eng+deu", "OCRPAGES=1\\r\\nOCRCONFIDENCE=0\\r\\n",
       "PDFOCR=AllPages\r\nPDFOCRLANG=eng+deu\r\n", "Msg|Varnholt|LoadContent|Text From OCR|mean confidence 0, 1 page", 0},
      {"text layer", TOcrMode::kOff, "deu", "", "PDFOCR=Off\r\nPDFOCRLANG=deu\r\n", "", -1},
      {"nonsense", TOcrMode::kPagesWithoutText, "eng", "OCRPAGES=x\\r\\nOCRCONFIDENCE=900\\r\\n",
       "PDFOCR=PagesWithoutText\r\n", "", -1},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    TCoreBed bed;
    bed.FakeEngine(std::string("cp PDFENV.TXT seen.txt; printf 'a\\r\\n' > PDF1.TXT; : > PDF2.TXT\n") +
                   "printf 'OK\\r\\nDone\\r\\n" + c.answerKeys + "' > PDFRES.TXT");
    bed.core->Loading().SetOcr(c.mode, c.language);
    WriteFile(bed.temp / "drives/c/PDF/a.pdf", "%PDF-1.4");
    bed.core->Loading().SelectAndLoad("C:\\PDF\\a.pdf");
    EXPECT_NE(ReadFile(bed.temp / "seen.txt").find(c.request), std::string::npos) << ReadFile(bed.temp / "seen.txt");
    const auto records = bed.Records();
    EXPECT_EQ(HasStart(records, "Msg|Varnholt|LoadContent|Text From OCR"), *c.record != '\0');
    if (*c.record != '\0') {
      EXPECT_TRUE(Has(records, c.record)) << testing::PrintToString(records);
    }
    EXPECT_EQ(bed.core->State().Text1(), "a\r\n");
    EXPECT_EQ(bed.core->State().OcrConfidence(), c.confidence);
    bed.core->Loading().SelectAndLoad("");
    EXPECT_EQ(bed.core->State().OcrConfidence(), -1);
  }
}

// A pass of Automatic mode over the queue with a fake clock.
struct TPassBed : TCoreBed {
  std::chrono::system_clock::time_point now = std::chrono::system_clock::now();
  TPassBed() {
    core->SetClock([this] { return now; });
    core->State().SetPaperPrinter("[None]");
    core->State().SetActionScript({"PDFMoveTo('C:\\PDFSTORE\\' + PDFName)"});
    core->Automatic().sbAutomaticClick(true);
    Mark();
  }
  void Drop(const std::string& name, const std::string& bytes, int minutesAgo) {
    const fs::path path = temp / "drives/c/PDF" / name;
    WriteFile(path, bytes);
    fs::last_write_time(path, std::chrono::file_clock::from_sys(now - std::chrono::minutes(minutesAgo)));
  }
  void Passes(int count) {
    for (int i = 0; i < count; ++i) {
      now += 6s;
      core->Automatic().TimerAutomaticTimer();
    }
  }
};

TEST(UnreadableReports, GoToFailedWithTheirReasonAndAutomaticModeGoesOn) {
  TPassBed bed;
  bed.RealEngine();
  const fs::path samples = TestDataFolder() / "engine/reports";
  struct TCase {
    const char* sample;
    const char* reason;  // part of the engine's reason
  };
  const TCase cases[] = {{"ms_quant_report_truncated.pdf", "damaged"},
                         {"empty.pdf", "empty"},
                         {"not_a_pdf.pdf", "not a PDF"},
                         {"ms_quant_report_encrypted.pdf", "password"}};
  int age = 60;
  for (const TCase& c : cases) bed.Drop(c.sample, ReadFile(samples / c.sample), age--);
  bed.Drop("good.pdf", ReadFile(samples / "ms_quant_report.pdf"), age--);
  bed.Passes(6);

  const auto records = bed.Records();
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.sample);
    EXPECT_TRUE(fs::exists(bed.temp / "drives/c/PDF/FAILED" / c.sample));
    EXPECT_FALSE(fs::exists(bed.temp / "drives/c/PDF" / c.sample));
    const std::string start = std::string("Err|Varnholt|Automatic|Unreadable|C:\\PDF\\") + c.sample + ": ";
    const auto it = std::find_if(records.begin(), records.end(), [&](const std::string& r) { return r.starts_with(start); });
    ASSERT_NE(it, records.end()) << testing::PrintToString(records);
    EXPECT_NE(it->find(c.reason), std::string::npos) << *it;
    EXPECT_FALSE(Has(records, std::string("Scr|Action|ActionRun|Source|C:\\PDF\\") + c.sample))
        << "no script on an unreadable report";
  }
  EXPECT_FALSE(Has(records, "Err|Varnholt|EmergencyStop|Automatic|Stop"));
  EXPECT_TRUE(bed.core->State().Automatic());
  EXPECT_EQ(ReadFile(bed.temp / "drives/c/PDFSTORE/good.pdf"), ReadFile(samples / "ms_quant_report.pdf"));
}

TEST(UnreadableReports, AFailureOfTheSystemStillStopsAndLeavesTheReportInTheQueue) {
  TPassBed bed;
  bed.FakeEngine("printf 'Error\\r\\nDisk full\\r\\n' > PDFRES.TXT");
  bed.Drop("a.pdf", "%PDF-1.4", 5);
  bed.Passes(2);
  const auto records = bed.Records();
  EXPECT_TRUE(Has(records, "Err|PdfReader|ExecPDF|EXTRACT|Disk full"));
  EXPECT_TRUE(Has(records, "Err|Varnholt|EmergencyStop|Automatic|Stop"));
  EXPECT_FALSE(bed.core->State().Automatic());
  EXPECT_TRUE(fs::exists(bed.temp / "drives/c/PDF/a.pdf")) << "not the report's fault: it waits in the queue";
  EXPECT_FALSE(fs::exists(bed.temp / "drives/c/PDF/FAILED/a.pdf"));
}

}  // namespace
}  // namespace varnholt::test
