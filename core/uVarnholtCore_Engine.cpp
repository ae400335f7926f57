// uVarnholtCore_Engine.cpp — ExecPDF, the bridge to the PDF engine program: one request through the
// exchange files PDFENV.TXT and PDFRES.TXT in the application folder.
#include <vector>

#include "core/uVarnholtCore.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/Process.h"

namespace varnholt {

namespace {
constexpr const char* kObject = "PdfReader";
constexpr const char* kProc = "ExecPDF";
}  // namespace

void TVarnholtCore::ExecPDF(const std::string& action) {
  const auto& folder = state_.applicationFolder;
  const auto requestFile = folder / "PDFENV.TXT";
  const auto resultFile = folder / "PDFRES.TXT";

  state_.requestList.push_back("PDFACTION=" + action);
  state_.requestList.push_back("PDFOWNER=" + state_.ownerPassword);
  state_.requestList.push_back("PDFUSER=" + state_.userPassword);
  const auto written = platform::WriteTextLines(requestFile, state_.requestList);
  state_.requestList.clear();
  if (!written) {
    // The engine would carry out whatever request is still in the file; better none at all.
    logger_.WriteEntry(ltErr, kObject, kProc, action, written.Message());
    EmergencyStop();
    return;
  }
  platform::DeleteFile(resultFile);

  const auto run = platform::RunHiddenAndWait(folder / kEngineProgram, {}, folder);
  if (run.started) {
    state_.engineRan = true;
  } else {
    logger_.WriteEntry(ltErr, kObject, kProc, action, run.error);
  }

  std::vector<std::string> answer;
  if (platform::FileExists(resultFile)) {
    platform::ReadTextLines(resultFile, answer);
    platform::DeleteFile(resultFile);
  }
  // A missing answer reads as "Error" / "Unknown Result"; a one-line answer gets the message "Error".
  answer.push_back("Error");
  answer.push_back("Unknown Result");
  const std::string& status = answer[0];
  const std::string& message = answer[1];

  if (platform::SameText(status, "Error")) {
    logger_.WriteEntry(ltErr, kObject, kProc, action, message);
    EmergencyStop();  // PDFENV.TXT stays, so the failed request can be looked at
  } else {
    logger_.WriteEntry(ltMsg, kObject, kProc, action, message);
    platform::DeleteFile(requestFile);
  }
}

}  // namespace varnholt
