// ReplayTest.cpp — the replay: a script change shows exactly the reports it files differently, and a
// replay changes nothing on disk, starts nothing and prints nothing, whatever the scripts would do.
#include <gtest/gtest.h>

#include <map>

#include "core/uReplay.h"
#include "core/uTextCache.h"
#include "platform/Files.h"
#include "tests/core/RecordingPort.h"

namespace varnholt::test {
namespace {

namespace fs = std::filesystem;

// EXTRACT gives the report's own bytes as its text (BROKEN is unreadable); every request, whatever it is,
// is written to the calls file first, so a test sees each one the engine was asked.
std::string EngineWritingCallsTo(const fs::path& calls) {
  return "grep '^PDFACTION=' PDFENV.TXT >> '" + calls.string() +
         "'\n"
         "if grep -q '^PDFACTION=EXTRACT' PDFENV.TXT; then\n"
         "  f=$(sed -n 's/^PDFFILE=C:.PDF.//p' PDFENV.TXT | tr -d '\\r')\n"
         "  case $(head -c 6 \"drives/c/PDF/$f\") in\n"
         "    BROKEN) printf 'Error\\r\\nUnreadable: damaged\\r\\n' > PDFRES.TXT; exit 0;;\n"
         "  esac\n"
         "  cp \"drives/c/PDF/$f\" PDF1.TXT; : > PDF2.TXT\n"
         "fi\n"
         "printf 'OK\\r\\nDone\\r\\n' > PDFRES.TXT";
}

// Files quantitation reports with a copy, a watermark, an index line and a program started; run reports
// plainly; anything else is left in the queue (printed and moved to FAILED).
std::vector<std::string> Script(const std::string& quantFolder) {
  return {"AppendToTextFile('C:\\Store\\index.txt', PDFName)",
          "if PDFContains('QUANT') then begin",
          "  WaterMarkPages(PDFFile, 'id', 'Checked')",
          "  Execute('C:\\Tools\\mark.sh', 'now')",
          "  PDFCopyTo('C:\\Store\\Copies\\' + PDFName)",
          "  PDFMoveTo('" + quantFolder + "' + PDFName)",
          "end",
          "if PDFContains('RUN') then PDFMoveTo('C:\\Store\\Run\\' + PDFName)"};
}

// Every file and folder below root with its bytes' SHA-256, but the replay's own text cache.
std::map<std::string, std::string> Snapshot(const fs::path& root) {
  std::map<std::string, std::string> files;
  for (const auto& item : fs::recursive_directory_iterator(root)) {
    const std::string name = fs::relative(item.path(), root).string();
    if (name.starts_with(kTextCacheFileName)) continue;
    std::string digest = "folder";
    if (item.is_regular_file()) (void)platform::FileSha256(item.path(), digest);
    files[name] = digest;
  }
  return files;
}

class Replay : public testing::Test {
 protected:
  void SetUp() override {
    bed_.FakeEngine(EngineWritingCallsTo(calls_.Path() / "calls.txt"));
    fs::create_directories(bed_.temp / "drives/c/Tools");
    fs::create_directories(bed_.temp / "drives/c/Store/Quant");
    // A program that would leave a mark if it were ever started.
    WriteFile(bed_.temp / "drives/c/Tools/mark.sh", "#!/bin/sh\ntouch '" + (calls_.Path() / "started").string() + "'\n");
    fs::permissions(bed_.temp / "drives/c/Tools/mark.sh", fs::perms::owner_all);
    // A report of the same name filed earlier: the run must number around it, as a real one would.
    WriteFile(bed_.temp / "drives/c/Store/Quant/q1.pdf", "filed last week");
    for (const auto& [name, bytes] : std::vector<std::pair<std::string, std::string>>{
             {"q1.pdf", "QUANT one"}, {"q2.pdf", "QUANT two"}, {"r1.pdf", "RUN three"},
             {"u1.pdf", "OTHER four"}, {"b1.pdf", "BROKEN"}}) {
      WriteFile(saved_ / name, bytes);
    }
    settings_.paperPrinter = "Lab";
  }

  std::vector<TReplayResult> ReplayAll(const TReplayScripts& scripts, bool cache = true) {
    std::vector<TReplaySource> sources;
    EXPECT_TRUE(ReplaySourcesFromPaths({saved_.Path()}, sources));
    TReplay replay(bed_.AppFolder(), settings_);
    replay.SetPrinterList({"Lab"});
    replay.SetUseCache(cache);
    std::vector<TReplayResult> results;
    const platform::TStatus ran = replay.Run(sources, scripts, results);
    EXPECT_TRUE(ran) << ran.Message();
    return results;
  }
  std::string Calls() { return fs::exists(calls_ / "calls.txt") ? ReadFile(calls_ / "calls.txt") : ""; }

  TCoreBed bed_;
  TTempFolder calls_, saved_;
  TServiceSettings settings_;
};

TEST_F(Replay, AnUnchangedScriptDiffersNowhereAndNothingIsMovedWrittenStartedOrPrinted) {
  const auto before = Snapshot(bed_.AppFolder());
  const auto savedBefore = Snapshot(saved_.Path());
  const auto results = ReplayAll({Script("C:\\Store\\Quant\\"), Script("C:\\Store\\Quant\\")});

  ASSERT_EQ(results.size(), 5U);
  for (const TReplayResult& result : results) {
    EXPECT_EQ(result.verdict, TReplayVerdict::kSame) << result.source.queueName << " " << result.error;
  }
  EXPECT_EQ(Snapshot(bed_.AppFolder()), before);
  EXPECT_EQ(Snapshot(saved_.Path()), savedBefore);
  EXPECT_FALSE(fs::exists(calls_ / "started"));
  // The engine was only ever asked for texts: no watermark, no print reached it.
  const std::string calls = Calls();
  for (const std::string_view line : platform::SplitLineViews(calls)) EXPECT_EQ(line, "PDFACTION=EXTRACT");

  // What the runs would have done is recorded, with the names a real run would take on this disk.
  const TReplayRun& q1 = results[1].baseline;
  ASSERT_EQ(results[1].source.queueName, "q1.pdf");
  EXPECT_EQ(q1.outcome.end, TFilingEnd::kFiled);
  EXPECT_EQ(q1.outcome.location, "C:\\Store\\Quant\\q1_0000.pdf");
  std::vector<std::string> done;
  for (const TReplayEffect& effect : q1.effects) done.push_back(EffectText(effect));
  EXPECT_EQ(done, (std::vector<std::string>{
                      "append text C:\\Store\\index.txt: q1.pdf", "watermark C:\\PDF\\q1.pdf: Checked",
                      "start program C:\\Tools\\mark.sh now", "make folder C:\\Store\\Copies",
                      "copy C:\\PDF\\q1.pdf -> C:\\Store\\Copies\\q1.pdf",
                      "move C:\\PDF\\q1.pdf -> C:\\Store\\Quant\\q1_0000.pdf"}));
  const TReplayRun& u1 = results[4].baseline;
  EXPECT_EQ(u1.outcome.end, TFilingEnd::kInFailed);
  EXPECT_NE(std::find(u1.effects.begin(), u1.effects.end(), TReplayEffect{"print", "C:\\PDF\\u1.pdf", "Lab"}),
            u1.effects.end());
  EXPECT_EQ(results[0].baseline.outcome.end, TFilingEnd::kInFailed);  // b1.pdf, unreadable
}

TEST_F(Replay, AScriptThatFilesOneKindElsewhereShowsExactlyThoseReports) {
  const auto results = ReplayAll({Script("C:\\Store\\Quant\\"), Script("C:\\Store\\MS\\")});
  std::map<std::string, TReplayVerdict> verdicts;
  for (const TReplayResult& result : results) verdicts[result.source.queueName] = result.verdict;
  EXPECT_EQ(verdicts, (std::map<std::string, TReplayVerdict>{{"b1.pdf", TReplayVerdict::kSame},
                                                             {"q1.pdf", TReplayVerdict::kDifferent},
                                                             {"q2.pdf", TReplayVerdict::kDifferent},
                                                             {"r1.pdf", TReplayVerdict::kSame},
                                                             {"u1.pdf", TReplayVerdict::kSame}}));
  EXPECT_EQ(results[2].candidate.outcome.location, "C:\\Store\\MS\\q2.pdf");
  EXPECT_EQ(results[2].baseline.outcome.location, "C:\\Store\\Quant\\q2.pdf");
  const TReplaySummary summary = Summarize(results);
  EXPECT_EQ(summary.same, 3);
  EXPECT_EQ(summary.different, 2);
}

TEST_F(Replay, TextsComeFromTheEngineOnceAndFromTheCacheAfter) {
  const TReplayScripts scripts{Script("C:\\Store\\Quant\\"), Script("C:\\Store\\Quant\\")};
  const auto cold = ReplayAll(scripts);
  const std::size_t extracts = platform::SplitLineViews(Calls()).size();
  EXPECT_EQ(extracts, 5U);
  const auto warm = ReplayAll(scripts);
  EXPECT_EQ(platform::SplitLineViews(Calls()).size(), extracts);  // not one engine run more
  ASSERT_EQ(warm.size(), cold.size());
  for (std::size_t i = 0; i < warm.size(); ++i) {
    EXPECT_TRUE(warm[i].textsFromCache);
    EXPECT_TRUE(SameRun(warm[i].baseline, cold[i].baseline)) << warm[i].source.queueName;
  }
  // A changed engine reads every report afresh.
  bed_.FakeEngine(EngineWritingCallsTo(calls_.Path() / "calls.txt") + "\n# upgraded");
  (void)ReplayAll(scripts);
  EXPECT_EQ(platform::SplitLineViews(Calls()).size(), 2 * extracts);
}

TEST_F(Replay, TheJournalGivesTheSavedReportsThatStillHaveTheirBytes) {
  bed_.core->State().SetActionScript(Script("C:\\Store\\Quant\\"));
  for (const char* name : {"q2.pdf", "r1.pdf"}) {
    fs::copy_file(saved_ / name, bed_.temp / "drives/c/PDF" / name);
    EXPECT_EQ(bed_.core->Automatic().FileOne(std::string("C:\\PDF\\") + name).end, TFilingEnd::kFiled);
  }
  TJournal journal;
  ASSERT_TRUE(journal.Open(bed_.temp / kJournalFileName));
  std::vector<std::string> notes;
  auto sources = ReplaySourcesFromJournal(journal, bed_.AppFolder(), "", 0, notes);
  ASSERT_EQ(sources.size(), 2U);
  EXPECT_TRUE(notes.empty());
  // The archived copy, not the queue it came from; under the name it arrived with.
  EXPECT_EQ(sources[1].file, bed_.temp / "drives/c/Store/Run/r1.pdf");
  EXPECT_EQ(sources[1].queueName, "r1.pdf");
  EXPECT_EQ(ReplaySourcesFromJournal(journal, bed_.AppFolder(), "", 1, notes).size(), 1U);

  // A saved report changed since (here its copy too) is left out, and said so.
  WriteFile(bed_.temp / "drives/c/Store/Run/r1.pdf", "changed");
  sources = ReplaySourcesFromJournal(journal, bed_.AppFolder(), "", 0, notes);
  ASSERT_EQ(sources.size(), 1U);
  EXPECT_EQ(sources[0].queueName, "q2.pdf");
  ASSERT_EQ(notes.size(), 1U);
  EXPECT_NE(notes[0].find("r1.pdf): no saved file has the bytes the report arrived with"), std::string::npos);
}

TEST_F(Replay, AReportWhoseNameCannotArriveInTheQueueIsNotReplayedAndSaysWhy) {
  fs::remove_all(saved_.Path());
  fs::create_directories(saved_.Path());
  WriteFile(saved_ / "QC:1.pdf", "QUANT one");
  const auto results = ReplayAll({Script("C:\\Store\\Quant\\"), Script("C:\\Store\\MS\\")});
  ASSERT_EQ(results.size(), 1U);
  EXPECT_EQ(results[0].verdict, TReplayVerdict::kError);
  EXPECT_NE(results[0].error.find("Automatic mode moves it to FAILED unread"), std::string::npos)
      << results[0].error;
  EXPECT_EQ(Calls(), "");  // the engine never saw it
}

TEST(ReplayFiles, ARunSeesItsOwnChangesAndTheDiskAsItIs) {
  TTempFolder app;
  WriteFile(app / "drives/c/T/lookup.txt", "A=1\r\n");
  const platform::TDriveMap map(app.Path());
  TReplayFileSystem files(map);
  files.Place("C:\\PDF\\r.pdf", app / "drives/c/T/lookup.txt");

  EXPECT_TRUE(files.FileExists("C:\\PDF\\r.pdf"));
  EXPECT_TRUE(files.MoveFileNoOverwrite("C:\\PDF\\r.pdf", "C:\\T\\r.pdf", {}));
  EXPECT_FALSE(files.FileExists("C:\\PDF\\r.pdf"));
  EXPECT_FALSE(files.MoveFileNoOverwrite("C:\\T\\lookup.txt", "C:\\T\\r.pdf", {}));  // never overwrites
  EXPECT_EQ(files.FindFiles("C:\\T", "*.pdf").size(), 1U);
  EXPECT_TRUE(files.AppendTextLine("C:\\T\\lookup.txt", "B=2"));
  std::vector<std::string> lines;
  EXPECT_TRUE(files.ReadTextLines("C:\\T\\lookup.txt", lines));
  EXPECT_EQ(lines, (std::vector<std::string>{"A=1", "B=2"}));
  EXPECT_FALSE(files.AppendTextLine("C:\\Nowhere\\x.txt", "line"));  // no folder, as on disk
  EXPECT_EQ(ReadFile(app / "drives/c/T/lookup.txt"), "A=1\r\n");
  EXPECT_FALSE(fs::exists(app / "drives/c/T/r.pdf"));
  EXPECT_FALSE(fs::exists(app / "drives/c/PDF"));
  EXPECT_EQ(files.Effects().size(), 2U);
}

}  // namespace
}  // namespace varnholt::test
