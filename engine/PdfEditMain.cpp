// PdfEditMain.cpp — PDFEDIT.EXE, the part of the PDF engine that changes and prints PDFs (qpdf, CUPS).
// PDF.EXE hands every request but EXTRACT on to it; started on its own it carries out any request.
#include <sys/stat.h>

#include <filesystem>

#include "engine/uEngineGuards.h"
#include "engine/uPdfEngine.h"

int main() {
  using namespace varnholt::engine;
  std::error_code ec;
  const std::filesystem::path workFolder = std::filesystem::current_path(ec);
  if (ec) return 2;
  umask(077);  // as PDF.EXE: what the engine writes is for the owner only
  InstallEngineGuards(workFolder);
  TPdfEngine engine(workFolder);
  return WriteResult(workFolder, engine.Run()) ? 0 : 2;
}
