// CliLogTest.cpp — Varnholt.LOG shared by the commands: every process appends to it, a killed service
// keeps its records, and what the terminal and JSON show of a record carries no raw control characters.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <nlohmann/json.hpp>
#include <thread>

#include "tests/cli/CliRunner.h"
#include "tests/support/TempFolder.h"

namespace varnholt::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::size_t Occurrences(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// No byte below a space but the line feed, and no DEL; UTF-8 C1 controls (C2 80..C2 9F) neither.
bool HasRawControls(const std::string& text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if ((c < 0x20 && c != '\n') || c == 0x7F) return true;
    if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) < 0xA0) return true;
  }
  return false;
}

// Starts `watch` and waits until it says that it is filing; the process id, or 0.
pid_t StartWatch(const fs::path& app, const TTempFolder& capture) {
  const pid_t pid = StartCli({"--app-folder", app.string(), "watch"}, capture / "out", capture / "err");
  const auto end = std::chrono::steady_clock::now() + 30s;
  while (pid > 0 && std::chrono::steady_clock::now() < end) {
    if (ReadFile(capture / "out").find("Varnholt is filing") != std::string::npos) return pid;
    std::this_thread::sleep_for(50ms);
  }
  if (pid > 0) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
  return 0;
}

TEST(CliLog, EveryCommandAppendsAndAKilledServiceKeepsItsRecords) {
  TTempFolder app;
  for (const char* program : {"PDF.EXE", "PDFEDIT.EXE"}) fs::copy_file(fs::path(VARNHOLT_APP_DIR) / program, app / program);
  const std::string folder = app.Path().string();
  {
    TTempFolder capture;
    const pid_t watch = StartWatch(app.Path(), capture);
    ASSERT_GT(watch, 0);
    // A command that logs while the service runs: its records must survive the service's end.
    EXPECT_EQ(RunCli({"--app-folder", folder, "failed", "count"}).exitCode, 0);
    kill(watch, SIGTERM);
    int status = 0;
    ASSERT_EQ(waitpid(watch, &status, 0), watch);
  }
  std::string log = ReadFile(app / "Varnholt.LOG");
  EXPECT_EQ(Occurrences(log, "\tLogger\tCreate\tLogging\tStart\r\n"), 2u) << log;
  EXPECT_EQ(Occurrences(log, "\tLogger\tDestroy\tLogging\tStop\r\n"), 2u) << log;
  EXPECT_EQ(Occurrences(log, "\tVarnholt\tWatch\tStop\tSIGTERM\r\n"), 1u) << log;

  {
    TTempFolder capture;
    const pid_t watch = StartWatch(app.Path(), capture);
    ASSERT_GT(watch, 0);
    kill(watch, SIGKILL);
    waitpid(watch, nullptr, 0);
  }
  log = ReadFile(app / "Varnholt.LOG");
  EXPECT_EQ(Occurrences(log, "\tVarnholt\tWatch\tStart\t"), 2u) << "the killed service's records are in the file";
  EXPECT_EQ(Occurrences(log, "\tLogger\tCreate\tLogging\tStart\r\n"), 3u) << log;
}

TEST(CliLog, StatusShowsControlCharactersOfOldRecordsEscaped) {
  TTempFolder app;
  // A line as older versions wrote it: a TAB inside the Text, an escape sequence and a bell, a 1252 letter.
  WriteFile(app / "Varnholt.LOG",
            "20240102\t030405006\tMsg\tAction\tScript\tname\tforged\x1B]0;owned\a\tS\xFC" "d\r\n");
  const TCliResult r = RunCli({"--app-folder", app.Path().string(), "status"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_FALSE(HasRawControls(r.out)) << r.out;
  EXPECT_NE(r.out.find("03:04:05.006  Msg  Action.Script  name  forged^[]0;owned^G^IS\xC3\xBC" "d\n"), std::string::npos)
      << r.out;
}

TEST(CliLog, RunJsonShowsLoggedTabsAndEscapesAsText) {
  TTempFolder app;
  for (const char* program : {"PDF.EXE", "PDFEDIT.EXE"}) fs::copy_file(fs::path(VARNHOLT_APP_DIR) / program, app / program);
  fs::create_directories(app / "drives/c/PDF");
  fs::copy_file(TestDataFolder() / "engine/reports/gc_run_report.pdf", app / "drives/c/PDF/gc.pdf");
  WriteFile(app / "s.psc", "Log('a'#9'b', #27'[31m'#7'S'#252'd')");
  const TCliResult r = RunCli({"run", "--json", "--script", (app / "s.psc").string(), "C:\\PDF\\gc.pdf", "--app-folder",
                               app.Path().string()});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_FALSE(HasRawControls(r.out)) << r.out;
  bool found = false;
  std::size_t start = 0;
  for (std::size_t end = r.out.find('\n'); end != std::string::npos; start = end + 1, end = r.out.find('\n', start)) {
    const auto record = nlohmann::json::parse(r.out.substr(start, end - start));
    // The last line is the run's outcome, not a record.
    if (!record.contains("object") || record["object"] != "Action" || record["proc"] != "Script") continue;
    found = true;
    EXPECT_EQ(record["text"], "a^Ib");
    EXPECT_EQ(record["data"], "^[[31m^GS\xC3\xBC" "d");
  }
  EXPECT_TRUE(found) << r.out;
  const std::string log = ReadFile(app / "Varnholt.LOG");
  EXPECT_NE(log.find("\tScr\tAction\tScript\ta^Ib\t^[[31m^GS\xFC" "d\r\n"), std::string::npos) << log;
}

}  // namespace
}  // namespace varnholt::test
