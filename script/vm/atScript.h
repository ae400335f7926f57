// atScript.h — the virtual machine that runs compiled scripts, the table of host objects scripts hold,
// and the scripter through which the program compiles, runs and binds scripts.
//
// The machine is a stack machine over ScriptValue: one array of 3000 slots holds the global variables
// at the bottom and, above them, the frames of the routines being run and the operands of the
// expression being evaluated. Preparation gives every instruction a direct pointer to its handler and
// resolves jump targets, classes and default instances once, so the run loop is one indirect call per
// instruction. Host routines are called with the machine, through which they read their arguments and
// deliver their result (the Arg* and SetResult accessors); libraries see only its call-context side
// (atCallContext.h).
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "script/atLimits.h"
#include "script/compiler/atInstructions.h"
#include "script/compiler/atPascal.h"
#include "script/compiler/atRegistry.h"
#include "script/compiler/atScript_Errors.h"
#include "script/vm/atCallContext.h"
#include "script/vm/atScript_Values.h"

namespace varnholt {

class TatCustomScripter;

// The machine is final so that its own calls of the call-context accessors are not virtual.
class TatVirtualMachine final : public TatCallContext {
 public:
  // The slot count is the machine's fixed size; a run that needs more stops with a run-time error.
  static constexpr int kStackSize = limits::kStackSlots;
  // Script routines recurse on the C++ stack; this many nested routine and try levels keep it far from
  // the thread's limit even in a sanitizer build.
  static constexpr int kMaxNesting = limits::kMaxNesting;

  TatVirtualMachine(TatPascalScript& script, TatCustomScripter& scripter);
  TatVirtualMachine(const TatVirtualMachine&) = delete;
  TatVirtualMachine& operator=(const TatVirtualMachine&) = delete;

  // Gives every instruction its handler and resolves targets; the script must be compiled.
  void Prepare();
  bool Prepared() const { return prepared_; }
  // Forgets the preparation (a compile replaced the code).
  void Unprepare() { prepared_ = false; }

  // Runs the main routine (empty name) or the named routine with the input as arguments (Null: none,
  // an array: one per element, anything else: one). A run started while another is active works on
  // top of the current stack and leaves the outer run's state as it found it.
  ScriptValue Run(std::string_view routineName, const ScriptValue& input);
  bool Running() const { return running_; }
  // Every slot Null; the running state, the try depth and the last exception cleared.
  void Reset();

  // Stops a run with a run-time error after this many instructions (0: no limit). Fuzzing and tools
  // that run untrusted scripts use it; the program itself runs without a limit.
  void SetStepLimit(std::uint64_t steps) { stepLimit_ = steps; }
  // Stops a run that is still going after this time with a run-time error (0: no limit). The clock is
  // read every few thousand instructions and every few host calls, not per instruction.
  void SetRunTimeLimit(std::chrono::milliseconds limit) { runTimeLimit_ = limit; }
  std::chrono::milliseconds RunTimeLimit() const { return runTimeLimit_; }
  // The clock the run-time limit is measured by; empty (the default): the steady clock.
  void SetClock(std::function<std::chrono::steady_clock::time_point()> clock) { clock_ = std::move(clock); }

  const TatLastException& LastException() const override { return lastException_; }
  void ClearLastException() { lastException_ = {}; }
  TatCustomScripter& Scripter() override { return scripter_; }
  TatPascalScript& Script() { return script_; }

  // --- What a host routine sees during its call --------------------------------------------------
  int ArgCount() const override { return callArgCount_; }
  // Argument i (from 0), through the reference when it is one.
  const ScriptValue& ArgValue(int i) const override;
  std::string ArgString(int i) const override;
  std::int32_t ArgInteger(int i) const override;
  double ArgFloat(int i) const override;
  double ArgDateTime(int i) const override;
  std::uint8_t ArgChar(int i) const override;
  std::uint16_t ArgWideChar(int i) const;
  std::u16string ArgWideString(int i) const;
  // Index value j of an indexed property access.
  int IndexCount() const { return callIndexCount_; }
  const ScriptValue& IndexValue(int j) const;
  // Stores the call's result; a handler that never calls it leaves the slot's previous content.
  void SetResult(const ScriptValue& value) override;
  // Writes through argument i, which must be a reference ("Method expects argument %d as variable
  // reference" otherwise).
  void SetArgRef(int i, const ScriptValue& value) override;
  // Writes through argument i when it is a reference; does nothing otherwise.
  void TrySetArgRef(int i, const ScriptValue& value) override;
  // The object whose member is called (nullptr for class-level calls and routines without object).
  void* CurrentInstance() const { return currentObject_; }
  TatClass* CurrentObjectClass() const { return currentObjectClass_; }
  // The value the object was taken from (Null for calls on a default instance or class).
  const ScriptValue& CurrentInstanceValue() const override { return currentInstanceValue_; }
  // For class-level calls: the class through which the member was called.
  TatClass* CurrentClass() const override { return currentClass_; }
  std::string CalledMethodName() const;
  std::string CalledPropertyName() const;

  // The object table of the scripter, for handlers that create or free objects.
  TatObjectTable& Objects() override;

  // The machine's handlers are free functions over its state; they live in atScript_Machine.cpp.
  struct TAccess;

 private:
  friend struct TAccess;

  // Registers that one run loop saves and restores, so that routine calls and nested runs from host
  // routines leave their caller's state as it was.
  struct TRegisters {
    int frameBase, argBase, outputBase, inputIndex;
    int callArgBase, callIndexBase, callTop, callArgCount, callIndexCount;
    TSimplifiedCode* currentPrepare;
    TSimplifiedCode* current;
    TSimplifiedCode* next;
    TSimplifiedCode* callInstruction;
    void* currentObject;
    TatClass* currentObjectClass;
    TatClass* currentClass;
  };
  TRegisters SaveRegisters() const;
  void RestoreRegisters(const TRegisters& r);

  // Runs one routine from its entry with argCount arguments below the stack top; returns the number of
  // slots in use above the frame base when it ended.
  int RunRoutine(TSimplifiedCode* entry, int argCount);
  // Executes from start until there is no next instruction (a return).
  void Execute(TSimplifiedCode* start);
  // How a protected or handler part of a try block ended.
  enum TPartEnd { peEnd, peReturn, peJump };
  // Executes the part [begin, end) of a try block until it reaches its end, returns, or jumps out of
  // it (then jump is the target). A jump out ends the part at once, so a break or exit leaves the
  // try block through its handler part like any other way out.
  TPartEnd ExecutePart(TSimplifiedCode* begin, TSimplifiedCode* end, TSimplifiedCode*& jump);
  // The error step of the run loop: records the exception and turns it into the script's run-time
  // error when no try-except block is open. Always throws.
  [[noreturn]] void HandleError(std::exception_ptr error);
  std::string WrapMessage(const std::string& message) const;
  std::string StackDump() const;
  std::string SourcePosition(const TSimplifiedCode* code) const;
  // Raises a run-time error the machine found itself, with the current instruction's source position.
  [[noreturn]] void RaiseAtPosition(const std::string& message);
  void RecordException(std::exception_ptr error);

  // Inline, so that a value made for the push is built in its slot rather than on the C++ stack.
  void Push(const ScriptValue& value) {
    if (sp_ >= kStackSize) StackOverflow();
    stack_[static_cast<std::size_t>(sp_++)] = value;
  }
  void Push(ScriptValue&& value) {
    if (sp_ >= kStackSize) StackOverflow();
    stack_[static_cast<std::size_t>(sp_++)] = std::move(value);
  }
  void PushInteger(std::int32_t value) {
    if (sp_ >= kStackSize) StackOverflow();
    stack_[static_cast<std::size_t>(sp_++)].SetInteger(value);
  }
  void PushDouble(double value) {
    if (sp_ >= kStackSize) StackOverflow();
    stack_[static_cast<std::size_t>(sp_++)].SetDouble(value);
  }
  void PushRef(ScriptValue* target) {
    if (sp_ >= kStackSize) StackOverflow();
    stack_[static_cast<std::size_t>(sp_++)].SetRef(target);
  }
  void Reserve(int slots);
  [[noreturn]] void StackOverflow();
  ScriptValue& Local(int slot) { return stack_[static_cast<std::size_t>(frameBase_ + slot)]; }
  ScriptValue& Slot(int index) { return stack_[static_cast<std::size_t>(index)]; }

  TatPascalScript& script_;
  TatCustomScripter& scripter_;
  std::vector<ScriptValue> stack_;
  bool prepared_ = false;
  bool running_ = false;
  int nesting_ = 0;

  int sp_ = 0;
  int frameBase_ = 0, argBase_ = 0, outputBase_ = 0, inputIndex_ = 0;
  int callArgBase_ = 0, callIndexBase_ = 0, callTop_ = 0, callArgCount_ = 0, callIndexCount_ = 0;
  TSimplifiedCode* currentPrepare_ = nullptr;
  TSimplifiedCode* mainEntry_ = nullptr;
  TSimplifiedCode* current_ = nullptr;
  TSimplifiedCode* next_ = nullptr;
  TSimplifiedCode* callInstruction_ = nullptr;
  void* currentObject_ = nullptr;
  TatClass* currentObjectClass_ = nullptr;
  TatClass* currentClass_ = nullptr;
  ScriptValue currentInstanceValue_;
  // Set by inWithObject: the object operand of the next host call (none when the with variable holds
  // no object).
  bool withPending_ = false;
  const TatObjectTable::TEntry* withObject_ = nullptr;
  int tryExceptDepth_ = 0;
  TatLastException lastException_;
  std::uint64_t stepLimit_ = 0;
  std::chrono::milliseconds runTimeLimit_{0};
  std::chrono::steady_clock::time_point deadline_{};
  std::function<std::chrono::steady_clock::time_point()> clock_;
  // Instructions left before the next checkpoint (the step limit or a look at the clock); counts down
  // so the hot loop only decrements. stepsDone_ counts the instructions of the periods before.
  std::uint64_t stepsLeft_ = 0;
  std::uint64_t stepsPeriod_ = 0;
  std::uint64_t stepsDone_ = 0;
  std::uint32_t hostCallsLeft_ = 0;
  // Once a limit is hit the run ends: no try block may catch that or run more code.
  bool stopped_ = false;
  void StartLimits();
  // Asserts the stack and frame invariants before each instruction in debug and sanitizer builds.
  void AssertInvariants() const;
  // The slow path of the step counter: checks both limits and starts the next period.
  void Checkpoint();
  // The slow path of the host-call counter.
  void HostCallCheckpoint();
  void CheckClock();
  [[noreturn]] void StepLimitReached();
  [[noreturn]] void RunTimeLimitReached();
};

// The events of the scripter. The handler may change the message and clear showException, in which
// case the caller receives the silent abort (EAbort) instead of the error.
using TScriptErrorEvent =
    std::function<void(TatCustomScripter& sender, std::string& message, int row, int col, bool& showException)>;

class TatCustomScripter {
 public:
  TatCustomScripter();
  virtual ~TatCustomScripter();
  TatCustomScripter(const TatCustomScripter&) = delete;
  TatCustomScripter& operator=(const TatCustomScripter&) = delete;

  // --- The default script ---------------------------------------------------------------------
  void SetSourceCode(std::vector<std::string> lines);
  void SetSourceText(std::string_view text);
  const std::vector<std::string>& SourceCode() const;
  // Compiles; a compile error goes to OnCompileError and is raised as EatCompileError, or as EAbort
  // when the handler cleared showException.
  void CompileScript();
  // Runs the main routine (compiling first when needed) and gives its Result.
  ScriptValue RunScript(const ScriptValue& input = ScriptValue::Null());
  ScriptValue RunRoutine(std::string_view name, const ScriptValue& input = ScriptValue::Null());
  bool Compiled() const;
  void SetCompiled(bool value);

  // --- Options --------------------------------------------------------------------------------
  bool ShortBooleanEval = false;
  bool RequireDeclarations = false;
  // A run still going after this time stops with a run-time error that no try block of the script can
  // catch, as with an instruction limit. 0 (the default): no limit.
  void SetRunTimeLimit(std::chrono::milliseconds limit);
  std::chrono::milliseconds RunTimeLimit() const;
  // The clock the run-time limit is measured by (a host's own clock in tests); empty: the steady clock.
  void SetRunTimeClock(std::function<std::chrono::steady_clock::time_point()> clock);

  // --- Host binding ---------------------------------------------------------------------------
  // A routine of the default class; an existing one of that name (any case) is overwritten.
  TatMethod& RegisterRoutine(std::string_view name, int argCount, std::uint8_t resultType,
                             TatClass* resultClass, THostHandler handler, bool isClassRoutine = false,
                             int optionalArgCount = 0);
  // A read-only named value; re-registering replaces the value.
  TatProperty& RegisterValue(std::string_view name, const ScriptValue& value);
  TatClass& RegisterHostClass(std::string_view name, TatClass* ancestor = nullptr);
  TatObject& AddDefaultInstance(void* object, std::string_view name, TatClass& cls);
  // Attaches a library of the process-wide list by its script name; nullptr when there is none.
  TatScripterLibrary* AttachLibrary(std::string_view scriptName, bool makeGlobal);

  // --- Events ---------------------------------------------------------------------------------
  TScriptErrorEvent OnCompileError;
  TScriptErrorEvent OnRuntimeError;
  std::function<bool(const TElementContext&)> OnUnknownElement;

  // --- Parts ----------------------------------------------------------------------------------
  TatHostRegistry& Registry() { return *registry_; }
  TatPascalScript& Script() { return *script_; }
  TatVirtualMachine& Machine() { return *machine_; }
  TatObjectTable& Objects() { return objects_; }

  // Raises a script run-time error: OnRuntimeError, then EatScripterRuntime ("RUNTIME ERROR" and the
  // message), or EAbort when the handler cleared showException.
  [[noreturn]] void RaiseRuntimeError(std::string message);

 private:
  void BindRegistry();
  void EnsureCompiled();

  std::unique_ptr<TatHostRegistry> registry_;
  std::unique_ptr<TatPascalScript> script_;
  std::unique_ptr<TatVirtualMachine> machine_;
  TatObjectTable objects_;
};

// The Pascal-dialect scripter: the only dialect this engine has.
class TatPascalScripter : public TatCustomScripter {
 public:
  TatPascalScripter() = default;
};

}  // namespace varnholt
