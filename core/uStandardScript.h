// uStandardScript.h — the action script a new installation starts with: it files MS quantitation reports
// and GC/LC run reports under their sample names in C:\PDFSTORE and sends every other report to FAILED.
#pragma once

#include <string>
#include <vector>

namespace varnholt {

// The standard script, one entry a line.
const std::vector<std::string>& StandardScript();

// True when a script holds nothing but spaces and control characters (a new installation, an empty file).
bool IsBlankScript(const std::vector<std::string>& lines);

}  // namespace varnholt
