// atRoutineTable.h — how a library binds its routines: one table of entries, each carrying a routine's
// whole binding (name, argument count, result type, by-reference positions and handler), registered in
// one call.
//
// The same table serves both registrations: with the object the handlers run on (a run), and without one
// (a compile-only check, TatHostRegistry::SignaturesOnly), which registers the signatures alone. So what a
// script is checked against cannot drift from what it runs with. The table is checked before anything is
// registered: a wrong table throws EatInternalError naming the routine and leaves the class as it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <unordered_set>
#include <utility>

#include "script/compiler/atRegistry.h"
#include "script/vm/atCallContext.h"

namespace varnholt {

// Bit i of a by-reference mask: argument i is a variable reference.
constexpr std::uint32_t ByRef(int position) {
  return 1u << position;
}

// The entry type of a library that needs nothing beyond the binding itself.
struct TatNoExtra {};

// One routine of a library. The handler runs on the library's owner object (the system library, the host
// context) and reads its arguments from the call. extra is what a library keeps per routine besides
// (the host library: the Proc of the record its routines write first).
template <class TOwner, class TExtra = TatNoExtra>
struct TatRoutineEntry {
  using THandler = void (*)(TOwner& owner, TatCallContext& call);

  const char* name;
  int argCount;
  std::uint8_t resultType;  // TatDataType
  std::uint32_t byRefMask;  // bit i: argument i is by reference (ByRef)
  THandler handler;
  TExtra extra{};
  // The parameters as a script writer reads them in the editor's hints and the help page ("Text: string;
  // N: integer"; "" for none). nullptr keeps the routine out of both: the engine's own hooks that an
  // action script has no use for.
  const char* params = nullptr;
};

// Checks a table entry by entry before it is registered. Throws EatInternalError on the first mistake.
class TatRoutineTableCheck {
 public:
  // A table whose size differs from the count its library declares is refused at once.
  TatRoutineTableCheck(const TatClass& cls, std::size_t declaredCount, std::size_t entryCount);
  // A nameless entry, a name listed twice (letter case aside), a by-reference position beyond the argument
  // count, and an entry without handler when one is required.
  void Entry(const char* name, int argCount, std::uint32_t byRefMask, bool hasHandler, bool handlerRequired);

 private:
  const TatClass& cls_;
  std::unordered_set<std::string> names_;
};

// Registers one routine's signature on cls (overwriting a member of that name) with its handler, which may
// be empty.
TatMethod& RegisterRoutineEntry(TatClass& cls, const char* name, int argCount, std::uint8_t resultType,
                                std::uint32_t byRefMask, THostHandler handler);

// Registers every entry of table on cls (a library's class, or the registry's default class). With an
// owner, each handler is bound to it, and prologue (when given) runs before every handler with the entry
// being called; without one only the signatures are registered. declaredCount is the number of routines the
// library declares: a table of another size, a name listed twice or a missing handler throws
// EatInternalError before anything is registered. Registering the same table again replaces the earlier
// definitions.
template <class TOwner, class TExtra>
void RegisterRoutineTable(TatClass& cls, std::span<const TatRoutineEntry<TOwner, TExtra>> table,
                          std::size_t declaredCount, TOwner* owner,
                          void (*prologue)(TOwner&, const TatRoutineEntry<TOwner, TExtra>&) = nullptr) {
  TatRoutineTableCheck check(cls, declaredCount, table.size());
  for (const auto& entry : table) {
    check.Entry(entry.name, entry.argCount, entry.byRefMask, entry.handler != nullptr, owner != nullptr);
  }
  for (const auto& entry : table) {
    THostHandler handler;
    if (owner != nullptr) {
      // A copy of the entry: the call must not depend on where the table lives.
      handler = BindCall([owner, entry, prologue](TatCallContext& call) {
        if (prologue != nullptr) prologue(*owner, entry);
        entry.handler(*owner, call);
      });
    }
    RegisterRoutineEntry(cls, entry.name, entry.argCount, entry.resultType, entry.byRefMask,
                         std::move(handler));
  }
}

}  // namespace varnholt
