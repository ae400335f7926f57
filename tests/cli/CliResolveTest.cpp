// CliResolveTest.cpp — `varnholt-cli resolve` and the program's own options.
#include <gtest/gtest.h>

#include "tests/cli/CliRunner.h"
#include "tests/support/TempFolder.h"

namespace varnholt::test {
namespace {

TEST(CliResolve, PrintsTheNativePathOfAMappedFile) {
  TTempFolder app;
  WriteFile(app / "drives/c/PDF/FAILED/a.PDF", "%PDF");
  const TCliResult r = RunCli({"--app-folder", app.Path().string(), "resolve", "C:\\pdf\\Failed\\a.PDF"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, (app / "drives/c/PDF/FAILED/a.PDF").string() + "\n");
}

TEST(CliResolve, TakesNonAsciiNamesFromTheTerminalAsUtf8) {
  TTempFolder app;
  WriteFile(app / "drives/c/PDF/Probe S\xC3\xBC" "d-7.pdf", "%PDF");
  const TCliResult r = RunCli({"--app-folder", app.Path().string(), "resolve", "C:\\PDF\\PROBE S\xC3\x9C" "D-7.PDF"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, (app / "drives/c/PDF/Probe S\xC3\xBC" "d-7.pdf").string() + "\n");
}

TEST(CliResolve, RefusesUnmappablePathsWithExitCode2) {
  TTempFolder app;
  std::filesystem::create_directories(app / "drives/c");
  for (const char* path : {"C:\\..\\etc\\passwd", "relative\\x.pdf", "Q:\\x.pdf"}) {
    const TCliResult r = RunCli({"--app-folder", app.Path().string(), "resolve", path});
    EXPECT_EQ(r.exitCode, 2) << path;
    EXPECT_TRUE(r.out.empty());
    EXPECT_NE(r.err.find("Cannot resolve the path"), std::string::npos) << r.err;
  }
}

TEST(Cli, ARelativeApplicationFolderStillReachesTheEngine) {
  // The engine runs in the application folder, not in ours: a relative folder must be made absolute.
  TTempFolder app;
  for (const char* program : {"PDF.EXE", "PDFEDIT.EXE"})
    std::filesystem::copy_file(std::filesystem::path(VARNHOLT_APP_DIR) / program, app / program);
  std::filesystem::create_directories(app / "drives/c/PDF");
  std::filesystem::copy_file(TestDataFolder() / "engine/reports/ms_quant_report.pdf",
                             app / "drives/c/PDF/a.pdf");
  // Run from the folder above it, so that the relative name cannot climb back to the root by chance.
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(app.Path().parent_path());
  const TCliResult r = RunCli({"--app-folder", app.Path().filename().string(), "extract", "C:\\PDF\\a.pdf"});
  std::filesystem::current_path(before);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("---------------------------------------- Text2"), std::string::npos) << r.out;
}

TEST(Cli, HelpAndVersion) {
  const TCliResult help = RunCli({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("resolve"), std::string::npos);
  const TCliResult version = RunCli({"--version"});
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_NE(version.out.find("varnholt-cli "), std::string::npos);
  EXPECT_NE(RunCli({"no-such-command"}).exitCode, 0);
}

}  // namespace
}  // namespace varnholt::test
