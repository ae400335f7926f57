// CmdJournal.cpp — `varnholt-cli journal verify|list|show|export` and `failed list`: the audit journal
// read from the command line. Nothing here writes the journal; only filing a report does.
#include <fstream>
#include <iostream>

#include <nlohmann/json.hpp>

#include "cli/CliCommands.h"
#include "cli/CliSupport.h"
#include "core/uJournal.h"
#include "platform/CodePage.h"
#include "platform/DriveMap.h"
#include "platform/Files.h"

namespace varnholt::cli {

namespace {

struct TJournalOptions {
  bool files = false;
  TJournalQuery query;
  bool json = false;
  std::int64_t id = 0;
  std::string csv;
};

// Opens the journal that exists; a missing one is said, not made.
bool OpenJournal(const TCliContext& context, TJournal& journal) {
  const std::filesystem::path file = context.ApplicationFolder() / kJournalFileName;
  if (!platform::FileExists(file)) {
    std::cerr << "No journal in " << context.ApplicationFolder().string() << " (" << kJournalFileName
              << " is made when the first report is filed)\n";
    return false;
  }
  if (const platform::TStatus opened = journal.Open(file); !opened) {
    std::cerr << platform::Cp1252ToUtf8(opened.Message()) << '\n';
    return false;
  }
  return true;
}

std::string Utf8(const std::string& text) {
  return platform::Cp1252ToUtf8(text);
}

nlohmann::ordered_json AsJson(const TJournalEntry& e, bool withRecords) {
  nlohmann::ordered_json j;
  j["id"] = e.id;
  j["timeUtc"] = e.timeUtc;
  j["timeLocal"] = e.timeLocal;
  j["user"] = e.user;
  j["machine"] = e.machine;
  j["process"] = e.process;
  j["mode"] = e.mode;
  j["report"] = Utf8(e.report);
  j["queueName"] = Utf8(e.queueName);
  j["reportSha256"] = e.reportSha256;
  j["outcome"] = e.outcome;
  j["location"] = Utf8(e.location);
  j["filedAs"] = Utf8(e.filedAs);
  j["reason"] = Utf8(e.reason);
  j["script"] = e.scriptEnd;
  j["row"] = e.row;
  j["column"] = e.column;
  j["engineError"] = e.engineError;
  j["emergencyStop"] = e.emergencyStop;
  j["scriptSha256"] = e.scriptSha256;
  j["text1Sha256"] = e.text1Sha256;
  j["text2Sha256"] = e.text2Sha256;
  j["files"] = nlohmann::ordered_json::array();
  for (const TJournalFile& file : e.files) {
    j["files"].push_back({{"path", Utf8(file.path)}, {"how", file.how}, {"sha256", file.sha256}});
  }
  if (withRecords) {
    j["records"] = nlohmann::ordered_json::array();
    for (const std::string_view line : platform::SplitLineViews(e.records))
      j["records"].push_back(Utf8(std::string(line)));
  }
  j["previousHash"] = e.previousHash;
  j["hash"] = e.hash;
  return j;
}

std::string OneLine(const TJournalEntry& e) {
  std::string text =
      std::to_string(e.id) + "  " + e.timeLocal + "  " + e.mode + "  " + e.outcome + "  " + e.report;
  if (e.location != e.report && !e.location.empty()) text += " -> " + e.location;
  if (e.row > 0) text += "  Line " + std::to_string(e.row) + ", Char " + std::to_string(e.column);
  if (!e.reason.empty()) text += "  " + e.reason;
  return ForTerminal(text);
}

int Verify(const TCliContext& context, const TJournalOptions& options) {
  TJournal journal;
  if (!OpenJournal(context, journal)) return 2;
  const platform::TDriveMap map(context.ApplicationFolder());
  std::function<std::optional<std::filesystem::path>(const std::string&)> resolve;
  if (options.files) resolve = [&map](const std::string& path) { return map.TryResolve(path); };
  const TJournalVerdict verdict = journal.Verify(resolve);
  if (!verdict.ok) {
    std::cout << "Broken at entry " << verdict.brokenId << ": " << ForTerminal(verdict.problem) << '\n';
    return 1;
  }
  std::cout << "Chain intact: " << verdict.entries << " entries"
            << (options.files ? ", every recorded file as recorded" : "") << "; head " << verdict.headHash
            << '\n';
  return 0;
}

int List(const TCliContext& context, const TJournalOptions& options) {
  TJournal journal;
  if (!OpenJournal(context, journal)) return 2;
  std::vector<TJournalEntry> entries;
  if (const platform::TStatus listed = journal.List(options.query, entries); !listed) {
    std::cerr << listed.Message() << '\n';
    return 1;
  }
  for (const TJournalEntry& entry : entries) {
    std::cout << (options.json ? AsJson(entry, false).dump() : OneLine(entry)) << '\n';
  }
  return 0;
}

int Show(const TCliContext& context, const TJournalOptions& options) {
  TJournal journal;
  if (!OpenJournal(context, journal)) return 2;
  TJournalEntry entry;
  if (!journal.Find(options.id, entry)) {
    std::cerr << "No journal entry " << options.id << '\n';
    return 2;
  }
  nlohmann::ordered_json shown = AsJson(entry, true);
  const std::optional<std::string> script = journal.ScriptText(entry.scriptSha256);
  shown["scriptText"] = script ? Utf8(*script) : std::string();
  std::cout << shown.dump(2) << '\n';
  return 0;
}

std::string CsvField(const std::string& text) {
  std::string quoted = "\"";
  for (const char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

int Export(const TCliContext& context, const TJournalOptions& options) {
  TJournal journal;
  if (!OpenJournal(context, journal)) return 2;
  std::vector<TJournalEntry> entries;
  if (const platform::TStatus listed = journal.List({}, entries); !listed) {
    std::cerr << listed.Message() << '\n';
    return 1;
  }
  std::ofstream out(options.csv, std::ios::binary | std::ios::trunc);
  out << "id,timeUtc,timeLocal,user,machine,process,mode,report,reportSha256,outcome,location,reason,script,"
         "row,column,engineError,emergencyStop,scriptSha256,text1Sha256,text2Sha256,files,hash\r\n";
  for (const TJournalEntry& e : entries) {
    std::string files;
    for (const TJournalFile& file : e.files)
      files += (files.empty() ? "" : " | ") + file.how + " " + file.path + " " + file.sha256;
    out << e.id << ',' << e.timeUtc << ',' << e.timeLocal << ',' << CsvField(e.user) << ','
        << CsvField(e.machine) << ',' << CsvField(e.process) << ',' << e.mode << ','
        << CsvField(Utf8(e.report)) << ',' << e.reportSha256 << ',' << e.outcome << ','
        << CsvField(Utf8(e.location)) << ',' << CsvField(Utf8(e.reason)) << ',' << e.scriptEnd << ',' << e.row
        << ',' << e.column << ',' << int{e.engineError} << ',' << int{e.emergencyStop} << ','
        << e.scriptSha256 << ',' << e.text1Sha256 << ',' << e.text2Sha256 << ',' << CsvField(Utf8(files))
        << ',' << e.hash << "\r\n";
  }
  out.close();
  if (!out) {
    std::cerr << "Cannot write " << options.csv << '\n';
    return 1;
  }
  std::cout << "Exported " << entries.size() << " entries to " << options.csv << '\n';
  return 0;
}

}  // namespace

int FailedList(const TCliContext& context) {
  const platform::TDriveMap map(context.ApplicationFolder());
  const auto folder = map.TryResolve("C:\\PDF\\FAILED");
  TJournal journal;
  const bool hasJournal = platform::FileExists(context.ApplicationFolder() / kJournalFileName) &&
                          journal.Open(context.ApplicationFolder() / kJournalFileName);
  if (!folder) return 0;
  for (const platform::TFoundFile& file : platform::FindFiles(*folder, "*.pdf")) {
    const std::string path = "C:\\PDF\\FAILED\\" + file.name;
    TJournalEntry entry;
    std::string reason = "(no journal entry)";
    if (hasJournal && journal.LastEntryForFile(path, entry)) {
      reason = "entry " + std::to_string(entry.id) + ", " + entry.timeLocal + ": " + entry.reason;
    }
    std::cout << ForTerminal(path + "  " + reason) << '\n';
  }
  return 0;
}

void AddJournalCommand(CLI::App& app, TCliContext& context) {
  auto* journal =
      app.add_subcommand("journal", "The audit journal Varnholt.journal: verify, list, show, export");
  journal->require_subcommand(1);
  auto options = std::make_shared<TJournalOptions>();
  auto* verify = journal->add_subcommand(
      "verify", "Check the hash chain (exit 1 and the first broken entry when it is broken)");
  verify->add_flag("--files", options->files, "Also check that every recorded file has its recorded SHA-256");
  verify->callback([&context, options] { context.exitCode = Verify(context, *options); });
  auto* list = journal->add_subcommand("list", "List the entries, oldest first");
  list->add_option("--since", options->query.since, "Only entries at or after this UTC time (2024-05-01)");
  list->add_option("--sample", options->query.sample,
                   "Only entries whose queue name or filed name holds this text (ASCII case ignored)");
  list->add_option("--outcome", options->query.outcome,
                   "Only entries of this outcome: filed, in-failed, left-in-place, stayed, script-error")
      ->check(CLI::IsMember({"filed", "in-failed", "left-in-place", "stayed", "script-error"}));
  list->add_flag("--json", options->json, "One JSON object a line");
  list->callback([&context, options] { context.exitCode = List(context, *options); });
  auto* show = journal->add_subcommand("show", "One entry with its script text and its log records, as JSON");
  show->add_option("ID", options->id, "The entry's number")->required();
  show->callback([&context, options] { context.exitCode = Show(context, *options); });
  auto* exported = journal->add_subcommand("export", "Write every entry to a CSV file");
  exported->add_option("--csv", options->csv, "The CSV file to write")->required();
  exported->callback([&context, options] { context.exitCode = Export(context, *options); });
}

}  // namespace varnholt::cli
