// atRoutineTable.cpp — the checks a routine table passes before it is registered, and the registration of
// one entry's signature.
#include "script/vm/atRoutineTable.h"

#include <vector>

#include "script/compiler/atScript_Errors.h"

namespace varnholt {

TatRoutineTableCheck::TatRoutineTableCheck(const TatClass& cls, std::size_t declaredCount,
                                           std::size_t entryCount)
    : cls_(cls) {
  if (entryCount != declaredCount) {
    throw EatInternalError("The routine table of class '" + cls.Name() + "' has " +
                           std::to_string(entryCount) + " entries, but " + std::to_string(declaredCount) +
                           " routines are declared");
  }
}

void TatRoutineTableCheck::Entry(const char* name, int argCount, std::uint32_t byRefMask, bool hasHandler,
                                 bool handlerRequired) {
  const std::string where = " in the routine table of class '" + cls_.Name() + "'";
  if (name == nullptr || *name == '\0') {
    throw EatInternalError("A routine without a name" + where);
  }
  if (!names_.insert(NameKey(name)).second) {
    throw EatInternalError("Routine '" + std::string(name) + "' is listed twice" + where);
  }
  // Bits at or beyond the argument count would mark positions no call has.
  if (argCount < 0 || argCount > 32 || (argCount < 32 && (byRefMask >> argCount) != 0)) {
    throw EatInternalError("Routine '" + std::string(name) +
                           "' has a by-reference position at or beyond its argument count " +
                           std::to_string(argCount) + where);
  }
  if (handlerRequired && !hasHandler) {
    throw EatInternalError("Routine '" + std::string(name) + "' has no handler" + where);
  }
}

TatMethod& RegisterRoutineEntry(TatClass& cls, const char* name, int argCount, std::uint8_t resultType,
                                std::uint32_t byRefMask, THostHandler handler) {
  TatMethod& method = cls.RegisterRoutine(name, argCount, resultType, nullptr, std::move(handler));
  if (byRefMask != 0) {
    std::vector<int> positions;
    for (int i = 0; i < 32; ++i) {
      if (byRefMask & (1u << i)) positions.push_back(i);
    }
    method.SetVarArgs(positions);
  }
  return method;
}

}  // namespace varnholt
