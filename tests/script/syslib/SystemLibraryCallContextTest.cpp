// SystemLibraryCallContextTest.cpp — the system library's handlers driven through a plain call context,
// without a machine: what they read, what they hand back and what they write through references.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "script/syslib/uSystemLibrary.h"
#include "script/vm/atCallContext.h"
#include "script/vm/atScript.h"

namespace varnholt::test {
namespace {

// A call with fixed arguments; a reference argument points at a value of the test. Reads go through
// the reference like the machine's.
class TRecordedCall : public TatCallContext {
 public:
  explicit TRecordedCall(std::vector<ScriptValue> args) : Args(std::move(args)) {}

  int ArgCount() const override { return static_cast<int>(Args.size()); }
  const ScriptValue& ArgValue(int i) const override { return Args.at(static_cast<std::size_t>(i)).Deref(); }
  std::string ArgString(int i) const override { return ArgValue(i).ToText(); }
  std::int32_t ArgInteger(int i) const override { return ArgValue(i).ToHostInteger(); }
  double ArgFloat(int i) const override { return ArgValue(i).ToHostFloat(); }
  double ArgDateTime(int i) const override { return ArgValue(i).ToHostFloat(); }
  std::uint8_t ArgChar(int i) const override { return ArgValue(i).ToHostChar(); }
  void SetResult(const ScriptValue& value) override { Result = value; }
  void SetArgRef(int i, const ScriptValue& value) override {
    ScriptValue* target = Args.at(static_cast<std::size_t>(i)).RefTarget();
    if (target == nullptr) throw EatRuntimeError("Method expects argument as variable reference");
    *target = value;
  }
  void TrySetArgRef(int i, const ScriptValue& value) override {
    if (ScriptValue* target = Args.at(static_cast<std::size_t>(i)).RefTarget()) *target = value;
  }
  const ScriptValue& CurrentInstanceValue() const override { return instance_; }
  TatClass* CurrentClass() const override { return nullptr; }
  TatObjectTable& Objects() override { return Scripter_.Objects(); }
  const TatLastException& LastException() const override { return Last; }
  TatCustomScripter& Scripter() override { return Scripter_; }

  std::vector<ScriptValue> Args;
  std::optional<ScriptValue> Result;
  TatLastException Last;

 private:
  ScriptValue instance_ = ScriptValue::Null();
  TatPascalScripter Scripter_;
};

TatSystemRoutine::THandler HandlerOf(const std::string& name) {
  for (const TatSystemRoutine& entry : SystemLibraryRoutines())
    if (name == entry.name) return entry.handler;
  return nullptr;
}

TEST(SystemLibraryCallContext, HandlersReadArgumentsAndHandBackResults) {
  struct TCase {
    const char* routine;
    std::vector<ScriptValue> args;
    ScriptValue expected;
  };
  const TCase cases[] = {
      {"UpperCase", {ScriptValue("abc")}, ScriptValue("ABC")},
      {"Copy", {ScriptValue("report"), ScriptValue(2), ScriptValue(3)}, ScriptValue("epo")},
      // Whole floating numbers beyond 32 bits keep every digit.
      {"IntToStr", {ScriptValue(3e10)}, ScriptValue("30000000000")},
      {"Pos", {ScriptValue("p"), ScriptValue("sample")}, ScriptValue(4)},
  };
  TatSystemLibrary library;
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.routine);
    const TatSystemRoutine::THandler handler = HandlerOf(c.routine);
    ASSERT_NE(handler, nullptr);
    TRecordedCall call(c.args);
    handler(library, call);
    ASSERT_TRUE(call.Result.has_value());
    EXPECT_EQ(call.Result->Kind(), c.expected.Kind());
    EXPECT_EQ(call.Result->ToText(), c.expected.ToText());
  }
}

TEST(SystemLibraryCallContext, VariableArgumentsAreWrittenThrough) {
  TatSystemLibrary library;
  ScriptValue counter(41);
  TRecordedCall inc({ScriptValue::Ref(&counter)});
  HandlerOf("Inc")(library, inc);
  EXPECT_EQ(counter.RawInteger(), 42);
  EXPECT_FALSE(inc.Result.has_value());

  // Day 0 of the date count is 30 December 1899.
  ScriptValue year, month, day;
  TRecordedCall decode({ScriptValue::Date(2.0), ScriptValue::Ref(&year), ScriptValue::Ref(&month),
                        ScriptValue::Ref(&day)});
  HandlerOf("DecodeDate")(library, decode);
  EXPECT_EQ(year.ToText() + "-" + month.ToText() + "-" + day.ToText(), "1900-1-1");
}

TEST(SystemLibraryCallContext, TheMachineObjectIsTheContextItself) {
  TatSystemLibrary library;
  TRecordedCall call({});
  HandlerOf("Machine")(library, call);
  ASSERT_TRUE(call.Result.has_value());
  // The machine object is the context itself, so the same call gives the same handle.
  const TatObjectTable::TEntry* entry = call.Objects().Find(call.Result->RawInteger());
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->object, static_cast<void*>(static_cast<TatCallContext*>(&call)));
}

}  // namespace
}  // namespace varnholt::test
