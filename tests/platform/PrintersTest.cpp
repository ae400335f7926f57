// PrintersTest.cpp — the printer list, the default printer and print jobs against a CUPS server of the
// test's own.
#include "platform/Printers.h"

#include <gtest/gtest.h>

#include <memory>

#include "tests/support/TempFolder.h"
#include "tests/support/TestCupsServer.h"

namespace varnholt::platform {
namespace {

using test::TTestCupsServer;

class Printers : public testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(test::kCupsd))
      GTEST_SKIP() << "cupsd is not installed (scripts/install-deps.sh installs it)";
    server_ = std::make_unique<TTestCupsServer>();
    ASSERT_TRUE(server_->Running()) << "the test's own cupsd did not start";
    UsePrintServer(server_->Socket().string());
  }
  void TearDown() override {
    UsePrintServer("");
    server_.reset();
  }
  std::unique_ptr<TTestCupsServer> server_;
};

TEST_F(Printers, ListDefaultAndInstalledCheck) {
  EXPECT_EQ(InstalledPrinters(), (std::vector<std::string>{"Closed_Printer", "Lab_Printer"}));
  EXPECT_EQ(DefaultPrinter(), "Lab_Printer");
  const struct {
    const char* name;
    bool installed;
  } cases[] = {{"Lab_Printer", true}, {"lab_printer", true}, {"CLOSED_PRINTER", true},
               {"Lab", false},        {"", false},           {"Lab_Printer ", false}};
  for (const auto& c : cases) EXPECT_EQ(IsPrinterInstalled(c.name), c.installed) << '"' << c.name << '"';
}

TEST_F(Printers, SetDefaultPrinterMovesTheDefaultAndNamesAnUnknownPrinter) {
  ASSERT_TRUE(SetDefaultPrinter("Closed_Printer"));
  EXPECT_EQ(DefaultPrinter(), "Closed_Printer");
  const TStatus unknown = SetDefaultPrinter("No_Such_Printer");
  EXPECT_FALSE(unknown);
  EXPECT_NE(unknown.Message().find("No_Such_Printer"), std::string::npos) << unknown.Message();
  EXPECT_EQ(DefaultPrinter(), "Closed_Printer");
}

TEST_F(Printers, QueuesTellTheirDeviceAndState) {
  const auto queues = PrinterQueues();
  ASSERT_EQ(queues.size(), 2u);
  EXPECT_EQ(queues[0].name, "Closed_Printer");
  EXPECT_FALSE(queues[0].acceptingJobs);
  EXPECT_FALSE(queues[0].isDefault);
  EXPECT_EQ(queues[1].name, "Lab_Printer");
  EXPECT_TRUE(queues[1].acceptingJobs);
  EXPECT_TRUE(queues[1].isDefault);
  EXPECT_TRUE(queues[1].deviceUri.starts_with("capture:")) << queues[1].deviceUri;
}

TEST_F(Printers, PrintFileQueuesRefusesAndNamesUnknownPrinters) {
  test::TTempFolder temp;
  const auto file = temp / "report.pdf";
  test::WriteFile(file, "%PDF-1.4\n% not parsed by the capturing printer\n%%EOF\n");

  // The name in other letter case still prints, on the printer as the server spells it.
  const TPrintJob job = PrintFile("lab_printer", file, "report.pdf");
  ASSERT_TRUE(job.Queued()) << job.error;
  EXPECT_GT(job.id, 0);
  EXPECT_EQ(job.name, "Lab_Printer");
  const auto jobs = server_->Jobs();
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_EQ(jobs[0], test::ReadFile(file));

  EXPECT_EQ(PrintFile("Nowhere", file, "x").state, TPrintJob::TState::UnknownPrinter);
  const TPrintJob refused = PrintFile("Closed_Printer", file, "x");
  EXPECT_EQ(refused.state, TPrintJob::TState::Refused);
  EXPECT_FALSE(refused.error.empty());
}

}  // namespace
}  // namespace varnholt::platform
