// Process.h — starting programs (hidden and waited for, or detached), opening documents, and the
// process facts the log records (working set, CPU time).
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Status.h"

namespace varnholt::platform {

struct TProcessResult {
  bool started = false;  // false: the program could not be started; error says why
  int exitCode = -1;     // the exit code, or 128 + signal number when a signal ended it
  int signal = 0;        // the signal that ended it; 0 when it exited (an exit code of 137 is no signal)
  std::string error;     // the system's error text when it could not start or did not exit normally
  bool timedOut = false; // still running at the time limit, so it was ended; error says so
};

// Starts a program with no window and no inherited handles (standard input, output and error are the
// null device), in the given working folder, and waits for its end. With a time limit (zero: none), a
// program still running at the limit is ended with its whole process group (the helpers it started):
// SIGTERM, then SIGKILL after a grace of a second; the result says timedOut.
// whileWaiting, when set, runs every 50 ms or so while the program runs (a window repaints in it).
TProcessResult RunHiddenAndWait(const std::filesystem::path& program, const std::vector<std::string>& args,
                                const std::filesystem::path& workingFolder,
                                std::chrono::milliseconds timeLimit = std::chrono::milliseconds::zero(),
                                const std::function<void()>& whileWaiting = {});

// Starts a program and returns at once; its end is reaped in the background. Gives the process id.
TStatus StartDetached(const std::filesystem::path& program, const std::vector<std::string>& args,
                      const std::filesystem::path& workingFolder, pid_t* pid = nullptr);

// Opens a native file or folder with the desktop's default program (xdg-open, unless opener names
// another program). The path goes to the opener as it is: it is already in the file system's encoding.
TStatus OpenDocument(const std::filesystem::path& target, const std::filesystem::path& opener = {});

// The resident memory of this process in bytes; 0 when it cannot be read.
std::int64_t WorkingSetSize();

// The CPU time (user + system) a process has used, in seconds; nullopt when it cannot be read.
std::optional<double> ProcessCpuSeconds(pid_t pid);

// Whether a process with this id exists (also one of another user, which we may not signal).
bool IsProcessAlive(pid_t pid);

// Ends a process (SIGTERM, then SIGKILL if it is still there after a short grace period).
TStatus TerminateProcess(pid_t pid);

// The full path of the running program and its folder.
std::filesystem::path ProgramPath();
std::filesystem::path ProgramFolder();

}  // namespace varnholt::platform
