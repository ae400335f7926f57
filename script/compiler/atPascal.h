// atPascal.h — TatPascalScript: the Pascal-dialect script. It loads the language's grammar into a
// TatSyntaxParser, parses the source, and compiles it by walking the parse tree with handlers attached
// to the grammar's nonterminals, emitting instructions and filling the symbol table (TatScriptInfo).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "script/compiler/atScript_Errors.h"
#include "script/compiler/atInstructions.h"
#include "script/compiler/atParser.h"
#include "script/compiler/atRegistry.h"

namespace varnholt {

enum TatArgumentModifier { moNone, moConst, moVar };
enum TatCallingConvention { ccRegister, ccPascal, ccCDecl, ccStdCall, ccSafeCall };

class TatRoutineInfo;

class TatVariableInfo {
 public:
  std::string VarName;
  int DeclarationSourcePos = 0;
  int ArgIndex = -1;
  TatArgumentModifier Modifier = moNone;
  bool Global = false;
  std::string DeclaredClassName;
  std::string TypeDecl;
  int SystemType = -1;
  int Index = 0;                      // position in Variables (routine) or Globals
  TatRoutineInfo* Routine = nullptr;  // none for globals
};

// Variables by declaration order with a case-insensitive index.
class TatVariablesInfo {
 public:
  TatVariableInfo& Add(std::string_view name);
  TatVariableInfo* Find(std::string_view name) const;
  int Count() const { return static_cast<int>(items_.size()); }
  TatVariableInfo& operator[](int i) const { return *items_.at(static_cast<size_t>(i)); }
  void Clear();

 private:
  std::vector<std::unique_ptr<TatVariableInfo>> items_;
  std::unordered_map<std::string, int> index_;
};

class TatRoutineInfo {
 public:
  std::string Name;
  TatVariablesInfo Variables;  // parameters, then Result for functions, then locals
  bool IsFunction = false;
  int ArgCount = 0;
  std::uint32_t ByRefArgMask = 0;
  int ResultIndex = -1;  // slot of Result
  TatCallingConvention CallingConvention = ccRegister;
  std::string ExternalDll;
  std::string ExternalName;
  std::string ResultTypeDecl;
  int EntryIndex = -1;                  // index of its inPrepare; -1 for a declaration without body
  TatRoutineInfo* Prototype = nullptr;  // the earlier forward declaration, if any
  int Index = 0;                        // position in Routines
  bool HasBody = false;

  // Slot of a variable relative to the frame base: parameters negative, Result and locals from 0.
  int SlotOf(const TatVariableInfo& v) const { return v.Index - ArgCount; }
  int LocalCount() const { return Variables.Count() - ArgCount; }
};

class TatScriptInfo {
 public:
  TatRoutineInfo& AddRoutine(std::string_view name);
  TatRoutineInfo* FindRoutine(std::string_view name) const;
  void RenameRoutine(TatRoutineInfo& routine, std::string newName);
  int RoutineCount() const { return static_cast<int>(routines_.size()); }
  TatRoutineInfo& Routine(int i) const { return *routines_.at(static_cast<size_t>(i)); }
  TatRoutineInfo* MainRoutine() const { return FindRoutine(MainRoutineName); }
  TatVariablesInfo& Globals() { return globals_; }
  const TatVariablesInfo& Globals() const { return globals_; }
  void Clear();

  std::string MainRoutineName;
  int InstructionCount = 0;

 private:
  std::vector<std::unique_ptr<TatRoutineInfo>> routines_;
  std::unordered_map<std::string, int> index_;
  TatVariablesInfo globals_;
};

// What the compiler knows about a name it could not resolve, for OnUnknownElement.
struct TElementContext {
  enum TKind { ekValue, ekAssignTarget, ekStatementCall };
  std::string name;
  bool hasArgList = false;
  bool isMember = false;
  bool memberFollows = false;
  TKind kind = ekValue;
  int argCount = 0;
  int indexCount = 0;
};

struct TatCompileOptions {
  bool ShortBooleanEval = false;
  bool RequireDeclarations = false;
  // Returns true when it registered something that resolves the name; resolution is then retried once.
  std::function<bool(const TElementContext&)> OnUnknownElement;
};

struct TatUsedUnit {
  std::string name;
  bool makeGlobal = false;
};

class TatPascalCompiler;

class TatPascalScript {
 public:
  explicit TatPascalScript(TatHostRegistry& registry);
  ~TatPascalScript();
  TatPascalScript(const TatPascalScript&) = delete;
  TatPascalScript& operator=(const TatPascalScript&) = delete;

  // The 72 productions of the language, one a line, in nonterminal order.
  static const std::string& GrammarText();

  void SetSourceCode(std::vector<std::string> lines);
  // Splits at CR LF, LF or CR.
  void SetSourceText(std::string_view text);
  const std::vector<std::string>& SourceCode() const { return source_; }

  // Compiles the source; raises EatCompileError (message, row, column) on the first error.
  void CompileScript();
  bool Compiled() const { return compiled_; }
  void SetCompiled(bool value);
  void Clear();

  const std::vector<TSimplifiedCode>& Code() const { return code_; }
  std::vector<TSimplifiedCode>& Code() { return code_; }
  const TatScriptInfo& ScriptInfo() const { return info_; }
  const std::vector<TatUsedUnit>& UsedUnits() const { return usedUnits_; }
  TatHostRegistry& Registry() { return registry_; }
  TatSyntaxParser& Parser() { return parser_; }

  TatCompileOptions Options;
  // Set by the virtual machine while a top-level run is active.
  bool Running = false;

 private:
  friend class TatPascalCompiler;
  void ClearCompiled();

  TatHostRegistry& registry_;
  TatSyntaxParser parser_;
  std::vector<std::string> source_;
  std::vector<TSimplifiedCode> code_;
  TatScriptInfo info_;
  std::vector<TatUsedUnit> usedUnits_;
  bool compiled_ = false;
  std::unique_ptr<TatPascalCompiler> compiler_;
};

// The SystemType code of a declared type name ("integer" 0, "string" 11, ...); a registered host class
// gives 7, anything else -1.
int SystemTypeOf(std::string_view typeName, const TatHostRegistry& registry);

// The text of a script file's bytes as the engine reads it (Windows-1252): a UTF-8 byte-order mark is
// dropped, and a file that is valid UTF-8 with non-ASCII bytes is converted. Every loader of script
// files goes through this, so a script saved by a UTF-8 editor compiles like any other.
std::string ScriptTextFromFile(std::string_view bytes);

}  // namespace varnholt
