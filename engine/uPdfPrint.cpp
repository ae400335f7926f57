// uPdfPrint.cpp — PRINT: hands the PDF to a CUPS printer. An encrypted PDF is printed from a decrypted
// temporary copy, because the print filters cannot open it without the password.
#include <cups/cups.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFWriter.hh>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "engine/uPdfPages.h"
#include "platform/CodePage.h"

namespace varnholt::engine {

namespace {

// The destination list of CUPS, freed on every way out.
struct TCupsDests {
  cups_dest_t* dests = nullptr;
  int count = 0;
  TCupsDests() { count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests); }
  ~TCupsDests() { cupsFreeDests(count, dests); }
  TCupsDests(const TCupsDests&) = delete;
  TCupsDests& operator=(const TCupsDests&) = delete;
};

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

  const std::string cupsName = platform::Cp1252ToUtf8(printer);
  TCupsDests dests;
  cups_dest_t* dest = cupsGetDest(cupsName.c_str(), nullptr, dests.count, dests.dests);
  if (dest == nullptr) {
    std::string known;
    for (int i = 0; i < dests.count && i < 10; ++i)
      known += (i ? ", " : "") + std::string(dests.dests[i].name);
    if (dests.count == 0) {
      throw EEngineError("Unknown printer \"" + printer +
                         "\": no printer is set up, or the print service (CUPS) " + "does not answer (" +
                         platform::Utf8ToCp1252(cupsLastErrorString()) + ")");
    }
    throw EEngineError("Unknown printer \"" + printer +
                       "\"; the printers here are: " + platform::Utf8ToCp1252(known));
  }

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

  const std::string title = file.nativePath.filename().string();
  const int job = cupsPrintFile2(CUPS_HTTP_DEFAULT, dest->name, printed.c_str(), title.c_str(),
                                 dest->num_options, dest->options);
  if (job == 0) {
    throw EEngineError("The printer \"" + printer + "\" refused " + file.windowsPath + ": " +
                       platform::Utf8ToCp1252(cupsLastErrorString()));
  }
  return TEngineResult::Ok("Printed " + file.windowsPath + " on \"" + printer + "\" (job " +
                           std::to_string(job) + ")");
}

}  // namespace varnholt::engine
