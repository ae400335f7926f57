// uPdfText.cpp — EXTRACT: the texts of a PDF through poppler, in the system code page with CR LF lines.
#include "engine/uPdfText.h"

#include <poppler-document.h>
#include <poppler-global.h>
#include <poppler-page.h>
#include <qpdf/QPDF.hh>

#include <memory>

#include "platform/CodePage.h"
#include "platform/Files.h"

namespace varnholt::engine {

namespace {

void IgnorePopplerMessage(const std::string&, void*) {}

// Appends one page's text: its lines without the trailing empty ones, after an empty separator line.
void AppendPage(std::vector<std::string>& out, const poppler::ustring& text) {
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
  if (first == lines.size()) return;
  if (!out.empty()) out.emplace_back();
  out.insert(out.end(), lines.begin() + static_cast<std::ptrdiff_t>(first), lines.end());
}

}  // namespace

TPdfTexts ExtractTexts(const TPdfFile& file, const std::vector<std::string>& passwords) {
  poppler::set_debug_error_function(IgnorePopplerMessage, nullptr);
  std::unique_ptr<poppler::document> doc(
      poppler::document::load_from_file(file.nativePath.string(), passwords.front(), passwords.front()));
  if (doc && doc->is_locked()) {
    for (const std::string& password : passwords) {
      if (!doc->unlock(password, password)) break;  // unlock answers true while still locked
    }
  }
  if (!doc || doc->is_locked()) {
    // qpdf tells a wrong password from the kinds of damage; it throws with the fitting message.
    OpenPdf(file, passwords);
    throw EEngineError("The PDF " + file.windowsPath + " cannot be read for its text");
  }

  TPdfTexts texts;
  texts.pages = doc->pages();
  for (int i = 0; i < texts.pages; ++i) {
    std::unique_ptr<poppler::page> page(doc->create_page(i));
    if (!page) continue;
    AppendPage(texts.layout, page->text(poppler::rectf(), poppler::page::physical_layout));
    AppendPage(texts.raw, page->text(poppler::rectf(), poppler::page::raw_order_layout));
  }
  return texts;
}

TEngineResult RunExtract(const TEngineContext& context) {
  const auto text1 = context.workFolder / kText1FileName;
  const auto text2 = context.workFolder / kText2FileName;
  for (const auto& path : {text1, text2}) {
    const auto status = platform::WriteTextLines(path, {});
    if (!status) throw EEngineError("Cannot write " + path.filename().string() + ": " + status.Message());
  }
  const TPdfFile file = RequirePdfFile(context, "PDFFILE");
  const TPdfTexts texts = ExtractTexts(file, PasswordCandidates(context.request));
  for (const auto& [path, lines] : {std::pair{text1, &texts.layout}, std::pair{text2, &texts.raw}}) {
    const auto status = platform::WriteTextLines(path, *lines);
    if (!status) throw EEngineError("Cannot write " + path.filename().string() + ": " + status.Message());
  }
  std::string message = "Extracted the text of " + PageCountText(texts.pages) + " from " + file.windowsPath;
  if (texts.layout.empty()) message += " (the PDF has no text layer)";
  return TEngineResult::Ok(message);
}

}  // namespace varnholt::engine
