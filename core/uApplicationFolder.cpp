// uApplicationFolder.cpp — a fresh application folder made ready to file reports with nothing configured.
#include "core/uApplicationFolder.h"

#include "core/uStandardScript.h"
#include "platform/CodePage.h"
#include "platform/DriveMap.h"
#include "platform/Files.h"
#include "script/compiler/atPascal.h"

namespace varnholt {

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
