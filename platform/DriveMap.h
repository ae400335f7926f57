// DriveMap.h — turns the Windows paths that scripts, the log and the exchange files use into native paths.
//
// Drive letter X: is the folder <application folder>/drives/x (a real folder or a symbolic link to
// anywhere). Each component of a path is looked up case-insensitively when no exact match exists, so
// C:\pdf\FAILED finds drives/c/PDF/failed; a component that does not exist yet keeps the case written.
// Windows paths are text in the system code page; native paths are UTF-8.
#pragma once

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/Status.h"

namespace varnholt::platform {

// A Windows path that the map cannot turn into a native one. The message names the path and the reason.
class EPathError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TDriveMap {
 public:
  explicit TDriveMap(std::filesystem::path applicationFolder);

  const std::filesystem::path& ApplicationFolder() const { return appFolder_; }
  std::filesystem::path DrivesFolder() const;
  // The folder of a drive letter (drives/<lower-case letter>), whether or not it exists.
  std::filesystem::path DriveFolder(char letter) const;
  // Creates the folder of a drive letter with its parents.
  TStatus EnsureDrive(char letter) const;

  // The native path of a Windows path ("C:\PDF\x.pdf"); '/' is taken as a separator as well.
  // Throws EPathError for a path without a drive letter, a letter with no drive folder, or a ".."
  // that would leave the drive.
  std::filesystem::path Resolve(std::string_view windowsPath) const;
  // The same without throwing: nullopt, and the reason in *error when given.
  std::optional<std::filesystem::path> TryResolve(std::string_view windowsPath,
                                                  std::string* error = nullptr) const;

  // The Windows path of a native path inside one of the drive folders (following symbolic links),
  // or nullopt when it lies outside all of them.
  std::optional<std::string> ToWindowsPath(const std::filesystem::path& nativePath) const;

 private:
  std::filesystem::path appFolder_;
};

// True for "X:\..." or "X:/..." (and the bare drive "X:").
bool HasDriveLetter(std::string_view windowsPath);

}  // namespace varnholt::platform
