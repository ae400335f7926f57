// uStandardScript.cpp — the factory action script.
#include "core/uStandardScript.h"

namespace varnholt {

const std::vector<std::string>& StandardScript() {
  static const std::vector<std::string> kLines = {
      "SampleName := ''",
      "",
      "//MS",
      "if PDFContains('Quantitation Report') then begin",
      "  SampleName := PDFBetween('Sample',NewLine)",
      "  SampleName := Left(After(SampleName,':'),16)",
      "end",
      "",
      "//GCLC",
      "if PDFContains('Acq. Operator') then begin",
      "  SampleName := PDFBetween('Sample Name',NewLine)",
      "  SampleName := Left(After(SampleName,':'),16)",
      "end",
      "",
      "Log('SampleName',SampleName)",
      "",
      "//PDF Destination",
      "if SampleName<>'' then begin",
      "  Destination := 'C:\\PDFSTORE\\'+SampleName+'.PDF'",
      "end else begin",
      "  Destination := FailedFolder + PDFName",
      "  LogErr('Unrecognized',Destination)",
      "end",
      "",
      "//Only in automatic mode",
      "if IsAutomatic then begin",
      "  PDFMoveTo(Destination)",
      "end",
  };
  return kLines;
}

bool IsBlankScript(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) {
    for (char c : line) {
      if (static_cast<unsigned char>(c) > ' ') return false;
    }
  }
  return true;
}

}  // namespace varnholt
