// CliInstalledLayoutTest.cpp — the installed layout: programs in one folder, the application folder
// elsewhere without a copy of the engine.
#include <gtest/gtest.h>

#include "tests/cli/CliRunner.h"
#include "tests/support/TempFolder.h"

namespace varnholt::test {
namespace {

TEST(CliInstalledLayout, FindsTheEngineBesideTheProgram) {
  TTempFolder app;  // no PDF.EXE, no PDFEDIT.EXE: they stay with varnholt-cli
  std::filesystem::create_directories(app / "drives/c/PDF");
  std::filesystem::copy_file(TestDataFolder() / "engine/reports/gc_accented_operator.pdf",
                             app / "drives/c/PDF/report.pdf");
  const TCliResult r = RunCli({"--app-folder", app.Path().string(), "extract", "C:\\PDF\\report.pdf"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("Acq. Operator"), std::string::npos) << r.out;
  EXPECT_FALSE(std::filesystem::exists(app / "PDF.EXE"));
}

}  // namespace
}  // namespace varnholt::test
