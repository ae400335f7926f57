// uDestinationNames.cpp — tidying and taking apart the destinations that scripts write.
#include "hostlib/uDestinationNames.h"

#include <vector>

#include "platform/CodePage.h"

namespace varnholt {

namespace {
constexpr const char* kObject = "Varnholt";

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
}  // namespace

std::string TrimBackSlash(TLogger& log, std::string_view text) {
  log.WriteProc(kObject, "TrimBackSlash");
  return TidyBackSlashes(text);
}

std::string TidyBackSlashes(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (char c : text) {
    if (c == '\\' && !result.empty() && result.back() == '\\') continue;
    result.push_back(c);
  }
  while (!result.empty() && result.back() == '\\') result.pop_back();
  return result;
}

std::string FixFileName(TLogger& log, std::string_view text, bool nameOnly) {
  log.WriteProc(kObject, "FixFileName");
  bool fixed = false;
  std::string result = ReplaceForbiddenChars(text, nameOnly, &fixed);
  if (fixed) log.WriteEntry(ltMsg, kObject, "FixFileName", "Fixed chars", result);
  return result;
}

std::string ReplaceForbiddenChars(std::string_view text, bool nameOnly, bool* replaced) {
  const bool driveColon = text.size() >= 3 && IsAsciiLetter(text[0]) && text[1] == ':' && text[2] == '\\';
  std::string result(text);
  bool fixed = false;
  for (std::size_t i = 0; i < result.size(); ++i) {
    const char c = result[i];
    bool forbidden = c == '"' || c == '*' || c == '/' || c == '<' || c == '>' || c == '?' || c == '|' ||
                     (c == ':' && !(driveColon && i == 1)) || (nameOnly && c == '\\');
    if (forbidden) {
      result[i] = '_';
      fixed = true;
    }
  }
  if (replaced != nullptr) *replaced = fixed;
  return result;
}

bool FixExtension(std::string& path) {
  const std::string extension = ExtensionOf(path);
  if (platform::SameText(extension, ".PDF")) return false;
  path.resize(path.size() - extension.size());
  path += ".PDF";
  return true;
}

std::string FolderOf(std::string_view path) {
  const std::size_t slash = path.rfind('\\');
  if (slash == std::string_view::npos) {
    // Only a drive's colon separates a folder; any other colon is part of a name (Sample:1 has no folder).
    const bool driveColon = path.size() >= 2 && IsAsciiLetter(path[0]) && path[1] == ':';
    return driveColon ? std::string(path.substr(0, 2)) : std::string();
  }
  // A file directly in a drive's root keeps the backslash: C:\x.PDF lies in C:\, not in C:.
  if (slash == 2 && path[1] == ':') return std::string(path.substr(0, 3));
  return std::string(path.substr(0, slash));
}

std::string FileNameOf(std::string_view path) { return std::string(path.substr(FolderPartOf(path).size())); }

std::string FolderPartOf(std::string_view path) {
  const std::size_t separator = path.find_last_of("\\:");
  return separator == std::string_view::npos ? std::string() : std::string(path.substr(0, separator + 1));
}

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (path.empty() || path.back() != '\\') path += '\\';
  return path += name;
}

std::string ExtensionOf(std::string_view path) {
  const std::string name = FileNameOf(path);
  const std::size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(dot);
}

std::string ResolveDotSegments(std::string_view path) {
  // "X:\" and a leading backslash are roots that ".." cannot climb above; "X:" alone and no prefix at all
  // are relative, so a ".." that reaches their start stays.
  std::size_t prefix = 0;
  if (path.size() >= 2 && IsAsciiLetter(path[0]) && path[1] == ':')
    prefix = path.size() >= 3 && path[2] == '\\' ? 3 : 2;
  else if (!path.empty() && path[0] == '\\')
    prefix = 1;
  const bool rooted = prefix != 2 && prefix != 0;

  std::vector<std::string_view> parts;
  bool dotted = false;
  for (std::size_t start = prefix; start <= path.size();) {
    std::size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    const std::string_view part = path.substr(start, end - start);
    if (part == ".") {
      dotted = true;
    } else if (part == "..") {
      dotted = true;
      if (!parts.empty() && parts.back() != "..") {
        parts.pop_back();
      } else if (!rooted) {
        parts.push_back(part);
      }
    } else if (!part.empty()) {
      parts.push_back(part);
    }
    start = end + 1;
  }
  if (!dotted) return std::string(path);
  std::string result(path.substr(0, prefix));
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) result += '\\';
    result += parts[i];
  }
  return result;
}

const char* DestinationRefusal(std::string_view written, std::string_view resolved) {
  const std::string name = FileNameOf(written);
  if (name.empty() || name == "." || name == "..") return "Invalid Destination FileName";
  if (platform::SameText(FolderOf(resolved), kQueueFolderPath)) return "Destination In Queue Folder";
  const std::string resolvedName = FileNameOf(resolved);
  if (resolvedName.empty() || resolvedName[0] == '.') return "Invalid Destination FileName";
  return nullptr;
}

}  // namespace varnholt
