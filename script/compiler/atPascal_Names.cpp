// atPascal_Names.cpp — name resolution: what a name in a value, assignment-target or statement position
// stands for, in the fixed order variable, script routine, property, method, class reference, class cast,
// fixed word, and the code each of them compiles to.
#include <string>

#include "script/compiler/atPascal_Compiler.h"

namespace varnholt {

namespace {

std::string Fmt(const char* pattern, const std::string& s, int a = 0, int b = 0) {
  std::string out(pattern);
  auto at = out.find("%s");
  if (at != std::string::npos) out.replace(at, 2, s);
  at = out.find("%d");
  if (at != std::string::npos) out.replace(at, 2, std::to_string(a));
  at = out.find("%d");
  if (at != std::string::npos) out.replace(at, 2, std::to_string(b));
  return out;
}

bool IsNamePart(int nt) {
  return nt == ntDataVal || nt == ntDataRef || nt == ntCall || nt == ntCallPtr;
}

// True when the argument list was written, even as "()": its first significant character is "(".
bool ArgListWritten(const TNoTerminalNode& argList) {
  const std::string& text = argList.Parser().InputText();
  int p = argList.StartPos();
  while (p <= argList.EndPos() && p <= static_cast<int>(text.size())) {
    const int q = argList.Parser().SkipComment(p);
    if (q != p) {
      p = q;
      continue;
    }
    const char c = text[static_cast<size_t>(p - 1)];
    if (c == '(') return true;
    if (static_cast<unsigned char>(c) > 32) return false;
    ++p;
  }
  return false;
}

}  // namespace

TNoTerminalNode* TatPascalCompiler::LastPart(TNoTerminalNode* part) {
  for (;;) {
    TNoTerminalNode* next = part->FindChild(part->NonTerminalIndex());
    if (!next) return part;
    part = next;
  }
}

TatPascalCompiler::TClassContext TatPascalCompiler::ContextOfType(std::uint8_t dataType,
                                                                  TatClass* cls) const {
  TClassContext ctx;
  if (dataType == dtObject && cls) {
    ctx.kind = TClassContext::ckKnown;
    ctx.cls = cls;
  } else if (dataType == dtObject || dataType == dtAny) {
    ctx.kind = TClassContext::ckUnknown;
  }
  return ctx;
}

bool TatPascalCompiler::FindCallTarget(const std::string& name, TCallTarget& target) const {
  if (const TatRoutineInfo* r = info_.FindRoutine(name)) {
    target.name = r->Name;
    target.argCount = r->ArgCount;
    target.byRefMask = r->ByRefArgMask;
    return true;
  }
  const auto it = laterRoutines_.find(NameKey(name));
  if (it == laterRoutines_.end()) return false;
  target = it->second;
  return true;
}

// An assignment to a member whose object is on the stack: the value was pushed before the object (the
// assignment compiles its expression first), but a property write takes the object below its value, so
// the two change places before the member's index values follow.
void TatPascalCompiler::EnterIndexing(TNoTerminalNode& n) {
  TNoTerminalNode* part = n.Parent();
  if (!part || part->NonTerminalIndex() != ntDataRef) return;
  TNoTerminalNode* before = part->Parent();
  if (!before || before->NonTerminalIndex() != ntDataRef || part->FindChild(ntDataRef)) return;
  const TClassContext& ctx = Info(*before).ctx;
  if (ctx.kind != TClassContext::ckNone && !ctx.isClassRef) Emit(inSwap2);
}

void TatPascalCompiler::ResolveName(TNoTerminalNode& codeNode, TUse use) {
  TNameUse u;
  u.part = codeNode.Parent();
  u.use = use;
  TNoTerminalNode* id = u.part->FindChild(ntId);
  u.argList = u.part->FindChild(ntArgList);
  u.indexing = u.part->FindChild(ntIndexing);
  u.name = id ? WordText(*id) : std::string();
  u.hasArgs = u.argList && ArgListWritten(*u.argList);
  u.n = u.argList ? u.argList->CountChildren(ntExpression) : 0;
  u.k = u.indexing ? u.indexing->CountChildren(ntExpression) : 0;
  TNoTerminalNode* parent = u.part->Parent();
  u.isMember = parent && parent->NonTerminalIndex() == u.part->NonTerminalIndex();
  u.memberFollows = u.part->FindChild(u.part->NonTerminalIndex()) != nullptr;
  if (u.isMember) u.prev = Info(*parent).ctx;

  for (int attempt = 0; attempt < 2; ++attempt) {
    if (TryResolve(u)) return;
    const auto& unknown = script_.Options.OnUnknownElement;
    if (attempt > 0 || !unknown) break;
    TElementContext context;
    context.name = u.name;
    context.hasArgList = u.hasArgs;
    context.isMember = u.isMember;
    context.memberFollows = u.memberFollows;
    context.kind = use == useValue    ? TElementContext::ekValue
                   : use == useTarget ? TElementContext::ekAssignTarget
                                      : TElementContext::ekStatementCall;
    context.argCount = u.n;
    context.indexCount = u.k;
    if (!unknown(context)) break;
  }

  if (u.isTarget() && !u.hasArgs && !u.isMember && !script_.Options.RequireDeclarations && routine_) {
    TatVariableInfo& v = routine_->Variables.Add(u.name);
    v.Routine = routine_;
    v.DeclarationSourcePos = u.part->StartPos();
    EmitVariable(u, v);
    return;
  }
  if (u.isMember) {
    const bool known = u.prev.kind == TClassContext::ckKnown;
    if (u.hasArgs) {
      Fail(Fmt(known ? "Unknown member method: '%s'" : "Object required to access member method: '%s'",
               u.name));
    }
    Fail(Fmt(known ? "Unknown member identifier: '%s'" : "Object required to access member: '%s'", u.name));
  }
  if (u.hasArgs) Fail(Fmt("Unknown method or routine: '%s'", u.name));
  Fail(Fmt("Unknown identifier or variable is not declared: '%s'", u.name));
}

bool TatPascalCompiler::TryResolve(TNameUse& u) {
  // 1. variable, 2. script routine
  if (!u.isMember && !u.hasArgs) {
    if (TatVariableInfo* v = FindVariable(u.name)) {
      EmitVariable(u, *v);
      return true;
    }
  }
  if (!u.isMember && !(u.isTarget() && !u.hasArgs)) {
    TCallTarget target;
    if (FindCallTarget(u.name, target)) {
      EmitRoutineCall(u, target);
      return true;
    }
  }
  // 3. property, 4. method
  if (u.isMember) {
    if (u.prev.kind == TClassContext::ckUnknown) {
      EmitLateBound(u);
      return true;
    }
    if (u.prev.kind == TClassContext::ckKnown) {
      TatClass& cls = *u.prev.cls;
      if (TatProperty* p = cls.FindProperty(u.name)) {
        EmitProperty(u, *p, cls, -1, u.prev.isClassRef);
        return true;
      }
      if (TatMethod* m = cls.FindMethod(u.name)) {
        EmitMethod(u, *m, cls, -1, u.prev.isClassRef);
        return true;
      }
    }
    return false;
  }
  for (int pass = 0; pass < 2; ++pass) {
    for (size_t i = withVars_.size(); i-- > 0;) {
      TatVariableInfo& v = *withVars_[i];
      TatClass* cls = registry_.FindClass(v.DeclaredClassName);
      if (!cls) continue;
      TatProperty* p = pass == 0 ? cls->FindProperty(u.name) : nullptr;
      TatMethod* m = pass == 1 ? cls->FindMethod(u.name) : nullptr;
      if (!p && !m) continue;
      code_[static_cast<size_t>(Emit(inWithObject))].Int1 = SlotOf(v);
      if (p) {
        EmitProperty(u, *p, *cls, -1, false);
      } else {
        EmitMethod(u, *m, *cls, -1, false);
      }
      return true;
    }
    // The last registered default instance is searched first, so libraries come before the scripter.
    for (int i = registry_.DefaultInstanceCount(); i-- > 0;) {
      TatObject& instance = registry_.DefaultInstance(i);
      if (!instance.Class) continue;
      if (pass == 0) {
        if (TatProperty* p = instance.Class->FindProperty(u.name)) {
          EmitProperty(u, *p, *instance.Class, instance.Index, false);
          return true;
        }
      } else if (TatMethod* m = instance.Class->FindMethod(u.name)) {
        EmitMethod(u, *m, *instance.Class, instance.Index, false);
        return true;
      }
    }
  }
  // 5. class reference, 6. class cast
  if (TatClass* cls = registry_.FindClass(u.name)) {
    if (!u.hasArgs && (u.use == useValue || u.memberFollows)) {
      if (u.memberFollows) {
        Info(*u.part).ctx = {TClassContext::ckKnown, cls, true};
      } else {
        const int i = Emit(inPushClass);
        code_[static_cast<size_t>(i)].Int1 = cls->Index();
        code_[static_cast<size_t>(i)].Text = u.name;
      }
      return true;
    }
    if (u.hasArgs && u.n == 1) {
      Info(*u.part).ctx = {TClassContext::ckKnown, cls, false};
      return true;
    }
  }
  // 7. words with a fixed meaning
  if (!u.hasArgs && !u.memberFollows) return EmitFixedWord(u);
  return false;
}

void TatPascalCompiler::EmitVariable(TNameUse& u, TatVariableInfo& v) {
  const int slot = SlotOf(v);
  if (u.isCall()) Fail(Fmt("Variable '%s' cannot be called as a function or routine", u.name));
  if (u.isTarget()) {
    if (u.k == 0) {
      StoreVar(v, true);
    } else {
      if (v.Modifier == moConst) Fail(Fmt("Cannot assign a value to constant '%s'", v.VarName));
      const int i = Emit(v.Global              ? inStoreGlobalIdxVar
                         : v.Modifier == moVar ? inStoreIdxVarRef
                                               : inStoreIdxVar);
      code_[static_cast<size_t>(i)].Int1 = slot;
      code_[static_cast<size_t>(i)].Byte1 = static_cast<std::uint8_t>(u.k);
      code_[static_cast<size_t>(i)].Text = v.VarName;
    }
  } else {
    // A bare variable that is a whole argument goes by reference, so the callee can assign through it.
    TNoTerminalNode* expr = u.part->Parent();
    TNoTerminalNode* list = expr ? expr->Parent() : nullptr;
    if (u.use == useValue && !u.memberFollows && u.k == 0 && !u.isMember && expr &&
        expr->NonTerminalIndex() == ntExpression && expr->ChildCount() == 1 && list &&
        list->NonTerminalIndex() == ntArgList) {
      int position = 0;
      for (TNoTerminalNode* e = list->FirstChild(); e && e != expr; e = e->NextSibling()) {
        position += e->NonTerminalIndex() == ntExpression;
      }
      if (position < 32) Info(*list).byRefMask |= 1u << position;
      const int i = Emit(v.Global ? inPushGlobalVarByRef : inPushVarByRef);
      code_[static_cast<size_t>(i)].Int1 = slot;
      code_[static_cast<size_t>(i)].Text = v.VarName;
    } else if (u.k == 0) {
      PushVar(v);
    } else {
      const int i = Emit(v.Global ? inPushGlobalIdxVar : inPushIdxVar);
      code_[static_cast<size_t>(i)].Int1 = slot;
      code_[static_cast<size_t>(i)].Byte1 = static_cast<std::uint8_t>(u.k);
      code_[static_cast<size_t>(i)].Text = v.VarName;
    }
  }
  TClassContext ctx;
  ctx.kind = TClassContext::ckUnknown;
  if (TatClass* cls = v.DeclaredClassName.empty() ? nullptr : registry_.FindClass(v.DeclaredClassName)) {
    ctx.kind = TClassContext::ckKnown;
    ctx.cls = cls;
  }
  Info(*u.part).ctx = ctx;
}

void TatPascalCompiler::CheckByRef(const TNameUse& u, std::uint32_t required, const char* message) {
  const std::uint32_t given = u.argList ? Info(*u.argList).byRefMask : 0;
  int position = 0;
  for (TNoTerminalNode* e = u.argList ? u.argList->FirstChild() : nullptr; e; e = e->NextSibling()) {
    if (e->NonTerminalIndex() != ntExpression) continue;
    if (position < 32 && (required & (1u << position)) && !(given & (1u << position))) {
      FailAt(Fmt(message, u.name), e->StartPos());
    }
    ++position;
  }
}

void TatPascalCompiler::EmitRoutineCall(TNameUse& u, const TCallTarget& target) {
  if (u.isTarget()) Fail(Fmt("Assign to routine '%s' is not allowed", u.name));
  if (u.n < target.argCount) {
    Fail(Fmt("Not enough actual parameters for subroutine '%s'. Expected %d parameters", u.name,
             target.argCount));
  }
  if (u.n > target.argCount) {
    Fail(Fmt("Too many parameters for subroutine '%s'. Expected %d parameters", u.name, target.argCount));
  }
  CheckByRef(u, target.byRefMask, "Subroutine '%s' expects variable reference");
  if (u.k > 0) Fail("Call indexation as an array is not supported");
  const int i = Emit(inCall);
  code_[static_cast<size_t>(i)].Byte1 = static_cast<std::uint8_t>(u.n);
  code_[static_cast<size_t>(i)].Text = target.name;
  UseLabel(i, target.name);
  if (u.wantsValue()) Emit(inPushOutput);
  Info(*u.part).ctx = TClassContext();
}

void TatPascalCompiler::EmitProperty(TNameUse& u, TatProperty& p, TatClass& cls, int instance,
                                     bool classRef) {
  const bool readable = p.Readable || static_cast<bool>(p.Getter);
  const bool writable = p.Writable || static_cast<bool>(p.Setter);
  if (u.hasArgs && u.n > 0) Fail(Fmt("Property '%s' cannot be called as a method", u.name));
  int i;
  if (u.isTarget()) {
    if (!writable) Fail(Fmt("Property '%s' cannot be written", u.name));
    if (u.k != p.IndexCount) {
      Fail(Fmt("Invalid array indexing for property '%s'. Expected %d dimensions", u.name, p.IndexCount));
    }
    i = Emit(classRef ? inCallClassProc : inCallProc);
    code_[static_cast<size_t>(i)].Byte1 = classRef ? 1 : 255;
    code_[static_cast<size_t>(i)].Int4 = MemberReference(cls.Index(), p.Index, mkSet);
  } else {
    if (u.isCall()) Fail(Fmt("Property '%s' cannot be called as a method", u.name));
    if (!readable) Fail(Fmt("Property '%s' cannot be readed", u.name));
    if (u.k != p.IndexCount) {
      Fail(Fmt("Invalid array indexing for property '%s'. Expected %d dimensions", u.name, p.IndexCount));
    }
    i = Emit(classRef ? inCallClassProc : inCallProc);
    code_[static_cast<size_t>(i)].Int4 = MemberReference(cls.Index(), p.Index, mkGet);
  }
  TSimplifiedCode& c = code_[static_cast<size_t>(i)];
  c.Int1 = classRef ? cls.Index() : instance;
  c.Int2 = u.k;
  c.Text = u.name;
  if (!u.isTarget()) Emit(inPushOutput);
  Info(*u.part).ctx = ContextOfType(p.DataType, p.ValueClass);
}

void TatPascalCompiler::EmitMethod(TNameUse& u, TatMethod& m, TatClass& cls, int instance, bool classRef) {
  if (u.isTarget()) Fail(Fmt("Assign to method '%s' is not allowed", u.name));
  if (u.wantsValue() && m.ResultDataType == dtNone) Fail(Fmt("Method '%s' not result any value", u.name));
  if (u.memberFollows && m.ResultDataType != dtObject && m.ResultDataType != dtAny) {
    Fail(Fmt("Method '%s' not result an object", u.name));
  }
  if (!m.Handler && !registry_.SignaturesOnly) Fail(Fmt("Method '%s' was not defined", u.name));
  const int least = m.ArgCount - m.OptionalArgCount;
  if (u.n < least) {
    if (m.OptionalArgCount > 0) {
      Fail(Fmt("Not enough actual parameters for method '%s'. Expected %d to %d parameters", u.name, least,
               m.ArgCount));
    }
    Fail(Fmt("Not enough actual parameters for method '%s'. Expected %d parameters", u.name, m.ArgCount));
  }
  if (u.n > m.ArgCount) {
    Fail(Fmt("Too many parameters for method '%s'. Expected %d parameters", u.name, m.ArgCount));
  }
  CheckByRef(u, m.ByRefArgMask, "Method '%s' expects variable reference");
  if (u.k > 0) Fail("Method indexation as an array is not supported");
  const int i = Emit(classRef ? inCallClassProc : inCallProc);
  TSimplifiedCode& c = code_[static_cast<size_t>(i)];
  c.Int1 = classRef ? cls.Index() : instance;
  c.Byte1 = static_cast<std::uint8_t>(u.n);
  c.Byte2 = 1;
  c.Int4 = MemberReference(cls.Index(), m.Index, mkCall);
  c.Text = u.name;
  if (u.wantsValue()) Emit(inPushOutput);
  Info(*u.part).ctx = ContextOfType(m.ResultDataType, m.ResultClass);
}

// A member of an object whose class is not known at compile time is looked up by name at run time.
void TatPascalCompiler::EmitLateBound(TNameUse& u) {
  const int i = Emit(inCallProc);
  TSimplifiedCode& c = code_[static_cast<size_t>(i)];
  c.Int1 = -1;
  c.Int2 = u.k;
  c.Text = u.name;
  if (u.isTarget()) {
    c.Byte1 = 255;
    c.Int4 = mkSet;
  } else if (u.hasArgs) {
    c.Byte1 = static_cast<std::uint8_t>(u.n);
    c.Byte2 = 1;
    c.Int4 = mkCall;
  } else {
    c.Byte2 = u.isCall() ? 1 : 0;
    c.Int4 = mkGet;
  }
  if (u.wantsValue()) Emit(inPushOutput);
  TClassContext ctx;
  ctx.kind = TClassContext::ckUnknown;
  Info(*u.part).ctx = ctx;
}

bool TatPascalCompiler::EmitFixedWord(TNameUse& u) {
  const std::string word = NameKey(u.name);
  if (u.use == useValue) {
    static const char* const kConstants[] = {"TRUE", "FALSE", "NULL", "UNASSIGNED", "NIL"};
    for (int c = 0; c < 5; ++c) {
      if (word != kConstants[c]) continue;
      const int i = Emit(inPushConst);
      code_[static_cast<size_t>(i)].Byte1 = static_cast<std::uint8_t>(c);
      code_[static_cast<size_t>(i)].Text = u.name;
      Info(*u.part).ctx = TClassContext();
      return true;
    }
    return false;
  }
  if (u.use != useCall) return false;
  if (word == "EXIT") {
    if (!routine_) return false;
    UseLabel(Emit(inJump), "@EndSub" + std::to_string(routine_->Index));
    return true;
  }
  if (word == "BREAK" || word == "CONTINUE") {
    const bool isBreak = word == "BREAK";
    if (loops_.empty()) {
      Fail(isBreak ? "BREAK allowed only inside FOR, WHILE or REPEAT"
                   : "CONTINUE allowed only inside FOR, WHILE or REPEAT");
    }
    const TLoop& loop = loops_.back();
    const std::string num = std::to_string(loop.number);
    std::string label;
    if (loop.kind == ntFor) label = isBreak ? "@EndFor" : "@ForStep";
    if (loop.kind == ntWhile) label = isBreak ? "@EndWhile" : "@WhileLoop";
    if (loop.kind == ntRepeat) label = isBreak ? "@EndRepeat" : "@RepeatTest";
    UseLabel(Emit(inJump), label + num);
    return true;
  }
  if (word == "ABORT") {
    Emit(inAbort);
    return true;
  }
  return word == "NOTHING";
}

void TatPascalCompiler::LeaveAsClass(TNoTerminalNode& n) {
  TNoTerminalNode* codeNode = n.Parent();
  TNoTerminalNode* part = codeNode ? codeNode->Parent() : nullptr;
  if (!part || !IsNamePart(part->NonTerminalIndex())) return;
  const std::string name = WordText(n);
  TClassContext& ctx = Info(*part).ctx;
  if (ctx.kind == TClassContext::ckNone || ctx.isClassRef) Fail(Fmt("Object required to cast to '%s'", name));
  TatClass* cls = registry_.FindClass(name);
  const int i = Emit(inCastClass);
  code_[static_cast<size_t>(i)].Int1 = cls ? cls->Index() : -1;
  code_[static_cast<size_t>(i)].Text = name;
  ctx.kind = cls ? TClassContext::ckKnown : TClassContext::ckUnknown;
  ctx.cls = cls;
  ctx.isClassRef = false;
}

}  // namespace varnholt
