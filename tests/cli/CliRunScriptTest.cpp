// CliRunScriptTest.cpp — `varnholt-cli run-script` with the system library: formatting, a text file in the
// application folder's drive map, the --locale file and ShowMessage in the log.
#include <gtest/gtest.h>

#include "tests/cli/CliRunner.h"
#include "tests/support/TempFolder.h"

namespace varnholt::test {
namespace {

TEST(CliRunScript, FormatsAndWritesAndReadsATextFile) {
  TTempFolder app;
  std::filesystem::create_directories(app / "drives/c/Work");
  WriteFile(app / "script.psc",
            "F := 0;\n"
            "AssignFile(F, 'C:\\work\\report.txt');\n"
            "Rewrite(F);\n"
            "WriteLn(F, Format('%s has %d items at %.2f', ['Box', 3, 1.5]));\n"
            "WriteLn(F, FormatDateTime('dddd d mmmm yyyy', EncodeDate(2026, 12, 9)));\n"
            "WriteLn(F, IntToHex(48879, 6));\n"
            "WriteLn(F, Copy('Varnholt', 1, 4));\n"
            "CloseFile(F);\n"
            "Reset(F);\n"
            "s := '';\n"
            "while not EOF(F) do s := s + ReadLn(F) + ';';\n"
            "CloseFile(F);\n"
            "Result := s;\n");
  const std::string en = app.Path().string() + "/en.json";
  WriteFile(en, R"({"DecimalSeparator": ".", "LongMonthNames": ["January","February","March","April","May",
    "June","July","August","September","October","November","December"],
    "LongDayNames": ["Sunday","Monday","Tuesday","Wednesday","Thursday","Friday","Saturday"]})");
  const TCliResult r = RunCli(
      {"--app-folder", app.Path().string(), "run-script", "--locale", en, (app / "script.psc").string()});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "Box has 3 items at 1.50;Wednesday 9 December 2026;00BEEF;Varn;\n");
  EXPECT_EQ(ReadFile(app / "drives/c/Work/report.txt"),
            "Box has 3 items at 1.50\r\nWednesday 9 December 2026\r\n00BEEF\r\nVarn\r\n");
}

TEST(CliRunScript, TheLocaleFileReplacesSeparatorsAndNames) {
  TTempFolder app;
  WriteFile(
      app / "s.psc",
      "Result := FormatFloat('#,##0.00', 1234.5) + ' ' + FormatDateTime('d. mmmm', EncodeDate(2026, 3, 1))");
  WriteFile(app / "de.json",
            "{\"DecimalSeparator\": \",\", \"ThousandSeparator\": \".\", \"LongMonthNames\": "
            "[\"Januar\",\"Februar\",\"M\xC3\xA4rz\",\"April\",\"Mai\",\"Juni\",\"Juli\",\"August\","
            "\"September\",\"Oktober\",\"November\",\"Dezember\"]}");
  const TCliResult r = RunCli({"--app-folder", app.Path().string(), "run-script", "--locale",
                               (app / "de.json").string(), (app / "s.psc").string()});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "1.234,50 1. M\xC3\xA4rz\n");
}

TEST(CliRunScript, ABadLocaleFileIsRefusedBeforeTheScriptRuns) {
  TTempFolder app;
  std::filesystem::create_directories(app / "drives/c");
  WriteFile(app / "s.psc", "F := 0; AssignFile(F, 'C:\\ran.txt'); Rewrite(F); CloseFile(F)");
  WriteFile(app / "bad.json", "{\"DecimalSeparator\": 5}");
  const TCliResult bad = RunCli({"--app-folder", app.Path().string(), "run-script", "--locale",
                                 (app / "bad.json").string(), (app / "s.psc").string()});
  EXPECT_EQ(bad.exitCode, 1);
  EXPECT_NE(bad.err.find("DecimalSeparator"), std::string::npos) << bad.err;
  const TCliResult missing = RunCli({"--app-folder", app.Path().string(), "run-script", "--locale",
                                     (app / "none.json").string(), (app / "s.psc").string()});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_FALSE(std::filesystem::exists(app / "drives/c/ran.txt"));
}

TEST(CliRunScript, ShowMessageIsWrittenToTheLog) {
  TTempFolder app;
  WriteFile(app / "s.psc", "ShowMessage('Sample ' + IntToStr(7) + ' filed'); Result := 'done'");
  const TCliResult r = RunCli({"--app-folder", app.Path().string(), "run-script", (app / "s.psc").string()});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "done\n");
  EXPECT_NE(ReadFile(app / "Varnholt.LOG").find("Msg\tAction\tShowMessage\tSample 7 filed"),
            std::string::npos)
      << ReadFile(app / "Varnholt.LOG");
}

TEST(CliRunScript, AFileRoutineOnSomethingElseIsARunTimeError) {
  TTempFolder app;
  WriteFile(app / "s.psc", "WriteLn(12345, 'x')");
  const TCliResult r = RunCli({"--app-folder", app.Path().string(), "run-script", (app / "s.psc").string()});
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_NE(r.err.find("WriteLn expects a text file assigned with AssignFile"), std::string::npos) << r.err;
}

TEST(CliRunScript, ExitCodesTellCompileErrorsRunTimeErrorsAndAbortApart) {
  TTempFolder app;
  struct TCase {
    const char* source;
    int exitCode;
    const char* out;
    const char* err;
  };
  const TCase cases[] = {
      {"Result := 6 * 7", 0, "42\n", ""},
      {"x := 1\nx := Foo + 1", 2, "", "Unknown identifier or variable is not declared: 'Foo'\nLine 2, Char 10\n"},
      {"x := 1 div 0", 3, "", "Division by zero when evaluating instruction OperDiv"},
      {"Result := 'never'\nABORT", 0, "", ""},
  };
  for (const auto& c : cases) {
    WriteFile(app / "s.psc", c.source);
    const TCliResult r = RunCli({"--app-folder", app.Path().string(), "run-script", (app / "s.psc").string()});
    EXPECT_EQ(r.exitCode, c.exitCode) << c.source;
    EXPECT_EQ(r.out, c.out) << c.source;
    EXPECT_EQ(r.err.rfind(c.err, 0), 0u) << c.source << ": " << r.err;
  }
}

}  // namespace
}  // namespace varnholt::test
