// uReplay.cpp — replaying saved reports under two scripts on all cores, and comparing the runs.
#include "core/uReplay.h"

#include <stdlib.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>

#include "core/uApplicationFolder.h"
#include "core/uHeadlessPort.h"
#include "core/uQueueNames.h"
#include "core/uReportLoading.h"
#include "core/uTextCache.h"
#include "core/uVarnholtCore.h"
#include "hostlib/uDestinationNames.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/Locale.h"
#include "platform/Printers.h"
#include "platform/Process.h"
#include "platform/ScopeExit.h"

namespace varnholt {

namespace fs = std::filesystem;

namespace {

constexpr const char* kReplayQueue = "C:\\PDF\\";
// The name a report has in the extraction folder's queue; the engine reads it there, never the original.
constexpr const char* kExtractName = "REPLAY.PDF";

// The value of key= in a request, empty when it has none.
std::string KeyValue(const TEngineRequest& request, std::string_view key) {
  for (const std::string& line : request.keys) {
    if (line.size() > key.size() && line.compare(0, key.size(), key) == 0 && line[key.size()] == '=') {
      return line.substr(key.size() + 1);
    }
  }
  return {};
}

// What an engine request other than EXTRACT would have changed, as a note.
TReplayEffect EffectOf(const TEngineRequest& request) {
  const std::string file = KeyValue(request, "PDFFILE");
  const std::string& action = request.action;
  if (action == "PRINT") return {"print", file, KeyValue(request, "PDFPRINTER")};
  if (action == "PROTECT") return {"protect", file, {}};
  if (action == "WATERMARK") return {"watermark", file, KeyValue(request, "WMTEXT")};
  if (action == "REPAGINATE") {
    return {"repaginate", file, KeyValue(request, "XOFFSET") + "," + KeyValue(request, "YOFFSET")};
  }
  if (action == "COVERPAGE") return {"cover page", file, KeyValue(request, "PDFTITLE")};
  if (action == "DELPAGES") return {"delete pages", file, KeyValue(request, "PDFPAGES")};
  if (action == "APPENDPDF") return {"append PDF", KeyValue(request, "PDFFILE2"), file};
  return {platform::LowerCase(action), file, {}};
}

// A folder of the replay's own below the system's temporary folder, removed with everything in it.
class TScratchFolder {
 public:
  TScratchFolder() {
    std::string pattern = (fs::temp_directory_path() / "varnholt-replay-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~TScratchFolder() {
    std::error_code ec;
    if (!path_.empty()) fs::remove_all(path_, ec);
  }
  TScratchFolder(const TScratchFolder&) = delete;
  TScratchFolder& operator=(const TScratchFolder&) = delete;
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

}  // namespace

const char* ReplayVerdictName(TReplayVerdict verdict) {
  switch (verdict) {
    case TReplayVerdict::kSame:
      return "same";
    case TReplayVerdict::kDifferent:
      return "different";
    case TReplayVerdict::kError:
      return "error";
  }
  return "";
}

TReplaySummary Summarize(const std::vector<TReplayResult>& results) {
  TReplaySummary summary;
  for (const TReplayResult& result : results) {
    if (result.verdict == TReplayVerdict::kSame) ++summary.same;
    if (result.verdict == TReplayVerdict::kDifferent) ++summary.different;
    if (result.verdict == TReplayVerdict::kError) ++summary.errors;
  }
  return summary;
}

std::string EffectText(const TReplayEffect& effect) {
  const std::string& what = effect.what;
  std::string text = what + " " + effect.path;
  if (effect.detail.empty()) return text;
  if (what == "move" || what == "copy" || what == "append PDF") return text + " -> " + effect.detail;
  if (what == "print") return text + " on " + effect.detail;
  if (what == "start program" || what == "open document" || what == "write text")
    return text + " " + effect.detail;
  return text + ": " + effect.detail;
}

bool SameEffect(const TReplayEffect& a, const TReplayEffect& b) {
  return a.what == b.what && platform::SameText(a.path, b.path) && a.detail == b.detail;
}

bool EffectDiffers(const TReplayRun& run, const TReplayRun& other, std::size_t index) {
  return index >= other.effects.size() || !SameEffect(run.effects[index], other.effects[index]);
}

bool SameRun(const TReplayRun& a, const TReplayRun& b) {
  if (a.outcome.end != b.outcome.end || !platform::SameText(a.outcome.location, b.outcome.location) ||
      a.outcome.reason != b.outcome.reason || a.outcome.script.end != b.outcome.script.end ||
      a.effects.size() != b.effects.size()) {
    return false;
  }
  return std::equal(a.effects.begin(), a.effects.end(), b.effects.begin(), SameEffect);
}

// One worker: an extraction folder with its own engine turn, and a run folder for the exchange files of
// the runs' cores. Each worker is used by one thread only.
class TReplay::TWorker {
 public:
  TWorker(const TReplay& replay, TTextCache* cache, const fs::path& folder, fs::path engine, std::string cacheSalt,
          const std::vector<std::string>& printers)
      : replay_(replay),
        engine_(std::move(engine)),
        cache_(cache),
        extractFolder_(folder / "extract"),
        runFolder_(folder / "run"),
        cacheSalt_(std::move(cacheSalt)),
        printers_(printers),
        extractLog_({}, false, 200, replay.settings_.logTypes),
        extractPort_(extractLog_) {}

  platform::TStatus Prepare() {
    std::error_code ec;
    fs::create_directories(extractFolder_ / "drives" / "c" / "PDF", ec);
    if (!ec) fs::create_directories(runFolder_, ec);
    if (!ec)
      fs::create_symlink(fs::absolute(replay_.applicationFolder_ / kEngineProgram),
                         extractFolder_ / kEngineProgram, ec);
    if (ec) return platform::TStatus::Fail("Cannot prepare the replay's scratch folder: " + ec.message());
    extractCore_ = std::make_unique<TVarnholtCore>(extractFolder_, extractPort_, extractLog_);
    extractCore_->Filing().SetJournal(nullptr);
    ApplyServiceSettings(replay_.settings_, *extractCore_);
    return platform::TStatus::Ok();
  }

  TReplayResult Replay(const TReplaySource& source, const TReplayScripts& scripts) {
    TReplayResult result;
    result.source = source;
    if (const platform::TStatus hashed = platform::FileSha256(source.file, result.sha256); !hashed) {
      result.error = hashed.Message();
      return result;
    }
    // Automatic mode sends a report of such a name to FAILED unread, under either script.
    if (const TQueueNameFault fault = QueueNameFault(platform::Cp1252ToUtf8(source.queueName));
        fault != TQueueNameFault::kNone) {
      result.error = std::string("Its name cannot arrive in the queue (") + QueueNameFaultText(fault) +
                     "): Automatic mode moves it to FAILED unread";
      return result;
    }
    TCachedTexts texts;
    if (!Texts(source, result.sha256, texts, result.textsFromCache, result.error)) return result;
    result.baseline = FileUnder(source, scripts.baseline, texts);
    result.candidate = FileUnder(source, scripts.candidate, texts);
    result.verdict =
        SameRun(result.baseline, result.candidate) ? TReplayVerdict::kSame : TReplayVerdict::kDifferent;
    return result;
  }

 private:
  // The texts of a report: from the cache, else from the engine on a copy in the extraction folder.
  bool Texts(const TReplaySource& source, const std::string& sha256, TCachedTexts& texts, bool& fromCache,
             std::string& error) {
    const std::string key = sha256 + ":" + cacheSalt_;
    if (cache_ && cache_->Find(key, texts)) {
      fromCache = true;
      return true;
    }
    const fs::path copy = extractFolder_ / "drives" / "c" / "PDF" / kExtractName;
    std::error_code ec;
    fs::remove(copy, ec);
    if (!fs::copy_file(source.file, copy, ec) || ec) {
      error = "Cannot copy the report for its texts: " + ec.message();
      return false;
    }
    TProcessingState& state = extractCore_->State();
    extractCore_->Loading().SelectAndLoad("");
    extractCore_->Loading().SelectAndLoad(std::string(kReplayQueue) + kExtractName);
    fs::remove(copy, ec);
    if (state.TextLoad() == TTextLoad::kLoaded) {
      const TEngineAnswer& answer = extractCore_->Engine().LastAnswer();
      texts = {false, answer.message, state.Text1(), state.Text2(), answer.keys};
    } else if (state.TextLoad() == TTextLoad::kUnreadable) {
      texts = {true, state.TextLoadError(), {}, {}, {}};
    } else {
      error = "The PDF engine could not read the texts: " + state.TextLoadError();
      return false;
    }
    if (cache_) (void)cache_->Store(key, texts);
    return true;
  }

  // The engine's answer in a replayed run: EXTRACT from the texts, every other request noted.
  std::vector<std::string> Answer(const TEngineRequest& request, const TCachedTexts& texts,
                                  const std::string& report, const TReplayFileSystem& files) {
    if (request.action != "EXTRACT") {
      files.Record(EffectOf(request));
      return {"OK", "Recorded by the replay"};
    }
    if (texts.unreadable) {
      // The engine's reason names the copy it read; the run names the report as it arrived.
      std::string reason = texts.message;
      const std::string copy = std::string(kReplayQueue) + kExtractName;
      for (std::size_t at; (at = reason.find(copy)) != std::string::npos;)
        reason.replace(at, copy.size(), report);
      return {"Error", kUnreadablePrefix + reason};
    }
    for (const auto& [name, text] :
         {std::pair{"PDF1.TXT", &texts.text1}, std::pair{"PDF2.TXT", &texts.text2}}) {
      if (const platform::TStatus written = platform::ReplaceFileAtomically(
              runFolder_ / name, *text, {}, platform::TFileAccess::kOwnerOnly);
          !written) {
        return {"Error", written.Message()};
      }
    }
    std::vector<std::string> answer{"OK", texts.message};
    answer.insert(answer.end(), texts.answerKeys.begin(), texts.answerKeys.end());
    return answer;
  }

  // One report filed by one script, in a core of its own on a recorded world.
  TReplayRun FileUnder(const TReplaySource& source, const std::vector<std::string>& script,
                       const TCachedTexts& texts) {
    TLogger logger({}, false, kDefaultLogCapacity, replay_.settings_.logTypes);
    logger.SetEnabled(true);
    THeadlessPort port(logger);
    TReplayFileSystem* world = nullptr;
    TCoreWiring wiring;
    wiring.driveFolder = replay_.applicationFolder_;
    wiring.makeFiles = [&world](const platform::TDriveMap& map) {
      auto made = std::make_unique<TReplayFileSystem>(map);
      world = made.get();
      return made;
    };
    TVarnholtCore core(runFolder_, port, logger, wiring);
    core.Filing().SetJournal(nullptr);
    ApplyServiceSettings(replay_.settings_, core);
    core.Printing().PrinterList = [this] { return printers_; };
    const std::string report = kReplayQueue + source.queueName;
    core.Engine().SetStandIn(
        [&](const TEngineRequest& request) { return Answer(request, texts, report, *world); });
    core.Host().SetProgramStandIn(
        [&](const fs::path& target, const std::vector<std::string>& args, bool document) {
          std::string parameters;
          for (const std::string& arg : args) parameters += (parameters.empty() ? "" : " ") + arg;
          const std::string path = core.DriveMap().ToWindowsPath(target).value_or(target.string());
          world->Record({document ? "open document" : "start program", path, parameters});
          return platform::TStatus::Ok();
        });
    core.State().SetActionScript(script);
    world->Place(report, source.file);

    TReplayRun run;
    const int listener =
        logger.AddLineListener([&run](const std::string& line) { run.records.push_back(line); });
    run.outcome = core.Automatic().FileOne(report);
    logger.RemoveLineListener(listener);
    run.effects = world->Effects();
    return run;
  }

  const TReplay& replay_;
  fs::path engine_;
  TTextCache* cache_;
  fs::path extractFolder_, runFolder_;
  std::string cacheSalt_;
  const std::vector<std::string>& printers_;
  TLogger extractLog_;
  THeadlessPort extractPort_;
  std::unique_ptr<TVarnholtCore> extractCore_;
};

TReplay::TReplay(fs::path applicationFolder, TServiceSettings settings)
    : applicationFolder_(std::move(applicationFolder)), settings_(std::move(settings)) {}

std::string TReplay::CompileError(const std::vector<std::string>& lines) {
  TLogger logger({}, false, kDefaultLogCapacity, 0);
  THeadlessPort port(logger);
  TScratchFolder scratch;
  TVarnholtCore core(scratch.Path().empty() ? applicationFolder_ : scratch.Path(), port, logger);
  const TScriptOutcome outcome = core.Action().CompileScript(lines);
  if (!outcome.Failed()) return {};
  return std::to_string(outcome.row) + ":" + std::to_string(outcome.column) + ": " + outcome.message;
}

platform::TStatus TReplay::Run(const std::vector<TReplaySource>& sources, const TReplayScripts& scripts,
                               std::vector<TReplayResult>& results) {
  results.assign(sources.size(), {});
  const fs::path engine = ProgramFile(applicationFolder_, platform::ProgramFolder(), kEngineProgram);
  std::string engineSha;
  if (const platform::TStatus hashed = platform::FileSha256(engine, engineSha); !hashed) {
    return platform::TStatus::Fail("The PDF engine " + std::string(kEngineProgram) + " cannot be read in " +
                                   platform::Cp1252ToUtf8(applicationFolder_.string()) + ": " +
                                   hashed.Message());
  }
  TScratchFolder scratch;
  if (scratch.Path().empty()) return platform::TStatus::Fail("Cannot make a scratch folder for the replay");

  // The texts depend on the engine, the text limit, OCR and the passwords as well as on the report's bytes.
  const std::string cacheSalt = platform::Sha256Of(
      engineSha + "\n" + std::to_string(settings_.textLimit) + "\n" + OcrModeName(settings_.ocrMode) + "\n" +
      settings_.ocrLanguage + "\n" + settings_.ownerPassword + "\n" + settings_.userPassword);
  TTextCache cache;
  // Without its cache the replay is only slower: a folder it may not write is no reason to stop.
  const bool cached = useCache_ && cache.Open(applicationFolder_ / kTextCacheFileName);
  const std::vector<std::string> printers = printers_ ? *printers_ : platform::InstalledPrinters();

  const int processors = static_cast<int>(std::max(1U, std::thread::hardware_concurrency()));
  const int count =
      std::clamp(workers_ > 0 ? workers_ : processors, 1, std::max(1, static_cast<int>(sources.size())));
  std::vector<std::unique_ptr<TWorker>> workers;
  for (int i = 0; i < count; ++i) {
    workers.push_back(std::make_unique<TWorker>(*this, cached ? &cache : nullptr,
                                                scratch.Path() / std::to_string(i), engine, cacheSalt, printers));
    if (const platform::TStatus prepared = workers.back()->Prepare(); !prepared) return prepared;
  }

  // Read once here, so that the runs on the threads below find the process's number formats made.
  (void)platform::FormatSettings();
  std::atomic<std::size_t> next{0};
  std::mutex mutex;
  std::condition_variable changed;
  int done = 0;
  const int total = static_cast<int>(sources.size());
  std::vector<std::thread> threads;
  for (auto& worker : workers) {
    threads.emplace_back([&, w = worker.get()] {
      for (std::size_t i; (i = next++) < sources.size();) {
        try {
          results[i] = w->Replay(sources[i], scripts);
        } catch (const std::exception& e) {
          results[i].source = sources[i];
          results[i].error = std::string("The replay of this report failed: ") + e.what();
        }
        const std::lock_guard lock(mutex);
        ++done;
        changed.notify_one();
      }
    });
  }
  {
    std::unique_lock lock(mutex);
    int shown = -1;
    while (done < total) {
      changed.wait_for(lock, std::chrono::milliseconds(200));
      if (progress_ && done != shown) {
        shown = done;
        lock.unlock();
        progress_(shown, total);
        lock.lock();
      }
    }
  }
  for (std::thread& thread : threads) thread.join();
  if (progress_) progress_(total, total);
  return platform::TStatus::Ok();
}

std::vector<TReplaySource> ReplaySourcesFromJournal(TJournal& journal, const fs::path& applicationFolder,
                                                    const std::string& since, int limit,
                                                    std::vector<std::string>& notes) {
  std::vector<TJournalEntry> entries;
  TJournalQuery query;
  query.since = since;
  if (const platform::TStatus listed = journal.List(query, entries); !listed) {
    notes.push_back(listed.Message());
    return {};
  }
  const platform::TDriveMap driveMap(applicationFolder);
  std::vector<TReplaySource> sources;
  std::set<std::string> seen;
  for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
    if (limit > 0 && static_cast<int>(sources.size()) >= limit) break;
    if (entry->reportSha256.empty() || !seen.insert(entry->reportSha256).second) continue;
    // Where the report went, and where it was taken from (a report that stayed is still in the queue).
    std::vector<std::string> candidates;
    for (const TJournalFile& file : entry->files) {
      if (file.sha256 == entry->reportSha256) candidates.push_back(file.path);
    }
    candidates.push_back(entry->report);
    std::optional<fs::path> saved;
    for (const std::string& path : candidates) {
      const auto native = driveMap.TryResolve(path);
      std::string digest;
      if (native && platform::FileExists(*native) && platform::FileSha256(*native, digest) &&
          digest == entry->reportSha256) {
        saved = native;
        break;
      }
    }
    const std::string origin = "journal entry " + std::to_string(entry->id);
    if (!saved) {
      notes.push_back(origin + " (" + entry->queueName +
                      "): no saved file has the bytes the report arrived with");
      continue;
    }
    sources.push_back({*saved, entry->queueName, origin});
  }
  std::reverse(sources.begin(), sources.end());
  return sources;
}

platform::TStatus ReplaySourcesFromPaths(const std::vector<fs::path>& paths,
                                         std::vector<TReplaySource>& sources) {
  sources.clear();
  for (const fs::path& path : paths) {
    std::error_code ec;
    if (fs::is_regular_file(path, ec)) {
      sources.push_back({path, platform::Utf8ToCp1252(path.filename().string()), path.string()});
      continue;
    }
    if (!fs::is_directory(path, ec)) {
      return platform::TStatus::Fail("Neither a PDF file nor a folder: " +
                                     platform::Cp1252ToUtf8(path.string()));
    }
    std::vector<fs::path> found;
    for (const auto& item : fs::directory_iterator(path, ec)) {
      if (item.is_regular_file(ec) && platform::MatchesMask(item.path().filename().string(), "*.pdf")) {
        found.push_back(item.path());
      }
    }
    std::sort(found.begin(), found.end());
    for (const fs::path& file : found) {
      sources.push_back({file, platform::Utf8ToCp1252(file.filename().string()), file.string()});
    }
  }
  return platform::TStatus::Ok();
}

}  // namespace varnholt
