// CliCheckTest.cpp — `varnholt-cli check SCRIPT [--dump]`: silence and 0, the error with its position
// and 2, or the instruction listing.
#include <gtest/gtest.h>

#include "tests/cli/CliRunner.h"
#include "tests/support/TempFolder.h"

namespace varnholt::test {
namespace {

const char* const kStandardScript =
    "SampleName := ''\r\n\r\n//MS\r\nif PDFContains('Quantitation Report') then begin\r\n"
    "  SampleName := PDFBetween('Sample',NewLine)\r\n  SampleName := "
    "Left(After(SampleName,':'),16)\r\nend\r\n"
    "\r\n//GCLC\r\nif PDFContains('Acq. Operator') then begin\r\n"
    "  SampleName := PDFBetween('Sample Name',NewLine)\r\n  SampleName := Left(After(SampleName,':'),16)\r\n"
    "end\r\n\r\nLog('SampleName',SampleName)\r\n\r\n//PDF Destination\r\nif SampleName<>'' then begin\r\n"
    "  Destination := 'C:\\PDFSTORE\\'+SampleName+'.PDF'\r\nend else begin\r\n"
    "  Destination := FailedFolder + PDFName\r\n  LogErr('Unrecognized',Destination)\r\nend\r\n\r\n"
    "//Only in automatic mode\r\nif IsAutomatic then begin\r\n  PDFMoveTo(Destination)\r\nend\r\n";

TEST(CliCheck, TheStandardScriptChecksSilently) {
  TTempFolder dir;
  WriteFile(dir / "Varnholt.PS", kStandardScript);
  const TCliResult r = RunCli({"check", (dir / "Varnholt.PS").string()});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");
}

TEST(CliCheck, AnErrorPrintsTheMessageAndItsPositionWithExitCode2) {
  TTempFolder dir;
  WriteFile(dir / "bad.psc", "x := 1\r\nx := Foo + 1\r\n");
  const TCliResult r = RunCli({"check", (dir / "bad.psc").string()});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.err, "Unknown identifier or variable is not declared: 'Foo'\nLine 2, Char 10\n");
  EXPECT_EQ(r.out, "");
  WriteFile(dir / "syntax.psc", "begin x := 1 end.");
  const TCliResult s = RunCli({"check", "--dump", (dir / "syntax.psc").string()});
  EXPECT_EQ(s.exitCode, 2);
  EXPECT_EQ(s.err, "Syntax error\nLine 1, Char 17\n");
  EXPECT_EQ(s.out, "");  // no listing for a script that does not compile
}

TEST(CliCheck, HostRoutinesAndTheSystemLibraryAreKnownWithTheirArgumentCounts) {
  TTempFolder dir;
  WriteFile(dir / "ok.psc",
            "s := Copy(PDFText, 1, 3) + IntToStr(Length(UserName)) + ComputerName + PaperPrinter\r\n"
            "n := 0\r\nInc(n)\r\nAppendToTextFile(QueueFolder + 'x.txt', FormatDateTime('yyyy', Now))\r\n");
  EXPECT_EQ(RunCli({"check", (dir / "ok.psc").string()}).exitCode, 0);
  WriteFile(dir / "count.psc", "PDFMoveTo('a', 'b')");
  const TCliResult r = RunCli({"check", (dir / "count.psc").string()});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.err, "Too many parameters for method 'PDFMoveTo'. Expected 1 parameters\nLine 1, Char 19\n");
}

TEST(CliCheck, DumpListsOneInstructionALine) {
  TTempFolder dir;
  WriteFile(dir / "a.psc", "x := 5\r\ny := x");
  const TCliResult r = RunCli({"check", "--dump", (dir / "a.psc").string()});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out,
            "0 inPrepare Int1=3 Text='___MAIN___'\n"
            "1 inStoreVarInteger Int1=1 Int3=5 Text='x'\n"
            "2 inCopyVar Int1=1 Int3=2 Text='xy'\n"
            "3 inPushVar Int1=0 Text='Result'\n"
            "4 inRet\n");
}

TEST(CliCheck, Utf8ScriptsAreConvertedAndAMissingFileIsReported) {
  TTempFolder dir;
  WriteFile(dir / "u.psc", "x := 'Gr\xC3\xBC\xC3\x9F'\r\n");  // Grüß in UTF-8
  const TCliResult r = RunCli({"check", "--dump", (dir / "u.psc").string()});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.out.find("Int4=4 Text='Gr\xC3\xBC\xC3\x9Fx'"), std::string::npos) << r.out;  // four characters
  const TCliResult missing = RunCli({"check", (dir / "none.psc").string()});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.err.find("Cannot read"), std::string::npos);
}

// What a careless user hands over: a folder instead of a script, a script saved with a UTF-8 mark.
TEST(CliCheck, AFolderIsReportedAndAByteOrderMarkIsAccepted) {
  TTempFolder dir;
  const TCliResult folder = RunCli({"check", dir.Path().string()});
  EXPECT_EQ(folder.exitCode, 1) << folder.err;
  EXPECT_NE(folder.err.find("Cannot read the script file"), std::string::npos) << folder.err;
  WriteFile(dir / "bom.psc", "\xEF\xBB\xBFx := 'Gr\xC3\xBC\xC3\x9F'\r\n");
  const TCliResult bom = RunCli({"check", "--dump", (dir / "bom.psc").string()});
  EXPECT_EQ(bom.exitCode, 0) << bom.err;
  EXPECT_NE(bom.out.find("Int4=4 Text='Gr\xC3\xBC\xC3\x9Fx'"), std::string::npos) << bom.out;
}

}  // namespace
}  // namespace varnholt::test
