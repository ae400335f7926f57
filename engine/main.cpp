// main.cpp — PDF.EXE, the PDF engine program: carries out the request in PDFENV.TXT of its working folder
// and answers in PDFRES.TXT. Exit code 0 whenever the answer could be written.
//
// A damaged file must never leave the caller waiting or without an answer: a watchdog ends a request
// that runs too long, and a crash inside a PDF library still writes an "Error" answer.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "engine/uEngineRequest.h"
#include "engine/uPdfEngine.h"

namespace {

// Long enough for a report of hundreds of pages, short enough that a looping file does not stall the queue.
constexpr unsigned kWatchdogSeconds = 300;

std::string gResultPath;
std::string gTimeoutAnswer;
std::string gCrashAnswer;

void WriteAnswerAndExit(const std::string& answer) {
  // Only async-signal-safe calls here.
  const int fd = open(gResultPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd >= 0) {
    const ssize_t written = write(fd, answer.data(), answer.size());
    (void)written;
    close(fd);
  }
  _exit(fd >= 0 ? 0 : 2);
}

void OnTimeout(int) {
  WriteAnswerAndExit(gTimeoutAnswer);
}
void OnCrash(int) {
  WriteAnswerAndExit(gCrashAnswer);
}

void InstallGuards(const std::filesystem::path& workFolder) {
  gResultPath = (workFolder / varnholt::engine::kResultFileName).string();
  gTimeoutAnswer = "Error\r\nThe PDF engine gave up after " + std::to_string(kWatchdogSeconds) +
                   " seconds; the file may be damaged and was left unchanged\r\n";
  gCrashAnswer =
      "Error\r\nThe PDF engine failed on this file (it may be damaged); the file was left unchanged\r\n";
  signal(SIGALRM, OnTimeout);
  alarm(kWatchdogSeconds);
#if !defined(__SANITIZE_ADDRESS__)
  // Under the sanitizers a crash must stay a crash, so that it is reported.
  for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) signal(sig, OnCrash);
#endif
}

}  // namespace

int main() {
  std::error_code ec;
  const std::filesystem::path workFolder = std::filesystem::current_path(ec);
  if (ec) return 2;
  InstallGuards(workFolder);
  varnholt::engine::TPdfEngine engine(workFolder);
  const auto result = engine.Run();
  return varnholt::engine::WriteResult(workFolder, result) ? 0 : 2;
}
