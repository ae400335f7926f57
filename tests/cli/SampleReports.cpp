// SampleReports.cpp — the sample reports' expected places, from the samples' own description.
#include "tests/cli/SampleReports.h"

#include <nlohmann/json.hpp>

#include "tests/support/TempFolder.h"

namespace varnholt::test {

std::vector<TSampleReport> SampleReports() {
  const auto expected = nlohmann::json::parse(ReadFile(TestDataFolder() / "engine/reports/expected.json"));
  std::vector<TSampleReport> reports;
  for (const auto& file : expected["files"]) {
    TSampleReport report;
    report.file = file["file"];
    // Encrypted reports need the site's password: without it the engine refuses them.
    report.engineFails = file["password"].is_object() || file["standard_script"].empty();
    // The scanned report has no text layer: the engine reads it by OCR, and the standard script finds its
    // sample name (the description's standard script, run on no text, sends it to FAILED).
    const bool scanned = file["kind"] == "image-only";
    const bool recognised =
        !report.engineFails && (scanned || file["standard_script"]["layout"]["branch"].is_string());
    std::string target = "PDF/FAILED/" + report.file;
    if (recognised) {
      std::string sample =
          scanned ? file["values"]["sample_name"] : file["standard_script"]["layout"]["sample_name"];
      for (char& c : sample) {
        if (std::string("/?:*\"<>|").find(c) != std::string::npos) c = '_';
        if (c == '\\') c = '/';  // a backslash in a sample name makes a folder
      }
      target = "PDFSTORE/" + sample + ".PDF";
    }
    report.target = std::filesystem::path(reinterpret_cast<const char8_t*>(target.c_str()));
    reports.push_back(std::move(report));
  }
  return reports;
}

}  // namespace varnholt::test
