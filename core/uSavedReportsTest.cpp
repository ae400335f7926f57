// uSavedReportsTest.cpp — the editor's script tried on the journal's last reports.
#include "core/uSavedReportsTest.h"

#include "core/uApplicationFolder.h"
#include "core/uJournal.h"
#include "core/uStandardScript.h"
#include "core/uVarnholtCore.h"
#include "platform/Files.h"
#include "platform/ScopeExit.h"
#include "script/compiler/atPascal.h"

namespace varnholt {

namespace {

constexpr const char* kObject = "Varnholt";

TSavedReportsTest Refusal(std::string message, bool error) {
  TSavedReportsTest test;
  test.message = std::move(message);
  test.error = error;
  return test;
}

}  // namespace

bool ReadSavedScript(const std::filesystem::path& applicationFolder, std::vector<std::string>& lines,
                     std::string& problem) {
  const std::filesystem::path file = applicationFolder / kScriptFileName;
  lines.clear();
  if (platform::FileExists(file)) {
    std::string bytes;
    if (const platform::TStatus read = platform::ReadFileBytes(file, bytes); !read) {
      problem = read.Message();
      return false;
    }
    lines = platform::SplitLines(ScriptTextFromFile(bytes));
  }
  if (IsBlankScript(lines)) lines = StandardScript();
  return true;
}

TSavedReportsTest TestOnSavedReports(TVarnholtCore& core, const std::vector<std::string>& candidate, int last,
                                     const TServiceSettings& settings,
                                     const std::function<void(int done, int total)>& progress) {
  TProcessingState& state = core.State();
  const std::filesystem::path& folder = state.ApplicationFolder();
  core.Log().WriteProc(kObject, "TestOnSavedReportsClick");
  if (state.ActionIsProcessing() || !state.TryBeginPass()) {
    return Refusal("Can not test on saved reports. Please wait\nCurrently Action is processing\n" + state.CurrentPdf(),
                   false);
  }
  const platform::TScopeExit endPass([&state] { state.EndPass(); });

  TReplayScripts scripts;
  scripts.candidate = candidate;
  // The same check and marked line as leaving edit mode; the editor and its mode stay as they are.
  if (core.Action().CompileScript(scripts.candidate).Failed()) {
    return Refusal("Can not test on saved reports\n" + state.ScriptErrorText(), false);
  }
  std::string problem;
  if (!ReadSavedScript(folder, scripts.baseline, problem)) {
    return Refusal("Can not test on saved reports: the saved script cannot be read\n" + problem, true);
  }
  TReplay replay(folder, settings);
  if (const std::string error = replay.CompileError(scripts.baseline); !error.empty()) {
    return Refusal("Can not test on saved reports: the saved script " + std::string(kScriptFileName) +
                       " does not compile, so there is nothing to compare with\n" + error,
                   true);
  }

  const std::filesystem::path journalFile = folder / kJournalFileName;
  if (!platform::FileExists(journalFile)) {
    return Refusal("No saved reports to test on: there is no journal yet\n" + std::string(kJournalFileName) +
                       " is made when the first report is filed",
                   false);
  }
  TSavedReportsTest test;
  std::vector<TReplaySource> sources;
  {
    TJournal journal;
    if (const platform::TStatus opened = journal.Open(journalFile); !opened) {
      return Refusal("Can not test on saved reports: the journal cannot be read\n" + opened.Message(), true);
    }
    sources = ReplaySourcesFromJournal(journal, folder, {}, last, test.notes);
  }
  if (sources.empty()) {
    std::string text =
        "No saved reports to test on: the journal holds no report whose saved file still has the bytes it "
        "arrived with";
    if (!test.notes.empty()) text += " (" + std::to_string(test.notes.size()) + " left out)";
    return Refusal(text, false);
  }

  replay.SetProgress(progress);
  if (const platform::TStatus ran = replay.Run(sources, scripts, test.results); !ran) {
    return Refusal("Can not test on saved reports\n" + ran.Message(), true);
  }
  const TReplaySummary summary = Summarize(test.results);
  core.Log().WriteEntry(ltMsg, kObject, "TestOnSavedReports", "Reports",
                        std::to_string(test.results.size()) + ": " + std::to_string(summary.same) + " same, " +
                            std::to_string(summary.different) + " different, " + std::to_string(summary.errors) +
                            " errors");
  test.done = true;
  return test;
}

}  // namespace varnholt
