// uFilePlacement.cpp — how a PDF leaves the queue folder: the destination is cleaned, missing folders are
// made, a taken name gets a number, and a PDF that cannot be placed goes to FAILED or stops Automatic mode.
//
// The copy underneath never overwrites and never leaves a partial file under the destination's name
// (platform::CopyFileNoOverwrite), and a move deletes its source only after the copy is safe on disk, so a
// crash at any moment leaves the report in at least one piece, whole.
#include "core/uVarnholtCore.h"

#include <algorithm>
#include <cstdio>

#include "hostlib/uDestinationNames.h"
#include "hostlib/uHostErrors.h"
#include "hostlib/uTextFunctions.h"
#include "platform/CodePage.h"

namespace varnholt {

namespace {

constexpr const char* kObject = "Varnholt";

std::string Counter(int value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "_%.4d", value);
  return buffer;
}

// A folder a script named by a bare file name cannot be made; the run stops, as it would on Windows.
void RequireFolderPart(const std::string& folder) {
  if (folder.empty()) throw EHostError("Unable to create directory");
}

}  // namespace

std::string TVarnholtCore::FileCounter(const std::string& path) {
  logger_.WriteProc(kObject, "FileCounter");
  if (!files_.FileExists(path)) return path;
  const std::size_t separator = path.find_last_of("\\:");
  const std::string folder = separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
  const std::string extension = ExtensionOf(path);
  const std::string name = path.substr(folder.size(), path.size() - folder.size() - extension.size());

  long long counter = -1;
  std::string stem = name;
  if (name.size() >= 5 && name[name.size() - 5] == '_') {
    const std::string digits = name.substr(name.size() - 4);
    if (std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      counter = std::stoll(digits);
      stem = name.substr(0, name.size() - 5);
    }
  }
  std::string candidate;
  do {
    ++counter;
    candidate = folder + stem + Counter(static_cast<int>(counter)) + extension;
  } while (files_.FileExists(candidate));
  return candidate;
}

void TVarnholtCore::PdfCopyMoveTo(const std::string& destinationArgument, bool move) {
  logger_.WriteProc(kObject, "PdfCopyMoveTo");
  const std::string source = state_.currentPdf;
  auto err = [this](const char* text, const std::string& data) {
    logger_.WriteEntry(ltErr, kObject, "PdfCopyMoveTo", text, data);
  };
  auto msg = [this](const char* text, const std::string& data) {
    logger_.WriteEntry(ltMsg, kObject, "PdfCopyMoveTo", text, data);
  };

  if (!files_.FileExists(source)) {
    err("Missing Source", source);
    return;
  }
  const std::string sourceFolder = FolderOf(source);
  std::string destination = TrimAll(logger_, destinationArgument);
  if (destination.empty()) {
    err("Empty Destination Path", destination);
    MoveToFailed(source);
    return;
  }
  msg("Copy", destination);
  destination = TrimBackSlash(logger_, destination);
  if (FixExtension(destination)) msg("Fixed Extension", destination);
  destination = FixFileName(logger_, destination, false);

  const std::string destFolder = FolderOf(destination);
  if (platform::SameText(destFolder, sourceFolder)) {
    err("Same Destination Folder", destination);
    MoveToFailed(source);
    return;
  }
  if (!files_.DirectoryExists(destFolder)) {
    msg("Force Folder", destFolder);
    RequireFolderPart(destFolder);
    if (!files_.ForceDirectories(destFolder)) {
      err("Force Folder Failed", destFolder);
      EmergencyStop();
      return;
    }
  }
  if (FileNameOf(destination) == ExtensionOf(destination)) {
    err("Empty Destination FileName", destination);
    MoveToFailed(source);
    return;
  }
  if (files_.FileExists(destination)) {
    msg("File Exists", destination);
    destination = FileCounter(destination);
    msg("File Counter", destination);
  }
  if (!CopyFile(source, destination)) {
    // Another program may have taken the name since the check; the copy never overwrites it.
    err("Copy Failed", destination);
    MoveToFailed(source);
    return;
  }
  logger_.WriteEntry(ltScr, "Action", move ? "MoveTo" : "CopyTo", "Destination", destination);
  msg("Done", destination);
  if (!move) return;
  if (DeleteFile(source)) {
    state_.currentPdf = destination;
  } else {
    err("Delete Source Failed", source);
    EmergencyStop();
  }
}

bool TVarnholtCore::CopyFile(const std::string& source, const std::string& destinationArgument) {
  logger_.WriteProc(kObject, "CopyFile");
  const std::string destination = FixFileName(logger_, TrimBackSlash(logger_, destinationArgument), false);
  const std::string folder = FolderOf(destination);
  if (!files_.DirectoryExists(folder)) {
    logger_.WriteEntry(ltMsg, kObject, "CopyFile", "Force Folder", folder);
    RequireFolderPart(folder);
    if (!files_.ForceDirectories(folder)) {
      logger_.WriteEntry(ltErr, kObject, "CopyFile", "Force Folder Failed", folder);
      EmergencyStop();
      return false;
    }
  }
  logger_.WriteEntry(ltMsg, kObject, "CopyFile", "Copy", destination);
  if (const platform::TStatus copied = files_.CopyFileNoOverwrite(source, destination); !copied) {
    logger_.WriteEntry(ltErr, kObject, "CopyFile", "Failed");
    return false;
  }
  logger_.WriteEntry(ltMsg, kObject, "CopyFile", "Done");
  return true;
}

bool TVarnholtCore::DeleteFile(const std::string& path) {
  logger_.WriteProc(kObject, "DeleteFile");
  if (!files_.FileExists(path)) {
    logger_.WriteEntry(ltMsg, kObject, "DeleteFile", "Not existing", path);
    return false;
  }
  bool deleted = true;
  if (const platform::TStatus first = files_.DeleteFile(path); !first) {
    logger_.WriteEntry(ltErr, kObject, "DeleteFile", "Failed by OS", first.Message());
    // There is no shell delete on Linux; a second plain attempt stands in for it.
    deleted = files_.DeleteFile(path).ok() || !files_.FileExists(path);
  }
  if (deleted) {
    logger_.WriteEntry(ltMsg, kObject, "DeleteFile", "Deleted", path);
    return true;
  }
  logger_.WriteEntry(ltErr, kObject, "DeleteFile", "Failed by Explorer", path);
  return false;
}

std::string TVarnholtCore::ForceFailedFolder(const std::string& file, const char* proc) {
  const std::string folder = FolderOf(file);
  const std::string failed = JoinPath(folder, "FAILED");
  if (files_.ForceDirectories(failed)) {
    port_.RefreshFolderList();
  } else {
    logger_.WriteEntry(ltErr, kObject, proc, "Force Folder Failed", folder);
  }
  return failed;
}

bool TVarnholtCore::MoveToFailed(const std::string& file) {
  logger_.WriteProc(kObject, "MoveToFailed");
  const std::string failed = ForceFailedFolder(file, "MoveToFailed");
  std::string target = JoinPath(failed, FileNameOf(file));
  if (files_.FileExists(target)) {
    target = FileCounter(target);
    logger_.WriteEntry(ltMsg, kObject, "MoveToFailed", "File Counter", target);
  }
  if (files_.MoveFileNoOverwrite(file, target)) {
    state_.currentPdf = target;
    ++movesToFailed_;
    logger_.WriteEntry(ltMsg, kObject, "MoveToFailed", "Done", target);
    return true;
  }
  logger_.WriteEntry(ltErr, kObject, "MoveToFailed", "Failed", target);
  EmergencyStop();
  return false;
}

std::string TVarnholtCore::LastPDFFile(const std::string& fileName) {
  std::string name = TidyBackSlashes(TrimmedView(fileName));
  FixExtension(name);
  name = ReplaceForbiddenChars(name, false);
  const std::string base = name.substr(0, name.size() >= 4 ? name.size() - 4 : 0);
  const std::size_t separator = base.rfind('\\');
  const std::string folderWithSlash = separator == std::string::npos ? std::string() : base.substr(0, separator + 1);
  const std::string baseName = base.substr(folderWithSlash.size());

  std::vector<platform::TFoundFile> found;
  if (!folderWithSlash.empty()) found = files_.FindFiles(FolderOf(base), baseName + "_????.PDF");
  if (found.empty()) return base + ".PDF";
  const auto last = std::max_element(found.begin(), found.end(), [](const auto& a, const auto& b) {
    return platform::UpperCase(a.name) < platform::UpperCase(b.name);
  });
  return folderWithSlash + last->name;
}

}  // namespace varnholt
