// uPdfText.h — the two texts of a PDF: physical layout (columns kept) and content-stream order (raw).
#pragma once

#include <string>
#include <vector>

#include "engine/uPdfDocument.h"

namespace varnholt::engine {

struct TPdfTexts {
  std::vector<std::string> layout;  // Text1: lines in the system code page
  std::vector<std::string> raw;     // Text2
  int pages = 0;
};

// Extracts both texts with poppler; pages follow each other separated by one empty line, a page without
// a text layer adds nothing. Throws EEngineError for a file that cannot be opened or a wrong password.
TPdfTexts ExtractTexts(const TPdfFile& file, const std::vector<std::string>& passwords);

// EXTRACT: writes PDF1.TXT and PDF2.TXT anew (empty first, so that a failure leaves them empty).
TEngineResult RunExtract(const TEngineContext& context);

}  // namespace varnholt::engine
