// uPdfEngine.cpp — reading the request and dispatching it to its action.
#include "engine/uPdfEngine.h"

#include <new>

#include "engine/uPdfDocument.h"
#include "engine/uPdfPages.h"
#include "engine/uPdfText.h"

namespace varnholt::engine {

TPdfEngine::TPdfEngine(std::filesystem::path workFolder)
    : workFolder_(std::move(workFolder)), driveMap_(workFolder_) {}

TEngineResult TPdfEngine::Run() {
  try {
    return Execute(ReadRequestFile(workFolder_));
  } catch (const EEngineError& e) {
    return TEngineResult::Error(e.what());
  }
}

TEngineResult TPdfEngine::Execute(const TEngineRequest& request) {
  const TEngineContext context{request, workFolder_, driveMap_};
  const std::string action = request.Action();
  if (action == "EXTRACT") return ExecuteExtract(request, workFolder_);
  try {
    if (action == "DELPAGES") return RunDeletePages(context);
    if (action == "APPENDPDF") return RunAppendPdf(context);
    if (action == "PRINT") return RunPrint(context);
    if (action == "PROTECT") return RunProtect(context);
    if (action == "WATERMARK") return RunWatermark(context);
    if (action == "REPAGINATE") return RunRepaginate(context);
    if (action == "COVERPAGE") return RunCoverPage(context);
    if (action.empty())
      return TEngineResult::Error("The request has no action (PDFACTION= is missing or empty)");
    std::string known;
    for (const char* name : kActions) known += (known.empty() ? "" : ", ") + std::string(name);
    return TEngineResult::Error("Unknown action \"" + request.Find("PDFACTION").value_or("") +
                                "\"; the engine knows " + known);
  } catch (const EEngineError& e) {
    return TEngineResult::Error(e.what());
  } catch (const std::bad_alloc&) {
    return TEngineResult::Error("Not enough memory for " + action + "; the file was left unchanged");
  } catch (const std::exception& e) {
    return TEngineResult::Error(action + " failed: " + QpdfMessage(e) + "; the file was left unchanged");
  }
}

}  // namespace varnholt::engine
