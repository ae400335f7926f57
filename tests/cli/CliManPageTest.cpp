// CliManPageTest.cpp — `varnholt-cli man-page`: the manual page holds every command and option that
// --help lists, at every level.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "tests/cli/CliRunner.h"
#include "tests/support/TempFolder.h"

namespace varnholt::test {
namespace {

// The page as a reader sees it: roff's escapes for the minus and the backslash undone, fonts dropped.
std::string Plain(std::string page) {
  std::string out;
  for (std::size_t i = 0; i < page.size(); ++i) {
    if (page[i] == '\\' && i + 1 < page.size()) {
      const char next = page[i + 1];
      if (next == '-') {
        out += '-';
        ++i;
        continue;
      }
      if (next == 'e') {
        out += '\\';
        ++i;
        continue;
      }
      if (next == '&') {
        ++i;
        continue;
      }
      if (next == 'f' && i + 2 < page.size()) {
        i += 2;
        continue;
      }
    }
    out += page[i];
  }
  return out;
}

// The names a --help lists under a heading: the first word of each indented line after it.
std::vector<std::string> Listed(const std::string& help, const std::string& heading) {
  std::vector<std::string> names;
  std::istringstream lines(help);
  std::string line;
  bool in = false;
  while (std::getline(lines, line)) {
    if (line.empty()) {
      in = false;
      continue;
    }
    if (line == heading) {
      in = true;
      continue;
    }
    if (in && line.starts_with("  ")) names.push_back(line.substr(2, line.find(' ', 2) - 2));
  }
  return names;
}

TEST(CliManPage, HoldsEveryCommandAndOptionOfTheHelp) {
  TTempFolder folder;
  const TCliResult written = RunCli({"man-page", (folder / "varnholt-cli.1").string()});
  ASSERT_EQ(written.exitCode, 0) << written.err;
  const std::string page = Plain(ReadFile(folder / "varnholt-cli.1"));
  ASSERT_TRUE(page.starts_with(".\\\"")) << page.substr(0, 80);
  EXPECT_NE(page.find(".TH VARNHOLT-CLI 1"), std::string::npos);

  // Walks the help as a user would: the program's, then each command's and each of its commands'.
  std::vector<std::vector<std::string>> pending = {{}};
  int commands = 0;
  while (!pending.empty()) {
    const std::vector<std::string> path = pending.back();
    pending.pop_back();
    std::vector<std::string> args = path;
    args.push_back("--help");
    const TCliResult help = RunCli(args);
    ASSERT_EQ(help.exitCode, 0) << help.err;
    std::string title = "varnholt-cli";
    for (const std::string& word : path) title += " " + word;
    const std::size_t section = path.empty() ? page.find(".SH OPTIONS") : page.find(".SS \"" + title + "\"");
    ASSERT_NE(section, std::string::npos) << title;
    const std::size_t end = page.find(".SS", section + 4);
    const std::string text =
        page.substr(section, end == std::string::npos ? std::string::npos : end - section);
    for (const std::string& option : Listed(help.out, "Options:")) {
      if (!path.empty() && option == "-h,--help") continue;
      EXPECT_NE(text.find("\n.TP\n" + option), std::string::npos) << title << ": " << option;
    }
    for (const std::string& positional : Listed(help.out, "Positionals:")) {
      EXPECT_NE(text.find("\n.TP\n" + positional), std::string::npos) << title << ": " << positional;
    }
    for (const std::string& sub : Listed(help.out, "Subcommands:")) {
      std::vector<std::string> next = path;
      next.push_back(sub);
      pending.push_back(next);
      ++commands;
    }
  }
  EXPECT_GE(commands, 20);  // every command and its own commands were walked
}

}  // namespace
}  // namespace varnholt::test
