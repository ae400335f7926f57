// CliJournalTest.cpp — `varnholt-cli journal` and `failed list` over the journal that real filings wrote.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "tests/cli/CliAppFolder.h"
#include "tests/support/TempFolder.h"

namespace varnholt::test {
namespace {

namespace fs = std::filesystem;

class CliJournal : public TCliAppFolderTest {
 protected:
  void FileOne(const char* sample, const std::string& as) {
    fs::copy_file(TestDataFolder() / "engine/reports" / sample, app_ / "drives/c/PDF" / as);
    (void)Cli({"run", "--automatic", "C:\\PDF\\" + as});
  }
};

TEST_F(CliJournal, ListsShowsVerifiesAndNamesTheReasonOfAFailedReport) {
  EXPECT_EQ(Cli({"journal", "verify"}).exitCode, 2);  // no journal yet: said, not made
  EXPECT_FALSE(fs::exists(app_ / "Varnholt.journal"));
  FileOne("ms_quant_report.pdf", "first.pdf");
  FileOne("empty.pdf", "bad.pdf");

  const TCliResult verified = Cli({"journal", "verify", "--files"});
  EXPECT_EQ(verified.exitCode, 0) << verified.out << verified.err;
  EXPECT_NE(verified.out.find("Chain intact: 2 entries"), std::string::npos) << verified.out;

  const TCliResult bySample = Cli({"journal", "list", "--sample", "ww-2010", "--json"});
  ASSERT_EQ(bySample.exitCode, 0) << bySample.err;
  const auto filed = nlohmann::json::parse(bySample.out);  // exactly one line
  EXPECT_EQ(filed["outcome"], "filed");
  EXPECT_EQ(filed["queueName"], "first.pdf");
  EXPECT_EQ(filed["files"][0]["path"], "C:\\PDFSTORE\\WW-2010-1234.PDF");

  const TCliResult failed = Cli({"journal", "list", "--outcome", "in-failed"});
  EXPECT_NE(failed.out.find("C:\\PDF\\bad.pdf -> C:\\PDF\\FAILED\\bad.pdf"), std::string::npos) << failed.out;
  EXPECT_EQ(failed.out.find("first.pdf"), std::string::npos) << failed.out;
  EXPECT_NE(Cli({"journal", "list", "--outcome", "lost"}).exitCode, 0);

  const TCliResult listed = Cli({"failed", "list"});
  EXPECT_NE(listed.out.find("C:\\PDF\\FAILED\\bad.pdf  entry 2, "), std::string::npos) << listed.out;

  const auto shown = nlohmann::json::parse(Cli({"journal", "show", "1"}).out);
  EXPECT_FALSE(shown["scriptText"].get<std::string>().empty());
  EXPECT_FALSE(shown["records"].empty());
  EXPECT_EQ(Cli({"journal", "show", "9"}).exitCode, 2);

  const TCliResult exported = Cli({"journal", "export", "--csv", (app_ / "audit.csv").string()});
  EXPECT_EQ(exported.exitCode, 0) << exported.err;
  EXPECT_NE(ReadFile(app_ / "audit.csv").find("WW-2010-1234.PDF"), std::string::npos);

  // The archived report changed afterwards: the chain alone is fine, the files are not.
  WriteFile(app_ / "drives/c/PDFSTORE/WW-2010-1234.PDF", "changed");
  EXPECT_EQ(Cli({"journal", "verify"}).exitCode, 0);
  const TCliResult broken = Cli({"journal", "verify", "--files"});
  EXPECT_EQ(broken.exitCode, 1);
  EXPECT_NE(broken.out.find("Broken at entry 1: its file C:\\PDFSTORE\\WW-2010-1234.PDF"), std::string::npos)
      << broken.out;
}

}  // namespace
}  // namespace varnholt::test
