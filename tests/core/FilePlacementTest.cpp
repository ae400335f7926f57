// FilePlacementTest.cpp — moving and copying the current PDF: destination cleaning, numbered names, every
// failure row, and that the PDF is never lost or half written.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <functional>

#include "core/uStandardScript.h"
#include "hostlib/uHostErrors.h"
#include "tests/core/RecordingPort.h"

namespace varnholt::test {
namespace {

const std::string kReport = "%PDF-1.4 report bytes\n";

// A bed with C:\PDF\x.pdf as the current PDF and an Archive folder on C:.
struct TPlacementBed : TCoreBed {
  TPlacementBed() {
    WriteFile(temp / "drives/c/PDF/x.pdf", kReport);
    core->State().ReportMovedTo("C:\\PDF\\x.pdf");
    core->State().SetAutomatic(true);
    Mark();
  }
  bool Exists(const char* relative) const { return std::filesystem::exists(temp / "drives/c" / relative); }
  std::string Read(const char* relative) const { return ReadFile(temp / "drives/c" / relative); }
  bool HasRecord(const std::string& record) const {
    const auto records = Records();
    return std::find(records.begin(), records.end(), record) != records.end();
  }
};

struct TMoveCase {
  const char* name;
  const char* destination;
  const char* arrivesAt;  // relative to drive C
  const char* record;     // one record the move must write
};

class PdfMoveTo : public testing::TestWithParam<TMoveCase> {};

TEST_P(PdfMoveTo, CleansTheDestinationAndMovesTheReportWhole) {
  TPlacementBed bed;
  const TMoveCase& c = GetParam();
  bed.core->Placement().PdfCopyMoveTo(c.destination, true);
  EXPECT_EQ(bed.Read(c.arrivesAt), kReport);
  EXPECT_FALSE(bed.Exists("PDF/x.pdf"));
  EXPECT_EQ(
      bed.core->State().CurrentPdf(), std::string("C:\\") + [&] {
        std::string p = c.arrivesAt;
        for (char& ch : p) ch = ch == '/' ? '\\' : ch;
        return p;
      }());
  EXPECT_TRUE(bed.HasRecord(c.record)) << c.record;
  EXPECT_TRUE(bed.core->State().Automatic());
}

INSTANTIATE_TEST_SUITE_P(
    Destinations, PdfMoveTo,
    testing::Values(
        TMoveCase{"FolderLikeName", "C:\\Archive\\S1\\", "Archive/S1.PDF", "Msg|Varnholt|PdfCopyMoveTo|Fixed Extension|C:\\Archive\\S1.PDF"},
        TMoveCase{"DotInName", "  C:\\Archive\\Lot 12.5 \r\n", "Archive/Lot 12.PDF", "Msg|Varnholt|PdfCopyMoveTo|Copy|C:\\Archive\\Lot 12.5"},
        TMoveCase{"LowerCaseExtension", "C:\\Archive\\S1.pdf", "Archive/S1.pdf", "Scr|Action|MoveTo|Destination|C:\\Archive\\S1.pdf"},
        TMoveCase{"ForbiddenChars", "C:\\Archive\\A/B?.PDF", "Archive/A_B_.PDF", "Msg|Varnholt|FixFileName|Fixed chars|C:\\Archive\\A_B_.PDF"},
        TMoveCase{"ColonInName", "C:\\Archive\\x:y.PDF", "Archive/x_y.PDF", "Msg|Varnholt|PdfCopyMoveTo|Done|C:\\Archive\\x_y.PDF"},
        TMoveCase{"DoubledBackslashes", "C:\\\\Archive\\\\\\Sub\\S2.PDF", "Archive/Sub/S2.PDF", "Msg|Varnholt|PdfCopyMoveTo|Force Folder|C:\\Archive\\Sub"},
        TMoveCase{"SubFolderOfTheQueue", "C:\\PDF\\Sub\\x.PDF", "PDF/Sub/x.PDF", "Msg|Varnholt|PdfCopyMoveTo|Done|C:\\PDF\\Sub\\x.PDF"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PdfMoveToTakenName, NumbersTheNewFileAndKeepsTheOld) {
  TPlacementBed bed;
  WriteFile(bed.temp / "drives/c/Archive/S1.PDF", "older");
  bed.core->Placement().PdfCopyMoveTo("C:\\Archive\\S1.PDF", true);
  EXPECT_EQ(bed.Read("Archive/S1.PDF"), "older");
  EXPECT_EQ(bed.Read("Archive/S1_0000.PDF"), kReport);
  EXPECT_TRUE(bed.HasRecord("Msg|Varnholt|PdfCopyMoveTo|File Counter|C:\\Archive\\S1_0000.PDF"));

  WriteFile(bed.temp / "drives/c/PDF/x.pdf", "next");
  bed.core->State().ReportMovedTo("C:\\PDF\\x.pdf");
  bed.core->Placement().PdfCopyMoveTo("C:\\Archive\\S1.PDF", true);
  EXPECT_EQ(bed.Read("Archive/S1_0001.PDF"), "next");
}

struct TFailureCase {
  const char* name;
  const char* destination;
  const char* errText;
  bool toFailed;       // the PDF ends in C:\PDF\FAILED
  bool stopsAutomatic;
};

class PdfCopyMoveToFailure : public testing::TestWithParam<std::tuple<TFailureCase, bool>> {};

TEST_P(PdfCopyMoveToFailure, NeverLosesThePdf) {
  const auto& [c, move] = GetParam();
  TPlacementBed bed;
  bed.core->Placement().PdfCopyMoveTo(c.destination, move);
  const auto records = bed.Records();
  const std::string prefix = std::string("Err|Varnholt|PdfCopyMoveTo|") + c.errText + "|";
  EXPECT_TRUE(std::any_of(records.begin(), records.end(),
                          [&](const std::string& r) { return r.rfind(prefix, 0) == 0; }))
      << prefix;
  if (c.toFailed) {
    EXPECT_EQ(bed.Read("PDF/FAILED/x.pdf"), kReport);
    EXPECT_FALSE(bed.Exists("PDF/x.pdf"));
    EXPECT_EQ(bed.core->State().CurrentPdf(), "C:\\PDF\\FAILED\\x.pdf");
  } else {
    EXPECT_EQ(bed.Read("PDF/x.pdf"), kReport);
  }
  EXPECT_EQ(bed.core->State().Automatic(), !c.stopsAutomatic);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PdfCopyMoveToFailure,
    testing::Combine(
        testing::Values(TFailureCase{"EmptyDestination", " \t ", "Empty Destination Path", true, false},
                        TFailureCase{"SameFolder", "c:\\pdf\\y.PDF", "Same Destination Folder", true, false},
                        TFailureCase{"OnlyExtension", "C:\\Archive\\.PDF", "Empty Destination FileName", true, false},
                        TFailureCase{"FolderCannotBeMade", "Q:\\Archive\\y.PDF", "Force Folder Failed", false, true}),
        testing::Bool()),
    [](const auto& info) {
      return std::string(std::get<0>(info.param).name) + (std::get<1>(info.param) ? "Move" : "Copy");
    });

TEST(PdfCopyMoveTo, MissingSourceDoesNothingElse) {
  TPlacementBed bed;
  bed.core->State().ReportMovedTo("C:\\PDF\\gone.pdf");
  bed.core->Placement().PdfCopyMoveTo("C:\\Archive\\y.PDF", true);
  EXPECT_EQ(bed.Records(), (std::vector<std::string>{"Prc|Varnholt|PdfCopyMoveTo||",
                                                     "Err|Varnholt|PdfCopyMoveTo|Missing Source|C:\\PDF\\gone.pdf"}));
  EXPECT_FALSE(bed.Exists("Archive"));
}

TEST(PdfCopyMoveTo, BareFileNameEndsTheRunWithARunTimeError) {
  TPlacementBed bed;
  EXPECT_THROW(
      {
        try {
          bed.core->Placement().PdfCopyMoveTo("Sample", true);
        } catch (const EHostError& e) {
          EXPECT_STREQ(e.what(), "Unable to create directory");
          throw;
        }
      },
      EHostError);
  EXPECT_EQ(bed.Read("PDF/x.pdf"), kReport);
}

TEST(PdfCopyMoveTo, NameTakenAfterTheCheckSendsThePdfToFailedAndKeepsTheOtherFile) {
  TPlacementBed bed;
  // A dangling link is invisible to the existence check but still holds the name, as a file another
  // program creates between the check and the copy would.
  std::filesystem::create_directories(bed.temp / "drives/c/Archive");
  std::filesystem::create_symlink(bed.temp / "nowhere", bed.temp / "drives/c/Archive/S1.PDF");
  bed.core->Placement().PdfCopyMoveTo("C:\\Archive\\S1.PDF", true);
  EXPECT_TRUE(bed.HasRecord(
      "Err|Varnholt|PdfCopyMoveTo|Copy Failed|C:\\Archive\\S1.PDF: The file already exists: \"" +
      (bed.temp / "drives/c/Archive/S1.PDF").string() + "\""));
  EXPECT_EQ(bed.Read("PDF/FAILED/x.pdf"), kReport);
  EXPECT_TRUE(std::filesystem::is_symlink(bed.temp / "drives/c/Archive/S1.PDF"));
}

TEST(PdfCopyTo, LeavesTheCurrentPdfWhereItIs) {
  TPlacementBed bed;
  bed.core->Placement().PdfCopyMoveTo("C:\\Archive\\copy.PDF", false);
  EXPECT_EQ(bed.Read("Archive/copy.PDF"), kReport);
  EXPECT_EQ(bed.Read("PDF/x.pdf"), kReport);
  EXPECT_EQ(bed.core->State().CurrentPdf(), "C:\\PDF\\x.pdf");
  EXPECT_TRUE(bed.HasRecord("Scr|Action|CopyTo|Destination|C:\\Archive\\copy.PDF"));
}

TEST(FileCounter, FindsTheNextFreeNumber) {
  TPlacementBed bed;
  for (const char* name : {"Report.PDF", "Report_0012.PDF", "Report_0013.PDF", "Report_1.PDF"}) {
    WriteFile(bed.temp / "drives/c/A" / name, "x");
  }
  EXPECT_EQ(bed.core->Placement().FileCounter("C:\\A\\Free.PDF"), "C:\\A\\Free.PDF");
  EXPECT_EQ(bed.core->Placement().FileCounter("C:\\A\\Report.PDF"), "C:\\A\\Report_0000.PDF");
  EXPECT_EQ(bed.core->Placement().FileCounter("C:\\A\\Report_0012.PDF"), "C:\\A\\Report_0014.PDF");
  EXPECT_EQ(bed.core->Placement().FileCounter("C:\\A\\Report_1.PDF"), "C:\\A\\Report_1_0000.PDF");
}

TEST(LastPDFFile, GivesTheHighestNumberOfASeries) {
  TPlacementBed bed;
  WriteFile(bed.temp / "drives/c/Archive/S1.PDF", "x");
  EXPECT_EQ(bed.core->Placement().LastPDFFile(" C:\\Archive\\S1 "), "C:\\Archive\\S1.PDF");
  for (const char* name : {"S1_0000.PDF", "s1_0003.pdf", "S1_12.PDF", "S2_0009.PDF"}) {
    WriteFile(bed.temp / "drives/c/Archive" / name, "x");
  }
  EXPECT_EQ(bed.core->Placement().LastPDFFile("C:\\Archive\\S1"), "C:\\Archive\\s1_0003.pdf");
}

TEST(CopyAndDeleteFile, ReportByResultAndRecords) {
  TPlacementBed bed;
  WriteFile(bed.temp / "drives/c/Archive/t.PDF", "keep");
  EXPECT_FALSE(bed.core->Placement().CopyFile("C:\\PDF\\x.pdf", "C:\\Archive\\t.PDF"));
  EXPECT_EQ(bed.Read("Archive/t.PDF"), "keep");
  EXPECT_TRUE(bed.HasRecord("Err|Varnholt|CopyFile|Failed|The file already exists: \"" +
                            (bed.temp / "drives/c/Archive/t.PDF").string() + "\""));

  EXPECT_FALSE(bed.core->Placement().DeleteFile("C:\\PDF\\none.pdf"));
  EXPECT_TRUE(bed.HasRecord("Msg|Varnholt|DeleteFile|Not existing|C:\\PDF\\none.pdf"));
  EXPECT_TRUE(bed.core->Placement().DeleteFile("C:\\Archive\\t.PDF"));
  EXPECT_TRUE(bed.HasRecord("Msg|Varnholt|DeleteFile|Deleted|C:\\Archive\\t.PDF"));
  EXPECT_TRUE(bed.core->State().Automatic());
}

TEST(MoveToFailed, NumbersAFileOfTheSameNameInsteadOfReplacingIt) {
  TPlacementBed bed;
  WriteFile(bed.temp / "drives/c/PDF/FAILED/x.pdf", "earlier");
  EXPECT_TRUE(bed.core->Placement().MoveToFailed("C:\\PDF\\x.pdf"));
  EXPECT_EQ(bed.Read("PDF/FAILED/x.pdf"), "earlier");
  EXPECT_EQ(bed.Read("PDF/FAILED/x_0000.pdf"), kReport);
  EXPECT_EQ(bed.core->State().CurrentPdf(), "C:\\PDF\\FAILED\\x_0000.pdf");
}

// The queue with the standard script and an engine whose text of a report is the report itself.
struct TQueueBed : TCoreBed {
  std::chrono::system_clock::time_point now = std::chrono::system_clock::now();
  TQueueBed() {
    FakeEngine(
        "f=$(sed -n 's/^PDFFILE=C:.PDF.//p' PDFENV.TXT | tr -d '\\r')\n"
        "cp \"drives/c/PDF/$f\" PDF1.TXT 2>/dev/null; : > PDF2.TXT; printf 'OK\\r\\nDone\\r\\n' > "
        "PDFRES.TXT");
    core->SetClock([this] { return now; });
    core->State().SetActionScript(StandardScript());
    core->State().SetPaperPrinter("[None]");
    core->Automatic().sbAutomaticClick(true);
    Mark();
  }
  void Pass() {
    now += std::chrono::seconds(6);
    core->Automatic().TimerAutomaticTimer();
  }
  std::vector<std::string> Files(const char* relative) const {
    std::vector<std::string> names;
    const auto folder = temp / "drives/c" / relative;
    if (!std::filesystem::is_directory(folder)) return names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
      if (!e.is_directory()) names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }
  bool HasRecord(const std::string& record) const {
    const auto records = Records();
    return std::find(records.begin(), records.end(), record) != records.end();
  }
};

struct TSampleCase {
  const char* name;
  const char* sample;      // the sample name the report carries
  const char* record;      // a record the pass must write
  const char* failedFile;  // the report's name in C:\PDF\FAILED afterwards, or nullptr when it was filed
  const char* filedAt;     // where it was filed (relative to drive C), when it was
};

class SampleNameSteering : public testing::TestWithParam<TSampleCase> {};

// A sample name is report text: whatever it holds, the report is filed once or lands in FAILED once,
// and never goes back into the queue.
TEST_P(SampleNameSteering, NeverLeadsTheReportBackIntoTheQueue) {
  const TSampleCase& c = GetParam();
  TQueueBed bed;
  const std::string report = std::string("Quantitation Report\r\nSample      : ") + c.sample + "\r\n";
  WriteFile(bed.temp / "drives/c/PDF/r.pdf", report);
  bed.Pass();
  EXPECT_TRUE(bed.HasRecord(c.record)) << c.record;
  EXPECT_EQ(bed.Files("PDF"), std::vector<std::string>{}) << "nothing may be left in the queue";
  if (c.failedFile != nullptr) {
    EXPECT_EQ(bed.Files("PDF/FAILED"), std::vector<std::string>{c.failedFile});
    EXPECT_EQ(ReadFile(bed.temp / "drives/c/PDF/FAILED" / c.failedFile), report);
  } else {
    EXPECT_EQ(bed.Files("PDF/FAILED"), std::vector<std::string>{});
    EXPECT_EQ(ReadFile(bed.temp / "drives/c" / c.filedAt), report);
  }
  EXPECT_TRUE(bed.core->State().Automatic()) << "a refused destination is no reason to stop the service";
  bed.Pass();
  EXPECT_EQ(bed.Files("PDF"), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(
    Samples, SampleNameSteering,
    testing::Values(
        TSampleCase{"BackIntoTheQueue", "..\\PDF\\loop",
                    "Err|Varnholt|PdfCopyMoveTo|Same Destination Folder|C:\\PDF\\loop.PDF", "r.pdf", nullptr},
        TSampleCase{"HiddenInTheQueue", "..\\PDF\\.x",
                    "Err|Varnholt|PdfCopyMoveTo|Same Destination Folder|C:\\PDF\\.x.PDF", "r.pdf", nullptr},
        TSampleCase{"Hidden", ".x",
                    "Err|Varnholt|PdfCopyMoveTo|Invalid Destination FileName|C:\\PDFSTORE\\.x.PDF", "r.pdf",
                    nullptr},
        TSampleCase{"UpToTheRoot", "..\\rootfile", "Msg|Varnholt|PdfCopyMoveTo|Done|C:\\rootfile.PDF",
                    nullptr, "rootfile.PDF"},
        TSampleCase{"AboveTheRoot", "..\\..\\..\\deep", "Msg|Varnholt|PdfCopyMoveTo|Done|C:\\deep.PDF",
                    nullptr, "deep.PDF"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PdfCopyMoveTo, RefusesTheQueueFolderFromAnywhereElse) {
  TPlacementBed bed;
  WriteFile(bed.temp / "drives/c/Store/a.pdf", kReport);
  bed.core->State().ReportMovedTo("C:\\Store\\a.pdf");
  bed.core->Placement().PdfCopyMoveTo("C:\\Store\\..\\pdf\\b", false);
  EXPECT_TRUE(bed.HasRecord("Err|Varnholt|PdfCopyMoveTo|Destination In Queue Folder|C:\\pdf\\b.PDF"));
  EXPECT_EQ(bed.Read("Store/FAILED/a.pdf"), kReport);
  EXPECT_FALSE(bed.Exists("PDF/b.PDF"));
  // CopyFile refuses it as well, and a subfolder of the queue is no queue.
  EXPECT_FALSE(bed.core->Placement().CopyFile("C:\\Store\\FAILED\\a.pdf", "C:\\Store\\.\\..\\PDF\\c.PDF"));
  EXPECT_TRUE(bed.HasRecord("Err|Varnholt|CopyFile|Destination In Queue Folder|C:\\PDF\\c.PDF"));
  EXPECT_FALSE(bed.core->Placement().CopyFile("C:\\Store\\FAILED\\a.pdf", "C:\\Store\\.hidden.PDF"));
  EXPECT_TRUE(bed.HasRecord("Err|Varnholt|CopyFile|Invalid Destination FileName|C:\\Store\\.hidden.PDF"));
  EXPECT_FALSE(bed.core->Placement().CopyFile("C:\\Store\\FAILED\\a.pdf", "C:\\Store\\sub\\.."));
  EXPECT_TRUE(bed.HasRecord("Err|Varnholt|CopyFile|Invalid Destination FileName|C:\\Store"));
  EXPECT_TRUE(
      bed.core->Placement().CopyFile("C:\\Store\\FAILED\\a.pdf", "C:\\Store\\..\\PDF\\FAILED\\d.PDF"));
  EXPECT_EQ(bed.Read("PDF/FAILED/d.PDF"), kReport);
  EXPECT_FALSE(bed.Exists("PDF/c.PDF"));
  EXPECT_TRUE(bed.core->State().Automatic());
}

TEST(PdfMoveTo, WithinOneFileSystemIsOneRename) {
  TPlacementBed bed;
  struct stat before {};
  struct stat after {};
  ASSERT_EQ(::stat((bed.temp / "drives/c/PDF/x.pdf").c_str(), &before), 0);
  int steps = 0;
  bed.core->Placement().PlacementHook = [&](platform::TPlacementStep) {
    ++steps;
    return platform::TStatus::Ok();
  };
  bed.core->Placement().PdfCopyMoveTo("C:\\Archive\\y", true);
  ASSERT_EQ(::stat((bed.temp / "drives/c/Archive/y.PDF").c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino) << "the report itself was renamed, not copied";
  EXPECT_EQ(steps, 0);
  EXPECT_FALSE(bed.Exists("PDF/x.pdf"));
  EXPECT_EQ(bed.core->State().CurrentPdf(), "C:\\Archive\\y.PDF");
  for (const char* record :
       {"Msg|Varnholt|PdfCopyMoveTo|Copy|C:\\Archive\\y", "Scr|Action|MoveTo|Destination|C:\\Archive\\y.PDF",
        "Msg|Varnholt|PdfCopyMoveTo|Done|C:\\Archive\\y.PDF"}) {
    EXPECT_TRUE(bed.HasRecord(record)) << record;
  }
  EXPECT_FALSE(std::filesystem::exists(bed.temp / ("PDFMOVE." + std::to_string(::getpid()) + ".TXT")));
}

// A failure record says why, after the path it names (or alone where the record names no path).
TEST(PlacementFailures, CarryTheSystemsReason) {
  struct TCase {
    const char* name;
    std::function<void(TPlacementBed&)> act;
    std::string prefix;  // the record up to the reason
  };
  const std::vector<TCase> cases = {
      {"ForceFolder", [](TPlacementBed& b) { b.core->Placement().PdfCopyMoveTo("C:\\Store\\sub\\y", true); },
       "Err|Varnholt|PdfCopyMoveTo|Force Folder Failed|C:\\Store\\sub: Cannot create the folder"},
      {"CopyFileForceFolder",
       [](TPlacementBed& b) { b.core->Placement().CopyFile("C:\\PDF\\x.pdf", "C:\\Store\\sub\\y.PDF"); },
       "Err|Varnholt|CopyFile|Force Folder Failed|C:\\Store\\sub: Cannot create the folder"},
      {"MoveToFailed",
       [](TPlacementBed& b) {
         WriteFile(b.temp / "drives/c/PDF/FAILED", "a file where the folder should be");
         b.core->Placement().MoveToFailed("C:\\PDF\\x.pdf");
       },
       "Err|Varnholt|MoveToFailed|Failed|C:\\PDF\\FAILED\\x.pdf: Cannot move"},
      {"FailedFolder",
       [](TPlacementBed& b) {
         WriteFile(b.temp / "drives/c/PDF/FAILED", "a file where the folder should be");
         b.core->Placement().MoveToFailed("C:\\PDF\\x.pdf");
       },
       "Err|Varnholt|MoveToFailed|Force Folder Failed|C:\\PDF: Cannot create the folder"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    TPlacementBed bed;
    WriteFile(bed.temp / "drives/c/Store", "a file where the folder should be");
    c.act(bed);
    const auto records = bed.Records();
    EXPECT_TRUE(std::any_of(records.begin(), records.end(), [&](const std::string& r) {
      return r.rfind(c.prefix, 0) == 0 && r.size() > c.prefix.size() + 10;
    })) << c.prefix;
    EXPECT_EQ(bed.Read("PDF/x.pdf"), kReport);
  }
}

TEST(PdfAppendTo, BareNameEndsTheRunLikeTheOtherPlacements) {
  TQueueBed bed;
  bed.core->State().SetAutomatic(false);
  WriteFile(bed.temp / "drives/c/PDF/r.pdf", kReport);
  bed.core->State().SetActionScript({"PDFAppendTo('Series')"});
  bed.core->Loading().SelectAndLoad("C:\\PDF\\r.pdf");
  bed.Mark();
  bed.core->Action().Run();
  const auto records = bed.Records();
  EXPECT_FALSE(std::any_of(records.begin(), records.end(), [](const std::string& r) {
    return r.find("Force Folder Failed") != std::string::npos;
  }));
  EXPECT_TRUE(std::any_of(records.begin(), records.end(), [](const std::string& r) {
    return r.rfind("Err|Script|Runtime|Unable to create directory", 0) == 0 &&
           r.find("PDFAppendTo") != std::string::npos;
  }));
  EXPECT_EQ(ReadFile(bed.temp / "drives/c/PDF/r.pdf"), kReport);
}

TEST(PdfAppendTo, RefusesASeriesFileInTheQueue) {
  TQueueBed bed;
  bed.core->State().SetAutomatic(false);
  WriteFile(bed.temp / "drives/c/PDF/r.pdf", kReport);
  bed.core->State().SetActionScript({"PDFAppendTo('C:\\Series\\..\\PDF\\s')"});
  bed.core->Loading().SelectAndLoad("C:\\PDF\\r.pdf");
  bed.Mark();
  bed.core->Action().Run();
  EXPECT_TRUE(bed.HasRecord("Err|Varnholt|AppendTo|Destination In Queue Folder|C:\\PDF\\s.PDF"));
  EXPECT_EQ(bed.Files("PDF"), std::vector<std::string>{});
  EXPECT_EQ(bed.Files("PDF/FAILED"), std::vector<std::string>{"r.pdf"});
}

}  // namespace
}  // namespace varnholt::test
