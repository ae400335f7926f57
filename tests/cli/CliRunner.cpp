// CliRunner.cpp — runs the built varnholt-cli with its output redirected to temporary files.
#include "tests/cli/CliRunner.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include "tests/support/TempFolder.h"

extern char** environ;

namespace varnholt::test {

int StartCli(const std::vector<std::string>& args, const std::filesystem::path& out, const std::filesystem::path& err) {
  const std::filesystem::path program = std::filesystem::path(VARNHOLT_APP_DIR) / "varnholt-cli";
  std::vector<std::string> storage{program.string()};
  storage.insert(storage.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& s : storage) argv.push_back(s.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT, 0644);
  pid_t pid = 0;
  if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) pid = 0;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

TCliResult RunCli(const std::vector<std::string>& args) {
  TTempFolder capture;
  TCliResult result;
  if (const pid_t pid = StartCli(args, capture / "out", capture / "err"); pid > 0) {
    int status = 0;
    waitpid(pid, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  result.out = ReadFile(capture / "out");
  result.err = ReadFile(capture / "err");
  return result;
}

}  // namespace varnholt::test
