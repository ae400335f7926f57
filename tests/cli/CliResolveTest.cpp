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
