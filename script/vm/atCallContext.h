// atCallContext.h — what a host routine sees of the machine during its call: its arguments and result,
// the object it was called on, the scripter's object table and the last exception.
//
// Libraries bind their handlers against this interface rather than the machine, so that the machine's
// registers, stack and run loop can change without touching a single library routine.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "script/compiler/atRegistry.h"
#include "script/vm/atScript_Values.h"

namespace varnholt {

class TatCustomScripter;
class TatVirtualMachine;

// Base of the objects that scripts create and free (TObject.Create, text files, ...).
class TatHostObject {
 public:
  virtual ~TatHostObject() = default;
};

// The objects scripts can hold. A script sees an object as an Integer handle (0 is nil) and a class
// reference as an Integer too; the table maps both back to the C++ object and its registered class.
// Handles are not addresses: a 64-bit address does not fit the 32-bit Integer of a script value, and a
// handle that names no object is caught instead of being followed.
class TatObjectTable {
 public:
  struct TEntry {
    void* object = nullptr;
    TatClass* cls = nullptr;
    std::unique_ptr<TatHostObject> owned;  // set when the table owns the object
  };

  // The handle of an object the host keeps alive (a library, a default instance); the same object
  // always gets the same handle.
  std::int32_t Handle(void* object, TatClass* cls);
  // Takes ownership of a script-created object and gives its handle.
  std::int32_t Adopt(std::unique_ptr<TatHostObject> object, TatClass* cls);
  // The entry of a handle, or nullptr when the handle names no live object.
  const TEntry* Find(std::int32_t handle) const;
  // Destroys an owned object (Free); false when the handle names none.
  bool Free(std::int32_t handle);
  void Clear();

  // Class references: the class number offset into their own range.
  static std::int32_t ClassValue(const TatClass& cls) { return kClassBase + cls.Index(); }
  static bool IsClassValue(std::int32_t value) { return value >= kClassBase && value < kClassBase + (1 << 20); }
  static int ClassNumber(std::int32_t value) { return value - kClassBase; }

 private:
  static constexpr std::int32_t kObjectBase = 0x10000000;
  static constexpr std::int32_t kClassBase = 0x20000000;
  std::vector<TEntry> entries_;
  std::vector<std::int32_t> freeSlots_;
};

// The last exception the machine saw; the system library reads it.
struct TatLastException {
  std::string Message;
  int HelpContext = 0;
  std::string ClassName;
};

// One host call as its handler sees it. The machine implements it; its address is the machine's own, so
// a handler may hand it to the object table as the script's "Machine" object.
class TatCallContext {
 public:
  // --- Arguments, from 0; each read goes through the reference when the argument is one ----------
  virtual int ArgCount() const = 0;
  virtual const ScriptValue& ArgValue(int i) const = 0;
  virtual std::string ArgString(int i) const = 0;
  virtual std::int32_t ArgInteger(int i) const = 0;
  bool ArgBoolean(int i) const { return ArgInteger(i) != 0; }
  virtual double ArgFloat(int i) const = 0;
  virtual double ArgDateTime(int i) const = 0;
  virtual std::uint8_t ArgChar(int i) const = 0;

  // --- Results -------------------------------------------------------------------------------
  // Stores the call's result; a handler that never calls it leaves the slot's previous content.
  virtual void SetResult(const ScriptValue& value) = 0;
  // Writes through argument i, which must be a reference ("Method expects argument %d as variable
  // reference" otherwise).
  virtual void SetArgRef(int i, const ScriptValue& value) = 0;
  // Writes through argument i when it is a reference; does nothing otherwise.
  virtual void TrySetArgRef(int i, const ScriptValue& value) = 0;

  // --- Where the call happens ----------------------------------------------------------------
  // The value the called object was taken from (Null for calls on a default instance or class).
  virtual const ScriptValue& CurrentInstanceValue() const = 0;
  // For class-level calls: the class through which the member was called.
  virtual TatClass* CurrentClass() const = 0;
  // The object table of the scripter, for handlers that create or free objects.
  virtual TatObjectTable& Objects() = 0;
  virtual const TatLastException& LastException() const = 0;
  virtual TatCustomScripter& Scripter() = 0;

 protected:
  TatCallContext() = default;
  TatCallContext(const TatCallContext&) = default;
  TatCallContext& operator=(const TatCallContext&) = default;
  ~TatCallContext() = default;
};

// The context of a call the machine makes (defined with the machine).
TatCallContext& CallContextOf(TatVirtualMachine& machine);

// A registry handler that runs handler over the call's context.
template <class THandler>
THostHandler BindCall(THandler handler) {
  return [handler = std::move(handler)](TatVirtualMachine& machine) { handler(CallContextOf(machine)); };
}

}  // namespace varnholt
