// atRegistry.h — what the host offers to scripts: classes with properties and methods, the default
// instances whose members need no prefix, and the libraries a script can use by name.
//
// The compiler resolves names against this registry; the virtual machine later calls the handlers kept
// here. A handler slot is a plain std::function that stays empty until the run-time side binds it, so the
// same registry serves a compile-only check (SignaturesOnly) and a full run.
#pragma once

#include <any>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace varnholt {

class TatVirtualMachine;
class TatClass;
class TatHostRegistry;

using THostHandler = std::function<void(TatVirtualMachine&)>;

// Result and property data types as the registry records them.
enum TatDataType : std::uint8_t {
  dtNone = 0,
  dtInteger = 1,
  dtFloat = 4,  // floating point or date
  dtText = 5,
  dtObject = 7,
  dtAny = 12,
};

// Member kinds inside a member reference (class number * 2^17 + member number * 4 + kind).
enum TatMemberKind : int { mkGet = 1, mkSet = 2, mkCall = 3 };

inline std::int32_t MemberReference(int classNumber, int memberNumber, TatMemberKind kind) {
  return static_cast<std::int32_t>(classNumber * (1 << 17) + memberNumber * 4 + kind);
}

struct TatArgumentDef {
  bool byRef = false;
};

class TatMethod {
 public:
  std::string Name;
  THostHandler Handler;
  std::uint8_t ResultDataType = dtNone;
  int ArgCount = 0;
  TatClass* ResultClass = nullptr;
  std::vector<TatArgumentDef> ArgDefs;
  bool IsClassMethod = false;
  std::uint32_t ByRefArgMask = 0;
  int OptionalArgCount = 0;
  TatClass* Owner = nullptr;  // the class that defined it; descendants hold copies
  int Index = 0;              // member number within its class

  // Marks the given argument positions (0-based) as by-reference.
  TatMethod& SetVarArgs(std::initializer_list<int> positions);
  TatMethod& SetVarArgs(const std::vector<int>& positions);
};

class TatProperty {
 public:
  std::string Name;
  std::uint8_t DataType = dtAny;
  THostHandler Getter;
  THostHandler Setter;
  TatClass* ValueClass = nullptr;
  bool IsClassProperty = false;
  int IndexCount = 0;
  std::any StoredValue;   // named values keep their value here (a ScriptValue on the run-time side)
  bool Readable = false;  // a getter exists or will be bound (see TatHostRegistry::SignaturesOnly)
  bool Writable = false;
  TatClass* Owner = nullptr;
  int Index = 0;
};

class TatClass {
 public:
  TatClass(TatHostRegistry& registry, std::string name, int index);
  TatClass(const TatClass&) = delete;
  TatClass& operator=(const TatClass&) = delete;

  const std::string& Name() const { return name_; }
  int Index() const { return index_; }  // class number
  TatClass* Ancestor() const { return ancestor_; }
  const std::vector<TatClass*>& Descendants() const { return descendants_; }
  bool InheritsFrom(const TatClass* other) const;

  // Defines or overwrites a method and hands it to every descendant that has no own member of that name.
  TatMethod& RegisterRoutine(std::string_view name, int argCount, std::uint8_t resultType,
                             TatClass* resultClass = nullptr, THostHandler handler = {},
                             bool isClassRoutine = false, int optionalArgCount = 0);
  // Defines or overwrites a property likewise. A property of any type with neither getter, setter nor
  // value class is not created (nullptr). readable/writable say a getter/setter exists even while the
  // handler is not bound yet.
  TatProperty* RegisterProperty(std::string_view name, std::uint8_t dataType, THostHandler getter,
                                THostHandler setter, TatClass* valueClass = nullptr,
                                bool isClassProperty = false, int indexCount = 0, bool readable = false,
                                bool writable = false);

  TatMethod* FindMethod(std::string_view name) const;
  TatProperty* FindProperty(std::string_view name) const;
  int MethodCount() const { return static_cast<int>(methods_.size()); }
  int PropertyCount() const { return static_cast<int>(properties_.size()); }
  TatMethod& Method(int i) const { return *methods_.at(i); }
  TatProperty& Property(int i) const { return *properties_.at(i); }
  // The registry the class belongs to.
  TatHostRegistry& Registry() const { return registry_; }

 private:
  friend class TatHostRegistry;
  void ApplyMethod(const TatMethod& method);
  void ApplyProperty(const TatProperty& property);
  void InheritFrom(TatClass& ancestor);

  TatHostRegistry& registry_;
  std::string name_;
  int index_;
  TatClass* ancestor_ = nullptr;
  std::vector<TatClass*> descendants_;
  std::vector<std::unique_ptr<TatMethod>> methods_;
  std::vector<std::unique_ptr<TatProperty>> properties_;
  std::unordered_map<std::string, int> methodIndex_;  // upper-cased name -> index
  std::unordered_map<std::string, int> propertyIndex_;
};

// A default instance: an object whose members scripts use without a prefix.
struct TatObject {
  std::string Name;
  void* Object = nullptr;
  TatClass* Class = nullptr;
  int Index = 0;  // default-instance number (the Int1 operand of a host call)
};

// Base class of host libraries. DefineRoutines registers the library's routines, normally on the class
// entry of the library's own class.
class TatScripterLibrary {
 public:
  virtual ~TatScripterLibrary() = default;
  virtual std::string ClassName() const = 0;
  // By default the class name without a leading "T".
  virtual std::string ScriptName() const;
  virtual void DefineRoutines(TatHostRegistry& registry, TatClass& libraryClass) = 0;
  virtual void Finalize() {}
};

struct TatLibraryListItem {
  std::string scriptName;
  std::function<std::unique_ptr<TatScripterLibrary>()> create;
  bool explicitOnly = false;
};

// The process-wide list of libraries scripts can attach. It starts with the library of external routines
// ("_DLL_", explicit only); the program adds the system library ("Internal", RegisterSystemLibrary in
// script/syslib/) and any library of its own before it creates scripters. The registry lives below the
// libraries, so it never names one itself.
class TatLibraryList {
 public:
  static TatLibraryList& Instance();
  // Adds an entry, or replaces the entry of the same script name.
  void Register(TatLibraryListItem item);
  const TatLibraryListItem* Find(std::string_view scriptName) const;
  const std::vector<TatLibraryListItem>& Items() const { return items_; }

 private:
  TatLibraryList();
  std::vector<TatLibraryListItem> items_;
};

class TatHostRegistry {
 public:
  // Creates the default class with its internal default instance and, unless told otherwise, attaches
  // every library of the library list that is not explicit-only.
  explicit TatHostRegistry(bool attachLibraries = true);
  ~TatHostRegistry();
  TatHostRegistry(const TatHostRegistry&) = delete;
  TatHostRegistry& operator=(const TatHostRegistry&) = delete;

  // A registry filled from signature tables for checking only: members count as defined, readable and
  // writable by their flags although no handler is bound.
  bool SignaturesOnly = false;

  TatClass& DefaultClass() { return *defaultClass_; }
  TatMethod& RegisterRoutine(std::string_view name, int argCount, std::uint8_t resultType,
                             TatClass* resultClass = nullptr, THostHandler handler = {},
                             bool isClassRoutine = false, int optionalArgCount = 0);
  // A read-only property of the default class holding value.
  TatProperty& RegisterValue(std::string_view name, std::any value);

  // Finds the class entry by name or creates it; a new entry takes over the ancestor's members.
  TatClass& RegisterHostClass(std::string_view name, TatClass* ancestor = nullptr);
  TatClass* FindClass(std::string_view name) const;
  int ClassCount() const { return static_cast<int>(classes_.size()); }
  TatClass& ClassByIndex(int i) const { return *classes_.at(i); }

  // Registers a default instance; an entry of that name is returned unchanged.
  TatObject& AddDefaultInstance(void* object, std::string_view name, TatClass& cls);
  int DefaultInstanceCount() const { return static_cast<int>(instances_.size()); }
  TatObject& DefaultInstance(int i) const { return *instances_.at(i); }

  // Creates the library object when there is none yet, registers the routine named after its script name
  // on the default class, lets it define its routines and, with makeGlobal, makes it a default instance.
  TatScripterLibrary* AttachLibrary(const TatLibraryListItem& item, bool makeGlobal);
  // `uses` (makeGlobal) and `imports`: false when no library of that name exists.
  bool UseLibrary(std::string_view scriptName, bool makeGlobal);
  TatScripterLibrary* FindAttachedLibrary(std::string_view scriptName) const;

 private:
  struct TAttached {
    std::string scriptName;
    std::unique_ptr<TatScripterLibrary> library;
    TatClass* cls = nullptr;
  };
  std::vector<std::unique_ptr<TatClass>> classes_;
  std::unordered_map<std::string, int> classIndex_;
  std::vector<std::unique_ptr<TatObject>> instances_;
  std::vector<TAttached> attached_;
  TatClass* defaultClass_ = nullptr;
  int internalObject_ = 0;  // address the internal default instance stands for
};

// Upper-cases A-Z only; the key of every case-insensitive name lookup.
std::string NameKey(std::string_view name);

}  // namespace varnholt
