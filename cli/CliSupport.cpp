// CliSupport.cpp — paths, terminal text and log records for the commands of varnholt-cli.
#include "cli/CliSupport.h"

#include <nlohmann/json.hpp>

#include <iostream>

#include "platform/CodePage.h"
#include "platform/Files.h"
#include "script/compiler/atPascal.h"

namespace varnholt::cli {

namespace {

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) break;
    start = tab + 1;
  }
  fields.resize(7);
  return fields;
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
  const std::vector<std::string> f = Fields(line);
  // Time "hhnnsszzz" becomes hh:nn:ss.zzz.
  const std::string& t = f[1];
  const std::string time =
      t.size() == 9 ? t.substr(0, 2) + ":" + t.substr(2, 2) + ":" + t.substr(4, 2) + "." + t.substr(6) : t;
  std::string out = time + "  " + f[2] + "  " + f[3] + "." + f[4];
  if (!f[5].empty()) out += "  " + f[5];
  if (!f[6].empty()) out += "  " + f[6];
  return platform::Cp1252ToUtf8(out);
}

std::string RecordAsJson(const std::string& line) {
  const std::vector<std::string> f = Fields(line);
  nlohmann::ordered_json record;
  const char* names[] = {"date", "time", "type", "object", "proc", "text", "data"};
  for (int i = 0; i < 7; ++i) record[names[i]] = platform::Cp1252ToUtf8(f[static_cast<std::size_t>(i)]);
  return record.dump();
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

}  // namespace varnholt::cli
