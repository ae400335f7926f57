// uVarnholtCore.h — the processing core behind the main window: the processing state, selecting and
// loading a file, the status indicator, the emergency stop, and the bridge to the PDF engine.
//
// The Qt window wraps one TVarnholtCore and forwards its events (file list click, selected file
// changed, focus leaving the Minimize button); the core answers through the UI port. Operations catch
// their own failures and report them as log records, never as exceptions.
#pragma once

#include <filesystem>
#include <string>

#include "core/uProcessingState.h"
#include "core/uUiPort.h"
#include "logging/uLogger.h"
#include "platform/DriveMap.h"
#include "platform/FileSystem.h"

namespace varnholt {

inline constexpr const char* kEngineProgram = "PDF.EXE";

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
  void ExecPDF(const std::string& action);

 private:
  void ShowTexts();

  TProcessingState state_;
  TUiPort& port_;
  TLogger& logger_;
  platform::TDriveMap driveMap_;
  platform::TFileSystem files_;
};

}  // namespace varnholt
