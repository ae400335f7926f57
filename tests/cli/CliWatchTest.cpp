// CliWatchTest.cpp — `varnholt-cli watch` as a service: reports dropped into the queue the way a printer
// writes them (slowly, then closed) are filed exactly once; one instance per folder; SIGTERM ends it with
// the log written; an emergency stop ends it with status 3.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "tests/cli/CliRunner.h"
#include "tests/cli/SampleReports.h"
#include "tests/support/TempFolder.h"

namespace varnholt::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class TWatchProcess {
 public:
  explicit TWatchProcess(const fs::path& app)
      : pid_(StartCli({"--app-folder", app.string(), "watch"}, capture_ / "out", capture_ / "err")) {}
  ~TWatchProcess() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  // Waits for the process to end by itself (at most the given time); its exit status, or -1.
  int WaitForExit(std::chrono::seconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = 0;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      std::this_thread::sleep_for(50ms);
    }
    return -1;
  }
  int Terminate() {
    kill(pid_, SIGTERM);
    return WaitForExit(30s);
  }
  pid_t Pid() const { return pid_; }
  std::string Out() const { return ReadFile(capture_ / "out"); }
  std::string Err() const { return ReadFile(capture_ / "err"); }

 private:
  TTempFolder capture_;
  pid_t pid_ = 0;
};

// Waits until the predicate holds, at most limit.
template <typename P>
bool WaitFor(P predicate, std::chrono::seconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end) {
    if (predicate()) return true;
    std::this_thread::sleep_for(100ms);
  }
  return predicate();
}

class CliWatch : public testing::Test {
 protected:
  void SetUp() override {
    for (const char* program : {"PDF.EXE", "PDFEDIT.EXE"}) fs::copy_file(fs::path(VARNHOLT_APP_DIR) / program, app_ / program);
  }
  fs::path Queue() const { return app_ / "drives/c/PDF"; }
  // Writes a sample into the queue as a printer does: a part, a pause while the job is still open, the rest.
  void PrintInto(const std::string& sample, const std::string& as) {
    const std::string bytes = ReadFile(TestDataFolder() / "engine/reports" / sample);
    std::ofstream out(Queue() / as, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size() / 2));
    out.flush();
    std::this_thread::sleep_for(700ms);
    out.write(bytes.data() + bytes.size() / 2, static_cast<std::streamsize>(bytes.size() - bytes.size() / 2));
  }
  TTempFolder app_;
};

TEST_F(CliWatch, FilesEveryReportExactlyOnceAndStopsCleanly) {
  TWatchProcess watch(app_.Path());
  ASSERT_TRUE(WaitFor([&] { return fs::exists(Queue()) && fs::exists(app_ / "Varnholt.PS"); }, 20s)) << watch.Err();

  // A second service in the same folder is refused at once and names the first.
  const TCliResult second = RunCli({"--app-folder", app_.Path().string(), "watch"});
  EXPECT_EQ(second.exitCode, 1);
  EXPECT_NE(second.err.find(std::to_string(watch.Pid())), std::string::npos) << second.err;

  // Every sample the engine can read, as a printer writes it; a second copy of one report on top.
  std::vector<TSampleReport> printed;
  for (const TSampleReport& sample : SampleReports()) {
    if (sample.engineFails) continue;  // an unreadable report goes to FAILED: see EngineExchangeTest
    PrintInto(sample.file, sample.file);
    printed.push_back(sample);
  }
  PrintInto("ms_quant_report.pdf", "again.pdf");
  const fs::path drive = app_ / "drives/c";
  const auto filed = [&] {
    return std::all_of(printed.begin(), printed.end(), [&](const auto& s) { return fs::exists(drive / s.target); }) &&
           fs::exists(drive / "PDFSTORE/WW-2010-1234_0000.PDF");
  };
  EXPECT_TRUE(WaitFor(filed, 90s)) << watch.Out() << watch.Err();
  for (const TSampleReport& sample : printed) {
    EXPECT_EQ(ReadFile(drive / sample.target), ReadFile(TestDataFolder() / "engine/reports" / sample.file)) << sample.file;
  }
  EXPECT_EQ(ReadFile(drive / "PDFSTORE/WW-2010-1234_0000.PDF"),
            ReadFile(TestDataFolder() / "engine/reports/ms_quant_report.pdf"));
  // Exactly once: nothing else anywhere on the drive, nothing left in the queue.
  std::size_t files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(drive)) files += entry.is_regular_file();
  EXPECT_EQ(files, printed.size() + 1);

  EXPECT_EQ(watch.Terminate(), 0) << watch.Err();
  const std::string log = ReadFile(app_ / "Varnholt.LOG");
  EXPECT_NE(log.find("\tWatch\tStop\tSIGTERM"), std::string::npos);
  EXPECT_NE(log.find("\tSampleName\tSoil-Extract 17B"), std::string::npos);
  EXPECT_NE(log.find("\tPdfCopyMoveTo\tDone\tC:\\PDFSTORE\\WW-2010-1234_0000.PDF"), std::string::npos);
}

TEST_F(CliWatch, ANameWithALineBreakGoesToFailedAndTheServiceGoesOn) {
  TWatchProcess watch(app_.Path());
  ASSERT_TRUE(WaitFor([&] { return fs::exists(app_ / "Varnholt.PS"); }, 20s)) << watch.Err();
  const std::string odd = "odd\nname.pdf";
  fs::copy_file(TestDataFolder() / "engine/reports/ms_quant_report.pdf", Queue() / odd);
  PrintInto("gc_run_report.pdf", "good.pdf");
  const fs::path drive = app_ / "drives/c";
  EXPECT_TRUE(WaitFor(
      [&] {
        return fs::exists(drive / "PDFSTORE/Soil-Extract 17B.PDF") && fs::exists(Queue() / "FAILED" / odd);
      },
      60s))
      << watch.Out() << watch.Err();
  std::this_thread::sleep_for(2s);  // a few more passes over the queue
  EXPECT_EQ(watch.WaitForExit(0s), -1) << "the service ended: " << watch.Err();
  EXPECT_EQ(watch.Terminate(), 0) << watch.Err();
  const std::string log = ReadFile(app_ / "Varnholt.LOG");
  EXPECT_NE(log.find("\tAutomatic\tName With Control Character\tC:\\PDF\\odd\\x0Aname.pdf"),
            std::string::npos)
      << log;
  EXPECT_EQ(log.find("\tEmergencyStop\t"), std::string::npos) << log;
}

TEST_F(CliWatch, EmergencyStopEndsWithStatus3) {
  fs::create_directories(Queue());
  WriteFile(Queue() / "FAILED", "a file where the FAILED folder belongs");
  TWatchProcess watch(app_.Path());
  ASSERT_TRUE(WaitFor([&] { return fs::exists(app_ / "Varnholt.PS"); }, 20s));
  PrintInto("unknown_instrument_report.pdf", "odd.pdf");
  EXPECT_EQ(watch.WaitForExit(60s), 3) << watch.Out() << watch.Err();
  EXPECT_NE(watch.Err().find("emergency stop"), std::string::npos);
  EXPECT_TRUE(fs::exists(Queue() / "odd.pdf"));  // nothing lost
  EXPECT_NE(ReadFile(app_ / "Varnholt.LOG").find("\tEmergencyStop\tAutomatic\tStop"), std::string::npos);
}

}  // namespace
}  // namespace varnholt::test
