// EnginePrintTest.cpp — PRINT against a CUPS server of the test's own, whose printer keeps every job as a
// file in a temporary folder.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/engine/EngineHarness.h"
#include "tests/support/TestCupsServer.h"

namespace varnholt::test {
namespace {

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
