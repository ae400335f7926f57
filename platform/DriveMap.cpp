// DriveMap.cpp — Windows path resolution over the drive folders, component by component.
#include "platform/DriveMap.h"

#include <dirent.h>

#include <algorithm>
#include <vector>

#include "platform/CodePage.h"
#include "platform/Files.h"

namespace varnholt::platform {
namespace {

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

std::vector<std::string> SplitComponents(std::string_view rest) {
  std::vector<std::string> parts;
  std::string current;
  for (char c : rest) {
    if (c == '\\' || c == '/') {
      if (!current.empty()) parts.push_back(std::move(current));
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) parts.push_back(std::move(current));
  return parts;
}

// The entry of a folder that names the component: the exact name when it exists, otherwise the first
// (in byte order) whose name matches it without regard to case; nullopt when none does.
std::optional<std::string> FindEntry(const std::filesystem::path& folder, const std::string& componentUtf8,
                                     const std::string& component1252) {
  std::error_code ec;
  if (std::filesystem::exists(std::filesystem::symlink_status(folder / componentUtf8, ec))) return componentUtf8;
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return std::nullopt;
  std::vector<std::string> matches;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    // Names that 1252 cannot hold can only be matched exactly, never by folding.
    if (!IsCp1252Representable(name)) continue;
    if (AnsiSameText(Utf8ToCp1252(name), component1252)) matches.push_back(name);
  }
  ::closedir(dir);
  if (matches.empty()) return std::nullopt;
  return *std::min_element(matches.begin(), matches.end());
}

}  // namespace

bool HasDriveLetter(std::string_view windowsPath) {
  return windowsPath.size() >= 2 && IsLetter(windowsPath[0]) && windowsPath[1] == ':' &&
         (windowsPath.size() == 2 || windowsPath[2] == '\\' || windowsPath[2] == '/');
}

TDriveMap::TDriveMap(std::filesystem::path applicationFolder) : appFolder_(std::move(applicationFolder)) {}

std::filesystem::path TDriveMap::DrivesFolder() const { return appFolder_ / "drives"; }

std::filesystem::path TDriveMap::DriveFolder(char letter) const {
  return DrivesFolder() / std::string(1, AsciiLower(letter));
}

TStatus TDriveMap::EnsureDrive(char letter) const {
  if (!IsLetter(letter)) return TStatus::Fail(std::string("Not a drive letter: ") + letter);
  return ForceDirectories(DriveFolder(letter));
}

std::optional<std::filesystem::path> TDriveMap::TryResolve(std::string_view windowsPath, std::string* error) const {
  auto fail = [&](const std::string& reason) -> std::optional<std::filesystem::path> {
    if (error != nullptr) *error = "Cannot resolve the path \"" + std::string(windowsPath) + "\": " + reason;
    return std::nullopt;
  };
  if (!HasDriveLetter(windowsPath)) {
    return fail("it does not start with a drive letter, a colon and a backslash (like C:\\PDF)");
  }
  if (windowsPath.find('\0') != std::string_view::npos) return fail("it contains a NUL character");
  const char letter = AsciiUpper(windowsPath[0]);
  std::filesystem::path native = DriveFolder(letter);
  if (!DirectoryExists(native)) {
    return fail(std::string("drive ") + letter + ": is not mapped (there is no folder " +
                Utf8ToCp1252(native.string()) + ")");
  }
  // Components are resolved one by one; ".." may climb back only as far as the drive's root.
  std::vector<std::string> resolved;
  bool missing = false;  // once a component does not exist, the rest keeps the case written
  for (const std::string& component : SplitComponents(windowsPath.substr(2))) {
    if (component == ".") continue;
    if (component == "..") {
      if (resolved.empty()) return fail("\"..\" leaves the drive");
      resolved.pop_back();
      // After climbing, later components are looked up again from a folder that exists.
      std::filesystem::path probe = native;
      for (const auto& part : resolved) probe /= part;
      missing = !std::filesystem::exists(probe);
      continue;
    }
    const std::string utf8 = Cp1252ToUtf8(component);
    if (!missing) {
      std::filesystem::path folder = native;
      for (const auto& part : resolved) folder /= part;
      if (auto entry = FindEntry(folder, utf8, component)) {
        resolved.push_back(*entry);
        continue;
      }
      missing = true;
    }
    resolved.push_back(utf8);
  }
  for (const auto& part : resolved) native /= part;
  return native;
}

std::filesystem::path TDriveMap::Resolve(std::string_view windowsPath) const {
  std::string error;
  auto native = TryResolve(windowsPath, &error);
  if (!native) throw EPathError(error);
  return *native;
}

std::optional<std::string> TDriveMap::ToWindowsPath(const std::filesystem::path& nativePath) const {
  std::error_code ec;
  const std::filesystem::path target = std::filesystem::weakly_canonical(std::filesystem::absolute(nativePath, ec), ec);
  if (ec) return std::nullopt;
  DIR* dir = ::opendir(DrivesFolder().c_str());
  if (dir == nullptr) return std::nullopt;
  std::vector<std::string> letters;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.size() == 1 && IsLetter(name[0])) letters.push_back(name);
  }
  ::closedir(dir);
  std::sort(letters.begin(), letters.end());
  for (const auto& letter : letters) {
    const std::filesystem::path root = std::filesystem::weakly_canonical(DrivesFolder() / letter, ec);
    if (ec) continue;
    auto rootIt = root.begin();
    auto it = target.begin();
    for (; rootIt != root.end() && it != target.end() && *rootIt == *it; ++rootIt, ++it) {
    }
    if (rootIt != root.end()) continue;
    std::string windows = std::string(1, AsciiUpper(letter[0])) + ":\\";
    bool first = true;
    for (; it != target.end(); ++it) {
      if (it->empty()) continue;
      if (!first) windows += '\\';
      windows += Utf8ToCp1252(it->string());
      first = false;
    }
    return windows;
  }
  return std::nullopt;
}

}  // namespace varnholt::platform
