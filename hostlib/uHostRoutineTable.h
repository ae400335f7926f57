// uHostRoutineTable.h — the host routines and named constants that action scripts see besides the
// engine's own routines: one table of name, argument count, result kind, log name and handler.
#pragma once

#include <span>

#include "hostlib/uHostContext.h"
#include "script/compiler/atRegistry.h"
#include "script/syslib/uSystemLibrary_Table.h"
#include "script/vm/atScript.h"

namespace varnholt {

using THostRoutineHandler = void (*)(TatVirtualMachine& vm, THostContext& host);

struct THostRoutine {
  const char* name;
  int argCount;
  std::uint8_t resultType;  // dtNone, dtInteger or dtText
  // The Proc of the record the handler writes first: nullptr for "s_" + name, "" for no record.
  const char* procName;
  THostRoutineHandler handler;
};

// The 74 host routines.
std::span<const THostRoutine> HostRoutineTable();
// The 74 host routines as signatures (for the compile-only check).
std::span<const TatRoutineSignature> HostRoutines();
// The 4 named constants (NewLine, ComputerName, UserName, PaperPrinter).
std::span<const char* const> HostConstants();

// Registers the table on the registry's default class with unbound handlers and the constants as
// read-only values (empty texts, NewLine a LF): enough to compile action scripts.
void RegisterHostRoutineSignatures(TatHostRegistry& registry);

// Registers every host routine and constant with the scripter, bound to host; writes the Prc record
// "DefineScriptFunction" first. Registering again replaces the earlier definitions, so it runs before
// every execution and the constants carry the values of that moment.
void DefineScriptFunction(TatCustomScripter& scripter, THostContext& host);

}  // namespace varnholt
