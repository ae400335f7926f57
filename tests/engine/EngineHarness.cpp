// EngineHarness.cpp — running PDF.EXE for the engine tests, and independent checks with qpdf and poppler.
#include "tests/engine/EngineHarness.h"

#include <gtest/gtest.h>
#include <poppler-document.h>
#include <poppler-global.h>
#include <poppler-image.h>
#include <poppler-page-renderer.h>
#include <poppler-page.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <algorithm>
#include <sstream>

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

void WriteScannedCopy(const std::filesystem::path& source, const std::filesystem::path& target,
                      const std::vector<int>& scanned, double dpi, int copies) {
  std::unique_ptr<poppler::document> doc(poppler::document::load_from_file(source.string()));
  ASSERT_TRUE(doc);
  QPDF original;
  original.processFile(source.c_str());
  auto originalPages = QPDFPageDocumentHelper(original).getAllPages();
  QPDF out;
  out.emptyPDF();
  QPDFPageDocumentHelper outPages(out);
  std::vector<QPDFObjectHandle> images(static_cast<std::size_t>(doc->pages()));
  for (int copy = 0; copy < copies; ++copy) {
    for (int i = 0; i < doc->pages(); ++i) {
      if (!scanned.empty() && std::find(scanned.begin(), scanned.end(), i + 1) == scanned.end()) {
        outPages.addPage(originalPages[static_cast<std::size_t>(i)].shallowCopyPage(), false);
        continue;
      }
      std::unique_ptr<poppler::page> page(doc->create_page(i));
      const poppler::rectf box = page->page_rect();
      auto& image = images[static_cast<std::size_t>(i)];
      if (!image.isInitialized()) {
        poppler::page_renderer renderer;
        renderer.set_image_format(poppler::image::format_gray8);
        renderer.set_render_hints(poppler::page_renderer::antialiasing |
                                  poppler::page_renderer::text_antialiasing);
        const poppler::image rendered = renderer.render_page(page.get(), dpi, dpi);
        ASSERT_TRUE(rendered.is_valid());
        std::string pixels;
        for (int y = 0; y < rendered.height(); ++y) {
          pixels.append(rendered.const_data() + static_cast<std::ptrdiff_t>(y) * rendered.bytes_per_row(),
                        static_cast<std::size_t>(rendered.width()));
        }
        image = QPDFObjectHandle::newStream(&out, pixels);
        image.replaceDict(QPDFObjectHandle::parse(
            "<< /Type /XObject /Subtype /Image /ColorSpace /DeviceGray "
            "/BitsPerComponent 8 /Width " +
            std::to_string(rendered.width()) + " /Height " + std::to_string(rendered.height()) + " >>"));
      }
      std::ostringstream content;
      content << "q " << box.width() << " 0 0 " << box.height() << " 0 0 cm /Im0 Do Q";
      QPDFObjectHandle newPage =
          QPDFObjectHandle::parse("<< /Type /Page /MediaBox [0 0 " + std::to_string(box.width()) + " " +
                                  std::to_string(box.height()) + "] /Resources << /XObject << >> >> >>");
      newPage.getKey("/Resources").getKey("/XObject").replaceKey("/Im0", image);
      newPage.replaceKey("/Contents", QPDFObjectHandle::newStream(&out, content.str()));
      outPages.addPage(QPDFPageObjectHelper(out.makeIndirectObject(newPage)), false);
    }
  }
  QPDFWriter writer(out, target.c_str());
  writer.write();
}

std::vector<std::string> AnswerKeys(const std::string& resultFile) {
  auto lines = CrLfLines(resultFile);
  lines.erase(lines.begin(),
              lines.begin() + std::min<std::ptrdiff_t>(2, static_cast<std::ptrdiff_t>(lines.size())));
  return lines;
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
