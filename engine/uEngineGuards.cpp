// uEngineGuards.cpp — the engine program's last line of defence: a watchdog and crash handlers that
// still write an answer.
#include "engine/uEngineGuards.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <string>

#include "engine/uEngineRequest.h"
#include "engine/uPdfText.h"

namespace varnholt::engine {

namespace {

std::string gResultPath;
std::string gText1Path;
std::string gText2Path;
std::string gTimeoutAnswer;
std::string gExtractTimeoutAnswer;
std::string gCrashAnswer;

void WriteAnswerAndExit(const std::string& answer) {
  // Only async-signal-safe calls here.
  if (gExtractInProgress) {
    for (const std::string* text : {&gText1Path, &gText2Path}) {
      const int fd = open(text->c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      if (fd >= 0) close(fd);
    }
  }
  const int fd = open(gResultPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (fd >= 0) {
    const ssize_t written = write(fd, answer.data(), answer.size());
    (void)written;
    close(fd);
  }
  _exit(fd >= 0 ? 0 : 2);
}

#if !defined(__SANITIZE_ADDRESS__)
void OnCrash(int) {
  WriteAnswerAndExit(gCrashAnswer);
}
#endif

void OnTimeout(int) {
  // A file that takes too long to read is the file's fault (a text bomb, a loop in its structure).
  WriteAnswerAndExit(gExtractInProgress ? gExtractTimeoutAnswer : gTimeoutAnswer);
}

unsigned WholeSeconds(std::chrono::seconds watchdog) {
  return static_cast<unsigned>(std::clamp<std::chrono::seconds::rep>(watchdog.count(), 1, 86400 * 7));
}

void PrepareTimeoutAnswers(unsigned seconds) {
  const std::string after = std::to_string(seconds) + (seconds == 1 ? " second" : " seconds");
  gTimeoutAnswer = "Error\r\nThe PDF engine gave up after " + after +
                   "; the file may be damaged and was left unchanged\r\n";
  gExtractTimeoutAnswer = std::string("Error\r\n") + kUnreadablePrefix +
                          "The PDF engine gave up reading the file after " + after +
                          " (the limit /Limits/EngineSeconds); it may be damaged or too large\r\n";
}

}  // namespace

void SetWatchdog(std::chrono::seconds watchdog) {
  const unsigned seconds = WholeSeconds(watchdog);
  alarm(0);  // the answers are not rewritten under a running alarm
  PrepareTimeoutAnswers(seconds);
  alarm(seconds);
}

void InstallEngineGuards(const std::filesystem::path& workFolder, std::chrono::seconds watchdog) {
  const unsigned seconds = WholeSeconds(watchdog);
  gResultPath = (workFolder / kResultFileName).string();
  gText1Path = (workFolder / kText1FileName).string();
  gText2Path = (workFolder / kText2FileName).string();
  PrepareTimeoutAnswers(seconds);
  gCrashAnswer =
      "Error\r\nThe PDF engine failed on this file (it may be damaged); the file was left unchanged\r\n";
  signal(SIGALRM, OnTimeout);
  alarm(seconds);
#if !defined(__SANITIZE_ADDRESS__)
  // Under the sanitizers a crash must stay a crash, so that it is reported.
  for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) signal(sig, OnCrash);
#endif
}

}  // namespace varnholt::engine
