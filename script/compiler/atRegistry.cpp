// atRegistry.cpp — class entries with inheritance of members, default instances and library attaching.
#include "script/compiler/atRegistry.h"

#include "script/compiler/atScript_Errors.h"

namespace varnholt {

std::string NameKey(std::string_view name) {
  std::string key(name);
  for (char& c : key) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return key;
}

// ---------------------------------------------------------------------------------------------------

TatMethod& TatMethod::SetVarArgs(std::initializer_list<int> positions) {
  return SetVarArgs(std::vector<int>(positions));
}

TatMethod& TatMethod::SetVarArgs(const std::vector<int>& positions) {
  if (static_cast<int>(ArgDefs.size()) < ArgCount) ArgDefs.resize(static_cast<size_t>(ArgCount));
  for (auto& def : ArgDefs) def.byRef = false;
  ByRefArgMask = 0;
  for (const int p : positions) {
    if (p < 0 || p >= 32) continue;
    if (p >= static_cast<int>(ArgDefs.size())) ArgDefs.resize(static_cast<size_t>(p) + 1);
    ArgDefs[static_cast<size_t>(p)].byRef = true;
    ByRefArgMask |= 1u << p;
  }
  return *this;
}

// ---------------------------------------------------------------------------------------------------

TatClass::TatClass(TatHostRegistry& registry, std::string name, int index)
    : registry_(registry), name_(std::move(name)), index_(index) {}

bool TatClass::InheritsFrom(const TatClass* other) const {
  for (const TatClass* c = this; c; c = c->ancestor_) {
    if (c == other) return true;
  }
  return false;
}

void TatClass::ApplyMethod(const TatMethod& method) {
  const std::string key = NameKey(method.Name);
  const auto it = methodIndex_.find(key);
  if (it != methodIndex_.end()) {
    TatMethod& existing = *methods_[static_cast<size_t>(it->second)];
    // A descendant keeps a member it defined itself.
    if (existing.Owner == this && method.Owner != this) return;
    const int index = existing.Index;
    existing = method;
    existing.Index = index;
  } else {
    auto copy = std::make_unique<TatMethod>(method);
    copy->Index = static_cast<int>(methods_.size());
    methodIndex_.emplace(key, copy->Index);
    methods_.push_back(std::move(copy));
  }
  for (TatClass* d : descendants_) d->ApplyMethod(method);
}

void TatClass::ApplyProperty(const TatProperty& property) {
  const std::string key = NameKey(property.Name);
  const auto it = propertyIndex_.find(key);
  if (it != propertyIndex_.end()) {
    TatProperty& existing = *properties_[static_cast<size_t>(it->second)];
    if (existing.Owner == this && property.Owner != this) return;
    const int index = existing.Index;
    existing = property;
    existing.Index = index;
  } else {
    auto copy = std::make_unique<TatProperty>(property);
    copy->Index = static_cast<int>(properties_.size());
    propertyIndex_.emplace(key, copy->Index);
    properties_.push_back(std::move(copy));
  }
  for (TatClass* d : descendants_) d->ApplyProperty(property);
}

void TatClass::InheritFrom(TatClass& ancestor) {
  ancestor_ = &ancestor;
  ancestor.descendants_.push_back(this);
  for (const auto& m : ancestor.methods_) ApplyMethod(*m);
  for (const auto& p : ancestor.properties_) ApplyProperty(*p);
}

TatMethod& TatClass::RegisterRoutine(std::string_view name, int argCount, std::uint8_t resultType,
                                     TatClass* resultClass, THostHandler handler, bool isClassRoutine,
                                     int optionalArgCount) {
  TatMethod method;
  method.Name = std::string(name);
  method.Handler = std::move(handler);
  method.ResultDataType = resultType;
  method.ArgCount = argCount;
  method.ResultClass = resultClass;
  method.ArgDefs.resize(static_cast<size_t>(argCount > 0 ? argCount : 0));
  method.IsClassMethod = isClassRoutine;
  method.OptionalArgCount = optionalArgCount;
  method.Owner = this;
  ApplyMethod(method);
  return *methods_[static_cast<size_t>(methodIndex_.at(NameKey(name)))];
}

TatProperty* TatClass::RegisterProperty(std::string_view name, std::uint8_t dataType, THostHandler getter,
                                        THostHandler setter, TatClass* valueClass, bool isClassProperty,
                                        int indexCount, bool readable, bool writable) {
  readable = readable || static_cast<bool>(getter);
  writable = writable || static_cast<bool>(setter);
  if (dataType == dtAny && !readable && !writable && !valueClass) return nullptr;
  TatProperty property;
  property.Name = std::string(name);
  property.DataType = dataType;
  property.Getter = std::move(getter);
  property.Setter = std::move(setter);
  property.ValueClass = valueClass;
  property.IsClassProperty = isClassProperty;
  property.IndexCount = indexCount;
  property.Readable = readable;
  property.Writable = writable;
  property.Owner = this;
  ApplyProperty(property);
  return properties_[static_cast<size_t>(propertyIndex_.at(NameKey(name)))].get();
}

TatMethod* TatClass::FindMethod(std::string_view name) const {
  const auto it = methodIndex_.find(NameKey(name));
  return it == methodIndex_.end() ? nullptr : methods_[static_cast<size_t>(it->second)].get();
}

TatProperty* TatClass::FindProperty(std::string_view name) const {
  const auto it = propertyIndex_.find(NameKey(name));
  return it == propertyIndex_.end() ? nullptr : properties_[static_cast<size_t>(it->second)].get();
}

// ---------------------------------------------------------------------------------------------------

std::string TatScripterLibrary::ScriptName() const {
  std::string name = ClassName();
  if (!name.empty() && (name[0] == 'T' || name[0] == 't')) name.erase(0, 1);
  return name;
}

namespace {

// The library behind `external` routines; its routines are registered by the compiler.
class TatDllLibrary : public TatScripterLibrary {
 public:
  std::string ClassName() const override { return "TatDllLibrary"; }
  std::string ScriptName() const override { return "_DLL_"; }
  void DefineRoutines(TatHostRegistry&, TatClass&) override {}
};

}  // namespace

TatLibraryList::TatLibraryList() {
  items_.push_back({"_DLL_", [] { return std::make_unique<TatDllLibrary>(); }, true});
}

TatLibraryList& TatLibraryList::Instance() {
  static TatLibraryList list;
  return list;
}

void TatLibraryList::Register(TatLibraryListItem item) {
  for (auto& existing : items_) {
    if (NameKey(existing.scriptName) == NameKey(item.scriptName)) {
      existing = std::move(item);
      return;
    }
  }
  items_.push_back(std::move(item));
}

const TatLibraryListItem* TatLibraryList::Find(std::string_view scriptName) const {
  const std::string key = NameKey(scriptName);
  for (const auto& item : items_) {
    if (NameKey(item.scriptName) == key) return &item;
  }
  return nullptr;
}

// ---------------------------------------------------------------------------------------------------

TatHostRegistry::TatHostRegistry(bool attachLibraries) {
  defaultClass_ = &RegisterHostClass("TatInternalObject");
  AddDefaultInstance(&internalObject_, "TatInternalObject", *defaultClass_);
  if (attachLibraries) {
    for (const auto& item : TatLibraryList::Instance().Items()) {
      if (!item.explicitOnly) AttachLibrary(item, true);
    }
  }
}

TatHostRegistry::~TatHostRegistry() {
  for (auto& a : attached_) a.library->Finalize();
}

TatMethod& TatHostRegistry::RegisterRoutine(std::string_view name, int argCount, std::uint8_t resultType,
                                            TatClass* resultClass, THostHandler handler, bool isClassRoutine,
                                            int optionalArgCount) {
  return defaultClass_->RegisterRoutine(name, argCount, resultType, resultClass, std::move(handler),
                                        isClassRoutine, optionalArgCount);
}

TatProperty& TatHostRegistry::RegisterValue(std::string_view name, std::any value) {
  TatProperty* p = defaultClass_->RegisterProperty(name, dtAny, {}, {}, nullptr, false, 0, true, false);
  p->StoredValue = std::move(value);
  return *p;
}

TatClass& TatHostRegistry::RegisterHostClass(std::string_view name, TatClass* ancestor) {
  const std::string key = NameKey(name);
  const auto it = classIndex_.find(key);
  if (it != classIndex_.end()) return *classes_[static_cast<size_t>(it->second)];
  const int index = static_cast<int>(classes_.size());
  classes_.push_back(std::make_unique<TatClass>(*this, std::string(name), index));
  classIndex_.emplace(key, index);
  TatClass& cls = *classes_.back();
  if (ancestor) cls.InheritFrom(*ancestor);
  return cls;
}

TatClass* TatHostRegistry::FindClass(std::string_view name) const {
  const auto it = classIndex_.find(NameKey(name));
  return it == classIndex_.end() ? nullptr : classes_[static_cast<size_t>(it->second)].get();
}

TatObject& TatHostRegistry::AddDefaultInstance(void* object, std::string_view name, TatClass& cls) {
  const std::string key = NameKey(name);
  for (auto& existing : instances_) {
    if (NameKey(existing->Name) == key) return *existing;
  }
  if (!object) throw EatDefinitionError("Invalid atPascal default instance");
  auto entry = std::make_unique<TatObject>();
  entry->Name = std::string(name);
  entry->Object = object;
  entry->Class = &cls;
  entry->Index = static_cast<int>(instances_.size());
  instances_.push_back(std::move(entry));
  return *instances_.back();
}

TatScripterLibrary* TatHostRegistry::FindAttachedLibrary(std::string_view scriptName) const {
  const std::string key = NameKey(scriptName);
  for (const auto& a : attached_) {
    if (NameKey(a.scriptName) == key) return a.library.get();
  }
  return nullptr;
}

TatScripterLibrary* TatHostRegistry::AttachLibrary(const TatLibraryListItem& item, bool makeGlobal) {
  const std::string key = NameKey(item.scriptName);
  for (const auto& a : attached_) {
    if (NameKey(a.scriptName) == key) {
      if (makeGlobal) AddDefaultInstance(a.library.get(), a.scriptName, *a.cls);
      return a.library.get();
    }
  }
  if (!item.create) return nullptr;
  std::unique_ptr<TatScripterLibrary> library = item.create();
  if (!library) return nullptr;
  const std::string scriptName = library->ScriptName();
  TatClass& cls = RegisterHostClass(library->ClassName());
  // Name.Routine reaches the library's members through this routine's object result.
  defaultClass_->RegisterRoutine(scriptName, 0, dtObject, &cls);
  TatScripterLibrary* raw = library.get();
  attached_.push_back({scriptName, std::move(library), &cls});
  raw->DefineRoutines(*this, cls);
  if (makeGlobal) AddDefaultInstance(raw, scriptName, cls);
  return raw;
}

bool TatHostRegistry::UseLibrary(std::string_view scriptName, bool makeGlobal) {
  const TatLibraryListItem* item = TatLibraryList::Instance().Find(scriptName);
  if (!item) return false;
  return AttachLibrary(*item, makeGlobal) != nullptr;
}

}  // namespace varnholt
