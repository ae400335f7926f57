// uApplicationFolder.cpp — a fresh application folder made ready to file reports with nothing configured.
#include "core/uApplicationFolder.h"

#include <algorithm>
#include <cstdlib>
#include <system_error>

#include "Layout.h"
#include "core/uStandardScript.h"
#include "platform/CodePage.h"
#include "platform/DriveMap.h"
#include "platform/Files.h"
#include "platform/Process.h"
#include "platform/SystemInfo.h"
#include "script/compiler/atPascal.h"

namespace varnholt {

std::filesystem::path ChooseApplicationFolder(const std::filesystem::path& programFolder,
                                              const TFolderAccount& account) {
  const auto installed = std::filesystem::path(kInstalledProgramFolder).lexically_normal();
  const auto normal = (programFolder / "").lexically_normal().parent_path();
  if (normal != installed) return programFolder;
  const bool shared =
      account.userId == 0 || std::ranges::find(account.groupNames, kSharedGroup) != account.groupNames.end();
  if (shared) return kSharedApplicationFolder;
  // The XDG rule: a relative XDG_DATA_HOME is invalid and is ignored.
  const std::filesystem::path xdg = account.xdgDataHome;
  const std::filesystem::path data =
      xdg.is_absolute() ? xdg : std::filesystem::path(account.home) / ".local" / "share";
  return data / "varnholt";
}

std::filesystem::path DefaultApplicationFolder() {
  TFolderAccount account;
  account.userId = platform::UserId();
  account.groupNames = platform::ProcessGroupNames();
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr) account.xdgDataHome = xdg;
  account.home = platform::HomeFolder();
  const std::filesystem::path programFolder = platform::ProgramFolder();
  std::filesystem::path folder = ChooseApplicationFolder(programFolder, account);
  if (folder != programFolder && folder != kSharedApplicationFolder) {
    // A user's own folder: made on first use; a failure shows when the program finds it not writable.
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
  }
  return folder;
}

std::filesystem::path ProgramFile(const std::filesystem::path& applicationFolder,
                                  const std::filesystem::path& programFolder, const std::string& fileName) {
  const auto own = applicationFolder / fileName;
  if (platform::FileExists(own)) return own;
  const auto beside = programFolder / fileName;
  return platform::FileExists(beside) ? beside : own;
}

platform::TStatus PrepareApplicationFolder(const std::filesystem::path& applicationFolder,
                                           std::vector<std::string>& script) {
  const platform::TDriveMap map(applicationFolder);
  if (platform::TStatus drive = map.EnsureDrive('c'); !drive) return drive;
  if (platform::TStatus queue = platform::ForceDirectories(map.Resolve("C:\\PDF")); !queue) return queue;

  const auto scriptFile = applicationFolder / kScriptFileName;
  script.clear();
  if (platform::FileExists(scriptFile)) {
    std::string bytes;
    if (platform::TStatus read = platform::ReadFileBytes(scriptFile, bytes); !read) return read;
    script = platform::SplitLines(ScriptTextFromFile(bytes));
  }
  if (IsBlankScript(script)) {
    script = StandardScript();
    if (platform::TStatus written = platform::WriteTextLines(scriptFile, script); !written) return written;
  }
  return platform::TStatus::Ok();
}

}  // namespace varnholt
