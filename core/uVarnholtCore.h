// uVarnholtCore.h — the processing core behind the main window: the processing state, selecting and
// loading a file, the status indicator, the emergency stop, and the bridge to the PDF engine.
//
// The Qt window wraps one TVarnholtCore and forwards its events (file list click, selected file
// changed, focus leaving the Minimize button); the core answers through the UI port. Operations catch
// their own failures and report them as log records, never as exceptions.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>

#include "core/uProcessingState.h"
#include "core/uUiPort.h"
#include "logging/uLogger.h"
#include "platform/DriveMap.h"
#include "platform/FileLock.h"
#include "platform/FileSystem.h"

namespace varnholt {

inline constexpr const char* kEngineProgram = "PDF.EXE";
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

class TVarnholtCore {
 public:
  // The application folder holds PDF.EXE, the exchange files and the drive folders.
  TVarnholtCore(std::filesystem::path applicationFolder, TUiPort& port, TLogger& logger);
  TVarnholtCore(const TVarnholtCore&) = delete;
  TVarnholtCore& operator=(const TVarnholtCore&) = delete;

  TProcessingState& State() { return state_; }
  const TProcessingState& State() const { return state_; }
  TUiPort& Port() { return port_; }
  TLogger& Log() { return logger_; }
  const platform::TDriveMap& DriveMap() const { return driveMap_; }
  const platform::TFileSystem& Files() const { return files_; }

  // The operator picked a file (name only) in the browser's file list.
  void FilesClick(const std::string& fileName);
  // Sets the box "Selected PDF File"; a different text is a change and runs edPdfFileChange.
  void SetSelectedFile(const std::string& path);
  // The selected file changed: empties the texts and loads the new file's texts when it exists.
  void edPdfFileChange();
  // Extracts the texts of the selected file through the engine and shows them.
  void LoadContent();
  // Refreshes the bottom bar colour and the notification-area icon from the state.
  void UpdateStatus();
  // Stops Automatic mode after a failure that must not go on unattended; nothing when it is off.
  void EmergencyStop();
  // The Minimize button lost the keyboard focus: the error state is over.
  void btHideExit();
  // Puts the Automatic button up without running its click handler.
  void SwitchAutomaticOff();

  // Runs one engine request: the request list plus the action and the passwords go to PDFENV.TXT,
  // PDF.EXE runs hidden in the application folder, and PDFRES.TXT is read and reported.
  // Waits for the engine's turn first (see TEngineTurn).
  void ExecPDF(const std::string& action);

  // How long a request waits for its turn at the engine of this application folder.
  std::chrono::milliseconds EngineWait() const { return engineWait_; }
  void SetEngineWait(std::chrono::milliseconds wait) { engineWait_ = wait; }

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
  void RunEngineRequest(const std::string& action);

  TProcessingState state_;
  TUiPort& port_;
  TLogger& logger_;
  platform::TDriveMap driveMap_;
  platform::TFileSystem files_;
  std::chrono::milliseconds engineWait_ = kDefaultEngineWait;
  platform::TFileLock engineLock_;
  int engineTurns_ = 0;  // nested turns of this core share one lock
};

}  // namespace varnholt
