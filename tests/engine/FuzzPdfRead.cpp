// FuzzPdfRead.cpp — the engine's PDF reading on mutated sample reports: poppler extracts both texts and
// qpdf opens the structure and walks the pages. Every input ends in a text, an engine error or a qpdf
// error, never in a crash or a hang.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include "engine/uPdfDocument.h"
#include "engine/uPdfText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace varnholt::engine;
  // The engine reads files, so the input becomes one, private to this process.
  static const std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("varnholt_fuzz_pdf_" + std::to_string(::getpid()) + ".pdf");
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  const TPdfFile file{"C:\\PDF\\fuzz.pdf", path};
  try {
    (void)ExtractTexts(file, {""});
  } catch (const std::exception&) {
  }
  try {
    std::unique_ptr<QPDF> pdf = OpenPdf(file, {""});
    for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(*pdf).getAllPages()) (void)page.getTrimBox();
  } catch (const std::exception&) {
  }
  std::error_code ignored;
  std::filesystem::remove(path, ignored);
  return 0;
}
