// atParser.cpp — the grammar compiler, the matcher, comment skipping, the tree walk and positions.
#include "script/compiler/atParser.h"

#include <charconv>

namespace varnholt {

namespace {

char Upper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Index of the bracket closing the one at text[open], counting only the same pair and skipping double
// quoted text; npos when it is never closed.
size_t MatchingClose(std::string_view text, size_t open, char openChar, char closeChar) {
  int depth = 0;
  bool quoted = false;
  for (size_t i = open; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"') {
      quoted = !quoted;
    } else if (!quoted) {
      if (c == openChar) {
        ++depth;
      } else if (c == closeChar && --depth == 0) {
        return i;
      }
    }
  }
  return std::string_view::npos;
}

// The alternatives of a brace group: split at '|' outside quotes and outside nested braces.
std::vector<std::string_view> SplitAlternatives(std::string_view text) {
  std::vector<std::string_view> parts;
  int depth = 0;
  bool quoted = false;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"') {
      quoted = !quoted;
    } else if (!quoted) {
      if (c == '{') {
        ++depth;
      } else if (c == '}') {
        --depth;
      } else if (c == '|' && depth == 0) {
        parts.push_back(text.substr(start, i - start));
        start = i + 1;
      }
    }
  }
  parts.push_back(text.substr(start));
  return parts;
}

std::string Format1(const char* pattern, std::string_view arg) {
  std::string s(pattern);
  const auto at = s.find("%s");
  if (at != std::string::npos) s.replace(at, 2, arg);
  return s;
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Nodes

TNoTerminalNode* TNoTerminalNode::Child(int i) const {
  if (i < 0 || i >= childCount_) return nullptr;
  TNoTerminalNode* c = firstChild_;
  while (i-- > 0) c = c->next_;
  return c;
}

int TNoTerminalNode::IndexOfChild(int nonTerminal) const {
  int i = 0;
  for (TNoTerminalNode* c = firstChild_; c; c = c->next_, ++i) {
    if (c->nonTerminal_ == nonTerminal) return i;
  }
  return -1;
}

TNoTerminalNode* TNoTerminalNode::FindChild(int nonTerminal) const {
  for (TNoTerminalNode* c = firstChild_; c; c = c->next_) {
    if (c->nonTerminal_ == nonTerminal) return c;
  }
  return nullptr;
}

int TNoTerminalNode::CountChildren(int nonTerminal) const {
  int n = 0;
  for (TNoTerminalNode* c = firstChild_; c; c = c->next_) n += c->nonTerminal_ == nonTerminal;
  return n;
}

std::string_view TNoTerminalNode::NodeText() const {
  const std::string& text = parser_->InputText();
  if (endPos_ < startPos_ || startPos_ < 1) return {};
  const size_t from = static_cast<size_t>(startPos_ - 1);
  if (from >= text.size()) return {};
  return std::string_view(text).substr(from, static_cast<size_t>(endPos_ - startPos_ + 1));
}

// ---------------------------------------------------------------------------------------------------
// Grammar

struct TatSyntaxParser::TElement {
  enum TKind : std::uint8_t {
    ekSpace,
    ekLiteral,
    ekDigit,
    ekLetter,
    ekQuoted,
    ekAny,
    ekClass,
    ekTestChar,
    ekEndOfWord,
    ekChar,
    ekRepeat,
    ekOptional,
    ekChoice,
    ekNonTerminal,
    ekError
  };
  TKind kind = ekChar;
  char ch = 0;       // ekChar: the character, upper-cased
  int value = 0;     // ekClass: class number; ekNonTerminal: index
  std::string text;  // ekLiteral: the text, upper-cased; ekError: the message
  std::vector<TSequence> subs;
};

TatSyntaxParser::TatSyntaxParser() {
  root_.parser_ = this;
  SetComments({{"{", "}", ""}});
}

TatSyntaxParser::~TatSyntaxParser() = default;

void TatSyntaxParser::LoadGrammar(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    lines.emplace_back(text.substr(start, end - start));
    if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ++end;
    start = end + 1;
  }
  LoadGrammar(lines);
}

void TatSyntaxParser::LoadGrammar(const std::vector<std::string>& lines) {
  if (parsing_) throw EParserError("Cannot clear parser when parsing");
  grammarLines_ = lines;
  Compile();
}

int TatSyntaxParser::IndexOfNonTerminal(std::string_view name) const {
  for (size_t i = 0; i < nonTerminals_.size(); ++i) {
    const std::string& n = nonTerminals_[i].name;
    if (n.size() != name.size()) continue;
    bool same = true;
    for (size_t k = 0; k < n.size() && same; ++k) same = Upper(n[k]) == Upper(name[k]);
    if (same) return static_cast<int>(i);
  }
  return -1;
}

void TatSyntaxParser::Compile() {
  Clear();
  nonTerminals_.clear();
  compiled_.clear();
  for (const std::string& line : grammarLines_) {
    TNoTerminal nt;
    const size_t lt = line.find('<');
    const size_t gt = lt == std::string::npos ? std::string::npos : line.find('>', lt + 1);
    if (gt != std::string::npos) {
      nt.name = line.substr(lt + 1, gt - lt - 1);
      const size_t colon = line.find(':', gt + 1);
      if (colon != std::string::npos) {
        const std::string flags = line.substr(gt + 1, colon - gt - 1);
        nt.reverse = flags.find_first_of("Rr") != std::string::npos;
        nt.definition = line.substr(colon + 1);
      }
    }
    nonTerminals_.push_back(std::move(nt));
  }
  // Names are replaced by indexes only after every production is known, so a rule may name a later one.
  for (size_t i = 0; i < nonTerminals_.size(); ++i) {
    const std::string& def = nonTerminals_[i].definition;
    std::string out;
    out.reserve(def.size());
    bool quoted = false;
    for (size_t k = 0; k < def.size(); ++k) {
      const char c = def[k];
      if (c == '"') {
        quoted = !quoted;
        out += c;
      } else if (!quoted && c == '<') {
        const size_t close = def.find('>', k + 1);
        if (close == std::string::npos) {
          out += def.substr(k);
          break;
        }
        const std::string_view name = std::string_view(def).substr(k + 1, close - k - 1);
        out += '<';
        if (!name.empty()) out += std::to_string(IndexOfNonTerminal(name));
        out += '>';
        k = close;
      } else {
        out += c;
      }
    }
    nonTerminals_[i].compiledDefinition = std::move(out);
  }
  for (size_t i = 0; i < nonTerminals_.size(); ++i) {
    compiled_.push_back(std::make_unique<TSequence>(
        ParseSequence(nonTerminals_[i].compiledDefinition, static_cast<int>(i), false)));
  }
}

TatSyntaxParser::TSequence TatSyntaxParser::ParseSequence(std::string_view text, int nonTerminal,
                                                          bool literal) const {
  TSequence seq;
  const std::string& name = nonTerminals_[nonTerminal].name;
  auto error = [&](const char* pattern) {
    TElement e;
    e.kind = TElement::ekError;
    e.text = Format1(pattern, name);
    seq.push_back(std::move(e));
  };
  size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    TElement e;
    if (literal) {
      e.ch = Upper(c);
      seq.push_back(std::move(e));
      ++i;
      continue;
    }
    switch (c) {
      case ' ':
        e.kind = TElement::ekSpace;
        break;
      case '#':
        e.kind = TElement::ekDigit;
        break;
      case '@':
        e.kind = TElement::ekLetter;
        break;
      case '$':
        e.kind = TElement::ekQuoted;
        break;
      case '%':
        e.kind = TElement::ekAny;
        break;
      case '~':
        e.kind = TElement::ekEndOfWord;
        break;
      case '&':
        if (i + 1 < text.size() && text[i + 1] >= '0' && text[i + 1] <= '9') {
          e.kind = TElement::ekClass;
          e.value = text[i + 1] - '0';
          ++i;
        } else {
          e.kind = TElement::ekTestChar;
        }
        break;
      case '"': {
        const size_t close = text.find('"', i + 1);
        if (close == std::string_view::npos) {
          error("Incorrect grammar. Literal string not terminated on '%s'");
          return seq;
        }
        e.kind = TElement::ekLiteral;
        for (size_t k = i + 1; k < close; ++k) e.text += Upper(text[k]);
        i = close;
        break;
      }
      case '(':
      case '[':
      case '{':
      case '<': {
        const char closeChar = c == '(' ? ')' : c == '[' ? ']' : c == '{' ? '}' : '>';
        const size_t close = MatchingClose(text, i, c, closeChar);
        if (close == std::string_view::npos) {
          error("Incorrect grammar. Subexpression not terminated on '%s'");
          return seq;
        }
        const std::string_view inner = text.substr(i + 1, close - i - 1);
        i = close;
        if (inner.empty()) {
          error("Incorrect grammar. Subexpression is empty on '%s'");
          ++i;
          continue;
        }
        if (c == '<') {
          e.kind = TElement::ekNonTerminal;
          int index = -1;
          const auto [ptr, ec] = std::from_chars(inner.data(), inner.data() + inner.size(), index);
          if (ec != std::errc() || ptr != inner.data() + inner.size()) index = -1;
          e.value = index;
        } else if (c == '{') {
          e.kind = TElement::ekChoice;
          for (std::string_view alt : SplitAlternatives(inner)) {
            e.subs.push_back(ParseSequence(alt, nonTerminal, false));
          }
        } else {
          e.kind = c == '(' ? TElement::ekRepeat : TElement::ekOptional;
          e.subs.push_back(ParseSequence(inner, nonTerminal, false));
        }
        break;
      }
      default:
        e.ch = Upper(c);
        break;
    }
    seq.push_back(std::move(e));
    ++i;
  }
  return seq;
}

// ---------------------------------------------------------------------------------------------------
// Input and set-up

void TatSyntaxParser::SetInputLines(std::vector<std::string> lines) {
  if (parsing_) throw EParserError("Cannot clear parser when parsing");
  Clear();
  inputLines_ = std::move(lines);
  size_t total = 0;
  for (const auto& l : inputLines_) total += l.size() + 2;
  inputText_.clear();
  inputText_.reserve(total);
  for (const auto& l : inputLines_) {
    inputText_ += l;
    inputText_ += "\r\n";
  }
  inputLength_ = static_cast<int>(inputText_.size());
}

void TatSyntaxParser::SetComments(TSyntaxComments comments) {
  comments_ = std::move(comments);
  for (bool& b : commentStart_) b = false;
  for (const auto& form : comments_) {
    if (form.startMarker.empty()) continue;
    const char c = form.startMarker[0];
    commentStart_[static_cast<unsigned char>(c)] = true;
    commentStart_[static_cast<unsigned char>(Upper(c))] = true;
    if (c >= 'A' && c <= 'Z') commentStart_[static_cast<unsigned char>(c - 'A' + 'a')] = true;
  }
}

void TatSyntaxParser::SetCharClass(int d, std::string chars) {
  if (d >= 0 && d <= 9) charClasses_[d] = std::move(chars);
}

void TatSyntaxParser::Clear() {
  if (parsing_) throw EParserError("Cannot clear parser when parsing");
  nodes_.clear();
  root_ = TNoTerminalNode();
  root_.parser_ = this;
}

bool TatSyntaxParser::MarkerAt(int pos, const std::string& marker) const {
  if (pos < 1 || pos - 1 + static_cast<int>(marker.size()) > inputLength_) return false;
  const char* p = inputText_.data() + pos - 1;
  for (size_t k = 0; k < marker.size(); ++k) {
    if (Upper(p[k]) != Upper(marker[k])) return false;
  }
  return true;
}

int TatSyntaxParser::SkipComment(int pos) const {
  if (pos < 1 || pos > inputLength_) return pos;
  if (!commentStart_[static_cast<unsigned char>(inputText_[pos - 1])]) return pos;
  for (const auto& form : comments_) {
    if (form.startMarker.empty() || !MarkerAt(pos, form.startMarker)) continue;
    if (!form.precedingChars.empty() && pos > 1 &&
        form.precedingChars.find(inputText_[pos - 2]) == std::string::npos) {
      continue;
    }
    int p = pos + static_cast<int>(form.startMarker.size());
    while (p <= inputLength_) {
      if (MarkerAt(p, form.endMarker)) return p + static_cast<int>(form.endMarker.size());
      ++p;
    }
    return inputLength_ + 1;  // an unclosed comment runs to the end of the input
  }
  return pos;
}

// ---------------------------------------------------------------------------------------------------
// Matching

void TatSyntaxParser::Record(int code, int pos, int nonTerminal) {
  if (code != mcComplete && pos > result_.furthestPosition) {
    result_.furthestPosition = pos;
    result_.furthestNonTerminal = nonTerminal;
    result_.furthestCode = code;
  }
}

void TatSyntaxParser::RollBack(size_t mark) {
  while (nodes_.size() > mark) {
    TNoTerminalNode& node = nodes_.back();
    TNoTerminalNode* parent = node.parent_;
    // LIFO order guarantees the node is its parent's last child by now.
    parent->lastChild_ = node.prev_;
    if (node.prev_) {
      node.prev_->next_ = nullptr;
    } else {
      parent->firstChild_ = nullptr;
    }
    --parent->childCount_;
    nodes_.pop_back();
  }
}

TatSyntaxParser::TMatch TatSyntaxParser::MatchSequence(const TSequence& seq, TNoTerminalNode& owner, int pos,
                                                       int nonTerminal) {
  pos = SkipComment(pos);
  for (const TElement& e : seq) {
    bool ok = true;
    const TMatch m = MatchElement(e, owner, pos, nonTerminal, ok);
    if (!ok) {
      Record(m.code, m.pos, nonTerminal);
      return m;
    }
    pos = m.pos;
  }
  const int code = pos > inputLength_ ? mcComplete : mcInputLeft;
  Record(code, pos, nonTerminal);
  return {code, pos};
}

TatSyntaxParser::TMatch TatSyntaxParser::MatchElement(const TElement& e, TNoTerminalNode& owner, int pos,
                                                      int nonTerminal, bool& ok) {
  auto fail = [&](int code, int at) {
    ok = false;
    return TMatch{code, at};
  };
  const bool atEnd = pos > inputLength_;
  const char c = atEnd ? '\0' : inputText_[pos - 1];
  switch (e.kind) {
    case TElement::ekSpace:
      while (pos <= inputLength_ && static_cast<unsigned char>(inputText_[pos - 1]) <= 32) {
        pos = SkipComment(pos + 1);
      }
      return {0, pos};
    case TElement::ekChar:
      if (atEnd) return fail(mcInputEnded, pos);
      if (Upper(c) != e.ch) return fail(mcMismatch, pos);
      return {0, SkipComment(pos + 1)};
    case TElement::ekDigit:
      if (atEnd) return fail(mcInputEnded, pos);
      if (c < '0' || c > '9') return fail(mcMismatch, pos);
      return {0, SkipComment(pos + 1)};
    case TElement::ekLetter:
      if (atEnd) return fail(mcInputEnded, pos);
      if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_')) return fail(mcMismatch, pos);
      return {0, SkipComment(pos + 1)};
    case TElement::ekAny:
      if (atEnd) return fail(mcInputEnded, pos);
      return {0, SkipComment(pos + 1)};
    case TElement::ekEndOfWord:
      if (atEnd) return fail(mcInputEnded, pos);
      if (static_cast<unsigned char>(c) <= 32) return {0, SkipComment(pos + 1)};
      if (c == '(' || c == ';') return {0, pos};
      return fail(mcMismatch, pos);
    case TElement::ekClass:
      if (atEnd) return fail(mcInputEnded, pos);
      if (charClasses_[e.value].find(c) == std::string::npos) return fail(mcMismatch, pos);
      return {0, pos + 1};
    case TElement::ekTestChar: {
      if (atEnd) return fail(mcInputEnded, pos);
      const auto& test = nonTerminals_[nonTerminal].OnTestChar;
      if (!test || !test(owner, pos - 1)) return fail(mcMismatch, pos);
      return {0, pos + 1};
    }
    case TElement::ekQuoted: {
      if (atEnd) return fail(mcInputEnded, pos);
      if (c != quoteChar_) return fail(mcMismatch, pos);
      int p = pos + 1;
      for (;;) {
        if (p > inputLength_) return fail(mcInputEnded, p);
        if (inputText_[p - 1] == quoteChar_) {
          if (p + 1 <= inputLength_ && inputText_[p] == quoteChar_) {
            p += 2;
            continue;
          }
          return {0, p + 1};
        }
        ++p;
      }
    }
    case TElement::ekLiteral: {
      // The quoted text is a sequence of its own, matched in literal mode.
      pos = SkipComment(pos);
      for (const char lc : e.text) {
        if (pos > inputLength_) {
          Record(mcInputEnded, pos, nonTerminal);
          return fail(mcInputEnded, pos);
        }
        if (Upper(inputText_[pos - 1]) != lc) {
          Record(mcMismatch, pos, nonTerminal);
          return fail(mcMismatch, pos);
        }
        pos = SkipComment(pos + 1);
      }
      Record(pos > inputLength_ ? mcComplete : mcInputLeft, pos, nonTerminal);
      return {0, pos};
    }
    case TElement::ekOptional: {
      const size_t mark = nodes_.size();
      const TMatch m = MatchSequence(e.subs[0], owner, pos, nonTerminal);
      if (m.code == mcComplete || m.code == mcInputLeft) return {0, m.pos};
      RollBack(mark);
      return {0, pos};
    }
    case TElement::ekRepeat: {
      size_t mark = nodes_.size();
      TMatch m = MatchSequence(e.subs[0], owner, pos, nonTerminal);
      if (m.code != mcComplete && m.code != mcInputLeft) {
        RollBack(mark);
        return fail(m.code, m.pos);
      }
      pos = m.pos;
      for (;;) {
        mark = nodes_.size();
        m = MatchSequence(e.subs[0], owner, pos, nonTerminal);
        // An attempt that consumes nothing would repeat forever; it ends the repetition instead.
        if ((m.code != mcComplete && m.code != mcInputLeft) || m.pos == pos) {
          RollBack(mark);
          return {0, pos};
        }
        pos = m.pos;
      }
    }
    case TElement::ekChoice: {
      TMatch last{mcMismatch, pos};
      for (const TSequence& alt : e.subs) {
        const size_t mark = nodes_.size();
        const TMatch m = MatchSequence(alt, owner, pos, nonTerminal);
        if (m.code == mcComplete || m.code == mcInputLeft) return {0, m.pos};
        RollBack(mark);
        last = m;
      }
      return fail(last.code, last.pos);
    }
    case TElement::ekNonTerminal: {
      const TMatch m = MatchNonTerminal(e.value, owner, pos);
      if (m.code != mcComplete && m.code != mcInputLeft) return fail(m.code, m.pos);
      return {0, m.pos};
    }
    case TElement::ekError:
      throw EParserError(e.text);
  }
  return fail(mcMismatch, pos);
}

TatSyntaxParser::TMatch TatSyntaxParser::MatchNonTerminal(int index, TNoTerminalNode& owner, int pos) {
  if (index < 0 || index >= static_cast<int>(nonTerminals_.size())) {
    throw EParserError(Format1("Incorrect grammar. Undefined nonterminal on '%s'",
                               owner.nonTerminal_ >= 0 && owner.nonTerminal_ < NonTerminalCount()
                                   ? nonTerminals_[owner.nonTerminal_].name
                                   : std::string()));
  }
  if (depth_ >= kMaxDepth) {
    if (result_.tooDeepPosition == 0) result_.tooDeepPosition = pos;
    Record(mcMismatch, pos, index);
    return {mcMismatch, pos};
  }
  const size_t mark = nodes_.size();
  TNoTerminalNode& node = nodes_.emplace_back();
  node.nonTerminal_ = index;
  node.startPos_ = pos;
  node.endPos_ = pos - 1;
  node.index_ = static_cast<int>(mark) + 1;
  node.parser_ = this;
  node.parent_ = &owner;
  node.prev_ = owner.lastChild_;
  if (owner.lastChild_) {
    owner.lastChild_->next_ = &node;
  } else {
    owner.firstChild_ = &node;
  }
  owner.lastChild_ = &node;
  ++owner.childCount_;
  if (OnNewNode) OnNewNode(node);

  ++depth_;
  TMatch m = MatchSequence(*compiled_[index], node, pos, index);
  --depth_;
  node.endPos_ = m.pos - 1;
  const TNoTerminal& nt = nonTerminals_[index];
  if ((m.code == mcComplete || m.code == mcInputLeft) && nt.OnAcceptNode && !nt.OnAcceptNode(node)) {
    m.code = mcMismatch;
  }
  if (m.code != mcComplete && m.code != mcInputLeft) RollBack(mark);
  return m;
}

TParseResult TatSyntaxParser::Parse() {
  Clear();
  result_ = TParseResult();
  depth_ = 0;
  parsing_ = true;
  TMatch m{mcComplete, 1};
  try {
    if (compiled_.empty()) {
      m = {inputLength_ == 0 ? mcComplete : mcInputLeft, 1};
    } else {
      m = MatchSequence(*compiled_[0], root_, 1, 0);
    }
  } catch (...) {
    parsing_ = false;
    root_.endPos_ = root_.startPos_ - 1;
    throw;
  }
  parsing_ = false;
  root_.endPos_ = m.pos - 1;
  result_.code = m.code;
  result_.position = m.pos;
  return result_;
}

// ---------------------------------------------------------------------------------------------------
// Walk and positions

bool TatSyntaxParser::WalkTree() {
  WalkNode(root_);
  return true;
}

void TatSyntaxParser::WalkNode(TNoTerminalNode& node) {
  if (node.nonTerminal_ < 0 || node.nonTerminal_ >= NonTerminalCount()) return;
  const TNoTerminal& nt = nonTerminals_[node.nonTerminal_];
  SkipChildren = false;
  if (nt.OnEnterNode) {
    CurrentPosition = node.startPos_;
    nt.OnEnterNode(node);
  }
  if (!SkipChildren) {
    if (nt.reverse) {
      for (TNoTerminalNode* c = node.lastChild_; c; c = c->prev_) WalkNode(*c);
    } else {
      for (TNoTerminalNode* c = node.firstChild_; c; c = c->next_) WalkNode(*c);
    }
  }
  SkipChildren = false;
  if (nt.OnLeaveNode) {
    CurrentPosition = node.endPos_;
    nt.OnLeaveNode(node);
  }
}

TRowCol TatSyntaxParser::OffsetToRowCol(const std::vector<std::string>& lines, int offset) {
  long long total = 0;
  for (const auto& l : lines) total += static_cast<long long>(l.size()) + 2;
  if (offset >= total) return {static_cast<int>(lines.size()) + 1, 1};
  if (offset < 0) offset = 0;
  long long a = 1;
  for (size_t i = 0; i < lines.size(); ++i) {
    const long long len = static_cast<long long>(lines[i].size());
    if (a - 1 <= offset && offset <= a + len) {
      long long col = offset - a + 2;
      if (col > len) col = len;
      return {static_cast<int>(i) + 1, static_cast<int>(col)};
    }
    a += len + 2;
  }
  return {static_cast<int>(lines.size()) + 1, 1};
}

}  // namespace varnholt
