// CliAccessTest.cpp — the Security page's switches bind varnholt-cli for a user without administrator
// rights: the failed-report commands and the settings they protect are refused, and nothing changes.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/cli/CliRunner.h"
#include "tests/support/TempFolder.h"

namespace varnholt::test {
namespace {

// Varnholt.xml with the given switches of the window's section ticked.
void TickSwitches(const TTempFolder& app, const std::string& keys) {
  WriteFile(app / "Varnholt.xml", "<DOCUMENT><fmOstrevane.rsPropSaver1>" + keys +
                                      "<cbPaperPrinter.Text>Laser</cbPaperPrinter.Text>"
                                      "</fmOstrevane.rsPropSaver1></DOCUMENT>");
}

TEST(CliAccess, RestrictedFailedCommandsAreRefusedForAnOperatorAndMoveNothing) {
  TTempFolder app;
  TickSwitches(app,
               "<cbAdminReQueueFailedFiles.Checked>True</cbAdminReQueueFailedFiles.Checked>"
               "<cbAdminDeleteFailedFiles.Checked>True</cbAdminDeleteFailedFiles.Checked>");
  WriteFile(app / "drives/c/PDF/FAILED/a.pdf", "failed a");
  const std::string folder = app.Path().string();

  for (const std::vector<std::string>& command :
       {std::vector<std::string>{"failed", "requeue"}, std::vector<std::string>{"failed", "delete", "--yes"}}) {
    std::vector<std::string> args = {"--app-folder", folder, "--not-administrator"};
    args.insert(args.end(), command.begin(), command.end());
    const TCliResult r = RunCli(args);
    EXPECT_EQ(r.exitCode, 2) << command[1];
    EXPECT_NE(r.err.find("Not allowed: an administrator has restricted"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("has NO Administrator rights"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(ReadFile(app / "drives/c/PDF/FAILED/a.pdf"), "failed a");
    EXPECT_FALSE(std::filesystem::exists(app / "drives/c/PDF/a.pdf"));
  }
  // Counting changes nothing and stays open to everybody.
  EXPECT_EQ(RunCli({"--app-folder", folder, "--not-administrator", "failed", "count"}).out, "1\n");
}

TEST(CliAccess, UntickedSwitchesLeaveTheCommandsToEverybody) {
  TTempFolder app;
  TickSwitches(app, "<cbAdminDeleteFailedFiles.Checked>True</cbAdminDeleteFailedFiles.Checked>");
  WriteFile(app / "drives/c/PDF/FAILED/a.pdf", "failed a");
  const TCliResult r = RunCli({"--app-folder", app.Path().string(), "--not-administrator", "failed", "requeue"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(ReadFile(app / "drives/c/PDF/a.pdf"), "failed a");
}

TEST(CliAccess, AnOperatorCannotChangeTheSwitchesThePasswordsOrWhatATickedSwitchProtects) {
  TTempFolder app;
  TickSwitches(app, "<cbAdminPrinterSetup.Checked>True</cbAdminPrinterSetup.Checked>");
  const std::string folder = app.Path().string();
  const std::string before = ReadFile(app / "Varnholt.xml");
  for (const auto& [key, value] : std::vector<std::pair<std::string, std::string>>{
           {"cbAdminPrinterSetup.Checked", "False"},
           {"cbAdminClose.Checked", "True"},
           {"edOwner.Text", "secret"},
           {"edUser.Text", ""},
           {"cbPaperPrinter.Text", "Other"}}) {
    const TCliResult r = RunCli(
        {"--app-folder", folder, "--not-administrator", "settings", "set", "/fmOstrevane.rsPropSaver1/" + key, value});
    EXPECT_EQ(r.exitCode, 2) << key;
    EXPECT_NE(r.err.find("Not allowed"), std::string::npos) << r.err;
    EXPECT_EQ(ReadFile(app / "Varnholt.xml"), before) << key;
  }
  // What no switch protects stays open.
  EXPECT_EQ(RunCli({"--app-folder", folder, "--not-administrator", "settings", "set",
                    "/fmOstrevane.rsPropSaver1/edFind.Text", "x"})
                .exitCode,
            0);
}

}  // namespace
}  // namespace varnholt::test
