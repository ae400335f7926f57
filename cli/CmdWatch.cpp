// CmdWatch.cpp — `varnholt-cli watch`: Automatic mode without a window. Files every report that arrives in
// C:\PDF of the application folder, day and night, with the window's timers, log, settings and script.
//
// The loop is the window's two one-second timers and its folder watcher, fed from poll(): a tick runs the
// automatic pass and the counter timer, a change in the queue folder makes the next tick pass at once.
// The first pass comes at start, and while a backlog waits the next pass follows the last one at once
// (the counter timer keeps its one-second rhythm).
// SIGTERM and SIGINT end it after the file at hand; an emergency stop ends it with status 3, so that a
// supervisor restarts it only after somebody has looked.
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <chrono>
#include <iostream>

#include "cli/CliCommands.h"
#include "cli/CliSupport.h"
#include "core/uApplicationFolder.h"
#include "core/uHeadlessPort.h"
#include "core/uServiceSettings.h"
#include "core/uVarnholtCore.h"
#include "logging/uLogger.h"
#include "platform/CodePage.h"
#include "platform/FolderWatcher.h"
#include "platform/InstanceLock.h"
#include "platform/Printers.h"

namespace varnholt::cli {

namespace {

constexpr int kExitEmergencyStop = 3;
constexpr auto kTick = std::chrono::seconds(1);
// The log is written to its file after every pass that took a report and at least this often.
constexpr auto kLogSaveInterval = std::chrono::seconds(60);

struct TWatchOptions {
  bool yes = false;
  bool verbose = false;
};

// SIGTERM and SIGINT arrive as readable data on a descriptor, so the loop sees them between two files.
class TSignalDescriptor {
 public:
  TSignalDescriptor() {
    sigemptyset(&mask_);
    sigaddset(&mask_, SIGTERM);
    sigaddset(&mask_, SIGINT);
    sigprocmask(SIG_BLOCK, &mask_, &previous_);
    fd_ = signalfd(-1, &mask_, SFD_CLOEXEC | SFD_NONBLOCK);
  }
  ~TSignalDescriptor() {
    if (fd_ >= 0) close(fd_);
    sigprocmask(SIG_SETMASK, &previous_, nullptr);
  }
  int Fd() const { return fd_; }
  // The signal that arrived, or 0.
  int Take() {
    signalfd_siginfo info{};
    return read(fd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info) ? static_cast<int>(info.ssi_signo) : 0;
  }

 private:
  sigset_t mask_{}, previous_{};
  int fd_ = -1;
};

int Watch(const TCliContext& context, const TWatchOptions& options) {
  const std::filesystem::path appFolder = context.ApplicationFolder();
  std::string holder;
  auto instance = platform::TInstanceLock::TryAcquire(appFolder, &holder);
  if (!instance) {
    std::cerr << "Varnholt is already running in " << appFolder.string() << ": " << holder << '\n';
    return 1;
  }
  std::vector<std::string> script;
  if (const platform::TStatus ready = PrepareApplicationFolder(appFolder, script); !ready) {
    std::cerr << platform::Cp1252ToUtf8(ready.Message()) << '\n';
    return 1;
  }
  const std::optional<TServiceSettings> settings = ReadServiceSettings(appFolder);
  if (!settings) return 1;

  TSignalDescriptor signals;
  TProcessLogger processLogger(appFolder);
  TLogger& logger = processLogger.Get();
  logger.SetEnabled(true);
  logger.SetTypes(settings->logTypes);
  if (options.verbose) {
    logger.OnRecordAdded = [](TLogger& log) { std::cout << RecordForPerson(log.Line(log.Count() - 1)) << std::endl; };
  }
  logger.WriteEntry(ltSys, "Varnholt", "Watch", "Start", platform::Utf8ToCp1252(appFolder.string()));

  THeadlessPort port(logger, options.yes);
  TVarnholtCore core(appFolder, port, logger);
  core.State().SetActionScript(script);
  ApplyServiceSettings(*settings, core);
  core.Placement().RecoverInterruptedMove();
  core.Printing().FillPaperPrinters(platform::InstalledPrinters());
  TAutomaticMode& automatic = core.Automatic();

  platform::TFolderWatcher watcher;
  std::string watched;
  automatic.WatchFolder = [&](const std::string& folder) {
    if (folder == watched) return;
    if (const auto native = core.DriveMap().TryResolve(folder); native && watcher.Watch(*native))
      watched = folder;
  };
  automatic.sbAutomaticClick(true);
  automatic.SetRefreshBar(27);  // the counters appear a few seconds after the start
  automatic.WatchFolder(core.State().BrowserFolder());
  // Reports queued while the service was down are complete by now: the first pass comes at once.
  automatic.PassAtNextTick();

  std::cout << "Varnholt is filing the reports that arrive in " << core.DriveMap().Resolve("C:\\PDF").string()
            << " (C:\\PDF); the log is " << (appFolder / kLogFileName).string() << ". Stop with Ctrl+C."
            << std::endl;

  int exitCode = 0;
  int stopSignal = 0;
  bool notifiedSinceTick = false;
  bool passAtOnce = true;
  auto nextTick = std::chrono::steady_clock::now() + kTick;
  auto lastSave = std::chrono::steady_clock::now();
  while (stopSignal == 0) {
    const auto wait = passAtOnce ? std::chrono::milliseconds(0)
                                 : std::chrono::duration_cast<std::chrono::milliseconds>(
                                       nextTick - std::chrono::steady_clock::now());
    pollfd fds[2] = {{signals.Fd(), POLLIN, 0}, {watcher.Fd(), POLLIN, 0}};
    const int ready = poll(fds, watcher.Fd() >= 0 ? 2 : 1, static_cast<int>(std::max<long long>(0, wait.count())));
    if (ready > 0 && (fds[0].revents & POLLIN) != 0) stopSignal = signals.Take();
    if (ready > 0 && watcher.Fd() >= 0 && (fds[1].revents & POLLIN) != 0 && watcher.TakeChanges() &&
        !notifiedSinceTick) {
      // The pass wants a full second between the change and the tick that looks at it; the tick is moved
      // there rather than waiting for the one after, so a backlog drains a report about every second. One
      // change a tick is enough: a stream of them must not hold the ticks back.
      automatic.ChangedFolderChangeNotify();
      nextTick = std::chrono::steady_clock::now() + kTick;
      notifiedSinceTick = true;
    }
    if (stopSignal != 0) break;
    const bool tick = std::chrono::steady_clock::now() >= nextTick;
    if (!tick && !passAtOnce) continue;
    if (tick) {
      notifiedSinceTick = false;
      nextTick += kTick;
      // A slow pass (an engine run) must not make the timer catch up with a burst of ticks.
      if (nextTick < std::chrono::steady_clock::now()) nextTick = std::chrono::steady_clock::now() + kTick;
    }

    const int before = logger.Count();
    automatic.TimerAutomaticTimer();
    passAtOnce = automatic.MoreWaiting();
    if (tick) automatic.FileCountTimer();
    if (!core.State().Automatic()) {
      logger.WriteEntry(ltSys, "Varnholt", "Watch", "Emergency stop",
                        "Automatic mode was stopped after an error; see the Err records above, then restart");
      std::cerr << "Automatic mode was stopped after an error (emergency stop); look at the log "
                << (appFolder / kLogFileName).string() << ", then start again.\n";
      exitCode = kExitEmergencyStop;
      break;
    }
    const auto now = std::chrono::steady_clock::now();
    if (logger.Count() != before && (core.State().EngineRan() || now - lastSave >= kLogSaveInterval)) {
      logger.Save();
      lastSave = now;
    }
  }
  if (stopSignal != 0) {
    logger.WriteEntry(ltSys, "Varnholt", "Watch", "Stop", stopSignal == SIGTERM ? "SIGTERM" : "SIGINT");
  }
  logger.OnRecordAdded = nullptr;
  return exitCode;
}

}  // namespace

void AddWatchCommand(CLI::App& app, TCliContext& context) {
  auto* cmd = app.add_subcommand("watch",
                                 "Automatic mode without a window: file every report that arrives in C:\\PDF "
                                 "(exit 3 after an emergency stop)");
  auto options = std::make_shared<TWatchOptions>();
  cmd->add_flag("--yes", options->yes, "Answer Yes to the questions a window would ask (default: No)");
  cmd->add_flag("--verbose", options->verbose, "Also print every log record");
  cmd->callback([&context, options] { context.exitCode = Watch(context, *options); });
}

}  // namespace varnholt::cli
