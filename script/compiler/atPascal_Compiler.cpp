// atPascal_Compiler.cpp — the compiler's infrastructure, declarations, routines and statements.
#include "script/compiler/atPascal_Compiler.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace varnholt {

namespace {

std::string Fmt(const char* pattern, const std::string& s) {
  std::string out(pattern);
  const auto at = out.find("%s");
  if (at != std::string::npos) out.replace(at, 2, s);
  return out;
}

bool IsNumberChar(char c) {
  return (c >= '0' && c <= '9');
}

}  // namespace

TatPascalCompiler::TatPascalCompiler(TatPascalScript& script)
    : script_(script),
      parser_(script.parser_),
      registry_(script.registry_),
      code_(script.code_),
      info_(script.info_) {}

void TatPascalCompiler::Reset() {
  nodeInfo_.clear();
  labels_.clear();
  labelIndex_.clear();
  laterRoutines_.clear();
  pendingOps_.clear();
  loops_.clear();
  withVars_.clear();
  routine_ = nullptr;
  globalPrepare_ = -1;
  mainJumpEmitted_ = false;
  declaringConst_ = false;
  lastLabelTarget_ = static_cast<size_t>(-1);
  ifCount_ = forCount_ = whileCount_ = repeatCount_ = caseCount_ = operCount_ = withCount_ = 0;
}

const char* const kPascalNonTerminalNames[kPascalNonTerminalCount] = {
    "program",
    "globaldecl",
    "main",
    "libraries",
    "uses",
    "imports",
    "subroutine",
    "callingConvention",
    "external",
    "filename",
    "forward",
    "procedure",
    "function",
    "inputargs",
    "byref",
    "byval",
    "constdecl",
    "constexpr",
    "constname",
    "vardecl",
    "varlist",
    "varname",
    "vartype",
    "statement",
    "block",
    "call",
    "call_code",
    "call_ptr",
    "call_ptr_code",
    "data_val",
    "data_val_code",
    "data_ref",
    "data_ref_code",
    "arg_list",
    "indexing",
    "assign",
    "push_output",
    "for",
    "for_control",
    "for_downto_control",
    "step",
    "while",
    "while_control",
    "repeat",
    "until",
    "if",
    "then",
    "else",
    "expression",
    "operator",
    "unary",
    "label",
    "id",
    "real",
    "hex",
    "frac",
    "exp",
    "string",
    "vector",
    "try",
    "finally",
    "except",
    "try_statements",
    "try_upshot",
    "case",
    "case_expr",
    "case_branch",
    "case_test",
    "case_match",
    "with",
    "with_obj",
    "as_class",
};

void CheckNonTerminalBinding(const TatSyntaxParser& parser) {
  for (int nt = 0; nt < kPascalNonTerminalCount; ++nt) {
    const std::string name = kPascalNonTerminalNames[nt];
    const int line = parser.IndexOfNonTerminal(name);
    if (line < 0) {
      throw EatInternalError("The grammar has no production <" + name + "> for the compiler's handlers");
    }
    if (line != nt) {
      throw EatInternalError("The grammar's production <" + name + "> is on line " +
                             std::to_string(line + 1) + ", its handlers are bound to line " +
                             std::to_string(nt + 1));
    }
  }
  if (parser.NonTerminalCount() != kPascalNonTerminalCount) {
    const std::string& name = parser.NonTerminal(kPascalNonTerminalCount).name;  // the first one too many
    throw EatInternalError("The grammar's production <" + name +
                           "> has no entry in the compiler's handler table");
  }
}

void TatPascalCompiler::Bind() {
  CheckNonTerminalBinding(parser_);
  auto enter = [this](int nt, void (TatPascalCompiler::*fn)(TNoTerminalNode&)) {
    parser_.NonTerminal(nt).OnEnterNode = [this, fn](TNoTerminalNode& n) { (this->*fn)(n); };
  };
  auto leave = [this](int nt, void (TatPascalCompiler::*fn)(TNoTerminalNode&)) {
    parser_.NonTerminal(nt).OnLeaveNode = [this, fn](TNoTerminalNode& n) { (this->*fn)(n); };
  };
  enter(ntGlobalDecl, &TatPascalCompiler::EnterGlobalDecl);
  enter(ntMain, &TatPascalCompiler::EnterMain);
  leave(ntMain, &TatPascalCompiler::LeaveMain);
  parser_.NonTerminal(ntUses).OnLeaveNode = [this](TNoTerminalNode& n) { LeaveUses(n, true); };
  parser_.NonTerminal(ntImports).OnLeaveNode = [this](TNoTerminalNode& n) { LeaveUses(n, false); };
  enter(ntSubroutine, &TatPascalCompiler::EnterSubroutine);
  leave(ntSubroutine, &TatPascalCompiler::LeaveSubroutine);
  leave(ntExternal, &TatPascalCompiler::LeaveExternal);
  leave(ntInputArgs, &TatPascalCompiler::LeaveInputArgs);
  leave(ntConstExpr, &TatPascalCompiler::LeaveConstExpr);
  leave(ntVarDecl, &TatPascalCompiler::LeaveVarDecl);
  parser_.NonTerminal(ntCallCode).OnEnterNode = [this](TNoTerminalNode& n) { ResolveName(n, useCall); };
  parser_.NonTerminal(ntCallPtrCode).OnEnterNode = [this](TNoTerminalNode& n) { ResolveName(n, useCall); };
  parser_.NonTerminal(ntDataValCode).OnEnterNode = [this](TNoTerminalNode& n) { ResolveName(n, useValue); };
  parser_.NonTerminal(ntDataRefCode).OnEnterNode = [this](TNoTerminalNode& n) { ResolveName(n, useTarget); };
  enter(ntIndexing, &TatPascalCompiler::EnterIndexing);
  enter(ntFor, &TatPascalCompiler::EnterFor);
  leave(ntFor, &TatPascalCompiler::LeaveFor);
  leave(ntForControl, &TatPascalCompiler::LeaveForControl);
  leave(ntForDowntoControl, &TatPascalCompiler::LeaveForControl);
  enter(ntWhile, &TatPascalCompiler::EnterWhile);
  leave(ntWhile, &TatPascalCompiler::LeaveWhile);
  leave(ntWhileControl, &TatPascalCompiler::LeaveWhileControl);
  enter(ntRepeat, &TatPascalCompiler::EnterRepeat);
  enter(ntUntil, &TatPascalCompiler::EnterUntil);
  leave(ntUntil, &TatPascalCompiler::LeaveUntil);
  enter(ntIf, &TatPascalCompiler::EnterIf);
  leave(ntIf, &TatPascalCompiler::LeaveIf);
  enter(ntThen, &TatPascalCompiler::EnterThen);
  leave(ntThen, &TatPascalCompiler::LeaveThen);
  enter(ntExpression, &TatPascalCompiler::EnterExpression);
  leave(ntExpression, &TatPascalCompiler::LeaveExpression);
  leave(ntOperator, &TatPascalCompiler::LeaveOperator);
  leave(ntUnary, &TatPascalCompiler::LeaveUnary);
  leave(ntLabel, &TatPascalCompiler::LeaveLabel);
  leave(ntReal, &TatPascalCompiler::LeaveReal);
  leave(ntHex, &TatPascalCompiler::LeaveHex);
  leave(ntString, &TatPascalCompiler::LeaveString);
  leave(ntVector, &TatPascalCompiler::LeaveVector);
  enter(ntTry, &TatPascalCompiler::EnterTry);
  leave(ntTryStatements, &TatPascalCompiler::LeaveTryStatements);
  leave(ntTryUpshot, &TatPascalCompiler::LeaveTryUpshot);
  enter(ntCase, &TatPascalCompiler::EnterCase);
  leave(ntCase, &TatPascalCompiler::LeaveCase);
  leave(ntCaseExpr, &TatPascalCompiler::LeaveCaseExpr);
  enter(ntCaseBranch, &TatPascalCompiler::EnterCaseBranch);
  leave(ntCaseTest, &TatPascalCompiler::LeaveCaseTest);
  enter(ntCaseMatch, &TatPascalCompiler::EnterCaseMatch);
  leave(ntCaseMatch, &TatPascalCompiler::LeaveCaseMatch);
  leave(ntWithObj, &TatPascalCompiler::LeaveWithObj);
  leave(ntWith, &TatPascalCompiler::LeaveWith);
  leave(ntAsClass, &TatPascalCompiler::LeaveAsClass);
}

void TatPascalCompiler::Run() {
  Reset();
  nodeInfo_.assign(static_cast<size_t>(parser_.NodeCount()) + 1, TNodeInfo());
  CollectRoutines();
  parser_.WalkTree();
  if (globalPrepare_ >= 0) code_[static_cast<size_t>(globalPrepare_)].Int1 = info_.Globals().Count();
  // A label still waiting for its definition is a routine that was called but never implemented.
  for (const TLabelSpec& label : labels_) {
    if (!label.pending.empty()) {
      FailAt(Fmt("Unknown method ou subroutine: '%s'", label.name),
             code_[static_cast<size_t>(label.pending.front())].SourcePos);
    }
  }
}

// ---------------------------------------------------------------------------------------------------
// Infrastructure

void TatPascalCompiler::Fail(const std::string& message) const {
  FailAt(message, parser_.CurrentPosition);
}

void TatPascalCompiler::FailAt(const std::string& message, int position) const {
  throw TCompileFailure{message, position};
}

TatPascalCompiler::TNodeInfo& TatPascalCompiler::Info(const TNoTerminalNode& node) {
  const auto i = static_cast<size_t>(node.Index());
  if (i >= nodeInfo_.size()) nodeInfo_.resize(i + 1);
  return nodeInfo_[i];
}

int TatPascalCompiler::Emit(TInstruction op) {
  TSimplifiedCode& c = code_.emplace_back();
  c.Op = op;
  c.SourcePos = parser_.CurrentPosition;
  return static_cast<int>(code_.size()) - 1;
}

// The last instruction may be merged into a store or test unless a label points just past it: the
// merged instruction would then sit before the label instead of at it.
bool TatPascalCompiler::CanFuse() const {
  return !code_.empty() && lastLabelTarget_ != code_.size();
}

TatPascalCompiler::TLabelSpec& TatPascalCompiler::Label(const std::string& name) {
  const std::string key = NameKey(name);
  const auto it = labelIndex_.find(key);
  if (it != labelIndex_.end()) return labels_[static_cast<size_t>(it->second)];
  labelIndex_.emplace(key, static_cast<int>(labels_.size()));
  labels_.push_back({name, -1, {}});
  return labels_.back();
}

void TatPascalCompiler::DefineLabel(const std::string& name) {
  TLabelSpec& label = Label(name);
  label.index = static_cast<int>(code_.size());
  for (const int use : label.pending) code_[static_cast<size_t>(use)].Int1 = label.index;
  label.pending.clear();
  lastLabelTarget_ = code_.size();
}

void TatPascalCompiler::UseLabel(int instr, const std::string& name) {
  TLabelSpec& label = Label(name);
  if (label.index >= 0) {
    code_[static_cast<size_t>(instr)].Int1 = label.index;
  } else {
    label.pending.push_back(instr);
  }
}

std::string TatPascalCompiler::WordText(const TNoTerminalNode& node) const {
  std::string out;
  const std::string& text = parser_.InputText();
  int p = node.StartPos();
  const int end = std::min(node.EndPos(), static_cast<int>(text.size()));
  while (p <= end) {
    const int q = parser_.SkipComment(p);
    if (q != p) {
      p = q;
      continue;
    }
    const char c = text[static_cast<size_t>(p - 1)];
    if (static_cast<unsigned char>(c) > 32) out += c;
    ++p;
  }
  return out;
}

// ---------------------------------------------------------------------------------------------------
// Declarations and routines

// Routines may be called before the place of their body; their signatures are known from the tree.
void TatPascalCompiler::CollectRoutines() {
  for (TNoTerminalNode* sub = parser_.Root().FirstChild(); sub; sub = sub->NextSibling()) {
    if (sub->NonTerminalIndex() != ntSubroutine || sub->FindChild(ntExternal)) continue;
    TNoTerminalNode* head = sub->FirstChild();
    TNoTerminalNode* label = head ? head->FindChild(ntLabel) : nullptr;
    if (!label || !label->FirstChild()) continue;
    TCallTarget target;
    target.name = WordText(*label->FirstChild());
    if (TNoTerminalNode* args = sub->FindChild(ntInputArgs)) {
      for (TNoTerminalNode* group = args->FirstChild(); group; group = group->NextSibling()) {
        const int names = group->CountChildren(ntVarName);
        if (group->NonTerminalIndex() == ntByRef) {
          for (int i = 0; i < names; ++i) {
            if (target.argCount + i < 32) target.byRefMask |= 1u << (target.argCount + i);
          }
        }
        target.argCount += names;
      }
    }
    laterRoutines_.emplace(NameKey(target.name), target);
  }
}

int TatPascalCompiler::SlotOf(const TatVariableInfo& v) const {
  return v.Global ? v.Index : v.Routine->SlotOf(v);
}

TatVariableInfo* TatPascalCompiler::FindVariable(const std::string& name) const {
  if (routine_) {
    if (TatVariableInfo* v = routine_->Variables.Find(name)) return v;
  }
  return info_.Globals().Find(name);
}

void TatPascalCompiler::SetType(TatVariableInfo& v, const std::string& typeName) {
  v.TypeDecl = typeName;
  v.SystemType = SystemTypeOf(typeName, registry_);
  if (TatClass* cls = registry_.FindClass(typeName)) v.DeclaredClassName = cls->Name();
}

TatVariableInfo& TatPascalCompiler::Declare(const std::string& name, TatArgumentModifier modifier,
                                            const TNoTerminalNode* type, int position) {
  TatVariablesInfo& scope = routine_ ? routine_->Variables : info_.Globals();
  if (scope.Find(name)) {
    // Reported at the second declaration itself rather than at the end of its section.
    FailAt(
        Fmt(routine_ ? "Redeclaration of identifier '%s'" : "Redeclaration of global identifier '%s'", name),
        position);
  }
  TatVariableInfo& v = scope.Add(name);
  v.Modifier = modifier;
  v.Global = routine_ == nullptr;
  v.Routine = routine_;
  v.DeclarationSourcePos = position;
  if (type) SetType(v, WordText(*type));
  return v;
}

TatVariableInfo& TatPascalCompiler::DeclareHidden(const std::string& name) {
  TatVariableInfo& v = routine_->Variables.Add(name);
  v.Routine = routine_;
  v.DeclarationSourcePos = parser_.CurrentPosition;
  return v;
}

void TatPascalCompiler::StoreVar(TatVariableInfo& v, bool fuse) {
  if (v.Modifier == moConst && !declaringConst_)
    Fail(Fmt("Cannot assign a value to constant '%s'", v.VarName));
  if (v.Global) {
    if (v.Modifier == moVar) Fail(Fmt("Internal error: Trying to generate StoreGlobalVarRef(%s)", v.VarName));
    const int i = Emit(inStoreGlobalVar);
    code_[static_cast<size_t>(i)].Int1 = v.Index;
    code_[static_cast<size_t>(i)].Text = v.VarName;
    return;
  }
  const bool byRef = v.Modifier == moVar;
  const int slot = SlotOf(v);
  if (fuse && CanFuse()) {
    TSimplifiedCode& last = Last();
    switch (last.Op) {
      case inPushInteger:
        last.Op = byRef ? inStoreVarRefInteger : inStoreVarInteger;
        last.Int3 = last.Int1;
        last.Int1 = slot;
        last.Text = v.VarName;
        return;
      case inPushDouble:
        last.Op = byRef ? inStoreVarRefDouble : inStoreVarDouble;
        last.Int1 = slot;
        last.Text = v.VarName;
        return;
      case inPushString:
        last.Op = byRef ? inStoreVarRefString : inStoreVarString;
        last.Int4 = static_cast<std::int32_t>(last.Text.size());
        last.Text += v.VarName;
        last.Int1 = slot;
        return;
      case inPushConst:
        last.Op = byRef ? inStoreVarRefConst : inStoreVarConst;
        last.Text += v.VarName;
        last.Int1 = slot;
        return;
      case inPushVar:
        last.Op = byRef ? inCopyVarRef : inCopyVar;
        last.Int3 = slot;
        last.Text += v.VarName;
        return;
      default:
        break;
    }
  }
  const int i = Emit(byRef ? inStoreVarRef : inStoreVar);
  code_[static_cast<size_t>(i)].Int1 = slot;
  code_[static_cast<size_t>(i)].Text = v.VarName;
}

void TatPascalCompiler::PushVar(const TatVariableInfo& v) {
  const int i = Emit(v.Global ? inPushGlobalVar : inPushVar);
  code_[static_cast<size_t>(i)].Int1 = SlotOf(v);
  code_[static_cast<size_t>(i)].Text = v.VarName;
}

void TatPascalCompiler::EnterGlobalDecl(TNoTerminalNode&) {
  routine_ = nullptr;
  if (globalPrepare_ < 0) globalPrepare_ = Emit(inGlobalPrepare);
}

void TatPascalCompiler::EnterMain(TNoTerminalNode&) {
  TatRoutineInfo& main = info_.AddRoutine("___MAIN___");
  main.IsFunction = true;
  main.HasBody = true;
  routine_ = &main;
  TatVariableInfo& result = main.Variables.Add("Result");
  result.Routine = &main;
  main.ResultIndex = main.SlotOf(result);
  DefineLabel(main.Name);
  main.EntryIndex = Emit(inPrepare);
  code_[static_cast<size_t>(main.EntryIndex)].Text = main.Name;
  info_.MainRoutineName = main.Name;
  loops_.clear();
}

void TatPascalCompiler::LeaveMain(TNoTerminalNode&) {
  if (routine_) EndRoutine(*routine_);
}

void TatPascalCompiler::EndRoutine(TatRoutineInfo& r) {
  DefineLabel("@EndSub" + std::to_string(r.Index));
  if (r.IsFunction) {
    if (TatVariableInfo* result = r.Variables.Find("Result")) {
      const int i = Emit(inPushVar);
      code_[static_cast<size_t>(i)].Int1 = r.SlotOf(*result);
      code_[static_cast<size_t>(i)].Text = "Result";
    }
  }
  Emit(inRet);
  code_[static_cast<size_t>(r.EntryIndex)].Int1 = r.LocalCount();
  routine_ = nullptr;
}

void TatPascalCompiler::LeaveUses(TNoTerminalNode& n, bool makeGlobal) {
  for (TNoTerminalNode* id = n.FirstChild(); id; id = id->NextSibling()) {
    if (id->NonTerminalIndex() != ntId) continue;
    const std::string name = WordText(*id);
    if (!registry_.UseLibrary(name, makeGlobal)) Fail(Fmt("Library '%s' not found", name));
    script_.usedUnits_.push_back({name, makeGlobal});
  }
}

void TatPascalCompiler::EnterSubroutine(TNoTerminalNode&) {
  if (!mainJumpEmitted_) {
    mainJumpEmitted_ = true;
    UseLabel(Emit(inJump), "___MAIN___");
  }
  routine_ = nullptr;
  loops_.clear();
}

void TatPascalCompiler::LeaveLabel(TNoTerminalNode& n) {
  TNoTerminalNode* head = n.Parent();
  TNoTerminalNode* sub = head ? head->Parent() : nullptr;
  if (!sub || sub->NonTerminalIndex() != ntSubroutine || !n.FirstChild()) return;
  const std::string name = WordText(*n.FirstChild());
  const bool hasBody = !sub->FindChild(ntExternal) && !sub->FindChild(ntForward);
  TatRoutineInfo* earlier = info_.FindRoutine(name);
  if (earlier) {
    if (earlier->HasBody) {
      Fail(Fmt("Illegal reimplementation of routine '%s'.\r\nUse forward clause for prototyping", name));
    }
    if (!hasBody) Fail(Fmt("Illegal redeclaration of routine '%s'", name));
    info_.RenameRoutine(*earlier, "#" + earlier->Name);
  }
  TatRoutineInfo& r = info_.AddRoutine(name);
  r.IsFunction = head->NonTerminalIndex() == ntFunction;
  r.HasBody = hasBody;
  r.Prototype = earlier;
  routine_ = &r;
  if (hasBody) {
    DefineLabel(name);
    r.EntryIndex = Emit(inPrepare);
    code_[static_cast<size_t>(r.EntryIndex)].Text = name;
  }
}

void TatPascalCompiler::LeaveInputArgs(TNoTerminalNode& n) {
  if (!routine_) return;
  TatRoutineInfo& r = *routine_;
  for (TNoTerminalNode* group = n.FirstChild(); group; group = group->NextSibling()) {
    const bool byRef = group->NonTerminalIndex() == ntByRef;
    const TNoTerminalNode* type = group->FindChild(ntVarType);
    for (TNoTerminalNode* name = group->FirstChild(); name; name = name->NextSibling()) {
      if (name->NonTerminalIndex() != ntVarName || !name->FirstChild()) continue;
      const std::string varName = WordText(*name->FirstChild());
      if (r.Variables.Find(varName))
        FailAt(Fmt("Redeclaration of identifier '%s'", varName), name->StartPos());
      TatVariableInfo& v = r.Variables.Add(varName);
      v.Routine = &r;
      v.Modifier = byRef ? moVar : moNone;
      v.ArgIndex = r.ArgCount;
      v.DeclarationSourcePos = name->StartPos();
      if (type) SetType(v, WordText(*type));
      if (byRef && r.ArgCount < 32) r.ByRefArgMask |= 1u << r.ArgCount;
      ++r.ArgCount;
    }
  }
  if (r.IsFunction) {
    TatVariableInfo& result = r.Variables.Add("Result");
    result.Routine = &r;
    r.ResultIndex = r.SlotOf(result);
  }
  if (const TatRoutineInfo* proto = r.Prototype) {
    // The body must repeat the parameters of its forward declaration exactly.
    std::vector<const TNoTerminalNode*> names;
    for (TNoTerminalNode* group = n.FirstChild(); group; group = group->NextSibling()) {
      for (TNoTerminalNode* name = group->FirstChild(); name; name = name->NextSibling()) {
        if (name->NonTerminalIndex() == ntVarName) names.push_back(name);
      }
    }
    const std::string message =
        Fmt("Implementation of routine '%s' differs from previous declaration", r.Name);
    for (int i = 0; i < std::max(r.ArgCount, proto->ArgCount); ++i) {
      const int at = i < static_cast<int>(names.size()) ? names[static_cast<size_t>(i)]->StartPos()
                                                        : parser_.CurrentPosition;
      if (i >= r.ArgCount || i >= proto->ArgCount) FailAt(message, at);
      const TatVariableInfo& a = r.Variables[i];
      const TatVariableInfo& b = proto->Variables[i];
      if (NameKey(a.VarName) != NameKey(b.VarName) || a.ArgIndex != b.ArgIndex || a.Modifier != b.Modifier ||
          NameKey(a.DeclaredClassName) != NameKey(b.DeclaredClassName)) {
        FailAt(message, at);
      }
    }
  }
}

void TatPascalCompiler::LeaveExternal(TNoTerminalNode& n) {
  if (!routine_) return;
  TatRoutineInfo& r = *routine_;
  if (const TNoTerminalNode* file = n.FindChild(ntFilename)) r.ExternalDll = DecodeString(*file);
  const TNoTerminalNode* exportName = n.FindChild(ntConstName);
  r.ExternalName = exportName ? WordText(*exportName) : r.Name;
  r.CallingConvention = ccRegister;
  if (const TNoTerminalNode* cc = n.FindChild(ntCallingConvention)) {
    const std::string word = NameKey(WordText(*cc));
    if (word == "STDCALL") r.CallingConvention = ccStdCall;
    if (word == "SAFECALL") r.CallingConvention = ccSafeCall;
    if (word == "CDECL") r.CallingConvention = ccCDecl;
    if (word == "PASCAL") r.CallingConvention = ccPascal;
  }
  // Calls reach the routine through the library of external routines, whose handler refuses them at
  // run time: this program never allows calls into library files.
  const TatLibraryListItem* dll = TatLibraryList::Instance().Find("_DLL_");
  TatScripterLibrary* library = dll ? registry_.AttachLibrary(*dll, true) : nullptr;
  TatClass* cls = library ? registry_.FindClass(library->ClassName()) : nullptr;
  if (cls) {
    const std::string name = r.Name;
    TatMethod& m = cls->RegisterRoutine(name, r.ArgCount, r.IsFunction ? dtAny : dtNone, nullptr,
                                        [name](TatVirtualMachine&) {
                                          throw EatRuntimeError("Cannot call external function \"" + name +
                                                                "\". DLL calls not allowed in scripter.");
                                        });
    std::vector<int> positions;
    for (int i = 0; i < r.ArgCount && i < 32; ++i) {
      if (r.ByRefArgMask & (1u << i)) positions.push_back(i);
    }
    m.SetVarArgs(positions);
  }
  info_.RenameRoutine(r, "@" + r.Name);
}

void TatPascalCompiler::LeaveSubroutine(TNoTerminalNode& n) {
  if (!routine_) return;
  if (!routine_->HasBody) {
    if (const TNoTerminalNode* type = n.FindChild(ntId)) routine_->ResultTypeDecl = WordText(*type);
    routine_ = nullptr;
    return;
  }
  EndRoutine(*routine_);
}

void TatPascalCompiler::LeaveConstExpr(TNoTerminalNode& n) {
  const TNoTerminalNode* nameNode = n.FindChild(ntConstName);
  if (!nameNode) return;
  TatVariableInfo& v = Declare(WordText(*nameNode), moConst, nullptr, nameNode->StartPos());
  declaringConst_ = true;
  StoreVar(v, true);
  declaringConst_ = false;
}

void TatPascalCompiler::LeaveVarDecl(TNoTerminalNode& n) {
  for (TNoTerminalNode* list = n.FirstChild(); list; list = list->NextSibling()) {
    if (list->NonTerminalIndex() != ntVarList) continue;
    const TNoTerminalNode* type = list->FindChild(ntVarType);
    for (TNoTerminalNode* id = list->FirstChild(); id; id = id->NextSibling()) {
      if (id->NonTerminalIndex() == ntId) Declare(WordText(*id), moNone, type, id->StartPos());
    }
  }
}

// ---------------------------------------------------------------------------------------------------
// Loops and branches

int TatPascalCompiler::LoopIndex(int kind) const {
  for (size_t i = loops_.size(); i-- > 0;) {
    if (loops_[i].kind == kind) return static_cast<int>(i);
  }
  return -1;
}

void TatPascalCompiler::EnterFor(TNoTerminalNode& n) {
  Info(n).number = ++forCount_;
  loops_.push_back({ntFor, Info(n).number});
}

void TatPascalCompiler::LeaveForControl(TNoTerminalNode& n) {
  TNoTerminalNode* forNode = n.Parent();
  TNodeInfo& info = Info(*forNode);
  const std::string num = std::to_string(info.number);
  double step = 1.0;
  if (n.NonTerminalIndex() == ntForDowntoControl) {
    step = -1.0;
  } else if (const TNoTerminalNode* stepNode = forNode->FindChild(ntStep)) {
    const std::string text = WordText(*stepNode);
    const char* first = text.data();
    if (!text.empty() && text[0] == '+') ++first;
    double value = 0;
    const auto [ptr, ec] = std::from_chars(first, text.data() + text.size(), value);
    if (ec != std::errc() || !std::isfinite(value)) {
      Fail(Fmt("'%s' is not a valid floating point value", text));
    }
    step = value;
  }
  info.step = step;

  const TNoTerminalNode* id = n.FindChild(ntId);
  const std::string name = id ? WordText(*id) : std::string();
  TatVariableInfo* v = FindVariable(name);
  if (!v) {
    if (script_.Options.RequireDeclarations) Fail(Fmt("Undeclared variable '%s'", name));
    v = &Declare(name, moNone, nullptr, id ? id->StartPos() : parser_.CurrentPosition);
  }
  if (v->Modifier == moConst) Fail(Fmt("Cannot assign a value to constant '%s'", v->VarName));
  info.var = v;
  info.stop = &DeclareHidden("#ForStop" + num);
  StoreVar(*info.stop, true);
  DefineLabel("@ForLoop" + num);
  if (v->Global) {
    StoreVar(*v, false);
  } else {
    const int i = Emit(v->Modifier == moVar ? inStoreVarRef : inStoreVar);
    code_[static_cast<size_t>(i)].Int1 = SlotOf(*v);
    code_[static_cast<size_t>(i)].Text = v->VarName;
  }
  PushVar(*v);
  PushVar(*info.stop);
  Emit(step >= 0 ? inOperLE : inOperGE);
  UseLabel(Emit(inJumpIfFalse), "@EndFor" + num);
}

void TatPascalCompiler::LeaveFor(TNoTerminalNode& n) {
  TNodeInfo& info = Info(n);
  const std::string num = std::to_string(info.number);
  DefineLabel("@ForStep" + num);
  const double step = info.step;
  if (step == std::trunc(step) && std::fabs(step) <= std::numeric_limits<std::int32_t>::max()) {
    code_[static_cast<size_t>(Emit(inPushInteger))].Int1 = static_cast<std::int32_t>(step);
  } else {
    code_[static_cast<size_t>(Emit(inPushDouble))].Real = step;
  }
  if (info.var) PushVar(*info.var);
  Emit(inOperAdd);
  UseLabel(Emit(inJump), "@ForLoop" + num);
  DefineLabel("@EndFor" + num);
  if (!loops_.empty()) loops_.pop_back();
}

void TatPascalCompiler::EnterWhile(TNoTerminalNode& n) {
  Info(n).number = ++whileCount_;
  loops_.push_back({ntWhile, Info(n).number});
  DefineLabel("@WhileLoop" + std::to_string(Info(n).number));
}

void TatPascalCompiler::LeaveWhileControl(TNoTerminalNode& n) {
  UseLabel(Emit(inJumpIfFalse), "@EndWhile" + std::to_string(Info(*n.Parent()).number));
}

void TatPascalCompiler::LeaveWhile(TNoTerminalNode& n) {
  const std::string num = std::to_string(Info(n).number);
  UseLabel(Emit(inJump), "@WhileLoop" + num);
  DefineLabel("@EndWhile" + num);
  if (!loops_.empty()) loops_.pop_back();
}

void TatPascalCompiler::EnterRepeat(TNoTerminalNode& n) {
  Info(n).number = ++repeatCount_;
  loops_.push_back({ntRepeat, Info(n).number});
  DefineLabel("@RepeatLoop" + std::to_string(Info(n).number));
}

void TatPascalCompiler::EnterUntil(TNoTerminalNode& n) {
  DefineLabel("@RepeatTest" + std::to_string(Info(*n.Parent()).number));
}

void TatPascalCompiler::LeaveUntil(TNoTerminalNode& n) {
  const std::string num = std::to_string(Info(*n.Parent()).number);
  UseLabel(Emit(inJumpIfFalse), "@RepeatLoop" + num);
  DefineLabel("@EndRepeat" + num);
  if (!loops_.empty()) loops_.pop_back();
}

void TatPascalCompiler::EnterIf(TNoTerminalNode& n) {
  Info(n).number = ++ifCount_;
}

void TatPascalCompiler::EnterThen(TNoTerminalNode& n) {
  const TNoTerminalNode* ifNode = n.Parent();
  const std::string num = std::to_string(Info(*ifNode).number);
  UseLabel(Emit(inJumpIfFalse), (ifNode->FindChild(ntElse) ? "@Else" : "@EndIf") + num);
}

void TatPascalCompiler::LeaveThen(TNoTerminalNode& n) {
  const TNoTerminalNode* ifNode = n.Parent();
  if (!ifNode->FindChild(ntElse)) return;
  const std::string num = std::to_string(Info(*ifNode).number);
  UseLabel(Emit(inJump), "@EndIf" + num);
  DefineLabel("@Else" + num);
}

void TatPascalCompiler::LeaveIf(TNoTerminalNode& n) {
  DefineLabel("@EndIf" + std::to_string(Info(n).number));
}

void TatPascalCompiler::EnterTry(TNoTerminalNode& n) {
  Info(n).instr = Emit(n.FindChild(ntFinally) ? inTryFinally : inTryExcept);
}

void TatPascalCompiler::LeaveTryStatements(TNoTerminalNode& n) {
  code_[static_cast<size_t>(Info(*n.Parent()).instr)].Int1 = static_cast<std::int32_t>(code_.size());
}

void TatPascalCompiler::LeaveTryUpshot(TNoTerminalNode& n) {
  code_[static_cast<size_t>(Info(*n.Parent()).instr)].Int3 = static_cast<std::int32_t>(code_.size());
}

void TatPascalCompiler::EnterCase(TNoTerminalNode& n) {
  Info(n).number = ++caseCount_;
}

void TatPascalCompiler::LeaveCaseExpr(TNoTerminalNode& n) {
  TNodeInfo& info = Info(*n.Parent());
  info.var = &DeclareHidden("#Case" + std::to_string(info.number));
  StoreVar(*info.var, true);
}

// The case node above a branch (branches nest: each holds the next).
static TNoTerminalNode* CaseOf(TNoTerminalNode* branch) {
  TNoTerminalNode* p = branch->Parent();
  while (p && p->NonTerminalIndex() == ntCaseBranch) p = p->Parent();
  return p;
}

void TatPascalCompiler::EnterCaseBranch(TNoTerminalNode& n) {
  TNoTerminalNode* parent = n.Parent();
  Info(n).branch = parent->NonTerminalIndex() == ntCaseBranch ? Info(*parent).branch + 1 : 1;
  const TNoTerminalNode* caseNode = CaseOf(&n);
  DefineLabel("@Case" + std::to_string(Info(*caseNode).number) + "Branch" + std::to_string(Info(n).branch));
}

void TatPascalCompiler::LeaveCaseTest(TNoTerminalNode& n) {
  TNoTerminalNode* branch = n.Parent();
  TNodeInfo& caseInfo = Info(*CaseOf(branch));
  const std::string prefix = "@Case" + std::to_string(caseInfo.number);
  const int k = Info(*branch).branch;
  bool last = true;
  for (TNoTerminalNode* s = n.NextSibling(); s; s = s->NextSibling()) {
    if (s->NonTerminalIndex() == ntCaseTest) last = false;
  }
  if (last) {
    EmitVarTest(0, prefix + "Branch" + std::to_string(k + 1), *caseInfo.var);
  } else {
    EmitVarTest(1, prefix + "Match" + std::to_string(k), *caseInfo.var);
  }
}

void TatPascalCompiler::EmitVarTest(int sense, const std::string& label, TatVariableInfo& caseVar) {
  const int slot = SlotOf(caseVar);
  int i = -1;
  if (CanFuse()) {
    TSimplifiedCode& last = Last();
    switch (last.Op) {
      case inPushInteger:
        last.Op = inVarTestInteger;
        last.Int4 = last.Int1;
        last.Int3 = slot;
        break;
      case inPushDouble:
        last.Op = inVarTestDouble;
        last.Int2 = slot;
        break;
      case inPushString:
        last.Op = inVarTestString;
        last.Int4 = static_cast<std::int32_t>(last.Text.size());
        last.Int3 = slot;
        last.Text += caseVar.VarName;
        break;
      case inPushVar:
        last.Op = inVarTestVar;
        last.Int3 = last.Int1;
        last.Int4 = slot;
        break;
      default:
        break;
    }
    if (last.Op == inVarTestInteger || last.Op == inVarTestDouble || last.Op == inVarTestString ||
        last.Op == inVarTestVar) {
      i = static_cast<int>(code_.size()) - 1;
    }
  }
  if (i < 0) {
    i = Emit(inVarTest);
    code_[static_cast<size_t>(i)].Int3 = slot;
  }
  code_[static_cast<size_t>(i)].Byte1 = static_cast<std::uint8_t>(sense);
  UseLabel(i, label);
}

void TatPascalCompiler::EnterCaseMatch(TNoTerminalNode& n) {
  TNoTerminalNode* branch = n.Parent();
  DefineLabel("@Case" + std::to_string(Info(*CaseOf(branch)).number) + "Match" +
              std::to_string(Info(*branch).branch));
}

void TatPascalCompiler::LeaveCaseMatch(TNoTerminalNode& n) {
  const TNoTerminalNode* next = n.NextSibling();
  if (next && next->NonTerminalIndex() == ntCaseBranch) {
    UseLabel(Emit(inJump), "@EndCase" + std::to_string(Info(*CaseOf(n.Parent())).number));
  }
}

void TatPascalCompiler::LeaveCase(TNoTerminalNode& n) {
  DefineLabel("@EndCase" + std::to_string(Info(n).number));
}

void TatPascalCompiler::LeaveWithObj(TNoTerminalNode& n) {
  TNoTerminalNode* value = n.FindChild(ntDataVal);
  const TClassContext ctx = value ? Info(*LastPart(value)).ctx : TClassContext();
  if (ctx.kind == TClassContext::ckNone || ctx.isClassRef) Fail("Object required in \"with\" clause");
  if (ctx.kind == TClassContext::ckUnknown) {
    Fail(
        "Undefined class in \"with\" clause. \r\nCast the expression to a known class or use a variable that "
        "was declared with a defined class");
  }
  TatVariableInfo& v = DeclareHidden("#With" + std::to_string(++withCount_));
  v.DeclaredClassName = ctx.cls->Name();
  v.TypeDecl = ctx.cls->Name();
  v.SystemType = 7;
  StoreVar(v, true);
  withVars_.push_back(&v);
}

void TatPascalCompiler::LeaveWith(TNoTerminalNode& n) {
  for (int i = n.CountChildren(ntWithObj); i > 0 && !withVars_.empty(); --i) withVars_.pop_back();
}

// ---------------------------------------------------------------------------------------------------
// Expressions and literals

namespace {

struct TOperatorSpec {
  const char* word;
  TInstruction op;
  int precedence;
};

constexpr TOperatorSpec kOperators[] = {
    {"^", inOperExp, 1},   {"IS", inOperIs, 1},     {"*", inOperMul, 2},   {"/", inOperSlash, 2},
    {"DIV", inOperDiv, 2}, {"MOD", inOperMod, 2},   {"AND", inOperAnd, 2}, {"SHL", inOperShl, 2},
    {"SHR", inOperShr, 2}, {"+", inOperAdd, 3},     {"-", inOperSub, 3},   {"OR", inOperOr, 3},
    {"XOR", inOperXor, 3}, {"<>", inOperNE, 4},     {">=", inOperGE, 4},   {"<=", inOperLE, 4},
    {"=", inOperEqual, 4}, {">", inOperGreater, 4}, {"<", inOperLess, 4},
};

}  // namespace

void TatPascalCompiler::EnterExpression(TNoTerminalNode&) {
  pendingOps_.push_back({inPrepare, -1, 0});
}

void TatPascalCompiler::EmitPendingOp(const TPendingOp& op) {
  Emit(op.op);
  if (op.number) DefineLabel("@Oper" + std::to_string(op.number));
}

void TatPascalCompiler::LeaveOperator(TNoTerminalNode& n) {
  const std::string word = NameKey(WordText(n));
  const TOperatorSpec* entry = nullptr;
  for (const auto& o : kOperators) {
    if (word == o.word) entry = &o;
  }
  if (!entry) Fail("Syntax error");
  while (!pendingOps_.empty() && pendingOps_.back().precedence >= 0 &&
         pendingOps_.back().precedence <= entry->precedence) {
    const TPendingOp op = pendingOps_.back();
    pendingOps_.pop_back();
    EmitPendingOp(op);
  }
  int number = 0;
  if (script_.Options.ShortBooleanEval && (entry->op == inOperOr || entry->op == inOperAnd)) {
    number = ++operCount_;
    UseLabel(Emit(entry->op == inOperOr ? inTestIfTrue : inTestIfFalse), "@Oper" + std::to_string(number));
  }
  pendingOps_.push_back({entry->op, entry->precedence, number});
}

void TatPascalCompiler::LeaveUnary(TNoTerminalNode& n) {
  const std::string word = NameKey(WordText(n));
  if (word == "NOT") pendingOps_.push_back({inOperNot, 0, 0});
  if (word == "-") pendingOps_.push_back({inOperNeg, 0, 0});
}

void TatPascalCompiler::LeaveExpression(TNoTerminalNode&) {
  while (!pendingOps_.empty()) {
    const TPendingOp op = pendingOps_.back();
    pendingOps_.pop_back();
    if (op.precedence < 0) break;
    EmitPendingOp(op);
  }
}

void TatPascalCompiler::LeaveReal(TNoTerminalNode& n) {
  const std::string text = WordText(n);
  const char* first = text.data();
  const char* end = text.data() + text.size();
  if (first != end && *first == '+') ++first;
  if (text.find_first_of(".eE") != std::string::npos) {
    double value = 0;
    const auto [ptr, ec] = std::from_chars(first, end, value);
    if (ec != std::errc() || ptr != end || !std::isfinite(value)) {
      Fail(Fmt("'%s' is not a valid floating point value", text));
    }
    code_[static_cast<size_t>(Emit(inPushDouble))].Real = value;
    return;
  }
  std::int32_t value = 0;
  const auto [ptr, ec] = std::from_chars(first, end, value);
  // Out of range is the platform's integer conversion error, which carries no source position.
  if (ec != std::errc() || ptr != end) FailAt(Fmt("'%s' is not a valid integer value", text), -1);
  code_[static_cast<size_t>(Emit(inPushInteger))].Int1 = value;
}

void TatPascalCompiler::LeaveHex(TNoTerminalNode& n) {
  std::uint32_t value = 0;
  for (const char c : WordText(n)) {
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    if (digit >= 0) value = (value << 4) | static_cast<std::uint32_t>(digit);  // excess digits shift out
  }
  code_[static_cast<size_t>(Emit(inPushInteger))].Int1 = static_cast<std::int32_t>(value);
}

std::string TatPascalCompiler::DecodeString(const TNoTerminalNode& node) const {
  const std::string& text = parser_.InputText();
  const char quote = parser_.QuoteChar();
  std::string out;
  int p = node.StartPos();
  const int end = std::min(node.EndPos(), static_cast<int>(text.size()));
  auto at = [&](int pos) { return text[static_cast<size_t>(pos - 1)]; };
  while (p <= end) {
    const char c = at(p);
    if (c == quote) {
      ++p;
      while (p <= end) {
        if (at(p) == quote) {
          if (p + 1 <= end && at(p + 1) == quote) {
            out += quote;
            p += 2;
            continue;
          }
          ++p;
          break;
        }
        out += at(p++);
      }
    } else if (c == '#') {
      p = parser_.SkipComment(p + 1);
      std::string digits;
      while (p <= end && IsNumberChar(at(p))) {
        digits += at(p);
        p = parser_.SkipComment(p + 1);
      }
      std::int32_t code = 0;
      const auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), code);
      if (ec != std::errc() || ptr != digits.data() + digits.size() || digits.empty()) {
        out += '.';  // a code that is no 32-bit integer
      } else {
        out += static_cast<char>(static_cast<unsigned char>(code % 256));
      }
    } else {
      const int q = parser_.SkipComment(p);
      p = q != p ? q : p + 1;
    }
  }
  return out;
}

void TatPascalCompiler::LeaveString(TNoTerminalNode& n) {
  code_[static_cast<size_t>(Emit(inPushString))].Text = DecodeString(n);
}

void TatPascalCompiler::LeaveVector(TNoTerminalNode& n) {
  code_[static_cast<size_t>(Emit(inArrayOf))].Int1 = n.CountChildren(ntExpression);
}

}  // namespace varnholt
