// uEngineRequest.h — one request of the PDF engine: the keys read from PDFENV.TXT and the answer that
// goes to PDFRES.TXT.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Status.h"

namespace varnholt::engine {

// The file names of the exchange, all in the engine's working folder (the application folder).
inline constexpr const char* kRequestFileName = "PDFENV.TXT";
inline constexpr const char* kResultFileName = "PDFRES.TXT";
inline constexpr const char* kText1FileName = "PDF1.TXT";
inline constexpr const char* kText2FileName = "PDF2.TXT";
inline constexpr const char* kCoverTextFileName = "TEMPCP.TXT";

// The request keys of EXTRACT that bound the work on one file: the most bytes either text may have, and
// the seconds the extraction may take. Without them the engine's own defaults hold.
inline constexpr const char* kTextBytesKey = "PDFTEXTBYTES";
inline constexpr const char* kSecondsKey = "PDFSECONDS";
inline constexpr long long kDefaultTextBytes = 16LL * 1024 * 1024;
// The OCR keys of EXTRACT: which pages are read by OCR (Off, PagesWithoutText, AllPages) and in which
// languages (Tesseract codes, "eng+deu"). Without them pages without a text layer are read in English.
inline constexpr const char* kOcrKey = "PDFOCR";
inline constexpr const char* kOcrLanguageKey = "PDFOCRLANG";
// The lines an EXTRACT answer adds after its message when OCR read pages: how many, and the mean
// confidence of the words read (0 to 100).
inline constexpr const char* kOcrPagesAnswer = "OCRPAGES";
inline constexpr const char* kOcrConfidenceAnswer = "OCRCONFIDENCE";

// An EXTRACT that failed because of the file itself (damaged, not a PDF, empty, encrypted without the
// password, beyond a limit) answers "Error" with a message that begins with this prefix. A caller that
// knows it files the report as unreadable and goes on; any other caller sees an ordinary "Error".
inline constexpr const char* kUnreadablePrefix = "Unreadable: ";

// A failure of a request; the message is the line a person reads in the log (system code page).
class EEngineError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The file cannot be read: its own fault, not the engine's or the system's. EXTRACT answers it with
// kUnreadablePrefix; every other action as a plain EEngineError.
class EUnreadableFile : public EEngineError {
 public:
  using EEngineError::EEngineError;
};

class TEngineRequest {
 public:
  // Parses the lines of PDFENV.TXT: "KEY=VALUE", the key up to the first "=". Keys are matched without
  // regard to case; a key given twice keeps its last value. Lines without "=" are ignored.
  static TEngineRequest Parse(const std::vector<std::string>& lines);

  bool Has(std::string_view key) const;
  // The value of a key, or nullopt when the request does not hold it.
  std::optional<std::string> Find(std::string_view key) const;
  // The value of a key that the action cannot do without; throws EEngineError naming the key.
  std::string Require(std::string_view key) const;
  // The action word, upper-cased; empty when PDFACTION is missing.
  std::string Action() const;

 private:
  std::map<std::string, std::string> values_;  // key upper-cased
};

// Reads PDFENV.TXT of the working folder; throws EEngineError when it is missing or unreadable.
TEngineRequest ReadRequestFile(const std::filesystem::path& workFolder);

struct TEngineResult {
  bool ok = false;
  std::string message;            // one line, system code page
  bool unreadable = false;        // an Error of the file itself: the message gets kUnreadablePrefix
  std::vector<std::string> keys;  // KEY=VALUE lines after the message (what OCR did)

  static TEngineResult Ok(std::string message) { return {true, std::move(message), false, {}}; }
  static TEngineResult Error(std::string message) { return {false, std::move(message), false, {}}; }
  static TEngineResult Unreadable(std::string message) { return {false, std::move(message), true, {}}; }
};

// Writes an exchange file (lines ended by CR LF) through a temporary file and a rename, so that a reader
// never sees half a file. It is readable by its owner only: the texts are the laboratory's data. Unlike the
// user's PDFs it is not flushed to disk: it is written anew for every request, and the flush would cost more
// than the extraction of a small report.
platform::TStatus WriteExchangeFile(const std::filesystem::path& path, const std::vector<std::string>& lines);

// The lines of PDFRES.TXT: "OK" or "Error", then the message with line breaks replaced by spaces
// (after kUnreadablePrefix for an unreadable file), then the result's keys. A caller that knows only the
// first two lines reads the same answer as before.
std::vector<std::string> ResultLines(const TEngineResult& result);
platform::TStatus WriteResult(const std::filesystem::path& workFolder, const TEngineResult& result);

}  // namespace varnholt::engine
