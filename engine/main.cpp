// main.cpp — PDF.EXE, the PDF engine program: carries out the request in PDFENV.TXT of its working folder
// and answers in PDFRES.TXT. Exit code 0 whenever the answer could be written.
//
// EXTRACT, the request made for every PDF that arrives, is answered here with poppler alone. Every other
// action is handed on (exec, same process) to PDFEDIT.EXE beside this program, which also links qpdf:
// loading qpdf and its TLS library on each start would make every extraction a third slower.
#include <sys/stat.h>
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
  // The texts and answers are the laboratory's data and may hold passwords: for the owner only. The
  // second program inherits this.
  umask(077);
  InstallEngineGuards(workFolder);

  TEngineResult result;
  try {
    const TEngineRequest request = ReadRequestFile(workFolder);
    if (request.Action() == "EXTRACT") {
      // The caller's time limit for reading one file; a file that takes longer is answered unreadable.
      const std::string seconds = request.Find(kSecondsKey).value_or("");
      if (!seconds.empty() && seconds.size() <= 6 && seconds.find_first_not_of("0123456789") == std::string::npos) {
        SetWatchdog(std::chrono::seconds(std::stol(seconds)));
      }
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
