// CoreStateTest.cpp — selecting a file, loading its texts, the status indicator, the emergency stop.
#include <gtest/gtest.h>

#include "tests/core/RecordingPort.h"

namespace varnholt::test {
namespace {

// A fake engine that counts its runs and answers EXTRACT with the texts given.
std::string ExtractingEngine(const std::string& text1, const std::string& text2) {
  std::string script = "echo run >> runs.txt\n";
  if (!text1.empty()) script += "printf '" + text1 + "' > PDF1.TXT\n";
  if (!text2.empty()) script += "printf '" + text2 + "' > PDF2.TXT\n";
  return script + "printf 'OK\\r\\nExtracted\\r\\n' > PDFRES.TXT";
}

int Runs(const TCoreBed& bed) {
  const std::string runs = ReadFile(bed.temp / "runs.txt");
  return static_cast<int>(std::count(runs.begin(), runs.end(), '\n'));
}

struct TStatusCase {
  bool processing, error;
  int failed;
  bool automatic;
  TStatusColor color;
  int icon;
};

TEST(UpdateStatus, FirstMatchingRowWins) {
  const TStatusCase cases[] = {
      {true, true, 3, true, {166, 202, 240}, 2},  {false, true, 0, true, {255, 0, 0}, 3},
      {false, false, 1, true, {255, 0, 0}, 3},    {false, false, 0, true, {192, 220, 192}, 0},
      {false, false, 0, false, {255, 255, 0}, 1},
  };
  for (const auto& c : cases) {
    TCoreBed bed;
    auto& state = bed.core->State();
    if (c.processing) state.BeginActionRun();
    if (c.error) state.RaiseErrorState();
    state.SetCounts(0, c.failed);
    state.SetAutomatic(c.automatic);
    bed.core->Status().UpdateStatus();
    EXPECT_EQ(bed.port.color, c.color);
    EXPECT_EQ(bed.port.icon, c.icon);
  }
}

TEST(EmergencyStop, DoesNothingWhileAutomaticModeIsOff) {
  TCoreBed bed;
  bed.core->Status().EmergencyStop();
  EXPECT_TRUE(bed.Records().empty());
  EXPECT_TRUE(bed.port.calls.empty());
  EXPECT_FALSE(bed.core->State().ErrorState());
}

TEST(EmergencyStop, StopsShowsRedAndBringsTheWindowBackUntilTheFocusLeaves) {
  for (const bool minimizeShowing : {true, false}) {
    TCoreBed bed;
    bed.port.minimizeShowing = minimizeShowing;
    bed.core->State().SetAutomatic(true);
    bed.core->Status().EmergencyStop();
    EXPECT_TRUE(bed.core->State().ErrorState());
    EXPECT_FALSE(bed.core->State().Automatic());
    EXPECT_EQ(bed.Records(), std::vector<std::string>{"Err|Varnholt|EmergencyStop|Automatic|Stop"});
    EXPECT_EQ(bed.port.calls,
              (std::vector<std::string>{"FocusMinimize", "Automatic up", "Status 3", "RestoreWindow"}));

    bed.Mark();
    bed.core->Status().HideExit();
    EXPECT_FALSE(bed.core->State().ErrorState());
    EXPECT_EQ(bed.Records(), std::vector<std::string>{"Prc|Varnholt|HideExit||"});
    EXPECT_EQ(bed.port.icon, 1);
  }
}

TEST(EmergencyStop, BarStaysRedWhileFailedFilesRemain) {
  TCoreBed bed;
  bed.core->State().SetAutomatic(true);
  bed.core->State().SetCounts(0, 2);
  bed.core->Status().EmergencyStop();
  bed.core->Status().HideExit();
  EXPECT_EQ(bed.port.color, (TStatusColor{255, 0, 0}));
}

TEST(FilesClick, SelectsTheFileLoadsItAndSwitchesAutomaticOff) {
  TCoreBed bed;
  bed.FakeEngine(ExtractingEngine("Sample : A1\\r\\n", "Sample : A1\\r\\nraw\\r\\n"));
  WriteFile(bed.temp / "drives/c/PDF/a.pdf", "%PDF-1.4");
  auto& state = bed.core->State();
  state.SetBrowserFolder("C:\\PDF");
  state.Select("C:\\PDF\\old.pdf");
  state.SetAutomatic(true);
  bed.core->Loading().FilesClick("a.pdf");

  EXPECT_FALSE(state.Automatic());
  EXPECT_EQ(state.SelectedFile(), "C:\\PDF\\a.pdf");
  EXPECT_EQ(state.LoadedFile(), "C:\\PDF\\a.pdf");
  EXPECT_EQ(state.Text1(), "Sample : A1\r\n");
  EXPECT_EQ(state.Text2(), "Sample : A1\r\nraw\r\n");
  EXPECT_EQ(bed.port.text1, state.Text1());
  EXPECT_EQ(bed.port.selected, "C:\\PDF\\a.pdf");
  EXPECT_EQ(bed.port.icon, 1);
  const auto records = bed.Records();
  ASSERT_GE(records.size(), 3u);
  EXPECT_EQ(records[0], "Prc|Varnholt|FilesClick||");
  EXPECT_EQ(records[1], "Msg|Varnholt|FilesClick|File|C:\\PDF\\old.pdf");
  EXPECT_TRUE(records[2].starts_with("Sys|Varnholt|LoadContent|Memory Usage|")) << records[2];
  EXPECT_EQ(Runs(bed), 1);

  // Picking the same file again reloads it; setting the box to what it holds does not.
  bed.core->Loading().FilesClick("a.pdf");
  EXPECT_EQ(Runs(bed), 2);
  bed.core->Loading().SelectAndLoad("C:\\PDF\\a.pdf");
  EXPECT_EQ(Runs(bed), 2);
}

TEST(FilesClick, InTheRootFolderOfADrive) {
  TCoreBed bed;
  bed.FakeEngine(ExtractingEngine("x\\r\\n", "y\\r\\n"));
  WriteFile(bed.temp / "drives/d/a.pdf", "%PDF-1.4");
  bed.core->State().SetBrowserFolder("D:\\");
  bed.core->Loading().FilesClick("a.pdf");
  EXPECT_EQ(bed.core->State().SelectedFile(), "D:\\a.pdf");
  EXPECT_EQ(bed.core->State().Text1(), "x\r\n");
}

TEST(SelectedFile, ChangingToAMissingFileEmptiesTheTextsWithoutAnEngineRun) {
  TCoreBed bed;
  bed.FakeEngine(ExtractingEngine("x\\r\\n", "y\\r\\n"));
  WriteFile(bed.temp / "drives/c/PDF/a.pdf", "%PDF-1.4");
  bed.core->Loading().SelectAndLoad("C:\\PDF\\a.pdf");
  ASSERT_EQ(bed.core->State().Text1(), "x\r\n");
  bed.core->Loading().SelectAndLoad("C:\\PDF\\gone.pdf");
  EXPECT_EQ(bed.core->State().Text1(), "");
  EXPECT_EQ(bed.port.text2, "");
  EXPECT_EQ(Runs(bed), 1);
}

TEST(LoadContent, RecordsAndTextLengths) {
  TCoreBed bed;
  // PDF1.TXT without a final line break still counts one CR LF for its last line; PDF2.TXT is missing.
  bed.FakeEngine(ExtractingEngine("ab\\r\\ncd", ""));
  WriteFile(bed.temp / "drives/c/PDF/a.pdf", "%PDF-1.4");
  bed.core->State().Select("C:\\PDF\\a.pdf");
  bed.core->Loading().LoadContent();

  EXPECT_EQ(bed.core->State().Text1(), "ab\r\ncd\r\n");
  EXPECT_EQ(bed.core->State().Text2(), "");
  auto records = bed.Records();
  ASSERT_EQ(records.size(), 6u);
  EXPECT_TRUE(records[0].starts_with("Sys|Varnholt|LoadContent|Memory Usage|"));
  EXPECT_GT(std::stoll(records[0].substr(records[0].rfind('|') + 1)), 0);
  EXPECT_EQ(records[1], "Prc|Varnholt|LoadContent||");
  EXPECT_EQ(records[2], "Msg|Varnholt|LoadContent|File|C:\\PDF\\a.pdf");
  EXPECT_EQ(records[3], "Msg|PdfReader|ExecPDF|EXTRACT|Extracted");
  EXPECT_EQ(records[4], "Msg|Varnholt|LoadContent|Text Length|8");
  EXPECT_EQ(records[5], "Msg|Varnholt|LoadContent|Text Length|0");
  EXPECT_EQ(bed.port.busyDepth, 0);
  EXPECT_EQ(bed.port.busyMax, 1);
}

TEST(LoadContent, MissingFileGivesAnErrorRecordAndEmptyTexts) {
  TCoreBed bed;
  bed.FakeEngine(ExtractingEngine("x\\r\\n", "y\\r\\n"));
  auto& state = bed.core->State();
  // Texts of an earlier load of the file, which has gone since.
  state.Select("C:\\PDF\\gone.pdf");
  state.BeginTextLoad();
  state.TextsLoaded("old", "");
  bed.core->Loading().LoadContent();
  EXPECT_EQ(state.Text1(), "");
  EXPECT_EQ(state.LoadedFile(), "");
  EXPECT_EQ(bed.Records().back(), "Err|Varnholt|LoadContent|Missing File|C:\\PDF\\gone.pdf");
  EXPECT_EQ(Runs(bed), 0);
  EXPECT_EQ(bed.port.busyDepth, 0);
}

TEST(LoadContent, WithTheRealEngine) {
  TCoreBed bed;
  bed.RealEngine();
  std::filesystem::copy_file(TestDataFolder() / "engine/reports/gc_run_report.pdf",
                             bed.temp / "drives/c/PDF/gc_run_report.pdf");
  bed.core->State().SetAutomatic(true);
  bed.core->Loading().SelectAndLoad("C:\\PDF\\gc_run_report.pdf");
  EXPECT_NE(bed.core->State().Text1().find("Sample Name: Soil-Extract 17B\r\n"), std::string::npos);
  EXPECT_NE(bed.core->State().Text2().find("Acq. Operator : Maria Schmidt\r\n"), std::string::npos);
  EXPECT_TRUE(bed.core->State().Automatic());

  // A file the engine cannot read: the texts stay empty and the load says why; the file is at fault, not
  // the system, so Automatic mode goes on (the pass moves such a file to FAILED).
  WriteFile(bed.temp / "drives/c/PDF/broken.pdf", "%PDF-1.4\nnothing else");
  bed.core->Loading().SelectAndLoad("C:\\PDF\\broken.pdf");
  EXPECT_EQ(bed.core->State().Text1(), "");
  EXPECT_EQ(bed.core->State().TextLoad(), TTextLoad::kUnreadable);
  EXPECT_NE(bed.core->State().TextLoadError().find("damaged"), std::string::npos)
      << bed.core->State().TextLoadError();
  EXPECT_TRUE(bed.core->State().Automatic());
  EXPECT_FALSE(bed.core->State().ErrorState());
}

}  // namespace
}  // namespace varnholt::test
