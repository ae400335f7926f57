// TextFunctionsTest.cpp — cutting, trimming, case folding and field splitting of the script text routines.
#include "hostlib/uTextFunctions.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>

#include "tests/hostlib/HostLog.h"

namespace varnholt {
namespace {

using Procs = std::vector<std::string>;

struct TCase {
  const char* what;
  std::function<std::string(TLogger&)> call;
  std::string expected;
};

TEST(TextFunctions, CutsTrimsAndCountsAsScriptsExpect) {
  const TCase cases[] = {
      {"TrimAll of trim characters only", [](TLogger& l) { return TrimAll(l, " \t\r\n \n"); }, ""},
      {"TrimAll keeps NBSP and form feed", [](TLogger& l) { return TrimAll(l, " \xA0x\x0C\r\n"); },
       "\xA0x\x0C"},
      {"Between folds a-z only and keeps the text's case",
       [](TLogger& l) { return Between(l, "Sample Name: ABC12 (x)", "sample name:", "("); }, "ABC12"},
      {"Between: end label only before the start label",
       [](TLogger& l) { return Between(l, "(x) Name: y", "Name:", "("); }, ""},
      {"Between: missing start label", [](TLogger& l) { return Between(l, "a (b)", "Name:", "("); }, ""},
      {"Between: empty start", [](TLogger& l) { return Between(l, " ab (c)", "", "("); }, "ab"},
      {"Between: both empty", [](TLogger& l) { return Between(l, "\t ab c \r\n", "", ""); }, "ab c"},
      {"Between up to NewLine drops the CR",
       [](TLogger& l) { return Between(l, "Sample Name: X1\r\nOperator: Y", "Sample Name:", "\n"); }, "X1"},
      {"After a label that ends the text", [](TLogger& l) { return After(l, "abc:", ":"); }, ""},
      {"After a missing label", [](TLogger& l) { return After(l, "abc", ":"); }, ""},
      {"Before", [](TLogger& l) { return Before(l, " ab :cd", ":"); }, "ab"},
      {"Before a missing label", [](TLogger& l) { return Before(l, "abc", ":"); }, ""},
      {"AfterN 1", [](TLogger& l) { return AfterN(l, "a:b:c", ":", 1); }, "b:c"},
      {"AfterN 2", [](TLogger& l) { return AfterN(l, "a:b:c", ":", 2); }, "c"},
      {"AfterN beyond the occurrences", [](TLogger& l) { return AfterN(l, "a:b:c", ":", 5); }, "c"},
      {"AfterN of a huge count ends", [](TLogger& l) { return AfterN(l, "a:b:c", ":", INT32_MAX); }, "c"},
      {"BeforeN of a huge count ends", [](TLogger& l) { return BeforeN(l, "a:b", "", INT32_MAX); }, "a:b"},
      {"AfterN 0", [](TLogger& l) { return AfterN(l, " a:b:c ", ":", 0); }, "a:b:c"},
      {"AfterN of a missing label", [](TLogger& l) { return AfterN(l, "a:b:c", ";", 1); }, ""},
      {"BeforeN 1 equals Before", [](TLogger& l) { return BeforeN(l, "a:b:c", ":", 1); }, "a"},
      {"BeforeN 0", [](TLogger& l) { return BeforeN(l, "a:b:c ", ":", -3); }, "a:b:c"},
      {"BeforeN 2 cuts its own result again", [](TLogger& l) { return BeforeN(l, "a:b:c", ":", 2); }, ""},
      {"Left cuts, then trims", [](TLogger& l) { return Left(l, "  abc", 3); }, "a"},
      {"Left past the end", [](TLogger& l) { return Left(l, "abc", INT32_MAX); }, "abc"},
      {"Left negative", [](TLogger& l) { return Left(l, "abc", -1); }, ""},
      {"Right", [](TLogger& l) { return Right(l, "abc  ", 3); }, "c"},
      {"Right past the start", [](TLogger& l) { return Right(l, "abc", 9); }, "abc"},
      {"Mid from 0", [](TLogger& l) { return Mid(l, "abcdef", 0, 3); }, "abc"},
      {"Mid below 1 keeps its length", [](TLogger& l) { return Mid(l, "abcdef", INT32_MIN, 3); }, "abc"},
      {"Mid beyond the end", [](TLogger& l) { return Mid(l, "abcdef", 7, 3); }, ""},
      {"Mid negative length", [](TLogger& l) { return Mid(l, "abcdef", 2, -1); }, ""},
      {"Mid past the end", [](TLogger& l) { return Mid(l, "abcdef", 2, INT32_MAX); }, "bcdef"},
      {"Token 2", [](TLogger& l) { return Token(l, "a,b,,c", ",", 2); }, "b"},
      {"Token of an empty field", [](TLogger& l) { return Token(l, "a,b,,c", ",", 3); }, ""},
      {"Token -1", [](TLogger& l) { return Token(l, "a,b,,c", ",", -1); }, "c"},
      {"Token 0", [](TLogger& l) { return Token(l, "a,b,,c", ",", 0); }, ""},
      {"Token beyond", [](TLogger& l) { return Token(l, "a,b,,c", ",", 5); }, ""},
      {"Token far below", [](TLogger& l) { return Token(l, "a,b,,c", ",", INT32_MIN); }, ""},
      {"line breaks separate fields", [](TLogger& l) { return Token(l, "x=1\r\ny=2", "=", 3); }, "y"},
      {"Lot splits at lot", [](TLogger& l) { return Token(l, "10 LOT 20 lot 30 Lot 40", "Lot", 2); }, "20"},
      {"but not at Lot", [](TLogger& l) { return Token(l, "10 LOT 20 lot 30 Lot 40", "Lot", 3); },
       "30 Lot 40"},
      {"only three fields", [](TLogger& l) { return Token(l, "10 LOT 20 lot 30 Lot 40", "Lot", 4); }, ""},
      {"a final line break adds no field", [](TLogger& l) { return Token(l, "a\nb\n", "", -1); }, "b"},
      {"Tokens -2", [](TLogger& l) { return Tokens(l, "C:\\a\\b\\c.pdf", "\\", -2); }, "C:\\a\\b"},
      {"Tokens 2", [](TLogger& l) { return Tokens(l, "C:\\a\\b\\c.pdf", "\\", 2); }, "C:\\a"},
      {"Tokens 0", [](TLogger& l) { return Tokens(l, "C:\\a\\b\\c.pdf", "\\", 0); }, ""},
      {"Tokens below all", [](TLogger& l) { return Tokens(l, "C:\\a\\b\\c.pdf", "\\", -5); }, ""},
      {"Tokens beyond all", [](TLogger& l) { return Tokens(l, "C:\\a\\b\\c.pdf", "\\", INT32_MAX); },
       "C:\\a\\b\\c.pdf"},
      {"Tokens joins with the delimiter as given",
       [](TLogger& l) { return Tokens(l, "1lot2LOT3", "Lot", 2); }, "1Lot2"},
  };
  test::THostLog log;
  for (const auto& c : cases) EXPECT_EQ(c.call(*log), c.expected) << c.what;
}

TEST(TextFunctions, SearchesFoldOnlyAsciiLettersButTextReplaceFoldsTheLocale) {
  EXPECT_FALSE(Contains("abc", ""));
  EXPECT_TRUE(Contains("ABC", "b"));
  EXPECT_FALSE(Contains("\xFC", "\xDC")) << "u umlaut is not an ASCII letter";
  EXPECT_EQ(PosI("B", "abc"), 2);
  EXPECT_EQ(PosI("", "abc"), 0);
  EXPECT_EQ(PosI("cd", "abc"), 0);
  EXPECT_FALSE(SameText("M\xFCller", "M\xDCLLER"));
  EXPECT_TRUE(SameText("Quantitation", "QUANTITATION"));
  EXPECT_TRUE(SameText("", ""));
  EXPECT_FALSE(SameText("ab", "abc"));

  EXPECT_EQ(TextReplace("M\xDCLLER", "\xFC", "ue"), "MueLLER");
  EXPECT_EQ(TextReplace("aAa", "a", "b"), "bbb");
  EXPECT_EQ(TextReplace("aa", "a", "aa"), "aaaa") << "the new text is never searched";
  EXPECT_EQ(TextReplace(" abc ", "", "x"), " abc ");
  EXPECT_EQ(TextReplace(" a ", "A", "b"), " b ") << "not trimmed";
}

TEST(TextFunctions, BuildingBlocksWriteTheirRecordsInOrder) {
  struct TRecordCase {
    const char* what;
    std::function<void(TLogger&)> call;
    Procs expected;
  };
  const TRecordCase cases[] = {
      {"Between", [](TLogger& l) { Between(l, "a:b", ":", ""); }, {"Prc Between", "Prc TrimAll"}},
      {"Between without the start label",
       [](TLogger& l) { Between(l, "ab", ":", ""); },
       {"Prc Between", "Prc TrimAll"}},
      {"AfterN 2",
       [](TLogger& l) { AfterN(l, "a:b:c", ":", 2); },
       {"Prc Between", "Prc Between", "Prc TrimAll"}},
      {"AfterN 0", [](TLogger& l) { AfterN(l, "a:b:c", ":", 0); }, {"Prc TrimAll"}},
      {"AfterN stops once nothing changes",
       [](TLogger& l) { AfterN(l, "a:b", ":", 9); },
       {"Prc Between", "Prc Between", "Prc TrimAll"}},
      {"Left", [](TLogger& l) { Left(l, "abc", 1); }, {"Prc TrimAll"}},
      {"Token", [](TLogger& l) { Token(l, "a,b", ",", 1); }, {"Prc Token", "Prc TrimAll"}},
      {"Tokens", [](TLogger& l) { Tokens(l, "a,b", ",", 1); }, {"Prc Token", "Prc TrimAll"}},
      {"plain comparisons",
       [](TLogger&) {
         (void)Contains("a", "a");
         (void)TextReplace("a", "a", "b");
       },
       {}},
  };
  for (const auto& c : cases) {
    test::THostLog log;
    c.call(*log);
    EXPECT_EQ(log.Procs(), c.expected) << c.what;
    for (const auto& record : log.Records()) EXPECT_EQ(record.object, "Varnholt") << c.what;
  }
}

}  // namespace
}  // namespace varnholt
