// Process.cpp — programs started with posix_spawn, hidden (null device for all standard handles) and
// with no other inherited descriptors; process facts from /proc.
#include "platform/Process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/CodePage.h"
#include "platform/Files.h"

extern char** environ;

namespace varnholt::platform {
namespace {

std::vector<char*> MakeArgv(const std::string& program, const std::vector<std::string>& args,
                            std::vector<std::string>& storage) {
  storage.clear();
  storage.push_back(program);
  storage.insert(storage.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& s : storage) argv.push_back(s.data());
  argv.push_back(nullptr);
  return argv;
}

// Spawns with standard handles on the null device, every other descriptor closed, in a folder.
int Spawn(const std::filesystem::path& program, const std::vector<std::string>& args,
          const std::filesystem::path& workingFolder, pid_t& pid) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  if (!workingFolder.empty()) posix_spawn_file_actions_addchdir_np(&actions, workingFolder.c_str());
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  // A new session: the child has no controlling terminal, like a program started in its own console.
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &all);
  std::vector<std::string> storage;
  auto argv = MakeArgv(program.string(), args, storage);
  const int rc = posix_spawn(&pid, program.c_str(), &actions, &attr, argv.data(), environ);
  posix_spawnattr_destroy(&attr);
  posix_spawn_file_actions_destroy(&actions);
  return rc;
}

// How long a program asked to end (SIGTERM) may take to tidy up before it is killed.
constexpr std::chrono::milliseconds kTerminateGrace(1000);

// Waits until the process has ended, without reaping it (so its id, which is also its process group's,
// cannot be taken by another process meanwhile); false when the deadline comes first.
// A window that waits for a program must still repaint: whileWaiting runs at least this often.
constexpr std::chrono::milliseconds kWaitingSlice(50);

bool WaitForEnd(pid_t pid, int pidFd, std::chrono::steady_clock::time_point deadline,
                const std::function<void()>& whileWaiting = {}) {
  for (;;) {
    siginfo_t info{};
    if (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid) {
      return true;
    }
    const auto now = std::chrono::steady_clock::now();
    if (deadline <= now) return false;
    auto left = std::chrono::ceil<std::chrono::milliseconds>(
        std::min<std::chrono::steady_clock::duration>(deadline - now, std::chrono::hours(24)));
    if (whileWaiting) left = std::min(left, kWaitingSlice);
    if (pidFd >= 0) {
      // A process descriptor becomes readable when the process ends: no polling delay on the engine.
      pollfd fd{pidFd, POLLIN, 0};
      ::poll(&fd, 1, static_cast<int>(left.count()));
    } else {
      std::this_thread::sleep_for(std::min(left, std::chrono::milliseconds(10)));
    }
    if (whileWaiting) whileWaiting();
  }
}

std::string DescribeLimit(std::chrono::milliseconds limit) {
  if (limit.count() % 1000 == 0) {
    const auto seconds = limit.count() / 1000;
    return std::to_string(seconds) + (seconds == 1 ? " second" : " seconds");
  }
  return std::to_string(limit.count()) + " ms";
}

}  // namespace

TProcessResult RunHiddenAndWait(const std::filesystem::path& program, const std::vector<std::string>& args,
                                const std::filesystem::path& workingFolder, std::chrono::milliseconds timeLimit,
                                const std::function<void()>& whileWaiting) {
  TProcessResult result;
  if (!FileExists(program)) {
    result.error = "The program \"" + Utf8ToCp1252(program.string()) + "\" does not exist";
    return result;
  }
  if (::access(program.c_str(), X_OK) != 0) {
    result.error = "The program \"" + Utf8ToCp1252(program.string()) + "\" cannot be run: " + ErrnoText(errno);
    return result;
  }
  pid_t pid = 0;
  if (const int rc = Spawn(program, args, workingFolder, pid); rc != 0) {
    result.error = "Cannot start \"" + Utf8ToCp1252(program.string()) + "\": " + ErrnoText(rc);
    return result;
  }
  if (timeLimit.count() > 0 || whileWaiting) {
    const int pidFd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    const auto deadline = timeLimit.count() > 0 ? std::chrono::steady_clock::now() + timeLimit
                                                : std::chrono::steady_clock::time_point::max();
    if (!WaitForEnd(pid, pidFd, deadline, whileWaiting)) {
      // The program was started as the leader of its own session and process group, so the negative
      // id reaches every helper it started as well.
      result.timedOut = true;
      ::kill(-pid, SIGTERM);
      WaitForEnd(pid, pidFd, std::chrono::steady_clock::now() + kTerminateGrace);
      ::kill(-pid, SIGKILL);  // helpers that ignored SIGTERM, or outlived their leader
    }
    if (pidFd >= 0) ::close(pidFd);
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) {
      result.error = "Lost track of \"" + Utf8ToCp1252(program.string()) + "\": " + ErrnoText(errno);
      return result;
    }
  }
  // exec failing after the spawn (a bad interpreter line, say) shows as exit code 127.
  result.started = true;
  if (WIFEXITED(status)) {
    result.exitCode = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    result.exitCode = 128 + WTERMSIG(status);
    result.signal = WTERMSIG(status);
    result.error = std::string("Ended by signal ") + std::to_string(WTERMSIG(status)) + " (" +
                   strsignal(WTERMSIG(status)) + ")";
  }
  if (result.timedOut) {
    result.error = "The program \"" + Utf8ToCp1252(program.string()) + "\" did not end within " +
                   DescribeLimit(timeLimit) + " and was stopped";
  }
  return result;
}

TStatus StartDetached(const std::filesystem::path& program, const std::vector<std::string>& args,
                      const std::filesystem::path& workingFolder, pid_t* pidOut) {
  pid_t pid = 0;
  if (const int rc = Spawn(program, args, workingFolder, pid); rc != 0) {
    return TStatus::Fail("Cannot start \"" + Utf8ToCp1252(program.string()) + "\": " + ErrnoText(rc));
  }
  if (pidOut != nullptr) *pidOut = pid;
  // Reap the child when it ends so that it never lingers as a zombie.
  std::thread([pid] {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
  return TStatus::Ok();
}

TStatus OpenDocument(const std::filesystem::path& target, const std::filesystem::path& opener) {
  if (!opener.empty()) return StartDetached(opener, {target.string()}, {});
  for (const char* folder : {"/usr/bin/", "/usr/local/bin/", "/bin/"}) {
    const std::filesystem::path program = std::string(folder) + "xdg-open";
    if (FileExists(program)) return StartDetached(program, {target.string()}, {});
  }
  return TStatus::Fail("Cannot open \"" + Utf8ToCp1252(target.string()) + "\": xdg-open is not installed");
}

std::int64_t WorkingSetSize() {
  std::ifstream statm("/proc/self/statm");
  long long size = 0, resident = 0;
  if (!(statm >> size >> resident)) return 0;
  return static_cast<std::int64_t>(resident) * ::sysconf(_SC_PAGESIZE);
}

std::optional<double> ProcessCpuSeconds(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(in, line)) return std::nullopt;
  // The command name in parentheses may hold spaces; the fields after its closing parenthesis don't.
  const auto close = line.rfind(')');
  if (close == std::string::npos) return std::nullopt;
  std::istringstream fields(line.substr(close + 2));
  std::string field;
  unsigned long long utime = 0, stime = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i) {
    if (i == 14) utime = std::stoull(field);
    if (i == 15) stime = std::stoull(field);
  }
  return static_cast<double>(utime + stime) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

bool IsProcessAlive(pid_t pid) {
  return pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM);
}

TStatus TerminateProcess(pid_t pid) {
  if (pid <= 0) return TStatus::Fail("No such process");
  if (::kill(pid, SIGTERM) != 0) return TStatus::Fail("Cannot end process " + std::to_string(pid) + ": " + ErrnoText(errno));
  for (int i = 0; i < 50; ++i) {
    if (::kill(pid, 0) != 0) return TStatus::Ok();
    // A child of ours that has ended stays visible until reaped; that counts as ended.
    int status = 0;
    if (::waitpid(pid, &status, WNOHANG) == pid) return TStatus::Ok();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ::kill(pid, SIGKILL);
  return TStatus::Ok();
}

std::filesystem::path ProgramPath() {
  std::error_code ec;
  auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::filesystem::path() : path;
}

std::filesystem::path ProgramFolder() { return ProgramPath().parent_path(); }

}  // namespace varnholt::platform
