// uHostRoutineTable.h — the host routines and named constants that action scripts see besides the
// engine's own routines: one table of name, argument count, result kind, log name and handler.
#pragma once

#include <cstddef>
#include <span>
#include <string>

#include "hostlib/uHostContext.h"
#include "script/compiler/atRegistry.h"
#include "script/vm/atRoutineTable.h"
#include "script/vm/atScript.h"

namespace varnholt {

// One host routine: its signature, the handler that runs on the host context, and as its extra the Proc of
// the record the handler writes first (nullptr: "s_" + name; "": no record).
using THostRoutine = TatRoutineEntry<THostContext, const char*>;

// A named constant: the value a compile-only check registers, and the function that gives its value at the
// moment DefineScriptFunction registers it for a run.
struct THostConstant {
  const char* name;
  const char* compileValue;
  std::string (*value)(THostContext& host);
};

inline constexpr std::size_t kHostRoutineCount = 75;
inline constexpr std::size_t kHostConstantCount = 4;

// The 75 host routines.
std::span<const THostRoutine> HostRoutineTable();
// The 4 named constants (NewLine, ComputerName, UserName, PaperPrinter).
std::span<const THostConstant> HostConstants();

// Registers the table on the registry's default class with unbound handlers and the constants as
// read-only values with their compile-time values (empty texts, NewLine a LF): enough to compile action
// scripts. Throws EatInternalError when the table is not the one declared (see atRoutineTable.h).
void RegisterHostRoutineSignatures(TatHostRegistry& registry);

// Registers every host routine and constant with the scripter, bound to host; writes the Prc record
// "DefineScriptFunction" first. Registering again replaces the earlier definitions, so it runs before
// every execution and the constants carry the values of that moment.
void DefineScriptFunction(TatCustomScripter& scripter, THostContext& host);

}  // namespace varnholt
