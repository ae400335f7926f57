// atPascal.cpp — the language's grammar, the parser set-up, the symbol table and the compile sequence.
#include "script/compiler/atPascal.h"

#include "script/compiler/atPascal_Compiler.h"

#include "platform/CodePage.h"

namespace varnholt {

namespace {

// The grammar: one production a line, in nonterminal order (the line number is the index that the
// compiler's handlers are bound by, checked by name when a compiler is made). Every space in a
// definition is a whitespace-skip element.
const char* const kGrammar = R"GRAMMAR(
<program>: [program {@|_}[({@|#|_})][ ;]] [<libraries>] [<globaldecl>] [( <subroutine>)] <main>
<globaldecl>:({<constdecl>|<vardecl>})
<main>:[[({<constdecl>|<vardecl>})]{<block> |(<statement> )}]
<libraries>:[({<uses>|<imports>} )]
<uses>R:uses <id>[( , <id>)][ ;]
<imports>R:imports <id>[( , <id>)][ ;]
<subroutine>:{<procedure> <inputargs>|<function> <inputargs> [":" <id>]} [; ]{<external>|<forward>|[({<constdecl>|<vardecl>})] {<block>|<statement>}}
<callingConvention>:{stdcall|safecall|cdecl|pascal|register}
<external>:[<callingConvention> [; ]]external <filename> [name '<constname>'] [; ]
<filename>:$
<forward>:forward[ ;]
<procedure>:procedure <label>
<function>:function <label>
<inputargs>:["(" {<byref>|<byval>}[( ; {<byref>|<byval>})] ")"]
<byref>:var~ <varname>[( , <varname>)][ ":" <vartype>]
<byval>:<varname>[( , <varname>)][ ":" <vartype>]
<constdecl>:(const (<constexpr>[ ;] ))
<constexpr>:<constname> "=" <expression>
<constname>:{@|_}[({@|#|_})]
<vardecl>:(var~ (<varlist>[ ;] ))
<varlist>:<id>[( , <id>)][ ":" <vartype>]
<varname>:<id>
<vartype>:{@|_}[({@|#|_})]
<statement>:{<if>|<for>|<while>|<repeat>|<assign>|<try>|<call>|<case>|<with>}[ ;]
<block>:begin~ [({<block>|<statement>} )]end[ ;]
<call>:<id><arg_list><indexing><call_code>[.<call>]
<call_code>:[ as <as_class>]
<call_ptr>:<id><arg_list><indexing><call_ptr_code>[.<call_ptr>]
<call_ptr_code>:[ as <as_class>]
<data_val>:<id><arg_list><indexing><data_val_code>[.<data_val>]
<data_val_code>:[ as <as_class>]
<data_ref>:<id><arg_list><indexing><data_ref_code>[.<data_ref>]
<data_ref_code>:[ as <as_class>]
<arg_list>:[ "(" [<expression> [(, <expression> )]]")"]
<indexing>:[( "[" <expression> [(, <expression> )]"]")]
<assign>R:<data_ref> := <expression>
<push_output>:
<for>:{<for_control> [step <step>]|<for_downto_control>} do {<block>|<statement>}
<for_control>:for <id> := <expression> to <expression>
<for_downto_control>:for <id> := <expression> downto <expression>
<step>:[{-|+}](#)[.(#)][e[{-|+}](#)]
<while>:while <while_control> do {<block>|<statement>}
<while_control>:<expression>
<repeat>:repeat [({<block>|<statement>} )] <until>
<until>:until <expression>
<if>:if <expression> <then> [<else>]
<then>:then {<block>|<statement>}
<else>:else {<block>|<statement>}
<expression>:{[<unary>]{<data_val>|"(" <expression> ")"}|<hex>|<real>|<string>|<vector>}[( <operator> {[<unary>]{<data_val>|"(" <expression> ")"}|<hex>|<real>|<string>|<vector>})]
<operator>:{^|*|/|and~|+|-|or~|"<>"|">="|"<="|"="|">"|"<"|div~|mod~|xor~|shl~|shr~|is~}
<unary>:{not~ |-|+}
<label>:<id>
<id>:{@|_}[({@|#|_})]
<real>:[{-|+}](#)[<frac>][<exp>]
<hex>:"$"({#|a|b|c|d|e|f})
<frac>:.(#)
<exp>:e[{-|+}](#)
<string>:({$|"#"(#)})
<vector>:"[" [<expression> [(, <expression> )]]"]"
<try>:try <try_statements>{<finally>|<except>} <try_upshot>end
<finally>:finally
<except>:except
<try_statements>:[({<block>|<statement>} )]
<try_upshot>:[({<block>|<statement>} )]
<case>:case <case_expr> of <case_branch> end
<case_expr>:<expression>
<case_branch>:{<case_test> [(, <case_test> )]: <case_match>[ <case_branch>]|[else {<block>|<statement>}]}
<case_test>:<expression>
<case_match>:{<block>|<statement>}
<with>:with <with_obj> [(, <with_obj> )]do {<block>|<statement>}
<with_obj>:<data_val>
<as_class>:{@|_}[({@|#|_})]
)GRAMMAR";

const char* const kReservedWords[] = {
    "begin",  "end",   "var",  "try",       "except",   "finally", "do", "if",   "then",   "while", "for",
    "repeat", "until", "case", "with",      "not",      "and",     "or", "xor",  "div",    "mod",   "shl",
    "shr",    "is",    "as",   "procedure", "function", "program", "to", "step", "forward"};

bool IsReservedWord(const std::string& upperWord) {
  for (const char* w : kReservedWords) {
    const std::string_view word(w);
    if (word.size() != upperWord.size()) continue;
    bool same = true;
    for (size_t i = 0; i < word.size() && same; ++i) same = word[i] == static_cast<char>(upperWord[i] | 0x20);
    if (same) return true;
  }
  return false;
}

}  // namespace

// ---------------------------------------------------------------------------------------------------

TatVariableInfo& TatVariablesInfo::Add(std::string_view name) {
  auto v = std::make_unique<TatVariableInfo>();
  v->VarName = std::string(name);
  v->Index = static_cast<int>(items_.size());
  index_.emplace(NameKey(name), v->Index);  // keeps the first of equal names
  items_.push_back(std::move(v));
  return *items_.back();
}

TatVariableInfo* TatVariablesInfo::Find(std::string_view name) const {
  const auto it = index_.find(NameKey(name));
  return it == index_.end() ? nullptr : items_[static_cast<size_t>(it->second)].get();
}

void TatVariablesInfo::Clear() {
  items_.clear();
  index_.clear();
}

TatRoutineInfo& TatScriptInfo::AddRoutine(std::string_view name) {
  auto r = std::make_unique<TatRoutineInfo>();
  r->Name = std::string(name);
  r->Index = static_cast<int>(routines_.size());
  index_[NameKey(name)] = r->Index;
  routines_.push_back(std::move(r));
  return *routines_.back();
}

TatRoutineInfo* TatScriptInfo::FindRoutine(std::string_view name) const {
  const auto it = index_.find(NameKey(name));
  return it == index_.end() ? nullptr : routines_[static_cast<size_t>(it->second)].get();
}

void TatScriptInfo::RenameRoutine(TatRoutineInfo& routine, std::string newName) {
  const auto it = index_.find(NameKey(routine.Name));
  if (it != index_.end() && it->second == routine.Index) index_.erase(it);
  routine.Name = std::move(newName);
  index_[NameKey(routine.Name)] = routine.Index;
}

void TatScriptInfo::Clear() {
  routines_.clear();
  index_.clear();
  globals_.Clear();
  MainRoutineName.clear();
  InstructionCount = 0;
}

// ---------------------------------------------------------------------------------------------------

const std::string& TatPascalScript::GrammarText() {
  static const std::string text = std::string(kGrammar).substr(1);  // without the raw string's first LF
  return text;
}

TatPascalScript::TatPascalScript(TatHostRegistry& registry) : registry_(registry) {
  parser_.LoadGrammar(GrammarText());
  parser_.SetQuoteChar('\'');
  parser_.SetComments({{"{", "}", ""}, {"(*", "*)", ""}, {"//", "\r", ""}});
  // Reserved words are no identifiers, except as a member name after a dot (a.End): there the id's
  // parent and grandparent are parts of one chain, nodes of the same nonterminal.
  compiler_ = std::make_unique<TatPascalCompiler>(*this);
  parser_.NonTerminal(ntId).OnAcceptNode = [this](TNoTerminalNode& node) {
    const TNoTerminalNode* parent = node.Parent();
    if (parent && parent->Parent() && parent->NonTerminalIndex() == parent->Parent()->NonTerminalIndex()) {
      return true;
    }
    const std::string_view raw = node.NodeText();
    if (raw.size() < 2 || raw.size() > 9) {
      if (raw.find_first_of("{(/") == std::string_view::npos) return true;
    }
    return !IsReservedWord(compiler_->WordText(node));
  };
  compiler_->Bind();
}

TatPascalScript::~TatPascalScript() = default;

void TatPascalScript::SetSourceCode(std::vector<std::string> lines) {
  if (Running) throw EatScripterFatal("Cannot change script source code while script is running.");
  source_ = std::move(lines);
  compiled_ = false;
}

void TatPascalScript::SetSourceText(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      lines.emplace_back(text.substr(start));
      break;
    }
    lines.emplace_back(text.substr(start, end - start));
    if (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ++end;
    start = end + 1;
  }
  SetSourceCode(std::move(lines));
}

void TatPascalScript::SetCompiled(bool value) {
  if (Running) throw EatScripterFatal("Cannot change compiled property while script is running.");
  if (!value) compiled_ = false;
}

void TatPascalScript::Clear() {
  if (Running) throw EatScripterFatal("Cannot clear script while script is running.");
  ClearCompiled();
}

void TatPascalScript::ClearCompiled() {
  compiled_ = false;
  code_.clear();
  info_.Clear();
  usedUnits_.clear();
  compiler_->Reset();
}

void TatPascalScript::CompileScript() {
  if (Running) throw EatScripterFatal("Cannot compile script while script is running.");
  ClearCompiled();
  parser_.SetInputLines(source_);
  const TParseResult result = parser_.Parse();
  if (result.code != TatSyntaxParser::mcComplete && result.tooDeepPosition != 0) {
    // The parser gave up on the nesting, not on a wrong word: say so, where it happened.
    const TRowCol at = TatSyntaxParser::OffsetToRowCol(source_, result.tooDeepPosition - 1);
    parser_.Clear();
    throw EatCompileError("Syntax error: expressions, statements or blocks are nested too deeply", at.row, at.col);
  }
  if (result.code != TatSyntaxParser::mcComplete) {
    const TRowCol at = TatSyntaxParser::OffsetToRowCol(source_, result.furthestPosition - 1);
    parser_.Clear();
    throw EatCompileError("Syntax error", at.row, at.col);
  }
  try {
    compiler_->Run();
  } catch (const TCompileFailure& failure) {
    ClearCompiled();
    parser_.Clear();
    if (failure.position < 0) throw EatCompileError(failure.message, 0, 0);
    const TRowCol at = TatSyntaxParser::OffsetToRowCol(source_, failure.position);
    throw EatCompileError(failure.message, at.row, at.col);
  }
  parser_.Clear();  // the tree is not needed after code generation
  for (size_t i = 0; i + 1 < code_.size(); ++i) code_[i].Next = &code_[i + 1];
  info_.InstructionCount = static_cast<int>(code_.size());
  compiled_ = true;
}

// ---------------------------------------------------------------------------------------------------

int SystemTypeOf(std::string_view typeName, const TatHostRegistry& registry) {
  static const std::pair<const char*, int> kTypes[] = {
      {"INTEGER", 0},    {"BOOLEAN", 1},     {"CHAR", 2},    {"EXTENDED", 3},     {"SHORTSTRING", 4},
      {"POINTER", 5},    {"PCHAR", 6},       {"TOBJECT", 7}, {"CLASS", 8},        {"WIDECHAR", 9},
      {"PWIDECHAR", 10}, {"ANSISTRING", 11}, {"STRING", 11}, {"CURRENCY", 12},    {"VARIANT", 13},
      {"INTERFACE", 14}, {"WIDESTRING", 15}, {"INT64", 16},  {"LONGINT", 100},    {"CARDINAL", 200},
      {"LONGWORD", 300}, {"SINGLE", 400},    {"BYTE", 502},  {"SHORTINT", 602},   {"WORD", 709},
      {"SMALLINT", 809}, {"DOUBLE", 912},    {"REAL", 1012}, {"TDATETIME", 1112}, {"COMP", 1212}};
  const std::string key = NameKey(typeName);
  for (const auto& [name, code] : kTypes) {
    if (key == name) return code;
  }
  return registry.FindClass(typeName) ? 7 : -1;
}

std::string ScriptTextFromFile(std::string_view bytes) {
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (bytes.starts_with(kByteOrderMark)) bytes.remove_prefix(kByteOrderMark.size());
  std::string text(bytes);
  if (platform::HasNonAscii(text) && platform::IsValidUtf8(text)) text = platform::Utf8ToCp1252(text);
  return text;
}

}  // namespace varnholt
