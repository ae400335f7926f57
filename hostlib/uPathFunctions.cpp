// uPathFunctions.cpp — path routines and the text files of action scripts.
#include "hostlib/uPathFunctions.h"

#include <vector>

#include "hostlib/uDestinationNames.h"
#include "hostlib/uHostErrors.h"
#include "hostlib/uTextFunctions.h"

namespace varnholt {

namespace {

constexpr const char* kObject = "Varnholt";

// A text file's name follows the placement rules: what counts is where the name leads once its dots are
// resolved, and that may be neither the queue folder nor a hidden name. A refused name ends the run, as a
// name that cannot be written does, after an Err record that names it.
std::string CheckedTextFileName(TLogger& log, const char* proc, const std::string& written) {
  std::string name = ResolveDotSegments(written);
  if (const char* refusal = DestinationRefusal(written, name)) {
    log.WriteEntry(ltErr, kObject, proc, refusal, name);
    throw EHostError(std::string(refusal) + ": " + name);
  }
  return name;
}

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
  const std::string name =
      CheckedTextFileName(log, "AppendToTextFile", FixFileName(log, TrimAll(log, fileName), false));
  // The line is one entry even when it holds line breaks; it is written as it is.
  const std::string line = TrimAll(log, text);

  const std::string folder = FolderOf(name);
  if (folder.empty()) throw EHostError("Unable to create directory");
  // A folder that cannot be made is not reported here: the append below fails and says why.
  (void)files.ForceDirectories(folder);
  // In place and under a lock: the window, the service and an operator's run may append at once.
  if (auto appended = files.AppendTextLine(name, line); !appended) throw EHostError(appended.Message());
  log.WriteEntry(ltMsg, kObject, "AppendToTextFile", "Done", name);
}

std::string ReadFromTextFile(TLogger& log, const platform::TFileSystem& files, std::string_view fileName) {
  log.WriteProc(kObject, "ReadFromTextFile");
  const std::string name =
      CheckedTextFileName(log, "ReadFromTextFile", FixFileName(log, TrimAll(log, fileName), false));
  // A FIFO or a device in the file's place is an error, never waited on.
  if (auto regular = files.RequireRegularFile(name); !regular) throw EHostError(regular.Message());
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
