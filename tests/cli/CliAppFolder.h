// CliAppFolder.h — a test's own application folder with the build's engine programs and an empty queue,
// and varnholt-cli run on it.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/cli/CliRunner.h"
#include "tests/support/TempFolder.h"

namespace varnholt::test {

class TCliAppFolderTest : public testing::Test {
 protected:
  void SetUp() override {
    for (const char* program : {"PDF.EXE", "PDFEDIT.EXE"})
      std::filesystem::copy_file(std::filesystem::path(VARNHOLT_APP_DIR) / program, app_ / program);
    std::filesystem::create_directories(app_ / "drives/c/PDF");
  }
  // varnholt-cli with args, on this application folder.
  TCliResult Cli(std::vector<std::string> args) {
    args.insert(args.begin(), {"--app-folder", app_.Path().string()});
    return RunCli(args);
  }
  TTempFolder app_;
};

}  // namespace varnholt::test
