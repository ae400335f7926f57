// EngineHarness.h — runs the built PDF.EXE in a temporary application folder and checks PDFs it changed.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/TempFolder.h"

namespace varnholt::test {

struct TEngineAnswer {
  std::string status;   // line 1 of PDFRES.TXT
  std::string message;  // line 2
  int exitCode = -1;
};

class TEngineHarness {
 public:
  TEngineHarness();

  const std::filesystem::path& AppFolder() const { return temp_.Path(); }
  // The queue folder C:\PDF of the application folder.
  std::filesystem::path PdfFolder() const { return temp_ / "drives/c/PDF"; }
  // Copies a sample report into C:\PDF and gives its Windows path.
  std::string AddSample(const std::string& name);
  std::filesystem::path Native(const std::string& name) const { return PdfFolder() / name; }

  // Writes the request lines (CR LF) to PDFENV.TXT and runs PDF.EXE in the application folder.
  TEngineAnswer Run(const std::vector<std::string>& requestLines);
  std::string ReadExchange(const std::string& name) const { return ReadFile(temp_ / name); }

 private:
  TTempFolder temp_;
};

// The folder of the sample reports and their expected values.
std::filesystem::path SampleFolder();

// Page count through qpdf; -1 when the file does not open with the password.
int QpdfPageCount(const std::filesystem::path& pdf, const std::string& password = "");
// True when qpdf refuses the file for want of a password.
bool NeedsPassword(const std::filesystem::path& pdf);
// AES-256 (revision 6) encryption.
bool IsAes256(const std::filesystem::path& pdf, const std::string& password);
// The layout text of every page through poppler, UTF-8, pages joined by form feeds.
std::string PopplerText(const std::filesystem::path& pdf, bool raw = false, const std::string& password = "");
// Number of non-overlapping occurrences.
int CountOf(const std::string& text, const std::string& what);
// Writes a scanned copy of a text PDF: each page whose number (from 1) is in `scanned` (every page when it
// is empty) becomes one greyscale image of itself rendered at dpi, with no text layer; the other pages are
// copied as they are. The whole document is repeated `copies` times.
void WriteScannedCopy(const std::filesystem::path& source, const std::filesystem::path& target,
                      const std::vector<int>& scanned = {}, double dpi = 150, int copies = 1);

// The KEY=VALUE lines of PDFRES.TXT after its status and message.
std::vector<std::string> AnswerKeys(const std::string& resultFile);

// Lines split at CR LF.
std::vector<std::string> CrLfLines(const std::string& text);

}  // namespace varnholt::test
