// SystemInfoTest.cpp — user, computer and printer facts behave on any machine.
#include "platform/SystemInfo.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/CodePage.h"
#include "platform/Printers.h"
#include "tests/support/TempFolder.h"

namespace varnholt::platform {
namespace {

TEST(SystemInfo, ComputerNameIsShortAndUpperCase) {
  const std::string name = ComputerName();
  EXPECT_LE(name.size(), 15u);
  EXPECT_EQ(name, AnsiUpperCase(name));
  EXPECT_EQ(name.find('.'), std::string::npos);
}

TEST(SystemInfo, UserNameAndAdministrator) {
  EXPECT_FALSE(UserName().empty());
  if (::geteuid() == 0) {
    EXPECT_TRUE(IsAdministrator());
  }
}

TEST(SystemInfo, PrintersAnswerWithoutAServer) {
  // The printer calls themselves are tested against a server of the test's own in PrintersTest.cpp; here,
  // a server that does not answer gives no printers and no default rather than a failure.
  test::TTempFolder temp;
  UsePrintServer((temp / "cups.sock").string());
  EXPECT_TRUE(InstalledPrinters().empty());
  EXPECT_EQ(DefaultPrinter(), "");
  UsePrintServer("");
}

}  // namespace
}  // namespace varnholt::platform
