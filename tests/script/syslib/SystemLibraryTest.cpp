// SystemLibraryTest.cpp — the system library as scripts see it: its registration, the text files in a
// temporary application folder, the user-interaction port, the clock and the locale it is given.
#include <gtest/gtest.h>

#include <dirent.h>

#include <cctype>
#include <set>

#include "script/vm/atScript.h"
#include "script/syslib/uSystemLibrary.h"
#include "script/syslib/uSystemLibrary_Files.h"
#include "tests/support/TempFolder.h"

namespace varnholt::test {
namespace {

// Records what the library asks of the user and answers InputQuery as told.
class TRecordingInteraction : public TatUserInteraction {
 public:
  void ShowMessage(const std::string& text) override { Messages.push_back(text); }
  bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value) override {
    Questions.push_back(caption + "|" + prompt + "|" + value);
    if (Confirm) value = Answer;
    return Confirm;
  }
  void Beep() override { ++Beeps; }

  std::vector<std::string> Messages;
  std::vector<std::string> Questions;
  bool Confirm = false;
  std::string Answer;
  int Beeps = 0;
};

struct TLibraryHost {
  TLibraryHost() {
    Scripter.RegisterRoutine("Print", 1, dtNone, nullptr,
                             [this](TatVirtualMachine& vm) { Printed.push_back(vm.ArgString(0)); });
    Library = SystemLibraryOf(Scripter);
    Library->SetFormatSettings(platform::TFormatSettings::English());
    Library->SetUserInteraction(&Interaction);
  }

  // Runs a script; the run-time error's message when it fails, else "".
  std::string Run(const std::string& source) {
    // File variables must exist before AssignFile writes through them.
    Scripter.SetSourceText("F := 0;\n" + source);
    try {
      Scripter.RunScript();
    } catch (const EatScripterRuntime& e) {
      return e.Message();
    }
    return {};
  }

  TatPascalScripter Scripter;
  TatSystemLibrary* Library = nullptr;
  TRecordingInteraction Interaction;
  std::vector<std::string> Printed;
};

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

int OpenDescriptorCount() {
  int count = 0;
  if (DIR* dir = ::opendir("/proc/self/fd")) {
    while (::readdir(dir) != nullptr) ++count;
    ::closedir(dir);
  }
  return count;
}

TEST(SystemLibrary, IsAttachedByEveryScripterWithAllRoutinesBound) {
  TatPascalScripter scripter;
  TatSystemLibrary* library = SystemLibraryOf(scripter);
  ASSERT_NE(library, nullptr);
  EXPECT_EQ(library->ScriptName(), "Internal");
  TatClass* cls = scripter.Registry().FindClass("TatSystemLibrary");
  ASSERT_NE(cls, nullptr);
  EXPECT_EQ(cls->MethodCount(), 90);
  EXPECT_EQ(cls->PropertyCount(), 3);
  for (const TatSystemRoutine& s : SystemLibraryRoutines()) {
    const TatMethod* m = cls->FindMethod(s.name);
    ASSERT_NE(m, nullptr) << s.name;
    EXPECT_TRUE(static_cast<bool>(m->Handler)) << s.name;
    EXPECT_EQ(m->OptionalArgCount, 0) << s.name;
  }
  for (const TatSystemValue& s : SystemLibraryValues()) {
    const TatProperty* p = cls->FindProperty(s.name);
    ASSERT_NE(p, nullptr) << s.name;
    EXPECT_TRUE(static_cast<bool>(p->Getter)) << s.name;
    EXPECT_FALSE(p->Setter) << s.name;
  }
  // Every entry of the table is a routine of its own, so none is silently left out.
  std::set<std::string> bound;
  for (const TatSystemRoutine& s : SystemLibraryRoutines()) {
    EXPECT_NE(s.handler, nullptr) << s.name;
    EXPECT_TRUE(bound.insert(s.name).second) << "listed twice: " << s.name;
  }
  EXPECT_EQ(bound.size(), 90u);
  TatClass* object = scripter.Registry().FindClass("TObject");
  ASSERT_NE(object, nullptr);
  ASSERT_NE(object->FindMethod("Create"), nullptr);
  EXPECT_TRUE(object->FindMethod("Create")->IsClassMethod);
  ASSERT_NE(object->FindMethod("Free"), nullptr);
  // By-reference positions as the table gives them.
  EXPECT_EQ(cls->FindMethod("DecodeTime")->ByRefArgMask, 0x1Eu);
  EXPECT_EQ(cls->FindMethod("InputQuery")->ByRefArgMask, 0x4u);
  EXPECT_EQ(cls->FindMethod("Insert")->ByRefArgMask, 0x2u);
  EXPECT_EQ(cls->FindMethod("AssignFile")->ByRefArgMask, 0u);
}

TEST(SystemLibrary, ArgumentCountsAreExact) {
  TLibraryHost host;
  host.Scripter.SetSourceText("x := Copy('abc', 1)");
  try {
    host.Scripter.CompileScript();
    FAIL() << "compiled";
  } catch (const EatCompileError& e) {
    EXPECT_TRUE(Contains(e.Message(), "Copy")) << e.Message();
  }
  host.Scripter.SetSourceText("x := Random(10)");
  EXPECT_THROW(host.Scripter.CompileScript(), EatCompileError);
}

TEST(SystemLibraryFiles, WritesReadsAndAppendsThroughTheDriveMap) {
  TTempFolder app;
  std::filesystem::create_directories(app / "drives/c/Data");
  TLibraryHost host;
  host.Library->SetApplicationFolder(app.Path());
  ASSERT_EQ(host.Run("AssignFile(F, 'C:\\data\\Out.txt');\n"
                     "Rewrite(F);\n"
                     "WriteLn(F, 'first');\n"
                     "Write(F, 12);\n"
                     "WriteLn(F, ' second');\n"
                     "CloseFile(F);\n"
                     "Append(F);\n"
                     "WriteLn(F, 'third');\n"
                     "CloseFile(F);\n"
                     "Reset(F);\n"
                     "while not EOF(F) do Print(ReadLn(F));\n"
                     "Print(EOF(F));\n"
                     "Print('[' + ReadLn(F) + ']');\n"
                     "CloseFile(F);\n"),
            "");
  EXPECT_EQ(ReadFile(app / "drives/c/Data/Out.txt"), "first\r\n12 second\r\nthird\r\n");
  EXPECT_EQ(host.Printed, (std::vector<std::string>{"first", "12 second", "third", "True", "[]"}));
}

TEST(SystemLibraryFiles, ReadsLinesEndedByCrLfLfOrCrAndAnUnendedLastLine) {
  TTempFolder app;
  WriteFile(app / "drives/d/in.txt", "a\r\nb\nc\rd");
  TLibraryHost host;
  host.Library->SetApplicationFolder(app.Path());
  ASSERT_EQ(host.Run("AssignFile(F, 'D:\\IN.TXT'); Reset(F);\n"
                     "while not EOF(F) do Print(ReadLn(F));\n"),
            "");
  EXPECT_EQ(host.Printed, (std::vector<std::string>{"a", "b", "c", "d"}));
}

TEST(SystemLibraryFiles, PositionAndSizeCountRecordsOf128Bytes) {
  TTempFolder app;
  std::string content;
  for (int i = 0; i < 30; ++i) content += "line " + std::to_string(i) + " of the file\r\n";  // > 3 records
  WriteFile(app / "drives/c/big.txt", content);
  TLibraryHost host;
  host.Library->SetApplicationFolder(app.Path());
  ASSERT_EQ(host.Run("AssignFile(F, 'C:\\big.txt'); Reset(F);\n"
                     "Print(FileSize(F)); Print(FilePos(F));\n"
                     "x := ReadLn(F); Print(FilePos(F));\n"
                     "while not EOF(F) do x := ReadLn(F);\n"
                     "Print(FilePos(F)); CloseFile(F);\n"
                     "Rewrite(F); WriteLn(F, x); Print(FilePos(F)); Print(FileSize(F)); CloseFile(F);"),
            "");
  const int records = static_cast<int>(content.size()) / 128;
  EXPECT_EQ(host.Printed,
            (std::vector<std::string>{std::to_string(records), "0", "1", std::to_string(records), "0", "0"}));
}

struct TFileErrorCase {
  const char* script;
  const char* message;
};

class SystemLibraryFileErrors : public ::testing::TestWithParam<TFileErrorCase> {};

TEST_P(SystemLibraryFileErrors, FailWithTheirIoErrorText) {
  TTempFolder app;
  std::filesystem::create_directories(app / "drives/c");
  WriteFile(app / "drives/c/exists.txt", "x\r\n");
  TLibraryHost host;
  host.Library->SetApplicationFolder(app.Path());
  const std::string error = host.Run(GetParam().script);
  EXPECT_TRUE(Contains(error, GetParam().message)) << GetParam().script << " -> " << error;
  // Nothing was created or changed by the failing routine.
  EXPECT_EQ(ReadFile(app / "drives/c/exists.txt"), "x\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Table, SystemLibraryFileErrors,
    ::testing::Values(
        TFileErrorCase{"AssignFile(F, 'C:\\missing.txt'); Reset(F)", "File not found"},
        TFileErrorCase{"AssignFile(F, 'C:\\missing.txt'); Append(F)", "File not found"},
        TFileErrorCase{"AssignFile(F, 'C:\\no\\such\\folder.txt'); Rewrite(F)", "File not found"},
        TFileErrorCase{"AssignFile(F, 'Q:\\x.txt'); Rewrite(F)", "Invalid filename"},
        TFileErrorCase{"AssignFile(F, 'C:\\..\\..\\x.txt'); Rewrite(F)", "Invalid filename"},
        TFileErrorCase{"AssignFile(F, ''); Reset(F)", "Invalid filename"},
        TFileErrorCase{"AssignFile(F, 'C:\\'); Reset(F)", "File access denied"},
        TFileErrorCase{"AssignFile(F, 'C:\\exists.txt'); CloseFile(F)", "I/O error 103"},
        TFileErrorCase{"AssignFile(F, 'C:\\exists.txt'); x := FilePos(F)", "I/O error 103"},
        TFileErrorCase{"AssignFile(F, 'C:\\exists.txt'); x := FileSize(F)", "I/O error 103"},
        TFileErrorCase{"AssignFile(F, 'C:\\exists.txt'); x := ReadLn(F)", "I/O error 103"},
        TFileErrorCase{"AssignFile(F, 'C:\\exists.txt'); Reset(F); CloseFile(F); CloseFile(F)",
                       "I/O error 103"},
        TFileErrorCase{"AssignFile(F, 'C:\\exists.txt'); Reset(F); WriteLn(F, 'x')", "I/O error 105"},
        TFileErrorCase{"AssignFile(F, 'C:\\new.txt'); Rewrite(F); x := ReadLn(F)", "I/O error 104"},
        TFileErrorCase{"Reset(7)", "Reset expects a text file assigned with AssignFile"},
        TFileErrorCase{"F := 268435456; Rewrite(F)", "Rewrite expects a text file assigned with AssignFile"},
        TFileErrorCase{"F := 'C:\\exists.txt'; Rewrite(F)",
                       "Rewrite expects a text file assigned with AssignFile"},
        TFileErrorCase{"F := Machine; WriteLn(F, 'x')",
                       "WriteLn expects a text file assigned with AssignFile"},
        TFileErrorCase{"AssignFile(F, 'C:\\exists.txt'); F.Free; Rewrite(F)", "Rewrite expects a text file"},
        TFileErrorCase{"Chdir('C:\\nowhere')", "File not found"}),
    // The expected error and the case's number: stable from build to build, unlike the default name.
    [](const ::testing::TestParamInfo<TFileErrorCase>& info) {
      std::string name;
      for (const char c : std::string(info.param.message)) {
        if (std::isalnum(static_cast<unsigned char>(c))) name += c;
      }
      return name.substr(0, 40) + "_" + std::to_string(info.index);
    });

TEST(SystemLibraryFiles, WithoutAnApplicationFolderDriveLettersAreRefused) {
  TLibraryHost host;
  EXPECT_TRUE(Contains(host.Run("AssignFile(F, 'C:\\x.txt'); Rewrite(F)"), "Invalid filename"));
}

TEST(SystemLibraryFiles, FreeingTheObjectClosesItsFile) {
  TTempFolder app;
  std::filesystem::create_directories(app / "drives/c");
  TLibraryHost host;
  host.Library->SetApplicationFolder(app.Path());
  const int before = OpenDescriptorCount();
  ASSERT_EQ(host.Run("AssignFile(F, 'C:\\a.txt'); Rewrite(F); WriteLn(F, 'kept'); F.Free"), "");
  EXPECT_EQ(OpenDescriptorCount(), before);
  // Written lines reach the file at once, closed or not.
  EXPECT_EQ(ReadFile(app / "drives/c/a.txt"), "kept\r\n");
}

TEST(SystemLibraryFiles, TheHostClosesWhatARunLeftOpen) {
  TTempFolder app;
  std::filesystem::create_directories(app / "drives/c");
  TLibraryHost host;
  host.Library->SetApplicationFolder(app.Path());
  const int before = OpenDescriptorCount();
  ASSERT_EQ(host.Run("G := 0; H := 0; AssignFile(F, 'C:\\a.txt'); Rewrite(F); WriteLn(F, 'one');\n"
                     "AssignFile(G, 'C:\\a.txt'); Reset(G);\n"
                     "AssignFile(H, 'C:\\b.txt'); Rewrite(H); CloseFile(H);"),
            "");
  EXPECT_EQ(OpenDescriptorCount(), before + 2);
  EXPECT_EQ(host.Library->CloseOpenFiles(), 2);
  EXPECT_EQ(OpenDescriptorCount(), before);
  EXPECT_EQ(host.Library->CloseOpenFiles(), 0);
  EXPECT_EQ(ReadFile(app / "drives/c/a.txt"), "one\r\n");
}

TEST(SystemLibraryFiles, IoErrorTexts) {
  EXPECT_EQ(IoErrorText(2), "File not found");
  EXPECT_EQ(IoErrorText(3), "Invalid filename");
  EXPECT_EQ(IoErrorText(4), "Too many open files");
  EXPECT_EQ(IoErrorText(5), "File access denied");
  EXPECT_EQ(IoErrorText(100), "Read beyond end of file");
  EXPECT_EQ(IoErrorText(101), "Disk full");
  EXPECT_EQ(IoErrorText(106), "Invalid numeric input");
  EXPECT_EQ(IoErrorText(103), "I/O error 103");
}

TEST(SystemLibraryFiles, NamesWithoutDriveLetterAreNativeRelativePaths) {
  EXPECT_EQ(ResolveScriptPath("sub\\a.txt", {}), std::filesystem::path("sub/a.txt"));
  EXPECT_EQ(ResolveScriptPath("caf\xE9.txt", {}), std::filesystem::path("caf\xC3\xA9.txt"));
  TTempFolder app;
  std::filesystem::create_directories(app / "drives/c/PDF");
  EXPECT_EQ(ResolveScriptPath("c:\\pdf\\x.txt", app.Path()), app / "drives/c/PDF/x.txt");
}

TEST(SystemLibraryUser, ShowMessageInputQueryAndBeepGoThroughThePort) {
  TLibraryHost host;
  ASSERT_EQ(host.Run("ShowMessage('Hello ' + IntToStr(3));\n"
                     "v := 'old';\n"
                     "Print(InputQuery('Title', 'Name?', v)); Print(v);\n"
                     "Beep; Beep;"),
            "");
  EXPECT_EQ(host.Interaction.Messages, std::vector<std::string>{"Hello 3"});
  EXPECT_EQ(host.Interaction.Questions, std::vector<std::string>{"Title|Name?|old"});
  EXPECT_EQ(host.Interaction.Beeps, 2);
  EXPECT_EQ(host.Printed, (std::vector<std::string>{"False", "old"}));

  host.Interaction.Confirm = true;
  host.Interaction.Answer = "new";
  host.Printed.clear();
  ASSERT_EQ(host.Run("v := 'old'; Print(InputQuery('T', 'P', v)); Print(v);"), "");
  EXPECT_EQ(host.Printed, (std::vector<std::string>{"True", "new"}));
}

TEST(SystemLibraryUser, TheHeadlessPortHandsMessagesOnAndDeclinesQuestions) {
  std::vector<std::string> log;
  TatHeadlessInteraction headless([&log](const std::string& text) { log.push_back(text); });
  TLibraryHost host;
  host.Library->SetUserInteraction(&headless);
  ASSERT_EQ(host.Run("ShowMessage('to the log'); v := 'x'; Print(InputQuery('a', 'b', v)); Print(v); Beep"),
            "");
  EXPECT_EQ(log, std::vector<std::string>{"to the log"});
  EXPECT_EQ(host.Printed, (std::vector<std::string>{"False", "x"}));
}

TEST(SystemLibraryClockAndLocale, NowDateTimeAndTwoDigitYearsFollowTheGivenClock) {
  TLibraryHost host;
  host.Library->SetClock([] { return platform::TLocalTime{2031, 7, 4, 23, 59, 58, 999}; });
  ASSERT_EQ(host.Run("Print(FormatDateTime('yyyy-mm-dd hh:nn:ss.zzz', Now));\n"
                     "Print(FormatDateTime('yyyy-mm-dd hh:nn:ss', Date));\n"
                     "Print(FormatDateTime('hh:nn:ss.zzz', Time));\n"
                     "Print(FormatDateTime('yyyy', StrToDate('1/2/80')));\n"
                     "Print(FormatDateTime('yyyy', StrToDate('1/2')));"),
            "");
  EXPECT_EQ(host.Printed, (std::vector<std::string>{"2031-07-04 23:59:58.999", "2031-07-04 00:00:00",
                                                    "23:59:58.999", "2080", "2031"}));
}

TEST(SystemLibraryClockAndLocale, FormattingUsesTheLibrarysLocale) {
  TLibraryHost host;
  platform::TFormatSettings german = platform::TFormatSettings::English();
  german.DecimalSeparator = ',';
  german.ThousandSeparator = '.';
  german.ShortDateFormat = "dd.mm.yyyy";
  german.DateSeparator = '.';
  german.LongMonthNames[2] = "M\xE4rz";
  host.Library->SetFormatSettings(german);
  ASSERT_EQ(
      host.Run(
          "Print(FloatToStr(1.5)); Print(FormatFloat('#,##0.00', 1234.5));\n"
          "Print(Format('%.1f|%n', [2.25, 1234.5])); Print(StrToFloat('2,5') * 2);\n"
          "Print(DateToStr(EncodeDate(2026, 3, 9))); Print(FormatDateTime('mmmm', EncodeDate(2026, 3, 9)));\n"
          "Print(FormatDateTime('yyyy-mm-dd', StrToDate('09.03.2026')));"),
      "");
  EXPECT_EQ(host.Printed, (std::vector<std::string>{"1,5", "1.234,50", "2,3|1.234,50", "5", "09.03.2026",
                                                    "M\xE4rz", "2026-03-09"}));
}

TEST(SystemLibraryEngine, LastExceptionValuesAreClearedWhenARunStarts) {
  TLibraryHost host;
  ASSERT_EQ(host.Run("try Raise('first') except Print(LastExceptionMessage) end"), "");
  ASSERT_EQ(host.Run("Print('[' + LastExceptionMessage + ']'); Print('[' + LastExceptionClassName + ']')"),
            "");
  EXPECT_EQ(host.Printed, (std::vector<std::string>{"first", "[]", "[]"}));
}

TEST(SystemLibraryEngine, RaiseAndInterpretEndTheRunWithTheirMessages) {
  TLibraryHost host;
  EXPECT_TRUE(Contains(host.Run("Raise('Stop: ' + IntToStr(42))"), "Stop: 42"));
  EXPECT_TRUE(Contains(host.Run("Interpret('Print(1)')"), "Script is not running for debug"));
  EXPECT_TRUE(host.Printed.empty());
}

TEST(SystemLibraryEngine, MachineAndScripterAreObjectsOfTheirOwnClasses) {
  TLibraryHost host;
  ASSERT_EQ(host.Run("m := Machine; s := Scripter; Print(m = Machine); Print(m <> s); Print(Assigned(m))"),
            "");
  EXPECT_EQ(host.Printed, (std::vector<std::string>{"True", "True", "True"}));
}

TEST(SystemLibraryEngine, CreatedObjectsAreFreedAndAFreedHandleIsNoObject) {
  TLibraryHost host;
  ASSERT_EQ(host.Run("o := TObject.Create; Print(Assigned(o)); o.Free;"), "");
  EXPECT_EQ(host.Printed, std::vector<std::string>{"True"});
  // Freeing an object the host owns is refused quietly.
  EXPECT_EQ(host.Run("m := Machine; m.Free; Print(m = Machine)"), "");
  EXPECT_EQ(host.Printed.back(), "True");
}

}  // namespace
}  // namespace varnholt::test
