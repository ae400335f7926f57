// uPdfDocument.cpp — resolving, opening and safely replacing the PDFs of a request.
#include "engine/uPdfDocument.h"

#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include "platform/CodePage.h"
#include "platform/Files.h"

namespace varnholt::engine {

namespace {

bool IsPasswordError(const QPDFExc& e) {
  return e.getErrorCode() == qpdf_e_password;
}

}  // namespace

std::string QpdfMessage(const std::exception& e) {
  if (const auto* qe = dynamic_cast<const QPDFExc*>(&e)) {
    return platform::Utf8ToCp1252(qe->getMessageDetail());
  }
  return platform::Utf8ToCp1252(e.what());
}

std::unique_ptr<QPDF> OpenPdf(const TPdfFile& file, const std::vector<std::string>& passwords) {
  const std::string native = file.nativePath.string();
  for (const std::string& password : passwords) {
    auto pdf = std::make_unique<QPDF>();
    pdf->setSuppressWarnings(true);
    try {
      pdf->processFile(native.c_str(), password.c_str());
      // Reading the page tree reaches most of the damage a truncated or broken file carries.
      const int pages = static_cast<int>(QPDFPageDocumentHelper(*pdf).getAllPages().size());
      if (pdf->anyWarnings()) {
        const auto warnings = pdf->getWarnings();
        throw EEngineError("The PDF " + file.windowsPath + " is damaged (" + QpdfMessage(warnings.front()) +
                           "); it was left unchanged");
      }
      if (pages == 0) throw EEngineError("The PDF " + file.windowsPath + " has no pages");
      return pdf;
    } catch (const QPDFExc& e) {
      if (IsPasswordError(e)) continue;
      throw EEngineError("The PDF " + file.windowsPath + " is damaged (" + QpdfMessage(e) +
                         "); it was left unchanged");
    } catch (const EEngineError&) {
      throw;
    } catch (const std::exception& e) {
      throw EEngineError("The PDF " + file.windowsPath + " cannot be read (" + QpdfMessage(e) + ")");
    }
  }
  throw EEngineError(WrongPasswordMessage(file));
}

void SavePdf(QPDF& pdf, const TPdfFile& file, int expectedPages,
             const std::vector<std::string>& checkPasswords,
             const std::function<void(QPDFWriter&)>& configure) {
  std::string bytes;
  try {
    QPDFWriter writer(pdf);
    writer.setOutputMemory();
    if (configure) configure(writer);
    writer.write();
    const auto buffer = writer.getBufferSharedPointer();
    bytes.assign(reinterpret_cast<const char*>(buffer->getBuffer()), buffer->getSize());
  } catch (const std::exception& e) {
    throw EEngineError("Cannot write the changed PDF " + file.windowsPath + " (" + QpdfMessage(e) +
                       "); it was left unchanged");
  }
  if (pdf.anyWarnings()) {
    const auto warnings = pdf.getWarnings();
    throw EEngineError("The PDF " + file.windowsPath + " is damaged (" + QpdfMessage(warnings.front()) +
                       "); it was left unchanged");
  }

  // Read back what is about to replace the original: it must open and hold the pages we meant.
  bool opened = false;
  for (const std::string& password : checkPasswords) {
    try {
      QPDF check;
      check.setSuppressWarnings(true);
      check.processMemoryFile("result", bytes.data(), bytes.size(), password.c_str());
      const int pages = static_cast<int>(QPDFPageDocumentHelper(check).getAllPages().size());
      if (pages != expectedPages || check.anyWarnings()) {
        throw EEngineError("The changed PDF did not check out (" + PageCountText(pages) + " instead of " +
                           std::to_string(expectedPages) + "); " + file.windowsPath + " was left unchanged");
      }
      opened = true;
      break;
    } catch (const QPDFExc& e) {
      if (e.getErrorCode() == qpdf_e_password) continue;
      throw EEngineError("The changed PDF did not check out (" + QpdfMessage(e) + "); " + file.windowsPath +
                         " was left unchanged");
    }
  }
  if (!opened) {
    throw EEngineError("The changed PDF did not open with the passwords of the settings; " +
                       file.windowsPath + " was left unchanged");
  }

  const auto status = platform::ReplaceFileAtomically(file.nativePath, bytes);
  if (!status) {
    throw EEngineError("Cannot replace " + file.windowsPath + ": " + status.Message() +
                       "; the file was left unchanged");
  }
}

}  // namespace varnholt::engine
