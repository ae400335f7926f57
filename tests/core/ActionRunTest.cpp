// ActionRunTest.cpp — action runs on a PDF through the core: the host routines as a script calls them
// (their records, results and engine requests), the Execute command, and every way a run can fail.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <ctime>
#include <thread>

#include "core/uStandardScript.h"
#include "platform/Locale.h"
#include "tests/core/RecordingPort.h"

namespace varnholt::test {
namespace {

// A fake engine: EXTRACT takes the text of C:\PDF\<name> as Text1, every other request is kept in
// request-<n>.txt and answered OK.
constexpr const char* kFakeEngine =
    "if grep -q '^PDFACTION=EXTRACT' PDFENV.TXT; then\n"
    "  f=$(sed -n 's/^PDFFILE=C:.PDF.//p' PDFENV.TXT | tr -d '\\r')\n"
    "  cp \"drives/c/PDF/$f\" PDF1.TXT; printf 'second\\r\\n' > PDF2.TXT\n"
    "else\n"
    "  n=$(ls request-*.txt 2>/dev/null | wc -l); cp PDFENV.TXT request-$n.txt\n"
    "fi\n"
    "printf 'OK\\r\\nDone\\r\\n' > PDFRES.TXT";

const std::string kMsReport = "Quantitation Report\r\nSample      : WW-2010-1234\r\nOperator : lab\r\n";

struct TRunBed : TCoreBed {
  TRunBed() { FakeEngine(kFakeEngine); }
  // Puts a report into the queue, selects it (its texts load) and runs the script on it.
  void Run(const std::vector<std::string>& script, const std::string& report = kMsReport,
           bool automatic = false) {
    WriteFile(temp / "drives/c/PDF/r.pdf", report);
    core->State().SetActionScript(script);
    core->State().SetAutomatic(automatic);
    core->Loading().SelectAndLoad("C:\\PDF\\r.pdf");
    Mark();
    core->Action().Run();
  }
  // The Data of every Scr record the script wrote with Log().
  std::vector<std::string> Logged() const {
    std::vector<std::string> data;
    for (const std::string& r : Records()) {
      if (r.rfind("Scr|Action|Script|", 0) == 0) data.push_back(r.substr(r.rfind('|') + 1));
    }
    return data;
  }
  bool Has(const std::string& record) const {
    const auto records = Records();
    return std::find(records.begin(), records.end(), record) != records.end();
  }
  std::string Request(int n) const { return ReadFile(temp / ("request-" + std::to_string(n) + ".txt")); }
};

TEST(ActionRun, StandardScriptFilesTheReportInAutomaticMode) {
  TRunBed bed;
  bed.Run(StandardScript(), kMsReport, true);
  EXPECT_EQ(ReadFile(bed.temp / "drives/c/PDFSTORE/WW-2010-1234.PDF"), kMsReport);
  EXPECT_FALSE(std::filesystem::exists(bed.temp / "drives/c/PDF/r.pdf"));
  EXPECT_EQ(bed.core->State().CurrentPdf(), "C:\\PDFSTORE\\WW-2010-1234.PDF");
  EXPECT_TRUE(bed.Has("Scr|Action|Script|SampleName|WW-2010-1234"));
  EXPECT_FALSE(bed.core->State().ActionIsProcessing());
}

TEST(ActionRun, StandardScriptOnlyLogsWhenNotAutomatic) {
  TRunBed bed;
  bed.Run(StandardScript(), "Some other report\r\n");
  EXPECT_TRUE(bed.Has("Err|Action|Script|Unrecognized|C:\\PDF\\FAILED\\r.pdf"));
  EXPECT_TRUE(std::filesystem::exists(bed.temp / "drives/c/PDF/r.pdf"));
}

TEST(ActionRun, HostRoutinesWriteTheirRecordsInOrder) {
  TRunBed bed;
  bed.Run({"x := PDFBetween('Sample', NewLine)"});
  const auto records = bed.Records();
  const auto at = std::find(records.begin(), records.end(), "Prc|Varnholt|s_PdfBetween||");
  ASSERT_NE(at, records.end());
  ASSERT_GE(records.end() - at, 3);
  EXPECT_EQ(at[1], "Prc|Varnholt|Between||");
  EXPECT_EQ(at[2], "Prc|Varnholt|TrimAll||");
  EXPECT_TRUE(bed.Has("Prc|Varnholt|DefineScriptFunction||"));
  EXPECT_TRUE(bed.Has("Scr|Action|ActionRun|Source|C:\\PDF\\r.pdf"));
}

TEST(ActionRun, EnvironmentRoutines) {
  TRunBed bed;
  bed.core->State().SetBrowserFolder("C:\\PDF\\FAILED");
  bed.Run({"Log('', PDFFile)", "Log('', PDFPath)", "Log('', PDFName)", "Log('', QueueFolder)",
           "Log('', FailedFolder)", "Log('', IntToStr(IsAutomatic))", "Log('', IntToStr(Length(NewLine)))",
           "Log('', Left(PDFText, 19))", "ActivateText2", "Log('', TrimAll(PDFText))", "Log('', '')"});
  EXPECT_EQ(bed.Logged(), (std::vector<std::string>{"C:\\PDF\\r.pdf", "C:\\PDF\\", "r.pdf", "C:\\PDF\\",
                                                    "C:\\PDF\\FAILED\\", "0", "1", "Quantitation Report",
                                                    "second", ""}));
}

struct TDateCase {
  const char* time;
  const char* format;
  const char* expected;
};

TEST(ActionRun, DateTimeReadsReportDates) {
  const TDateCase cases[] = {
      {"25.12.2010 14:30:00", "yyyy-mm-dd hh:nn", "2010-12-25 14:30"},
      {"12/25/2010 02:30:00 PM", "hh:nn", "14:30"},
      {"05/06/2010 00:00:00", "mm", "05"},
      {"05.06.2010 00:00:00", "mm", "06"},
      {"12-Jan-2010 10:11:12", "yyyymmdd", "20100112"},
      {"25/12/98 10:00", "yyyy", "1998"},
  };
  TRunBed bed;
  std::vector<std::string> script;
  for (const auto& c : cases) script.push_back(std::string("Log('', DateTime('") + c.time + "', '" + c.format + "'))");
  bed.Run(script);
  std::vector<std::string> expected;
  for (const auto& c : cases) expected.push_back(c.expected);
  EXPECT_EQ(bed.Logged(), expected);
  EXPECT_TRUE(bed.Has("Msg|Varnholt|CalcTime|25 12 2010 14 30 00|25-Dec-2010 14:30:00"));
}

TEST(ActionRun, UnreadableDateTakesTheFilesDateAndFailsWithoutAFile) {
  TRunBed bed;
  // 2010-12-25 reads as day 2010; the report was written just now, so its year is this year.
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  bed.Run({"Log('', DateTime('2010-12-25 10:11:12', 'yyyy'))", "PDFDelete", "DateTime('x:y', 'yyyy')"});
  EXPECT_EQ(bed.Logged(), std::vector<std::string>{std::to_string(local.tm_year + 1900)});
  EXPECT_TRUE(bed.Has("Err|Varnholt|ActionRun|Execution|Error"));
}

TEST(ActionRun, PdfOperationsSendTheirKeysInOrder) {
  TRunBed bed;
  bed.Run({"DeletePages(PDFFile, 3, 1)", "Repaginate(PDFFile, -50, -20)",
           "WaterMarkPages(' ' + PDFFile, ' ID ', ' Draft ')", "CoverPage(PDFFile, 'Title', NewLine + 'a' + NewLine + 'b' + NewLine + 'c' + NewLine)",
           "Protect('C:\\PDF\\missing.pdf')", "Protect(PDFFile)"});
  const std::string tail = "PDFOWNER=\r\nPDFUSER=\r\n";
  EXPECT_EQ(bed.Request(0), "PDFFILE=C:\\PDF\\r.pdf\r\nPDFPAGES=3-1\r\nPDFACTION=DELPAGES\r\n" + tail);
  EXPECT_EQ(bed.Request(1), "XOFFSET=-50\r\nYOFFSET=-20\r\nPDFFILE=C:\\PDF\\r.pdf\r\nPDFACTION=REPAGINATE\r\n" + tail);
  EXPECT_EQ(bed.Request(2), "WMIDENTIFIER=ID\r\nWMTEXT=Draft\r\nPDFFILE=C:\\PDF\\r.pdf\r\nPDFACTION=WATERMARK\r\n" + tail);
  EXPECT_EQ(bed.Request(3), "PDFTITLE=Title\r\nPDFFILE=C:\\PDF\\r.pdf\r\nPDFACTION=COVERPAGE\r\n" + tail);
  EXPECT_EQ(ReadFile(bed.temp / "TEMPCP.TXT"), "a\r\nb\r\nc\r\n");
  EXPECT_TRUE(bed.Has("Msg|Varnholt|Protect|Missing file|"));
  EXPECT_EQ(bed.Request(4), "PDFFILE=C:\\PDF\\r.pdf\r\nPDFACTION=PROTECT\r\n" + tail);
  EXPECT_FALSE(std::filesystem::exists(bed.temp / "request-5.txt"));
}

TEST(ActionRun, AppendingStartsASeriesThenAppendsByTheEngine) {
  TRunBed bed;
  bed.Run({"PDFAppendTo('C:\\Series\\S1')", "PDFAppendTo('C:\\Series\\S1')", "AppendToPDF('C:\\none.pdf')"});
  EXPECT_EQ(ReadFile(bed.temp / "drives/c/Series/S1.PDF"), kMsReport);
  EXPECT_TRUE(bed.Has("Msg|Varnholt|AppendTo|Fixed Extension|C:\\Series\\S1.PDF"));
  EXPECT_EQ(bed.Request(0), "PDFFILE=C:\\Series\\S1.PDF\r\nPDFFILE2=C:\\PDF\\r.pdf\r\nPDFACTION=APPENDPDF\r\nPDFOWNER=\r\nPDFUSER=\r\n");
  EXPECT_TRUE(bed.Has("Msg|Varnholt|AppendTo|Nothing to append|C:\\none.pdf"));
}

TEST(ActionRun, PrintingChecksFileAndPrinter) {
  TRunBed bed;
  bed.core->Printing().PrinterList = [] { return std::vector<std::string>{"Office Laser", "Adobe PDF"}; };
  bed.core->State().SetPaperPrinter("[none]");
  bed.Run({"Log('', IntToStr(PDFPrint))", "Log('', IntToStr(PDFPrintTo(' office LASER ')))",
           "Log('', IntToStr(Print('C:\\PDF\\nothing.pdf')))", "Log('', IntToStr(PrintTo(PDFFile, 'Gone')))"},
          kMsReport, true);
  EXPECT_EQ(bed.Logged(), (std::vector<std::string>{"0", "1", "0", "0"}));
  EXPECT_TRUE(bed.Has("Err|Varnholt|PrintTo|No printer selected|[none]"));
  EXPECT_EQ(bed.Request(0), "PDFFILE=C:\\PDF\\r.pdf\r\nPDFPRINTER=office LASER\r\nPDFACTION=PRINT\r\nPDFOWNER=\r\nPDFUSER=\r\n");
  EXPECT_TRUE(bed.Has("Err|Varnholt|PrintTo|File not found|C:\\PDF\\nothing.pdf"));
  EXPECT_TRUE(bed.Has("Err|Varnholt|PrintTo|Printer not found|Gone"));
  EXPECT_TRUE(bed.Has("Err|Varnholt|EmergencyStop|Automatic|Stop"));
  EXPECT_FALSE(bed.core->State().Automatic());
}

TEST(ActionRun, FillPaperPrintersLeavesOutPdfPrinters) {
  TRunBed bed;
  bed.core->Printing().FillPaperPrinters({"Adobe PDF", "Office Laser", "PDFCreator"});
  EXPECT_EQ(bed.core->State().PaperPrinterItems(), (std::vector<std::string>{"[None]", "Office Laser"}));
  EXPECT_EQ(bed.core->State().PaperPrinter(), "Office Laser");
  EXPECT_EQ(bed.port.calls.back(), "Printers [None] Office Laser / Office Laser");
  bed.core->State().SetPaperPrinter("Saved Printer");
  bed.core->Printing().FillPaperPrinters({});
  EXPECT_EQ(bed.core->State().PaperPrinter(), "Saved Printer");
}

TEST(ActionRun, AcrobatReaderIsNeverFoundHere) {
  TRunBed bed;
  const platform::TFormatSettings saved = platform::FormatSettings();
  platform::TFormatSettings comma = saved;
  comma.DecimalSeparator = ',';
  platform::SetFormatSettings(comma);
  bed.Run({"Log('', FloatToStr(2.5))", "PrintingByAcrobatReader", "Log('', FloatToStr(2.5))", "PrintingByVarnholt"});
  platform::SetFormatSettings(saved);
  EXPECT_TRUE(bed.Has("Err|Varnholt|PrintingByAcrobatReader|Acrobat Reader not installed|"));
  // From then on numbers convert with a dot, whatever the locale says.
  EXPECT_EQ(bed.Logged(), (std::vector<std::string>{"2,5", "2.5"}));
  EXPECT_FALSE(bed.core->State().PrintByAcrobatReader());
}

TEST(ActionRun, ExecuteStartsAProgramWithoutWaiting) {
  TRunBed bed;
  // The program writes its arguments only once the test lets it go (or after ten seconds): a run that
  // waited for it would find them written.
  WriteFile(bed.temp / "drives/c/Tools/slow.sh",
            "#!/bin/sh\ncd \"$(dirname \"$0\")\"\ni=0\n"
            "while [ ! -e go ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i+1)); done\n"
            "echo \"$1|$2\" > args.tmp && mv args.tmp args.txt\n");
  chmod((bed.temp / "drives/c/Tools/slow.sh").c_str(), 0755);
  bed.Run({"Log('', IntToStr(Execute('C:\\Tools\\slow.sh', '\"a b\" c')))", "Log('', IntToStr(Execute('C:\\Tools\\none.exe', '')))"});
  EXPECT_FALSE(std::filesystem::exists(bed.temp / "drives/c/Tools/args.txt"));
  const auto logged = bed.Logged();
  ASSERT_EQ(logged.size(), 2u);
  EXPECT_GT(std::stoi(logged[0]), 32);
  EXPECT_LE(std::stoi(logged[1]), 32);
  EXPECT_TRUE(bed.Has("Msg|Varnholt|Execute|C:\\Tools\\slow.sh|\"a b\" c"));
  // Let it finish, so it leaves nothing running behind the test.
  WriteFile(bed.temp / "drives/c/Tools/go", "");
  for (int i = 0; i < 200 && !std::filesystem::exists(bed.temp / "drives/c/Tools/args.txt"); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  EXPECT_EQ(ReadFile(bed.temp / "drives/c/Tools/args.txt"), "a b|c\n");
}

TEST(ActionRun, CompileErrorFailsTheRunWithPositionInTheMessage) {
  TRunBed bed;
  bed.Run({"x := 1", "if then"}, kMsReport, true);
  const auto records = bed.Records();
  EXPECT_TRUE(std::any_of(records.begin(), records.end(), [](const std::string& r) {
    return r.rfind("Err|Script|Compile|", 0) == 0 && r.find("|Line 2, Char") != std::string::npos;
  })) << testing::PrintToString(records);
  EXPECT_TRUE(bed.Has("Err|Varnholt|ActionRun|Execution|Error"));
  EXPECT_EQ(bed.port.calls.end()[-2].rfind("Message Execution Failed\nThe Script contains an error\n", 0), 0u)
      << bed.port.calls.end()[-2];
  EXPECT_FALSE(bed.core->State().Automatic());
  EXPECT_TRUE(bed.core->State().ErrorState());
  EXPECT_FALSE(bed.core->State().ActionIsProcessing());
  // The editor is asked to mark the line.
  EXPECT_TRUE(std::any_of(bed.port.calls.begin(), bed.port.calls.end(), [](const std::string& call) {
    return call.rfind("Mark 2,", 0) == 0;
  })) << testing::PrintToString(bed.port.calls);
}

TEST(ActionRun, RunTimeErrorShowsAnEmptySecondLine) {
  TRunBed bed;
  bed.Run({"x := 1 div 0"});
  EXPECT_EQ(bed.port.calls.end()[-2], "Message Execution Failed\n");
  EXPECT_TRUE(bed.Has("Err|Varnholt|ActionRun|Execution|Error"));
}

TEST(ActionRun, AScriptThatNeverEndsIsStopped) {
  TRunBed bed;
  // The core's clock moves a second at every look, so the run meets its limit without real time passing.
  auto now = std::chrono::system_clock::time_point(std::chrono::hours(24 * 365 * 30));
  int looks = 0;
  bed.core->SetClock([&] {
    ++looks;
    return now += std::chrono::seconds(1);
  });
  bed.core->Action().SetScriptTimeLimit(std::chrono::seconds(5));
  bed.Run({"while true do begin x := PDFLeft(3) end"}, kMsReport, true);
  EXPECT_TRUE(bed.Has("Err|Varnholt|ActionRun|Execution|Error"));
  const auto records = bed.Records();
  EXPECT_TRUE(std::any_of(records.begin(), records.end(), [](const std::string& r) {
    return r.rfind("Err|Script|Runtime|", 0) == 0 && r.find("still running") != std::string::npos;
  })) << testing::PrintToString(records);
  EXPECT_FALSE(bed.core->State().Automatic());
  EXPECT_TRUE(std::filesystem::exists(bed.temp / "drives/c/PDF/r.pdf"));
  EXPECT_GE(looks, 5);
}

TEST(ActionRun, ScriptTextFileHandlesAreClosedAfterTheRun) {
  TRunBed bed;
  for (int i = 0; i < 3; ++i) {
    bed.Run({"f := 0", "AssignFile(f, 'C:\\PDF\\out.txt')", "Rewrite(f)", "WriteLn(f, 'x')"});
    EXPECT_FALSE(bed.Has("Err|Varnholt|ActionRun|Execution|Error"));
  }
  EXPECT_EQ(ReadFile(bed.temp / "drives/c/PDF/out.txt").substr(0, 1), "x");
}

TEST(ExecuteCommand, RefusesWhatItCannotRun) {
  TRunBed bed;
  bed.core->Execute();
  EXPECT_EQ(bed.port.calls.back(), "Message First select a PDF File");

  WriteFile(bed.temp / "drives/c/PDF/Failed/f.pdf", kMsReport);
  bed.core->State().Select("C:\\PDF\\Failed\\f.pdf");
  bed.core->State().BeginTextLoad();
  bed.core->Execute();
  EXPECT_EQ(bed.port.calls.back(), "Message Can not execute in FAILED folder");

  ASSERT_TRUE(bed.core->State().TryBeginExecute());
  bed.port.calls.clear();
  bed.core->Execute();
  EXPECT_TRUE(bed.port.calls.empty());
}

TEST(ExecuteCommand, SwitchesAutomaticOffAndClearsAFileTheScriptMoved) {
  TRunBed bed;
  WriteFile(bed.temp / "drives/c/PDF/r.pdf", kMsReport);
  bed.core->State().SetActionScript({"Log('', IntToStr(IsAutomatic))", "PDFMoveTo('C:\\Done\\r.PDF')"});
  bed.core->State().SetAutomatic(true);
  bed.core->Loading().SelectAndLoad("C:\\PDF\\r.pdf");
  bed.Mark();
  bed.core->Execute();
  EXPECT_EQ(bed.Logged(), std::vector<std::string>{"0"});
  EXPECT_TRUE(std::filesystem::exists(bed.temp / "drives/c/Done/r.PDF"));
  EXPECT_EQ(bed.core->State().SelectedFile(), "");
  EXPECT_EQ(bed.core->State().LoadedFile(), "");
  EXPECT_EQ(bed.port.text1, "");
  EXPECT_FALSE(bed.core->State().ExecuteBusy());
}

TEST(ExecuteCommand, TheNextPassIsDueASecondAfterItOnTheCoresClock) {
  TRunBed bed;
  const auto now = std::chrono::system_clock::time_point(std::chrono::hours(24 * 365 * 30));
  bed.core->SetClock([now] { return now; });
  WriteFile(bed.temp / "drives/c/PDF/r.pdf", kMsReport);
  bed.core->State().SetActionScript({"x := 1"});
  bed.core->Loading().SelectAndLoad("C:\\PDF\\r.pdf");
  bed.core->Execute();
  EXPECT_EQ(bed.core->State().NextPassReference(), now + std::chrono::seconds(1));
}

}  // namespace
}  // namespace varnholt::test
