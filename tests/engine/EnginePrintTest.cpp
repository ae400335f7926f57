// EnginePrintTest.cpp — PRINT against a CUPS server of the test's own: its own configuration folder and
// socket, and one printer whose backend keeps every job as a file in a temporary folder.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/Process.h"
#include "tests/engine/EngineHarness.h"

namespace varnholt::test {
namespace {

constexpr const char* kCupsd = "/usr/sbin/cupsd";
constexpr const char* kCupsBin = "/usr/lib/cups";

class TTestCupsServer {
 public:
  TTestCupsServer() {
    const auto root = temp_ / "root";
    for (const char* dir : {"root", "spool", "cache", "state", "tmp", "log", "jobs", "bin/backend"}) {
      std::filesystem::create_directories(temp_ / dir);
    }
    // cupsd runs its backends as another user unless they are private to root.
    std::filesystem::permissions(temp_ / "jobs", std::filesystem::perms::all);
    for (const auto& entry : std::filesystem::directory_iterator(kCupsBin)) {
      if (entry.path().filename() != "backend") {
        std::filesystem::create_symlink(entry.path(), temp_ / "bin" / entry.path().filename());
      }
    }
    const auto backend = temp_ / "bin/backend/capture";
    WriteFile(
        backend,
        "#!/bin/sh\n"
        "# Keeps every job as a file in the folder the device URI names.\n"
        "if [ $# -eq 0 ]; then echo 'direct capture \"Unknown\" \"Capture\"'; exit 0; fi\n"
        "dir=\"${DEVICE_URI#capture:}\"\n"
        "if [ -n \"$6\" ]; then cat \"$6\" > \"$dir/job-$1.prn\"; else cat > \"$dir/job-$1.prn\"; fi\n");
    chmod(backend.c_str(), 0700);
    socket_ = temp_ / "cups.sock";
    const std::string t = temp_.Path().string();
    WriteFile(root / "cupsd.conf", "Listen " + socket_.string() +
                                       "\nLogLevel warn\nBrowsing No\nDefaultAuthType None\n"
                                       "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n");
    WriteFile(root / "cups-files.conf",
              "ServerRoot " + t + "/root\nServerBin " + t + "/bin\nRequestRoot " + t + "/spool\nCacheDir " +
                  t + "/cache\nStateDir " + t + "/state\nTempDir " + t + "/tmp\nErrorLog " + t +
                  "/log/error_log\nAccessLog " + t + "/log/access_log\nPageLog " + t + "/log/page_log\n");
    WriteFile(root / "printers.conf",
              "<Printer Lab_Printer>\nState Idle\nAccepting Yes\nDeviceURI capture:" + t +
                  "/jobs\n</Printer>\n<Printer Closed_Printer>\nState Idle\nAccepting No\n"
                  "DeviceURI capture:" +
                  t + "/jobs\n</Printer>\n");
    const auto started = platform::StartDetached(
        kCupsd, {"-f", "-c", (root / "cupsd.conf").string(), "-s", (root / "cups-files.conf").string()},
        temp_.Path(), &pid_);
    if (!started) return;
    for (int i = 0; i < 100 && !std::filesystem::exists(socket_); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    // Give the server a moment to accept on the socket it made.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  ~TTestCupsServer() {
    if (pid_ > 0) platform::TerminateProcess(pid_);
  }
  TTestCupsServer(const TTestCupsServer&) = delete;
  TTestCupsServer& operator=(const TTestCupsServer&) = delete;

  bool Running() const { return pid_ > 0 && std::filesystem::exists(socket_); }
  const std::filesystem::path& Socket() const { return socket_; }
  // The jobs the printer received, waiting a little for the backend to finish.
  std::vector<std::string> Jobs() const {
    std::vector<std::string> jobs;
    for (int i = 0; i < 100 && jobs.empty(); ++i) {
      for (const auto& entry : std::filesystem::directory_iterator(temp_ / "jobs")) {
        if (entry.file_size() > 0) jobs.push_back(ReadFile(entry.path()));
      }
      if (jobs.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return jobs;
  }

 private:
  TTempFolder temp_;
  std::filesystem::path socket_;
  pid_t pid_ = 0;
};

class Print : public testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(kCupsd))
      GTEST_SKIP() << "cupsd is not installed (scripts/install-deps.sh installs it)";
    server_ = std::make_unique<TTestCupsServer>();
    ASSERT_TRUE(server_->Running()) << "the test's own cupsd did not start";
    // The engine inherits this: it talks to our server only.
    setenv("CUPS_SERVER", server_->Socket().c_str(), 1);
  }
  void TearDown() override {
    unsetenv("CUPS_SERVER");
    server_.reset();
  }
  std::unique_ptr<TTestCupsServer> server_;
};

TEST_F(Print, TheJobArrivesAtThePrinter) {
  TEngineHarness engine;
  const auto path = engine.AddSample("gc_run_report.pdf");
  const auto answer =
      engine.Run({"PDFFILE=" + path, "PDFPRINTER=Lab_Printer", "PDFACTION=PRINT", "PDFOWNER=", "PDFUSER="});
  ASSERT_EQ(answer.status, "OK") << answer.message;
  const auto jobs = server_->Jobs();
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_EQ(jobs[0], ReadFile(engine.Native("gc_run_report.pdf")));
}

TEST_F(Print, AnEncryptedFileIsPrintedDecrypted) {
  TEngineHarness engine;
  const auto path = engine.AddSample("ms_quant_report_encrypted_aes256.pdf");
  const auto answer =
      engine.Run({"PDFFILE=" + path, "PDFPRINTER=Lab_Printer", "PDFACTION=PRINT", "PDFUSER=user1"});
  ASSERT_EQ(answer.status, "OK") << answer.message;
  const auto jobs = server_->Jobs();
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_TRUE(jobs[0].starts_with("%PDF-"));
  EXPECT_EQ(jobs[0].find("/Encrypt"), std::string::npos);
}

TEST_F(Print, UnknownPrinterAndRefusedJobAreErrors) {
  TEngineHarness engine;
  const auto path = engine.AddSample("gc_run_report.pdf");
  const auto unknown = engine.Run({"PDFFILE=" + path, "PDFPRINTER=Nowhere", "PDFACTION=PRINT"});
  EXPECT_EQ(unknown.status, "Error");
  EXPECT_NE(unknown.message.find("Unknown printer \"Nowhere\""), std::string::npos) << unknown.message;
  EXPECT_NE(unknown.message.find("Lab_Printer"), std::string::npos) << unknown.message;
  const auto refused = engine.Run({"PDFFILE=" + path, "PDFPRINTER=Closed_Printer", "PDFACTION=PRINT"});
  EXPECT_EQ(refused.status, "Error");
  EXPECT_NE(refused.message.find("refused"), std::string::npos) << refused.message;
}

}  // namespace
}  // namespace varnholt::test
