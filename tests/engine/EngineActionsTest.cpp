// EngineActionsTest.cpp — the actions that change PDFs, checked with qpdf and poppler; and every bad input
// answering "Error" while the input stays byte-identical.
#include <gtest/gtest.h>

#include <map>

#include "engine/uPdfPages.h"
#include "platform/Process.h"
#include "tests/engine/EngineHarness.h"

namespace varnholt::test {
namespace {

TEST(DeletePages, RemovesTheRangeAndKeepsTheRest) {
  TEngineHarness engine;
  const auto path = engine.AddSample("lc_report_5pages.pdf");
  const auto answer =
      engine.Run({"PDFFILE=" + path, "PDFPAGES=2-3", "PDFACTION=DELPAGES", "PDFOWNER=", "PDFUSER="});
  ASSERT_EQ(answer.status, "OK") << answer.message;
  EXPECT_EQ(QpdfPageCount(engine.Native("lc_report_5pages.pdf")), 3);
  const std::string text = PopplerText(engine.Native("lc_report_5pages.pdf"));
  EXPECT_EQ(CountOf(text, "Page 1 of 5"), 1);
  EXPECT_EQ(CountOf(text, "Page 2 of 5"), 0);
  EXPECT_EQ(CountOf(text, "Page 3 of 5"), 0);
  EXPECT_EQ(CountOf(text, "Page 4 of 5"), 1);
  EXPECT_EQ(CountOf(text, "Page 5 of 5"), 1);
}

TEST(DeletePages, WritesALinkedFileThroughItsLink) {
  TEngineHarness engine;
  // The report lies in an archive elsewhere; the queue folder holds a symbolic link to it.
  std::filesystem::create_directories(engine.AppFolder() / "archive");
  std::filesystem::copy_file(SampleFolder() / "lc_report_5pages.pdf",
                             engine.AppFolder() / "archive/real.pdf");
  std::filesystem::create_symlink("../../../archive/real.pdf", engine.Native("linked.pdf"));
  const auto answer = engine.Run({"PDFFILE=C:\\PDF\\linked.pdf", "PDFPAGES=2-3", "PDFACTION=DELPAGES"});
  ASSERT_EQ(answer.status, "OK") << answer.message;
  EXPECT_TRUE(std::filesystem::is_symlink(engine.Native("linked.pdf")));
  EXPECT_EQ(QpdfPageCount(engine.AppFolder() / "archive/real.pdf"), 3);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(engine.PdfFolder()),
                          std::filesystem::directory_iterator()),
            1);
}

TEST(DeletePages, KeepsTheEncryptionOfAnEncryptedFile) {
  TEngineHarness engine;
  const auto path = engine.AddSample("ms_quant_report_encrypted.pdf");
  const auto answer = engine.Run(
      {"PDFFILE=" + path, "PDFPAGES=2-2", "PDFACTION=DELPAGES", "PDFOWNER=owner1", "PDFUSER=user1"});
  ASSERT_EQ(answer.status, "OK") << answer.message;
  EXPECT_TRUE(NeedsPassword(engine.Native("ms_quant_report_encrypted.pdf")));
  EXPECT_EQ(QpdfPageCount(engine.Native("ms_quant_report_encrypted.pdf"), "user1"), 1);
}

TEST(AppendPdf, AddsTheSecondFileAtTheEnd) {
  TEngineHarness engine;
  const auto target = engine.AddSample("gc_run_report.pdf");
  const auto source = engine.AddSample("lc_report_5pages.pdf");
  const std::string sourceBytes = ReadFile(engine.Native("lc_report_5pages.pdf"));
  const auto answer =
      engine.Run({"PDFFILE=" + target, "PDFFILE2=" + source, "PDFACTION=APPENDPDF", "PDFOWNER=", "PDFUSER="});
  ASSERT_EQ(answer.status, "OK") << answer.message;
  EXPECT_EQ(QpdfPageCount(engine.Native("gc_run_report.pdf")), 6);
  EXPECT_EQ(ReadFile(engine.Native("lc_report_5pages.pdf")), sourceBytes);
  const std::string text = PopplerText(engine.Native("gc_run_report.pdf"));
  EXPECT_LT(text.find("Soil-Extract 17B"), text.find("Batch-2010-117"));
}

TEST(AppendPdf, AppendsAFileToItself) {
  TEngineHarness engine;
  const auto path = engine.AddSample("ms_quant_report.pdf");
  const auto answer = engine.Run({"PDFFILE=" + path, "PDFFILE2=" + path, "PDFACTION=APPENDPDF"});
  ASSERT_EQ(answer.status, "OK") << answer.message;
  EXPECT_EQ(QpdfPageCount(engine.Native("ms_quant_report.pdf")), 4);
}

TEST(Protect, NeedsTheUserPasswordAndOpensWithIt) {
  TEngineHarness engine;
  const auto path = engine.AddSample("gc_run_report.pdf");
  const auto answer =
      engine.Run({"PDFFILE=" + path, "PDFACTION=PROTECT", "PDFOWNER=Boss\xE9", "PDFUSER=lab"});
  ASSERT_EQ(answer.status, "OK") << answer.message;
  const auto native = engine.Native("gc_run_report.pdf");
  EXPECT_TRUE(NeedsPassword(native));
  EXPECT_EQ(QpdfPageCount(native, "lab"), 1);
  EXPECT_EQ(QpdfPageCount(native, "Boss\xC3\xA9"), 1);  // AES-256 passwords are UTF-8
  EXPECT_TRUE(IsAes256(native, "lab"));
  EXPECT_NE(PopplerText(native, false, "lab").find("Soil-Extract 17B"), std::string::npos);
  // The engine itself opens it again with the passwords of the settings.
  const auto again = engine.Run({"PDFFILE=" + path, "PDFACTION=EXTRACT", "PDFOWNER=Boss\xE9", "PDFUSER=lab"});
  EXPECT_EQ(again.status, "OK") << again.message;
}

TEST(Protect, WithoutPasswordsLeavesTheFileAsItIsAndSaysSo) {
  TEngineHarness engine;
  const auto path = engine.AddSample("gc_run_report.pdf");
  const std::string before = ReadFile(engine.Native("gc_run_report.pdf"));
  const auto answer = engine.Run({"PDFFILE=" + path, "PDFACTION=PROTECT", "PDFOWNER=", "PDFUSER="});
  EXPECT_EQ(answer.status, "OK");
  EXPECT_NE(answer.message.find("left as it is"), std::string::npos) << answer.message;
  EXPECT_EQ(ReadFile(engine.Native("gc_run_report.pdf")), before);
}

TEST(Stamps, WatermarkAndPageNumbersAppearOnceAfterStampingTwice) {
  TEngineHarness engine;
  const auto path = engine.AddSample("ms_quant_report.pdf");
  const auto native = engine.Native("ms_quant_report.pdf");
  const std::string originalLayout = PopplerText(native);
  for (int round = 0; round < 2; ++round) {
    EXPECT_EQ(
        engine.Run({"WMIDENTIFIER=Review", "WMTEXT=CONFIDENTIAL", "PDFFILE=" + path, "PDFACTION=WATERMARK"})
            .status,
        "OK");
    EXPECT_EQ(engine.Run({"XOFFSET=-50", "YOFFSET=-20", "PDFFILE=" + path, "PDFACTION=REPAGINATE"}).status,
              "OK");
  }
  EXPECT_EQ(QpdfPageCount(native), 2);
  for (bool raw : {false, true}) {
    const std::string text = PopplerText(native, raw);
    EXPECT_EQ(CountOf(text, "CONFIDENTIAL"), 2) << raw;  // once on each page
    EXPECT_EQ(CountOf(text, "Page 1 of 2"), 1) << raw;
    EXPECT_EQ(CountOf(text, "Page 2 of 2"), 1) << raw;
  }
  // The report's own lines come out as before: the stamps add lines at the end of each page only.
  const std::string layout = PopplerText(native);
  EXPECT_EQ(layout.substr(0, originalLayout.find("Page: 1")),
            originalLayout.substr(0, originalLayout.find("Page: 1")));

  // Another identifier is another watermark; an empty text removes one.
  EXPECT_EQ(engine.Run({"WMIDENTIFIER=Copy", "WMTEXT=COPY", "PDFFILE=" + path, "PDFACTION=WATERMARK"}).status,
            "OK");
  EXPECT_EQ(CountOf(PopplerText(native, true), "CONFIDENTIAL"), 2);
  EXPECT_EQ(CountOf(PopplerText(native, true), "COPY"), 2);
  EXPECT_EQ(engine.Run({"WMIDENTIFIER=Review", "WMTEXT=", "PDFFILE=" + path, "PDFACTION=WATERMARK"}).status,
            "OK");
  EXPECT_EQ(CountOf(PopplerText(native, true), "CONFIDENTIAL"), 0);
  EXPECT_EQ(CountOf(PopplerText(native, true), "COPY"), 2);
}

TEST(Stamps, PageNumbersSitBottomRightOfARotatedPage) {
  TEngineHarness engine;
  const auto path = engine.AddSample("lc_landscape_rotate90.pdf");
  ASSERT_EQ(engine.Run({"XOFFSET=0", "YOFFSET=0", "PDFFILE=" + path, "PDFACTION=REPAGINATE"}).status, "OK");
  const std::string layout = PopplerText(engine.Native("lc_landscape_rotate90.pdf"));
  // Upright like the report itself: on the last line, right of everything else.
  const auto pos = layout.rfind("Page 1 of 1");
  ASSERT_NE(pos, std::string::npos);
  EXPECT_EQ(layout.find_first_not_of("\n\f", pos + 11), std::string::npos);
  const auto lineStart = layout.rfind('\n', pos) + 1;
  EXPECT_GT(pos - lineStart, 80u);
}

TEST(CoverPage, TitleIsTheFirstLineAndTheTextFollows) {
  TEngineHarness engine;
  const auto path = engine.AddSample("lc_report_5pages.pdf");
  WriteFile(engine.AppFolder() / "TEMPCP.TXT", "Sequence 117\r\nOperator: Tom Weber\r\nM\xFCller Lab\r\n");
  const auto answer =
      engine.Run({"PDFTITLE=Batch 2010-117 (final)", "PDFFILE=" + path, "PDFACTION=COVERPAGE"});
  ASSERT_EQ(answer.status, "OK") << answer.message;
  const auto native = engine.Native("lc_report_5pages.pdf");
  EXPECT_EQ(QpdfPageCount(native), 6);
  const auto extract = engine.Run({"PDFFILE=" + path, "PDFACTION=EXTRACT"});
  ASSERT_EQ(extract.status, "OK");
  const auto lines = CrLfLines(engine.ReadExchange("PDF1.TXT"));
  ASSERT_GE(lines.size(), 5u);
  EXPECT_EQ(lines[0], "Batch 2010-117 (final)");
  const std::string text1 = engine.ReadExchange("PDF1.TXT");
  EXPECT_LT(text1.find("Operator: Tom Weber"), text1.find("M\xFCller Lab"));
  EXPECT_LT(text1.find("M\xFCller Lab"), text1.find("Batch-2010-117"));
}

// A bad request: what it sends, and which sample file must stay byte-identical.
struct TBadCase {
  const char* name;
  std::vector<std::string> request;
  const char* expectInMessage;
};

void PrintTo(const TBadCase& c, std::ostream* out) {
  *out << c.name;
}

class BadInput : public testing::TestWithParam<TBadCase> {};

TEST_P(BadInput, AnswersErrorAndLeavesTheInputsAlone) {
  TEngineHarness engine;
  for (const char* sample : {"lc_report_5pages.pdf", "gc_run_report.pdf", "empty.pdf", "not_a_pdf.pdf",
                             "ms_quant_report_truncated.pdf", "ms_quant_report_encrypted_aes256.pdf"}) {
    engine.AddSample(sample);
  }
  auto snapshot = [&engine] {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(engine.PdfFolder())) {
      files[entry.path().filename().string()] = ReadFile(entry.path());
    }
    return files;
  };
  const auto before = snapshot();
  const auto answer = engine.Run(GetParam().request);
  EXPECT_EQ(answer.exitCode, 0);
  EXPECT_EQ(answer.status, "Error");
  EXPECT_NE(answer.message.find(GetParam().expectInMessage), std::string::npos) << answer.message;
  EXPECT_EQ(snapshot(), before);  // no input changed, no temporary file left behind
}

const std::string kLc = "PDFFILE=C:\\PDF\\lc_report_5pages.pdf";
const std::string kGc = "PDFFILE=C:\\PDF\\gc_run_report.pdf";
const std::string kAes = "PDFFILE=C:\\PDF\\ms_quant_report_encrypted_aes256.pdf";

INSTANTIATE_TEST_SUITE_P(
    Requests, BadInput,
    testing::Values(
        TBadCase{"UnknownAction", {kLc, "PDFACTION=SHRED"}, "Unknown action \"SHRED\""},
        TBadCase{"NoAction", {kLc}, "no action"}, TBadCase{"NoFileKey", {"PDFACTION=EXTRACT"}, "PDFFILE="},
        TBadCase{"MissingFile", {"PDFFILE=C:\\PDF\\gone.pdf", "PDFACTION=PROTECT", "PDFUSER=a"}, "not found"},
        TBadCase{"AFolder", {"PDFFILE=C:\\PDF", "PDFACTION=EXTRACT"}, "Not a file: C:\\PDF is a folder"},
        TBadCase{"AFolderToChange",
                 {"PDFFILE=C:\\PDF\\", "PDFPAGES=1-1", "PDFACTION=DELPAGES"},
                 "Not a file: C:\\PDF\\ is a folder"},
        TBadCase{
            "AppendAFolder", {kGc, "PDFFILE2=C:\\", "PDFACTION=APPENDPDF"}, "Not a file: C:\\ is a folder"},
        TBadCase{"UnmappedDrive", {"PDFFILE=Q:\\x.pdf", "PDFACTION=EXTRACT"}, "Q:\\x.pdf"},
        TBadCase{"EmptyFile",
                 {"PDFFILE=C:\\PDF\\empty.pdf", "PDFACTION=WATERMARK", "WMIDENTIFIER=a", "WMTEXT=b"},
                 "empty"},
        TBadCase{"NotAPdf",
                 {"PDFFILE=C:\\PDF\\not_a_pdf.pdf", "PDFACTION=REPAGINATE", "XOFFSET=0", "YOFFSET=0"},
                 "not a PDF"},
        TBadCase{"Truncated",
                 {"PDFFILE=C:\\PDF\\ms_quant_report_truncated.pdf", "PDFACTION=PROTECT", "PDFUSER=u"},
                 "damaged"},
        TBadCase{"TruncatedExtract",
                 {"PDFFILE=C:\\PDF\\ms_quant_report_truncated.pdf", "PDFACTION=EXTRACT"},
                 "damaged"},
        TBadCase{"WrongPassword",
                 {kAes, "PDFACTION=DELPAGES", "PDFPAGES=1-1", "PDFUSER=nope", "PDFOWNER=nix"},
                 "password"},
        TBadCase{"NoPassword", {kAes, "PDFACTION=WATERMARK", "WMIDENTIFIER=a", "WMTEXT=b"}, "password"},
        TBadCase{"StartAfterEnd",
                 {kLc, "PDFPAGES=3-1", "PDFACTION=DELPAGES"},
                 "pages 3-1 of C:\\PDF\\lc_report_5pages.pdf (5 pages)"},
        TBadCase{"PageZero", {kLc, "PDFPAGES=0-1", "PDFACTION=DELPAGES"}, "(5 pages)"},
        TBadCase{"NegativePage", {kLc, "PDFPAGES=-2-1", "PDFACTION=DELPAGES"}, "-2-1"},
        TBadCase{"BeyondTheEnd", {kLc, "PDFPAGES=4-9", "PDFACTION=DELPAGES"}, "4-9"},
        TBadCase{"EveryPage", {kLc, "PDFPAGES=1-5", "PDFACTION=DELPAGES"}, "every page"},
        TBadCase{"NotARange", {kLc, "PDFPAGES=two", "PDFACTION=DELPAGES"}, "\"two\""},
        TBadCase{"NoRange", {kLc, "PDFACTION=DELPAGES"}, "PDFPAGES="},
        TBadCase{
            "AppendMissingSource", {kGc, "PDFFILE2=C:\\PDF\\gone.pdf", "PDFACTION=APPENDPDF"}, "gone.pdf"},
        TBadCase{"AppendBrokenSource",
                 {kGc, "PDFFILE2=C:\\PDF\\ms_quant_report_truncated.pdf", "PDFACTION=APPENDPDF"},
                 "damaged"},
        TBadCase{"AppendNoSecondFile", {kGc, "PDFACTION=APPENDPDF"}, "PDFFILE2="},
        TBadCase{"OffsetNotANumber", {kGc, "XOFFSET=left", "YOFFSET=0", "PDFACTION=REPAGINATE"}, "XOFFSET="},
        TBadCase{"NoWatermarkText", {kGc, "WMIDENTIFIER=a", "PDFACTION=WATERMARK"}, "WMTEXT="},
        TBadCase{"CoverTextMissing", {kGc, "PDFTITLE=T", "PDFACTION=COVERPAGE"}, "TEMPCP.TXT"},
        TBadCase{"PrintNoPrinter", {kGc, "PDFACTION=PRINT"}, "PDFPRINTER="},
        TBadCase{"PrintBrokenFile",
                 {"PDFFILE=C:\\PDF\\not_a_pdf.pdf", "PDFPRINTER=x", "PDFACTION=PRINT"},
                 "not a PDF"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(EngineProgram, MissingRequestIsAnError) {
  TEngineHarness engine;
  engine.Run({});
  std::filesystem::remove(engine.AppFolder() / "PDFENV.TXT");
  const auto result =
      platform::RunHiddenAndWait(std::filesystem::path(VARNHOLT_APP_DIR) / "PDF.EXE", {}, engine.AppFolder());
  EXPECT_EQ(result.exitCode, 0);
  const auto lines = CrLfLines(engine.ReadExchange("PDFRES.TXT"));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "Error");
  EXPECT_NE(lines[1].find("PDFENV.TXT"), std::string::npos);
}

TEST(EngineProgram, WithoutItsSecondProgramOnlyExtractWorks) {
  TEngineHarness engine;
  const auto path = engine.AddSample("lc_report_5pages.pdf");
  const std::string before = ReadFile(engine.Native("lc_report_5pages.pdf"));
  // PDF.EXE alone in an application folder, as a careless copy might leave it.
  std::filesystem::copy_file(std::filesystem::path(VARNHOLT_APP_DIR) / "PDF.EXE",
                             engine.AppFolder() / "PDF.EXE");
  auto run = [&engine](const std::string& request) {
    WriteFile(engine.AppFolder() / "PDFENV.TXT", request);
    platform::RunHiddenAndWait(engine.AppFolder() / "PDF.EXE", {}, engine.AppFolder());
    return CrLfLines(engine.ReadExchange("PDFRES.TXT"));
  };
  const auto extract = run("PDFFILE=" + path + "\r\nPDFACTION=EXTRACT\r\n");
  EXPECT_EQ(extract.at(0), "OK");
  const auto remove = run("PDFFILE=" + path + "\r\nPDFPAGES=1-1\r\nPDFACTION=DELPAGES\r\n");
  EXPECT_EQ(remove.at(0), "Error");
  EXPECT_NE(remove.at(1).find("PDFEDIT.EXE"), std::string::npos) << remove.at(1);
  EXPECT_EQ(ReadFile(engine.Native("lc_report_5pages.pdf")), before);
}

TEST(PageRange, ParsesSignedNumbers) {
  using engine::ParsePageRange;
  EXPECT_EQ(ParsePageRange("2-5"), std::pair(2LL, 5LL));
  EXPECT_EQ(ParsePageRange("3-1"), std::pair(3LL, 1LL));
  EXPECT_EQ(ParsePageRange("-2-1"), std::pair(-2LL, 1LL));
  EXPECT_EQ(ParsePageRange("2--1"), std::pair(2LL, -1LL));
  for (const char* bad : {"", "5", "a-b", "1-", "-1", "1-2-3", "1 - 2", "99999999999999999999-1"}) {
    EXPECT_FALSE(ParsePageRange(bad)) << bad;
  }
}

TEST(PdfLiteral, EscapesWhatWouldEndTheString) {
  EXPECT_EQ(engine::PdfLiteral("a(b)c\\d"), "(a\\(b\\)c\\\\d)");
  EXPECT_EQ(engine::PdfLiteral("x\ry\xFC"), "(x\\015y\xFC)");
}

}  // namespace
}  // namespace varnholt::test
