// CliRunner.h — runs the built varnholt-cli and captures what it prints.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace varnholt::test {

struct TCliResult {
  int exitCode = -1;
  std::string out;  // standard output
  std::string err;  // standard error
};

// Runs varnholt-cli from the build's application folder with the given arguments.
TCliResult RunCli(const std::vector<std::string>& args);
// Starts varnholt-cli without waiting: standard input from the null device, output and errors into the
// given files. Gives the process id (0 when it could not start).
int StartCli(const std::vector<std::string>& args, const std::filesystem::path& out, const std::filesystem::path& err);

}  // namespace varnholt::test
