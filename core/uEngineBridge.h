// uEngineBridge.h — the bridge to the PDF engine program: one request through the exchange files
// PDFENV.TXT and PDFRES.TXT in the application folder, one request at a time across processes.
//
// A request is a value (the action and its key=value lines); this unit alone writes the request file, so
// no key of one request can leak into the next.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/uProcessingState.h"
#include "core/uStatusIndicator.h"
#include "logging/uLogger.h"
#include "platform/FileLock.h"

namespace varnholt {

inline constexpr const char* kEngineProgram = "PDF.EXE";
// The lock file in the application folder that gives engine requests their turns.
inline constexpr const char* kEngineLockFile = "PDFENV.LCK";
// An engine run may take minutes (a long print job, a large PDF), and a request may have to wait for
// another one before it; a turn that has not come after this long is an engine error.
inline constexpr std::chrono::milliseconds kDefaultEngineWait = std::chrono::minutes(15);
// An EXTRACT answered "Error" with a message that begins with this names the file as unreadable.
inline constexpr const char* kUnreadablePrefix = "Unreadable: ";

// One engine request: the action and the caller's key=value lines, in order. The bridge adds PDFACTION
// and the two passwords.
struct TEngineRequest {
  std::string action;
  std::vector<std::string> keys;
};

// How one engine request ended.
enum class TEngineOutcome {
  kOk,          // any status but "Error"
  kUnreadable,  // EXTRACT answered "Error" with the message prefix "Unreadable: "
  kFailed,      // not sent, no answer, or "Error": the emergency stop has been made
};
struct TEngineAnswer {
  TEngineOutcome outcome = TEngineOutcome::kFailed;
  std::string message;  // the answer's message (the reason for an unreadable file, without the prefix)
  // The KEY=VALUE lines of an OK answer after its message (EXTRACT's OCRPAGES and OCRCONFIDENCE).
  std::vector<std::string> keys;
};

class TEngineBridge {
 public:
  TEngineBridge(TProcessingState& state, TLogger& logger, TStatusIndicator& status)
      : state_(state), logger_(logger), status_(status) {}

  // Runs one engine request: its keys plus the action and the passwords go to PDFENV.TXT, PDF.EXE (the
  // application folder's, else the one beside the running program) runs hidden in the application folder, and PDFRES.TXT is read and reported. Waits for the engine's turn
  // first (see TEngineTurn). A value with CR, LF or NUL would end its line and smuggle in keys of its
  // own: such a request is refused (Err record, nothing written, emergency stop). An engine that died by
  // a signal without answering is asked once more. After an error the request stays in PDFENV.TXT for
  // diagnosis, its passwords written as "(hidden)".
  TEngineAnswer ExecPDF(const TEngineRequest& request);
  // The same within one turn that also covers prepare, for exchange files the request needs besides its
  // keys (TEMPCP.TXT before COVERPAGE).
  TEngineAnswer ExecPDF(const TEngineRequest& request, const std::function<void()>& prepare);

  // The answer to the last request (a replay keeps EXTRACT's, OCR lines included, in its text cache).
  const TEngineAnswer& LastAnswer() const { return lastAnswer_; }

  // How many requests of this bridge ended with an Err record (failed or unreadable), so that a caller
  // can tell from what the bridge did whether one of its requests went wrong.
  int Errors() const { return errors_; }

  // Runs again and again while the engine program runs, so that a window repaints and takes log records
  // meanwhile; it must not start another request (the busy flags of the state see to that).
  void SetWhileWaiting(std::function<void()> whileWaiting) { whileWaiting_ = std::move(whileWaiting); }

  // A stand-in answers every request in the engine's place with the lines PDFRES.TXT would hold (status,
  // message): a replay records what a request would do and answers EXTRACT from its text cache. The answer
  // is judged as the engine's would be, so the records and outcomes are the same as in a real run.
  using TEngineStandIn = std::function<std::vector<std::string>(const TEngineRequest& request)>;
  void SetStandIn(TEngineStandIn standIn) { standIn_ = std::move(standIn); }

  // How long a request waits for its turn at the engine of this application folder.
  std::chrono::milliseconds EngineWait() const { return engineWait_; }
  void SetEngineWait(std::chrono::milliseconds wait) { engineWait_ = wait; }
  // An engine run still going after this long is ended and counts as an engine error. EXTRACT tells the
  // engine the limit (PDFSECONDS), so that a file that takes longer is answered as unreadable; the run is
  // ended only a grace after it (a tenth, at most 5 seconds).
  std::chrono::milliseconds EngineTimeLimit() const { return engineTimeLimit_; }
  void SetEngineTimeLimit(std::chrono::milliseconds limit) { engineTimeLimit_ = limit; }

  // The engine's turn in this application folder: one request at a time, across processes (the window,
  // the headless service and an operator's varnholt-cli share the exchange files). ExecPDF takes it for
  // its request; a caller that prepares or reads exchange files around a request (PDF1.TXT and PDF2.TXT
  // after EXTRACT) takes it first, and the ExecPDF inside shares it. A turn that does not come within
  // EngineWait() writes an Err record (Object "PdfReader", Proc "ExecPDF", Text the action) and stops
  // Automatic mode, as an engine error.
  class TEngineTurn {
   public:
    TEngineTurn(TEngineBridge& bridge, const std::string& action);
    ~TEngineTurn();
    TEngineTurn(const TEngineTurn&) = delete;
    TEngineTurn& operator=(const TEngineTurn&) = delete;
    explicit operator bool() const { return granted_; }

   private:
    TEngineBridge& bridge_;
    bool granted_ = false;
  };

 private:
  TEngineAnswer RunEngineProgram(const TEngineRequest& request);
  // Runs PDF.EXE (once more when a signal ended it without an answer) and reads PDFRES.TXT into answer;
  // the failed answer when the run itself failed.
  std::optional<TEngineAnswer> RunEngineAndRead(
      const std::string& action, const std::filesystem::path& resultFile,
      const std::function<TEngineAnswer(const std::string&)>& failed, std::vector<std::string>& answer);
  // The Err record of a failed request, counted.
  void Error(const std::string& action, const std::string& message);

  TProcessingState& state_;
  TLogger& logger_;
  TStatusIndicator& status_;
  std::chrono::milliseconds engineWait_ = kDefaultEngineWait;
  std::chrono::milliseconds engineTimeLimit_ = std::chrono::minutes(10);
  platform::TFileLock engineLock_;
  int engineTurns_ = 0;  // nested turns of this bridge share one lock
  int errors_ = 0;
  std::function<void()> whileWaiting_;
  TEngineStandIn standIn_;
  TEngineAnswer lastAnswer_;
};

}  // namespace varnholt
