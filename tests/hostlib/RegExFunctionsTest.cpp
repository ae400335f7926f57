// RegExFunctionsTest.cpp — the expression dialect, its fixed settings, replacing, and bad expressions
// that must end in an Err record instead of a failure.
#include "hostlib/uRegExFunctions.h"

#include <gtest/gtest.h>

#include "tests/hostlib/HostLog.h"

namespace varnholt {
namespace {

using Procs = std::vector<std::string>;

TEST(RegExFunctions, MatchesWithTheFixedSettingsAndInlineModifiers) {
  struct TCase {
    const char* text;
    const char* regExp;
    bool expected;
  };
  const TCase cases[] = {
      {"abc", "B", false},                     // case sensitive
      {"abc", "(?i)B", true},                  //
      {"abC", "(?i)b(?-i)c", false},           // modifiers switched off again
      {"abC", "(?im-sx)B(?-i)C", true},        //
      {"a\r\nXb", "^X", false},                // m off: ^ only at the start of the whole text
      {"a\r\nXb", "(?m)^X", true},             //
      {"a\r\nb", "a$", false},                 // $ only at the very end, not before a line break
      {"a\r\nb", "(?m)a$", true},              // a CR LF ends a line
      {"a\r\n", "a$", false},                  // not even before a final line break
      {"a\r\nb", "a.*b", true},                // s on: "." crosses line ends
      {"a\r\nb", "(?-s)a.*b", false},          //
      {"a\n", "a\\Z", false},                  // \Z is the very end
      {"a b", "a(?#the gap) b", true},         // comments
      {"a b", "(?x)a b", false},               // x mode ignores the space
      {"ab", "(?x)a b # comment (?<x", true},  // nothing in an x comment is syntax
      {"A", "\\x41", true},                    //
      {"A", "\\x{41}", true},                  //
      {"q", "\\q", true},                      // a backslash before a plain letter is the letter
      {"QE", "\\QE", true},                    // not a quoted section
      {"aa2", "^(a)\\12$", true},              // back-reference 1, then a "2"
      {"\v", "\\s", false},                    // no vertical tab in \s
      {"\f", "[\\s]", true},                   //
      {"[:x", "[[:]x", true},                  // no POSIX classes
      {"M\xFCller", "^M.ller$", true},         // 8-bit text, one character per byte
  };
  test::THostLog log;
  for (const auto& c : cases) EXPECT_EQ(REMatch(*log, c.text, c.regExp), c.expected) << c.regExp;
  EXPECT_TRUE(log.OfType("Err").empty()) << log.OfType("Err").front().text;
}

TEST(RegExFunctions, FindsGroupsAndReplacesEveryMatch) {
  test::THostLog log;
  EXPECT_EQ(REFind(*log, "Vial: 12 B.x.y", "(Vial:)(.*?)(\\.)", 2), "12 B") << "lazy, then trimmed";
  EXPECT_EQ(REFind(*log, "Vial:\r\n 12 B.x", "(Vial:)(.*?)(\\.)", 2), "12 B") << "runs over a line break";
  EXPECT_EQ(REFind(*log, "x  ab  y", "\\s(a)(b)\\s", 0), "ab") << "the whole match, trimmed";
  EXPECT_EQ(REFind(*log, "ab", "(a)(b)", 3), "") << "above the group count";
  EXPECT_EQ(REFind(*log, "ab", "(a)(b)", -1), "");
  EXPECT_EQ(REFind(*log, "b", "(a)|(b)", 1), "") << "a group that took no part";
  EXPECT_EQ(REFind(*log, "ab", "x", 0), "") << "no match";
  EXPECT_EQ(REFind(*log, "aaaa", "a{2,3}?", 0), "aa") << "lazy counted quantifier";
  EXPECT_EQ(REFind(*log, "<a><b>", "<(.+)>", 1), "a><b") << "greedy unless written lazy";
  EXPECT_EQ(REFind(*log, "<a><b>", "(?-g)<(.+)>", 1), "a") << "(?-g) makes every quantifier lazy";
  EXPECT_EQ(REFind(*log, "<a><b>", "(?r)<(.+?)>", 1), "a") << "(?r) is accepted";
  const std::string fourteen = "(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)(k)(l)(m)(n)";
  EXPECT_EQ(REFind(*log, "abcdefghijklmn", fourteen, 14), "n");

  EXPECT_EQ(REReplace(*log, " a\r\nb\rc\n ", "[\\n\\r]", ""), "abc");
  EXPECT_EQ(REReplace(*log, "ab ab", "(a)", "$1"), "$1b $1b") << "the substitute is literal";
  EXPECT_EQ(REReplace(*log, "ab", "(a)", "\\1"), "\\1b");
  EXPECT_EQ(REReplace(*log, "abc", "x*", "-"), "-a-b-c-")
      << "empty matches before every character and at the end";
  EXPECT_EQ(REReplace(*log, "xxa", "x*", "-"), "--a-");
  EXPECT_EQ(REReplace(*log, "abc", "^.", "-"), "-bc")
      << "^ does not match again where the next search starts";
  EXPECT_EQ(REReplace(*log, " abc ", "z", "-"), "abc") << "no match: the text, trimmed";
  EXPECT_EQ(REReplace(*log, std::string_view(), "x*", "-"), "-") << "an empty text has one empty match";
  EXPECT_TRUE(REMatch(*log, std::string_view(), "^$"));
  EXPECT_TRUE(log.OfType("Err").empty());
}

TEST(RegExFunctions, RecordsOfEachRoutine) {
  test::THostLog log;
  REMatch(*log, "a", "a");
  REFind(*log, "a", "a", 0);
  REReplace(*log, "a", "a", "b");
  EXPECT_EQ(log.Procs(), (Procs{"Prc REMatch", "Prc REFind", "Prc TrimAll", "Prc REReplace", "Prc TrimAll"}));
}

TEST(RegExFunctions, BadExpressionsGiveAnErrRecordAndNoResult) {
  const std::string fifteen = "(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)(k)(l)(m)(n)(o)";
  const std::string bad[] = {
      "(ab",     "",         "a)",       "[ab",   "*a",    "(?:a)",   "(?=a)",
      "(?<n>a)", "(?i:a)",   "(?P<n>a)", "(?|a)", "(?R)",  "(*UTF)a", "(*LIMIT_MATCH=9)a",
      "(?#open", "\\x{100}", fifteen,    "a\\",   "(a)\\2"};
  for (const auto& regExp : bad) {
    test::THostLog log;
    EXPECT_FALSE(REMatch(*log, "ab(a)", regExp)) << regExp;
    EXPECT_EQ(REFind(*log, "ab(a)", regExp, 0), "") << regExp;
    EXPECT_EQ(REReplace(*log, "ab(a)", regExp, "x"), "") << regExp;
    EXPECT_EQ(log.Procs(), (Procs{"Prc REMatch", "Err REMatch", "Prc REFind", "Err REFind", "Prc REReplace",
                                  "Err REReplace"}))
        << regExp;
    for (const auto& err : log.OfType("Err")) {
      EXPECT_EQ(err.object, "Varnholt");
      EXPECT_EQ(err.text, regExp) << "the record names the expression";
      EXPECT_FALSE(err.data.empty()) << regExp << ": the engine's message";
    }
  }
}

TEST(RegExFunctions, CatastrophicBacktrackingIsStoppedAndReported) {
  const std::string text = std::string(30, 'a') + "b";
  // Each run costs less than the per-position match limit, but there are many of them.
  std::string runs;
  for (int i = 0; i < 300; ++i) runs += std::string(18, 'a') + "b";
  test::THostLog log;
  EXPECT_FALSE(REMatch(*log, text, "(a+)+$"));
  EXPECT_EQ(REReplace(*log, text, "(a+)+$", "x"), "");
  EXPECT_EQ(REFind(*log, runs, "(a+)+$", 0), "");
  const auto errors = log.OfType("Err");
  ASSERT_EQ(errors.size(), 3u);
  EXPECT_EQ(errors[0].proc, "REMatch");
  EXPECT_EQ(errors[1].proc, "REReplace");
  EXPECT_EQ(errors[2].proc, "REFind");
  for (const auto& error : errors) {
    EXPECT_EQ(error.text, "(a+)+$");
    EXPECT_NE(error.data.find("backtracks too much"), std::string::npos) << error.data;
  }
}

}  // namespace
}  // namespace varnholt
