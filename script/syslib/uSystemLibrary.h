// uSystemLibrary.h — the system library ("Internal"): the conventional Pascal run-time routines bound
// into every scripter, with the ports through which they reach the user, the clock and the file system.
//
// Its routines are one table of entries (atRoutineTable.h), each with its signature and handler, assembled
// from the topic files. The handlers only translate between script values and the plain C++ routines of
// varnholt::rtl (rtl/uRtlFormat, uRtlDateTime, uRtlText, uRtlMath), so the rules themselves are tested
// without a script.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <unordered_set>

#include "platform/Clock.h"
#include "platform/Locale.h"
#include "script/compiler/atRegistry.h"
#include "script/vm/atRoutineTable.h"

namespace varnholt {

class TatCustomScripter;
class TatCallContext;
class TatSystemLibrary;
class TFileClass;

// What ShowMessage, InputQuery and Beep need from the user. The window implements it with dialogs; without
// a window the messages go to the log, questions are answered "no" and the beep is silent.
class TatUserInteraction {
 public:
  virtual ~TatUserInteraction() = default;
  virtual void ShowMessage(const std::string& text) = 0;
  // True when the user confirmed; value holds the edit box's text in and out.
  virtual bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value) = 0;
  virtual void Beep() = 0;
};

// The port of a program without a window: every message is handed to onMessage (the log), every question
// is declined, the beep does nothing.
class TatHeadlessInteraction : public TatUserInteraction {
 public:
  explicit TatHeadlessInteraction(std::function<void(const std::string&)> onMessage = {})
      : onMessage_(std::move(onMessage)) {}
  void ShowMessage(const std::string& text) override {
    if (onMessage_) onMessage_(text);
  }
  bool InputQuery(const std::string&, const std::string&, std::string&) override { return false; }
  void Beep() override {}

 private:
  std::function<void(const std::string&)> onMessage_;
};

// One routine of the system library: its signature and the handler that runs on the library and reads its
// arguments from the call.
using TatSystemRoutine = TatRoutineEntry<TatSystemLibrary>;

// The routines by topic; each topic file checks its own count, and together they are the 90 routines the
// library declares (checked again when the table is registered).
inline constexpr std::size_t kSystemLibraryValueRoutineCount = 69;  // uSystemLibrary_Routines.cpp
inline constexpr std::size_t kSystemLibraryEngineRoutineCount = 9;  // uSystemLibrary.cpp
inline constexpr std::size_t kSystemLibraryFileRoutineCount = 12;   // uSystemLibrary_Files.cpp
inline constexpr std::size_t kSystemLibraryRoutineCount = 90;
static_assert(kSystemLibraryValueRoutineCount + kSystemLibraryEngineRoutineCount +
                  kSystemLibraryFileRoutineCount ==
              kSystemLibraryRoutineCount);

std::span<const TatSystemRoutine> SystemLibraryValueRoutines();
std::span<const TatSystemRoutine> SystemLibraryEngineRoutines();
std::span<const TatSystemRoutine> SystemLibraryFileRoutines();
// The library's table: the topics in this order, which is the order of the class's members.
std::span<const TatSystemRoutine> SystemLibraryRoutines();

// A read-only value of the library (LastExceptionMessage, ...): a property whose getter reads the call.
struct TatSystemValue {
  const char* name;
  std::uint8_t dataType;  // TatDataType
  void (*getter)(TatCallContext& call);
};
// The library's three values.
std::span<const TatSystemValue> SystemLibraryValues();

class TatSystemLibrary : public TatScripterLibrary {
 public:
  TatSystemLibrary();
  ~TatSystemLibrary() override;

  std::string ClassName() const override { return "TatSystemLibrary"; }
  std::string ScriptName() const override { return "Internal"; }
  void DefineRoutines(TatHostRegistry& registry, TatClass& libraryClass) override;

  // --- Ports; each has a default, so a scripter works without any set -----------------------------
  // The user-interaction port (not owned; nullptr: the headless port that drops messages).
  void SetUserInteraction(TatUserInteraction* port) { interaction_ = port; }
  TatUserInteraction& UserInteraction();
  // The folder whose drives/ map drive letters: "C:\x.txt" is <folder>/drives/c/x.txt. Without one, file
  // names with a drive letter are refused ("Invalid filename").
  void SetApplicationFolder(std::filesystem::path folder) { appFolder_ = std::move(folder); }
  const std::filesystem::path& ApplicationFolder() const { return appFolder_; }
  // The source of Now, Date and Time and of the current year in StrToDate (default: the local clock).
  void SetClock(platform::TClock clock) { clock_ = std::move(clock); }
  platform::TLocalTime LocalNow() const { return clock_ ? clock_() : platform::LocalNow(); }
  // Format settings of this library; without them the process-wide settings hold.
  void SetFormatSettings(std::optional<platform::TFormatSettings> settings) { locale_ = std::move(settings); }
  const platform::TFormatSettings& Locale() const;

  // Closes every text file a script of this library left open and gives their number. Scripts rarely close
  // what they open on every way out, and the objects live as long as the scripter; the host calls this
  // after a run so that an unattended program does not run out of file handles.
  int CloseOpenFiles();
  // The text files of this library's scripts (uSystemLibrary_Files.h).
  const std::shared_ptr<std::unordered_set<TFileClass*>>& Files() const { return files_; }

  // Class entries registered by DefineRoutines.
  TatClass* FileClass() const { return fileClass_; }
  TatClass* MachineClass() const { return machineClass_; }
  TatClass* ScripterClass() const { return scripterClass_; }

 private:
  TatUserInteraction* interaction_ = nullptr;
  std::unique_ptr<TatHeadlessInteraction> headless_;
  std::filesystem::path appFolder_;
  platform::TClock clock_;
  std::optional<platform::TFormatSettings> locale_;
  std::shared_ptr<std::unordered_set<TFileClass*>> files_;
  TatClass* fileClass_ = nullptr;
  TatClass* machineClass_ = nullptr;
  TatClass* scripterClass_ = nullptr;
};

// The list entry's factory.
std::unique_ptr<TatScripterLibrary> MakeSystemLibrary();

// Puts the system library into the process-wide library list, so that every scripter and registry
// created afterwards attaches it. The owner of scripters calls this once at start; calling it again
// changes nothing.
void RegisterSystemLibrary();

// The system library attached to a scripter (nullptr when it was not attached).
TatSystemLibrary* SystemLibraryOf(TatCustomScripter& scripter);

// The text of an I/O error code as file routines report it ("File not found", ..., "I/O error 103").
std::string IoErrorText(int code);

}  // namespace varnholt
