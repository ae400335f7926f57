// uEngineGuards.h — keeps the promise of the engine programs that every request gets an answer: a watchdog
// ends a request that runs too long (a damaged file must not stall the queue), and a crash inside a PDF
// library still writes an "Error" answer to PDFRES.TXT.
#pragma once

#include <filesystem>

namespace varnholt::engine {

void InstallEngineGuards(const std::filesystem::path& workFolder);

}  // namespace varnholt::engine
