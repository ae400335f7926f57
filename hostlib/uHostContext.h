// uHostContext.h — what the host routines need of the processing core during an action run.
//
// The routines run on the core's state: the current PDF, the active text, the two texts, the paper
// printer, and the core's operations that place, print and change files. The core implements this
// interface; the host library sees nothing else of it, so the routines stay testable with a fake.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "logging/uLogger.h"
#include "platform/FileSystem.h"
#include "platform/Process.h"

namespace varnholt {

class THostContext {
 public:
  virtual ~THostContext() = default;

  virtual TLogger& Log() = 0;
  // File services on Windows paths, through the drive map of the application folder.
  virtual const platform::TFileSystem& Files() const = 0;
  virtual const std::filesystem::path& ApplicationFolder() const = 0;

  // --- The state of the run ---------------------------------------------------------------------
  // The PDF the run acts on; file placement moves it, the host routines only read it.
  virtual const std::string& CurrentPdf() const = 0;
  // The text the PDF text routines read; ActivateText1 and ActivateText2 switch it.
  virtual const std::string& ActiveText() const = 0;
  virtual void ActivateText(int which) = 0;
  virtual const std::string& Text1() const = 0;
  virtual const std::string& Text2() const = 0;
  // The mean confidence (0 to 100) of the words OCR read when the loaded texts came from OCR, else -1.
  virtual int OcrConfidence() const = 0;
  virtual bool IsAutomatic() const = 0;
  // The queue folder without a trailing backslash (C:\PDF in Automatic mode).
  virtual std::string QueueFolder() const = 0;
  // The text of the paper printer box at this moment.
  virtual std::string PaperPrinter() const = 0;

  // --- Operations of the core ---------------------------------------------------------------------
  virtual void BeginBusyCursor() = 0;
  virtual void EndBusyCursor() = 0;
  virtual void EmergencyStop() = 0;
  // Replaces the request list with keys and runs one engine request. prepare runs first, within the
  // request's turn at the engine, for exchange files the request needs besides its keys.
  virtual void RunEngineRequest(const std::vector<std::string>& keys, const std::string& action,
                                const std::function<void()>& prepare = {}) = 0;
  // File placement.
  virtual void PdfCopyMoveTo(const std::string& destination, bool move) = 0;
  virtual bool CopyFile(const std::string& source, const std::string& destination) = 0;
  virtual bool DeleteFile(const std::string& path) = 0;
  virtual bool MoveToFailed(const std::string& file) = 0;
  virtual std::string LastPDFFile(const std::string& fileName) = 0;
  // Printing.
  virtual bool PrintTo(const std::string& file, const std::string& printer, bool stopOnError) = 0;
  virtual void PrintingByAcrobatReader() = 0;
  virtual void PrintingByVarnholt() = 0;
  // Programs and documents the script's Execute starts; a replay records them instead.
  virtual platform::TStatus StartProgram(const std::filesystem::path& program,
                                         const std::vector<std::string>& args,
                                         const std::filesystem::path& workingFolder) {
    return platform::StartDetached(program, args, workingFolder);
  }
  virtual platform::TStatus OpenDocument(const std::filesystem::path& document) {
    return platform::OpenDocument(document);
  }
};

// The busy cursor for the lifetime of the guard.
class THostBusy {
 public:
  explicit THostBusy(THostContext& host) : host_(host) { host_.BeginBusyCursor(); }
  ~THostBusy() { host_.EndBusyCursor(); }
  THostBusy(const THostBusy&) = delete;
  THostBusy& operator=(const THostBusy&) = delete;

 private:
  THostContext& host_;
};

}  // namespace varnholt
