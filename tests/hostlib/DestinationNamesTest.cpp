// DestinationNamesTest.cpp — the naming rules that turn a destination a script wrote into a usable path.
#include "hostlib/uDestinationNames.h"

#include <gtest/gtest.h>

#include "tests/hostlib/HostLog.h"

namespace varnholt {
namespace {

TEST(DestinationNames, TrimBackSlashCollapsesRunsAndDropsTheEnd) {
  test::THostLog log;
  EXPECT_EQ(TrimBackSlash(*log, "C:\\Archive\\\\\\S1\\\\"), "C:\\Archive\\S1");
  EXPECT_EQ(TrimBackSlash(*log, "\\\\server\\share\\x"), "\\server\\share\\x") << "a network path keeps one";
  EXPECT_EQ(TrimBackSlash(*log, "\\\\\\"), "");
  EXPECT_EQ(log.Procs(), (std::vector<std::string>(3, "Prc TrimBackSlash")));
}

TEST(DestinationNames, FixFileNameReplacesWhatPathsMayNotHold) {
  struct TCase {
    const char* text;
    bool nameOnly;
    const char* expected;
  };
  const TCase cases[] = {
      {"A/B:C\\D", true, "A_B_C_D"},
      {"A/B:C\\D", false, "A_B_C\\D"},
      {"C:\\Archive\\x:y.PDF", false, "C:\\Archive\\x_y.PDF"},
      {"C:\\Archive\\A/B?.PDF", false, "C:\\Archive\\A_B_.PDF"},
      {"c:\\a\"*<>|", false, "c:\\a_____"},
      {"C:\\a", true, "C:_a"},    // a drive colon stays even in name mode
      {"1:\\a", false, "1_\\a"},  // not a drive letter
      {"C:", false, "C_"},        // too short for a drive
      {"C:x", false, "C_x"},      // a colon not followed by a backslash
      {"x\x01"
       "C:\\\xE9",
       false,
       "x\x01"
       "C_\\\xE9"},  // control and 8-bit characters stay
  };
  for (const auto& c : cases) {
    test::THostLog log;
    const std::string fixed = FixFileName(*log, c.text, c.nameOnly);
    EXPECT_EQ(fixed, c.expected) << c.text;
    const auto records = log.Records();
    ASSERT_EQ(records.size(), 2u) << c.text;
    EXPECT_EQ(records[0].type + " " + records[0].proc, "Prc FixFileName");
    EXPECT_EQ(records[1].type + records[1].proc + records[1].text + records[1].data,
              "MsgFixFileNameFixed chars" + EscapeLogField(fixed))
        << "the log shows control characters escaped";
  }
  test::THostLog log;
  EXPECT_EQ(FixFileName(*log, "C:\\Archive\\S1.PDF", false), "C:\\Archive\\S1.PDF");
  EXPECT_EQ(log.Procs(), (std::vector<std::string>{"Prc FixFileName"})) << "no Msg when nothing was replaced";
}

TEST(DestinationNames, ExtensionFixAndThePartsOfAPath) {
  struct TCase {
    const char* path;
    const char* fixed;
    const char* folder;
    const char* name;
    const char* extension;
    const char* folderPart;  // the path without its file name, separator kept
  };
  const TCase cases[] = {
      {"C:\\Archive\\S1", "C:\\Archive\\S1.PDF", "C:\\Archive", "S1", "", "C:\\Archive\\"},
      {"C:\\Archive\\Lot 12.5", "C:\\Archive\\Lot 12.PDF", "C:\\Archive", "Lot 12.5", ".5", "C:\\Archive\\"},
      {"C:\\Archive\\S1.pdf", "C:\\Archive\\S1.pdf", "C:\\Archive", "S1.pdf", ".pdf", "C:\\Archive\\"},
      {"C:\\A.b\\S1", "C:\\A.b\\S1.PDF", "C:\\A.b", "S1", "", "C:\\A.b\\"},  // a dot in a folder is no extension
      {"C:\\Archive\\.PDF", "C:\\Archive\\.PDF", "C:\\Archive", ".PDF", ".PDF", "C:\\Archive\\"},
      {"C:\\x.b.txt", "C:\\x.b.PDF", "C:\\", "x.b.txt", ".txt", "C:\\"},
      {"C:x.pdf", "C:x.pdf", "C:", "x.pdf", ".pdf", "C:"},
      {"Sample", "Sample.PDF", "", "Sample", "", ""},
      {"Sample:1", "Sample:1.PDF", "", "1", "", "Sample:"},  // only a drive's colon makes a folder
  };
  for (const auto& c : cases) {
    std::string path = c.path;
    EXPECT_EQ(FixExtension(path), std::string(c.fixed) != c.path) << c.path;
    EXPECT_EQ(path, c.fixed);
    EXPECT_EQ(FolderOf(c.path), c.folder) << c.path;
    EXPECT_EQ(FileNameOf(c.path), c.name) << c.path;
    EXPECT_EQ(ExtensionOf(c.path), c.extension) << c.path;
    EXPECT_EQ(FolderPartOf(c.path), c.folderPart) << c.path;
  }
}

}  // namespace
}  // namespace varnholt
