// uSystemLibrary.cpp — the system library object: its routine table assembled from the topics, the
// read-only exception values, TObject, and the routines that reach the user and the engine itself.
#include "script/syslib/uSystemLibrary.h"

#include <cmath>
#include <mutex>
#include <vector>

#include "script/vm/atScript.h"
#include "script/syslib/uSystemLibrary_Bind.h"
#include "script/syslib/uSystemLibrary_Files.h"

namespace varnholt {

namespace syslib {

std::int64_t ArgInt64(const TatCallContext& vm, int i) {
  const ScriptValue& v = vm.ArgValue(i);
  double real = 0.0;
  switch (v.Kind()) {
    case TValueKind::Double:
    case TValueKind::Date:
      real = v.RawDouble();
      break;
    case TValueKind::Single:
      real = v.RawSingle();
      break;
    case TValueKind::Currency:
      real = static_cast<double>(v.RawCurrency()) / 10000.0;
      break;
    default:
      return vm.ArgInteger(i);
  }
  const double rounded = RoundHalfEven(real);
  // 2^63 itself does not fit; anything not finite or out of range keeps the host rule.
  if (std::isfinite(rounded) && std::fabs(rounded) < 9.2233720368547758e18)
    return static_cast<std::int64_t>(rounded);
  return vm.ArgInteger(i);
}

ScriptValue IntegerResult(std::int64_t value) {
  if (value >= INT32_MIN && value <= INT32_MAX) return ScriptValue(static_cast<std::int32_t>(value));
  return ScriptValue(static_cast<double>(value));
}

}  // namespace syslib

namespace {

using syslib::IntegerResult;

[[noreturn]] void Fail(const std::string& message) {
  throw rtl::ERtlError(message);
}

const TatSystemRoutine kEngineRoutines[] = {
    {"CreateOleObject",
     1,
     dtAny,
     0,
     [](TatSystemLibrary&, TatCallContext& vm) {
       Fail("CreateOleObject('" + vm.ArgString(0) +
            "'): automation objects are not available on this platform");
     },
     {},
     "ClassName: string"},
    {"GetActiveOleObject",
     1,
     dtAny,
     0,
     [](TatSystemLibrary&, TatCallContext& vm) {
       Fail("GetActiveOleObject('" + vm.ArgString(0) +
            "'): automation objects are not available on this platform");
     },
     {},
     "ClassName: string"},
    {"Machine",
     0,
     dtObject,
     0,
     [](TatSystemLibrary& lib, TatCallContext& vm) {
       vm.SetResult(ScriptValue(vm.Objects().Handle(&vm, lib.MachineClass())));
     },
     {},
     nullptr},
    {"Scripter",
     0,
     dtObject,
     0,
     [](TatSystemLibrary& lib, TatCallContext& vm) {
       vm.SetResult(ScriptValue(vm.Objects().Handle(&vm.Scripter(), lib.ScripterClass())));
     },
     {},
     nullptr},
    {"Beep",
     0,
     dtNone,
     0,
     [](TatSystemLibrary& lib, TatCallContext&) { lib.UserInteraction().Beep(); },
     {},
     ""},
    {"ShowMessage",
     1,
     dtNone,
     0,
     [](TatSystemLibrary& lib, TatCallContext& vm) { lib.UserInteraction().ShowMessage(vm.ArgString(0)); },
     {},
     "Text: string"},
    {"InputQuery",
     3,
     dtInteger,
     ByRef(2),
     [](TatSystemLibrary& lib, TatCallContext& vm) {
       std::string value = vm.ArgString(2);
       const bool confirmed = lib.UserInteraction().InputQuery(vm.ArgString(0), vm.ArgString(1), value);
       if (confirmed) vm.SetArgRef(2, ScriptValue(value));
       vm.SetResult(ScriptValue(confirmed));
     },
     {},
     "Caption, Prompt: string; var Value: string"},
    {"Raise",
     1,
     dtNone,
     0,
     [](TatSystemLibrary&, TatCallContext& vm) { throw EatRuntimeError(vm.ArgString(0)); },
     {},
     "Message: string"},
    // Scripts never run under the debugger in this program, so there is no context to interpret in.
    {"Interpret",
     1,
     dtNone,
     0,
     [](TatSystemLibrary&, TatCallContext&) { throw EatInternalError("Script is not running for debug"); },
     {},
     nullptr},
};

static_assert(sizeof(kEngineRoutines) / sizeof(kEngineRoutines[0]) == kSystemLibraryEngineRoutineCount);

}  // namespace

std::span<const TatSystemRoutine> SystemLibraryEngineRoutines() {
  return kEngineRoutines;
}

std::span<const TatSystemRoutine> SystemLibraryRoutines() {
  static const std::vector<TatSystemRoutine> table = [] {
    std::vector<TatSystemRoutine> all;
    for (const auto topic :
         {SystemLibraryValueRoutines(), SystemLibraryEngineRoutines(), SystemLibraryFileRoutines()})
      all.insert(all.end(), topic.begin(), topic.end());
    return all;
  }();
  return table;
}

namespace {

// The machine records the last exception as it passes through a running script.
const TatSystemValue kValues[] = {
    {"LastExceptionMessage", dtText,
     [](TatCallContext& vm) { vm.SetResult(ScriptValue(vm.LastException().Message)); }},
    {"LastExceptionHelpContext", dtInteger,
     [](TatCallContext& vm) {
       vm.SetResult(ScriptValue(static_cast<std::int32_t>(vm.LastException().HelpContext)));
     }},
    {"LastExceptionClassName", dtText,
     [](TatCallContext& vm) { vm.SetResult(ScriptValue(vm.LastException().ClassName)); }},
};

}  // namespace

std::span<const TatSystemValue> SystemLibraryValues() {
  return kValues;
}

TatSystemLibrary::TatSystemLibrary() : files_(std::make_shared<std::unordered_set<TFileClass*>>()) {}
TatSystemLibrary::~TatSystemLibrary() = default;

TatUserInteraction& TatSystemLibrary::UserInteraction() {
  if (interaction_ != nullptr) return *interaction_;
  if (!headless_) headless_ = std::make_unique<TatHeadlessInteraction>();
  return *headless_;
}

int TatSystemLibrary::CloseOpenFiles() {
  int closed = 0;
  for (TFileClass* file : *files_) {
    if (!file->IsOpen()) continue;
    file->CloseQuietly();
    ++closed;
  }
  return closed;
}

const platform::TFormatSettings& TatSystemLibrary::Locale() const {
  return locale_ ? *locale_ : platform::FormatSettings();
}

void TatSystemLibrary::DefineRoutines(TatHostRegistry& registry, TatClass& libraryClass) {
  // Class entries first: AssignFile, Machine and Scripter hand out objects of these classes.
  TatClass& object = registry.RegisterHostClass("TObject");
  // A script-made object is a plain host object; Free destroys it through the scripter's object table.
  object.RegisterRoutine(
      "Create", 0, dtObject, nullptr,
      BindCall([](TatCallContext& vm) {
        TatClass* cls = vm.CurrentClass();
        if (cls == nullptr) cls = vm.Scripter().Registry().FindClass("TObject");
        vm.SetResult(ScriptValue(vm.Objects().Adopt(std::make_unique<TatHostObject>(), cls)));
      }),
      true);
  object.RegisterRoutine("Free", 0, dtNone, nullptr, BindCall([](TatCallContext& vm) {
    const ScriptValue& self = vm.CurrentInstanceValue();
    // Objects the host keeps (libraries, default instances) are not the script's to free.
    if (self.IsIntegerKind()) vm.Objects().Free(self.RawInteger());
  }));
  fileClass_ = &registry.RegisterHostClass("TFileClass", &object);
  machineClass_ = &registry.RegisterHostClass("TatVirtualMachine", &object);
  scripterClass_ = &registry.RegisterHostClass("TatCustomScripter", &object);

  RegisterRoutineTable(libraryClass, SystemLibraryRoutines(), kSystemLibraryRoutineCount, this);
  for (const TatSystemValue& value : SystemLibraryValues()) {
    libraryClass.RegisterProperty(value.name, value.dataType, BindCall(value.getter), {});
  }
}

std::unique_ptr<TatScripterLibrary> MakeSystemLibrary() {
  return std::make_unique<TatSystemLibrary>();
}

void RegisterSystemLibrary() {
  // Every new action run asks for it, and a replay makes runs on several threads at once: the list is
  // written once and only read after.
  static std::once_flag registered;
  std::call_once(registered, [] {
    TatLibraryList::Instance().Register({"Internal", [] { return MakeSystemLibrary(); }, false});
  });
}

TatSystemLibrary* SystemLibraryOf(TatCustomScripter& scripter) {
  return dynamic_cast<TatSystemLibrary*>(scripter.Registry().FindAttachedLibrary("Internal"));
}

}  // namespace varnholt
