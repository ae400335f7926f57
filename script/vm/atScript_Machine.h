// atScript_Machine.h — inside the virtual machine: one handler per instruction, generated from the
// instruction table, and the host-call variants. Only the machine's own sources include this.
#pragma once

#include "script/vm/atScript.h"

namespace varnholt {

struct TatVirtualMachine::TAccess {
#define VARNHOLT_DECLARE_HANDLER(name, fields, meaning) static void Exec_##name(TatVirtualMachine& vm, TSimplifiedCode& c);
  VARNHOLT_INSTRUCTIONS(VARNHOLT_DECLARE_HANDLER)
#undef VARNHOLT_DECLARE_HANDLER

  // Host calls: a member bound at preparation, or a member looked up by name at run time.
  enum THostCallKind { kBound = 0, kLateGet = 1, kLateSet = 2, kLateCall = 3 };
  static THostCallKind KindOf(int memberKind) {
    return memberKind == 2 ? kLateSet : memberKind == 3 ? kLateCall : kLateGet;
  }
  static TInstructionHandler HandlerOf(TInstruction op);

  // Fused sequences: preparation gives the first instruction of a common straight-line sequence a handler
  // that runs the whole sequence at once when every operand is a plain Integer local, and otherwise does
  // exactly what the first instruction's own handler does. The instructions themselves stay as they are.
  static void FuseSequences(std::vector<TSimplifiedCode>& code);
  // The loop test's short way: false (and nothing done) when it may not be taken. extraSteps are the
  // instructions a caller runs in the same dispatch besides the four of the test.
  static bool CompareJump(TatVirtualMachine& vm, TSimplifiedCode& c, std::uint64_t extraSteps);
  static void FusedCompareJump(TatVirtualMachine& vm, TSimplifiedCode& c);
  static void FusedAddStore(TatVirtualMachine& vm, TSimplifiedCode& c);
  static void FusedIncrementJump(TatVirtualMachine& vm, TSimplifiedCode& c);
  static TInstructionHandler HostCallHandler(THostCallKind kind);

  static void HostBound(TatVirtualMachine& vm, TSimplifiedCode& c);
  static void HostLateGet(TatVirtualMachine& vm, TSimplifiedCode& c);
  static void HostLateSet(TatVirtualMachine& vm, TSimplifiedCode& c);
  static void HostLateCall(TatVirtualMachine& vm, TSimplifiedCode& c);

  // Sets up the call registers of a host call; returns the slot the call's frame starts at.
  static int BeginHostCall(TatVirtualMachine& vm, TSimplifiedCode& c, bool classLevel);
  static void CallHost(TatVirtualMachine& vm, TSimplifiedCode& c, const THostHandler& handler, int frameStart);
  static void LateBound(TatVirtualMachine& vm, TSimplifiedCode& c, THostCallKind kind);
  static void RunProtected(TatVirtualMachine& vm, TSimplifiedCode& c, bool except);
  static ScriptValue Constant(int number);
  static bool TestEqual(const ScriptValue& a, const ScriptValue& b);
};

}  // namespace varnholt
