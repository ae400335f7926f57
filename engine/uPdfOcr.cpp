// uPdfOcr.cpp — OCR of pages without a text layer: poppler renders, Tesseract (loaded on first use) reads,
// and the words are laid out in lines.
#include "engine/uPdfOcr.h"

#include <dlfcn.h>
#include <poppler-image.h>
#include <poppler-page-renderer.h>
#include <poppler-page.h>
#include <tesseract/capi.h>
#include <tesseract/version.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "platform/CodePage.h"

namespace varnholt::engine {

namespace {

#define VARNHOLT_TEXT(x) #x
#define VARNHOLT_STRINGIFY(x) VARNHOLT_TEXT(x)
// The library of the Tesseract we were built against (its C interface is stable within a major version).
constexpr const char* kTesseractLibrary = "libtesseract.so." VARNHOLT_STRINGIFY(TESSERACT_MAJOR_VERSION);
constexpr const char* kTesseractVersion = VARNHOLT_STRINGIFY(TESSERACT_MAJOR_VERSION);

// Longer lists of languages are no real use, and each code names a file.
constexpr std::size_t kMaxLanguageLength = 100;

bool IsLanguageList(const std::string& language) {
  if (language.empty() || language.size() > kMaxLanguageLength) return false;
  bool codeStarted = false;
  for (const char c : language) {
    if (c == '+') {
      if (!codeStarted) return false;
      codeStarted = false;
    } else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_') {
      codeStarted = true;
    } else {
      return false;
    }
  }
  return codeStarted;
}

std::size_t CodePoints(const std::string& utf8) {
  std::size_t count = 0;
  for (const char c : utf8) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return count;
}

// The width of one character of a word, in pixels.
double CharWidth(const TOcrWord& w) {
  return static_cast<double>(w.right - w.left) /
         static_cast<double>(std::max<std::size_t>(1, CodePoints(w.text)));
}

template <typename T>
T Median(std::vector<T> values) {
  const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
  std::nth_element(values.begin(), middle, values.end());
  return *middle;
}

}  // namespace

TOcrOptions OcrOptionsOf(const TEngineRequest& request) {
  TOcrOptions options;
  if (const auto mode = request.Find(kOcrKey); mode && !mode->empty()) {
    if (platform::SameText(*mode, "Off")) {
      options.mode = TOcrMode::kOff;
    } else if (platform::SameText(*mode, "PagesWithoutText")) {
      options.mode = TOcrMode::kPagesWithoutText;
    } else if (platform::SameText(*mode, "AllPages")) {
      options.mode = TOcrMode::kAllPages;
    } else {
      throw EEngineError(std::string("The request's ") + kOcrKey + "=" + *mode +
                         " is none of Off, PagesWithoutText, AllPages");
    }
  }
  if (const auto language = request.Find(kOcrLanguageKey); language && !language->empty()) {
    if (!IsLanguageList(*language)) {
      throw EEngineError(std::string("The request's ") + kOcrLanguageKey + "=" + *language +
                         " is not a list of Tesseract language codes (such as eng or eng+deu)");
    }
    options.language = *language;
  }
  return options;
}

std::string OcrDataFolder() {
  return std::string("/usr/share/tesseract-ocr/") + kTesseractVersion + "/tessdata";
}

double OcrResolution(double widthPoints, double heightPoints) {
  if (!(widthPoints > 0) || !(heightPoints > 0)) return kOcrDpi;
  const double squareInches = (widthPoints / 72.0) * (heightPoints / 72.0);
  double dpi = std::min(kOcrDpi, std::sqrt(kOcrMaxPixels / squareInches));
  dpi = std::min(dpi, kOcrMaxSide * 72.0 / std::max(widthPoints, heightPoints));
  return dpi;
}

TOcrPageText LayOutWords(std::vector<TOcrWord> words) {
  std::erase_if(words, [](const TOcrWord& w) {
    return w.text.find_first_not_of(' ') == std::string::npos || w.right <= w.left || w.bottom <= w.top;
  });
  TOcrPageText page;
  if (words.empty()) return page;

  std::vector<int> heights;
  std::vector<double> charWidths;
  int pageLeft = words.front().left;
  for (const TOcrWord& w : words) {
    heights.push_back(w.bottom - w.top);
    charWidths.push_back(CharWidth(w));
    pageLeft = std::min(pageLeft, w.left);
    page.confidenceSum += w.confidence;
  }
  page.words = static_cast<int>(words.size());
  const double height = std::max(1, Median(heights));
  const double charWidth = std::max(1.0, Median(charWidths));

  // Rows: words in the order of their vertical centres; a word whose centre is within half a typical
  // height of the row's first word is on that row.
  const auto centre = [](const TOcrWord& w) { return (w.top + w.bottom) / 2.0; };
  std::stable_sort(words.begin(), words.end(),
                   [&](const TOcrWord& a, const TOcrWord& b) { return centre(a) < centre(b); });
  std::vector<std::vector<const TOcrWord*>> rows;
  std::vector<double> rowCentres;
  for (const TOcrWord& w : words) {
    if (rows.empty() || centre(w) - rowCentres.back() >= height / 2) {
      rows.emplace_back();
      rowCentres.push_back(centre(w));
    }
    rows.back().push_back(&w);
  }

  // Vertical gaps become empty lines, as many as lines of the page's usual spacing would fit in.
  std::vector<double> steps;
  for (std::size_t i = 1; i < rowCentres.size(); ++i) steps.push_back(rowCentres[i] - rowCentres[i - 1]);
  const double pitch = steps.empty() ? height * 1.5 : std::max(height, Median(steps));

  for (std::size_t r = 0; r < rows.size(); ++r) {
    if (r > 0) {
      const long blanks = std::lround((rowCentres[r] - rowCentres[r - 1]) / pitch) - 1;
      for (long i = 0; i < blanks; ++i) page.layout.emplace_back();
    }
    auto& row = rows[r];
    std::stable_sort(row.begin(), row.end(),
                     [](const TOcrWord* a, const TOcrWord* b) { return a->left < b->left; });
    std::string layout, raw;
    const TOcrWord* previous = nullptr;
    for (const TOcrWord* w : row) {
      std::string text = platform::Utf8ToCp1252(w->text);
      std::erase(text, '\r');
      std::erase(text, '\n');
      std::size_t column = static_cast<std::size_t>(std::lround((w->left - pageLeft) / charWidth));
      if (previous != nullptr) {
        // Words of one phrase stay one space apart whatever their size ("Sample Name", a title in a large
        // font), so that the scripts find labels; a wider gap is a column and goes where its position says.
        const double ownWidth = std::max(CharWidth(*w), CharWidth(*previous));
        if (w->left - previous->right < 1.6 * ownWidth) column = layout.size() + 1;
        column = std::max(column, layout.size() + 1);
      }
      previous = w;
      layout.resize(std::max(layout.size(), column), ' ');
      layout += text;
      if (!raw.empty()) raw += ' ';
      raw += text;
    }
    page.layout.push_back(std::move(layout));
    page.raw.push_back(std::move(raw));
  }
  return page;
}

// The Tesseract C interface, looked up in the library once it is loaded.
struct TOcrReader::TTesseract {
  decltype(&TessBaseAPICreate) create = nullptr;
  decltype(&TessBaseAPIDelete) destroy = nullptr;
  decltype(&TessBaseAPIInit3) init = nullptr;
  decltype(&TessBaseAPISetVariable) setVariable = nullptr;
  decltype(&TessBaseAPISetPageSegMode) setPageSegMode = nullptr;
  decltype(&TessBaseAPISetImage) setImage = nullptr;
  decltype(&TessBaseAPISetSourceResolution) setResolution = nullptr;
  decltype(&TessBaseAPIRecognize) recognize = nullptr;
  decltype(&TessBaseAPIGetIterator) getIterator = nullptr;
  decltype(&TessBaseAPIClear) clear = nullptr;
  decltype(&TessBaseAPIEnd) end = nullptr;
  decltype(&TessResultIteratorDelete) deleteIterator = nullptr;
  decltype(&TessResultIteratorNext) next = nullptr;
  decltype(&TessResultIteratorGetUTF8Text) text = nullptr;
  decltype(&TessResultIteratorConfidence) confidence = nullptr;
  decltype(&TessResultIteratorGetPageIteratorConst) pageIterator = nullptr;
  decltype(&TessPageIteratorBoundingBox) box = nullptr;
  decltype(&TessDeleteText) deleteText = nullptr;
  TessBaseAPI* api = nullptr;

  ~TTesseract() {
    if (api != nullptr) {
      end(api);
      destroy(api);
    }
    // The library stays loaded: its worker threads may outlive this object until the program ends.
  }
};

TOcrReader::TOcrReader(std::string language) : language_(std::move(language)) {}

TOcrReader::~TOcrReader() = default;

void TOcrReader::Start() {
  if (tesseract_) return;
  // One thread: OpenMP's waiting workers cost more than they give when the engine shares two cores with
  // the window and other requests (a page took three times as long). libgomp reads this when it loads.
  setenv("OMP_THREAD_LIMIT", "1", 1);
  void* library = dlopen(kTesseractLibrary, RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    throw EUnreadableFile(std::string("The page has no text layer and OCR needs Tesseract (") +
                          kTesseractLibrary + ", Debian package libtesseract" + kTesseractVersion +
                          "), which cannot be loaded");
  }
  auto t = std::make_unique<TTesseract>();
  bool complete = true;
  const auto find = [&](auto& function, const char* name) {
    function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(dlsym(library, name));
    complete = complete && function != nullptr;
  };
  find(t->create, "TessBaseAPICreate");
  find(t->destroy, "TessBaseAPIDelete");
  find(t->init, "TessBaseAPIInit3");
  find(t->setVariable, "TessBaseAPISetVariable");
  find(t->setPageSegMode, "TessBaseAPISetPageSegMode");
  find(t->setImage, "TessBaseAPISetImage");
  find(t->setResolution, "TessBaseAPISetSourceResolution");
  find(t->recognize, "TessBaseAPIRecognize");
  find(t->getIterator, "TessBaseAPIGetIterator");
  find(t->clear, "TessBaseAPIClear");
  find(t->end, "TessBaseAPIEnd");
  find(t->deleteIterator, "TessResultIteratorDelete");
  find(t->next, "TessResultIteratorNext");
  find(t->text, "TessResultIteratorGetUTF8Text");
  find(t->confidence, "TessResultIteratorConfidence");
  find(t->pageIterator, "TessResultIteratorGetPageIteratorConst");
  find(t->box, "TessPageIteratorBoundingBox");
  find(t->deleteText, "TessDeleteText");
  if (!complete) {
    throw EUnreadableFile(std::string("The page has no text layer and the Tesseract library ") +
                          kTesseractLibrary + " lacks routines OCR needs");
  }

  // Tesseract would say nothing helpful about missing data (and say it on stderr): look first.
  const std::string folder = OcrDataFolder();
  std::size_t start = 0;
  while (start <= language_.size()) {
    const std::size_t plus = std::min(language_.find('+', start), language_.size());
    const std::string code = language_.substr(start, plus - start);
    const std::string file = folder + "/" + code + ".traineddata";
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) {
      throw EUnreadableFile("The page has no text layer and the OCR language data for " + code +
                            " is missing (" + file + "; install the Debian package tesseract-ocr-" + code +
                            " or set /Ocr/Language)");
    }
    start = plus + 1;
  }

  t->api = t->create();
  if (t->api == nullptr) throw EUnreadableFile("Tesseract could not be started for OCR");
  // Tesseract's messages would go to the engine's stderr; the answer file is what counts.
  t->setVariable(t->api, "debug_file", "/dev/null");
  if (t->init(t->api, folder.c_str(), language_.c_str()) != 0) {
    throw EUnreadableFile("Tesseract could not load the OCR language data " + language_ + " from " + folder);
  }
  t->setVariable(t->api, "debug_file", "/dev/null");
  // A report is one block of lines across the page: read so, a table keeps its rows and a value far to the
  // right of its label stays on the label's line (the automatic layout analysis dropped such values and
  // whole tables of our samples).
  t->setPageSegMode(t->api, tesseract::PSM_SINGLE_BLOCK);
  tesseract_ = std::move(t);
}

TOcrPageText TOcrReader::Read(const poppler::page& page) {
  Start();
  TTesseract& t = *tesseract_;
  const poppler::rectf box = page.page_rect(poppler::crop_box);
  const double dpi = OcrResolution(box.width(), box.height());
  poppler::page_renderer renderer;
  renderer.set_image_format(poppler::image::format_gray8);
  renderer.set_render_hints(poppler::page_renderer::antialiasing | poppler::page_renderer::text_antialiasing);
  const poppler::image image = renderer.render_page(&page, dpi, dpi);
  if (!image.is_valid()) throw EUnreadableFile("A page without a text layer could not be rendered for OCR");
  // Too small to hold a letter: nothing to read.
  if (image.width() < 8 || image.height() < 8) return {};

  t.setImage(t.api, reinterpret_cast<const unsigned char*>(image.const_data()), image.width(), image.height(),
             1, image.bytes_per_row());
  t.setResolution(t.api, static_cast<int>(std::lround(dpi)));
  if (t.recognize(t.api, nullptr) != 0) {
    t.clear(t.api);
    throw EUnreadableFile("Tesseract could not read a page without a text layer");
  }
  std::vector<TOcrWord> words;
  if (TessResultIterator* it = t.getIterator(t.api); it != nullptr) {
    do {
      char* text = t.text(it, tesseract::RIL_WORD);
      if (text == nullptr) continue;
      TOcrWord word;
      word.text = text;
      t.deleteText(text);
      word.confidence = t.confidence(it, tesseract::RIL_WORD);
      if (!t.box(t.pageIterator(it), tesseract::RIL_WORD, &word.left, &word.top, &word.right, &word.bottom))
        continue;
      words.push_back(std::move(word));
    } while (t.next(it, tesseract::RIL_WORD));
    t.deleteIterator(it);
  }
  t.clear(t.api);
  return LayOutWords(std::move(words));
}

}  // namespace varnholt::engine
