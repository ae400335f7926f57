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

}  // namespace varnholt::test
