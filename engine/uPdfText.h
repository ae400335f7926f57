// uPdfText.h — the two texts of a PDF: physical layout (columns kept) and content-stream order (raw).
#pragma once

#include <csignal>
#include <string>
#include <vector>

#include "engine/uPdfFiles.h"
#include "engine/uPdfOcr.h"

namespace varnholt::engine {

struct TPdfTexts {
  std::vector<std::string> layout;  // Text1: lines in the system code page
  std::vector<std::string> raw;     // Text2
  int pages = 0;
  int ocrPages = 0;             // pages whose texts OCR gave
  int ocrWords = 0;             // the words it read on them
  double ocrConfidenceSum = 0;  // their confidences added up (each 0 to 100)
};

// Extracts both texts with poppler; pages follow each other separated by one empty line, a page without
// a text layer adds nothing unless OCR reads it. Throws EUnreadableFile for a file that cannot be opened, a
// wrong password, or a text of more than maxTextBytes bytes (as written, CR LF included), found as soon as a
// page crosses the limit so that a text bomb is not read to its end. Pages are read by OCR as ocr says (see
// uPdfOcr.h); the text of such a page replaces its text layer, and OCR's failures are EUnreadableFile.
TPdfTexts ExtractTexts(const TPdfFile& file, const std::vector<std::string>& passwords,
                       long long maxTextBytes = kDefaultTextBytes, const TOcrOptions& ocr = {});

// EXTRACT: writes PDF1.TXT and PDF2.TXT anew; after a failure both are empty. The limit of the texts is
// the request's PDFTEXTBYTES, OCR as PDFOCR and PDFOCRLANG say; an answer after OCR carries OCRPAGES and
// OCRCONFIDENCE. Throws EEngineError (EUnreadableFile for a file that cannot be read).
TEngineResult RunExtract(const TEngineContext& context);
// The same for a request read already; never throws: an unreadable file gives an Unreadable result.
TEngineResult ExecuteExtract(const TEngineRequest& request, const std::filesystem::path& workFolder);

// Set while EXTRACT runs, so that the program's crash guard can leave the two text files empty.
inline volatile std::sig_atomic_t gExtractInProgress = 0;

}  // namespace varnholt::engine
