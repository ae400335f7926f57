// RoutineTableTest.cpp — registering a library's routine table: bound to an owner, as signatures alone,
// and refused as a whole when the table is not what the library declares.
#include "script/vm/atRoutineTable.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "script/vm/atScript.h"

namespace varnholt::test {
namespace {

struct TOwner {
  std::vector<std::string> calls;
};
using TEntry = TatRoutineEntry<TOwner, const char*>;

void Twice(TOwner& owner, TatCallContext& call) {
  owner.calls.push_back("Twice");
  call.SetResult(ScriptValue(call.ArgInteger(0) * 2));
}
void Swap(TOwner&, TatCallContext& call) {
  const ScriptValue first = call.ArgValue(0);
  call.SetArgRef(0, call.ArgValue(1));
  call.SetArgRef(1, first);
}
void Before(TOwner& owner, const TEntry& entry) {
  owner.calls.push_back(std::string("before ") + entry.name + " " + entry.extra);
}

const TEntry kTable[] = {
    {"Twice", 1, dtInteger, 0, Twice, "t"},
    {"Swap", 2, dtNone, ByRef(0) | ByRef(1), Swap, "s"},
};

TEST(RoutineTable, BindsEveryEntryToItsOwnerWithThePrologueFirst) {
  TatPascalScripter scripter;
  TOwner owner;
  RegisterRoutineTable<TOwner, const char*>(scripter.Registry().DefaultClass(), kTable, 2, &owner, Before);
  // A host registers its table before every run: the second time replaces the first.
  RegisterRoutineTable<TOwner, const char*>(scripter.Registry().DefaultClass(), kTable, 2, &owner, Before);
  scripter.SetSourceText("a := 1; b := 2; Swap(a, b); Result := Twice(a) * 10 + b");
  EXPECT_EQ(scripter.RunScript().ToInteger(), 41);
  EXPECT_EQ(owner.calls, (std::vector<std::string>{"before Swap s", "before Twice t", "Twice"}));
  EXPECT_EQ(scripter.Registry().DefaultClass().FindMethod("Swap")->ByRefArgMask, 3u);
}

TEST(RoutineTable, WithoutAnOwnerRegistersTheSignaturesAlone) {
  TatHostRegistry registry(false);
  registry.SignaturesOnly = true;
  // The compile-only check needs no handler.
  const TEntry table[] = {{"Twice", 1, dtInteger, 0, nullptr}, {"Swap", 2, dtNone, ByRef(1), Swap}};
  RegisterRoutineTable<TOwner, const char*>(registry.DefaultClass(), table, 2, nullptr);
  const TatMethod* twice = registry.DefaultClass().FindMethod("twice");
  ASSERT_NE(twice, nullptr);
  EXPECT_EQ(twice->ArgCount, 1);
  EXPECT_EQ(twice->ResultDataType, dtInteger);
  EXPECT_FALSE(twice->Handler);
  const TatMethod* swap = registry.DefaultClass().FindMethod("Swap");
  ASSERT_NE(swap, nullptr);
  EXPECT_EQ(swap->ByRefArgMask, 2u);
  EXPECT_FALSE(swap->Handler);
}

TEST(RoutineTable, AWrongTableIsRefusedAndRegistersNothing) {
  struct TCase {
    const char* what;
    std::vector<TEntry> table;
    std::size_t declared;
    bool withOwner;
    std::string message;
  };
  const std::string in = " in the routine table of class 'TatInternalObject'";
  const TCase cases[] = {
      {"one name twice, whatever its letter case",
       {{"Twice", 1, dtInteger, 0, Twice}, {"Swap", 2, dtNone, 0, Swap}, {"TWICE", 1, dtInteger, 0, Twice}},
       3,
       true,
       "Routine 'TWICE' is listed twice" + in},
      {"twice without an owner too",
       {{"Twice", 1, dtInteger, 0, nullptr}, {"twice", 1, dtInteger, 0, nullptr}},
       2,
       false,
       "Routine 'twice' is listed twice" + in},
      {"an entry without handler",
       {{"Twice", 1, dtInteger, 0, Twice}, {"Swap", 2, dtNone, 0, nullptr}},
       2,
       true,
       "Routine 'Swap' has no handler" + in},
      {"fewer entries than declared",
       {{"Twice", 1, dtInteger, 0, Twice}},
       2,
       true,
       "The routine table of class 'TatInternalObject' has 1 entries, but 2 routines are declared"},
      {"a by-reference position the routine does not have",
       {{"Twice", 1, dtInteger, 0, Twice}, {"Swap", 1, dtNone, ByRef(1), Swap}},
       2,
       true,
       "Routine 'Swap' has a by-reference position at or beyond its argument count 1" + in},
      {"an entry without name",
       {{"Twice", 1, dtInteger, 0, Twice}, {"", 0, dtNone, 0, Swap}},
       2,
       true,
       "A routine without a name" + in},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    TatHostRegistry registry(false);
    TatClass& cls = registry.DefaultClass();
    const int before = cls.MethodCount();
    TOwner owner;
    try {
      RegisterRoutineTable<TOwner, const char*>(cls, c.table, c.declared, c.withOwner ? &owner : nullptr);
      ADD_FAILURE() << "registered";
    } catch (const EatInternalError& e) {
      EXPECT_EQ(e.Message(), c.message);
      EXPECT_EQ(std::string(e.what()), "INTERNAL ERROR\r\n" + c.message);
    }
    EXPECT_EQ(cls.MethodCount(), before);
    EXPECT_EQ(cls.FindMethod("Twice"), nullptr);
  }
}

}  // namespace
}  // namespace varnholt::test
