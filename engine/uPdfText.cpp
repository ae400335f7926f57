// uPdfText.cpp — EXTRACT: the texts of a PDF through poppler, in the system code page with CR LF lines.
#include "engine/uPdfText.h"

#include <poppler-document.h>
#include <poppler-global.h>
#include <poppler-page.h>

#include <cmath>
#include <iterator>
#include <memory>

#include "platform/CodePage.h"
#include "platform/Files.h"

namespace varnholt::engine {

namespace {

void IgnorePopplerMessage(const std::string&, void*) {}

// One page's text as lines in the system code page: without form feeds, trailing spaces and the empty lines
// at its start and end.
std::vector<std::string> PageLines(const poppler::ustring& text) {
  const poppler::byte_array utf8 = text.to_utf8();
  std::vector<std::string> lines =
      platform::SplitLines(platform::Utf8ToCp1252(std::string_view(utf8.data(), utf8.size())));
  for (std::string& line : lines) {
    // Page breaks are ours to mark (with the empty line); stray form feeds are dropped.
    std::erase(line, '\f');
    while (!line.empty() && line.back() == ' ') line.pop_back();
  }
  while (!lines.empty() && lines.back().empty()) lines.pop_back();
  std::size_t first = 0;
  while (first < lines.size() && lines[first].empty()) ++first;
  lines.erase(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(first));
  return lines;
}

// Appends one page's lines after an empty separator line. Gives the bytes it added as written to the file
// (CR LF included).
long long AppendPage(std::vector<std::string>& out, std::vector<std::string> lines) {
  for (std::string& line : lines) {
    while (!line.empty() && line.back() == ' ') line.pop_back();
  }
  while (!lines.empty() && lines.back().empty()) lines.pop_back();
  if (lines.empty()) return 0;
  long long bytes = 0;
  if (!out.empty()) {
    out.emplace_back();
    bytes += 2;
  }
  for (const std::string& line : lines) bytes += static_cast<long long>(line.size()) + 2;
  out.insert(out.end(), std::make_move_iterator(lines.begin()), std::make_move_iterator(lines.end()));
  return bytes;
}

// The byte limit of the texts from the request; a value that is not a positive whole number is refused,
// since the caller meant to set a limit.
long long TextLimit(const TEngineRequest& request) {
  const auto text = request.Find(kTextBytesKey);
  if (!text || text->empty()) return kDefaultTextBytes;
  long long value = 0;
  for (const char c : *text) {
    if (c < '0' || c > '9' || value > (1LL << 50)) {
      throw EEngineError(std::string("The request's ") + kTextBytesKey + "=" + *text +
                         " is not a number of bytes");
    }
    value = value * 10 + (c - '0');
  }
  if (value <= 0) throw EEngineError(std::string("The request's ") + kTextBytesKey + "= must be above 0");
  return value;
}

}  // namespace

TPdfTexts ExtractTexts(const TPdfFile& file, const std::vector<std::string>& passwords,
                       long long maxTextBytes, const TOcrOptions& ocr) {
  poppler::set_debug_error_function(IgnorePopplerMessage, nullptr);
  std::unique_ptr<poppler::document> doc(
      poppler::document::load_from_file(file.nativePath.string(), passwords.front(), passwords.front()));
  if (doc && doc->is_locked()) {
    for (const std::string& password : passwords) {
      if (!doc->unlock(password, password)) break;  // unlock answers true while still locked
    }
  }
  if (!doc) {
    throw EUnreadableFile("The PDF " + file.windowsPath + " is damaged and its text cannot be read");
  }
  if (doc->is_locked()) throw EUnreadableFile(WrongPasswordMessage(file));

  TPdfTexts texts;
  texts.pages = doc->pages();
  long long layoutBytes = 0, rawBytes = 0;
  std::unique_ptr<TOcrReader> reader;  // started by the first page that needs it
  for (int i = 0; i < texts.pages; ++i) {
    std::unique_ptr<poppler::page> page(doc->create_page(i));
    if (!page) continue;
    std::vector<std::string> layout, raw;
    if (ocr.mode != TOcrMode::kAllPages) {
      layout = PageLines(page->text(poppler::rectf(), poppler::page::physical_layout));
      raw = PageLines(page->text(poppler::rectf(), poppler::page::raw_order_layout));
    }
    if (ocr.mode == TOcrMode::kAllPages ||
        (ocr.mode == TOcrMode::kPagesWithoutText && layout.empty() && raw.empty())) {
      if (!reader) reader = std::make_unique<TOcrReader>(ocr.language);
      TOcrPageText read = reader->Read(*page);
      layout = std::move(read.layout);
      raw = std::move(read.raw);
      ++texts.ocrPages;
      texts.ocrWords += read.words;
      texts.ocrConfidenceSum += read.confidenceSum;
    }
    layoutBytes += AppendPage(texts.layout, std::move(layout));
    rawBytes += AppendPage(texts.raw, std::move(raw));
    if (layoutBytes > maxTextBytes || rawBytes > maxTextBytes) {
      throw EUnreadableFile("The text of " + file.windowsPath + " is longer than the limit of " +
                            std::to_string(maxTextBytes) + " bytes (/Limits/TextBytes), at page " +
                            std::to_string(i + 1) + " of " + std::to_string(texts.pages));
    }
  }
  return texts;
}

TEngineResult RunExtract(const TEngineContext& context) {
  const auto text1 = context.workFolder / kText1FileName;
  const auto text2 = context.workFolder / kText2FileName;
  auto write = [](const std::filesystem::path& path, const std::vector<std::string>& lines) {
    const auto status = WriteExchangeFile(path, lines);
    if (!status) throw EEngineError(status.Message());
  };
  // Nothing of an earlier file may survive into this answer.
  std::error_code ec;
  std::filesystem::remove(text1, ec);
  std::filesystem::remove(text2, ec);
  gExtractInProgress = 1;
  try {
    const TPdfFile file = RequirePdfFile(context, "PDFFILE");
    const TPdfTexts texts = ExtractTexts(file, PasswordCandidates(context.request),
                                         TextLimit(context.request), OcrOptionsOf(context.request));
    write(text1, texts.layout);
    write(text2, texts.raw);
    gExtractInProgress = 0;
    std::string message = "Extracted the text of " + PageCountText(texts.pages) + " from " + file.windowsPath;
    if (texts.ocrPages == 0) {
      if (texts.layout.empty()) message += " (the PDF has no text layer)";
      return TEngineResult::Ok(message);
    }
    const int confidence =
        texts.ocrWords == 0 ? 0 : static_cast<int>(std::lround(texts.ocrConfidenceSum / texts.ocrWords));
    message += " (" + PageCountText(texts.ocrPages) + " read by OCR, mean confidence " +
               std::to_string(confidence) + ")";
    TEngineResult result = TEngineResult::Ok(message);
    result.keys = {std::string(kOcrPagesAnswer) + "=" + std::to_string(texts.ocrPages),
                   std::string(kOcrConfidenceAnswer) + "=" + std::to_string(confidence)};
    return result;
  } catch (...) {
    gExtractInProgress = 0;
    WriteExchangeFile(text1, {});
    WriteExchangeFile(text2, {});
    throw;
  }
}

TEngineResult ExecuteExtract(const TEngineRequest& request, const std::filesystem::path& workFolder) {
  const platform::TDriveMap driveMap(workFolder);
  try {
    return RunExtract(TEngineContext{request, workFolder, driveMap});
  } catch (const EUnreadableFile& e) {
    return TEngineResult::Unreadable(e.what());
  } catch (const EEngineError& e) {
    return TEngineResult::Error(e.what());
  } catch (const std::exception& e) {
    return TEngineResult::Error("EXTRACT failed: " + platform::Utf8ToCp1252(e.what()));
  }
}

}  // namespace varnholt::engine
