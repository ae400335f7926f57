// atScript_Instructions.cpp — what each instruction does. One handler per instruction of the table in
// atInstructions.h; preparation stores the handler in the instruction, so the run loop calls it directly.
//
// Stack notation as in the table: a and b are the two topmost slots (b on top); a two-operand
// instruction pops b and replaces a by the result. Values on the stack may be references (arguments
// passed by reference); operators work on what they refer to and never write through them.
#include <cmath>

#include "platform/CodePage.h"
#include "script/vm/atScript_Machine.h"

namespace varnholt {

using TAccess = TatVirtualMachine::TAccess;

namespace {

// The operand slot a (below the top), made a plain value so that an operator can change it in place.
inline ScriptValue& OperandA(std::vector<ScriptValue>& stack, int sp) {
  ScriptValue& a = stack[static_cast<std::size_t>(sp - 2)];
  if (a.IsRef()) a = ScriptValue(a.Deref());
  return a;
}

inline TCompareResult CompareTop(std::vector<ScriptValue>& stack, int sp) {
  const ScriptValue& a = stack[static_cast<std::size_t>(sp - 2)].Deref();
  const ScriptValue& b = stack[static_cast<std::size_t>(sp - 1)].Deref();
  // Loop counters and most tests compare two Integers.
  if (a.Kind() == TValueKind::Integer && b.Kind() == TValueKind::Integer) {
    return a.RawInteger() < b.RawInteger()   ? TCompareResult::Less
           : a.RawInteger() > b.RawInteger() ? TCompareResult::Greater
                                             : TCompareResult::Equal;
  }
  return a.Compare(b);
}

std::string Quoted(const char* pattern, const std::string& name) {
  std::string text = pattern;
  const auto at = text.find("%s");
  if (at != std::string::npos) text.replace(at, 2, name);
  return text;
}

}  // namespace

// --- Constants, pushes and stack shuffles ---------------------------------------------------------

ScriptValue TAccess::Constant(int number) {
  switch (number) {
    case 0: return ScriptValue(true);
    case 1: return ScriptValue(false);
    case 2: return ScriptValue::Null();
    case 3: return ScriptValue();
    default: return ScriptValue::Byte(0);
  }
}

void TAccess::Exec_inPrepare(TatVirtualMachine& vm, TSimplifiedCode& c) {
  vm.Reserve(c.Int1);
  vm.currentPrepare_ = &c;
}

void TAccess::Exec_inPushInteger(TatVirtualMachine& vm, TSimplifiedCode& c) { vm.PushInteger(c.Int1); }
void TAccess::Exec_inPushDouble(TatVirtualMachine& vm, TSimplifiedCode& c) { vm.PushDouble(c.Real); }
void TAccess::Exec_inPushString(TatVirtualMachine& vm, TSimplifiedCode& c) { vm.Push(ScriptValue(c.Text)); }
void TAccess::Exec_inPushConst(TatVirtualMachine& vm, TSimplifiedCode& c) { vm.Push(Constant(c.Byte1)); }

void TAccess::Exec_inPushOutput(TatVirtualMachine& vm, TSimplifiedCode& c) {
  const int slot = vm.outputBase_ + c.Int1;
  if (slot < 0 || slot >= kStackSize) vm.StackOverflow();
  vm.Push(ScriptValue(vm.Slot(slot)));
}

void TAccess::Exec_inPushClass(TatVirtualMachine& vm, TSimplifiedCode& c) {
  if (c.Class == nullptr) {
    // An unregistered class name is looked up again when it runs and remembered once found.
    c.Class = vm.scripter_.Registry().FindClass(c.Text);
    if (c.Class == nullptr) vm.RaiseAtPosition(Quoted("Invalid class reference '%s'", c.Text));
  }
  vm.Push(ScriptValue(TatObjectTable::ClassValue(*c.Class)));
}

void TAccess::Exec_inDuplicate(TatVirtualMachine& vm, TSimplifiedCode&) { vm.Push(ScriptValue(vm.Slot(vm.sp_ - 1))); }

void TAccess::Exec_inDuplicate2(TatVirtualMachine& vm, TSimplifiedCode&) {
  ScriptValue a = vm.Slot(vm.sp_ - 2);
  ScriptValue b = vm.Slot(vm.sp_ - 1);
  vm.Push(std::move(a));
  vm.Push(std::move(b));
}

void TAccess::Exec_inDrop2(TatVirtualMachine& vm, TSimplifiedCode&) { vm.sp_ -= 2; }

void TAccess::Exec_inSwap2(TatVirtualMachine& vm, TSimplifiedCode&) {
  std::swap(vm.Slot(vm.sp_ - 2), vm.Slot(vm.sp_ - 1));
}

// --- Comparison: "merely unequal" (no order) satisfies <>, >=, <=, > and < alike --------------------

#define VARNHOLT_COMPARISON(name, test)                                      \
  void TAccess::Exec_##name(TatVirtualMachine& vm, TSimplifiedCode&) {        \
    const TCompareResult r = CompareTop(vm.stack_, vm.sp_);                  \
    vm.Slot(vm.sp_ - 2) = ScriptValue(static_cast<bool>(test));              \
    --vm.sp_;                                                                \
  }
VARNHOLT_COMPARISON(inOperNE, r != TCompareResult::Equal)
VARNHOLT_COMPARISON(inOperGE, r != TCompareResult::Less)
VARNHOLT_COMPARISON(inOperLE, r != TCompareResult::Greater)
VARNHOLT_COMPARISON(inOperEqual, r == TCompareResult::Equal)
VARNHOLT_COMPARISON(inOperGreater, r == TCompareResult::Greater || r == TCompareResult::NotEqual)
VARNHOLT_COMPARISON(inOperLess, r == TCompareResult::Less || r == TCompareResult::NotEqual)
#undef VARNHOLT_COMPARISON

// --- Arithmetic ----------------------------------------------------------------------------------

#define VARNHOLT_ARITHMETIC(name, method)                                    \
  void TAccess::Exec_##name(TatVirtualMachine& vm, TSimplifiedCode&) {        \
    OperandA(vm.stack_, vm.sp_).method(vm.Slot(vm.sp_ - 1).Deref());          \
    --vm.sp_;                                                                \
  }
VARNHOLT_ARITHMETIC(inOperConcat, ConcatAssign)
VARNHOLT_ARITHMETIC(inOperSub, SubAssign)
VARNHOLT_ARITHMETIC(inOperOr, OrAssign)
VARNHOLT_ARITHMETIC(inOperXor, XorAssign)
VARNHOLT_ARITHMETIC(inOperMul, MulAssign)
VARNHOLT_ARITHMETIC(inOperSlash, SlashAssign)
VARNHOLT_ARITHMETIC(inOperDiv, DivAssign)
VARNHOLT_ARITHMETIC(inOperMod, ModAssign)
VARNHOLT_ARITHMETIC(inOperAnd, AndAssign)
VARNHOLT_ARITHMETIC(inOperShl, ShlAssign)
VARNHOLT_ARITHMETIC(inOperShr, ShrAssign)
VARNHOLT_ARITHMETIC(inOperExp, PowerAssign)
#undef VARNHOLT_ARITHMETIC

// `s := s + t` appends in place. The copy of s on the stack shares its text with the variable, so the
// append would copy the whole text every time (quadratic in a loop). When the store that follows
// overwrites that very variable, the variable lets go of its share first and the append finds the
// text unshared. Concatenating two texts cannot fail for any reason but memory.
void TAccess::Exec_inOperAdd(TatVirtualMachine& vm, TSimplifiedCode& c) {
  ScriptValue& a = OperandA(vm.stack_, vm.sp_);
  const ScriptValue& b = vm.Slot(vm.sp_ - 1).Deref();
  if (a.Kind() == TValueKind::String && b.Kind() == TValueKind::String && a.UsesHeap() && c.Next != nullptr) {
    ScriptValue* target = nullptr;
    switch (c.Next->Op) {
      case TInstruction::inStoreVar: target = &vm.Local(c.Next->Int1); break;
      case TInstruction::inStoreVarRef: target = &vm.Local(c.Next->Int1).Deref(); break;
      case TInstruction::inStoreGlobalVar: target = &vm.Slot(c.Next->Int1); break;
      default: break;
    }
    if (target != nullptr && !target->IsRef() && target != &a && target->SharesStorageWith(a)) *target = ScriptValue();
  }
  a.AddAssign(b);
  --vm.sp_;
}

void TAccess::Exec_inOperIs(TatVirtualMachine& vm, TSimplifiedCode&) {
  const std::int32_t object = vm.Slot(vm.sp_ - 2).Deref().ToInteger();
  const std::int32_t classValue = vm.Slot(vm.sp_ - 1).Deref().ToInteger();
  bool result = false;
  if (object != 0) {
    const TatObjectTable::TEntry* entry = vm.Objects().Find(object);
    TatHostRegistry& registry = vm.scripter_.Registry();
    const int number = TatObjectTable::ClassNumber(classValue);
    if (entry != nullptr && entry->cls != nullptr && TatObjectTable::IsClassValue(classValue) &&
        number < registry.ClassCount()) {
      result = entry->cls->InheritsFrom(&registry.ClassByIndex(number));
    }
  }
  vm.Slot(vm.sp_ - 2) = ScriptValue(result);
  --vm.sp_;
}

void TAccess::Exec_inOperNeg(TatVirtualMachine& vm, TSimplifiedCode&) {
  ScriptValue& top = vm.Slot(vm.sp_ - 1);
  if (top.IsRef()) top = ScriptValue(top.Deref());
  top.Negate();
}

void TAccess::Exec_inOperNot(TatVirtualMachine& vm, TSimplifiedCode&) {
  ScriptValue& top = vm.Slot(vm.sp_ - 1);
  if (top.IsRef()) top = ScriptValue(top.Deref());
  top.LogicalNot();
}

// --- Jumps ---------------------------------------------------------------------------------------

void TAccess::Exec_inJumpIfFalse(TatVirtualMachine& vm, TSimplifiedCode& c) {
  if (vm.Slot(--vm.sp_).Deref().EqualsFalse()) vm.next_ = c.Target;
}

void TAccess::Exec_inJumpIfTrue(TatVirtualMachine& vm, TSimplifiedCode& c) {
  if (!vm.Slot(--vm.sp_).Deref().EqualsFalse()) vm.next_ = c.Target;
}

void TAccess::Exec_inJump(TatVirtualMachine& vm, TSimplifiedCode& c) { vm.next_ = c.Target; }

void TAccess::Exec_inTestIfFalse(TatVirtualMachine& vm, TSimplifiedCode& c) {
  if (vm.Slot(vm.sp_ - 1).Deref().EqualsFalse()) vm.next_ = c.Target;
}

void TAccess::Exec_inTestIfTrue(TatVirtualMachine& vm, TSimplifiedCode& c) {
  if (!vm.Slot(vm.sp_ - 1).Deref().EqualsFalse()) vm.next_ = c.Target;
}

// --- Stores into locals --------------------------------------------------------------------------

void TAccess::Exec_inStoreVar(TatVirtualMachine& vm, TSimplifiedCode& c) {
  vm.Local(c.Int1).TakeFrom(vm.Slot(--vm.sp_));
}

void TAccess::Exec_inStoreVarRef(TatVirtualMachine& vm, TSimplifiedCode& c) {
  ScriptValue value = std::move(vm.Slot(--vm.sp_));
  vm.Local(c.Int1).Deref() = value.IsRef() ? ScriptValue(value.Deref()) : std::move(value);
}

namespace {

// The value lies below the k index values; the element of target at those indexes receives it.
void StoreElement(std::vector<ScriptValue>& stack, int& sp, int k, ScriptValue& target) {
  const int base = sp - k;
  const ScriptValue& value = stack[static_cast<std::size_t>(base - 1)].Deref();
  std::vector<ScriptValue> indexes;
  indexes.reserve(static_cast<std::size_t>(k));
  for (int i = 0; i < k; ++i) indexes.push_back(stack[static_cast<std::size_t>(base + i)].Deref());
  target.SetElement(indexes, value);
  sp = base - 1;
}

}  // namespace

void TAccess::Exec_inStoreIdxVar(TatVirtualMachine& vm, TSimplifiedCode& c) {
  ScriptValue& slot = vm.Local(c.Int1);
  if (slot.IsRef()) {
    // A by-value parameter that holds a reference takes a private copy; the caller's variable stays.
    ScriptValue copy = slot.Deref();
    StoreElement(vm.stack_, vm.sp_, c.Byte1, copy);
    slot = std::move(copy);
  } else {
    StoreElement(vm.stack_, vm.sp_, c.Byte1, slot);
  }
}

void TAccess::Exec_inStoreIdxVarRef(TatVirtualMachine& vm, TSimplifiedCode& c) {
  StoreElement(vm.stack_, vm.sp_, c.Byte1, vm.Local(c.Int1).Deref());
}

void TAccess::Exec_inStoreVarInteger(TatVirtualMachine& vm, TSimplifiedCode& c) { vm.Local(c.Int1) = ScriptValue(c.Int3); }
void TAccess::Exec_inStoreVarRefInteger(TatVirtualMachine& vm, TSimplifiedCode& c) {
  vm.Local(c.Int1).Deref() = ScriptValue(c.Int3);
}
void TAccess::Exec_inStoreVarDouble(TatVirtualMachine& vm, TSimplifiedCode& c) { vm.Local(c.Int1) = ScriptValue(c.Real); }
void TAccess::Exec_inStoreVarRefDouble(TatVirtualMachine& vm, TSimplifiedCode& c) {
  vm.Local(c.Int1).Deref() = ScriptValue(c.Real);
}

namespace {
std::string_view Prefix(const TSimplifiedCode& c) {
  const auto length = static_cast<std::size_t>(std::max(0, c.Int4));
  return std::string_view(c.Text).substr(0, length);
}
}  // namespace

void TAccess::Exec_inStoreVarString(TatVirtualMachine& vm, TSimplifiedCode& c) { vm.Local(c.Int1) = ScriptValue(Prefix(c)); }
void TAccess::Exec_inStoreVarRefString(TatVirtualMachine& vm, TSimplifiedCode& c) {
  vm.Local(c.Int1).Deref() = ScriptValue(Prefix(c));
}
void TAccess::Exec_inStoreVarConst(TatVirtualMachine& vm, TSimplifiedCode& c) { vm.Local(c.Int1) = Constant(c.Byte1); }
void TAccess::Exec_inStoreVarRefConst(TatVirtualMachine& vm, TSimplifiedCode& c) {
  vm.Local(c.Int1).Deref() = Constant(c.Byte1);
}

void TAccess::Exec_inCopyVar(TatVirtualMachine& vm, TSimplifiedCode& c) {
  if (c.Int1 == c.Int3) return;
  vm.Local(c.Int3) = vm.Local(c.Int1).Deref();
}

void TAccess::Exec_inCopyVarRef(TatVirtualMachine& vm, TSimplifiedCode& c) {
  ScriptValue& target = vm.Local(c.Int3).Deref();
  const ScriptValue& source = vm.Local(c.Int1).Deref();
  if (&target != &source) target = source;
}

void TAccess::Exec_inStoreInput(TatVirtualMachine& vm, TSimplifiedCode& c) {
  vm.Local(c.Int1) = vm.Slot(vm.argBase_ + vm.inputIndex_).Deref();
  ++vm.inputIndex_;
}

// --- Reads of locals -----------------------------------------------------------------------------

// Variables lie below the stack top, so the copy can go straight into the new slot.
void TAccess::Exec_inPushVar(TatVirtualMachine& vm, TSimplifiedCode& c) { vm.Push(vm.Local(c.Int1).Deref()); }

namespace {

// Pops k index values and replaces them by the element of source they select.
void PushElement(TatVirtualMachine& vm, std::vector<ScriptValue>& stack, int& sp, int k, const ScriptValue& source) {
  (void)vm;
  const int base = sp - k;
  std::vector<ScriptValue> indexes;
  indexes.reserve(static_cast<std::size_t>(k));
  for (int i = 0; i < k; ++i) indexes.push_back(stack[static_cast<std::size_t>(base + i)].Deref());
  ScriptValue element = source.GetElement(indexes);
  sp = base;
  stack[static_cast<std::size_t>(sp++)] = std::move(element);
}

}  // namespace

void TAccess::Exec_inPushIdxVar(TatVirtualMachine& vm, TSimplifiedCode& c) {
  PushElement(vm, vm.stack_, vm.sp_, c.Byte1, vm.Local(c.Int1).Deref());
}

void TAccess::Exec_inPushVarByRef(TatVirtualMachine& vm, TSimplifiedCode& c) {
  vm.PushRef(&vm.Local(c.Int1));
}

// --- Tests of a case variable --------------------------------------------------------------------

bool TAccess::TestEqual(const ScriptValue& a, const ScriptValue& b) { return a.Compare(b) == TCompareResult::Equal; }

void TAccess::Exec_inVarTest(TatVirtualMachine& vm, TSimplifiedCode& c) {
  const bool equal = TestEqual(vm.Local(c.Int3).Deref(), vm.Slot(vm.sp_ - 1).Deref());
  --vm.sp_;
  if (equal == (c.Byte1 == 1)) vm.next_ = c.Target;
}

void TAccess::Exec_inVarTestInteger(TatVirtualMachine& vm, TSimplifiedCode& c) {
  if (TestEqual(vm.Local(c.Int3).Deref(), ScriptValue(c.Int4)) == (c.Byte1 == 1)) vm.next_ = c.Target;
}

void TAccess::Exec_inVarTestDouble(TatVirtualMachine& vm, TSimplifiedCode& c) {
  if (TestEqual(vm.Local(c.Int2).Deref(), ScriptValue(c.Real)) == (c.Byte1 == 1)) vm.next_ = c.Target;
}

void TAccess::Exec_inVarTestString(TatVirtualMachine& vm, TSimplifiedCode& c) {
  if (TestEqual(vm.Local(c.Int3).Deref(), ScriptValue(Prefix(c))) == (c.Byte1 == 1)) vm.next_ = c.Target;
}

void TAccess::Exec_inVarTestVar(TatVirtualMachine& vm, TSimplifiedCode& c) {
  if (TestEqual(vm.Local(c.Int3).Deref(), vm.Local(c.Int4).Deref()) == (c.Byte1 == 1)) vm.next_ = c.Target;
}

// --- Globals -------------------------------------------------------------------------------------

void TAccess::Exec_inStoreGlobalVar(TatVirtualMachine& vm, TSimplifiedCode& c) {
  vm.Slot(c.Int1) = std::move(vm.Slot(--vm.sp_));
}

void TAccess::Exec_inStoreGlobalIdxVar(TatVirtualMachine& vm, TSimplifiedCode& c) {
  StoreElement(vm.stack_, vm.sp_, c.Byte1, vm.Slot(c.Int1).Deref());
}

void TAccess::Exec_inPushGlobalVar(TatVirtualMachine& vm, TSimplifiedCode& c) { vm.Push(vm.Slot(c.Int1).Deref()); }

void TAccess::Exec_inPushGlobalIdxVar(TatVirtualMachine& vm, TSimplifiedCode& c) {
  PushElement(vm, vm.stack_, vm.sp_, c.Byte1, vm.Slot(c.Int1).Deref());
}

void TAccess::Exec_inPushGlobalVarByRef(TatVirtualMachine& vm, TSimplifiedCode& c) {
  vm.Push(ScriptValue::Ref(&vm.Slot(c.Int1).Deref()));
}

// --- Routines ------------------------------------------------------------------------------------

void TAccess::Exec_inCall(TatVirtualMachine& vm, TSimplifiedCode& c) {
  if (c.Target == nullptr || c.Target->Op != TInstruction::inPrepare) {
    vm.scripter_.RaiseRuntimeError("Invalid subroutine call. Entry point should be a \"Prepare\" instruction");
  }
  vm.outputBase_ = vm.sp_ + c.Target->Int1;
  vm.RunRoutine(c.Target, c.Byte1);
  vm.sp_ -= c.Byte1;
}

void TAccess::Exec_inRet(TatVirtualMachine& vm, TSimplifiedCode&) { vm.next_ = nullptr; }

void TAccess::Exec_inExecFun(TatVirtualMachine& vm, TSimplifiedCode&) {
  vm.RaiseAtPosition("Use methods instead of obsolete user functions");
}

void TAccess::Exec_inGlobalPrepare(TatVirtualMachine& vm, TSimplifiedCode& c) { vm.Reserve(c.Int1); }

// --- Host calls ----------------------------------------------------------------------------------

int TAccess::BeginHostCall(TatVirtualMachine& vm, TSimplifiedCode& c, bool classLevel) {
  vm.callInstruction_ = &c;
  vm.callTop_ = vm.sp_;
  vm.outputBase_ = vm.sp_;
  vm.callIndexCount_ = c.Int2;
  vm.sp_ -= c.Int2;
  vm.callIndexBase_ = vm.sp_;
  const int n = (!classLevel && c.Byte1 == 255) ? 1 : c.Byte1;
  vm.callArgCount_ = n;
  vm.callArgBase_ = vm.sp_ - n;
  int frameStart = vm.callArgBase_;
  vm.currentObject_ = nullptr;
  vm.currentObjectClass_ = nullptr;
  vm.currentClass_ = nullptr;
  vm.currentInstanceValue_ = ScriptValue::Null();
  if (classLevel) {
    vm.currentClass_ = c.Class;
  } else if (vm.withPending_) {
    vm.withPending_ = false;
    if (vm.withObject_ != nullptr) {
      vm.currentObject_ = vm.withObject_->object;
      vm.currentObjectClass_ = vm.withObject_->cls;
    }
    vm.withObject_ = nullptr;
  } else if (c.Instance != nullptr) {
    vm.currentObject_ = c.Instance->Object;
    vm.currentObjectClass_ = c.Instance->Class;
  } else {
    // The object is the value just below the arguments.
    frameStart = vm.callArgBase_ - 1;
    vm.currentInstanceValue_ = vm.Slot(frameStart).Deref();
    const ScriptValue& v = vm.currentInstanceValue_;
    if (v.IsIntegerKind() || v.Kind() == TValueKind::Integer) {
      if (const TatObjectTable::TEntry* entry = vm.Objects().Find(v.ToHostInteger())) {
        vm.currentObject_ = entry->object;
        vm.currentObjectClass_ = entry->cls;
      }
    }
  }
  return frameStart;
}

void TAccess::CallHost(TatVirtualMachine& vm, TSimplifiedCode&, const THostHandler& handler, int frameStart) {
  handler(vm);
  vm.sp_ = frameStart;
  // Host routines may each take long (files, engine requests), so a loop of them looks at the clock
  // more often than plain code does.
  if (--vm.hostCallsLeft_ == 0) vm.HostCallCheckpoint();
}

void TAccess::HostBound(TatVirtualMachine& vm, TSimplifiedCode& c) {
  const int frameStart = BeginHostCall(vm, c, c.Op == TInstruction::inCallClassProc);
  CallHost(vm, c, *c.Host, frameStart);
}

void TAccess::LateBound(TatVirtualMachine& vm, TSimplifiedCode& c, THostCallKind kind) {
  const int frameStart = BeginHostCall(vm, c, c.Op == TInstruction::inCallClassProc);
  const std::string& name = c.Text;
  TatClass* cls = vm.currentObjectClass_ != nullptr ? vm.currentObjectClass_ : vm.currentClass_;
  if (cls == nullptr) {
    const ScriptValue& v = vm.currentInstanceValue_;
    if (v.Kind() == TValueKind::Dispatch) {
      vm.RaiseAtPosition("Automation objects are not available on this platform: cannot use member '" + name + "'");
    }
    vm.RaiseAtPosition(Quoted(kind == kLateCall ? "Object or Record required to access method: '%s'"
                                                : "Object or Record required to access property: '%s'",
                              name));
  }
  TatProperty* property = cls->FindProperty(name);
  TatMethod* method = cls->FindMethod(name);
  switch (kind) {
    case kLateGet:
      if (property != nullptr) {
        if (c.Byte2 == 1) vm.RaiseAtPosition(Quoted("Property '%s' cannot be called as a method", name));
        if (!property->Getter) vm.RaiseAtPosition(Quoted("Property '%s' cannot be readed", name));
        return CallHost(vm, c, property->Getter, frameStart);
      }
      if (method != nullptr) {
        if (!method->Handler) vm.RaiseAtPosition(Quoted("Method '%s' was not defined", name));
        return CallHost(vm, c, method->Handler, frameStart);
      }
      vm.RaiseAtPosition(Quoted("Unknown property or method: '%s'", name));
    case kLateSet:
      if (property != nullptr) {
        if (!property->Setter) vm.RaiseAtPosition(Quoted("Property '%s' cannot be written", name));
        return CallHost(vm, c, property->Setter, frameStart);
      }
      if (method != nullptr) vm.RaiseAtPosition(Quoted("Assign to method '%s' is not allowed", name));
      vm.RaiseAtPosition(Quoted("Unknown property: '%s'", name));
    case kLateCall: {
      if (method == nullptr) vm.RaiseAtPosition(Quoted("Unknown method: '%s'", name));
      if (!method->Handler) vm.RaiseAtPosition(Quoted("Method '%s' was not defined", name));
      const int n = vm.callArgCount_;
      const int least = method->ArgCount - method->OptionalArgCount;
      if (n < least) {
        if (method->OptionalArgCount > 0) {
          vm.RaiseAtPosition("Not enough actual parameters for method '" + name + "'. Expected " +
                             std::to_string(least) + " to " + std::to_string(method->ArgCount) + " parameters");
        }
        vm.RaiseAtPosition("Not enough actual parameters for method '" + name + "'. Expected " +
                           std::to_string(method->ArgCount) + " parameters");
      }
      if (n > method->ArgCount) {
        vm.RaiseAtPosition("Too many parameters for method '" + name + "'. Expected " +
                           std::to_string(method->ArgCount) + " parameters");
      }
      return CallHost(vm, c, method->Handler, frameStart);
    }
    default:
      return CallHost(vm, c, *c.Host, frameStart);
  }
}

void TAccess::HostLateGet(TatVirtualMachine& vm, TSimplifiedCode& c) { LateBound(vm, c, kLateGet); }
void TAccess::HostLateSet(TatVirtualMachine& vm, TSimplifiedCode& c) { LateBound(vm, c, kLateSet); }
void TAccess::HostLateCall(TatVirtualMachine& vm, TSimplifiedCode& c) { LateBound(vm, c, kLateCall); }

// Preparation replaces these two by the bound or late-bound variant; they remain for code that runs
// unprepared, which never happens in a run.
void TAccess::Exec_inCallProc(TatVirtualMachine& vm, TSimplifiedCode& c) { LateBound(vm, c, KindOf(c.Int4 & 3)); }
void TAccess::Exec_inCallClassProc(TatVirtualMachine& vm, TSimplifiedCode& c) { LateBound(vm, c, KindOf(c.Int4 & 3)); }

void TAccess::Exec_inWithObject(TatVirtualMachine& vm, TSimplifiedCode& c) {
  const ScriptValue& v = vm.Local(c.Int1).Deref();
  vm.withPending_ = true;
  vm.withObject_ = v.IsNumeric() ? vm.Objects().Find(v.ToHostInteger()) : nullptr;
}

// --- Exceptions ----------------------------------------------------------------------------------

void TAccess::RunProtected(TatVirtualMachine& vm, TSimplifiedCode& c, bool except) {
  if (vm.nesting_ >= kMaxNesting) vm.RaiseAtPosition("Stack overflow: too many nested try blocks");
  ++vm.nesting_;
  struct TLevel {
    int& n;
    ~TLevel() { --n; }
  } level{vm.nesting_};

  using TPartEnd = TatVirtualMachine::TPartEnd;
  const int savedSp = vm.sp_;
  TSimplifiedCode* const endProtected = c.Target;
  TSimplifiedCode* const endHandler = c.Target2;
  // Where execution goes after a part: on at the end of the handler part, a return, or a jump.
  auto continueAfter = [&](TPartEnd how, TSimplifiedCode* jump) {
    vm.next_ = how == TPartEnd::peEnd ? endHandler : how == TPartEnd::peJump ? jump : nullptr;
  };

  if (except) ++vm.tryExceptDepth_;
  std::exception_ptr error;
  TSimplifiedCode* jump = nullptr;
  TPartEnd protectedEnd = TPartEnd::peEnd;
  try {
    protectedEnd = vm.ExecutePart(c.Next, endProtected, jump);
  } catch (...) {
    error = std::current_exception();
  }
  if (except) --vm.tryExceptDepth_;
  if (error && vm.stopped_) std::rethrow_exception(error);

  if (error) {
    vm.RecordException(error);
    vm.sp_ = savedSp;
  } else if (except) {
    // The handler part is skipped.
    return continueAfter(protectedEnd, jump);
  } else {
    vm.lastException_ = {};
  }

  TSimplifiedCode* handlerJump = nullptr;
  const TPartEnd handlerEnd = vm.ExecutePart(endProtected, endHandler, handlerJump);
  if (error && !except) std::rethrow_exception(error);
  if (handlerEnd != TPartEnd::peEnd || except) return continueAfter(handlerEnd, handlerJump);
  // A finally part that ran to its end lets the way out of the protected part go on.
  continueAfter(protectedEnd, jump);
}

void TAccess::Exec_inTryFinally(TatVirtualMachine& vm, TSimplifiedCode& c) { RunProtected(vm, c, false); }
void TAccess::Exec_inTryExcept(TatVirtualMachine& vm, TSimplifiedCode& c) { RunProtected(vm, c, true); }

// --- The rest ------------------------------------------------------------------------------------

void TAccess::Exec_inBreakPoint(TatVirtualMachine&, TSimplifiedCode&) {}

void TAccess::Exec_inAbort(TatVirtualMachine&, TSimplifiedCode&) { throw EAbort(); }

void TAccess::Exec_inArrayOf(TatVirtualMachine& vm, TSimplifiedCode& c) {
  const int n = c.Int1;
  const int base = vm.sp_ - n;
  std::vector<ScriptValue> values;
  values.reserve(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) values.push_back(vm.Slot(base + i).Deref());
  vm.sp_ = base;
  vm.Push(ScriptValue::ArrayOf(values));
}

void TAccess::Exec_inCastClass(TatVirtualMachine& vm, TSimplifiedCode& c) {
  if (c.Class == nullptr) {
    c.Class = vm.scripter_.Registry().FindClass(c.Text);
    if (c.Class == nullptr) vm.RaiseAtPosition(Quoted("Invalid type cast. Class '%s' is not valid", c.Text));
  }
  const ScriptValue& top = vm.Slot(vm.sp_ - 1).Deref();
  const std::int32_t handle = top.IsNumeric() ? top.ToHostInteger() : 0;
  const TatObjectTable::TEntry* entry = handle != 0 ? vm.Objects().Find(handle) : nullptr;
  if (entry == nullptr) vm.RaiseAtPosition("Invalid object to type cast (nil)");
  if (entry->cls == nullptr || !entry->cls->InheritsFrom(c.Class)) {
    vm.RaiseAtPosition(Quoted("Object is not of expected class '%s'", c.Class->Name()));
  }
}

// --- Tables --------------------------------------------------------------------------------------

TInstructionHandler TAccess::HandlerOf(TInstruction op) {
  static constexpr TInstructionHandler kTable[] = {
#define VARNHOLT_HANDLER_ENTRY(name, fields, meaning) &TAccess::Exec_##name,
      VARNHOLT_INSTRUCTIONS(VARNHOLT_HANDLER_ENTRY)
#undef VARNHOLT_HANDLER_ENTRY
  };
  return op < kInstructionCount ? kTable[op] : &TAccess::Exec_inBreakPoint;
}

TInstructionHandler TAccess::HostCallHandler(THostCallKind kind) {
  switch (kind) {
    case kBound: return &TAccess::HostBound;
    case kLateSet: return &TAccess::HostLateSet;
    case kLateCall: return &TAccess::HostLateCall;
    default: return &TAccess::HostLateGet;
  }
}

// --- Fused sequences -------------------------------------------------------------------------------
//
// Loops spend most of their instructions on a few sequences: the for-loop test (push i, push the stop,
// compare, jump), an accumulation (push a, push b, add, store) and the for-loop step (push 1, push i,
// add, jump back to the store into i). Run one dispatch at a time, the dispatch costs more than the
// work. Each fused handler checks that it may take the short way (plain Integer locals, no overflow,
// enough steps left under the step limit) and otherwise runs the first instruction's own handler, so
// every instruction keeps its meaning, its errors and its source position. A fused sequence lies in
// consecutive places of the code array, so its handler finds its instructions by address instead of
// following Next from one to the next.

namespace {

// A local that holds a plain Integer (no reference, no other kind), or nullptr.
inline const ScriptValue* IntegerLocal(std::vector<ScriptValue>& stack, int frameBase, int slot) {
  const ScriptValue& v = stack[static_cast<std::size_t>(frameBase + slot)];
  return v.Kind() == TValueKind::Integer ? &v : nullptr;
}

}  // namespace

bool TAccess::CompareJump(TatVirtualMachine& vm, TSimplifiedCode& c, std::uint64_t extraSteps) {
  TSimplifiedCode& second = (&c)[1];
  TSimplifiedCode& compare = (&c)[2];
  TSimplifiedCode& jump = (&c)[3];
  const ScriptValue* a = IntegerLocal(vm.stack_, vm.frameBase_, c.Int1);
  const ScriptValue* b = IntegerLocal(vm.stack_, vm.frameBase_, second.Int1);
  if (a == nullptr || b == nullptr || vm.stepsLeft_ <= 3 + extraSteps) return false;
  vm.stepsLeft_ -= 3 + extraSteps;
  const std::int32_t x = a->RawInteger();
  const std::int32_t y = b->RawInteger();
  bool holds = false;
  switch (compare.Op) {
    case TInstruction::inOperLE: holds = x <= y; break;
    case TInstruction::inOperLess: holds = x < y; break;
    case TInstruction::inOperGE: holds = x >= y; break;
    case TInstruction::inOperGreater: holds = x > y; break;
    case TInstruction::inOperEqual: holds = x == y; break;
    default: holds = x != y; break;  // inOperNE
  }
  const bool jumps = jump.Op == TInstruction::inJumpIfFalse ? !holds : holds;
  vm.next_ = jumps ? jump.Target : jump.Next;
  return true;
}

void TAccess::FusedCompareJump(TatVirtualMachine& vm, TSimplifiedCode& c) {
  if (!CompareJump(vm, c, 0)) Exec_inPushVar(vm, c);
}

void TAccess::FusedAddStore(TatVirtualMachine& vm, TSimplifiedCode& c) {
  TSimplifiedCode& second = (&c)[1];
  TSimplifiedCode& store = (&c)[3];
  const ScriptValue& a = vm.Local(c.Int1);
  const ScriptValue& b = vm.Local(second.Int1);
  ScriptValue& target = vm.Local(store.Int1);
  if (vm.stepsLeft_ <= 3 || target.IsRef()) return Exec_inPushVar(vm, c);
  const TValueKind ka = a.Kind();
  const TValueKind kb = b.Kind();
  std::int32_t sum = 0;
  if (ka == TValueKind::Integer && kb == TValueKind::Integer &&
      !__builtin_add_overflow(a.RawInteger(), b.RawInteger(), &sum)) {
    target.SetInteger(sum);
  } else if ((ka == TValueKind::Integer || ka == TValueKind::Double) &&
             (kb == TValueKind::Integer || kb == TValueKind::Double)) {
    // The plain-number rule of AddAssign: a Double, unless the result is not finite (then the error
    // comes from the instructions themselves).
    const double x = ka == TValueKind::Double ? a.RawDouble() : a.RawInteger();
    const double y = kb == TValueKind::Double ? b.RawDouble() : b.RawInteger();
    const double result = x + y;
    if (!std::isfinite(result)) return Exec_inPushVar(vm, c);
    target.SetDouble(result);
  } else {
    return Exec_inPushVar(vm, c);
  }
  vm.stepsLeft_ -= 3;
  vm.next_ = store.Next;
}

void TAccess::FusedIncrementJump(TatVirtualMachine& vm, TSimplifiedCode& c) {
  TSimplifiedCode& push = (&c)[1];
  TSimplifiedCode& jump = (&c)[3];
  TSimplifiedCode& store = *jump.Target;
  const ScriptValue* a = IntegerLocal(vm.stack_, vm.frameBase_, push.Int1);
  std::int32_t sum = 0;
  if (a == nullptr || vm.stepsLeft_ <= 4 || __builtin_add_overflow(c.Int1, a->RawInteger(), &sum) ||
      vm.Local(store.Int1).IsRef()) {
    return Exec_inPushInteger(vm, c);
  }
  vm.stepsLeft_ -= 4;
  vm.Local(store.Int1).SetInteger(sum);
  vm.next_ = store.Next;
  // The step of a for loop is followed by its test: taken in the same dispatch (one more instruction,
  // the test's first, that the run loop would have counted), a loop round costs one dispatch less.
  if (store.Next != nullptr && store.Next->Handler == &TAccess::FusedCompareJump) CompareJump(vm, *store.Next, 1);
}

void TAccess::FuseSequences(std::vector<TSimplifiedCode>& code) {
  // A sequence is fused only when nothing jumps into its middle and no try part begins or ends there.
  std::vector<bool> entered(code.size() + 1, false);
  auto mark = [&](const TSimplifiedCode* target) {
    if (target != nullptr) entered[static_cast<std::size_t>(target - code.data())] = true;
  };
  for (const auto& c : code) {
    mark(c.Target);
    mark(c.Target2);
    if (c.Op == TInstruction::inTryFinally || c.Op == TInstruction::inTryExcept) mark(c.Next);
  }
  auto plain = [&](const TSimplifiedCode* c, TInstruction op) {
    return c != nullptr && c->Op == op && !entered[static_cast<std::size_t>(c - code.data())];
  };
  // The fused handlers find a sequence's instructions by address: its four places must be consecutive.
  auto consecutive = [](const TSimplifiedCode& c) {
    return c.Next == &c + 1 && c.Next->Next == &c + 2 && (&c + 2)->Next == &c + 3;
  };
  auto isCompare = [](TInstruction op) {
    return op == TInstruction::inOperLE || op == TInstruction::inOperLess || op == TInstruction::inOperGE ||
           op == TInstruction::inOperGreater || op == TInstruction::inOperEqual || op == TInstruction::inOperNE;
  };
  for (auto& c : code) {
    if (!consecutive(c)) continue;
    if (c.Op == TInstruction::inPushVar && plain(c.Next, TInstruction::inPushVar)) {
      TSimplifiedCode* third = c.Next->Next;
      TSimplifiedCode* fourth = third != nullptr ? third->Next : nullptr;
      if (third == nullptr || fourth == nullptr || entered[static_cast<std::size_t>(third - code.data())] ||
          entered[static_cast<std::size_t>(fourth - code.data())]) {
        continue;
      }
      if (isCompare(third->Op) && (fourth->Op == TInstruction::inJumpIfFalse || fourth->Op == TInstruction::inJumpIfTrue) &&
          fourth->Target != nullptr) {
        c.Handler = &TAccess::FusedCompareJump;
      } else if (third->Op == TInstruction::inOperAdd && fourth->Op == TInstruction::inStoreVar) {
        c.Handler = &TAccess::FusedAddStore;
      }
    } else if (c.Op == TInstruction::inPushInteger && plain(c.Next, TInstruction::inPushVar) &&
               plain(c.Next->Next, TInstruction::inOperAdd) && plain(c.Next->Next->Next, TInstruction::inJump)) {
      const TSimplifiedCode* store = c.Next->Next->Next->Target;
      if (store != nullptr && store->Op == TInstruction::inStoreVar && store->Int1 == c.Next->Int1) {
        c.Handler = &TAccess::FusedIncrementJump;
      }
    }
  }
}

}  // namespace varnholt
