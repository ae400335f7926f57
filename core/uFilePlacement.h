// uFilePlacement.h — how a PDF leaves the queue folder: copies and moves that never overwrite, numbered
// names, the move to FAILED, and the recovery of a move that a kill interrupted.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "core/uProcessingState.h"
#include "core/uStatusIndicator.h"
#include "core/uUiPort.h"
#include "logging/uLogger.h"
#include "platform/DriveMap.h"
#include "platform/FileSystem.h"

namespace varnholt {

// The move journals in the application folder, one a process ("PDFMOVE.<process id>.TXT", so that the
// service and an operator's run never overwrite each other's): the process id, source and destination of
// a move across file systems, written before the copy is named and removed once the source is deleted.
inline constexpr const char* kMoveJournalPrefix = "PDFMOVE.";
inline constexpr const char* kMoveJournalSuffix = ".TXT";

// A file that this process wrote while filing: a report moved or copied to its place or to FAILED, or a
// file an engine request changed or appended to. The journal records them with their SHA-256.
struct TWrittenFile {
  std::string path;  // Windows path
  std::string how;   // moved, copied, FAILED, changed, appended
};

class TFilePlacement {
 public:
  TFilePlacement(TProcessingState& state, TUiPort& port, TLogger& logger, const platform::TDriveMap& driveMap,
                 const platform::TFileSystem& files, TStatusIndicator& status)
      : state_(state), port_(port), logger_(logger), driveMap_(driveMap), files_(files), status_(status) {}

  // Copies (move false) or moves the current PDF to a cleaned destination; never overwrites, numbers a
  // taken name, and sends the PDF to FAILED or stops Automatic mode when it cannot be placed.
  void PdfCopyMoveTo(const std::string& destination, bool move);
  bool CopyFile(const std::string& source, const std::string& destination);
  bool DeleteFile(const std::string& path);
  // Moves a file into FAILED below its folder, under a free name; the current PDF follows it.
  bool MoveToFailed(const std::string& file);
  std::string LastPDFFile(const std::string& fileName);
  // A free numbered variant of path (Report.PDF -> Report_0000.PDF); path itself when it is free.
  std::string FileCounter(const std::string& path);
  // The path a file takes in the FAILED folder below its folder (made when missing, an Err record under
  // proc when it cannot be): its own name, numbered (a Msg "File Counter" under proc) when an earlier
  // report there has it, so that no unhandled report is ever lost.
  std::string FailedTarget(const std::string& file, const char* proc);
  // A move that never overwrites: one rename within a file system; across file systems a copy, journalled
  // in this process's move journal from before the copy is named until the source is deleted.
  platform::TStatus MoveReport(const std::string& source, const std::string& destination);
  // At start, before the first pass: a move across file systems that was killed between naming its copy
  // and deleting its source left the report in both places (see kMoveJournalPrefix). When both are the same
  // bytes (SHA-256) the source is removed, with a Msg record naming both; when they differ both stay and
  // an Err record names them. Nothing happens while the process that wrote the journal still runs.
  void RecoverInterruptedMove();
  // How many reports this unit has moved to FAILED, so that a caller can tell what it did.
  int MovesToFailed() const { return movesToFailed_; }
  void CountMoveToFailed() { ++movesToFailed_; }
  // Every file written so far, in order (see TWrittenFile); a caller takes the tail it is interested in.
  const std::vector<TWrittenFile>& Written() const { return written_; }
  void NoteWritten(std::string path, std::string how) { written_.push_back({std::move(path), std::move(how)}); }

  // Test seam: called between the steps of a move across file systems (see platform::TPlacementHook).
  platform::TPlacementHook PlacementHook;

 private:
  // Creates FAILED below a file's folder (an Err record under proc when it cannot) and gives its path.
  std::string ForceFailedFolder(const std::string& file, const char* proc);
  // CopyFile, giving the reason of a failure (empty when the failure was reported otherwise).
  bool CopyFileBecause(const std::string& source, const std::string& destination, std::string& reason);
  // Finishes the move one journal describes.
  void RecoverInterruptedMove(const std::filesystem::path& journal);

  TProcessingState& state_;
  TUiPort& port_;
  TLogger& logger_;
  const platform::TDriveMap& driveMap_;
  const platform::TFileSystem& files_;
  TStatusIndicator& status_;
  int movesToFailed_ = 0;
  std::vector<TWrittenFile> written_;
};

}  // namespace varnholt
