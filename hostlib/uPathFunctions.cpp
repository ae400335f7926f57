// uPathFunctions.cpp — path routines and the text files of action scripts.
#include "hostlib/uPathFunctions.h"

#include <vector>

#include "hostlib/uDestinationNames.h"
#include "hostlib/uHostErrors.h"
#include "hostlib/uTextFunctions.h"

namespace varnholt {

namespace {
constexpr const char* kObject = "Varnholt";
}  // namespace

std::string ParentFolder(TLogger& log, std::string_view fileName) {
  const std::string path = TrimBackSlash(log, TrimAll(log, fileName));
  return FolderOf(path);
}

std::string SubDir(TLogger& log, std::string_view filePath, std::int32_t index) {
  return Token(log, filePath, "\\", index);
}

std::string SubDirs(TLogger& log, std::string_view filePath, std::int32_t count) {
  const std::string path = TrimBackSlash(log, TrimAll(log, filePath));
  return Tokens(log, path, "\\", count);
}

std::string FixFilePath(TLogger& log, std::string_view filePath) {
  return TrimBackSlash(log, FixFileName(log, filePath, false));
}

void AppendToTextFile(TLogger& log, const platform::TFileSystem& files, std::string_view fileName,
                      std::string_view text) {
  log.WriteProc(kObject, "AppendToTextFile");
  const std::string name = FixFileName(log, TrimAll(log, fileName), false);
  std::string line = TrimAll(log, text);

  std::vector<std::string> lines;
  if (files.FileExists(name)) {
    if (auto read = files.ReadTextLines(name, lines); !read) throw EHostError(read.Message());
  }
  // The line is one entry even when it holds line breaks; it is written as it is.
  lines.push_back(std::move(line));

  const std::string folder = FolderOf(name);
  if (folder.empty()) throw EHostError("Unable to create directory");
  // A folder that cannot be made is not reported here: the write below fails and says why.
  (void)files.ForceDirectories(folder);
  if (auto written = files.WriteTextLines(name, lines); !written) throw EHostError(written.Message());
  log.WriteEntry(ltMsg, kObject, "AppendToTextFile", "Done", name);
}

std::string ReadFromTextFile(TLogger& log, const platform::TFileSystem& files, std::string_view fileName) {
  log.WriteProc(kObject, "ReadFromTextFile");
  const std::string name = FixFileName(log, TrimAll(log, fileName), false);
  std::vector<std::string> lines;
  if (files.FileExists(name)) {
    if (auto read = files.ReadTextLines(name, lines); !read) throw EHostError(read.Message());
  }
  log.WriteEntry(ltMsg, kObject, "ReadFromTextFile", "Done", name);
  std::string result;
  for (const auto& line : lines) {
    result += line;
    result += "\r\n";
  }
  return result;
}

}  // namespace varnholt
