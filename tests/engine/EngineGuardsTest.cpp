// EngineGuardsTest.cpp — the engine's last line of defence: a request that runs past the watchdog and a
// request that crashes both end with an "Error" answer in PDFRES.TXT, and an interrupted extraction
// leaves no half-written texts behind.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>

#include "engine/uEngineGuards.h"
#include "engine/uPdfText.h"
#include "tests/support/TempFolder.h"

namespace varnholt::test {
namespace {

// Runs the request body in a child process, as the engine program would, and gives its exit status.
int RunInChild(const std::function<void()>& request) {
  const pid_t child = fork();
  if (child == 0) {
    request();
    _exit(99);  // the guards must have ended the request before this
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

TEST(EngineGuards, TheWatchdogAndACrashBothAnswerError) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "under the sanitizers a crash stays a crash, so that it is reported";
#endif
  struct TCase {
    const char* name;
    std::function<void()> request;
    const char* answer;
  };
  const TCase cases[] = {
      {"watchdog",
       [] {
         engine::gExtractInProgress = 1;
         for (;;) pause();
       },
       // Reading a file that long is the file's fault: the caller files it as unreadable.
       "Error\r\nUnreadable: The PDF engine gave up reading the file after 1 second (the limit "
       "/Limits/EngineSeconds); it may be damaged or too large\r\n"},
      {"crash",
       [] {
         engine::gExtractInProgress = 1;
         raise(SIGSEGV);
       },
       "Error\r\nThe PDF engine failed on this file (it may be damaged); the file was left unchanged\r\n"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    TTempFolder app;
    WriteFile(app / "PDF1.TXT", "half a text");
    WriteFile(app / "PDF2.TXT", "half a text");
    const int status = RunInChild([&] {
      engine::InstallEngineGuards(app.Path(), std::chrono::seconds(1));
      c.request();
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadFile(app / "PDFRES.TXT"), c.answer);
    EXPECT_EQ(ReadFile(app / "PDF1.TXT"), "") << "an interrupted extraction leaves no half text";
    EXPECT_EQ(ReadFile(app / "PDF2.TXT"), "");
  }
}

}  // namespace
}  // namespace varnholt::test
