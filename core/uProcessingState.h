// uProcessingState.h — the state of the report being worked on and the flags that keep the operator's
// commands, the automatic pass and the action run from stepping on each other.
//
// One object, shared by the units of the core. Its fields are private: the report's path, its texts and
// the flags change only through the operations below, each named for what happened, so that a reader can
// find every place that changes one of them.
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

class TProcessingState {
 public:
  explicit TProcessingState(std::filesystem::path applicationFolder);

  // --- The report ----------------------------------------------------------------------------------
  // The Windows path in the box "Selected PDF File"; the texts below belong to it once loaded.
  const std::string& SelectedFile() const { return selectedFile_; }
  // Selects another file: the texts of the one before are dropped. False when path is selected already.
  bool Select(const std::string& path);
  // The selected file once a load of its texts was made (whatever it gave); empty before and after the
  // file has gone.
  std::string LoadedFile() const { return loadAttempted_ ? selectedFile_ : std::string(); }
  // The file the action runs on: the selected file at the start of a run, then wherever file placement
  // moved it. The script's PDFFile reads it.
  const std::string& CurrentPdf() const { return currentPdf_; }
  void ReportMovedTo(const std::string& path) { currentPdf_ = path; }
  // The selected file has gone (filed, moved, deleted): nothing is selected any more.
  void ForgetReport();

  // --- Its texts -----------------------------------------------------------------------------------
  const std::string& Text1() const { return text1_; }
  const std::string& Text2() const { return text2_; }
  TTextLoad TextLoad() const { return textLoad_; }
  // Why the texts could not be loaded (empty when they were).
  const std::string& TextLoadError() const { return textLoadError_; }
  // The selected file's texts are gone, and no load of them counts any more.
  void DropTexts();
  // A load of the selected file's texts begins: both texts are empty until it ends.
  void BeginTextLoad();
  // ocrConfidence: the mean confidence (0 to 100) of the words read when OCR gave the texts, else -1.
  void TextsLoaded(std::string text1, std::string text2, int ocrConfidence = -1);
  // The mean confidence of OCR in the loaded texts (0 to 100), or -1 when they did not come from OCR.
  int OcrConfidence() const { return ocrConfidence_; }
  void TextLoadFailed(TTextLoad how, std::string why);
  // The text that the PDF text routines read; Text1 at the start of every run.
  const std::string& ActiveText() const { return activeText_; }
  // Text1 (which 1) or Text2 (which 2) becomes the active text.
  void ActivateText(int which) { activeText_ = which == 2 ? text2_ : text1_; }

  // --- Modes and flags -----------------------------------------------------------------------------
  bool Automatic() const { return automatic_; }
  void SetAutomatic(bool on) { automatic_ = on; }
  bool ActionIsProcessing() const { return actionIsProcessing_; }
  // An action run starts on the selected file: Text1 is the active text, the script error text is empty.
  void BeginActionRun();
  void EndActionRun() { actionIsProcessing_ = false; }
  bool ErrorState() const { return errorState_; }
  void RaiseErrorState() { errorState_ = true; }
  void ClearErrorState() { errorState_ = false; }
  const std::string& ScriptErrorText() const { return scriptErrorText_; }
  void SetScriptErrorText(std::string text) { scriptErrorText_ = std::move(text); }
  // The Execute command and the automatic pass exclude each other: each begins only when neither runs.
  bool ExecuteBusy() const { return executeBusy_; }
  bool PassBusy() const { return passBusy_; }
  bool TryBeginExecute();
  void EndExecute() { executeBusy_ = false; }
  bool TryBeginPass();
  void EndPass() { passBusy_ = false; }
  // The engine program was started and has ended since the last ClearEngineRan.
  bool EngineRan() const { return engineRan_; }
  void NoteEngineRan() { engineRan_ = true; }
  void ClearEngineRan() { engineRan_ = false; }
  bool EditMode() const { return editMode_; }
  void SetEditMode(bool on) { editMode_ = on; }
  std::chrono::system_clock::time_point NextPassReference() const { return nextPassReference_; }
  void SetNextPassReference(std::chrono::system_clock::time_point when) { nextPassReference_ = when; }

  // --- Counts --------------------------------------------------------------------------------------
  // PDF files in the queue folder and in FAILED at the last count (0 until the first).
  std::int32_t QueueCount() const { return queueCount_; }
  std::int32_t FailedCount() const { return failedCount_; }
  void SetCounts(std::int32_t queue, std::int32_t failed);

  // --- What the operator set -----------------------------------------------------------------------
  const std::filesystem::path& ApplicationFolder() const { return applicationFolder_; }
  // The folder whose PDF files the browser's file list shows; the queue folder derives from it.
  const std::string& BrowserFolder() const { return browserFolder_; }
  void SetBrowserFolder(std::string folder) { browserFolder_ = std::move(folder); }
  // The queue folder the browser folder belongs to, without a trailing backslash: the browser folder
  // itself, or the folder above FAILED (C:\PDF for C:\PDF\FAILED and anything below it).
  std::string QueueFolder() const;
  const std::string& OwnerPassword() const { return ownerPassword_; }
  const std::string& UserPassword() const { return userPassword_; }
  void SetPasswords(std::string owner, std::string user);
  const std::vector<std::string>& ActionScript() const { return actionScript_; }
  void SetActionScript(std::vector<std::string> lines) { actionScript_ = std::move(lines); }
  // The paper printer box: its text and its items ("[None]" and the printers without "PDF" in the name).
  const std::string& PaperPrinter() const { return paperPrinter_; }
  void SetPaperPrinter(std::string printer) { paperPrinter_ = std::move(printer); }
  const std::vector<std::string>& PaperPrinterItems() const { return paperPrinterItems_; }
  void SetPaperPrinterItems(std::vector<std::string> items) { paperPrinterItems_ = std::move(items); }
  // Printing through the engine, or through Acrobat Reader at its path; kept across runs.
  bool PrintByAcrobatReader() const { return printByAcrobatReader_; }
  const std::string& AcrobatReaderPath() const { return acrobatReaderPath_; }
  void SetPrintByAcrobatReader(bool on, std::string path);

 private:
  std::string selectedFile_;
  bool loadAttempted_ = false;
  std::string currentPdf_;
  std::string text1_, text2_;  // CR LF lines
  TTextLoad textLoad_ = TTextLoad::kNone;
  std::string textLoadError_;
  int ocrConfidence_ = -1;
  std::string activeText_;
  bool automatic_ = false;
  bool actionIsProcessing_ = false;
  bool errorState_ = false;
  std::string scriptErrorText_;
  bool executeBusy_ = false;
  bool passBusy_ = false;
  bool engineRan_ = false;
  bool editMode_ = false;
  std::chrono::system_clock::time_point nextPassReference_{};
  std::int32_t queueCount_ = 0;
  std::int32_t failedCount_ = 0;
  std::filesystem::path applicationFolder_;
  std::string browserFolder_ = "C:\\PDF";
  std::string ownerPassword_, userPassword_;
  std::vector<std::string> actionScript_;
  std::string paperPrinter_;
  std::vector<std::string> paperPrinterItems_;
  bool printByAcrobatReader_ = false;
  std::string acrobatReaderPath_;
};

}  // namespace varnholt
