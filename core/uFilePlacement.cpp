// uFilePlacement.cpp — how a PDF leaves the queue folder: the destination is cleaned, missing folders are
// made, a taken name gets a number, and a PDF that cannot be placed goes to FAILED or stops Automatic mode.
//
// The copy underneath never overwrites and never leaves a partial file under the destination's name
// (platform::CopyFileNoOverwrite). A move within a file system is one rename; across file systems the move
// is journalled, so that a process killed between naming the copy and deleting the source is finished at
// the next start: a kill at any moment leaves the report in exactly one place, whole. A destination is
// judged by where it leads once its "." and ".." are resolved, so report text can never steer a file
// back into the queue.
#include "core/uFilePlacement.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "hostlib/uDestinationNames.h"
#include "hostlib/uHostErrors.h"
#include "hostlib/uTextFunctions.h"
#include "platform/CodePage.h"
#include "platform/Process.h"

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

// The Data of a failure record: what it names, and why the system refused.
std::string Because(const std::string& path, const platform::TStatus& status) {
  return path + ": " + status.Message();
}

}  // namespace

std::string TFilePlacement::FileCounter(const std::string& path) {
  logger_.WriteProc(kObject, "FileCounter");
  if (!files_.FileExists(path)) return path;
  const std::string folder = FolderPartOf(path);
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

void TFilePlacement::PdfCopyMoveTo(const std::string& destinationArgument, bool move) {
  logger_.WriteProc(kObject, "PdfCopyMoveTo");
  const std::string source = state_.CurrentPdf();
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
  const std::string written = destination;
  // Report text may hold "." and ".."; every check below is made on where the file really lands.
  destination = ResolveDotSegments(destination);

  const std::string destFolder = FolderOf(destination);
  if (platform::SameText(destFolder, sourceFolder)) {
    err("Same Destination Folder", destination);
    MoveToFailed(source);
    return;
  }
  // Refused names are refused before any folder is made for them.
  if (FileNameOf(destination) == ExtensionOf(destination)) {
    err("Empty Destination FileName", destination);
    MoveToFailed(source);
    return;
  }
  if (const char* refusal = DestinationRefusal(written, destination)) {
    err(refusal, destination);
    MoveToFailed(source);
    return;
  }
  if (!files_.DirectoryExists(destFolder)) {
    msg("Force Folder", destFolder);
    RequireFolderPart(destFolder);
    if (const platform::TStatus made = files_.ForceDirectories(destFolder); !made) {
      err("Force Folder Failed", Because(destFolder, made));
      status_.EmergencyStop();
      return;
    }
  }
  if (files_.FileExists(destination)) {
    msg("File Exists", destination);
    destination = FileCounter(destination);
    msg("File Counter", destination);
  }
  if (move) {
    if (const platform::TStatus moved = MoveReport(source, destination); !moved) {
      // Another program may have taken the name since the check; the move never overwrites it, and a
      // failed move leaves the report where it was.
      err("Copy Failed", Because(destination, moved));
      MoveToFailed(source);
      return;
    }
  } else if (std::string reason; !CopyFileBecause(source, destination, reason)) {
    err("Copy Failed", destination + ": " + reason);
    MoveToFailed(source);
    return;
  }
  logger_.WriteEntry(ltScr, "Action", move ? "MoveTo" : "CopyTo", "Destination", destination);
  msg("Done", destination);
  if (move) state_.ReportMovedTo(destination);
}

bool TFilePlacement::CopyFile(const std::string& source, const std::string& destination) {
  std::string reason;
  return CopyFileBecause(source, destination, reason);
}

bool TFilePlacement::CopyFileBecause(const std::string& source, const std::string& destinationArgument,
                                     std::string& reason) {
  logger_.WriteProc(kObject, "CopyFile");
  const std::string written = FixFileName(logger_, TrimBackSlash(logger_, destinationArgument), false);
  const std::string destination = ResolveDotSegments(written);
  if (const char* refusal = DestinationRefusal(written, destination)) {
    logger_.WriteEntry(ltErr, kObject, "CopyFile", refusal, destination);
    reason = refusal;
    return false;
  }
  const std::string folder = FolderOf(destination);
  if (!files_.DirectoryExists(folder)) {
    logger_.WriteEntry(ltMsg, kObject, "CopyFile", "Force Folder", folder);
    RequireFolderPart(folder);
    if (const platform::TStatus made = files_.ForceDirectories(folder); !made) {
      logger_.WriteEntry(ltErr, kObject, "CopyFile", "Force Folder Failed", Because(folder, made));
      status_.EmergencyStop();
      reason = made.Message();
      return false;
    }
  }
  logger_.WriteEntry(ltMsg, kObject, "CopyFile", "Copy", destination);
  if (const platform::TStatus copied = files_.CopyFileNoOverwrite(source, destination); !copied) {
    logger_.WriteEntry(ltErr, kObject, "CopyFile", "Failed", copied.Message());
    reason = copied.Message();
    return false;
  }
  logger_.WriteEntry(ltMsg, kObject, "CopyFile", "Done");
  NoteWritten(destination, "copied");
  return true;
}

bool TFilePlacement::DeleteFile(const std::string& path) {
  logger_.WriteProc(kObject, "DeleteFile");
  if (!files_.FileExists(path)) {
    logger_.WriteEntry(ltMsg, kObject, "DeleteFile", "Not existing", path);
    return false;
  }
  platform::TStatus deleted = files_.DeleteFile(path);
  if (!deleted) {
    logger_.WriteEntry(ltErr, kObject, "DeleteFile", "Failed by OS", deleted.Message());
    // There is no shell delete on Linux; a second plain attempt stands in for it.
    deleted = files_.DeleteFile(path);
    if (!files_.FileExists(path)) deleted = platform::TStatus::Ok();
  }
  if (deleted) {
    logger_.WriteEntry(ltMsg, kObject, "DeleteFile", "Deleted", path);
    return true;
  }
  logger_.WriteEntry(ltErr, kObject, "DeleteFile", "Failed by Explorer", Because(path, deleted));
  return false;
}

std::string TFilePlacement::ForceFailedFolder(const std::string& file, const char* proc) {
  const std::string folder = FolderOf(file);
  const std::string failed = JoinPath(folder, "FAILED");
  if (const platform::TStatus made = files_.ForceDirectories(failed); made) {
    port_.RefreshFolderList();
  } else {
    logger_.WriteEntry(ltErr, kObject, proc, "Force Folder Failed", Because(folder, made));
  }
  return failed;
}

std::string TFilePlacement::FailedTarget(const std::string& file, const char* proc) {
  const std::string failed = ForceFailedFolder(file, proc);
  std::string target = JoinPath(failed, FileNameOf(file));
  if (files_.FileExists(target)) {
    target = FileCounter(target);
    logger_.WriteEntry(ltMsg, kObject, proc, "File Counter", target);
  }
  return target;
}

bool TFilePlacement::MoveToFailed(const std::string& file) {
  logger_.WriteProc(kObject, "MoveToFailed");
  const std::string target = FailedTarget(file, "MoveToFailed");
  const platform::TStatus moved = MoveReport(file, target);
  if (moved) {
    state_.ReportMovedTo(target);
    ++movesToFailed_;
    logger_.WriteEntry(ltMsg, kObject, "MoveToFailed", "Done", target);
    return true;
  }
  logger_.WriteEntry(ltErr, kObject, "MoveToFailed", "Failed", Because(target, moved));
  status_.EmergencyStop();
  return false;
}

platform::TStatus TFilePlacement::MoveReport(const std::string& source, const std::string& destination) {
  const std::filesystem::path journal =
      state_.ApplicationFolder() /
      (std::string(kMoveJournalPrefix) + std::to_string(::getpid()) + kMoveJournalSuffix);
  bool journalled = false;
  const platform::TStatus moved = files_.MoveFileNoOverwrite(
      source, destination, [&](platform::TPlacementStep step) -> platform::TStatus {
        // Called only across file systems. Once the copy is named the report has two names until the
        // source is deleted; the journal, on disk before the naming, lets the next start remove the spare.
        if (step == platform::TPlacementStep::kCopyFlushed) {
          const platform::TStatus written = platform::WriteTextLines(
              journal,
              {"PID=" + std::to_string(::getpid()), "SOURCE=" + source, "DESTINATION=" + destination});
          if (!written) return written;
          journalled = true;
        }
        return PlacementHook ? PlacementHook(step) : platform::TStatus::Ok();
      });
  if (journalled) (void)platform::DeleteFile(journal);
  if (moved) {
    NoteWritten(destination, platform::SameText(FileNameOf(FolderOf(destination)), "FAILED") ? "FAILED" : "moved");
  }
  return moved;
}

void TFilePlacement::RecoverInterruptedMove() {
  std::vector<std::filesystem::path> journals;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(state_.ApplicationFolder(), ec)) {
    const std::string name = entry.path().filename().string();
    if (name.size() > std::strlen(kMoveJournalPrefix) + std::strlen(kMoveJournalSuffix) &&
        name.starts_with(kMoveJournalPrefix) && name.ends_with(kMoveJournalSuffix)) {
      journals.push_back(entry.path());
    }
  }
  std::sort(journals.begin(), journals.end());
  for (const auto& journal : journals) RecoverInterruptedMove(journal);
}

void TFilePlacement::RecoverInterruptedMove(const std::filesystem::path& journal) {
  std::vector<std::string> lines;
  if (!platform::FileExists(journal) || !platform::ReadTextLines(journal, lines)) return;
  logger_.WriteProc(kObject, "RecoverInterruptedMove");
  constexpr const char* kProc = "RecoverInterruptedMove";
  long writer = 0;
  std::string source, destination;
  for (const std::string& line : lines) {
    if (line.rfind("PID=", 0) == 0) writer = std::atol(line.c_str() + 4);
    if (line.rfind("SOURCE=", 0) == 0) source = line.substr(7);
    if (line.rfind("DESTINATION=", 0) == 0) destination = line.substr(12);
  }
  if (writer == ::getpid() || platform::IsProcessAlive(static_cast<pid_t>(writer))) {
    logger_.WriteEntry(ltMsg, kObject, kProc, "Move Under Way", source + " -> " + destination);
    return;
  }
  if (!source.empty() && files_.FileExists(source) && files_.FileExists(destination)) {
    std::string sourceDigest, destinationDigest;
    const auto sourceNative = driveMap_.TryResolve(source),
               destinationNative = driveMap_.TryResolve(destination);
    platform::TStatus hashed = platform::FileSha256(*sourceNative, sourceDigest);
    if (hashed) hashed = platform::FileSha256(*destinationNative, destinationDigest);
    if (!hashed) {
      // Kept for the next start: nothing is removed that has not been compared.
      logger_.WriteEntry(ltErr, kObject, kProc, "Compare Failed",
                         source + " <> " + destination + ": " + hashed.Message());
      return;
    }
    if (sourceDigest != destinationDigest) {
      logger_.WriteEntry(ltErr, kObject, kProc, "Contents Differ", source + " <> " + destination);
    } else if (const platform::TStatus deleted = files_.DeleteFile(source); deleted) {
      logger_.WriteEntry(ltMsg, kObject, kProc, "Queued Copy Removed", source + " = " + destination);
    } else {
      logger_.WriteEntry(ltErr, kObject, kProc, "Delete Failed", Because(source, deleted));
      return;
    }
  }
  (void)platform::DeleteFile(journal);
}

std::string TFilePlacement::LastPDFFile(const std::string& fileName) {
  std::string name = TidyBackSlashes(TrimmedView(fileName));
  FixExtension(name);
  name = ReplaceForbiddenChars(name, false);
  const std::string base = name.substr(0, name.size() >= 4 ? name.size() - 4 : 0);
  // The only colon left is a drive's, before a backslash, so the folder part ends at the last backslash.
  const std::string folderWithSlash = FolderPartOf(base);
  const std::string baseName = FileNameOf(base);

  std::vector<platform::TFoundFile> found;
  if (!folderWithSlash.empty()) found = files_.FindFiles(FolderOf(base), baseName + "_????.PDF");
  if (found.empty()) return base + ".PDF";
  const auto last = std::max_element(found.begin(), found.end(), [](const auto& a, const auto& b) {
    return platform::UpperCase(a.name) < platform::UpperCase(b.name);
  });
  return folderWithSlash + last->name;
}

}  // namespace varnholt
