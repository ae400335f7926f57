// TestCupsServer.cpp — starts and stops a private cupsd with a file-capturing backend.
#include "tests/support/TestCupsServer.h"

#include <sys/stat.h>

#include <chrono>
#include <thread>

#include "platform/Process.h"

namespace varnholt::test {

namespace {
constexpr const char* kCupsBin = "/usr/lib/cups";
}

TTestCupsServer::TTestCupsServer(const TOptions& options) {
  const auto root = temp_ / "root";
  for (const char* dir : {"root", "spool", "cache", "state", "tmp", "log", "jobs", "bin/backend"}) {
    std::filesystem::create_directories(temp_ / dir);
  }
  // cupsd runs its backends as another user unless they are private to root.
  std::filesystem::permissions(temp_ / "jobs", std::filesystem::perms::all);
  for (const auto& entry : std::filesystem::directory_iterator(kCupsBin)) {
    if (entry.path().filename() != "backend") {
      std::filesystem::create_symlink(entry.path(), temp_ / "bin" / entry.path().filename());
    }
  }
  auto backends = options.backends;
  backends.emplace_back(
      "capture",
      "#!/bin/sh\n"
      "# Keeps every job as a file in the folder the device URI names.\n"
      "if [ $# -eq 0 ]; then echo 'direct capture \"Unknown\" \"Capture\"'; exit 0; fi\n"
      "dir=\"${DEVICE_URI#capture:}\"\n"
      "if [ -n \"$6\" ]; then cat \"$6\" > \"$dir/job-$1.prn\"; else cat > \"$dir/job-$1.prn\"; "
      "fi\n");
  for (const auto& [name, script] : backends) {
    const auto backend = temp_ / "bin/backend" / name;
    WriteFile(backend, script);
    chmod(backend.c_str(), 0700);
  }
  socket_ = temp_ / "cups.sock";
  const std::string t = temp_.Path().string();
  WriteFile(root / "cupsd.conf", "Listen " + socket_.string() +
                                     "\nLogLevel warn\nBrowsing No\nDefaultAuthType None\n"
                                     "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n");
  WriteFile(root / "cups-files.conf",
            "ServerRoot " + t + "/root\nServerBin " + t + "/bin\nRequestRoot " + t + "/spool\nCacheDir " + t +
                "/cache\nStateDir " + t + "/state\nTempDir " + t + "/tmp\nErrorLog " + t +
                "/log/error_log\nAccessLog " + t + "/log/access_log\nPageLog " + t + "/log/page_log\n");
  WriteFile(root / "printers.conf",
            "<DefaultPrinter Lab_Printer>\nState Idle\nAccepting Yes\nDeviceURI capture:" + t +
                "/jobs\n</DefaultPrinter>\n<Printer Closed_Printer>\nState Idle\n"
                "Accepting No\nDeviceURI capture:" +
                t + "/jobs\n</Printer>\n" + options.extraPrinters);
  const auto started = platform::StartDetached(
      kCupsd, {"-f", "-c", (root / "cupsd.conf").string(), "-s", (root / "cups-files.conf").string()},
      temp_.Path(), &pid_);
  if (!started) return;
  for (int i = 0; i < 100 && !std::filesystem::exists(socket_); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  // Give the server a moment to accept on the socket it made.
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
}

TTestCupsServer::~TTestCupsServer() {
  if (pid_ > 0) platform::TerminateProcess(pid_);
}

bool TTestCupsServer::Running() const {
  return pid_ > 0 && std::filesystem::exists(socket_);
}

std::vector<std::string> TTestCupsServer::Jobs() const {
  std::vector<std::string> jobs;
  for (int i = 0; i < 100 && jobs.empty(); ++i) {
    for (const auto& entry : std::filesystem::directory_iterator(temp_ / "jobs")) {
      if (entry.file_size() > 0) jobs.push_back(ReadFile(entry.path()));
    }
    if (jobs.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return jobs;
}

}  // namespace varnholt::test
