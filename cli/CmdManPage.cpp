// CmdManPage.cpp — `varnholt-cli man-page OUTPUT`: writes the manual page varnholt-cli(1) from the same
// options, subcommands and descriptions that --help prints, so the page and the help never disagree.
#include <functional>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "Layout.h"
#include "Version.h"
#include "cli/CliCommands.h"
#include "platform/CodePage.h"
#include "platform/Files.h"

namespace varnholt::cli {

namespace {

// Text for roff: a backslash and a minus sign written as roff's own, a line that would begin with a
// control character guarded, and every line break of a description kept as a line of text.
std::string Roff(const std::string& text) {
  std::string out;
  bool lineStart = true;
  for (char c : text) {
    if (lineStart && (c == '.' || c == '\'')) out += "\\&";
    lineStart = c == '\n';
    if (c == '\\') {
      out += "\\e";
    } else if (c == '-') {
      out += "\\-";
    } else {
      out += c;
    }
  }
  return out;
}

bool Shown(const CLI::Option* option) {
  return !option->get_group().empty();
}

std::vector<const CLI::App*> ShownSubcommands(const CLI::App& app) {
  return app.get_subcommands(
      [](const CLI::App* sub) { return !sub->get_name().empty() && !sub->get_group().empty(); });
}

// "--script TEXT", "--json", "-h,--help"; a positional by its name.
std::string OptionText(const CLI::Option* option) {
  if (option->get_positional()) return "\\fI" + Roff(option->get_name(true)) + "\\fR";
  std::string text = "\\fB" + Roff(option->get_name(false, true)) + "\\fR";
  if (option->get_type_size_max() > 0 && !option->get_type_name().empty()) {
    text += " \\fI" + Roff(option->get_type_name()) + "\\fR";
  }
  return text;
}

// The command line of a subcommand: its options in brackets, then its positionals.
std::string Synopsis(const std::string& path, const CLI::App& app) {
  std::string line = "\\fB" + Roff(path) + "\\fR";
  for (const CLI::Option* option : app.get_options()) {
    if (!Shown(option) || option->get_positional() || option->get_name(false, true) == "-h,--help") continue;
    line += " [" + OptionText(option) + "]";
  }
  for (const CLI::Option* option : app.get_options()) {
    if (!Shown(option) || !option->get_positional()) continue;
    line += option->get_required() ? " " + OptionText(option) : " [" + OptionText(option) + "]";
  }
  if (!ShownSubcommands(app).empty()) line += " \\fISUBCOMMAND\\fR";
  return line;
}

void WriteOptions(std::ostringstream& page, const CLI::App& app, bool withHelp) {
  for (const CLI::Option* option : app.get_options()) {
    if (!Shown(option)) continue;
    if (!withHelp && option->get_name(false, true) == "-h,--help") continue;
    page << ".TP\n" << OptionText(option) << '\n' << Roff(option->get_description()) << '\n';
  }
}

void WriteSubcommands(std::ostringstream& page, const CLI::App& app, const std::string& path) {
  for (const CLI::App* sub : ShownSubcommands(app)) {
    const std::string subPath = path + " " + sub->get_name();
    page << ".SS \"" << Roff(subPath) << "\"\n"
         << Synopsis(subPath, *sub) << "\n.PP\n"
         << Roff(sub->get_description()) << '\n';
    WriteOptions(page, *sub, false);
    WriteSubcommands(page, *sub, subPath);
  }
}

std::string ManPage(const CLI::App& root) {
  // Not the app's name: the parse gives it the path the program was started by.
  const std::string name = "varnholt-cli";
  const std::string description = root.get_description();
  std::ostringstream page;
  page << ".\\\" The manual page of " << name << ", written by `" << name << " man-page` from its help.\n"
       << ".TH VARNHOLT\\-CLI 1 \"\" \"" << name << ' ' << kVersion << "\" \"Varnholt\"\n"
       << ".SH NAME\n"
       << Roff(name) << " \\- Varnholt's processing core without a window\n"
       << ".SH SYNOPSIS\n"
       << "\\fB" << Roff(name) << "\\fR [\\fIOPTIONS\\fR] \\fISUBCOMMAND\\fR [\\fIARGUMENTS\\fR]\n"
       << ".SH DESCRIPTION\n"
       // The first line of the help repeats the name; the rest says what the program is.
       << Roff(description.substr(description.find('\n') == std::string::npos ? 0
                                                                              : description.find('\n') + 1))
       << "\n.PP\n"
       << "Every option of the program may also follow the subcommand.\n"
       << ".SH OPTIONS\n";
  WriteOptions(page, root, true);
  page << ".SH SUBCOMMANDS\n";
  WriteSubcommands(page, root, name);
  page << ".SH FILES\n"
       << ".TP\n\\fI" << Roff(kSharedApplicationFolder) << "\\fR\n"
       << "The application folder of the service and of the members of the group varnholt: "
          "Varnholt.xml, Varnholt.PS, Varnholt.LOG, Varnholt.journal and the drive folders.\n"
       << ".TP\n\\fI~/.local/share/varnholt\\fR\n"
       << "The application folder of any other user.\n"
       << ".SH SEE ALSO\n"
       << "\\fBvarnholt\\fR(1), \\fBsystemctl\\fR(1), \\fBjournalctl\\fR(1)\n";
  return page.str();
}

}  // namespace

void AddManPageCommand(CLI::App& app, TCliContext& context) {
  auto* cmd = app.add_subcommand("man-page", "Write the manual page varnholt-cli(1) from this help");
  auto output = std::make_shared<std::string>();
  cmd->add_option("OUTPUT", *output, "The roff file to write")->required();
  cmd->callback([&app, &context, output] {
    if (const platform::TStatus written = platform::ReplaceFileAtomically(*output, ManPage(app));
        !written.ok()) {
      std::cerr << "Cannot write " << *output << ": " << platform::Cp1252ToUtf8(written.Message()) << '\n';
      context.exitCode = 1;
    }
  });
}

}  // namespace varnholt::cli
