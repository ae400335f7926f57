// SystemInfoTest.cpp — user, computer and printer facts behave on any machine.
#include "platform/SystemInfo.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/CodePage.h"

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
  // Whether or not a CUPS server runs here, asking must not fail; the default is one of the printers.
  const auto printers = InstalledPrinters();
  const std::string def = DefaultPrinter();
  if (!def.empty()) {
    EXPECT_NE(std::find(printers.begin(), printers.end(), def), printers.end());
  }
}

}  // namespace
}  // namespace varnholt::platform
