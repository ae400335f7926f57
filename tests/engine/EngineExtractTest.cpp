// EngineExtractTest.cpp — EXTRACT on every sample report: the labelled values a script looks for are in
// both texts, on the lines where a person sees them, in code page 1252 with CR LF lines.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/stat.h>

#include <fstream>

#include "platform/CodePage.h"
#include "tests/engine/EngineHarness.h"

namespace varnholt::test {
namespace {

nlohmann::json ExpectedReports() {
  std::ifstream in(SampleFolder() / "expected.json");
  return nlohmann::json::parse(in);
}

// The sample texts were made with pdftotext: pages end in form feeds. Ours separates pages by one
// empty line; this turns the sample text into that form (1252, no trailing empty lines per page).
std::vector<std::string> PagesJoinedByEmptyLine(const std::string& utf8) {
  std::vector<std::string> out;
  std::string text = platform::Utf8ToCp1252(utf8);
  std::size_t start = 0;
  while (start < text.size()) {
    auto end = text.find('\f', start);
    if (end == std::string::npos) end = text.size();
    std::vector<std::string> page;
    std::size_t lineStart = start;
    while (lineStart < end) {
      auto lineEnd = text.find('\n', lineStart);
      if (lineEnd == std::string::npos || lineEnd > end) lineEnd = end;
      page.push_back(text.substr(lineStart, lineEnd - lineStart));
      lineStart = lineEnd + 1;
    }
    while (!page.empty() && page.back().empty()) page.pop_back();
    while (!page.empty() && page.front().empty()) page.erase(page.begin());
    if (!page.empty()) {
      if (!out.empty()) out.emplace_back();
      out.insert(out.end(), page.begin(), page.end());
    }
    start = end + 1;
  }
  return out;
}

class ExtractSamples : public testing::TestWithParam<std::string> {};

TEST_P(ExtractSamples, GivesTheLabelledValuesInBothTexts) {
  const auto reports = ExpectedReports();
  const nlohmann::json* report = nullptr;
  for (const auto& file : reports["files"]) {
    if (file["file"] == GetParam()) report = &file;
  }
  ASSERT_NE(report, nullptr);
  TEngineHarness engine;
  const std::string path = engine.AddSample(GetParam());
  std::string user;
  if ((*report)["password"].is_object()) user = (*report)["password"]["user"];

  const auto answer = engine.Run({"PDFFILE=" + path, "PDFACTION=EXTRACT", "PDFOWNER=", "PDFUSER=" + user});
  ASSERT_EQ(answer.status, "OK") << answer.message;
  EXPECT_EQ(answer.exitCode, 0);

  const std::string base = GetParam().substr(0, GetParam().size() - 4);
  for (const auto& [mode, exchange] : {std::pair{"layout", "PDF1.TXT"}, std::pair{"raw", "PDF2.TXT"}}) {
    SCOPED_TRACE(mode);
    const std::string bytes = engine.ReadExchange(exchange);
    const auto lines = CrLfLines(bytes);
    // Every line ends with CR LF; no bare LF and no form feed is left inside.
    EXPECT_TRUE(bytes.empty() || bytes.ends_with("\r\n"));
    EXPECT_EQ(CountOf(bytes, "\n"), CountOf(bytes, "\r\n"));
    EXPECT_EQ(bytes.find('\f'), std::string::npos);
    EXPECT_EQ(lines, PagesJoinedByEmptyLine(ReadFile(SampleFolder() / (base + "." + mode + ".txt"))));

    for (const auto& [key, found] : (*report)["value_lines"][mode].items()) {
      const std::string value = platform::Utf8ToCp1252(found["as_extracted"].get<std::string>());
      bool onItsLine = false;
      for (const auto& expectedLine : found["lines"]) {
        std::string line = platform::Utf8ToCp1252(expectedLine.get<std::string>());
        std::erase(line, '\f');
        for (const auto& ours : lines)
          onItsLine = onItsLine || (ours == line && ours.find(value) != std::string::npos);
      }
      EXPECT_TRUE(onItsLine) << key << " = " << value;
    }
  }
}

// The reports with a text layer; the scanned one is read by OCR (EngineOcrTest.cpp).
std::vector<std::string> TextReports() {
  std::vector<std::string> names;
  const auto reports = ExpectedReports();
  for (const auto& file : reports["files"]) {
    if (file["pages"].is_number() && file["kind"] != "image-only") names.push_back(file["file"]);
  }
  return names;
}

INSTANTIATE_TEST_SUITE_P(Reports, ExtractSamples, testing::ValuesIn(TextReports()), [](const auto& info) {
  std::string name = info.param.substr(0, info.param.size() - 4);
  for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return name;
});

TEST(Extract, AccentedTextArrivesInCodePage1252) {
  TEngineHarness engine;
  const auto answer =
      engine.Run({"PDFFILE=" + engine.AddSample("gc_accented_operator.pdf"), "PDFACTION=EXTRACT"});
  ASSERT_EQ(answer.status, "OK") << answer.message;
  const std::string text1 = engine.ReadExchange("PDF1.TXT");
  EXPECT_NE(text1.find("Fran\xE7oise M\xFCller"), std::string::npos);
  EXPECT_NE(text1.find("\xB5l"), std::string::npos);
}

TEST(Extract, EncryptedFileOpensWithTheOwnerPasswordToo) {
  TEngineHarness engine;
  const auto answer = engine.Run({"PDFFILE=" + engine.AddSample("ms_quant_report_encrypted.pdf"),
                                  "PDFACTION=EXTRACT", "PDFOWNER=owner1", "PDFUSER=x"});
  ASSERT_EQ(answer.status, "OK") << answer.message;
  EXPECT_NE(engine.ReadExchange("PDF2.TXT").find("WW-2010-1234"), std::string::npos);
}

TEST(Extract, FailureLeavesBothTextFilesEmpty) {
  TEngineHarness engine;
  // Texts of an earlier file must not survive into the answer for this one.
  WriteFile(engine.AppFolder() / "PDF1.TXT", "old text\r\n");
  WriteFile(engine.AppFolder() / "PDF2.TXT", "old text\r\n");
  const auto answer = engine.Run({"PDFFILE=" + engine.AddSample("ms_quant_report_encrypted_aes256.pdf"),
                                  "PDFACTION=EXTRACT", "PDFOWNER=", "PDFUSER=wrong"});
  EXPECT_EQ(answer.status, "Error");
  EXPECT_NE(answer.message.find("password"), std::string::npos) << answer.message;
  EXPECT_TRUE(std::filesystem::exists(engine.AppFolder() / "PDF1.TXT"));
  EXPECT_EQ(engine.ReadExchange("PDF1.TXT"), "");
  EXPECT_EQ(engine.ReadExchange("PDF2.TXT"), "");
}

TEST(Extract, PathsResolveWithoutRegardToCase) {
  TEngineHarness engine;
  engine.AddSample("gc_run_report.pdf");
  const auto answer = engine.Run({"PDFFILE=c:\\pdf\\GC_RUN_REPORT.PDF", "pdfaction=extract"});
  EXPECT_EQ(answer.status, "OK") << answer.message;
}

TEST(Extract, AFileThatCannotBeReadIsAnsweredUnreadableWithItsReason) {
  struct TCase {
    const char* sample;
    std::vector<std::string> keys;
    const char* reason;
  };
  const TCase cases[] = {
      {"ms_quant_report_truncated.pdf", {}, "is damaged"},
      {"empty.pdf", {}, "is empty"},
      {"not_a_pdf.pdf", {}, "not a PDF"},
      {"ms_quant_report_encrypted.pdf", {"PDFUSER=wrong"}, "password"},
      {"lc_report_5pages.pdf",
       {"PDFTEXTBYTES=600"},
       "longer than the limit of 600 bytes (/Limits/TextBytes)"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.sample);
    TEngineHarness engine;
    std::vector<std::string> request = {"PDFFILE=" + engine.AddSample(c.sample), "PDFACTION=EXTRACT"};
    request.insert(request.end(), c.keys.begin(), c.keys.end());
    const auto answer = engine.Run(request);
    EXPECT_EQ(answer.status, "Error");
    EXPECT_TRUE(answer.message.starts_with("Unreadable: ")) << answer.message;
    EXPECT_NE(answer.message.find(c.reason), std::string::npos) << answer.message;
    EXPECT_EQ(engine.ReadExchange("PDF1.TXT"), "");
  }
  // Errors that are not the file's own stay plain errors.
  TEngineHarness engine;
  const auto missing = engine.Run({"PDFFILE=C:\\PDF\\gone.pdf", "PDFACTION=EXTRACT"});
  EXPECT_EQ(missing.status, "Error");
  EXPECT_FALSE(missing.message.starts_with("Unreadable")) << missing.message;
}

TEST(Extract, WritesItsFilesForTheOwnerOnly) {
  TEngineHarness engine;
  const auto answer = engine.Run({"PDFFILE=" + engine.AddSample("gc_run_report.pdf"), "PDFACTION=EXTRACT"});
  ASSERT_EQ(answer.status, "OK") << answer.message;
  for (const char* name : {"PDF1.TXT", "PDF2.TXT", "PDFRES.TXT"}) {
    struct stat st {};
    ASSERT_EQ(stat((engine.AppFolder() / name).c_str(), &st), 0) << name;
    EXPECT_EQ(st.st_mode & 0777, 0600u) << name;
  }
}

}  // namespace
}  // namespace varnholt::test
