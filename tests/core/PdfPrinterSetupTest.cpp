// PdfPrinterSetupTest.cpp — the start-up check of the PDF printer, on a printing system of the test's own:
// nothing is asked where no PDF printer can be set up, and each answer does what it says.
#include "core/uPdfPrinterSetup.h"

#include <gtest/gtest.h>

#include "tests/core/RecordingPort.h"

namespace varnholt::test {
namespace {

constexpr const char* kSetUpQuestion =
    "Confirm Varnholt requires a PDF Printer\ncups-pdf was found as valid PDF Printer\n\nSet Varnholt-PDF to "
    "print automatically to C:\\PDF\\ ?";
constexpr const char* kDefaultQuestion =
    "Confirm Varnholt requires a PDF Printer\nVarnholt-PDF was found as valid PDF Printer\n\nSet Varnholt-PDF as "
    "the default printer ?";

// A printing system that writes down what was done to it.
struct TFakePrinting {
  bool serverAnswers = true, backendInstalled = true, ready = false, root = true;
  std::string defaultPrinter = "Office_Laser";
  platform::TStatus setUpResult = platform::TStatus::Ok();
  platform::TStatus defaultResult = platform::TStatus::Ok();
  std::vector<std::string> done;

  TPdfPrinterSystem System() {
    TPdfPrinterSystem system;
    system.check = [this] {
      platform::TPdfPrinterCheck check;
      check.serverAnswers = serverAnswers;
      check.backendInstalled = backendInstalled;
      if (ready) check.matchingQueue = "Varnholt-PDF";
      return check;
    };
    system.maySetUp = [this] { return root; };
    system.setUp = [this](std::vector<std::string>& changes) {
      done.push_back("setup");
      changes.push_back("Created the printer Varnholt-PDF");
      return setUpResult;
    };
    system.defaultPrinter = [this] { return defaultPrinter; };
    system.setDefaultPrinter = [this](const std::string& name) {
      done.push_back("default " + name);
      return defaultResult;
    };
    return system;
  }
};

TEST(PdfPrinterSetup, NothingIsAskedWhereNoPdfPrinterCanBeSetUp) {
  struct TCase {
    const char* what;
    bool serverAnswers, backendInstalled, root;
  };
  for (const TCase& c : {TCase{"no print server", false, true, true}, TCase{"no cups-pdf", true, false, true},
                         TCase{"not root", true, true, false}}) {
    TFakePrinting printing;
    printing.serverAnswers = c.serverAnswers;
    printing.backendInstalled = c.backendInstalled;
    printing.root = c.root;
    TRecordingPort port;
    TLogger logger({}, false, 1000, kDefaultLogTypes);
    EXPECT_FALSE(CheckPdfPrinter(printing.System(), port, logger)) << c.what;
    EXPECT_EQ(port.calls, std::vector<std::string>{}) << c.what;
    EXPECT_EQ(printing.done, std::vector<std::string>{}) << c.what;
  }
}

TEST(PdfPrinterSetup, AReadyPrinterThatIsTheDefaultAsksNothing) {
  TFakePrinting printing;
  printing.ready = true;
  printing.defaultPrinter = "varnholt-pdf";
  TRecordingPort port;
  TLogger logger({}, false, 1000, kDefaultLogTypes);
  EXPECT_TRUE(CheckPdfPrinter(printing.System(), port, logger));
  EXPECT_EQ(port.calls, std::vector<std::string>{});
  // Without the rights to change the default, a ready printer is enough: nothing is asked either.
  printing.defaultPrinter = "Office_Laser";
  printing.root = false;
  EXPECT_TRUE(CheckPdfPrinter(printing.System(), port, logger));
  EXPECT_EQ(port.calls, std::vector<std::string>{});
}

TEST(PdfPrinterSetup, YesSetsThePrinterUpAndMakesItTheDefault) {
  TFakePrinting printing;
  TRecordingPort port;
  TLogger logger({}, false, 1000, kDefaultLogTypes);
  EXPECT_TRUE(CheckPdfPrinter(printing.System(), port, logger));
  EXPECT_EQ(port.calls, (std::vector<std::string>{kSetUpQuestion, kDefaultQuestion}));
  EXPECT_EQ(printing.done, (std::vector<std::string>{"setup", "default Varnholt-PDF"}));
}

TEST(PdfPrinterSetup, NoLeavesThePrinterAsItIs) {
  TFakePrinting printing;
  TRecordingPort port;
  port.confirmAnswer = false;
  TLogger logger({}, false, 1000, kDefaultLogTypes);
  EXPECT_FALSE(CheckPdfPrinter(printing.System(), port, logger));
  EXPECT_EQ(port.calls, std::vector<std::string>{kSetUpQuestion});
  EXPECT_EQ(printing.done, std::vector<std::string>{});
}

TEST(PdfPrinterSetup, FailuresAreShown) {
  TFakePrinting printing;
  printing.setUpResult = platform::TStatus::Fail("The print server refused");
  TRecordingPort port;
  TLogger logger({}, false, 1000, kDefaultLogTypes);
  EXPECT_FALSE(CheckPdfPrinter(printing.System(), port, logger));
  EXPECT_EQ(port.calls, (std::vector<std::string>{kSetUpQuestion, "Error The print server refused"}));

  printing.ready = true;
  printing.defaultResult = platform::TStatus::Fail("refused");
  port.calls.clear();
  EXPECT_TRUE(CheckPdfPrinter(printing.System(), port, logger));
  EXPECT_EQ(port.calls,
            (std::vector<std::string>{kDefaultQuestion, "Error Failed to set the default printer to\nVarnholt-PDF"}));
}

}  // namespace
}  // namespace varnholt::test
