// EngineOcrTest.cpp — EXTRACT of scanned reports: a page without a text layer is read by OCR into both
// texts, with the labelled values on their lines, as the settings say; what OCR cannot do is a clear answer.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>

#include "engine/uPdfOcr.h"
#include "platform/CodePage.h"
#include "tests/engine/EngineHarness.h"

namespace varnholt::test {
namespace {

nlohmann::json ExpectedReport(const std::string& name) {
  std::ifstream in(SampleFolder() / "expected.json");
  const auto reports = nlohmann::json::parse(in);
  for (const auto& file : reports["files"]) {
    if (file["file"] == name) return file;
  }
  ADD_FAILURE() << name << " is not in expected.json";
  return {};
}

// The line of a text that holds the label, without it and the colon after it, trimmed: what a script's
// After(Between(Text, Label, NewLine), ':') reads. Labels are matched without their padding.
std::string ValueAfter(const std::string& text, std::string label) {
  label = label.substr(0, label.find_last_not_of(" :") + 1);
  for (const std::string& line : CrLfLines(text)) {
    const auto at = line.find(label);
    if (at == std::string::npos) continue;
    std::string rest = line.substr(at + label.size());
    rest = rest.substr(std::min(rest.size(), rest.find(':') + 1));
    const auto first = rest.find_first_not_of(' ');
    return first == std::string::npos ? "" : rest.substr(first);
  }
  return "<no line with " + label + ">";
}

// A scanned copy (150 dpi, as a scanner gives) of text reports the test knows: the labelled values are read
// back from the image onto their labels' lines, in both texts.
TEST(Ocr, AScannedReportGivesItsValuesOnTheirLinesInBothTexts) {
  struct TCase {
    const char* sample;
    std::vector<std::pair<const char*, const char*>> values;  // key of expected.json, label
  };
  const TCase cases[] = {
      {"gc_run_report.pdf",
       {{"sample_name", "Sample Name:"},
        {"operator", "Acq. Operator"},
        {"injection_date", "Injection Date"}}},
      {"ms_quant_report.pdf",
       {{"sample_name", "Sample"}, {"operator", "Operator"}, {"instrument", "Instrument"}}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.sample);
    const auto report = ExpectedReport(c.sample);
    TEngineHarness engine;
    WriteScannedCopy(SampleFolder() / c.sample, engine.Native("scan.pdf"));
    ASSERT_EQ(PopplerText(engine.Native("scan.pdf")).find_first_not_of('\f'), std::string::npos)
        << "the copy must have no text layer";

    const auto answer = engine.Run({"PDFFILE=C:\\PDF\\scan.pdf", "PDFACTION=EXTRACT"});
    ASSERT_EQ(answer.status, "OK") << answer.message;
    EXPECT_NE(answer.message.find("read by OCR"), std::string::npos) << answer.message;
    const auto keys = AnswerKeys(engine.ReadExchange("PDFRES.TXT"));
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_TRUE(keys[0].starts_with("OCRPAGES=")) << keys[0];
    ASSERT_TRUE(keys[1].starts_with("OCRCONFIDENCE="));
    const int confidence = std::stoi(keys[1].substr(14));
    EXPECT_GT(confidence, 50);
    EXPECT_LE(confidence, 100);

    for (const char* exchange : {"PDF1.TXT", "PDF2.TXT"}) {
      SCOPED_TRACE(exchange);
      const std::string text = engine.ReadExchange(exchange);
      EXPECT_TRUE(text.ends_with("\r\n"));
      for (const auto& [key, label] : c.values) {
        const std::string value = platform::Utf8ToCp1252(report["values"][key].get<std::string>());
        // The layout text keeps a right column on the line; the value comes first.
        EXPECT_TRUE(ValueAfter(text, label).starts_with(value)) << key << ": " << ValueAfter(text, label);
      }
    }
  }
}

// The scanned sample report (a 150 dpi greyscale image, no text layer) as the engine reads it by default.
TEST(Ocr, TheScannedSampleGivesItsSampleNameAndOperator) {
  const auto report = ExpectedReport("image_only_report.pdf");
  TEngineHarness engine;
  const auto answer =
      engine.Run({"PDFFILE=" + engine.AddSample("image_only_report.pdf"), "PDFACTION=EXTRACT"});
  ASSERT_EQ(answer.status, "OK") << answer.message;
  for (const char* exchange : {"PDF1.TXT", "PDF2.TXT"}) {
    SCOPED_TRACE(exchange);
    const std::string text = engine.ReadExchange(exchange);
    for (const char* key : {"sample_name", "operator"}) {
      const std::string value = report["values"][key];
      const std::string after = ValueAfter(text, report["labels"][key]);
      EXPECT_TRUE(after.starts_with(value)) << key << ": " << after;
    }
  }
}

TEST(Ocr, TheSettingDecidesWhichPagesAreRead) {
  struct TCase {
    const char* mode;          // PDFOCR=
    std::vector<int> scanned;  // pages of the two-page report made images
    std::string ocrPages;      // the answer's OCRPAGES, "" when no OCR line
    bool page1AsTextLayer;     // page 1 exactly as poppler gives its text layer
  };
  const TCase cases[] = {
      {"Off", {1, 2}, "", false},
      {"", {2}, "OCRPAGES=1", true},  // the default: pages without a text layer
      {"PagesWithoutText", {}, "OCRPAGES=2", false},
      {"AllPages", {2}, "OCRPAGES=2", false},
  };
  TTempFolder scans;
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.mode);
    TEngineHarness engine;
    WriteScannedCopy(SampleFolder() / "ms_quant_report.pdf", engine.Native("scan.pdf"), c.scanned);
    std::vector<std::string> request = {"PDFFILE=C:\\PDF\\scan.pdf", "PDFACTION=EXTRACT"};
    if (*c.mode != '\0') request.push_back(std::string("PDFOCR=") + c.mode);
    const auto answer = engine.Run(request);
    ASSERT_EQ(answer.status, "OK") << answer.message;
    const auto keys = AnswerKeys(engine.ReadExchange("PDFRES.TXT"));
    const std::string text1 = engine.ReadExchange("PDF1.TXT");
    if (c.ocrPages.empty()) {
      EXPECT_TRUE(keys.empty());
      EXPECT_EQ(text1, "") << "without OCR a scanned report has no text, as before";
      continue;
    }
    ASSERT_FALSE(keys.empty());
    EXPECT_EQ(keys[0], c.ocrPages);
    const std::string page1 = platform::Utf8ToCp1252(PopplerText(SampleFolder() / "ms_quant_report.pdf"));
    const std::string firstLine = page1.substr(0, page1.find('\n'));
    EXPECT_EQ(text1.starts_with(firstLine + "\r\n"), c.page1AsTextLayer) << text1.substr(0, 200);
    EXPECT_NE(text1.find("WW-2010-1234"), std::string::npos);
  }
}

TEST(Ocr, WhatOcrCannotDoIsAClearAnswerAndNoText) {
  struct TCase {
    std::string key;
    bool unreadable;
    const char* says;
  };
  const TCase cases[] = {
      // Language data that is not installed: the report cannot be read here, and goes to FAILED.
      {"PDFOCRLANG=zzz", true, "OCR language data for zzz is missing"},
      {"PDFOCRLANG=eng+qqq", true, "tesseract-ocr-qqq"},
      // Values no caller of ours sends: a language names files, so no path gets through.
      {"PDFOCRLANG=../../etc/x", false, "PDFOCRLANG=../../etc/x is not a list of Tesseract language codes"},
      {"PDFOCR=Sometimes", false, "PDFOCR=Sometimes is none of Off, PagesWithoutText, AllPages"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.key);
    TEngineHarness engine;
    const std::string path = engine.AddSample("image_only_report.pdf");
    WriteFile(engine.AppFolder() / "PDF1.TXT", "old text\r\n");
    const auto answer = engine.Run({"PDFFILE=" + path, "PDFACTION=EXTRACT", c.key});
    EXPECT_EQ(answer.status, "Error");
    EXPECT_EQ(answer.message.starts_with("Unreadable: "), c.unreadable) << answer.message;
    EXPECT_NE(answer.message.find(c.says), std::string::npos) << answer.message;
    EXPECT_EQ(engine.ReadExchange("PDF1.TXT"), "");
    EXPECT_TRUE(std::filesystem::exists(engine.Native("image_only_report.pdf")));
  }
}

// The engine's time limit holds while Tesseract reads: forty scanned pages take far longer than a second.
TEST(Ocr, ReadingIsBoundedByTheRequestsTimeLimit) {
  TEngineHarness engine;
  WriteScannedCopy(SampleFolder() / "gc_run_report.pdf", engine.Native("long.pdf"), {}, 150, 40);
  const auto answer = engine.Run({"PDFFILE=C:\\PDF\\long.pdf", "PDFACTION=EXTRACT", "PDFSECONDS=1"});
  EXPECT_EQ(answer.status, "Error");
  EXPECT_NE(answer.message.find("Unreadable: The PDF engine gave up reading the file after 1 second"),
            std::string::npos)
      << answer.message;
  EXPECT_EQ(engine.ReadExchange("PDF1.TXT"), "");
}

TEST(Ocr, TheRenderedPageStaysWithinItsPixelBudget) {
  struct TCase {
    double width, height;  // points
    double dpi;            // expected, 0: any that keeps the bounds
  };
  const TCase cases[] = {{612, 792, 300}, {595, 842, 300}, {14400, 14400, 0}, {72, 720000, 0}, {0, 0, 300}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
    const double dpi = engine::OcrResolution(c.width, c.height);
    if (c.dpi > 0) {
      EXPECT_DOUBLE_EQ(dpi, c.dpi);
    }
    EXPECT_LE(c.width / 72 * dpi * c.height / 72 * dpi, engine::kOcrMaxPixels * 1.0001);
    EXPECT_LE(std::max(c.width, c.height) / 72 * dpi, engine::kOcrMaxSide * 1.0001);
  }
}

TEST(Ocr, WordsAreLaidOutInColumnsAndPhrasesStayOneSpaceApart) {
  // Boxes of 10-pixel characters: a label, its value far right on the same line (a little higher), a
  // title in letters twice as wide, two lines at the page's spacing and one after a gap of two lines.
  const std::vector<engine::TOcrWord> words = {
      {"Sample", 0, 100, 60, 120, 90},   {"Name:", 70, 100, 120, 120, 90}, {"X-1", 130, 102, 160, 122, 90},
      {"Seq.", 400, 98, 440, 118, 80},   {"Line", 450, 98, 490, 118, 80},  {"Big", 40, 125, 100, 155, 70},
      {"Title", 125, 125, 225, 155, 70}, {"abc", 0, 160, 30, 180, 50},     {"end", 0, 250, 30, 270, 60},
  };
  const auto page = engine::LayOutWords(words);
  const std::vector<std::string> layout = {
      "Sample Name: X-1" + std::string(24, ' ') + "Seq. Line", "    Big Title", "abc", "", "", "end"};
  EXPECT_EQ(page.layout, layout);
  EXPECT_EQ(page.raw, (std::vector<std::string>{"Sample Name: X-1 Seq. Line", "Big Title", "abc", "end"}));
  EXPECT_EQ(page.words, 9);
  EXPECT_DOUBLE_EQ(page.confidenceSum, 680);
}

}  // namespace
}  // namespace varnholt::test
