// uVarnholtCore.h — the processing core behind the main window: the processing state, selecting and
// loading a file, the status indicator, the emergency stop, the bridge to the PDF engine, file placement,
// printing and the action run.
//
// The Qt window and the headless service each wrap one TVarnholtCore and forward their events (file list
// click, selected file changed, Execute, focus leaving the Minimize button); the core answers through the
// UI port. Operations catch their own failures and report them as log records, never as exceptions. The
// core is also the host context the script's host routines run on.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/uProcessingState.h"
#include "core/uUiPort.h"
#include "logging/uLogger.h"
#include "platform/DriveMap.h"
#include "platform/FileLock.h"
#include "platform/FileSystem.h"
#include "hostlib/uHostContext.h"

namespace varnholt {

class TatPascalScripter;
class TatUserInteraction;

inline constexpr const char* kEngineProgram = "PDF.EXE";
// The move journals in the application folder, one a process ("PDFMOVE.<process id>.TXT", so that the
// service and an operator's run never overwrite each other's): the process id, source and destination of
// a move across file systems, written before the copy is named and removed once the source is deleted.
inline constexpr const char* kMoveJournalPrefix = "PDFMOVE.";
inline constexpr const char* kMoveJournalSuffix = ".TXT";
// The lock file in the application folder that gives engine requests their turns.
inline constexpr const char* kEngineLockFile = "PDFENV.LCK";
// An engine run may take minutes (a long print job, a large PDF), and a request may have to wait for
// another one before it; a turn that has not come after this long is an engine error.
inline constexpr std::chrono::milliseconds kDefaultEngineWait = std::chrono::minutes(15);

// Bottom bar colours of the status indicator.
inline constexpr TStatusColor kStatusProcessing{166, 202, 240};
inline constexpr TStatusColor kStatusError{255, 0, 0};
inline constexpr TStatusColor kStatusAutomatic{192, 220, 192};
inline constexpr TStatusColor kStatusIdle{255, 255, 0};

// How long an action run may take before it is stopped as a run-time error: a script whose loop never
// ends must not hold the queue for good.
inline constexpr std::chrono::milliseconds kDefaultScriptTimeLimit = std::chrono::minutes(10);

// The most bytes either text of a report may have: a text bomb of thousands of pages must not hold the
// queue or fill the disk. Far above any real report (the longest of our samples has a few kilobytes).
inline constexpr std::int64_t kDefaultTextLimit = 16LL * 1024 * 1024;

// An EXTRACT answered "Error" with a message that begins with this names the file as unreadable.
inline constexpr const char* kUnreadablePrefix = "Unreadable: ";

// How one engine request ended.
enum class TEngineOutcome {
  kOk,          // any status but "Error"
  kUnreadable,  // EXTRACT answered "Error" with the message prefix "Unreadable: "
  kFailed,      // not sent, no answer, or "Error": the emergency stop has been made
};
struct TEngineAnswer {
  TEngineOutcome outcome = TEngineOutcome::kFailed;
  std::string message;  // the answer's message (the reason for an unreadable file, without the prefix)
};

class TVarnholtCore : public THostContext {
 public:
  // The application folder holds PDF.EXE, the exchange files and the drive folders.
  TVarnholtCore(std::filesystem::path applicationFolder, TUiPort& port, TLogger& logger);
  ~TVarnholtCore() override;
  TVarnholtCore(const TVarnholtCore&) = delete;
  TVarnholtCore& operator=(const TVarnholtCore&) = delete;

  TProcessingState& State() { return state_; }
  const TProcessingState& State() const { return state_; }
  TUiPort& Port() { return port_; }
  const platform::TDriveMap& DriveMap() const { return driveMap_; }

  // --- The host context of the script's routines ----------------------------------------------
  TLogger& Log() override { return logger_; }
  const platform::TFileSystem& Files() const override { return files_; }
  const std::filesystem::path& ApplicationFolder() const override { return state_.applicationFolder; }
  std::string& CurrentPdf() override { return state_.currentPdf; }
  std::string& ActiveText() override { return state_.activeText; }
  const std::string& Text1() const override { return state_.text1; }
  const std::string& Text2() const override { return state_.text2; }
  bool IsAutomatic() const override { return state_.automatic; }
  std::string QueueFolder() const override;
  std::string PaperPrinter() const override { return state_.paperPrinter; }
  void BeginBusyCursor() override { port_.BeginBusyCursor(); }
  void EndBusyCursor() override { port_.EndBusyCursor(); }
  void RunEngineRequest(const std::vector<std::string>& keys, const std::string& action,
                        const std::function<void()>& prepare = {}) override;

  // The operator picked a file (name only) in the browser's file list.
  void FilesClick(const std::string& fileName);
  // Sets the box "Selected PDF File"; a different text is a change and runs edPdfFileChange.
  void SetSelectedFile(const std::string& path);
  // The selected file changed: empties the texts and loads the new file's texts when it exists.
  void edPdfFileChange();
  // Extracts the texts of the selected file through the engine and shows them. The texts are taken only
  // from an OK answer (PDF1.TXT and PDF2.TXT are deleted before the request); otherwise both stay empty
  // and the state's textLoad says why.
  void LoadContent();
  // After the load of a report in the queue: one the engine could not read goes to FAILED with the reason
  // (Err record), one whose load failed otherwise stays in the queue (the emergency stop was made). True
  // when the texts were not loaded, so that no script runs on the report.
  bool SettleFailedLoad(const std::string& path);
  // Refreshes the bottom bar colour and the notification-area icon from the state.
  void UpdateStatus();
  // Stops Automatic mode after a failure that must not go on unattended; nothing when it is off.
  void EmergencyStop() override;
  // The Minimize button lost the keyboard focus: the error state is over.
  void btHideExit();
  // Puts the Automatic button up without running its click handler.
  void SwitchAutomaticOff();

  // Runs one engine request: the request list plus the action and the passwords go to PDFENV.TXT,
  // PDF.EXE runs hidden in the application folder, and PDFRES.TXT is read and reported.
  // Waits for the engine's turn first (see TEngineTurn). A value with CR, LF or NUL would end its line
  // and smuggle in keys of its own: such a request is refused (Err record, nothing written, emergency
  // stop). An engine that died by a signal without answering is asked once more. After an error the
  // request stays in PDFENV.TXT for diagnosis, its passwords written as "(hidden)".
  TEngineAnswer ExecPDF(const std::string& action);

  // --- File placement ----------------------------------------------------------------------------
  // Copies (move false) or moves the current PDF to a cleaned destination; never overwrites, numbers a
  // taken name, and sends the PDF to FAILED or stops Automatic mode when it cannot be placed.
  void PdfCopyMoveTo(const std::string& destination, bool move) override;
  bool CopyFile(const std::string& source, const std::string& destination) override;
  bool DeleteFile(const std::string& path) override;
  bool MoveToFailed(const std::string& file) override;
  std::string LastPDFFile(const std::string& fileName) override;
  // A free numbered variant of path (Report.PDF -> Report_0000.PDF); path itself when it is free.
  std::string FileCounter(const std::string& path);
  // At start, before the first pass: a move across file systems that was killed between naming its copy
  // and deleting its source left the report in both places (see kMoveJournalPrefix). When both are the same
  // bytes (SHA-256) the source is removed, with a Msg record naming both; when they differ both stay and
  // an Err record names them. Nothing happens while the process that wrote the journal still runs.
  void RecoverInterruptedMove();
  // Test seam: called between the steps of a move across file systems (see platform::TPlacementHook).
  platform::TPlacementHook PlacementHook;

  // --- Printing ----------------------------------------------------------------------------------
  bool PrintTo(const std::string& file, const std::string& printer, bool stopOnError) override;
  void PrintingByAcrobatReader() override;
  void PrintingByVarnholt() override;
  // Fills the paper printer box from the installed printers.
  void FillPaperPrinters(const std::vector<std::string>& printerList);
  // The installed printers; the platform's list unless a test replaces it.
  std::function<std::vector<std::string>()> PrinterList;

  // --- Automatic mode ----------------------------------------------------------------------------
  // The operator toggled the Automatic button; down is its new state.
  void sbAutomaticClick(bool down);
  // One tick of the automatic timer (every second): the pass over the queue folder.
  void TimerAutomaticTimer();
  // The folder watcher saw a change in the queue folder.
  void ChangedFolderChangeNotify();
  // One tick of the counter timer (every second): the counts are refreshed every 30 ticks.
  void FileCountTimer();
  // A report the action left in the queue: printed on the paper printer and moved to FAILED.
  void PostAction(const std::string& path);
  // How many reports this core has moved to FAILED (the post action and MoveToFailed), so that a caller
  // can tell from what the core did whether a report ended there.
  int MovesToFailed() const { return movesToFailed_; }
  // Lets the next tick make a pass whatever the reference time says (the service's start: a backlog
  // waiting since before it is taken at once).
  void PassAtNextTick();
  // The last pass took a report and left others in the queue that it did not look at; its next tick
  // may come at once. The reference time already lets it pass.
  bool MoreWaiting() const { return moreWaiting_; }
  // The operator commands on the FAILED folder.
  void btReQueueClick();
  void btDeleteFailedClick();
  // What the last Re-Queue or Delete Failed did: files moved (or deleted) and files that stayed.
  struct TFailedOutcome {
    int done = 0;
    int stayed = 0;
  };
  const TFailedOutcome& LastFailedCommand() const { return lastFailed_; }
  // The names the last pass listed in the browser's folder.
  const std::vector<std::string>& FileList() const { return fileList_; }
  int RefreshBar() const { return refreshBar_; }
  void SetRefreshBar(int position);
  // Points the folder watcher at a folder; the window or the service that owns the watcher sets it.
  std::function<void(const std::string& folder)> WatchFolder;
  // The current time; tests set a clock of their own.
  std::function<std::chrono::system_clock::time_point()> Clock;

  // --- Action run --------------------------------------------------------------------------------
  // The Execute command: one action run on the selected file, with Automatic mode off.
  void btExecuteClick();
  // One run of the action script on the selected file.
  void ActionRun();
  // A run still going after this long is stopped as a run-time error; zero means no limit.
  void SetScriptTimeLimit(std::chrono::milliseconds limit) { scriptTimeLimit_ = limit; }
  // The script's ShowMessage, InputQuery and the like go through the UI port.
  TatPascalScripter& Scripter();

  // --- The engine's turn -------------------------------------------------------------------------
  // How long a request waits for its turn at the engine of this application folder.
  std::chrono::milliseconds EngineWait() const { return engineWait_; }
  void SetEngineWait(std::chrono::milliseconds wait) { engineWait_ = wait; }
  // An engine run still going after this long is ended and counts as an engine error. EXTRACT tells the
  // engine the limit (PDFSECONDS), so that a file that takes longer is answered as unreadable; the run is
  // ended only a grace after it (a tenth, at most 5 seconds).
  void SetEngineTimeLimit(std::chrono::milliseconds limit) { engineTimeLimit_ = limit; }
  // The most bytes either text may have (PDFTEXTBYTES for the engine, and checked when reading).
  void SetTextLimit(std::int64_t bytes) { textLimit_ = bytes; }

  // The engine's turn in this application folder: one request at a time, across processes (the window,
  // the headless service and an operator's varnholt-cli share the exchange files). ExecPDF takes it for
  // its request; a caller that prepares or reads exchange files around a request (TEMPCP.TXT before
  // COVERPAGE, PDF1.TXT and PDF2.TXT after EXTRACT) takes it first, and the ExecPDF inside shares it.
  // A turn that does not come within EngineWait() writes an Err record (Object "PdfReader", Proc
  // "ExecPDF", Text the action), empties the request list and stops Automatic mode, as an engine error.
  class TEngineTurn {
   public:
    TEngineTurn(TVarnholtCore& core, const std::string& action);
    ~TEngineTurn();
    TEngineTurn(const TEngineTurn&) = delete;
    TEngineTurn& operator=(const TEngineTurn&) = delete;
    explicit operator bool() const { return granted_; }

   private:
    TVarnholtCore& core_;
    bool granted_ = false;
  };

 private:
  void ShowTexts();
  TEngineAnswer RunEngineProgram(const std::string& action);
  // Creates FAILED below a file's folder (an Err record under proc when it cannot) and gives its path.
  std::string ForceFailedFolder(const std::string& file, const char* proc);
  // The path a file takes in that FAILED: its own name, numbered (a Msg "File Counter" under proc) when an
  // earlier report there has it, so that no unhandled report is ever lost.
  std::string FailedTarget(const std::string& file, const char* proc);
  // CopyFile, giving the reason of a failure (empty when the failure was reported otherwise).
  bool CopyFileBecause(const std::string& source, const std::string& destination, std::string& reason);
  // A move that never overwrites: one rename within a file system; across file systems a copy, journalled
  // in its move journal from before the copy is named until the source is deleted.
  platform::TStatus MoveReport(const std::string& source, const std::string& destination);
  // Finishes the move one journal describes (see RecoverInterruptedMove()).
  void RecoverInterruptedMove(const std::filesystem::path& journal);
  std::chrono::system_clock::time_point Now() const;
  // The shared body of Re-Queue and Delete Failed: the question, then every PDF of FAILED moved into the
  // queue or deleted; the outcome is kept in lastFailed_.
  void FailedCommand(bool deleteThem);
  // A queue entry whose name the queue does not take (uQueueNames.h): moved to FAILED by its native
  // name; true when it left the queue.
  bool FailUnsafeName(const std::string& folder, const platform::TFoundFile& file);

  TProcessingState state_;
  TUiPort& port_;
  TLogger& logger_;
  platform::TDriveMap driveMap_;
  platform::TFileSystem files_;
  std::chrono::milliseconds scriptTimeLimit_ = kDefaultScriptTimeLimit;
  std::vector<std::string> fileList_;
  int refreshBar_ = 0;
  bool moreWaiting_ = false;
  int movesToFailed_ = 0;
  TFailedOutcome lastFailed_;
  std::unique_ptr<TatUserInteraction> interaction_;
  std::unique_ptr<TatPascalScripter> scripter_;
  std::chrono::milliseconds engineWait_ = kDefaultEngineWait;
  std::chrono::milliseconds engineTimeLimit_ = std::chrono::minutes(10);
  std::int64_t textLimit_ = kDefaultTextLimit;
  platform::TFileLock engineLock_;
  int engineTurns_ = 0;  // nested turns of this core share one lock
};

}  // namespace varnholt
