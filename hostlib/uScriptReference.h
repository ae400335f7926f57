// uScriptReference.h — what a script writer is offered: the names of the host routine table, its named
// constants and the system library, with the hint of each, and the help page built from them.
//
// Everything here is read from the two routine tables (their names, argument counts, result types and
// parameter texts), so the editor's completion list, its parameter hints and the help page cannot name a
// routine that does not exist, nor miss one that a script can call.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace varnholt {

enum class TScriptNameKind { kHostRoutine, kHostConstant, kSystemRoutine };

struct TScriptName {
  std::string name;
  TScriptNameKind kind = TScriptNameKind::kHostRoutine;
  int argCount = 0;
  std::uint8_t resultType = 0;  // TatDataType
  std::string params;           // "Text: string; N: integer"; empty for none
  // The editor's parameter hint: the name, then "(" + params + ");" or ";".
  std::string Hint() const;
  // The declaration as the help page shows it: "function Left(Text: string; N: integer): string;".
  std::string Declaration() const;
};

// The host routines in table order, the host constants, then the system routines offered to scripts.
std::vector<TScriptName> ScriptNames();

// The number of parameters a parameter text declares ("A, B: string; C: integer" declares 3).
int DeclaredParameterCount(std::string_view params);

// The help page: the manual for script writers (an HTML fragment in UTF-8, inserted as it is) and the
// reference of every name of ScriptNames (all ASCII), as one HTML document.
std::string ScriptHelpPage(std::string_view manualHtml);

}  // namespace varnholt
