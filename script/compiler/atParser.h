// atParser.h — TatSyntaxParser: a parser that interprets a grammar held as text against an input text,
// builds a tree of nonterminal nodes and walks it, calling the handlers attached to each nonterminal.
//
// There is no separate scanner: character elements of the grammar consume the input one character at a
// time and comments are skipped by the parser itself. Matching is ordered choice with greedy repetition
// and no backtracking into a part that already succeeded; a failed attempt removes the nodes it created,
// so the finished tree holds only nodes of successful matches. The furthest point that any attempt
// reached is kept, because that is where a syntax error is reported.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "script/atLimits.h"

namespace varnholt {

// A fault in a grammar text (raised when the faulty element is first reached) or a misuse of the parser.
class EParserError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TatSyntaxParser;

// One matched nonterminal. Positions are 1-based indexes into the parser's input text; a node that
// matched nothing has EndPos() == StartPos() - 1. Children are kept as an intrusive list so that rolling
// back a failed attempt and appending a node never allocate beyond the node itself.
class TNoTerminalNode {
 public:
  int NonTerminalIndex() const { return nonTerminal_; }
  int StartPos() const { return startPos_; }
  int EndPos() const { return endPos_; }
  int BufferNumber() const { return 0; }
  // Arena number, unique within one parse; lets users keep per-node data in a plain vector.
  int Index() const { return index_; }

  TNoTerminalNode* Parent() const { return parent_; }
  int ChildCount() const { return childCount_; }
  TNoTerminalNode* FirstChild() const { return firstChild_; }
  TNoTerminalNode* LastChild() const { return lastChild_; }
  TNoTerminalNode* NextSibling() const { return next_; }
  TNoTerminalNode* PrevSibling() const { return prev_; }
  TNoTerminalNode* Child(int i) const;
  // Index of the first child of the given nonterminal, -1 when none.
  int IndexOfChild(int nonTerminal) const;
  TNoTerminalNode* FindChild(int nonTerminal) const;
  int CountChildren(int nonTerminal) const;

  const TatSyntaxParser& Parser() const { return *parser_; }
  // The input text from StartPos to EndPos inclusive.
  std::string_view NodeText() const;

 private:
  friend class TatSyntaxParser;
  int nonTerminal_ = 0;
  int startPos_ = 1;
  int endPos_ = 0;
  int index_ = 0;
  int childCount_ = 0;
  TNoTerminalNode* parent_ = nullptr;
  TNoTerminalNode* firstChild_ = nullptr;
  TNoTerminalNode* lastChild_ = nullptr;
  TNoTerminalNode* next_ = nullptr;
  TNoTerminalNode* prev_ = nullptr;
  const TatSyntaxParser* parser_ = nullptr;
};

using TNodeHandler = std::function<void(TNoTerminalNode&)>;
using TNodeAcceptCheck = std::function<bool(TNoTerminalNode&)>;
// Parent node and 0-based input offset of the character to test.
using TCharTest = std::function<bool(TNoTerminalNode&, int)>;
using TNodeNotifyEvent = std::function<void(TNoTerminalNode&)>;

// A comment form: start and end marker, and optionally the characters allowed just before the start.
struct TSyntaxComment {
  std::string startMarker;
  std::string endMarker;
  std::string precedingChars;  // empty: no condition
};
using TSyntaxComments = std::vector<TSyntaxComment>;

// One compiled production.
struct TNoTerminal {
  std::string name;
  bool reverse = false;            // flag R: the walk visits the children last to first
  std::string definition;          // as written
  std::string compiledDefinition;  // every <name> replaced by <index>
  TNodeHandler OnEnterNode;
  TNodeHandler OnLeaveNode;
  TNodeAcceptCheck OnAcceptNode;
  TCharTest OnTestChar;
};

struct TParseResult {
  int code = 0;              // 1 complete, 2 input ended early, 3 input left over, 4 mismatch
  int position = 0;          // position reached by the start definition
  int furthestPosition = 0;  // where the attempt that got furthest stopped
  int furthestNonTerminal = -1;
  int furthestCode = 0;
  int tooDeepPosition = 0;   // where nesting first went past kMaxDepth (0: never)
};

struct TRowCol {
  int row = 0;
  int col = 0;
};

class TatSyntaxParser {
 public:
  enum TMatchCode : int { mcComplete = 1, mcInputEnded = 2, mcInputLeft = 3, mcMismatch = 4 };

  TatSyntaxParser();
  ~TatSyntaxParser();
  TatSyntaxParser(const TatSyntaxParser&) = delete;
  TatSyntaxParser& operator=(const TatSyntaxParser&) = delete;

  // Replaces the grammar; one production a line, "<name>flags:definition".
  void LoadGrammar(const std::vector<std::string>& lines);
  void LoadGrammar(std::string_view text);  // split at line ends
  const std::vector<std::string>& GrammarLines() const { return grammarLines_; }
  int NonTerminalCount() const { return static_cast<int>(nonTerminals_.size()); }
  TNoTerminal& NonTerminal(int index) { return nonTerminals_.at(index); }
  const TNoTerminal& NonTerminal(int index) const { return nonTerminals_.at(index); }
  int IndexOfNonTerminal(std::string_view name) const;  // ignoring case; -1 when none

  void SetInputLines(std::vector<std::string> lines);
  const std::vector<std::string>& InputLines() const { return inputLines_; }
  const std::string& InputText() const { return inputText_; }

  TSyntaxComments& Comments() { return comments_; }
  void SetComments(TSyntaxComments comments);
  char QuoteChar() const { return quoteChar_; }
  void SetQuoteChar(char quote) { quoteChar_ = quote; }
  // Custom character class d (0..9) for the element &d.
  void SetCharClass(int d, std::string chars);

  TNodeNotifyEvent OnNewNode;

  TParseResult Parse();
  bool WalkTree();
  void Clear();
  bool Parsing() const { return parsing_; }

  TNoTerminalNode& Root() { return root_; }
  const TNoTerminalNode& Root() const { return root_; }
  int NodeCount() const { return static_cast<int>(nodes_.size()) + 1; }

  // During the walk: the position of the node being handled (start on enter, end on leave).
  int CurrentPosition = 0;
  // Set by an enter handler to keep the walk out of the current node's children.
  bool SkipChildren = false;

  // Position just after one comment starting at the 1-based position pos (pos itself when none).
  int SkipComment(int pos) const;

  // Nonterminal nesting deeper than this fails with its own error (see atLimits.h).
  static constexpr int kMaxDepth = limits::kMaxParserDepth;

  static TRowCol OffsetToRowCol(const std::vector<std::string>& lines, int offset);

 private:
  struct TElement;
  using TSequence = std::vector<TElement>;
  struct TMatch {
    int code;
    int pos;
  };

  void Compile();
  TSequence ParseSequence(std::string_view text, int nonTerminal, bool literal) const;
  TMatch MatchSequence(const TSequence& seq, TNoTerminalNode& owner, int pos, int nonTerminal);
  TMatch MatchElement(const TElement& e, TNoTerminalNode& owner, int pos, int nonTerminal, bool& ok);
  TMatch MatchNonTerminal(int index, TNoTerminalNode& owner, int pos);
  void Record(int code, int pos, int nonTerminal);
  void RollBack(size_t mark);
  bool SameCharAt(int pos, char c) const;
  bool MarkerAt(int pos, const std::string& marker) const;
  void WalkNode(TNoTerminalNode& node);

  std::vector<std::string> grammarLines_;
  std::vector<TNoTerminal> nonTerminals_;
  std::vector<std::unique_ptr<TSequence>> compiled_;  // element form of each compiled definition
  std::vector<std::string> inputLines_;
  std::string inputText_;
  int inputLength_ = 0;
  TSyntaxComments comments_;
  bool commentStart_[256] = {};
  char quoteChar_ = '\'';
  std::string charClasses_[10];

  TNoTerminalNode root_;
  std::deque<TNoTerminalNode> nodes_;
  bool parsing_ = false;
  int depth_ = 0;
  TParseResult result_;
};

}  // namespace varnholt
