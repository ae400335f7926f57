// uEngineGuards.h — keeps the promise of the engine programs that every request gets an answer: a watchdog
// ends a request that runs too long (a damaged file must not stall the queue), and a crash inside a PDF
// library still writes an "Error" answer to PDFRES.TXT.
#pragma once

#include <chrono>
#include <filesystem>

namespace varnholt::engine {

// Long enough for a report of hundreds of pages, short enough that a looping file does not stall the queue.
inline constexpr std::chrono::seconds kDefaultWatchdog{300};

// Installs the watchdog (the request ends with an "Error" answer after `watchdog`) and the crash handlers
// (a crash ends it with an "Error" answer) for requests answered in workFolder.
// A watchdog that ends during EXTRACT answers with kUnreadablePrefix: the file took too long to read.
void InstallEngineGuards(const std::filesystem::path& workFolder, std::chrono::seconds watchdog = kDefaultWatchdog);

// Restarts the watchdog with another time, counted from now: the caller's limit from the request.
void SetWatchdog(std::chrono::seconds watchdog);

}  // namespace varnholt::engine
