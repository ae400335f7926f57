// CliSupport.cpp — paths, terminal text and log records for the commands of varnholt-cli.
#include "cli/CliSupport.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <iostream>

#include "core/uStandardScript.h"
#include "logging/uLogger.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "script/compiler/atPascal.h"

namespace varnholt::cli {

namespace {

// The seven fields of a log line. A line with more TABs (older versions did not escape them) keeps the
// rest in Data, TABs and all, so nothing of it is lost and no column is made up.
std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  while (fields.size() < 6) {
    const std::size_t tab = line.find('\t', start);
    if (tab == std::string::npos) break;
    fields.push_back(line.substr(start, tab - start));
    start = tab + 1;
  }
  fields.push_back(line.substr(std::min(start, line.size())));
  fields.resize(7);
  return fields;
}

// The five slots that code page 1252 leaves empty become the C1 controls U+0081, U+008D, U+008F, U+0090
// and U+009D in UTF-8, and a terminal may act on those; they are shown in the notation of `cat -v`.
std::string ForTerminalField(const std::string& field) {
  std::string out;
  for (const char c : EscapeLogField(field)) {
    const auto code = static_cast<unsigned char>(c);
    if (const std::uint32_t codePoint = platform::Cp1252ToCodePoint(c);
        codePoint >= 0x80 && codePoint < 0xA0) {
      out += "M-^";
      out += static_cast<char>(code - 0x80 + 0x40);
    } else {
      out += c;
    }
  }
  return platform::Cp1252ToUtf8(out);
}

}  // namespace

std::string ForTerminal(const std::string& text) {
  std::string utf8 = platform::Cp1252ToUtf8(text);
  std::erase(utf8, '\r');
  return utf8;
}

std::optional<std::string> WindowsPathOf(const std::string& argument, const platform::TDriveMap& map) {
  const std::string asCp1252 = platform::Utf8ToCp1252(argument);
  if (platform::HasDriveLetter(asCp1252)) return asCp1252;
  std::error_code ec;
  const auto absolute = std::filesystem::absolute(argument, ec);
  if (ec) return std::nullopt;
  return map.ToWindowsPath(absolute);
}

std::string RecordForPerson(const std::string& line) {
  std::vector<std::string> f = Fields(line);
  // A record of the file may come from an older version, with control characters unescaped.
  for (std::string& field : f) field = ForTerminalField(field);
  // Time "hhnnsszzz" becomes hh:nn:ss.zzz.
  const std::string& t = f[1];
  const std::string time =
      t.size() == 9 ? t.substr(0, 2) + ":" + t.substr(2, 2) + ":" + t.substr(4, 2) + "." + t.substr(6) : t;
  std::string out = time + "  " + f[2] + "  " + f[3] + "." + f[4];
  if (!f[5].empty()) out += "  " + f[5];
  if (!f[6].empty()) out += "  " + f[6];
  return out;
}

std::string RecordAsJson(const std::string& line) {
  const std::vector<std::string> f = Fields(line);
  nlohmann::ordered_json record;
  const char* names[] = {"date", "time", "type", "object", "proc", "text", "data"};
  for (int i = 0; i < 7; ++i) record[names[i]] = platform::Cp1252ToUtf8(f[static_cast<std::size_t>(i)]);
  // JSON escapes the controls below a space itself; the C1 controls it leaves as they are, and only a
  // string can hold them, so each becomes its \u escape here.
  const std::string dumped = record.dump();
  std::string out;
  out.reserve(dumped.size());
  for (std::size_t i = 0; i < dumped.size(); ++i) {
    const auto next = i + 1 < dumped.size() ? static_cast<unsigned char>(dumped[i + 1]) : 0;
    if (static_cast<unsigned char>(dumped[i]) == 0xC2 && next >= 0x80 && next < 0xA0) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", next);
      out += escape;
      ++i;
    } else {
      out += dumped[i];
    }
  }
  return out;
}

std::optional<TServiceSettings> ReadServiceSettings(const std::filesystem::path& applicationFolder) {
  try {
    return LoadServiceSettings(applicationFolder);
  } catch (const std::exception& e) {
    std::cerr << "Varnholt.xml: " << platform::Cp1252ToUtf8(e.what()) << '\n';
    return std::nullopt;
  }
}

std::vector<std::string> ScriptLines(const std::string& fileBytes) {
  return platform::SplitLines(ScriptTextFromFile(fileBytes));
}

bool ReadActionScript(const std::string& file, const std::filesystem::path& applicationFolder,
                      std::vector<std::string>& lines) {
  const std::filesystem::path path =
      !file.empty() ? std::filesystem::path(file) : applicationFolder / "Varnholt.PS";
  if (file.empty() && !platform::FileExists(path)) {
    lines = StandardScript();
    return true;
  }
  std::string bytes;
  if (const platform::TStatus read = platform::ReadFileBytes(path, bytes); !read) {
    std::cerr << platform::Cp1252ToUtf8(read.Message()) << '\n';
    return false;
  }
  lines = ScriptLines(bytes);
  if (file.empty() && IsBlankScript(lines)) lines = StandardScript();
  return true;
}

}  // namespace varnholt::cli
