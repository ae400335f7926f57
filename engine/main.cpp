// main.cpp — PDF.EXE, the PDF engine program: carries out the request in PDFENV.TXT of its working folder
// and answers in PDFRES.TXT. Exit code 0 whenever the answer could be written.
//
// EXTRACT, the request made for every PDF that arrives, is answered here with poppler alone. Every other
// action is handed on (exec, same process) to PDFEDIT.EXE beside this program, which also links qpdf:
// loading qpdf and its TLS library on each start would make every extraction a third slower.
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "engine/uEngineGuards.h"
#include "engine/uEngineRequest.h"
#include "engine/uPdfText.h"
#include "platform/Files.h"
#include "platform/Process.h"

namespace {

constexpr const char* kEditProgram = "PDFEDIT.EXE";

}  // namespace

int main() {
  using namespace varnholt::engine;
  std::error_code ec;
  const std::filesystem::path workFolder = std::filesystem::current_path(ec);
  if (ec) return 2;
  InstallEngineGuards(workFolder);

  TEngineResult result;
  try {
    const TEngineRequest request = ReadRequestFile(workFolder);
    if (request.Action() == "EXTRACT") {
      result = ExecuteExtract(request, workFolder);
    } else {
      const std::string edit = (varnholt::platform::ProgramFolder() / kEditProgram).string();
      char* const argv[] = {const_cast<char*>(edit.c_str()), nullptr};
      execv(edit.c_str(), argv);
      // Only reached when the program could not be started.
      result =
          TEngineResult::Error(std::string("The engine's second program ") + kEditProgram +
                               " beside PDF.EXE cannot be started: " + varnholt::platform::ErrnoText(errno));
    }
  } catch (const EEngineError& e) {
    result = TEngineResult::Error(e.what());
  }
  return WriteResult(workFolder, result) ? 0 : 2;
}
