// TestCupsServer.h — a CUPS server of the test's own: its own configuration folder and socket, nothing
// of the machine's printing touched. It has the printers Lab_Printer (the default) and Closed_Printer
// (refuses jobs), whose backend keeps every job as a file.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/TempFolder.h"

namespace varnholt::test {

// Where cupsd lives on Debian.
inline constexpr const char* kCupsd = "/usr/sbin/cupsd";

class TTestCupsServer {
 public:
  struct TOptions {
    std::string extraPrinters;  // more <Printer> sections for printers.conf
    // More backends (name, shell script), e.g. a stand-in for one that is not installed.
    std::vector<std::pair<std::string, std::string>> backends;
  };
  TTestCupsServer() : TTestCupsServer(TOptions{}) {}
  explicit TTestCupsServer(const TOptions& options);
  ~TTestCupsServer();
  TTestCupsServer(const TTestCupsServer&) = delete;
  TTestCupsServer& operator=(const TTestCupsServer&) = delete;

  bool Running() const;
  const std::filesystem::path& Socket() const { return socket_; }
  // A folder of the test's own, removed with the server.
  const TTempFolder& Folder() const { return temp_; }
  // The jobs the printers received, waiting a little for the backend to finish.
  std::vector<std::string> Jobs() const;

 private:
  TTempFolder temp_;
  std::filesystem::path socket_;
  pid_t pid_ = 0;
};

}  // namespace varnholt::test
