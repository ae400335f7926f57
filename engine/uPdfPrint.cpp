// uPdfPrint.cpp — PRINT: hands the PDF to a printer through the platform's printer interface. An encrypted
// PDF is printed from a decrypted temporary copy, because the print filters cannot open it without the
// password.
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFWriter.hh>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "engine/uPdfPages.h"
#include "platform/CodePage.h"
#include "platform/Printers.h"

namespace varnholt::engine {

namespace {

// A temporary file removed when it goes out of scope.
struct TTempFile {
  std::filesystem::path path;
  ~TTempFile() {
    std::error_code ec;
    if (!path.empty()) std::filesystem::remove(path, ec);
  }
};

}  // namespace

TEngineResult RunPrint(const TEngineContext& context) {
  const TPdfFile file = RequirePdfFile(context, "PDFFILE");
  const std::string printer = context.request.Require("PDFPRINTER");
  if (printer.empty()) throw EEngineError("The request names no printer in PDFPRINTER=");
  const auto passwords = PasswordCandidates(context.request);
  auto pdf = OpenPdf(file, passwords);  // also refuses what is not a sound PDF before it reaches a printer

  TTempFile decrypted;
  std::string printed = file.nativePath.string();
  if (pdf->isEncrypted()) {
    std::string pattern = (std::filesystem::temp_directory_path() / "varnholt-print-XXXXXX").string();
    const int fd = mkstemp(pattern.data());
    if (fd < 0) throw EEngineError("Cannot make a temporary copy to print " + file.windowsPath);
    close(fd);
    decrypted.path = pattern;
    try {
      QPDFWriter writer(*pdf, pattern.c_str());
      writer.setPreserveEncryption(false);
      writer.write();
    } catch (const std::exception& e) {
      throw EEngineError("Cannot prepare " + file.windowsPath + " for printing (" + QpdfMessage(e) + ")");
    }
    printed = pattern;
  }

  const std::string title = platform::Utf8ToCp1252(file.nativePath.filename().string());
  const platform::TPrintJob job = platform::PrintFile(printer, printed, title);
  if (job.state == platform::TPrintJob::TState::UnknownPrinter) {
    const auto printers = platform::InstalledPrinters();
    if (printers.empty()) {
      throw EEngineError("Unknown printer \"" + printer +
                         "\": no printer is set up, or the print service (CUPS) does not answer (" +
                         job.error + ")");
    }
    std::string known;
    for (std::size_t i = 0; i < printers.size() && i < 10; ++i) known += (i ? ", " : "") + printers[i];
    throw EEngineError("Unknown printer \"" + printer + "\"; the printers here are: " + known);
  }
  if (job.state == platform::TPrintJob::TState::Refused) {
    throw EEngineError("The printer \"" + printer + "\" refused " + file.windowsPath + ": " + job.error);
  }
  return TEngineResult::Ok("Printed " + file.windowsPath + " on \"" + printer + "\" (job " +
                           std::to_string(job.id) + ")");
}

}  // namespace varnholt::engine
