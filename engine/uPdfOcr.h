// uPdfOcr.h — reading pages that carry no text layer (scanned reports): a page is rendered with poppler and
// read with Tesseract, and the words found are laid out in lines as the text of a printed PDF would be, so
// that a label and its value keep their line and the scripts' text routines work on them unchanged.
//
// Tesseract is loaded only when a page needs it (dlopen of its C interface): it pulls in some fifty
// libraries, and loading them on every start would double the time of the everyday EXTRACT of a text PDF.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/uEngineRequest.h"

namespace poppler {
class page;
}

namespace varnholt::engine {

// Which pages are read by OCR: none, those without a text layer (the default), or every page (its text
// layer is then ignored).
enum class TOcrMode { kOff, kPagesWithoutText, kAllPages };

struct TOcrOptions {
  TOcrMode mode = TOcrMode::kPagesWithoutText;
  std::string language = "eng";  // Tesseract language codes, several joined by "+"
};

// The OCR keys of an EXTRACT request (PDFOCR, PDFOCRLANG); a missing or empty key keeps the default. Throws
// EEngineError for a mode that is none of Off, PagesWithoutText, AllPages, and for a language that is not
// a list of codes (letters, digits, "_", joined by "+"): it names files of the language data.
TOcrOptions OcrOptionsOf(const TEngineRequest& request);

// Where Debian's Tesseract keeps its language data (<code>.traineddata).
std::string OcrDataFolder();

// Rendering: 300 dpi suits Tesseract best, but no page may give more pixels than this, nor a side longer
// than Tesseract takes, so a page of poster size cannot exhaust memory (one byte a pixel, and Tesseract
// keeps a few copies).
inline constexpr double kOcrDpi = 300.0;
inline constexpr double kOcrMaxPixels = 36e6;
inline constexpr double kOcrMaxSide = 30000.0;
// The resolution a page of this size (points, 1/72 inch) is rendered at.
double OcrResolution(double widthPoints, double heightPoints);

// One word found on a page: its text (UTF-8), its box in pixels and Tesseract's confidence (0..100).
struct TOcrWord {
  std::string text;
  int left = 0, top = 0, right = 0, bottom = 0;
  float confidence = 0;
};

// The two texts of one page read by OCR, in the system code page: layout (words placed in columns by their
// position, empty lines for vertical gaps) and raw (the same lines, words one space apart, no empty lines).
struct TOcrPageText {
  std::vector<std::string> layout;
  std::vector<std::string> raw;
  int words = 0;
  double confidenceSum = 0;
};

// Lays out the words of a page in lines: words whose boxes overlap vertically by half the lower one's
// height share a line; columns follow the page's typical character width.
TOcrPageText LayOutWords(std::vector<TOcrWord> words);

// One Tesseract engine for the pages of one request, set up on first use.
class TOcrReader {
 public:
  explicit TOcrReader(std::string language);
  ~TOcrReader();
  TOcrReader(const TOcrReader&) = delete;
  TOcrReader& operator=(const TOcrReader&) = delete;

  // Renders and reads one page. Throws EUnreadableFile when Tesseract or its language data is missing or
  // the page cannot be rendered: the report's text cannot be read on this machine.
  TOcrPageText Read(const poppler::page& page);

 private:
  struct TTesseract;
  void Start();

  std::string language_;
  std::unique_ptr<TTesseract> tesseract_;
};

}  // namespace varnholt::engine
