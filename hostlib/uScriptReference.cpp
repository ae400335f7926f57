// uScriptReference.cpp — the script writer's names and hints from the routine tables, and the help page.
#include "hostlib/uScriptReference.h"

#include <algorithm>
#include <span>

#include "hostlib/uHostRoutineTable.h"
#include "script/syslib/uSystemLibrary.h"

namespace varnholt {

namespace {

std::string ResultTypeName(std::uint8_t type) {
  switch (type) {
    case dtInteger:
      return "integer";
    case dtFloat:
      return "double";
    case dtText:
      return "string";
    case dtObject:
      return "TObject";
    case dtAny:
      return "variant";
    default:
      return {};
  }
}

std::string Html(std::string_view text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '&':
        out += "&amp;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

template <class TEntry>
void AddRoutines(std::vector<TScriptName>& names, std::span<const TEntry> table, TScriptNameKind kind) {
  for (const TEntry& entry : table) {
    if (entry.params == nullptr) continue;
    names.push_back({entry.name, kind, entry.argCount, entry.resultType, entry.params});
  }
}

}  // namespace

std::string TScriptName::Hint() const {
  return params.empty() ? name + ";" : name + "(" + params + ");";
}

std::string TScriptName::Declaration() const {
  if (kind == TScriptNameKind::kHostConstant) return "const " + name + ": string;";
  const std::string result = ResultTypeName(resultType);
  const std::string head = params.empty() ? name : name + "(" + params + ")";
  return result.empty() ? "procedure " + head + ";" : "function " + head + ": " + result + ";";
}

std::vector<TScriptName> ScriptNames() {
  std::vector<TScriptName> names;
  AddRoutines(names, HostRoutineTable(), TScriptNameKind::kHostRoutine);
  for (const THostConstant& constant : HostConstants()) {
    names.push_back({constant.name, TScriptNameKind::kHostConstant, 0, dtText, ""});
  }
  AddRoutines(names, SystemLibraryRoutines(), TScriptNameKind::kSystemRoutine);
  return names;
}

int DeclaredParameterCount(std::string_view params) {
  // Each group "var A, B: type" between semicolons declares the names before its colon.
  int count = 0;
  while (!params.empty()) {
    const std::size_t end = std::min(params.find(';'), params.size());
    std::string_view names = params.substr(0, std::min(params.find(':'), end));
    params.remove_prefix(std::min(end + 1, params.size()));
    while (!names.empty() && names.front() == ' ') names.remove_prefix(1);
    if (names.starts_with("var ")) names.remove_prefix(4);
    if (names.find_first_not_of(' ') == std::string_view::npos) continue;
    count += 1 + static_cast<int>(std::count(names.begin(), names.end(), ','));
  }
  return count;
}

std::string ScriptHelpPage(std::string_view manualHtml) {
  std::string page =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<title>Varnholt action scripts</title>\n<style>\n"
      "body { font-family: sans-serif; max-width: 60em; margin: 1em auto; padding: 0 1em; }\n"
      "code, pre { font-family: \"Courier New\", monospace; }\n"
      "pre { background: #f4f4f4; padding: 0.5em; }\n"
      "table { border-collapse: collapse; } td, th { border: 1px solid #ccc; padding: 2px 6px; "
      "text-align: left; vertical-align: top; }\n"
      "</style>\n</head>\n<body>\n<h1>Varnholt action scripts</h1>\n";
  page += manualHtml;
  const struct {
    TScriptNameKind kind;
    const char* title;
    const char* id;
  } sections[] = {
      {TScriptNameKind::kHostRoutine, "Varnholt routines", "host-routines"},
      {TScriptNameKind::kHostConstant, "Varnholt constants", "host-constants"},
      {TScriptNameKind::kSystemRoutine, "Built-in routines", "system-routines"},
  };
  const std::vector<TScriptName> names = ScriptNames();
  page += "<h2 id=\"reference\">Reference</h2>\n";
  for (const auto& section : sections) {
    page += std::string("<h3 id=\"") + section.id + "\">" + section.title + "</h3>\n<table>\n";
    for (const TScriptName& name : names) {
      if (name.kind != section.kind) continue;
      page +=
          "<tr id=\"" + Html(name.name) + "\"><td><code>" + Html(name.Declaration()) + "</code></td></tr>\n";
    }
    page += "</table>\n";
  }
  page += "</body>\n</html>\n";
  return page;
}

}  // namespace varnholt
