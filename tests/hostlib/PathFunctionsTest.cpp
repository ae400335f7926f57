// PathFunctionsTest.cpp — taking paths apart, and the text files that scripts read and append to, in a
// temporary application folder with drive C:.
#include "hostlib/uPathFunctions.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <functional>
#include <set>

#include "hostlib/uHostErrors.h"
#include "tests/hostlib/HostLog.h"

namespace varnholt {
namespace {

namespace fs = std::filesystem;
using Procs = std::vector<std::string>;

TEST(PathFunctions, TakePathsApart) {
  struct TCase {
    const char* what;
    std::function<std::string(TLogger&)> call;
    std::string expected;
  };
  const char* report = "C:\\Data\\Seq1\\rep.pdf";
  const TCase cases[] = {
      {"ParentFolder of a file", [](TLogger& l) { return ParentFolder(l, "C:\\Data\\Run1\\rep.pdf"); },
       "C:\\Data\\Run1"},
      {"ParentFolder of a folder", [](TLogger& l) { return ParentFolder(l, "C:\\Data\\Run1\\"); },
       "C:\\Data"},
      {"ParentFolder keeps the root", [](TLogger& l) { return ParentFolder(l, "C:\\Data"); }, "C:\\"},
      {"ParentFolder of a bare name", [](TLogger& l) { return ParentFolder(l, "rep.pdf"); }, ""},
      {"ParentFolder trims and tidies",
       [](TLogger& l) { return ParentFolder(l, " C:\\Data\\\\Run1\\x\r\n"); }, "C:\\Data\\Run1"},
      {"ParentFolder after a drive colon", [](TLogger& l) { return ParentFolder(l, "C:rep.pdf"); }, "C:"},
      {"ParentFolder: no other colon", [](TLogger& l) { return ParentFolder(l, "Sample:1"); }, ""},
      {"SubDir -2", [&](TLogger& l) { return SubDir(l, report, -2); }, "Seq1"},
      {"SubDir 1", [&](TLogger& l) { return SubDir(l, report, 1); }, "C:"},
      {"SubDir -1", [&](TLogger& l) { return SubDir(l, report, -1); }, "rep.pdf"},
      {"SubDir 0", [&](TLogger& l) { return SubDir(l, report, 0); }, ""},
      {"SubDir: a final backslash adds no field", [](TLogger& l) { return SubDir(l, "C:\\a\\", -1); }, "a"},
      {"SubDir: a doubled one does", [](TLogger& l) { return SubDir(l, "C:\\\\a", 2); }, ""},
      {"SubDirs -2", [&](TLogger& l) { return SubDirs(l, report, -2); }, "C:\\Data\\Seq1"},
      {"SubDirs 2", [&](TLogger& l) { return SubDirs(l, report, 2); }, "C:\\Data"},
      {"SubDirs -3", [&](TLogger& l) { return SubDirs(l, report, -3); }, "C:\\Data"},
      {"SubDirs -1", [&](TLogger& l) { return SubDirs(l, report, -1); }, report},
      {"SubDirs 4", [&](TLogger& l) { return SubDirs(l, report, 4); }, report},
      {"SubDirs far beyond", [&](TLogger& l) { return SubDirs(l, report, INT32_MAX); }, report},
      {"SubDirs far below", [&](TLogger& l) { return SubDirs(l, report, INT32_MIN); }, ""},
      {"SubDirs tidies first", [](TLogger& l) { return SubDirs(l, "C:\\Data\\\\Seq1\\", -1); },
       "C:\\Data\\Seq1"},
      {"FixFilePath", [](TLogger& l) { return FixFilePath(l, "A/B:C\\D"); }, "A_B_C\\D"},
      {"FixFilePath drops the final backslash", [](TLogger& l) { return FixFilePath(l, "C:\\X?\\"); },
       "C:\\X_"},
  };
  test::THostLog log;
  for (const auto& c : cases) EXPECT_EQ(c.call(*log), c.expected) << c.what;
}

TEST(PathFunctions, RecordsOfThePathRoutines) {
  test::THostLog log;
  ParentFolder(*log, "C:\\a\\b");
  EXPECT_EQ(log.Procs(), (Procs{"Prc TrimAll", "Prc TrimBackSlash"}));
  log.Mark();
  SubDirs(*log, "C:\\a\\b", 1);
  EXPECT_EQ(log.Procs(), (Procs{"Prc TrimAll", "Prc TrimBackSlash", "Prc Token", "Prc TrimAll"}));
  log.Mark();
  FixFilePath(*log, "C:\\a?");
  EXPECT_EQ(log.Procs(), (Procs{"Prc FixFileName", "Msg FixFileName", "Prc TrimBackSlash"}));
}

class TextFiles : public ::testing::Test {
 protected:
  TextFiles() : map_(app_.Path()), files_(map_) { map_.EnsureDrive('C'); }
  fs::path Native(std::string_view relative) const { return map_.DriveFolder('c') / relative; }
  // Every file below the application folder except the log, so a test can tell that nothing was written.
  std::vector<fs::path> AllFiles() const {
    std::vector<fs::path> found;
    for (const auto& entry : fs::recursive_directory_iterator(app_.Path()))
      if (!entry.is_directory() && entry.path().filename() != "host.LOG") found.push_back(entry.path());
    return found;
  }

  test::TTempFolder app_;
  platform::TDriveMap map_;
  platform::TFileSystem files_;
  test::THostLog log_;
};

TEST_F(TextFiles, AppendCreatesTheFolderAndTrimsTheLine) {
  AppendToTextFile(*log_, files_, " C:\\Lists\\New\\done?.txt \r\n", "  first sample\t");
  EXPECT_EQ(test::ReadFile(Native("Lists/New/done_.txt")), "first sample\r\n");
  EXPECT_EQ(log_.Procs(), (Procs{"Prc AppendToTextFile", "Prc TrimAll", "Prc FixFileName", "Msg FixFileName",
                                 "Prc TrimAll", "Msg AppendToTextFile"}));
  const auto done = log_.Records().back();
  EXPECT_EQ(done.text, "Done");
  EXPECT_EQ(done.data, "C:\\Lists\\New\\done_.txt");
}

TEST_F(TextFiles, AppendAddsToTheEndAndKeepsALineWithBreaksAsOneEntry) {
  // The lines already there stay as they are; a last line without its break gets one first.
  test::WriteFile(Native("list.txt"), "a\nb\rc");
  AppendToTextFile(*log_, files_, "C:\\LIST.TXT", "x\ny");
  EXPECT_EQ(test::ReadFile(Native("list.txt")), "a\nb\rc\r\nx\ny\r\n");
  AppendToTextFile(*log_, files_, "C:\\list.txt", "");
  EXPECT_EQ(test::ReadFile(Native("list.txt")), "a\nb\rc\r\nx\ny\r\n\r\n");
}

TEST_F(TextFiles, ConcurrentAppendsKeepEveryLine) {
  // Three processes append at once, as the window, the service and an operator's run-script may.
  int start[2];
  ASSERT_EQ(::pipe(start), 0);
  std::vector<pid_t> children;
  for (int c = 0; c < 3; ++c) {
    const pid_t child = ::fork();
    if (child == 0) {
      ::close(start[1]);
      char go;
      (void)!::read(start[0], &go, 1);  // all three begin together
      try {
        for (int i = 0; i < 200; ++i) {
          AppendToTextFile(*log_, files_, "C:\\Lists\\all.txt", std::to_string(c) + "-" + std::to_string(i));
        }
      } catch (...) {
        _exit(1);
      }
      _exit(0);
    }
    children.push_back(child);
  }
  ::close(start[0]);
  ::close(start[1]);  // end of file: go
  for (const pid_t child : children) {
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  const auto lines = platform::SplitLines(test::ReadFile(Native("Lists/all.txt")));
  EXPECT_EQ(lines.size(), 600u);
  EXPECT_EQ(std::set<std::string>(lines.begin(), lines.end()).size(), 600u);
}

TEST_F(TextFiles, NamesResolveTheirDotsAndNeverLandInTheQueueOrHidden) {
  // ".." at the root stays at the root, as on Windows: the file is written inside the drive.
  AppendToTextFile(*log_, files_, "C:\\..\\..\\up.txt", "x");
  EXPECT_EQ(test::ReadFile(Native("up.txt")), "x\r\n");
  EXPECT_EQ(log_.Records().back().data, "C:\\up.txt");
  AppendToTextFile(*log_, files_, "C:\\PDF\\sub\\.\\list.txt", "x");
  EXPECT_EQ(test::ReadFile(Native("PDF/sub/list.txt")), "x\r\n") << "a folder below the queue is no queue";

  struct TCase {
    const char* name;
    const char* text;
    const char* data;
  };
  for (const TCase& c :
       {TCase{"C:\\Lists\\..\\pdf\\list.txt", "Destination In Queue Folder", "C:\\pdf\\list.txt"},
        TCase{"C:\\Lists\\.hidden", "Invalid Destination FileName", "C:\\Lists\\.hidden"},
        TCase{"C:\\Lists\\x\\..", "Invalid Destination FileName", "C:\\Lists"}}) {
    SCOPED_TRACE(c.name);
    for (const bool append : {true, false}) {
      log_.Mark();
      try {
        if (append) {
          AppendToTextFile(*log_, files_, c.name, "x");
        } else {
          ReadFromTextFile(*log_, files_, c.name);
        }
        ADD_FAILURE() << "refused names end the run";
      } catch (const EHostError& e) {
        EXPECT_EQ(std::string(e.what()), std::string(c.text) + ": " + c.data);
      }
      const auto errors = log_.OfType("Err");
      ASSERT_EQ(errors.size(), 1u);
      EXPECT_EQ(errors[0].proc, append ? "AppendToTextFile" : "ReadFromTextFile");
      EXPECT_EQ(errors[0].text, c.text);
      EXPECT_EQ(errors[0].data, c.data);
    }
  }
  EXPECT_FALSE(fs::exists(Native("PDF/list.txt")));
  EXPECT_FALSE(fs::exists(Native("Lists")));
}

TEST_F(TextFiles, AFifoIsNeitherReadNorReplaced) {
  fs::create_directories(Native("Lists"));
  ASSERT_EQ(::mkfifo(Native("Lists/pipe.txt").c_str(), 0644), 0);
  fs::create_symlink(Native("Lists/pipe.txt"), Native("Lists/link.txt"));
  for (const char* name : {"C:\\Lists\\pipe.txt", "C:\\Lists\\link.txt"}) {
    SCOPED_TRACE(name);
    try {
      AppendToTextFile(*log_, files_, name, "x");
      ADD_FAILURE() << "appended to a FIFO";
    } catch (const EHostError& e) {
      EXPECT_EQ(std::string(e.what()).rfind("Not a regular file: ", 0), 0u) << e.what();
    }
    try {
      ReadFromTextFile(*log_, files_, name);
      ADD_FAILURE() << "read a FIFO";
    } catch (const EHostError& e) {
      EXPECT_EQ(std::string(e.what()).rfind("Not a regular file: ", 0), 0u) << e.what();
    }
  }
  struct stat st {};
  ASSERT_EQ(::lstat(Native("Lists/pipe.txt").c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  EXPECT_TRUE(fs::is_symlink(Native("Lists/link.txt")));
}

TEST_F(TextFiles, AppendFailuresEndTheRunAndLoseNothing) {
  // A bare name has no folder to create.
  try {
    AppendToTextFile(*log_, files_, "list.txt", "x");
    FAIL() << "a bare file name must fail";
  } catch (const EHostError& e) {
    EXPECT_STREQ(e.what(), "Unable to create directory");
  }
  // A name that is a folder cannot be written.
  fs::create_directories(Native("Lists/taken.txt"));
  test::WriteFile(Native("Lists/taken.txt/keep.txt"), "keep");
  EXPECT_THROW(AppendToTextFile(*log_, files_, "C:\\Lists\\taken.txt", "x"), EHostError);
  EXPECT_THROW(AppendToTextFile(*log_, files_, "Q:\\list.txt", "x"), EHostError)
      << "a drive that is not mapped";
  EXPECT_EQ(AllFiles(), (std::vector<fs::path>{Native("Lists/taken.txt/keep.txt")}));
  EXPECT_EQ(test::ReadFile(Native("Lists/taken.txt/keep.txt")), "keep");
  for (const auto& record : log_.Records()) EXPECT_NE(record.text, "Done");
}

TEST_F(TextFiles, ReadGivesEveryLineWithCrLf) {
  test::WriteFile(Native("Lists/two.txt"), "first\nsecond");
  EXPECT_EQ(ReadFromTextFile(*log_, files_, " C:\\Lists\\two.txt\t"), "first\r\nsecond\r\n");
  EXPECT_EQ(log_.Procs(),
            (Procs{"Prc ReadFromTextFile", "Prc TrimAll", "Prc FixFileName", "Msg ReadFromTextFile"}));
  EXPECT_EQ(log_.Records().back().data, "C:\\Lists\\two.txt");

  test::WriteFile(Native("empty.txt"), "");
  EXPECT_EQ(ReadFromTextFile(*log_, files_, "C:\\empty.txt"), "");
  EXPECT_EQ(ReadFromTextFile(*log_, files_, "C:\\Lists\\two.txt "), "first\r\nsecond\r\n");
}

TEST_F(TextFiles, ReadingAMissingFileIsNoError) {
  EXPECT_EQ(ReadFromTextFile(*log_, files_, "C:\\Lists\\missing.txt"), "");
  EXPECT_EQ(log_.Records().back().text, "Done");
  EXPECT_TRUE(log_.OfType("Err").empty());
  EXPECT_TRUE(AllFiles().empty()) << "reading creates nothing";
}

TEST_F(TextFiles, AFileThatCannotBeReadEndsTheRun) {
  // The process's own memory at address 0 is a regular file whose reading fails even for root.
  std::error_code ec;
  fs::create_symlink("/proc/self/mem", Native("unreadable.txt"), ec);
  if (ec || !files_.FileExists("C:\\unreadable.txt")) GTEST_SKIP() << "no /proc/self/mem here";
  EXPECT_THROW(ReadFromTextFile(*log_, files_, "C:\\unreadable.txt"), EHostError);
  EXPECT_THROW(AppendToTextFile(*log_, files_, "C:\\unreadable.txt", "x"), EHostError);
  EXPECT_TRUE(fs::is_symlink(Native("unreadable.txt"))) << "the failed append replaced nothing";
  for (const auto& record : log_.Records()) EXPECT_NE(record.text, "Done");
}

}  // namespace
}  // namespace varnholt
