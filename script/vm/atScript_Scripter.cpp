// atScript_Scripter.cpp — the scripter: the default script, its compile and run, the host binding and
// the reporting of compile and run-time errors.
#include "script/vm/atScript.h"

#include <any>

namespace varnholt {

TatCustomScripter::TatCustomScripter()
    : registry_(std::make_unique<TatHostRegistry>()),
      script_(std::make_unique<TatPascalScript>(*registry_)),
      machine_(std::make_unique<TatVirtualMachine>(*script_, *this)) {
  BindRegistry();
}

TatCustomScripter::~TatCustomScripter() = default;

void TatCustomScripter::SetSourceCode(std::vector<std::string> lines) {
  script_->SetSourceCode(std::move(lines));
  machine_->Unprepare();
}

void TatCustomScripter::SetSourceText(std::string_view text) {
  script_->SetSourceText(text);
  machine_->Unprepare();
}

const std::vector<std::string>& TatCustomScripter::SourceCode() const { return script_->SourceCode(); }

void TatCustomScripter::CompileScript() {
  script_->Options.ShortBooleanEval = ShortBooleanEval;
  script_->Options.RequireDeclarations = RequireDeclarations;
  script_->Options.OnUnknownElement = OnUnknownElement;
  if (!machine_->Running()) machine_->Reset();
  machine_->Unprepare();
  try {
    script_->CompileScript();
  } catch (const EatCompileError& e) {
    std::string message = e.Message();
    bool showException = true;
    if (OnCompileError) OnCompileError(*this, message, e.Row(), e.Column(), showException);
    if (!showException) throw EAbort();
    throw EatCompileError(message, e.Row(), e.Column());
  }
  // `uses` may have attached libraries whose routine needs its object.
  BindRegistry();
}

void TatCustomScripter::EnsureCompiled() {
  if (!script_->Compiled()) CompileScript();
}

ScriptValue TatCustomScripter::RunScript(const ScriptValue& input) { return RunRoutine({}, input); }

ScriptValue TatCustomScripter::RunRoutine(std::string_view name, const ScriptValue& input) {
  if (!machine_->Running()) EnsureCompiled();
  return machine_->Run(name, input);
}

void TatCustomScripter::SetRunTimeLimit(std::chrono::milliseconds limit) {
  machine_->SetRunTimeLimit(limit.count() > 0 ? limit : std::chrono::milliseconds{0});
}

std::chrono::milliseconds TatCustomScripter::RunTimeLimit() const { return machine_->RunTimeLimit(); }

void TatCustomScripter::SetRunTimeClock(std::function<std::chrono::steady_clock::time_point()> clock) {
  machine_->SetClock(std::move(clock));
}

bool TatCustomScripter::Compiled() const { return script_->Compiled(); }

void TatCustomScripter::SetCompiled(bool value) {
  script_->SetCompiled(value);
  if (!value) machine_->Unprepare();
}

TatMethod& TatCustomScripter::RegisterRoutine(std::string_view name, int argCount, std::uint8_t resultType,
                                              TatClass* resultClass, THostHandler handler, bool isClassRoutine,
                                              int optionalArgCount) {
  return registry_->RegisterRoutine(name, argCount, resultType, resultClass, std::move(handler), isClassRoutine,
                                    optionalArgCount);
}

TatProperty& TatCustomScripter::RegisterValue(std::string_view name, const ScriptValue& value) {
  TatProperty& property = registry_->RegisterValue(name, std::any(value));
  TatProperty* p = &property;
  property.Getter = [p](TatVirtualMachine& vm) { vm.SetResult(std::any_cast<const ScriptValue&>(p->StoredValue)); };
  return property;
}

TatClass& TatCustomScripter::RegisterHostClass(std::string_view name, TatClass* ancestor) {
  return registry_->RegisterHostClass(name, ancestor);
}

TatObject& TatCustomScripter::AddDefaultInstance(void* object, std::string_view name, TatClass& cls) {
  return registry_->AddDefaultInstance(object, name, cls);
}

TatScripterLibrary* TatCustomScripter::AttachLibrary(std::string_view scriptName, bool makeGlobal) {
  const TatLibraryListItem* item = TatLibraryList::Instance().Find(scriptName);
  if (item == nullptr) return nullptr;
  TatScripterLibrary* library = registry_->AttachLibrary(*item, makeGlobal);
  BindRegistry();
  return library;
}

void TatCustomScripter::BindRegistry() {
  // The routine named after a library gives the library object, so that Name.Routine works.
  for (const auto& item : TatLibraryList::Instance().Items()) {
    TatScripterLibrary* library = registry_->FindAttachedLibrary(item.scriptName);
    if (library == nullptr) continue;
    TatMethod* routine = registry_->DefaultClass().FindMethod(library->ScriptName());
    TatClass* cls = registry_->FindClass(library->ClassName());
    if (routine == nullptr || routine->Handler) continue;
    routine->Handler = [this, library, cls](TatVirtualMachine& vm) {
      vm.SetResult(ScriptValue(objects_.Handle(library, cls)));
    };
  }
}

void TatCustomScripter::RaiseRuntimeError(std::string message) {
  bool showException = true;
  if (OnRuntimeError) OnRuntimeError(*this, message, 0, 0, showException);
  if (!showException) throw EAbort();
  throw EatScripterRuntime(std::move(message));
}

}  // namespace varnholt
