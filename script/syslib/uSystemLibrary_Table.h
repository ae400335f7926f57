// uSystemLibrary_Table.h — the signatures of the system library's routines (name, argument count,
// result type, by-reference positions), so that scripts can be compiled against them before the
// routines' handlers are bound.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "script/compiler/atRegistry.h"

namespace varnholt {

struct TatRoutineSignature {
  const char* name;
  int argCount;
  std::uint8_t resultType;  // TatDataType
  std::uint32_t byRefMask;  // bit i: argument i is by reference
};

// The 90 routines of the system library.
std::span<const TatRoutineSignature> SystemLibraryRoutines();
// Its three read-only values (LastExceptionMessage, ...) with their data types.
std::span<const TatRoutineSignature> SystemLibraryValues();

// Registers signatures on a class entry; handlers stay unbound.
void RegisterSignatures(TatClass& cls, std::span<const TatRoutineSignature> routines);

}  // namespace varnholt
