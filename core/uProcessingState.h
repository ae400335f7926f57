// uProcessingState.h — the state of the file being worked on, shared by every operation of the core.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace varnholt {

// How the last load of the selected file's texts ended.
enum class TTextLoad {
  kNone,        // no load since the selection changed
  kLoaded,      // the engine answered OK and both texts were read
  kUnreadable,  // the engine named the file as unreadable (damaged, not a PDF, encrypted, beyond a limit)
  kFailed,      // the engine or the system failed; Automatic mode has been stopped
};

struct TProcessingState {
  std::string selectedFile;  // Windows path in the box "Selected PDF File"; changing it loads the texts
  std::string loadedFile;    // the file whose texts are in text1 and text2; empty when none
  std::string currentPdf;    // the file the action runs on
  std::string text1, text2;  // the two texts of the loaded file (CR LF lines)
  TTextLoad textLoad = TTextLoad::kNone;  // no script runs on texts whose load failed
  std::string textLoadError;              // why they could not be loaded
  std::string activeText;    // the text the PDF text routines read
  bool automatic = false;    // the Automatic button is down
  bool actionIsProcessing = false;
  bool errorState = false;
  std::int32_t failedCount = 0;  // PDF files in the FAILED folder at the last count
  std::string scriptErrorText;
  bool executeBusy = false;
  bool passBusy = false;
  std::chrono::system_clock::time_point nextPassReference{};
  bool engineRan = false;  // the engine program was started and has ended
  std::string ownerPassword, userPassword;
  std::vector<std::string> actionScript;
  bool editMode = false;
  std::string browserFolder;                // Windows path of the folder the browser's file list shows
  std::vector<std::string> requestList;     // key=value lines of the next engine request
  std::filesystem::path applicationFolder;  // holds PDF.EXE and the exchange files

  // The paper printer box: its text and its items ("[None]" and the printers without "PDF" in the name).
  std::string paperPrinter;
  std::vector<std::string> paperPrinterItems;
  // Printing through the engine, or through Acrobat Reader at acrobatReaderPath; kept across runs.
  bool printByAcrobatReader = false;
  std::string acrobatReaderPath;
  std::int32_t queueCount = 0;  // PDF files in the queue folder at the last count
};

}  // namespace varnholt
