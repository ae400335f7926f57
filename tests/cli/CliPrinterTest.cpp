// CliPrinterTest.cpp — `varnholt-cli printer status|setup` against a CUPS server of the test's own, with
// cups-pdf's settings in a temporary folder.
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "tests/cli/CliRunner.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestCupsServer.h"

namespace varnholt::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kPpd = "/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd";
// Stands in for the cups-pdf backend, which the server wants to see before it takes the device.
constexpr const char* kStandInBackend = "#!/bin/sh\nexit 0\n";

class CliPrinter : public testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(kCupsd)) GTEST_SKIP() << "cupsd is not installed (scripts/install-deps.sh installs it)";
    if (!fs::exists(kPpd))
      GTEST_SKIP() << "printer-driver-cups-pdf is not installed (scripts/install-deps.sh installs it)";
    TTestCupsServer::TOptions options;
    options.backends.emplace_back("cups-pdf", kStandInBackend);
    server_ = std::make_unique<TTestCupsServer>(options);
    ASSERT_TRUE(server_->Running()) << "the test's own cupsd did not start";
    // varnholt-cli inherits this: it talks to our server only.
    setenv("CUPS_SERVER", server_->Socket().c_str(), 1);
    WriteFile(temp_ / "backend/cups-pdf", kStandInBackend);
    fs::create_directories(temp_ / "cups");
  }
  void TearDown() override {
    unsetenv("CUPS_SERVER");
    server_.reset();
  }
  TCliResult Printer(const std::string& command) {
    return RunCli({"--app-folder", app_.Path().string(), "printer", command, "--cups-pdf-config",
                   (temp_ / "cups").string(), "--cups-pdf-backend", (temp_ / "backend/cups-pdf").string(),
                   "--cups-pdf-ppd", kPpd});
  }
  TTempFolder temp_;
  TTempFolder app_;
  std::unique_ptr<TTestCupsServer> server_;
};

TEST_F(CliPrinter, StatusSaysNotReadyUntilSetupThenReady) {
  if (::geteuid() != 0) GTEST_SKIP() << "printer setup needs root";
  const TCliResult before = Printer("status");
  EXPECT_EQ(before.exitCode, 1) << before.err;
  EXPECT_NE(before.out.find("No PDF printer"), std::string::npos) << before.out;
  EXPECT_NE(before.out.find("Not ready"), std::string::npos) << before.out;

  const TCliResult setup = Printer("setup");
  EXPECT_EQ(setup.exitCode, 0) << setup.err;
  EXPECT_NE(setup.out.find("Created the printer Varnholt-PDF"), std::string::npos) << setup.out;

  const TCliResult after = Printer("status");
  EXPECT_EQ(after.exitCode, 0) << after.err;
  const std::string queue = fs::weakly_canonical(app_ / "drives/c/PDF").string();
  EXPECT_NE(after.out.find("writes to: " + queue + "\n"), std::string::npos) << after.out;
  EXPECT_NE(after.out.find("date, time and counter"), std::string::npos) << after.out;
  EXPECT_NE(after.out.find("Ready: Varnholt-PDF"), std::string::npos) << after.out;

  const TCliResult again = Printer("setup");
  EXPECT_EQ(again.exitCode, 0) << again.err;
  EXPECT_EQ(again.out, "Nothing to change: the printer Varnholt-PDF is set up.\n");
}

TEST_F(CliPrinter, SetupRefusesWithoutRootAndChangesNothing) {
  // Run as the unprivileged user "nobody" when we are root; as any other user we already are one.
  const fs::path program = fs::path(VARNHOLT_APP_DIR) / "varnholt-cli";
  std::string command = program.string() + " --app-folder " + app_.Path().string() +
                        " printer setup --cups-pdf-config " + (temp_ / "cups").string() + " >" +
                        (temp_ / "out").string() + " 2>" + (temp_ / "err").string();
  if (::geteuid() == 0) {
    if (!fs::exists("/usr/bin/setpriv")) GTEST_SKIP() << "setpriv (util-linux) is needed to drop root";
    fs::permissions(temp_.Path(), fs::perms::all);
    command = "/usr/bin/setpriv --reuid=65534 --regid=65534 --clear-groups " + command;
  }
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 126 || WEXITSTATUS(status) == 127)
    GTEST_SKIP() << "the user nobody cannot reach the built program in this checkout";
  EXPECT_EQ(WEXITSTATUS(status), 2);
  EXPECT_NE(ReadFile(temp_ / "err").find("must run as root"), std::string::npos) << ReadFile(temp_ / "err");
  EXPECT_TRUE(fs::is_empty(temp_ / "cups"));
  EXPECT_FALSE(fs::exists(app_ / "drives"));
}

}  // namespace
}  // namespace varnholt::test
