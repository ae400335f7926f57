// InterruptedMoveTest.cpp — a move of a report to another file system killed between any two of its
// steps, and the recovery at the next start: the report ends in exactly one place, whole.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

#include "tests/core/RecordingPort.h"

namespace varnholt::test {
namespace {

namespace fs = std::filesystem;
using platform::TPlacementStep;
using platform::TStatus;

std::string Report() {
  std::string bytes = "%PDF-1.4\n";
  for (int i = 0; bytes.size() < (1u << 20); ++i) bytes += "stream " + std::to_string(i * 7919) + "\n";
  return bytes;
}

// C:\PDF\x.pdf is the current PDF; drive S: is a folder on another file system (/dev/shm).
struct TAcrossBed : TCoreBed {
  fs::path other;
  std::string report = Report();
  TAcrossBed() {
    other = fs::path("/dev/shm") /
            ("varnholt-move-" + std::to_string(::getpid()) + "-" + fs::path(temp.Path()).filename().string());
    fs::create_directories(other);
    fs::create_directory_symlink(other, temp / "drives/s");
    WriteFile(temp / "drives/c/PDF/x.pdf", report);
    core->State().ReportMovedTo("C:\\PDF\\x.pdf");
    core->State().SetAutomatic(true);
    Mark();
  }
  ~TAcrossBed() { fs::remove_all(other); }
  bool Across() const {
    struct stat a {};
    struct stat b {};
    return ::stat(temp.Path().c_str(), &a) == 0 && ::stat(other.c_str(), &b) == 0 && a.st_dev != b.st_dev;
  }
  fs::path Source() const { return temp / "drives/c/PDF/x.pdf"; }
  fs::path Destination() const { return other / "Archive/y.PDF"; }
  // Runs the move in a child process that dies at the step, as suddenly as kill -9 would end it.
  void MoveDyingAt(TPlacementStep step, const char* destination = "S:\\Archive\\y") {
    const pid_t child = ::fork();
    if (child == 0) {
      core->Placement().PlacementHook = [step](TPlacementStep at) {
        if (at == step) _exit(10 + static_cast<int>(at));
        return TStatus::Ok();
      };
      core->Placement().PdfCopyMoveTo(destination, true);
      _exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 10 + static_cast<int>(step)) << "the process did not die at the step";
  }
  // Move journals left in the application folder.
  int Journals() const {
    int count = 0;
    for (const auto& entry : fs::directory_iterator(temp.Path()))
      count += entry.path().filename().string().starts_with("PDFMOVE.");
    return count;
  }
  bool HasRecord(const std::string& record) const {
    const auto records = Records();
    return std::find(records.begin(), records.end(), record) != records.end();
  }
};

constexpr TPlacementStep kSteps[] = {TPlacementStep::kCopyFlushed, TPlacementStep::kDestinationNamed,
                                     TPlacementStep::kTemporaryRemoved, TPlacementStep::kDestinationFlushed,
                                     TPlacementStep::kSourceRemoved};

TEST(InterruptedMove, AfterAKillAtAnyStepTheNextStartLeavesTheReportInExactlyOnePlace) {
  for (const TPlacementStep step : kSteps) {
    SCOPED_TRACE("dying after step " + std::to_string(static_cast<int>(step)));
    TAcrossBed bed;
    if (!bed.Across()) GTEST_SKIP() << "no second file system (/dev/shm) to move across";
    bed.MoveDyingAt(step);
    bed.Mark();
    bed.core->Placement().RecoverInterruptedMove();
    const bool atSource = fs::exists(bed.Source());
    const bool atDestination = fs::exists(bed.Destination());
    EXPECT_NE(atSource, atDestination) << "exactly one of the two places";
    EXPECT_EQ(ReadFile(atSource ? bed.Source() : bed.Destination()), bed.report);
    EXPECT_EQ(bed.Journals(), 0);
    if (step == TPlacementStep::kDestinationFlushed) {
      EXPECT_TRUE(bed.HasRecord(
          "Msg|Varnholt|RecoverInterruptedMove|Queued Copy Removed|C:\\PDF\\x.pdf = S:\\Archive\\y.PDF"));
    }
    bed.Mark();
    bed.core->Placement().RecoverInterruptedMove();
    EXPECT_EQ(bed.Records(), std::vector<std::string>{}) << "nothing to do the second time";
  }
}

TEST(InterruptedMove, TwoDifferentFilesAreBothKept) {
  TAcrossBed bed;
  if (!bed.Across()) GTEST_SKIP() << "no second file system (/dev/shm) to move across";
  bed.MoveDyingAt(TPlacementStep::kDestinationFlushed);
  WriteFile(bed.Destination(), "another program's file");
  bed.Mark();
  bed.core->Placement().RecoverInterruptedMove();
  EXPECT_EQ(ReadFile(bed.Source()), bed.report);
  EXPECT_EQ(ReadFile(bed.Destination()), "another program's file");
  EXPECT_TRUE(bed.HasRecord(
      "Err|Varnholt|RecoverInterruptedMove|Contents Differ|C:\\PDF\\x.pdf <> S:\\Archive\\y.PDF"));
  EXPECT_EQ(bed.Journals(), 0);
}

TEST(InterruptedMove, MovesOfTwoKilledProcessesAreBothFinished) {
  // The service and an operator's run in one folder each keep a journal of their own.
  TAcrossBed bed;
  if (!bed.Across()) GTEST_SKIP() << "no second file system (/dev/shm) to move across";
  bed.MoveDyingAt(TPlacementStep::kDestinationFlushed);
  WriteFile(bed.temp / "drives/c/PDF/z.pdf", bed.report + "z");
  bed.core->State().ReportMovedTo("C:\\PDF\\z.pdf");
  bed.MoveDyingAt(TPlacementStep::kDestinationFlushed, "S:\\Archive\\w");
  EXPECT_EQ(bed.Journals(), 2);
  bed.core->Placement().RecoverInterruptedMove();
  EXPECT_FALSE(fs::exists(bed.Source()));
  EXPECT_FALSE(fs::exists(bed.temp / "drives/c/PDF/z.pdf"));
  EXPECT_EQ(ReadFile(bed.Destination()), bed.report);
  EXPECT_EQ(ReadFile(bed.other / "Archive/w.PDF"), bed.report + "z");
  EXPECT_EQ(bed.Journals(), 0);
}

TEST(InterruptedMove, AMoveStillUnderWayIsLeftAlone) {
  TAcrossBed bed;
  if (!bed.Across()) GTEST_SKIP() << "no second file system (/dev/shm) to move across";
  bool looked = false;
  bed.core->Placement().PlacementHook = [&](TPlacementStep at) {
    if (at == TPlacementStep::kDestinationFlushed) {
      // Another start in the same folder while this move is between its copy and the source's deletion.
      bed.core->Placement().RecoverInterruptedMove();
      looked = true;
      EXPECT_TRUE(fs::exists(bed.Source()));
    }
    return TStatus::Ok();
  };
  bed.core->Placement().PdfCopyMoveTo("S:\\Archive\\y", true);
  EXPECT_TRUE(looked);
  EXPECT_FALSE(fs::exists(bed.Source()));
  EXPECT_EQ(ReadFile(bed.Destination()), bed.report);
  EXPECT_EQ(bed.core->State().CurrentPdf(), "S:\\Archive\\y.PDF");
  EXPECT_EQ(bed.Journals(), 0);
}

}  // namespace
}  // namespace varnholt::test
