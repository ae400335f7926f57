// atPascal_Compiler.h — the compiler behind TatPascalScript (internal to the script library).
//
// The compiler has no syntax tree of its own: its handlers run while the parser walks the parse tree,
// on entering and leaving the nodes of the nonterminals they are attached to, and emit instructions as
// they go. A handler finds its context through the node (its parent, siblings and children); what one
// handler leaves for another (a construct's running number, the class context of a member chain, the
// by-reference mask of an argument list) is kept per node in nodeInfo_.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "script/compiler/atPascal.h"

namespace varnholt {

// Nonterminal indexes: the line numbers of the grammar (checked against the names at start-up).
enum TPascalNonTerminal : int {
  ntProgram,
  ntGlobalDecl,
  ntMain,
  ntLibraries,
  ntUses,
  ntImports,
  ntSubroutine,
  ntCallingConvention,
  ntExternal,
  ntFilename,
  ntForward,
  ntProcedure,
  ntFunction,
  ntInputArgs,
  ntByRef,
  ntByVal,
  ntConstDecl,
  ntConstExpr,
  ntConstName,
  ntVarDecl,
  ntVarList,
  ntVarName,
  ntVarType,
  ntStatement,
  ntBlock,
  ntCall,
  ntCallCode,
  ntCallPtr,
  ntCallPtrCode,
  ntDataVal,
  ntDataValCode,
  ntDataRef,
  ntDataRefCode,
  ntArgList,
  ntIndexing,
  ntAssign,
  ntPushOutput,
  ntFor,
  ntForControl,
  ntForDowntoControl,
  ntStep,
  ntWhile,
  ntWhileControl,
  ntRepeat,
  ntUntil,
  ntIf,
  ntThen,
  ntElse,
  ntExpression,
  ntOperator,
  ntUnary,
  ntLabel,
  ntId,
  ntReal,
  ntHex,
  ntFrac,
  ntExp,
  ntString,
  ntVector,
  ntTry,
  ntFinally,
  ntExcept,
  ntTryStatements,
  ntTryUpshot,
  ntCase,
  ntCaseExpr,
  ntCaseBranch,
  ntCaseTest,
  ntCaseMatch,
  ntWith,
  ntWithObj,
  ntAsClass,
  kPascalNonTerminalCount
};

// The production names of the grammar by nonterminal index, as written between < and >.
extern const char* const kPascalNonTerminalNames[kPascalNonTerminalCount];

// The handlers are bound by a production's line in the grammar: raises EatInternalError naming the
// first production whose line is not the one its handlers are bound to, so an edit of the grammar that
// moves, drops or adds a line stops every compiler at start-up instead of rebinding its handlers.
void CheckNonTerminalBinding(const TatSyntaxParser& parser);

// A compile error on its way out of the walk: message and input position (-1: no position).
struct TCompileFailure {
  std::string message;
  int position;
};

class TatPascalCompiler {
 public:
  explicit TatPascalCompiler(TatPascalScript& script);

  // Attaches the handlers to the parser's nonterminals.
  void Bind();
  // Walks the tree of the last successful parse; raises TCompileFailure on the first error.
  void Run();
  void Reset();

  // Identifier-like text of a node with any comment inside removed.
  std::string WordText(const TNoTerminalNode& node) const;

 private:
  // Class context left by the part of a name chain just compiled.
  struct TClassContext {
    enum TKind { ckNone, ckUnknown, ckKnown };
    TKind kind = ckNone;
    TatClass* cls = nullptr;
    bool isClassRef = false;
  };
  struct TNodeInfo {
    int number = 0;                  // running number of the construct (if, for, case, ...)
    int branch = 0;                  // case branch depth
    int instr = -1;                  // an instruction to patch (try)
    double step = 1.0;               // for: the step
    TatVariableInfo* var = nullptr;  // for: loop variable; case: the hidden case variable
    TatVariableInfo* stop = nullptr;
    TClassContext ctx;            // name parts: context after this part
    std::uint32_t byRefMask = 0;  // arg_list: arguments passed by reference
  };
  struct TPendingOp {
    TInstruction op;
    int precedence;  // -1 marks the start of an expression
    int number;      // short-circuit label number, 0 when none
  };
  struct TLabelSpec {
    std::string name;
    int index = -1;
    std::vector<int> pending;
  };
  struct TLoop {
    int kind;  // ntFor, ntWhile, ntRepeat
    int number;
  };
  // A routine a call can reach: declared already, or declared further down the source.
  struct TCallTarget {
    std::string name;
    int argCount = 0;
    std::uint32_t byRefMask = 0;
  };
  enum TUse { useValue, useTarget, useCall };
  struct TNameUse {
    TNoTerminalNode* part = nullptr;
    TNoTerminalNode* argList = nullptr;
    TNoTerminalNode* indexing = nullptr;
    std::string name;
    TUse use = useValue;
    bool hasArgs = false;
    int n = 0;
    int k = 0;
    bool isMember = false;
    bool memberFollows = false;
    TClassContext prev;
    bool wantsValue() const { return use == useValue || memberFollows; }
    bool isTarget() const { return use == useTarget && !memberFollows; }
    bool isCall() const { return use == useCall && !memberFollows; }
  };

  [[noreturn]] void Fail(const std::string& message) const;
  [[noreturn]] void FailAt(const std::string& message, int position) const;
  TNodeInfo& Info(const TNoTerminalNode& node);

  int Emit(TInstruction op);
  TSimplifiedCode& Last() { return code_.back(); }
  bool CanFuse() const;
  TLabelSpec& Label(const std::string& name);
  void DefineLabel(const std::string& name);
  void UseLabel(int instr, const std::string& name);

  // Declarations and routines
  void CollectRoutines();
  TatVariableInfo& Declare(const std::string& name, TatArgumentModifier modifier, const TNoTerminalNode* type,
                           int position);
  TatVariableInfo& DeclareHidden(const std::string& name);
  TatVariableInfo* FindVariable(const std::string& name) const;
  void SetType(TatVariableInfo& v, const std::string& typeName);
  void EndRoutine(TatRoutineInfo& routine);
  void StoreVar(TatVariableInfo& v, bool fuse);
  void PushVar(const TatVariableInfo& v);
  int SlotOf(const TatVariableInfo& v) const;

  // Names
  void ResolveName(TNoTerminalNode& codeNode, TUse use);
  bool TryResolve(TNameUse& u);
  void EmitVariable(TNameUse& u, TatVariableInfo& v);
  void EmitRoutineCall(TNameUse& u, const TCallTarget& target);
  void EmitProperty(TNameUse& u, TatProperty& p, TatClass& cls, int instance, bool classRef);
  void EmitMethod(TNameUse& u, TatMethod& m, TatClass& cls, int instance, bool classRef);
  void EmitLateBound(TNameUse& u);
  bool EmitFixedWord(TNameUse& u);
  void CheckByRef(const TNameUse& u, std::uint32_t required, const char* message);
  bool FindCallTarget(const std::string& name, TCallTarget& target) const;
  TClassContext ContextOfType(std::uint8_t dataType, TatClass* cls) const;
  static TNoTerminalNode* LastPart(TNoTerminalNode* part);

  // Statements and expressions
  void EmitPendingOp(const TPendingOp& op);
  void EmitVarTest(int sense, const std::string& label, TatVariableInfo& caseVar);
  std::string DecodeString(const TNoTerminalNode& node) const;
  int LoopIndex(int kind) const;

  // Handlers
  void EnterGlobalDecl(TNoTerminalNode& n);
  void EnterMain(TNoTerminalNode& n);
  void LeaveMain(TNoTerminalNode& n);
  void LeaveUses(TNoTerminalNode& n, bool makeGlobal);
  void EnterSubroutine(TNoTerminalNode& n);
  void LeaveSubroutine(TNoTerminalNode& n);
  void LeaveExternal(TNoTerminalNode& n);
  void LeaveInputArgs(TNoTerminalNode& n);
  void LeaveConstExpr(TNoTerminalNode& n);
  void LeaveVarDecl(TNoTerminalNode& n);
  void EnterIndexing(TNoTerminalNode& n);
  void EnterFor(TNoTerminalNode& n);
  void LeaveFor(TNoTerminalNode& n);
  void LeaveForControl(TNoTerminalNode& n);
  void EnterWhile(TNoTerminalNode& n);
  void LeaveWhile(TNoTerminalNode& n);
  void LeaveWhileControl(TNoTerminalNode& n);
  void EnterRepeat(TNoTerminalNode& n);
  void EnterUntil(TNoTerminalNode& n);
  void LeaveUntil(TNoTerminalNode& n);
  void EnterIf(TNoTerminalNode& n);
  void LeaveIf(TNoTerminalNode& n);
  void EnterThen(TNoTerminalNode& n);
  void LeaveThen(TNoTerminalNode& n);
  void EnterExpression(TNoTerminalNode& n);
  void LeaveExpression(TNoTerminalNode& n);
  void LeaveOperator(TNoTerminalNode& n);
  void LeaveUnary(TNoTerminalNode& n);
  void LeaveLabel(TNoTerminalNode& n);
  void LeaveReal(TNoTerminalNode& n);
  void LeaveHex(TNoTerminalNode& n);
  void LeaveString(TNoTerminalNode& n);
  void LeaveVector(TNoTerminalNode& n);
  void EnterTry(TNoTerminalNode& n);
  void LeaveTryStatements(TNoTerminalNode& n);
  void LeaveTryUpshot(TNoTerminalNode& n);
  void EnterCase(TNoTerminalNode& n);
  void LeaveCase(TNoTerminalNode& n);
  void LeaveCaseExpr(TNoTerminalNode& n);
  void EnterCaseBranch(TNoTerminalNode& n);
  void LeaveCaseTest(TNoTerminalNode& n);
  void EnterCaseMatch(TNoTerminalNode& n);
  void LeaveCaseMatch(TNoTerminalNode& n);
  void LeaveWithObj(TNoTerminalNode& n);
  void LeaveWith(TNoTerminalNode& n);
  void LeaveAsClass(TNoTerminalNode& n);

  TatPascalScript& script_;
  TatSyntaxParser& parser_;
  TatHostRegistry& registry_;
  std::vector<TSimplifiedCode>& code_;
  TatScriptInfo& info_;

  std::vector<TNodeInfo> nodeInfo_;
  std::vector<TLabelSpec> labels_;
  std::unordered_map<std::string, int> labelIndex_;
  std::unordered_map<std::string, TCallTarget> laterRoutines_;
  std::vector<TPendingOp> pendingOps_;
  std::vector<TLoop> loops_;
  std::vector<TatVariableInfo*> withVars_;
  TatRoutineInfo* routine_ = nullptr;
  int globalPrepare_ = -1;
  bool mainJumpEmitted_ = false;
  bool declaringConst_ = false;
  size_t lastLabelTarget_ = static_cast<size_t>(-1);
  int ifCount_ = 0, forCount_ = 0, whileCount_ = 0, repeatCount_ = 0, caseCount_ = 0, operCount_ = 0,
      withCount_ = 0;
};

}  // namespace varnholt
