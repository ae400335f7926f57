// uHostRoutineTable.h — the host routines and named constants that action scripts see besides the
// engine's own routines: names, argument counts and result kinds, as one table.
#pragma once

#include <span>

#include "script/compiler/atRegistry.h"
#include "script/syslib/uSystemLibrary_Table.h"

namespace varnholt {

// The 74 host routines (result kinds 0 none, 1 integer, 5 text; no by-reference arguments).
std::span<const TatRoutineSignature> HostRoutines();
// The 4 named constants (NewLine, ComputerName, UserName, PaperPrinter).
std::span<const char* const> HostConstants();

// Registers the table on the registry's default class with unbound handlers and the constants as
// read-only values (empty texts, NewLine a LF): enough to compile action scripts.
void RegisterHostRoutineSignatures(TatHostRegistry& registry);

}  // namespace varnholt
