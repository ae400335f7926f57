// atScript_Machine.cpp — the virtual machine's preparation, run and run loop, its error step, and the
// accessors host routines use. The instruction handlers are in atScript_Instructions.cpp.
#include "script/vm/atScript.h"

#include <cassert>
#include <cstdio>

#include "platform/CodePage.h"
#include "platform/ScopeExit.h"
#include "script/vm/atScript_Machine.h"

namespace varnholt {

namespace {

std::string Hex(std::int64_t value) {
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, "%X", static_cast<unsigned>(static_cast<std::uint32_t>(value)));
  return buffer;
}

}  // namespace

// --- Object table ----------------------------------------------------------------------------------

std::int32_t TatObjectTable::Handle(void* object, TatClass* cls) {
  if (object == nullptr) return 0;
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].object == object) return kObjectBase + static_cast<std::int32_t>(i);
  }
  TEntry entry;
  entry.object = object;
  entry.cls = cls;
  if (!freeSlots_.empty()) {
    const std::int32_t slot = freeSlots_.back();
    freeSlots_.pop_back();
    entries_[static_cast<std::size_t>(slot)] = std::move(entry);
    return kObjectBase + slot;
  }
  entries_.push_back(std::move(entry));
  return kObjectBase + static_cast<std::int32_t>(entries_.size() - 1);
}

std::int32_t TatObjectTable::Adopt(std::unique_ptr<TatHostObject> object, TatClass* cls) {
  void* raw = object.get();
  const std::int32_t handle = Handle(raw, cls);
  entries_[static_cast<std::size_t>(handle - kObjectBase)].owned = std::move(object);
  return handle;
}

const TatObjectTable::TEntry* TatObjectTable::Find(std::int32_t handle) const {
  const std::int64_t index = static_cast<std::int64_t>(handle) - kObjectBase;
  if (index < 0 || index >= static_cast<std::int64_t>(entries_.size())) return nullptr;
  const TEntry& entry = entries_[static_cast<std::size_t>(index)];
  return entry.object != nullptr ? &entry : nullptr;
}

bool TatObjectTable::Free(std::int32_t handle) {
  const std::int64_t index = static_cast<std::int64_t>(handle) - kObjectBase;
  if (index < 0 || index >= static_cast<std::int64_t>(entries_.size())) return false;
  TEntry& entry = entries_[static_cast<std::size_t>(index)];
  if (!entry.owned) return false;
  entry = TEntry();
  freeSlots_.push_back(static_cast<std::int32_t>(index));
  return true;
}

void TatObjectTable::Clear() {
  entries_.clear();
  freeSlots_.clear();
}

// --- Machine ---------------------------------------------------------------------------------------

TatVirtualMachine::TatVirtualMachine(TatPascalScript& script, TatCustomScripter& scripter)
    : script_(script), scripter_(scripter), stack_(kStackSize, ScriptValue::Null()) {}

TatObjectTable& TatVirtualMachine::Objects() { return scripter_.Objects(); }

TatCallContext& CallContextOf(TatVirtualMachine& machine) { return machine; }

void TatVirtualMachine::Reset() {
  for (auto& slot : stack_) slot = ScriptValue::Null();
  running_ = false;
  nesting_ = 0;
  tryExceptDepth_ = 0;
  lastException_ = {};
  sp_ = 0;
  mainEntry_ = nullptr;
  currentPrepare_ = nullptr;
  currentInstanceValue_ = ScriptValue();
  withObject_ = nullptr;
}

void TatVirtualMachine::Prepare() {
  auto& code = script_.Code();
  auto at = [&code](std::int32_t index) -> TSimplifiedCode* {
    return (index >= 0 && static_cast<std::size_t>(index) < code.size()) ? &code[static_cast<std::size_t>(index)]
                                                                         : nullptr;
  };
  TatHostRegistry& registry = scripter_.Registry();
  for (auto& c : code) {
    c.Handler = TAccess::HandlerOf(c.Op);
    c.Target = c.Target2 = nullptr;
    c.Host = nullptr;
    c.Class = nullptr;
    c.Instance = nullptr;
    switch (c.Op) {
      case inJumpIfFalse:
      case inJumpIfTrue:
      case inJump:
      case inVarTest:
      case inVarTestInteger:
      case inVarTestDouble:
      case inVarTestString:
      case inVarTestVar:
      case inCall:
      case inTestIfFalse:
      case inTestIfTrue:
        c.Target = at(c.Int1);
        break;
      case inTryFinally:
      case inTryExcept:
        c.Target = at(c.Int1);
        c.Target2 = at(c.Int3);
        break;
      case inPushClass:
      case inCastClass:
        if (c.Int1 >= 0 && c.Int1 < registry.ClassCount()) c.Class = &registry.ClassByIndex(c.Int1);
        break;
      case inCallProc:
      case inCallClassProc: {
        if (c.Op == inCallProc) {
          if (c.Int1 >= 0 && c.Int1 < registry.DefaultInstanceCount()) c.Instance = &registry.DefaultInstance(c.Int1);
        } else if (c.Int1 >= 0 && c.Int1 < registry.ClassCount()) {
          c.Class = &registry.ClassByIndex(c.Int1);
        }
        // A member reference names class, member and kind; a bare kind means late binding by name.
        const int kind = c.Int4 & 3;
        const int memberNumber = (c.Int4 >> 2) & ((1 << 15) - 1);
        const int classNumber = c.Int4 >> 17;
        const bool named = c.Int4 >= 4 || (c.Int4 >> 2) != 0;
        if (named && classNumber >= 0 && classNumber < registry.ClassCount()) {
          TatClass& cls = registry.ClassByIndex(classNumber);
          if (kind == mkCall && memberNumber < cls.MethodCount()) {
            c.Host = &cls.Method(memberNumber).Handler;
          } else if (kind == mkGet && memberNumber < cls.PropertyCount()) {
            c.Host = &cls.Property(memberNumber).Getter;
          } else if (kind == mkSet && memberNumber < cls.PropertyCount()) {
            c.Host = &cls.Property(memberNumber).Setter;
          }
        }
        c.Handler = TAccess::HostCallHandler(c.Host != nullptr && *c.Host ? TAccess::kBound : TAccess::KindOf(kind));
        break;
      }
      default:
        break;
    }
  }
  TAccess::FuseSequences(code);
  prepared_ = true;
}

TatVirtualMachine::TRegisters TatVirtualMachine::SaveRegisters() const {
  return {frameBase_,      argBase_,      outputBase_,      inputIndex_,          callArgBase_,
          callIndexBase_,  callTop_,      callArgCount_,    callIndexCount_,      currentPrepare_,
          current_,        next_,         callInstruction_, currentObject_,       currentObjectClass_,
          currentClass_};
}

void TatVirtualMachine::RestoreRegisters(const TRegisters& r) {
  frameBase_ = r.frameBase;
  argBase_ = r.argBase;
  outputBase_ = r.outputBase;
  inputIndex_ = r.inputIndex;
  callArgBase_ = r.callArgBase;
  callIndexBase_ = r.callIndexBase;
  callTop_ = r.callTop;
  callArgCount_ = r.callArgCount;
  callIndexCount_ = r.callIndexCount;
  currentPrepare_ = r.currentPrepare;
  current_ = r.current;
  next_ = r.next;
  callInstruction_ = r.callInstruction;
  currentObject_ = r.currentObject;
  currentObjectClass_ = r.currentObjectClass;
  currentClass_ = r.currentClass;
}

ScriptValue TatVirtualMachine::Run(std::string_view routineName, const ScriptValue& input) {
  const bool nested = running_;
  if (!nested && !prepared_) Prepare();
  const TatScriptInfo& info = script_.ScriptInfo();
  if (!routineName.empty() && info.FindRoutine(routineName) == nullptr) {
    scripter_.RaiseRuntimeError("Subroutine '" + std::string(routineName) + "' does not exist in script");
  }

  const int savedSp = sp_;
  const TRegisters outer = SaveRegisters();
  if (!nested) {
    lastException_ = {};
    StartLimits();
    running_ = true;
    script_.Running = true;
    const int globals = info.Globals().Count();
    for (int i = globals; i < kStackSize; ++i) stack_[static_cast<std::size_t>(i)] = ScriptValue::Null();
    sp_ = 0;
  } else {
    // A host routine is calling back: keep its arguments, indexes and result slot intact.
    sp_ = std::max(sp_, callTop_ + 1);
  }
  platform::TScopeExit cleanup([&] {
    RestoreRegisters(outer);
    if (nested) {
      sp_ = savedSp;
      return;
    }
    for (int i = info.Globals().Count(); i < kStackSize; ++i)
      stack_[static_cast<std::size_t>(i)] = ScriptValue();
    currentInstanceValue_ = ScriptValue();
    withObject_ = nullptr;
    tryExceptDepth_ = 0;
    nesting_ = 0;
    sp_ = 0;
    running_ = false;
    script_.Running = false;
  });

  auto& code = script_.Code();
  if (!nested) {
    // Global initialisation runs up to the first routine entry, which is the main routine's.
    TSimplifiedCode* c = code.empty() ? nullptr : &code.front();
    while (c != nullptr && c->Op != inPrepare) {
      current_ = c;
      next_ = c->Next;
      c->Handler(*this, *c);
      c = next_;
    }
    mainEntry_ = c;
  }

  TSimplifiedCode* entry = mainEntry_;
  if (!routineName.empty()) {
    entry = nullptr;
    for (auto& c : code) {
      if (c.Op == inPrepare && platform::SameText(c.Text, routineName)) {
        entry = &c;
        break;
      }
    }
    if (entry == nullptr) {
      scripter_.RaiseRuntimeError("Subroutine '" + std::string(routineName) + "' does not exist in script");
    }
  }
  if (entry == nullptr || entry->Op != inPrepare) {
    scripter_.RaiseRuntimeError("Invalid subroutine call. Entry point should be a \"Prepare\" instruction");
  }

  int argCount = 0;
  if (input.IsArray()) {
    for (const ScriptValue& v : input.ArrayItems()) Push(v), ++argCount;
  } else if (!input.IsNull()) {
    Push(input);
    argCount = 1;
  }
  const int frame = sp_;
  const int left = RunRoutine(entry, argCount);
  const int locals = entry->Int1;
  ScriptValue result = ScriptValue::Null();
  const int produced = left - locals;
  if (produced == 1) {
    result = stack_[static_cast<std::size_t>(frame + locals)].Deref();
  } else if (produced > 1) {
    std::vector<ScriptValue> values;
    for (int i = 0; i < produced; ++i) values.push_back(stack_[static_cast<std::size_t>(frame + locals + i)].Deref());
    result = ScriptValue::ArrayOf(values);
  }
  return result;
}

int TatVirtualMachine::RunRoutine(TSimplifiedCode* entry, int argCount) {
  if (nesting_ >= kMaxNesting) {
    RaiseAtPosition("Stack overflow: routines are nested more than " + std::to_string(kMaxNesting) +
                    " deep (a routine calling itself without end?)");
  }
  const TRegisters saved = SaveRegisters();
  ++nesting_;
  frameBase_ = sp_;
  argBase_ = sp_ - argCount;
  inputIndex_ = 0;
  const int frame = frameBase_;
  int left = 0;
  platform::TScopeExit restore([&] {
    RestoreRegisters(saved);
    sp_ = frame;
    --nesting_;
  });
  Execute(entry);
  left = sp_ - frame;
  return left;
}

void TatVirtualMachine::Execute(TSimplifiedCode* start) {
  current_ = start;
  try {
    while (current_ != nullptr) {
      next_ = current_->Next;
      if (--stepsLeft_ == 0) Checkpoint();
#ifndef NDEBUG
      AssertInvariants();
#endif
      current_->Handler(*this, *current_);
      current_ = next_;
    }
  } catch (...) {
    HandleError(std::current_exception());
  }
}

TatVirtualMachine::TPartEnd TatVirtualMachine::ExecutePart(TSimplifiedCode* begin, TSimplifiedCode* end,
                                                           TSimplifiedCode*& jump) {
  // Instructions live in one array, so "inside the part" is an address range.
  current_ = begin;
  try {
    while (current_ != nullptr && current_ != end) {
      next_ = current_->Next;
      if (--stepsLeft_ == 0) Checkpoint();
#ifndef NDEBUG
      AssertInvariants();
#endif
      current_->Handler(*this, *current_);
      if (next_ != nullptr && next_ != end && (next_ < begin || next_ > end)) {
        jump = next_;
        return peJump;
      }
      current_ = next_;
    }
  } catch (...) {
    HandleError(std::current_exception());
  }
  return current_ == nullptr ? peReturn : peEnd;
}

void TatVirtualMachine::RecordException(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const EatScripterRuntime& e) {
    lastException_ = {e.Message(), 0, "EatScripterRuntime"};
  } catch (const EatRuntimeError& e) {
    lastException_ = {e.Message(), 0, "EatRuntimeError"};
  } catch (const EAbort& e) {
    lastException_ = {e.what(), 0, "EAbort"};
  } catch (const EScriptValueError& e) {
    lastException_ = {e.Message(), 0, "EVariantError"};
  } catch (const std::exception& e) {
    lastException_ = {e.what(), 0, "Exception"};
  } catch (...) {
    lastException_ = {"Unknown exception", 0, "Exception"};
  }
}

void TatVirtualMachine::HandleError(std::exception_ptr error) {
  if (tryExceptDepth_ > 0) std::rethrow_exception(error);
  RecordException(error);
  try {
    std::rethrow_exception(error);
  } catch (const EAbort&) {
    throw;
  } catch (const EatScripterRuntime&) {
    throw;
  } catch (const EScriptElementError& e) {
    scripter_.RaiseRuntimeError(e.Message());
  } catch (const EScriptValueError& e) {
    scripter_.RaiseRuntimeError(WrapMessage(e.Message()));
  } catch (const EatException& e) {
    scripter_.RaiseRuntimeError(WrapMessage(e.Message()));
  } catch (const std::exception& e) {
    scripter_.RaiseRuntimeError(WrapMessage(e.what()));
  } catch (...) {
    scripter_.RaiseRuntimeError(WrapMessage("Unknown exception"));
  }
}

std::string TatVirtualMachine::SourcePosition(const TSimplifiedCode* code) const {
  const TRowCol rc = TatSyntaxParser::OffsetToRowCol(script_.SourceCode(), code != nullptr ? code->SourcePos : 0);
  return ".\r\nSource position: " + std::to_string(rc.row) + "," + std::to_string(rc.col);
}

std::string TatVirtualMachine::WrapMessage(const std::string& message) const {
  if (current_ == nullptr) return "Undefined instruction";
  const TSimplifiedCode& c = *current_;
  const std::string name = InstructionName(c.Op);
  return message + " when evaluating instruction " + name.substr(2) + " ($" + Hex(c.Int1) + ",$" + Hex(c.Byte1) +
         ",$" + Hex(c.Int3) + ",$" + Hex(c.Int4) + ",'" + c.Text + "').\r\nStack content is: [" + StackDump() + "]" +
         SourcePosition(current_);
}

std::string TatVirtualMachine::StackDump() const {
  std::string dump;
  const int shown = std::min(sp_, 4);
  for (int i = 0; i < shown; ++i) {
    if (i > 0) dump += ',';
    const int slot = sp_ - 1 - i;
    if (slot >= 0 && slot < kStackSize) dump += stack_[static_cast<std::size_t>(slot)].DumpText();
  }
  if (sp_ > 4) dump += "...";
  return dump;
}

void TatVirtualMachine::RaiseAtPosition(const std::string& message) {
  scripter_.RaiseRuntimeError(message + SourcePosition(current_));
}

void TatVirtualMachine::StackOverflow() {
  RaiseAtPosition("Stack overflow: the script needs more than " + std::to_string(kStackSize) +
                  " value slots (a routine calling itself without end?)");
}

void TatVirtualMachine::AssertInvariants() const {
  // Debug and sanitizer builds only (NDEBUG removes it): a handler that leaves the stack pointer or a
  // frame outside the stack is caught at the next instruction, not by a corrupted value much later.
  assert(sp_ >= 0 && sp_ <= kStackSize);
  assert(argBase_ >= 0 && argBase_ <= frameBase_ && frameBase_ <= kStackSize);
  assert(nesting_ >= 1 && nesting_ <= kMaxNesting);
}

void TatVirtualMachine::StartLimits() {
  stopped_ = false;
  stepsDone_ = 0;
  stepsPeriod_ = 0;
  stepsLeft_ = 1;  // the first instruction starts the first period
  hostCallsLeft_ = 1;
  if (runTimeLimit_.count() > 0) {
    deadline_ = (clock_ ? clock_() : std::chrono::steady_clock::now()) + runTimeLimit_;
  }
}

void TatVirtualMachine::Checkpoint() {
  stepsDone_ += stepsPeriod_;
  if (stepLimit_ != 0 && stepsDone_ >= stepLimit_) StepLimitReached();
  if (runTimeLimit_.count() > 0) CheckClock();
  std::uint64_t period = UINT64_MAX;
  if (stepLimit_ != 0) period = stepLimit_ - stepsDone_;
  if (runTimeLimit_.count() > 0) period = std::min<std::uint64_t>(period, limits::kInstructionsPerClockCheck);
  // This instruction is the first of the new period.
  stepsPeriod_ = period;
  stepsLeft_ = period;
}

void TatVirtualMachine::HostCallCheckpoint() {
  if (runTimeLimit_.count() > 0) {
    CheckClock();
    hostCallsLeft_ = limits::kHostCallsPerClockCheck;
  } else {
    hostCallsLeft_ = UINT32_MAX;
  }
}

void TatVirtualMachine::CheckClock() {
  if ((clock_ ? clock_() : std::chrono::steady_clock::now()) >= deadline_) RunTimeLimitReached();
}

void TatVirtualMachine::StepLimitReached() {
  stopped_ = true;
  RaiseAtPosition("The script was stopped after " + std::to_string(stepLimit_) + " instructions");
}

void TatVirtualMachine::RunTimeLimitReached() {
  stopped_ = true;
  const auto ms = runTimeLimit_.count();
  std::string duration;
  if (ms % 1000 == 0) {
    duration = std::to_string(ms / 1000) + (ms == 1000 ? " second" : " seconds");
  } else {
    duration = std::to_string(ms) + " milliseconds";
  }
  RaiseAtPosition("Script stopped: it was still running after " + duration);
}

void TatVirtualMachine::Reserve(int slots) {
  if (slots < 0 || sp_ + slots > kStackSize) StackOverflow();
  sp_ += slots;
}

// --- Host accessors --------------------------------------------------------------------------------

const ScriptValue& TatVirtualMachine::ArgValue(int i) const {
  const int slot = callArgBase_ + i;
  static const ScriptValue kNull = ScriptValue::Null();
  if (slot < 0 || slot >= kStackSize) return kNull;
  return stack_[static_cast<std::size_t>(slot)].Deref();
}

std::string TatVirtualMachine::ArgString(int i) const {
  const ScriptValue& v = ArgValue(i);
  if (v.IsNull() || v.IsEmpty()) return {};
  return v.ToText();
}

std::int32_t TatVirtualMachine::ArgInteger(int i) const { return ArgValue(i).ToHostInteger(); }
double TatVirtualMachine::ArgFloat(int i) const { return ArgValue(i).ToHostFloat(); }
std::uint8_t TatVirtualMachine::ArgChar(int i) const { return ArgValue(i).ToHostChar(); }
std::uint16_t TatVirtualMachine::ArgWideChar(int i) const { return ArgValue(i).ToHostWideChar(); }
std::u16string TatVirtualMachine::ArgWideString(int i) const { return Cp1252ToUtf16(ArgString(i)); }

double TatVirtualMachine::ArgDateTime(int i) const {
  const ScriptValue& v = ArgValue(i);
  if (v.IsNull() || v.IsEmpty()) return 0.0;
  return v.ToDouble();
}

const ScriptValue& TatVirtualMachine::IndexValue(int j) const {
  static const ScriptValue kNull = ScriptValue::Null();
  const int slot = callIndexBase_ + j;
  if (j < 0 || j >= callIndexCount_ || slot < 0 || slot >= kStackSize) return kNull;
  return stack_[static_cast<std::size_t>(slot)].Deref();
}

void TatVirtualMachine::SetResult(const ScriptValue& value) {
  if (outputBase_ >= 0 && outputBase_ < kStackSize) stack_[static_cast<std::size_t>(outputBase_)] = value;
}

void TatVirtualMachine::SetArgRef(int i, const ScriptValue& value) {
  const int slot = callArgBase_ + i;
  if (i < 0 || i >= callArgCount_ || !stack_[static_cast<std::size_t>(slot)].IsRef()) {
    scripter_.RaiseRuntimeError("Method expects argument " + std::to_string(i) + " as variable reference");
  }
  stack_[static_cast<std::size_t>(slot)].Deref() = value;
}

void TatVirtualMachine::TrySetArgRef(int i, const ScriptValue& value) {
  const int slot = callArgBase_ + i;
  if (i < 0 || i >= callArgCount_ || !stack_[static_cast<std::size_t>(slot)].IsRef()) return;
  stack_[static_cast<std::size_t>(slot)].Deref() = value;
}

std::string TatVirtualMachine::CalledMethodName() const {
  if (callInstruction_ == nullptr || callInstruction_->Byte2 != 1) return {};
  return callInstruction_->Text;
}

std::string TatVirtualMachine::CalledPropertyName() const {
  if (callInstruction_ == nullptr || callInstruction_->Byte2 == 1) return {};
  return callInstruction_->Text;
}

}  // namespace varnholt
