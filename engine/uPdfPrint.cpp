// uPdfPrint.cpp — PRINT: hands the PDF to a CUPS printer. An encrypted PDF is printed from a decrypted
// temporary copy, because the print filters cannot open it without the password.
//
// libcups is loaded only when a PRINT request comes: it pulls in some twenty libraries (Kerberos, Avahi,
// D-Bus, ...), and loading them on every start would make each EXTRACT, the engine's everyday request,
// noticeably slower.
#include <cups/cups.h>
#include <dlfcn.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFWriter.hh>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <type_traits>

#include "engine/uPdfPages.h"
#include "platform/CodePage.h"

namespace varnholt::engine {

namespace {

// The few functions of libcups the engine uses, from the library loaded at run time.
struct TCups {
  decltype(&::cupsGetDests2) GetDests2 = nullptr;
  decltype(&::cupsGetDest) GetDest = nullptr;
  decltype(&::cupsFreeDests) FreeDests = nullptr;
  decltype(&::cupsPrintFile2) PrintFile2 = nullptr;
  decltype(&::cupsLastErrorString) LastErrorString = nullptr;
};

const TCups& Cups() {
  static const TCups cups = [] {
    TCups loaded;
    void* library = dlopen("libcups.so.2", RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
      throw EEngineError("Printing is not available: the CUPS library (libcups2) is not installed");
    }
    auto symbol = [library](auto& function, const char* name) {
      function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(dlsym(library, name));
      if (function == nullptr)
        throw EEngineError(std::string("Printing is not available: libcups lacks ") + name);
    };
    symbol(loaded.GetDests2, "cupsGetDests2");
    symbol(loaded.GetDest, "cupsGetDest");
    symbol(loaded.FreeDests, "cupsFreeDests");
    symbol(loaded.PrintFile2, "cupsPrintFile2");
    symbol(loaded.LastErrorString, "cupsLastErrorString");
    return loaded;
  }();
  return cups;
}

std::string CupsError() {
  return platform::Utf8ToCp1252(Cups().LastErrorString());
}

// The destination list of CUPS, freed on every way out.
struct TCupsDests {
  cups_dest_t* dests = nullptr;
  int count = 0;
  TCupsDests() { count = Cups().GetDests2(CUPS_HTTP_DEFAULT, &dests); }
  ~TCupsDests() { Cups().FreeDests(count, dests); }
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
  cups_dest_t* dest = Cups().GetDest(cupsName.c_str(), nullptr, dests.count, dests.dests);
  if (dest == nullptr) {
    std::string known;
    for (int i = 0; i < dests.count && i < 10; ++i)
      known += (i ? ", " : "") + std::string(dests.dests[i].name);
    if (dests.count == 0) {
      throw EEngineError("Unknown printer \"" + printer +
                         "\": no printer is set up, or the print service (CUPS) " + "does not answer (" +
                         CupsError() + ")");
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
  const int job = Cups().PrintFile2(CUPS_HTTP_DEFAULT, dest->name, printed.c_str(), title.c_str(),
                                    dest->num_options, dest->options);
  if (job == 0) {
    throw EEngineError("The printer \"" + printer + "\" refused " + file.windowsPath + ": " + CupsError());
  }
  return TEngineResult::Ok("Printed " + file.windowsPath + " on \"" + printer + "\" (job " +
                           std::to_string(job) + ")");
}

}  // namespace varnholt::engine
