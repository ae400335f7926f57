// uPdfEngine.h — the PDF engine: reads a request from its working folder, carries out one action on a PDF
// and gives back the answer for PDFRES.TXT.
//
// The working folder is the application folder; every file value of a request is a Windows path that is
// resolved through the drive map of that folder. A changed PDF is written to memory, checked, and only
// then put in place of the original through an atomic replace, so a failed action leaves every input
// file exactly as it was.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "engine/uEngineRequest.h"
#include "platform/DriveMap.h"

namespace varnholt::engine {

// The action words the engine understands.
inline constexpr const char* kActions[] = {"EXTRACT", "DELPAGES",  "APPENDPDF",  "PRINT",
                                           "PROTECT", "WATERMARK", "REPAGINATE", "COVERPAGE"};

class TPdfEngine {
 public:
  explicit TPdfEngine(std::filesystem::path workFolder);

  // Reads PDFENV.TXT and carries out its request. Never throws: every failure becomes an Error result.
  TEngineResult Run();
  // Carries out a request that has been read already. Never throws.
  TEngineResult Execute(const TEngineRequest& request);

  const std::filesystem::path& WorkFolder() const { return workFolder_; }

 private:
  std::filesystem::path workFolder_;
  platform::TDriveMap driveMap_;
};

}  // namespace varnholt::engine
