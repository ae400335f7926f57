// LoggerTest.cpp — record format, type filter, capacity, the start file, and the log file that every
// process appends to: several writers, a killed writer, the trim.
#include "logging/uLogger.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <map>

#include "platform/Files.h"
#include "tests/support/TempFolder.h"

namespace varnholt {
namespace {

platform::TLocalTime FixedTime() { return {2010, 12, 25, 14, 30, 5, 7}; }

constexpr TLogTypes kAll = 0xFF;

std::unique_ptr<TLogger> MakeLogger(const std::filesystem::path& file, int capacity = 1000, TLogTypes types = kAll,
                                    bool load = true) {
  return std::make_unique<TLogger>(file, load, capacity, types, FixedTime);
}

TEST(Logger, WritesSevenTabSeparatedFields) {
  test::TTempFolder dir;
  auto log = MakeLogger(dir / "x.LOG");
  log->WriteEntry(ltMsg, "Varnholt", "LoadContent", "File", "C:\\PDF\\a.pdf");
  EXPECT_EQ(log->Line(log->Count() - 1), "20101225\t143005007\tMsg\tVarnholt\tLoadContent\tFile\tC:\\PDF\\a.pdf");
  log->WriteProc("Varnholt", "ExecPDF");
  EXPECT_EQ(log->Line(log->Count() - 1), "20101225\t143005007\tPrc\tVarnholt\tExecPDF\t\t");
  log->WriteEntry(ltErr, "PdfReader", "ExecPDF", "EXTRACT");
  EXPECT_EQ(log->Line(log->Count() - 1), "20101225\t143005007\tErr\tPdfReader\tExecPDF\tEXTRACT\t")
      << "an empty Data still ends the line with a TAB";
}

TEST(Logger, LineBreaksAreFoldedIntoOneRecord) {
  test::TTempFolder dir;
  auto log = MakeLogger(dir / "x.LOG");
  log->WriteEntry(ltMsg, "Action", "Script", "first\r\nsecond", "a\nb\rc");
  EXPECT_EQ(log->Line(log->Count() - 1), "20101225\t143005007\tMsg\tAction\tScript\tfirst|second\ta|bc");
}

TEST(Logger, TypesFilterAllButSysRecords) {
  test::TTempFolder dir;
  const TLogTypes errScrMsg = LogTypeBit(ltErr) | LogTypeBit(ltScr) | LogTypeBit(ltMsg);
  auto log = MakeLogger(dir / "x.LOG", 1000, errScrMsg);
  int processed = 0;
  log->ProcessMessages = [&] { ++processed; };
  const int before = log->Count();
  log->WriteProc("Varnholt", "FilesClick");
  EXPECT_EQ(log->Count(), before);
  EXPECT_EQ(processed, 1) << "pending messages are processed even when nothing was written";
  log->WriteEntry(ltScr, "Action", "Log", "x");
  log->WriteEntry(8, "Varnholt", "P", "never");
  EXPECT_EQ(log->Count(), before + 1);

  log->SetTypes(LogTypeBit(6));
  log->WriteEntry(6, "Varnholt", "P", "six");
  EXPECT_EQ(log->Count(), before + 2);
  EXPECT_NE(log->Line(log->Count() - 1).find("\t\tVarnholt\tP\tsix"), std::string::npos)
      << "a type without a name writes an empty Type field";

  log->SetTypes(0);
  log->SetEnabled(false);
  log->WriteEntry(ltErr, "Varnholt", "P", "dropped");
  log->WriteEntry(ltSys, "Varnholt", "P", "kept");
  EXPECT_EQ(log->Line(log->Count() - 1), "20101225\t143005007\tSys\tVarnholt\tP\tkept\t");
  EXPECT_EQ(log->Line(log->Count() - 2), "20101225\t143005007\tSys\tLogger\tSetEnabled\tEnabled\tfalse");
}

TEST(Logger, CapacityDropsTheOldestLines) {
  test::TTempFolder dir;
  auto log = MakeLogger(dir / "x.LOG", 1000);
  for (int i = 0; log->Count() < 1000; ++i) log->WriteEntry(ltMsg, "T", "P", std::to_string(i));
  const std::string secondOldest = log->Line(1);
  int seenByListener = 0;
  log->OnRecordAdded = [&](TLogger& sender) { seenByListener = sender.Count(); };
  log->WriteEntry(ltMsg, "T", "P", "newest");
  EXPECT_EQ(seenByListener, 1001) << "the listener runs before the trim";
  EXPECT_EQ(log->Count(), 1000);
  EXPECT_EQ(log->Line(0), secondOldest);
  EXPECT_NE(log->Line(999).find("newest"), std::string::npos);
}

TEST(Logger, StartsFromTheNewestLinesOfTheOldFile) {
  test::TTempFolder dir;
  std::vector<std::string> old;
  for (int i = 1; i <= 1500; ++i) old.push_back("old line " + std::to_string(i));
  ASSERT_TRUE(platform::WriteTextLines(dir / "x.LOG", old).ok());
  auto log = MakeLogger(dir / "x.LOG", 1000);
  ASSERT_EQ(log->Count(), 1000);
  EXPECT_EQ(log->Line(0), "old line 503");
  EXPECT_EQ(log->Line(997), "old line 1500");
  EXPECT_EQ(log->Line(998), "20101225\t143005007\tSys\tLogger\tCreate\tLogging\tStart");
  EXPECT_EQ(log->Line(999), "20101225\t143005007\tSys\tLogger\tSetEnabled\tEnabled\ttrue");
}

TEST(Logger, AMissingFileStartsWithTheTwoStartRecords) {
  test::TTempFolder dir;
  auto log = MakeLogger(dir / "none.LOG");
  ASSERT_EQ(log->Count(), 2);
  EXPECT_NE(log->Line(0).find("Create\tLogging\tStart"), std::string::npos);
  EXPECT_TRUE(log->Enabled());
}

TEST(Logger, DestroyWritesTheStopRecordAndSavesWithCrLf) {
  test::TTempFolder dir;
  {
    auto log = MakeLogger(dir / "x.LOG");
    log->WriteEntry(ltMsg, "Varnholt", "P", "S\xFC" "d");
  }
  const std::string saved = test::ReadFile(dir / "x.LOG");
  EXPECT_NE(saved.find("\tMsg\tVarnholt\tP\tS\xFC" "d\t\r\n"), std::string::npos) << "8-bit text, CR LF";
  EXPECT_NE(saved.find("\tSys\tLogger\tDestroy\tLogging\tStop\r\n"), std::string::npos);
  auto again = MakeLogger(dir / "x.LOG");
  EXPECT_EQ(again->Count(), 4 + 2);
}

TEST(Logger, AFailedSaveIsRecordedAndRaisesNothing) {
  test::TTempFolder dir;
  auto log = MakeLogger(dir / "missing-folder/x.LOG");
  log->Save();
  EXPECT_NE(log->Line(log->Count() - 1).find("\tSys\tLogger\tSave\tFailed\t"), std::string::npos);
}

TEST(Logger, WithoutAFileNameTheRecordsStayInMemory) {
  TLogger log({}, true, 10, kAll, FixedTime);
  log.WriteEntry(ltMsg, "T", "P", "x");
  log.Save();
  ASSERT_EQ(log.Count(), 3);
  EXPECT_NE(log.Line(2).find("\tMsg\tT\tP\tx\t"), std::string::npos) << "no failure record follows";
}

TEST(Logger, ProcessLoggerLivesInTheApplicationFolder) {
  test::TTempFolder app;
  {
    TProcessLogger process(app.Path());
    ASSERT_TRUE(HasLogger());
    EXPECT_EQ(Logger().FileName(), app / "Varnholt.LOG");
    EXPECT_EQ(Logger().Capacity(), 1000);
    EXPECT_EQ(Logger().Types(), 0x1A);
  }
  EXPECT_FALSE(HasLogger());
  EXPECT_NE(test::ReadFile(app / "Varnholt.LOG").find("Destroy\tLogging\tStop"), std::string::npos);
}

// The lines of a log file (empty when it is missing).
std::vector<std::string> FileLines(const std::filesystem::path& file) {
  std::vector<std::string> lines;
  (void)platform::ReadTextLines(file, lines);
  return lines;
}

// The Text fields of the Msg records of a file, in file order.
std::vector<std::string> MsgTexts(const std::vector<std::string>& lines) {
  std::vector<std::string> texts;
  for (const std::string& line : lines) {
    if (line.find("\tMsg\t") == std::string::npos) continue;
    const std::size_t proc = line.find('\t', line.find("\tMsg\t") + 5);
    const std::size_t text = line.find('\t', proc + 1);
    texts.push_back(line.substr(text + 1, line.find('\t', text + 1) - text - 1));
  }
  return texts;
}

TEST(LoggerFile, ControlCharactersAreEscapedSoALineHoldsSixTabs) {
  struct TCase {
    std::string in, shown;
  };
  const TCase cases[] = {
      {"\t", "^I"},      {"\x1B[31m", "^[[31m"}, {"\a", "^G"},          {std::string("\0", 1), "^@"},
      {"\x7F", "^?"},    {"\x1F", "^_"},         {"\r\n", "|"},         {"S\xFC" "d \xE9\x80\x9F\x81", "S\xFC" "d \xE9\x80\x9F\x81"},
      {"x^2 C:\\a", "x^2 C:\\a"},
  };
  test::TTempFolder dir;
  auto log = MakeLogger(dir / "x.LOG");
  for (const TCase& c : cases) {
    log->WriteEntry(ltMsg, "O" + c.in, "P" + c.in, "a" + c.in + "b", c.in);
    const std::string& line = log->Line(log->Count() - 1);
    EXPECT_EQ(line, "20101225\t143005007\tMsg\tO" + c.shown + "\tP" + c.shown + "\ta" + c.shown + "b\t" + c.shown)
        << "input " << testing::PrintToString(c.in);
    EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 6);
    const std::vector<std::string> inFile = FileLines(dir / "x.LOG");
    ASSERT_FALSE(inFile.empty());
    EXPECT_EQ(inFile.back(), line) << "the file holds the line as the list does";
  }
}

TEST(LoggerFile, TwoLoggersOnOneFileKeepEachOthersRecords) {
  test::TTempFolder dir;
  {
    auto first = MakeLogger(dir / "x.LOG");
    auto second = MakeLogger(dir / "x.LOG");
    first->WriteEntry(ltMsg, "T", "P", "a1");
    second->WriteEntry(ltMsg, "T", "P", "b1");
    first->WriteEntry(ltMsg, "T", "P", "a2");
    second.reset();
    first->WriteEntry(ltMsg, "T", "P", "a3");
    first->Save();
  }
  const std::vector<std::string> lines = FileLines(dir / "x.LOG");
  EXPECT_EQ(MsgTexts(lines), (std::vector<std::string>{"a1", "b1", "a2", "a3"}));
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const std::string& l) { return l.find("\tDestroy\tLogging\tStop") != std::string::npos; }),
            2);
  EXPECT_EQ(lines.size(), 2u + 2u + 4u + 2u);
}

TEST(LoggerFile, AKilledWriterLosesNoRecord) {
  test::TTempFolder dir;
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    auto log = MakeLogger(dir / "x.LOG");
    for (int i = 0; i < 5; ++i) log->WriteEntry(ltMsg, "T", "P", "r" + std::to_string(i));
    kill(getpid(), SIGKILL);  // no destructor, no save
    _exit(1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(MsgTexts(FileLines(dir / "x.LOG")), (std::vector<std::string>{"r0", "r1", "r2", "r3", "r4"}));
}

TEST(LoggerFile, TheTrimKeepsTheNewestLinesAndMovesTheOthersToTheFormerFile) {
  test::TTempFolder dir;
  auto log = MakeLogger(dir / "x.LOG", 20);
  std::vector<std::string> written;
  for (int i = 0; i < 200; ++i) {
    written.push_back(std::to_string(i));
    log->WriteEntry(ltMsg, "T", "P", written.back());
    const std::size_t lines = FileLines(dir / "x.LOG").size();
    ASSERT_LE(lines, 22u) << "trimmed once it passes Capacity + Capacity/10";
    ASSERT_GE(lines, std::min<std::size_t>(2 + written.size(), 20u)) << "never cut below Capacity";
  }
  std::vector<std::string> both = FileLines(dir / "x.LOG.1");
  EXPECT_LE(both.size(), 20u);
  const std::vector<std::string> current = FileLines(dir / "x.LOG");
  both.insert(both.end(), current.begin(), current.end());
  const std::vector<std::string> texts = MsgTexts(both);
  ASSERT_GE(texts.size(), 20u);
  EXPECT_TRUE(std::equal(texts.begin(), texts.end(), written.end() - static_cast<long>(texts.size())))
      << "the former file and the file are one unbroken run of the newest records";
}

// Several processes write at once on a small capacity, so that they trim each other's file all the time;
// then each writes a few more, so that every writer has records in the newest window.
TEST(LoggerFile, ConcurrentWritersLoseNoRecordInTheWindow) {
  test::TTempFolder dir;
  constexpr int kWriters = 4, kRecords = 120, kLast = 3, kCapacity = 40;
  int go[2], goOn[2], done[2];
  ASSERT_EQ(pipe(go), 0);
  ASSERT_EQ(pipe(goOn), 0);
  ASSERT_EQ(pipe(done), 0);
  std::vector<pid_t> children;
  for (int w = 0; w < kWriters; ++w) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      close(go[1]);
      close(goOn[1]);
      close(done[0]);
      char byte = 0;
      {
        auto log = MakeLogger(dir / "x.LOG", kCapacity);
        (void)!read(go[0], &byte, 1);  // all start together when the parent closes its end
        for (int i = 0; i < kRecords; ++i) log->WriteEntry(ltMsg, "T", "P", std::to_string(w) + ":" + std::to_string(i));
        (void)!write(done[1], "x", 1);
        (void)!read(goOn[0], &byte, 1);
        for (int i = kRecords; i < kRecords + kLast; ++i) {
          log->WriteEntry(ltMsg, "T", "P", std::to_string(w) + ":" + std::to_string(i));
        }
      }
      _exit(0);
    }
    children.push_back(child);
  }
  close(done[1]);
  close(go[1]);
  for (int w = 0; w < kWriters; ++w) {
    char byte = 0;
    ASSERT_EQ(read(done[0], &byte, 1), 1);
  }
  close(goOn[1]);
  close(go[0]);
  close(goOn[0]);
  close(done[0]);
  for (const pid_t child : children) {
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  const std::vector<std::string> current = FileLines(dir / "x.LOG");
  EXPECT_GE(current.size(), static_cast<std::size_t>(kCapacity));
  EXPECT_LE(current.size(), static_cast<std::size_t>(kCapacity + kCapacity / 10));
  std::vector<std::string> both = FileLines(dir / "x.LOG.1");
  both.insert(both.end(), current.begin(), current.end());
  for (const std::string& line : both) ASSERT_EQ(std::count(line.begin(), line.end(), '\t'), 6) << line;
  std::map<int, std::vector<int>> seen;
  for (const std::string& text : MsgTexts(both)) {
    const std::size_t colon = text.find(':');
    seen[std::stoi(text.substr(0, colon))].push_back(std::stoi(text.substr(colon + 1)));
  }
  ASSERT_EQ(seen.size(), static_cast<std::size_t>(kWriters)) << "the last records of every writer are there";
  for (const auto& [writer, numbers] : seen) {
    // Each writer's records are the unbroken tail of what it wrote: none lost, none twice.
    ASSERT_GE(numbers.size(), static_cast<std::size_t>(kLast)) << "writer " << writer;
    for (std::size_t k = 0; k < numbers.size(); ++k) {
      ASSERT_EQ(numbers[k], kRecords + kLast - static_cast<int>(numbers.size()) + static_cast<int>(k)) << "writer " << writer;
    }
  }
}

TEST(LoggerFile, RecordsThatCouldNotBeWrittenFollowWhenTheFileCanBeWrittenAgain) {
  test::TTempFolder dir;
  auto log = MakeLogger(dir / "later/x.LOG");
  log->WriteEntry(ltMsg, "T", "P", "r1");
  log->WriteEntry(ltMsg, "T", "P", "r2");
  int failures = 0;
  for (int i = 0; i < log->Count(); ++i) failures += log->Line(i).find("\tSys\tLogger\tWrite\tFailed\t") != std::string::npos;
  EXPECT_EQ(failures, 1) << "one failure record, however many writes fail";
  std::filesystem::create_directories(dir / "later");
  log->WriteEntry(ltMsg, "T", "P", "r3");
  const std::vector<std::string> lines = FileLines(dir / "later/x.LOG");
  EXPECT_EQ(MsgTexts(lines), (std::vector<std::string>{"r1", "r2", "r3"}));
  ASSERT_EQ(lines.size(), static_cast<std::size_t>(log->Count()));
  EXPECT_NE(lines.front().find("Create\tLogging\tStart"), std::string::npos);
}

}  // namespace
}  // namespace varnholt
