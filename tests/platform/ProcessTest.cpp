// ProcessTest.cpp — hidden starts with a working folder, exit codes, start failures, the time limit,
// process facts.
#include "platform/Process.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <thread>

#include <gtest/gtest.h>

#include "tests/support/TempFolder.h"

namespace varnholt::platform {
namespace {

std::filesystem::path MakeScript(const test::TTempFolder& dir, const std::string& name, const std::string& body) {
  const auto path = dir / name;
  test::WriteFile(path, "#!/bin/sh\n" + body + "\n");
  ::chmod(path.c_str(), 0755);
  return path;
}

TEST(Process, RunsHiddenInTheWorkingFolderAndWaits) {
  test::TTempFolder dir;
  std::filesystem::create_directories(dir / "work");
  const auto script = MakeScript(dir, "engine", "pwd > where.txt; echo \"$1\" > arg.txt; "
                                                "ls /proc/self/fd > fds.txt; echo visible; exit 3");
  const TProcessResult result = RunHiddenAndWait(script, {"first arg"}, dir / "work");
  ASSERT_TRUE(result.started) << result.error;
  EXPECT_EQ(result.exitCode, 3);
  EXPECT_EQ(test::ReadFile(dir / "work/where.txt"), (dir / "work").string() + "\n");
  EXPECT_EQ(test::ReadFile(dir / "work/arg.txt"), "first arg\n");
}

TEST(Process, AWaiterKeepsRunningWhileTheProgramDoesWithOrWithoutALimit) {
  test::TTempFolder dir;
  const auto script = MakeScript(dir, "engine", "sleep 0.4; exit 5");
  for (const auto limit : {std::chrono::milliseconds::zero(), std::chrono::milliseconds(10000)}) {
    int calls = 0;
    const TProcessResult result = RunHiddenAndWait(script, {}, dir.Path(), limit, [&calls] { ++calls; });
    EXPECT_EQ(result.exitCode, 5);
    EXPECT_FALSE(result.timedOut);
    // About every 50 ms for 400 ms; the exact count depends on the machine.
    EXPECT_GE(calls, 3) << limit.count();
  }
}

TEST(Process, InheritsNoHandles) {
  test::TTempFolder dir;
  const int leaked = ::open((dir / "parent.txt").c_str(), O_WRONLY | O_CREAT, 0644);  // not close-on-exec
  ASSERT_GE(leaked, 0);
  const auto script = MakeScript(dir, "probe", "[ -e /proc/self/fd/" + std::to_string(leaked) +
                                                   " ] && exit 1; [ -t 0 ] && exit 2; exit 0");
  const TProcessResult result = RunHiddenAndWait(script, {}, dir.Path());
  ::close(leaked);
  EXPECT_EQ(result.exitCode, 0) << "1: a descriptor leaked, 2: standard input is a terminal";
}

TEST(Process, ReportsWhyAProgramCannotStart) {
  test::TTempFolder dir;
  const TProcessResult missing = RunHiddenAndWait(dir / "PDF.EXE", {}, dir.Path());
  EXPECT_FALSE(missing.started);
  EXPECT_NE(missing.error.find("does not exist"), std::string::npos) << missing.error;

  test::WriteFile(dir / "plain.txt", "not a program");
  ::chmod((dir / "plain.txt").c_str(), 0644);
  const TProcessResult notExecutable = RunHiddenAndWait(dir / "plain.txt", {}, dir.Path());
  if (::geteuid() != 0) {  // root may execute anything with an x bit only; 0644 has none either way
    EXPECT_FALSE(notExecutable.started);
  }
  EXPECT_FALSE(notExecutable.error.empty());
}

TEST(Process, ASignalShowsInTheExitCode) {
  test::TTempFolder dir;
  const auto script = MakeScript(dir, "crash", "kill -9 $$");
  const TProcessResult result = RunHiddenAndWait(script, {}, dir.Path());
  EXPECT_TRUE(result.started);
  EXPECT_EQ(result.exitCode, 128 + 9);
  EXPECT_NE(result.error.find("signal 9"), std::string::npos);
}

// Whether a process is gone (an unreaped zombie counts as gone: it runs no more).
bool Gone(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return true;
  const auto close = line.rfind(')');
  return close != std::string::npos && close + 2 < line.size() && line[close + 2] == 'Z';
}

TEST(Process, AProgramStillRunningAtTheTimeLimitIsEndedWithItsHelpers) {
  test::TTempFolder dir;
  // A hung engine: it ignores SIGTERM, like the helper it started (ignoring is inherited), so only the
  // SIGKILL to the whole group after the grace ends them.
  const auto script = MakeScript(dir, "hung", "trap '' TERM; sleep 30 & echo $! > helper.pid; wait; wait");
  const TProcessResult result = RunHiddenAndWait(script, {}, dir.Path(), std::chrono::milliseconds(300));
  EXPECT_TRUE(result.started);
  EXPECT_TRUE(result.timedOut);
  EXPECT_EQ(result.exitCode, 128 + 9);
  EXPECT_EQ(result.error, "The program \"" + script.string() + "\" did not end within 300 ms and was stopped");
  const std::string helper = test::ReadFile(dir / "helper.pid");
  ASSERT_FALSE(helper.empty());
  // SIGKILL has been sent; the helper's end is the kernel's work of a moment, so it is given a while.
  const pid_t helperPid = std::stoi(helper);
  for (int i = 0; i < 500 && !Gone(helperPid); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_TRUE(Gone(helperPid)) << "the helper of the hung program is still running";

  const auto polite = MakeScript(dir, "slow", "exec sleep 30");
  const TProcessResult ended = RunHiddenAndWait(polite, {}, dir.Path(), std::chrono::milliseconds(1000));
  EXPECT_TRUE(ended.timedOut);
  EXPECT_EQ(ended.exitCode, 128 + 15) << "SIGTERM was enough";
  EXPECT_NE(ended.error.find("within 1 second "), std::string::npos) << ended.error;
}

TEST(Process, AProgramEndingWithinTheTimeLimitIsNotTouched) {
  test::TTempFolder dir;
  const auto script = MakeScript(dir, "quick", "exit 4");
  const TProcessResult result = RunHiddenAndWait(script, {}, dir.Path(), std::chrono::seconds(60));
  EXPECT_TRUE(result.started);
  EXPECT_FALSE(result.timedOut);
  EXPECT_EQ(result.exitCode, 4);
  EXPECT_TRUE(result.error.empty()) << result.error;
}

TEST(Process, DetachedProgramsCanBeEnded) {
  test::TTempFolder dir;
  const auto script = MakeScript(dir, "sleeper", "exec sleep 30");
  pid_t pid = 0;
  ASSERT_TRUE(StartDetached(script, {}, dir.Path(), &pid).ok());
  EXPECT_TRUE(ProcessCpuSeconds(pid).has_value());
  EXPECT_TRUE(TerminateProcess(pid).ok());
}

TEST(Process, ADocumentReachesItsOpenerByteForByte) {
  test::TTempFolder dir;
  // The path is already in the file system's encoding; converting it once more garbles "ü".
  const auto document = dir / "Bericht f\xC3\xBCr M\xC3\xBCller.txt";
  test::WriteFile(document, "report");
  const auto opener =
      MakeScript(dir, "opener", "printf '%s' \"$1\" > \"$1.seen.tmp\" && mv \"$1.seen.tmp\" \"$1.seen\"");
  ASSERT_TRUE(OpenDocument(document, opener).ok());
  const auto seen = std::filesystem::path(document.string() + ".seen");
  for (int i = 0; i < 500 && !std::filesystem::exists(seen); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(test::ReadFile(seen), document.string());
}

TEST(Process, KnowsItsOwnFacts) {
  EXPECT_GT(WorkingSetSize(), 0);
  EXPECT_TRUE(ProcessCpuSeconds(::getpid()).has_value());
  EXPECT_FALSE(ProcessCpuSeconds(-5).has_value());
  EXPECT_TRUE(std::filesystem::exists(ProgramPath()));
  EXPECT_EQ(ProgramFolder(), ProgramPath().parent_path());
}

}  // namespace
}  // namespace varnholt::platform
