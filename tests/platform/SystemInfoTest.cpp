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

TEST(SystemInfo, AdministratorIsRootOrAMemberOfAnAdministratorsGroup) {
  struct TCase {
    unsigned uid;
    std::vector<std::string> groups;
    bool administrator;
  };
  const TCase cases[] = {
      {0, {}, true},
      {1000, {"users", "sudo"}, true},
      {1000, {"wheel"}, true},
      {1000, {"admin"}, true},
      {1000, {"users", "adm", "lpadmin"}, false},  // reading logs or running printers is not administering
      {1000, {"Sudo", "WHEEL"}, false},
      {1000, {}, false},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(IsAdministratorAccount(c.uid, c.groups), c.administrator) << c.uid;
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
