// uReplay.h — a replay: saved reports run through two action scripts exactly as Automatic mode would file
// them, with every change a run would make recorded instead of made, and the two runs of each report
// compared.
//
// Each run is a core of its own on a recorded world (TReplayFileSystem over the real drive folders): its
// engine requests are answered by a stand-in (EXTRACT from the text cache, every other request noted),
// the programs a script starts are noted, its log is kept in memory and no journal entry is written. The
// texts of a report come from the engine once, in a scratch folder of the replay's own, and are cached by
// the report's SHA-256. Reports run on all cores at once.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/uJournal.h"
#include "core/uReplayFiles.h"
#include "core/uReportFiling.h"
#include "core/uServiceSettings.h"
#include "platform/Status.h"

namespace varnholt {

// One saved report to replay.
struct TReplaySource {
  std::filesystem::path file;  // where its bytes are
  std::string queueName;       // the name it arrives under in C:\PDF
  std::string origin;          // the path given (UTF-8), or "journal entry 12"
};

// One report filed under one script.
struct TReplayRun {
  TFilingOutcome outcome;
  std::vector<TReplayEffect> effects;
  std::vector<std::string> records;  // the log lines of the run
};

enum class TReplayVerdict {
  kSame,       // both scripts would do exactly the same with it
  kDifferent,  // they would not
  kError,      // it could not be replayed (unreadable file, engine failure); error says why
};
const char* ReplayVerdictName(TReplayVerdict verdict);  // "same", "different", "error"

struct TReplayResult {
  TReplaySource source;
  std::string sha256;
  TReplayVerdict verdict = TReplayVerdict::kError;
  std::string error;
  TReplayRun baseline, candidate;
  bool textsFromCache = false;
};

struct TReplaySummary {
  int same = 0, different = 0, errors = 0;
};
TReplaySummary Summarize(const std::vector<TReplayResult>& results);

// Whether two runs would leave the same files in the same places: the outcome, where the report ends, the
// reason, and every change in order (paths compared as Windows compares them).
bool SameRun(const TReplayRun& a, const TReplayRun& b);
// The same change: what, the path as Windows compares it, and the detail.
bool SameEffect(const TReplayEffect& a, const TReplayEffect& b);
// Whether the change at index of run is not the one other makes at that place (which the views mark).
bool EffectDiffers(const TReplayRun& run, const TReplayRun& other, std::size_t index);

// One change as a person reads it: "move C:\PDF\a.pdf -> C:\PDFSTORE\A.PDF", "print C:\PDF\a.pdf on Lab".
std::string EffectText(const TReplayEffect& effect);

struct TReplayScripts {
  std::vector<std::string> baseline;   // the script in use (Varnholt.PS)
  std::vector<std::string> candidate;  // the script to try
};

class TReplay {
 public:
  // The application folder whose drive folders, engine and settings the runs use.
  TReplay(std::filesystem::path applicationFolder, TServiceSettings settings);

  // How many reports run at once; 0 (the default) is one a processor.
  void SetWorkers(int workers) { workers_ = workers; }
  // Called on the calling thread with how many reports are done, at least once a second while they run.
  void SetProgress(std::function<void(int done, int total)> progress) { progress_ = std::move(progress); }
  // The printers the runs see as installed; the platform's list unless set (tests set their own).
  void SetPrinterList(std::vector<std::string> printers) { printers_ = std::move(printers); }
  // Without the cache every report is read by the engine afresh and nothing is stored.
  void SetUseCache(bool use) { useCache_ = use; }

  // Whether a script compiles with the host routines: empty, or "row:column: message".
  std::string CompileError(const std::vector<std::string>& lines);

  // Replays every source under both scripts, in the order given. Fails only for a reason of the replay's
  // own (no scratch folder, no engine); a report that cannot be replayed is a result with its error.
  platform::TStatus Run(const std::vector<TReplaySource>& sources, const TReplayScripts& scripts,
                        std::vector<TReplayResult>& results);

 private:
  class TWorker;
  friend class TWorker;

  std::filesystem::path applicationFolder_;
  TServiceSettings settings_;
  int workers_ = 0;
  bool useCache_ = true;
  std::function<void(int, int)> progress_;
  std::optional<std::vector<std::string>> printers_;
};

// The reports of the journal to replay: for every report handled at or after since (the latest entry of
// each, by its SHA-256; the last limit of them when limit > 0), the saved file that still has the bytes it
// arrived with. An entry whose files have all changed or gone is left out with a note saying so.
std::vector<TReplaySource> ReplaySourcesFromJournal(TJournal& journal,
                                                    const std::filesystem::path& applicationFolder,
                                                    const std::string& since, int limit,
                                                    std::vector<std::string>& notes);

// The reports of files and folders given by name: a file as it is, a folder's *.pdf files (any case), in
// name order. A name that is neither is a problem, and the list is not made.
platform::TStatus ReplaySourcesFromPaths(const std::vector<std::filesystem::path>& paths,
                                         std::vector<TReplaySource>& sources);

}  // namespace varnholt
