// atInstructions.h — the virtual machine's instruction set as one table, and the instruction record.
//
// Every instruction is one line of VARNHOLT_INSTRUCTIONS: its name, the operand fields it uses and what
// it does. The enum TInstruction, the name table and the disassembler are generated from that list, so
// adding an instruction is one line here (and a handler in the machine). Stack notation: push v puts v
// on top; a and b are the two topmost slots (b on top) of a two-operand instruction, which pops b and
// replaces a by the result; deref means "through the reference when the slot holds one".
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace varnholt {

class TatVirtualMachine;

// Operand fields an instruction uses; the disassembler prints exactly these, in this order.
enum TOperandField : std::uint8_t {
  ofNone = 0,
  ofInt1 = 1 << 0,
  ofByte1 = 1 << 1,
  ofByte2 = 1 << 2,
  ofInt2 = 1 << 3,
  ofInt3 = 1 << 4,
  ofInt4 = 1 << 5,
  ofReal = 1 << 6,
  ofText = 1 << 7,
};

// X(name, operand fields, meaning)
#define VARNHOLT_INSTRUCTIONS(X)                                                                            \
  X(inPrepare, ofInt1 | ofText,                                                                             \
    "SP += Int1 (locals and Result of the routine named Text); the routine starts")                         \
  X(inPushInteger, ofInt1, "push Integer Int1")                                                             \
  X(inPushDouble, ofReal, "push Double Real")                                                               \
  X(inPushString, ofText, "push String Text")                                                               \
  X(inPushConst, ofByte1 | ofText,                                                                          \
    "push True (0), False (1), Null (2), Empty (3) or Byte 0 (4); Text is the word")                        \
  X(inPushOutput, ofInt1, "push a copy of slot OutputBase + Int1 (the result of the last call)")            \
  X(inPushClass, ofInt1 | ofText, "push class Int1 as Integer; -1: look the class up by Text")              \
  X(inDuplicate, ofNone, "push a copy of top")                                                              \
  X(inDuplicate2, ofNone, "push copies of a and b")                                                         \
  X(inDrop2, ofNone, "SP -= 2")                                                                             \
  X(inSwap2, ofNone, "exchange a and b")                                                                    \
  X(inOperNE, ofNone, "a := a <> b")                                                                        \
  X(inOperGE, ofNone, "a := a >= b")                                                                        \
  X(inOperLE, ofNone, "a := a <= b")                                                                        \
  X(inOperEqual, ofNone, "a := a = b")                                                                      \
  X(inOperGreater, ofNone, "a := a > b")                                                                    \
  X(inOperLess, ofNone, "a := a < b")                                                                       \
  X(inOperAdd, ofNone, "a := a + b (texts concatenate)")                                                    \
  X(inOperConcat, ofNone, "a := text(a) + text(b) (not emitted)")                                           \
  X(inOperSub, ofNone, "a := a - b")                                                                        \
  X(inOperOr, ofNone, "a := Integer(a or b)")                                                               \
  X(inOperXor, ofNone, "a := Integer(a xor b)")                                                             \
  X(inOperMul, ofNone, "a := Double(a * b)")                                                                \
  X(inOperSlash, ofNone, "a := Double(a / b)")                                                              \
  X(inOperDiv, ofNone, "a := Integer(a div b)")                                                             \
  X(inOperMod, ofNone, "a := Integer(a mod b)")                                                             \
  X(inOperAnd, ofNone, "a := Integer(a and b)")                                                             \
  X(inOperShl, ofNone, "a := Integer(a shl b)")                                                             \
  X(inOperShr, ofNone, "a := Integer(a shr b)")                                                             \
  X(inOperExp, ofNone, "a := Double(a ^ b)")                                                                \
  X(inOperIs, ofNone, "a := object a is of class b")                                                        \
  X(inOperNeg, ofNone, "top := -top")                                                                       \
  X(inOperNot, ofNone, "top := rounded top = 0")                                                            \
  X(inJumpIfFalse, ofInt1, "pop; jump to Int1 when it equals False")                                        \
  X(inJumpIfTrue, ofInt1, "pop; jump to Int1 when it does not equal False")                                 \
  X(inJump, ofInt1, "jump to Int1")                                                                         \
  X(inStoreVar, ofInt1 | ofText, "pop into local slot Int1 (the slot itself)")                              \
  X(inStoreVarRef, ofInt1 | ofText, "pop into local slot Int1, deref")                                      \
  X(inStoreIdxVar, ofInt1 | ofByte1 | ofText, "value below Byte1 indexes: store the element of local Int1") \
  X(inStoreIdxVarRef, ofInt1 | ofByte1 | ofText, "as inStoreIdxVar through the reference in local Int1")    \
  X(inStoreVarInteger, ofInt1 | ofInt3 | ofText, "local Int1 := Integer Int3")                              \
  X(inStoreVarRefInteger, ofInt1 | ofInt3 | ofText, "deref local Int1 := Integer Int3")                     \
  X(inStoreVarDouble, ofInt1 | ofReal | ofText, "local Int1 := Double Real")                                \
  X(inStoreVarRefDouble, ofInt1 | ofReal | ofText, "deref local Int1 := Double Real")                       \
  X(inStoreVarString, ofInt1 | ofInt4 | ofText, "local Int1 := first Int4 characters of Text")              \
  X(inStoreVarRefString, ofInt1 | ofInt4 | ofText, "deref local Int1 := first Int4 characters of Text")     \
  X(inStoreVarConst, ofInt1 | ofByte1 | ofText, "local Int1 := constant Byte1 (as inPushConst)")            \
  X(inStoreVarRefConst, ofInt1 | ofByte1 | ofText, "deref local Int1 := constant Byte1")                    \
  X(inCopyVar, ofInt1 | ofInt3 | ofText, "local Int3 := deref local Int1")                                  \
  X(inCopyVarRef, ofInt1 | ofInt3 | ofText, "deref local Int3 := deref local Int1")                         \
  X(inStoreInput, ofInt1, "local Int1 := next input argument (not emitted)")                                \
  X(inPushVar, ofInt1 | ofText, "push deref local Int1")                                                    \
  X(inPushIdxVar, ofInt1 | ofByte1 | ofText, "pop Byte1 indexes; push that element of deref local Int1")    \
  X(inPushVarByRef, ofInt1 | ofText, "push a reference to deref local Int1")                                \
  X(inVarTest, ofInt1 | ofByte1 | ofInt3,                                                                   \
    "compare local Int3 with top, pop; jump to Int1 when (equal) = (Byte1 = 1)")                            \
  X(inVarTestInteger, ofInt1 | ofByte1 | ofInt3 | ofInt4,                                                   \
    "as inVarTest against Integer Int4, nothing popped")                                                    \
  X(inVarTestDouble, ofInt1 | ofByte1 | ofInt2 | ofReal,                                                    \
    "as inVarTest of local Int2 against Real, nothing popped")                                              \
  X(inVarTestString, ofInt1 | ofByte1 | ofInt3 | ofInt4 | ofText,                                           \
    "as inVarTest against the first Int4 characters of Text")                                               \
  X(inVarTestVar, ofInt1 | ofByte1 | ofInt3 | ofInt4, "as inVarTest comparing local Int4 with local Int3")  \
  X(inStoreGlobalVar, ofInt1 | ofText, "pop into global Int1")                                              \
  X(inStoreGlobalIdxVar, ofInt1 | ofByte1 | ofText, "as inStoreIdxVar on global Int1")                      \
  X(inPushGlobalVar, ofInt1 | ofText, "push deref global Int1")                                             \
  X(inPushGlobalIdxVar, ofInt1 | ofByte1 | ofText, "as inPushIdxVar on global Int1")                        \
  X(inPushGlobalVarByRef, ofInt1 | ofText, "push a reference to deref global Int1")                         \
  X(inCall, ofInt1 | ofByte1 | ofText, "run the routine at Int1 with Byte1 arguments, then drop them")      \
  X(inRet, ofNone, "end the routine")                                                                       \
  X(inExecFun, ofNone, "obsolete user function (not emitted)")                                              \
  X(inCallProc, ofInt1 | ofByte1 | ofByte2 | ofInt2 | ofInt4 | ofText,                                      \
    "host call of member Int4 named Text: Int1 default instance or -1 (object below the arguments), "       \
    "Byte1 arguments (255 property write), Byte2 1 = call, Int2 indexes")                                   \
  X(inTryFinally, ofInt1 | ofInt3, "protected part up to Int1, then the handler part up to Int3")           \
  X(inTryExcept, ofInt1 | ofInt3, "protected part up to Int1; on an exception the part up to Int3")         \
  X(inCallClassProc, ofInt1 | ofByte1 | ofByte2 | ofInt2 | ofInt4 | ofText,                                 \
    "class-level host call on class Int1 of member Int4 named Text")                                        \
  X(inBreakPoint, ofNone, "debugger breakpoint")                                                            \
  X(inAbort, ofNone, "stop the script silently")                                                            \
  X(inArrayOf, ofInt1, "pop Int1 values; push an array of them in push order")                              \
  X(inCastClass, ofInt1 | ofText, "top must be an object of class Int1 (-1: look up Text); nothing popped") \
  X(inWithObject, ofInt1, "the object in local Int1 is the object operand of the next instruction")         \
  X(inGlobalPrepare, ofInt1, "SP += Int1 (reserves the global slots)")                                      \
  X(inTestIfFalse, ofInt1, "jump to Int1 when top equals False; nothing popped")                            \
  X(inTestIfTrue, ofInt1, "jump to Int1 when top does not equal False; nothing popped")

enum TInstruction : std::uint8_t {
#define VARNHOLT_INSTRUCTION_ENUM(name, fields, meaning) name,
  VARNHOLT_INSTRUCTIONS(VARNHOLT_INSTRUCTION_ENUM)
#undef VARNHOLT_INSTRUCTION_ENUM
      kInstructionCount
};

static_assert(kInstructionCount == 79, "the machine's instruction codes are 0 to 78");

const char* InstructionName(TInstruction op);
std::uint8_t InstructionOperands(TInstruction op);
const char* InstructionMeaning(TInstruction op);

class TatClass;
struct TatObject;
struct TSimplifiedCode;

// Handler of an instruction; the machine fills it when it prepares the code.
using TInstructionHandler = void (*)(TatVirtualMachine&, TSimplifiedCode&);

// One instruction. Real and Int3/Int4 are kept apart (not overlaid) so that no field is ever read
// through the wrong type; nothing depends on them sharing storage.
struct TSimplifiedCode {
  TInstruction Op = inPrepare;
  std::uint8_t Byte1 = 0;
  std::uint8_t Byte2 = 0;
  std::int32_t Int1 = 0;
  std::int32_t Int2 = 0;
  std::int32_t Int3 = 0;
  std::int32_t Int4 = 0;
  double Real = 0.0;
  std::string Text;
  int SourcePos = 0;                // input position of the node that emitted it
  TSimplifiedCode* Next = nullptr;  // the following instruction; none after the last
  // Set by the machine's preparation: the handler, and what the operands refer to.
  TInstructionHandler Handler = nullptr;
  TSimplifiedCode* Target = nullptr;   // jumps, tests, inCall: Int1; try: end of the protected part
  TSimplifiedCode* Target2 = nullptr;  // try: end of the handler part (Int3)
  const std::function<void(TatVirtualMachine&)>* Host = nullptr;  // host calls: the member's handler
  TatClass* Class = nullptr;           // inPushClass, inCastClass, inCallClassProc
  const TatObject* Instance = nullptr;  // inCallProc on a default instance
};

// One instruction as a listing line: index, name and its operands ("12 inJump Int1=20").
std::string DisassembleInstruction(const TSimplifiedCode& code, int index);
// The whole list, one instruction a line, each line ending with '\n'.
std::string Disassemble(const std::vector<TSimplifiedCode>& code);

}  // namespace varnholt
