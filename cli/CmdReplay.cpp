// CmdReplay.cpp — `varnholt-cli replay --script NEW.PS [--baseline OLD.PS] [--journal [--since DATE]
// [--last N] | PDF or folder ...] [--json] [--verbose] [--jobs N] [--no-cache]`: which saved reports a
// changed script would file differently, found without moving, writing or printing anything.
#include <unistd.h>

#include <iostream>

#include <nlohmann/json.hpp>

#include "cli/CliCommands.h"
#include "cli/CliSupport.h"
#include "core/uReplay.h"
#include "platform/CodePage.h"
#include "platform/Files.h"

namespace varnholt::cli {

namespace {

struct TReplayOptions {
  std::string script;
  std::string baseline;
  bool journal = false;
  std::string since;
  int last = 0;
  std::vector<std::string> paths;
  bool json = false;
  bool verbose = false;
  int jobs = 0;
  bool noCache = false;
};

std::string Utf8(const std::string& text) {
  return platform::Cp1252ToUtf8(text);
}

nlohmann::ordered_json RunAsJson(const TReplayRun& run) {
  nlohmann::ordered_json j;
  j["outcome"] = FilingEndName(run.outcome.end);
  j["location"] = Utf8(run.outcome.location);
  j["reason"] = Utf8(run.outcome.reason);
  j["script"] = ScriptEndName(run.outcome.script.end);
  j["row"] = run.outcome.script.row;
  j["column"] = run.outcome.script.column;
  j["operations"] = nlohmann::ordered_json::array();
  for (const TReplayEffect& effect : run.effects) {
    j["operations"].push_back(
        {{"op", effect.what}, {"path", Utf8(effect.path)}, {"detail", Utf8(effect.detail)}});
  }
  return j;
}

// "filed  C:\PDFSTORE\X.PDF", "script error  Line 3, Char 5  <message>".
std::string OutcomeLine(const TReplayRun& run) {
  std::string text = FilingEndName(run.outcome.end);
  if (!run.outcome.location.empty()) text += "  " + run.outcome.location;
  if (run.outcome.script.row > 0) {
    text += "  Line " + std::to_string(run.outcome.script.row) + ", Char " +
            std::to_string(run.outcome.script.column);
  }
  if (!run.outcome.reason.empty()) text += "  (" + run.outcome.reason + ")";
  return text;
}

// The operations of one side; with the other side given, a line it does not have in that place is marked.
void PrintRun(const char* side, const TReplayRun& run, const TReplayRun* other) {
  std::cout << "    " << side << ForTerminal(OutcomeLine(run)) << '\n';
  for (std::size_t i = 0; i < run.effects.size(); ++i) {
    const bool differs = other && EffectDiffers(run, *other, i);
    std::cout << "      " << (differs ? "* " : "  ") << ForTerminal(EffectText(run.effects[i])) << '\n';
  }
}

void PrintResult(const TReplayResult& result, bool verbose) {
  const std::string name = ForTerminal(result.source.queueName);
  if (result.verdict == TReplayVerdict::kError) {
    std::cout << "  error      " << name << "  " << ForTerminal(result.error) << '\n';
    return;
  }
  if (result.verdict == TReplayVerdict::kSame) {
    std::cout << "  same       " << name << "  " << ForTerminal(OutcomeLine(result.baseline)) << '\n';
    if (verbose) {
      for (const TReplayEffect& effect : result.baseline.effects) {
        std::cout << "        " << ForTerminal(EffectText(effect)) << '\n';
      }
    }
    return;
  }
  std::cout << "  DIFFERENT  " << name << "  (" << result.source.origin << ")\n";
  PrintRun("baseline:  ", result.baseline, &result.candidate);
  PrintRun("new:       ", result.candidate, &result.baseline);
}

// A bar on standard error while the reports run; only where a person watches a terminal.
class TProgressBar {
 public:
  explicit TProgressBar(bool shown) : shown_(shown) {}
  ~TProgressBar() {
    if (drawn_) std::cerr << "\r" << std::string(60, ' ') << "\r" << std::flush;
  }
  TProgressBar(const TProgressBar&) = delete;
  TProgressBar& operator=(const TProgressBar&) = delete;
  void Show(int done, int total) {
    if (!shown_ || total == 0) return;
    constexpr int kWidth = 30;
    const int filled = done * kWidth / total;
    std::cerr << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
              << std::string(static_cast<std::size_t>(kWidth - filled), '.') << "] " << done << "/" << total
              << std::flush;
    drawn_ = true;
  }

 private:
  bool shown_;
  bool drawn_ = false;
};

int Replay(const TCliContext& context, const TReplayOptions& options) {
  const std::filesystem::path appFolder = context.ApplicationFolder();
  if (options.journal == !options.paths.empty()) {
    std::cerr << "Name the reports to replay: --journal, or PDF files and folders\n";
    return 2;
  }
  if (!options.journal && (!options.since.empty() || options.last > 0)) {
    std::cerr << "--since and --last choose reports of the journal; give them with --journal\n";
    return 2;
  }
  TReplayScripts scripts;
  if (!ReadActionScript(options.script, appFolder, scripts.candidate)) return 2;
  if (!ReadActionScript(options.baseline, appFolder, scripts.baseline)) return 2;
  const std::optional<TServiceSettings> settings = ReadServiceSettings(appFolder);
  if (!settings) return 2;

  TReplay replay(appFolder, *settings);
  for (const auto& [name, lines] :
       {std::pair{options.script, &scripts.candidate},
        std::pair{options.baseline.empty() ? std::string("Varnholt.PS") : options.baseline,
                  &scripts.baseline}}) {
    if (const std::string error = replay.CompileError(*lines); !error.empty()) {
      std::cerr << name << " does not compile: " << ForTerminal(error) << '\n';
      return 2;
    }
  }

  std::vector<TReplaySource> sources;
  std::vector<std::string> notes;
  if (options.journal) {
    TJournal journal;
    const std::filesystem::path file = appFolder / kJournalFileName;
    if (!platform::FileExists(file)) {
      std::cerr << "No journal in " << appFolder.string() << " (" << kJournalFileName
                << " is made when the first report is filed)\n";
      return 2;
    }
    if (const platform::TStatus opened = journal.Open(file); !opened) {
      std::cerr << Utf8(opened.Message()) << '\n';
      return 2;
    }
    sources = ReplaySourcesFromJournal(journal, appFolder, options.since, options.last, notes);
  } else {
    std::vector<std::filesystem::path> paths(options.paths.begin(), options.paths.end());
    if (const platform::TStatus found = ReplaySourcesFromPaths(paths, sources); !found) {
      std::cerr << Utf8(found.Message()) << '\n';
      return 2;
    }
  }

  replay.SetWorkers(options.jobs);
  replay.SetUseCache(!options.noCache);
  TProgressBar bar(!options.json && ::isatty(STDERR_FILENO) == 1);
  replay.SetProgress([&bar](int done, int total) { bar.Show(done, total); });
  std::vector<TReplayResult> results;
  const platform::TStatus ran = replay.Run(sources, scripts, results);
  bar.Show(static_cast<int>(sources.size()), static_cast<int>(sources.size()));
  if (!ran) {
    std::cerr << Utf8(ran.Message()) << '\n';
    return 2;
  }
  const TReplaySummary summary = Summarize(results);

  if (options.json) {
    nlohmann::ordered_json j;
    j["reports"] = nlohmann::ordered_json::array();
    for (const TReplayResult& result : results) {
      nlohmann::ordered_json r;
      r["report"] = Utf8(result.source.queueName);
      r["origin"] = result.source.origin;
      r["sha256"] = result.sha256;
      r["verdict"] = ReplayVerdictName(result.verdict);
      if (result.verdict == TReplayVerdict::kError) {
        r["error"] = Utf8(result.error);
      } else {
        r["baseline"] = RunAsJson(result.baseline);
        r["new"] = RunAsJson(result.candidate);
      }
      j["reports"].push_back(std::move(r));
    }
    j["notes"] = nlohmann::ordered_json::array();
    for (const std::string& note : notes) j["notes"].push_back(Utf8(note));
    j["summary"] = {{"reports", results.size()},
                    {"same", summary.same},
                    {"different", summary.different},
                    {"errors", summary.errors}};
    std::cout << j.dump(2) << '\n';
  } else {
    for (const std::string& note : notes) std::cout << "  skipped    " << ForTerminal(note) << '\n';
    for (const TReplayResult& result : results) PrintResult(result, options.verbose);
    std::cout << results.size() << (results.size() == 1 ? " report: " : " reports: ") << summary.same
              << " same, " << summary.different << " different, " << summary.errors
              << (summary.errors == 1 ? " error" : " errors") << '\n';
  }
  // A report that could not be replayed is not shown to be the same.
  return summary.different > 0 || summary.errors > 0 ? 1 : 0;
}

}  // namespace

void AddReplayCommand(CLI::App& app, TCliContext& context) {
  auto options = std::make_shared<TReplayOptions>();
  auto* cmd = app.add_subcommand(
      "replay",
      "Run saved reports through a new script and the current one as Automatic mode would, recording every "
      "move, copy, write, print and program start instead of doing it, and show which reports the new "
      "script files differently. Exit status 0: none differs; 1: some differ or could not be replayed; "
      "2: the replay itself could not run");
  cmd->add_option("--script", options->script, "The script to try (NEW.PS)")->required();
  cmd->add_option("--baseline", options->baseline,
                  "The script to compare with (default: Varnholt.PS of the application folder)");
  cmd->add_flag("--journal", options->journal,
                "Replay the reports the journal recorded, from the saved files that still have their bytes");
  cmd->add_option("--since", options->since,
                  "With --journal: only reports handled at or after this UTC time");
  cmd->add_option("--last", options->last, "With --journal: only the last N reports")
      ->check(CLI::PositiveNumber);
  cmd->add_option("REPORTS", options->paths, "PDF files, or folders whose *.pdf files are replayed");
  cmd->add_flag("--json", options->json, "Print the result as one JSON document");
  cmd->add_flag("--verbose", options->verbose,
                "Show the operations of the reports that are the same as well");
  cmd->add_option("--jobs", options->jobs, "Reports replayed at once (default: one a processor)")
      ->check(CLI::PositiveNumber);
  cmd->add_flag("--no-cache", options->noCache, "Read every report's texts afresh and store nothing");
  cmd->callback([&context, options] { context.exitCode = Replay(context, *options); });
}

}  // namespace varnholt::cli
