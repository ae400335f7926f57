// ParserTest.cpp — TatSyntaxParser as a generic component, driven by small grammars of its own.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "script/compiler/atParser.h"

namespace varnholt::test {
namespace {

struct TParsed {
  int code;
  int furthest;
};

// Loads a grammar (productions separated by '\n') and parses one input text (lines separated by '\n').
class Parser {
 public:
  explicit Parser(const std::string& grammar) { p.LoadGrammar(grammar); }
  TParsed Parse(const std::string& input) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (;;) {
      const size_t end = input.find('\n', start);
      lines.push_back(input.substr(start, end == std::string::npos ? std::string::npos : end - start));
      if (end == std::string::npos) break;
      start = end + 1;
    }
    p.SetInputLines(lines);
    const TParseResult r = p.Parse();
    return {r.code, r.furthestPosition};
  }
  // The tree as nested names: x(y,z).
  std::string Tree() const { return Tree(p.Root()); }
  std::string Tree(const TNoTerminalNode& n) const {
    std::string s = p.NonTerminal(n.NonTerminalIndex()).name;
    if (n.ChildCount() == 0) return s;
    s += '(';
    for (TNoTerminalNode* c = n.FirstChild(); c; c = c->NextSibling()) {
      if (c != n.FirstChild()) s += ',';
      s += Tree(*c);
    }
    return s + ')';
  }
  TatSyntaxParser p;
};

// The input text always ends in CR LF, so a pattern that consumes the whole line leaves 2 characters.
TEST(Parser, ElementsMatchTheirCharacters) {
  struct TCase {
    const char* grammar;
    const char* input;
    int code;
  };
  const TCase cases[] = {
      {"<s>:\"Hello\" ", "hELLO", 1},  // literal text ignores case; space skips the CR LF
      {"<s>:#@%~ ", "7_x ", 1},        // digit, letter or underscore, any, end of word
      {"<s>:#@%~ ", "7_x(", 3},        // ~ accepts "(" without consuming it
      {"<s>:@ ", "\xE9", 4},           // only A to Z are letters
      {"<s>:$ ", "'It''s'", 1},        // two quotes in a row stand for one
      {"<s>:$ ", "'open", 2},          // a string still open at the end: input ended
      {"<s>:ab", "a", 4},              // the CR does not match b
      {"<s>:abc", "", 4},              // CR is a mismatch for a
      {"<s>:\"a(b]\" ", "A(B]", 1},    // brackets inside quotes are plain text
      {"<s>:x ", "x", 1},
  };
  for (const auto& c : cases) {
    Parser p(c.grammar);
    EXPECT_EQ(p.Parse(c.input).code, c.code) << c.grammar << " on " << c.input;
  }
}

TEST(Parser, InputEndingEarlyIsCode2) {
  Parser p("<s>:a b c");
  p.p.SetInputLines({});
  EXPECT_EQ(p.p.Parse().code, 2);
  p.p.SetInputLines({"a"});
  EXPECT_EQ(p.p.Parse().code, 2);  // b never comes
}

TEST(Parser, ChoiceIsOrderedAndRepetitionGreedyWithoutBacktracking) {
  Parser choice("<s>:{a|ab} ");
  EXPECT_EQ(choice.Parse("ab").code, 3);  // "a" wins; "b" is left over
  Parser choice2("<s>:{ab|a} ");
  EXPECT_EQ(choice2.Parse("ab").code, 1);
  Parser greedy("<s>:(a)a ");
  EXPECT_NE(greedy.Parse("aaa").code, 1);  // the repetition took every a
  Parser repeat("<s>:(ab) ");
  EXPECT_EQ(repeat.Parse("ababab").code, 1);
  EXPECT_NE(repeat.Parse("").code, 1);  // one repetition is required
  Parser optional("<s>:[x]y ");
  EXPECT_EQ(optional.Parse("xy").code, 1);
  EXPECT_EQ(optional.Parse("y").code, 1);
}

TEST(Parser, FailedAttemptsLeaveNoNodes) {
  Parser p("<s>:{<x>b|<x><y>c|<x>d} \n<x>:a\n<y>:[(q)]");
  EXPECT_EQ(p.Parse("ac").code, 1);
  EXPECT_EQ(p.Tree(), "s(x,y)");
  EXPECT_EQ(p.Parse("ad").code, 1);
  EXPECT_EQ(p.Tree(), "s(x)");
  Parser rep("<s>:(<x>b) [<x>q]\n<x>:a");
  EXPECT_EQ(rep.Parse("abab a").code, 3);  // the optional's failed <x> is gone again
  EXPECT_EQ(rep.Tree(), "s(x,x)");
}

TEST(Parser, NodesCarryPositionsAndText) {
  Parser p("<s>: <w> <w> \n<w>:@[(@)]");
  ASSERT_EQ(p.Parse("  ab cd").code, 1);
  const TNoTerminalNode* first = p.p.Root().Child(0);
  const TNoTerminalNode* second = p.p.Root().Child(1);
  EXPECT_EQ(first->StartPos(), 3);
  EXPECT_EQ(first->EndPos(), 4);
  EXPECT_EQ(first->NodeText(), "ab");
  EXPECT_EQ(second->NodeText(), "cd");
  EXPECT_EQ(p.p.Root().IndexOfChild(1), 0);
  EXPECT_EQ(p.p.Root().IndexOfChild(0), -1);
  Parser empty("<s>:[<e>]x \n<e>:[q]");
  ASSERT_EQ(empty.Parse("x").code, 1);
  const TNoTerminalNode* e = empty.p.Root().Child(0);
  EXPECT_EQ(e->EndPos(), e->StartPos() - 1);  // a node that matched nothing
  EXPECT_EQ(e->NodeText(), "");
}

TEST(Parser, AcceptCheckTurnsAMatchIntoAMismatch) {
  Parser p("<s>:{<kw>|<name>} \n<kw>:@(@)\n<name>:@(@)");
  p.p.NonTerminal(1).OnAcceptNode = [](TNoTerminalNode& n) { return n.NodeText() == "begin"; };
  ASSERT_EQ(p.Parse("begin").code, 1);
  EXPECT_EQ(p.Tree(), "s(kw)");
  ASSERT_EQ(p.Parse("other").code, 1);
  EXPECT_EQ(p.Tree(), "s(name)");
}

TEST(Parser, CharacterClassesAndTestChar) {
  Parser p("<s>:(&0) <t> \n<t>:(&)");
  p.p.SetCharClass(0, "xyz");
  p.p.NonTerminal(1).OnTestChar = [&p](TNoTerminalNode& parent, int offset) {
    EXPECT_EQ(parent.NonTerminalIndex(), 1);
    const char c = p.p.InputText()[static_cast<size_t>(offset)];
    return c >= '0' && c <= '4';
  };
  EXPECT_EQ(p.Parse("xzy 0123").code, 1);
  EXPECT_NE(p.Parse("xa 01").code, 1);
  EXPECT_NE(p.Parse("x 05").code, 1);
}

TEST(Parser, CommentsAreSkippedAndDoNotNest) {
  Parser p("<s>: (a ) ");
  p.p.SetComments({{"{", "}", ""}, {"(*", "*)", ""}, {"//", "\r", ""}});
  EXPECT_EQ(p.Parse("a {c} a (* c *) a // rest").code, 1);
  EXPECT_EQ(p.Parse("a // last line has no line end").code, 1);
  EXPECT_EQ(p.Parse("a { never closed\na b c").code, 1);  // swallows the rest without error
  EXPECT_NE(p.Parse("a { { } } a").code, 1);              // the second } is input
  Parser word("<s>: begin~ ");
  EXPECT_EQ(word.Parse("be{comment}gin ").code, 1);  // transparent even inside a word
  Parser quoted("<s>: $ ");
  EXPECT_EQ(quoted.Parse("'{not a comment}'").code, 1);
  EXPECT_EQ(quoted.p.Root().ChildCount(), 0);
}

TEST(Parser, CommentMayRequireAPrecedingCharacter) {
  Parser p("<s>: (@ ) ");
  p.p.SetComments({{"#", "#", " "}});
  EXPECT_EQ(p.Parse("ab #c d# ef").code, 1);
  EXPECT_NE(p.Parse("ab#cd#").code, 1);  // no space before the marker: not a comment
}

TEST(Parser, OnlyWhitespaceAndCommentsParseWhenTheProgramMayBeEmpty) {
  Parser p("<s>: [(x )]");
  EXPECT_EQ(p.Parse("  \n{ c }\n   ").code, 1);
}

TEST(Parser, FurthestFailureIsWhereTheBestAttemptStopped) {
  Parser p("<s>:{abcd|abx|a} ");
  const TParsed r = p.Parse("abcz");
  EXPECT_EQ(r.code, 3);
  EXPECT_EQ(r.furthest, 4);  // the z, 1-based
  Parser q("<s>: (<st> )\n<st>:@ := #");
  const TParsed r2 = q.Parse("a := 1\nb := 2\nc = 3");
  EXPECT_EQ(r2.code, 3);
  const TRowCol at = TatSyntaxParser::OffsetToRowCol(q.p.InputLines(), r2.furthest - 1);
  EXPECT_EQ(at.row, 3);
  EXPECT_EQ(at.col, 3);  // the "=" where ":=" was needed
}

TEST(Parser, OffsetToRowCol) {
  const std::vector<std::string> lines{"abc", "de", "", "fgh"};
  struct TCase {
    int offset, row, col;
  };
  const TCase cases[] = {
      {0, 1, 1},  {2, 1, 3},  {3, 1, 3},  {4, 1, 3},   // CR and LF of a line report its last character
      {5, 2, 1},  {7, 2, 2},  {9, 3, 0},  {11, 4, 1},  // an empty line reports column 0
      {13, 4, 3}, {15, 4, 3}, {16, 5, 1}, {99, 5, 1},  // past the text: line count + 1, column 1
  };
  for (const auto& c : cases) {
    const TRowCol rc = TatSyntaxParser::OffsetToRowCol(lines, c.offset);
    EXPECT_EQ(rc.row, c.row) << c.offset;
    EXPECT_EQ(rc.col, c.col) << c.offset;
  }
  EXPECT_EQ(TatSyntaxParser::OffsetToRowCol({}, 0).row, 1);
}

TEST(Parser, WalkVisitsInOrderAndReverseAndCanSkipChildren) {
  Parser p("<s>: (<a> )\n<a>R:@<b><b>\n<b>:#");
  ASSERT_EQ(p.Parse("x12 y34").code, 1);
  std::string trace;
  for (int nt = 0; nt < 3; ++nt) {
    p.p.NonTerminal(nt).OnEnterNode = [&, nt](TNoTerminalNode& n) {
      trace += "+" + std::string(n.NodeText()) + "@" + std::to_string(p.p.CurrentPosition);
      if (n.NodeText() == "y34") p.p.SkipChildren = true;
      (void)nt;
    };
    p.p.NonTerminal(nt).OnLeaveNode = [&](TNoTerminalNode& n) {
      trace += "-" + std::string(n.NodeText()) + "@" + std::to_string(p.p.CurrentPosition);
    };
  }
  EXPECT_TRUE(p.p.WalkTree());
  // The reverse flag of <a> visits its children last to first; enter and leave still frame them.
  EXPECT_EQ(trace, "+x12 y34\r\n@1+x12@1+2@3-2@3+1@2-1@2-x12@3+y34@5-y34@7-x12 y34\r\n@9");
}

TEST(Parser, GrammarErrorsSurfaceWhenReached) {
  struct TCase {
    const char* grammar;
    const char* message;
  };
  const TCase cases[] = {
      {"<s>:{a|b}<bad>\n<bad>:x\"open", "Incorrect grammar. Literal string not terminated on 'bad'"},
      {"<s>:{a|b}<bad>\n<bad>:x(a", "Incorrect grammar. Subexpression not terminated on 'bad'"},
      {"<s>:{a|b}<bad>\n<bad>:x[]", "Incorrect grammar. Subexpression is empty on 'bad'"},
  };
  for (const auto& c : cases) {
    Parser p(c.grammar);              // loading does not complain
    EXPECT_EQ(p.Parse("q").code, 4);  // the faulty rule is never reached
    try {
      p.Parse("ax");
      ADD_FAILURE() << "no error for " << c.grammar;
    } catch (const EParserError& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
    EXPECT_FALSE(p.p.Parsing());  // the parsing flag is cleared although the parse raised
  }
  Parser unknown("<s>:<nowhere>");
  EXPECT_THROW(unknown.Parse("a"), EParserError);
}

TEST(Parser, NamesAreCaseInsensitiveAndCompiledToIndexes) {
  Parser p("<Start>: <WORD> \n<word>:\"<x>\"@");
  EXPECT_EQ(p.p.NonTerminal(0).compiledDefinition, " <1> ");
  EXPECT_EQ(p.p.NonTerminal(1).compiledDefinition, "\"<x>\"@");  // quoted text is not a reference
  EXPECT_EQ(p.Parse("<X>q").code, 1);
  EXPECT_EQ(p.p.IndexOfNonTerminal("WoRd"), 1);
}

TEST(Parser, ClearingDuringAParseIsRefused) {
  Parser p("<s>:<a>\n<a>:x");
  p.p.OnNewNode = [&p](TNoTerminalNode&) { p.p.Clear(); };
  try {
    p.Parse("x");
    ADD_FAILURE();
  } catch (const EParserError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot clear parser when parsing");
  }
  EXPECT_FALSE(p.p.Parsing());
}

TEST(Parser, DeepNestingIsLinearAndBoundedNotACrash) {
  Parser p("<s>: <e> \n<e>:{\"(\" <e> \")\"|#}");
  const std::string deep200 = std::string(200, '(') + "1" + std::string(200, ')');
  EXPECT_EQ(p.Parse(deep200).code, 1);
  const std::string tooDeep = std::string(20000, '(') + "1" + std::string(20000, ')');
  EXPECT_EQ(p.Parse(tooDeep).code, 4);  // refused as a mismatch, not a stack overflow
  // A repetition whose body can match nothing ends instead of looping.
  Parser empty("<s>:([a]) ");
  EXPECT_EQ(empty.Parse("").code, 1);
}

}  // namespace
}  // namespace varnholt::test
