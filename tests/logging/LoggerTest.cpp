// LoggerTest.cpp — record format, type filter, capacity, the start file and saving.
#include "logging/uLogger.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace varnholt
