// AutomaticModeTest.cpp — Automatic mode driven tick by tick with a fake clock: the order in which reports
// are taken, the in-use skip, the post action, the watcher's reaction, the counters and the FAILED commands.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <fcntl.h>

#include <algorithm>
#include <chrono>

#include "tests/core/RecordingPort.h"

namespace varnholt::test {
namespace {

using namespace std::chrono_literals;
using TTime = std::chrono::system_clock::time_point;

struct TAutoBed : TCoreBed {
  TTime now = std::chrono::system_clock::now();
  TAutoBed() {
    FakeEngine("printf 'text\\r\\n' > PDF1.TXT; : > PDF2.TXT; printf 'OK\\r\\nDone\\r\\n' > PDFRES.TXT");
    core->SetClock([this] { return now; });
    core->State().SetActionScript({"Log('', PDFName)"});
    core->State().SetPaperPrinter("[None]");
    core->Automatic().sbAutomaticClick(true);
    Mark();
  }
  std::filesystem::path Queue(const std::string& name) const { return temp / "drives/c/PDF" / name; }
  void Drop(const std::string& name, TTime written, const std::string& content = "pdf") {
    WriteFile(Queue(name), content);
    std::filesystem::last_write_time(
        Queue(name), std::chrono::file_clock::from_sys(written));
  }
  // Lets the clock run until the next pass is due and ticks once.
  void Pass() {
    now += 6s;
    core->Automatic().TimerAutomaticTimer();
  }
  std::vector<std::string> Taken() const {
    std::vector<std::string> names;
    for (const std::string& r : Records()) {
      if (r.rfind("Scr|Action|Script||", 0) == 0) names.push_back(r.substr(r.rfind('|') + 1));
    }
    return names;
  }
  bool Has(const std::string& record) const {
    const auto records = Records();
    return std::find(records.begin(), records.end(), record) != records.end();
  }
};

TTime At(int hour, int minute, int second) {
  std::tm t{};
  t.tm_year = 2010 - 1900;
  t.tm_mon = 11;
  t.tm_mday = 25;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  t.tm_isdst = -1;
  return std::chrono::system_clock::from_time_t(std::mktime(&t));
}

TEST(AutomaticPass, TakesTheOldestFirstAndOneFilePerPass) {
  TAutoBed bed;
  bed.Drop("z.pdf", At(9, 59, 58));
  bed.Drop("a.pdf", At(10, 0, 4));
  bed.Drop("m.pdf", At(10, 0, 2));
  bed.Drop("B.pdf", At(11, 0, 0));
  bed.Drop("a2.pdf", At(11, 0, 1));  // the same two-second step as B.pdf: name order decides
  for (int i = 0; i < 5; ++i) bed.Pass();
  EXPECT_EQ(bed.Taken(), (std::vector<std::string>{"z.pdf", "m.pdf", "a.pdf", "a2.pdf", "B.pdf"}));
  // Every one was left behind by the script, so it is in FAILED now.
  EXPECT_TRUE(std::filesystem::exists(bed.temp / "drives/c/PDF/FAILED/B.pdf"));
  EXPECT_TRUE(bed.core->State().Automatic());
}

TEST(AutomaticPass, WaitsFiveSecondsUnlessTheWatcherSawAChange) {
  TAutoBed bed;
  bed.Drop("a.pdf", At(10, 0, 0));
  bed.core->Automatic().TimerAutomaticTimer();  // one second after switching on: too early
  EXPECT_TRUE(bed.Taken().empty());
  bed.now += 1s;
  bed.core->Automatic().ChangedFolderChangeNotify();
  bed.now += 1s;
  bed.core->Automatic().TimerAutomaticTimer();
  EXPECT_EQ(bed.Taken(), std::vector<std::string>{"a.pdf"});
}

TEST(AutomaticPass, SkipsAReportStillBeingWritten) {
  TAutoBed bed;
  bed.Drop("busy.pdf", At(10, 0, 0));
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t writer = fork();
  if (writer == 0) {
    const int fd = open(bed.Queue("busy.pdf").c_str(), O_WRONLY | O_APPEND);
    (void)!write(ready[1], "x", 1);
    pause();
    _exit(fd >= 0 ? 0 : 1);
  }
  char c;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  bed.Pass();
  EXPECT_TRUE(bed.Taken().empty());
  EXPECT_TRUE(bed.Has("Msg|Varnholt|Automatic|InUse|C:\\PDF\\busy.pdf"));
  kill(writer, SIGKILL);
  waitpid(writer, nullptr, 0);
  bed.Pass();
  EXPECT_EQ(bed.Taken(), std::vector<std::string>{"busy.pdf"});
  close(ready[0]);
  close(ready[1]);
}

TEST(PostAction, PrintsThenMovesToFailedBesideAnEarlierReportOfTheSameName) {
  TAutoBed bed;
  WriteFile(bed.temp / "drives/c/PDF/FAILED/x.pdf", "earlier");
  bed.Drop("x.pdf", At(10, 0, 0), "new");
  bed.Pass();
  EXPECT_TRUE(bed.Has("Msg|Varnholt|Post Action|PDF Still Present|C:\\PDF\\x.pdf"));
  EXPECT_TRUE(bed.Has("Err|Varnholt|PrintTo|No printer selected|[None]"));
  EXPECT_TRUE(bed.Has("Msg|Varnholt|Post Action|File Counter|C:\\PDF\\FAILED\\x_0000.pdf"));
  EXPECT_TRUE(bed.Has("Msg|Varnholt|Post Action|Moved|C:\\PDF\\FAILED\\x_0000.pdf"));
  EXPECT_FALSE(bed.Has("Msg|Varnholt|MoveToFailed|File Counter|C:\\PDF\\FAILED\\x_0000.pdf"));
  EXPECT_EQ(ReadFile(bed.temp / "drives/c/PDF/FAILED/x.pdf"), "earlier");
  EXPECT_EQ(ReadFile(bed.temp / "drives/c/PDF/FAILED/x_0000.pdf"), "new");
  EXPECT_TRUE(bed.core->State().Automatic());
  // The file is gone from the queue, so the window's selection is cleared.
  EXPECT_EQ(bed.core->State().SelectedFile(), "");
}

TEST(PostAction, AMoveThatFailsStopsAutomaticModeAndKeepsTheReport) {
  TAutoBed bed;
  WriteFile(bed.temp / "drives/c/PDF/FAILED", "a file where the folder should be");
  bed.Drop("x.pdf", At(10, 0, 0), "report");
  bed.Drop("y.pdf", At(10, 0, 4), "report");
  bed.core->State().SetActionScript({"Log('', PDFName)", "PDFCopyTo('C:\\Copies\\' + PDFName)"});
  bed.Pass();
  // The record says why the folder could not be made.
  const auto records = bed.Records();
  EXPECT_TRUE(std::any_of(records.begin(), records.end(), [](const std::string& r) {
    return r.rfind("Err|Varnholt|Post Action|Force Folder Failed|C:\\PDF: Cannot create the folder", 0) == 0;
  }));
  // So does the record of the move that could not be made.
  EXPECT_TRUE(std::any_of(records.begin(), records.end(), [](const std::string& r) {
    return r.rfind("Err|Varnholt|Post Action|Delete Failed|C:\\PDF\\FAILED\\x.pdf: ", 0) == 0;
  }));
  EXPECT_TRUE(bed.Has("Err|Varnholt|EmergencyStop|Automatic|Stop"));
  EXPECT_FALSE(bed.core->State().Automatic());
  EXPECT_EQ(ReadFile(bed.Queue("x.pdf")), "report");
  bed.Pass();
  EXPECT_EQ(bed.Taken(), std::vector<std::string>{"x.pdf"});
}

TEST(AutomaticPass, AScriptThatMovesTheFileNeedsNoPostAction) {
  TAutoBed bed;
  bed.core->State().SetActionScript({"Log('', PDFName)", "PDFMoveTo('C:\\Done\\' + PDFName)"});
  bed.Drop("a.pdf", At(10, 0, 0));
  bed.Drop("b.pdf", At(10, 0, 2));
  bed.Pass();
  bed.Pass();
  EXPECT_EQ(bed.Taken(), (std::vector<std::string>{"a.pdf", "b.pdf"}));
  EXPECT_FALSE(bed.Has("Msg|Varnholt|Post Action|PDF Still Present|C:\\Done\\a.pdf"));
  EXPECT_TRUE(std::filesystem::exists(bed.temp / "drives/c/Done/b.pdf"));
}

// The names of a folder's regular files, as their bytes on disk.
std::vector<std::string> NamesIn(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  if (!std::filesystem::is_directory(folder)) return names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.is_regular_file()) names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST(AutomaticPass, AQueueEntryIsANameNeverAPath) {
  TAutoBed bed;
  WriteFile(bed.temp / "drives/c/PDFSTORE/a.PDF", "archived");
  const std::string odd = "x\\..\\..\\PDFSTORE\\a.PDF";  // one name on Linux
  bed.Drop(odd, At(10, 0, 0), "odd");
  bed.Pass();
  bed.Pass();
  EXPECT_EQ(ReadFile(bed.temp / "drives/c/PDFSTORE/a.PDF"), "archived");
  EXPECT_EQ(NamesIn(bed.temp / "drives/c/PDF/FAILED"), std::vector<std::string>{odd});
  EXPECT_EQ(ReadFile(bed.temp / "drives/c/PDF/FAILED" / odd), "odd");
  EXPECT_TRUE(NamesIn(bed.temp / "drives/c/PDF").empty());
  EXPECT_TRUE(bed.Taken().empty());  // the script never ran on it
  EXPECT_TRUE(bed.Has(
      "Err|Varnholt|Automatic|Name With Path Character|C:\\PDF\\x\\x5C..\\x5C..\\x5CPDFSTORE\\x5Ca.PDF"));
  EXPECT_TRUE(
      bed.Has("Msg|Varnholt|Automatic|Moved|C:\\PDF\\FAILED\\x\\x5C..\\x5C..\\x5CPDFSTORE\\x5Ca.PDF"));
  EXPECT_TRUE(bed.core->State().Automatic());
}

TEST(AutomaticPass, NamesThatAreNoCodePageTextGoToFailedUnderTheirOwnBytes) {
  TAutoBed bed;
  // The engine writes down every request it is given.
  bed.FakeEngine(
      "cat PDFENV.TXT >> requests.log; printf 'text\\r\\n' > PDF1.TXT; : > PDF2.TXT; "
      "printf 'OK\\r\\nDone\\r\\n' > PDFRES.TXT");
  const std::vector<std::string> odd = {"cr\rname.pdf", "latin1-\xE9.pdf", "lf\nname.pdf",
                                        "\xE6\x97\xA5.pdf"};
  for (const std::string& name : odd) bed.Drop(name, At(10, 0, 0), name);
  WriteFile(bed.temp / "drives/c/PDF/FAILED/latin1-\xE9.pdf", "an earlier one");
  bed.Drop("good.pdf", At(10, 0, 2));
  bed.Pass();
  bed.Pass();
  EXPECT_EQ(bed.Taken(), std::vector<std::string>{"good.pdf"});
  for (const std::string& name : odd) {
    EXPECT_EQ(ReadFile(bed.temp / "drives/c/PDF/FAILED" / name),
              name == "latin1-\xE9.pdf" ? "an earlier one" : name);
  }
  EXPECT_EQ(ReadFile(bed.temp / "drives/c/PDF/FAILED/latin1-\xE9_0000.pdf"), "latin1-\xE9.pdf");
  EXPECT_EQ(NamesIn(bed.temp / "drives/c/PDF"), std::vector<std::string>{});
  EXPECT_TRUE(bed.Has("Err|Varnholt|Automatic|Name With Control Character|C:\\PDF\\lf\\x0Aname.pdf"));
  EXPECT_TRUE(bed.Has("Err|Varnholt|Automatic|Name With Control Character|C:\\PDF\\cr\\x0Dname.pdf"));
  EXPECT_TRUE(bed.Has("Err|Varnholt|Automatic|Name Not UTF-8|C:\\PDF\\latin1-\\xE9.pdf"));
  EXPECT_TRUE(bed.Has("Msg|Varnholt|Automatic|Moved|C:\\PDF\\FAILED\\latin1-\\xE9_0000.pdf"));
  EXPECT_TRUE(bed.Has("Err|Varnholt|Automatic|Name Outside Code Page|C:\\PDF\\\\xE6\\x97\\xA5.pdf"));
  EXPECT_FALSE(bed.Has("Msg|Varnholt|Automatic|InUse|C:\\PDF\\?.pdf"));
  const std::string requests = ReadFile(bed.temp / "requests.log");
  EXPECT_NE(requests.find("PDFFILE=C:\\PDF\\good.pdf\r\n"), std::string::npos) << requests;
  EXPECT_EQ(requests.find("name.pdf"), std::string::npos) << requests;
  EXPECT_TRUE(bed.core->State().Automatic());
}

TEST(AutomaticPass, TheServiceStartPassesAtTheFirstTick) {
  TAutoBed bed;
  bed.Drop("a.pdf", At(10, 0, 0));
  bed.core->Automatic().PassAtNextTick();
  bed.core->Automatic().TimerAutomaticTimer();
  EXPECT_EQ(bed.Taken(), std::vector<std::string>{"a.pdf"});
}

TEST(AutomaticPass, ABacklogIsTakenTickAfterTickWithoutWaiting) {
  TAutoBed bed;
  bed.Drop("a.pdf", At(10, 0, 0));
  bed.Drop("b.pdf", At(10, 0, 2));
  bed.Drop("c.pdf", At(10, 0, 4));
  bed.Pass();
  EXPECT_TRUE(bed.core->Automatic().MoreWaiting());
  // The move out of the queue is a change the watcher reports; it must not hold the next pass back.
  bed.core->Automatic().ChangedFolderChangeNotify();
  bed.core->Automatic().TimerAutomaticTimer();
  EXPECT_TRUE(bed.core->Automatic().MoreWaiting());
  bed.core->Automatic().TimerAutomaticTimer();
  EXPECT_EQ(bed.Taken(), (std::vector<std::string>{"a.pdf", "b.pdf", "c.pdf"}));
  EXPECT_FALSE(bed.core->Automatic().MoreWaiting());
  // An empty queue goes back to the normal rhythm.
  bed.Drop("d.pdf", At(10, 0, 6));
  bed.core->Automatic().TimerAutomaticTimer();
  EXPECT_EQ(bed.Taken().size(), 3u);
}

TEST(AutomaticMode, SwitchingOnJumpsToTheQueueAndIsRefusedInEditMode) {
  TAutoBed bed;
  bed.core->State().SetBrowserFolder("C:\\Other");
  bed.core->Automatic().sbAutomaticClick(true);
  EXPECT_EQ(bed.core->State().BrowserFolder(), "C:\\PDF");
  EXPECT_NE(std::find(bed.port.calls.begin(), bed.port.calls.end(), "Browser C:\\PDF"), bed.port.calls.end());
  EXPECT_TRUE(bed.Has("Msg|Varnholt|AutomaticClick|Start|C:\\PDF"));

  bed.core->State().SetEditMode(true);
  bed.core->Automatic().sbAutomaticClick(true);
  EXPECT_FALSE(bed.core->State().Automatic());
  EXPECT_EQ(bed.port.calls.back().substr(0, 7), "Status ");
  EXPECT_NE(std::find(bed.port.calls.begin(), bed.port.calls.end(),
                      "Message First exit the Action script edit mode."),
            bed.port.calls.end());
}

// The operator's clicks in the browser take the window out of Automatic mode.
TEST(Browser, AFolderClickSwitchesAutomaticOffAndOpensTheFolder) {
  TAutoBed bed;
  std::filesystem::create_directories(bed.temp / "drives/c/PDFSTORE/Old");
  bed.port.calls.clear();
  bed.core->Automatic().FoldersClick("C:\\PDFSTORE\\Old");
  EXPECT_FALSE(bed.core->State().Automatic());
  EXPECT_EQ(bed.core->State().BrowserFolder(), "C:\\PDFSTORE\\Old");
  EXPECT_EQ(bed.core->State().NextPassReference(), bed.now + 1s);
  EXPECT_EQ(bed.port.calls,
            (std::vector<std::string>{"Automatic up", "Browser C:\\PDFSTORE\\Old", "Status 1"}));
  EXPECT_EQ(bed.Records().front(), "Prc|Varnholt|FoldersClick||");
}

TEST(Browser, AFolderThatIsNotThereLeavesTheBrowserWhereItWas) {
  TAutoBed bed;
  bed.core->Automatic().FoldersClick("C:\\Gone");
  bed.core->Automatic().FoldersClick("Q:\\NoDrive");
  EXPECT_FALSE(bed.core->State().Automatic());
  EXPECT_EQ(bed.core->State().BrowserFolder(), "C:\\PDF");
  EXPECT_TRUE(bed.Has("Err|Varnholt|FoldersClick|Missing Folder|C:\\Gone"));
  EXPECT_TRUE(bed.Has("Err|Varnholt|FoldersClick|Missing Folder|Q:\\NoDrive"));
  EXPECT_EQ(std::count(bed.port.calls.begin(), bed.port.calls.end(), "Browser C:\\Gone"), 0);
}

TEST(Browser, ADriveClickSwitchesAutomaticOff) {
  TAutoBed bed;
  bed.port.calls.clear();
  bed.core->Automatic().DrivesClick();
  EXPECT_FALSE(bed.core->State().Automatic());
  EXPECT_EQ(bed.port.calls, (std::vector<std::string>{"Automatic up", "Status 1"}));
  EXPECT_EQ(bed.Records(), (std::vector<std::string>{"Prc|Varnholt|DrivesClick||"}));
}

// Both ways the button goes, the browser moves to C:\PDF, and shows it: the file list must list the folder
// that a pick in it is joined to.
TEST(AutomaticMode, SwitchingOffShowsTheQueueInTheBrowser) {
  TAutoBed bed;
  bed.core->State().SetBrowserFolder("C:\\PDFSTORE");
  bed.port.calls.clear();
  bed.core->Automatic().sbAutomaticClick(false);
  EXPECT_EQ(bed.core->State().BrowserFolder(), "C:\\PDF");
  EXPECT_EQ(bed.port.calls, (std::vector<std::string>{"Browser C:\\PDF", "Status 1"}));
}

TEST(FailedCommands, ReQueueKeepsNameConflictsInFailed) {
  TAutoBed bed;
  bed.core->Automatic().sbAutomaticClick(false);
  WriteFile(bed.temp / "drives/c/PDF/FAILED/a.pdf", "failed a");
  WriteFile(bed.temp / "drives/c/PDF/FAILED/b.pdf", "failed b");
  WriteFile(bed.Queue("a.pdf"), "queued a");
  bed.core->Automatic().SetRefreshBar(29);  // the command's first tick recounts
  bed.core->Automatic().btReQueueClick();
  EXPECT_NE(std::find(bed.port.calls.begin(), bed.port.calls.end(),
                      "Confirm OK/Cancel Re-Queue 2 failed files in\nC:\\PDF\\FAILED"),
            bed.port.calls.end());
  EXPECT_EQ(ReadFile(bed.Queue("a.pdf")), "queued a");
  EXPECT_EQ(ReadFile(bed.Queue("b.pdf")), "failed b");
  EXPECT_EQ(ReadFile(bed.temp / "drives/c/PDF/FAILED/a.pdf"), "failed a");
  EXPECT_EQ(bed.port.calls.back(), "Message Can not re-Queue 1 files.\nWill not overwrite files with the same name.");
}

TEST(FailedCommands, NamesTheQueueDoesNotTakeStayInFailedAndAreDeletedByTheirOwnName) {
  TAutoBed bed;
  bed.core->Automatic().sbAutomaticClick(false);
  WriteFile(bed.temp / "drives/c/PDFSTORE/a.PDF", "archived");
  const std::string odd = "x\\..\\..\\..\\PDFSTORE\\a.PDF";  // from FAILED, leads to C:\PDFSTORE\a.PDF
  WriteFile(bed.temp / "drives/c/PDF/FAILED" / odd, "odd");
  WriteFile(bed.temp / "drives/c/PDF/FAILED/lf\nname.pdf", "lf");
  bed.core->Automatic().SetRefreshBar(29);
  bed.core->Automatic().btReQueueClick();
  EXPECT_EQ(NamesIn(bed.temp / "drives/c/PDF/FAILED"), (std::vector<std::string>{"lf\nname.pdf", odd}));
  EXPECT_TRUE(NamesIn(bed.temp / "drives/c/PDF").empty());
  EXPECT_TRUE(
      bed.Has("Err|Varnholt|ReQueueClick|Name With Control Character|C:\\PDF\\FAILED\\lf\\x0Aname.pdf"));
  EXPECT_EQ(bed.core->Automatic().LastFailedCommand().done, 0);
  EXPECT_EQ(bed.core->Automatic().LastFailedCommand().stayed, 2);

  bed.core->Automatic().SetRefreshBar(29);
  bed.core->Automatic().btDeleteFailedClick();
  EXPECT_TRUE(NamesIn(bed.temp / "drives/c/PDF/FAILED").empty());
  EXPECT_EQ(ReadFile(bed.temp / "drives/c/PDFSTORE/a.PDF"), "archived");
  EXPECT_EQ(bed.core->Automatic().LastFailedCommand().done, 2);
  EXPECT_TRUE(
      bed.Has("Msg|Varnholt|btDeleteFailedClick|Deleted|C:\\PDF\\FAILED\\x\\x5C..\\x5C..\\x5C.."
              "\\x5CPDFSTORE\\x5Ca.PDF"));
}

TEST(FailedCommands, DeleteAsksFirstAndDeletesNothingWhenCancelled) {
  TAutoBed bed;
  WriteFile(bed.temp / "drives/c/PDF/FAILED/a.pdf", "failed a");
  bed.port.confirmAnswer = false;
  bed.core->Automatic().SetRefreshBar(29);
  bed.core->Automatic().btDeleteFailedClick();
  EXPECT_TRUE(std::filesystem::exists(bed.temp / "drives/c/PDF/FAILED/a.pdf"));
  bed.port.confirmAnswer = true;
  bed.core->Automatic().SetRefreshBar(29);
  bed.core->Automatic().btDeleteFailedClick();
  EXPECT_FALSE(std::filesystem::exists(bed.temp / "drives/c/PDF/FAILED/a.pdf"));
  EXPECT_TRUE(bed.Has("Msg|Varnholt|DeleteFile|Deleted|C:\\PDF\\FAILED\\a.pdf"));
}

TEST(FileCountTimer, CountsEveryThirtyTicksAndTurnsTheBarRed) {
  TAutoBed bed;
  WriteFile(bed.temp / "drives/c/PDF/FAILED/a.PDF", "x");
  WriteFile(bed.Queue("q.pdf"), "x");
  for (int i = 0; i < 29; ++i) bed.core->Automatic().FileCountTimer();
  EXPECT_EQ(bed.core->State().FailedCount(), 0);
  bed.core->Automatic().FileCountTimer();
  EXPECT_EQ(bed.core->State().QueueCount(), 1);
  EXPECT_EQ(bed.core->State().FailedCount(), 1);
  EXPECT_EQ(bed.port.icon, 3);
}

}  // namespace
}  // namespace varnholt::test
