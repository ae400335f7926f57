// EngineHarness.cpp — running PDF.EXE for the engine tests, and independent checks with qpdf and poppler.
#include "tests/engine/EngineHarness.h"

#include <poppler-document.h>
#include <poppler-global.h>
#include <poppler-page.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include <memory>

#include "platform/Files.h"
#include "platform/Process.h"

namespace varnholt::test {

TEngineHarness::TEngineHarness() {
  std::filesystem::create_directories(PdfFolder());
}

std::filesystem::path SampleFolder() {
  return TestDataFolder() / "engine/reports";
}

std::string TEngineHarness::AddSample(const std::string& name) {
  std::filesystem::copy_file(SampleFolder() / name, PdfFolder() / name,
                             std::filesystem::copy_options::overwrite_existing);
  return "C:\\PDF\\" + name;
}

TEngineAnswer TEngineHarness::Run(const std::vector<std::string>& requestLines) {
  std::string request;
  for (const auto& line : requestLines) request += line + "\r\n";
  WriteFile(temp_ / "PDFENV.TXT", request);
  std::filesystem::remove(temp_ / "PDFRES.TXT");
  TEngineAnswer answer;
  const auto result =
      platform::RunHiddenAndWait(std::filesystem::path(VARNHOLT_APP_DIR) / "PDF.EXE", {}, temp_.Path());
  answer.exitCode = result.exitCode;
  const auto lines = CrLfLines(ReadFile(temp_ / "PDFRES.TXT"));
  if (!lines.empty()) answer.status = lines[0];
  if (lines.size() > 1) answer.message = lines[1];
  return answer;
}

int QpdfPageCount(const std::filesystem::path& pdf, const std::string& password) {
  try {
    QPDF q;
    q.setSuppressWarnings(true);
    q.processFile(pdf.c_str(), password.c_str());
    return static_cast<int>(QPDFPageDocumentHelper(q).getAllPages().size());
  } catch (const std::exception&) {
    return -1;
  }
}

bool NeedsPassword(const std::filesystem::path& pdf) {
  try {
    QPDF q;
    q.setSuppressWarnings(true);
    q.processFile(pdf.c_str());
    return false;
  } catch (const QPDFExc& e) {
    return e.getErrorCode() == qpdf_e_password;
  }
}

bool IsAes256(const std::filesystem::path& pdf, const std::string& password) {
  QPDF q;
  q.setSuppressWarnings(true);
  q.processFile(pdf.c_str(), password.c_str());
  int r = 0, p = 0;
  return q.isEncrypted(r, p) && r == 6;
}

std::string PopplerText(const std::filesystem::path& pdf, bool raw, const std::string& password) {
  std::unique_ptr<poppler::document> doc(poppler::document::load_from_file(pdf.string(), password, password));
  if (!doc || doc->is_locked()) return "<cannot open>";
  std::string all;
  for (int i = 0; i < doc->pages(); ++i) {
    std::unique_ptr<poppler::page> page(doc->create_page(i));
    const auto utf8 =
        page->text(poppler::rectf(), raw ? poppler::page::raw_order_layout : poppler::page::physical_layout)
            .to_utf8();
    all.append(utf8.data(), utf8.size());
    all += '\f';
  }
  return all;
}

int CountOf(const std::string& text, const std::string& what) {
  int count = 0;
  for (auto pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + what.size()))
    ++count;
  return count;
}

std::vector<std::string> CrLfLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const auto end = text.find("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

}  // namespace varnholt::test
