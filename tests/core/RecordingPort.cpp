// RecordingPort.cpp — the core test bed.
#include "tests/core/RecordingPort.h"

#include <sys/stat.h>

namespace varnholt::test {

std::vector<std::string> RecordsSince(const TLogger& logger, int first) {
  std::vector<std::string> records;
  for (int i = first; i < logger.Count(); ++i) {
    std::string line = logger.Line(i);
    // Drop date and time; the rest joined with '|'.
    for (int skip = 0; skip < 2; ++skip) line.erase(0, line.find('\t') + 1);
    for (char& c : line) c = c == '\t' ? '|' : c;
    records.push_back(line);
  }
  return records;
}

TCoreBed::TCoreBed() {
  constexpr TLogTypes kAll = 0xFF;
  logger = std::make_unique<TLogger>(temp / "Varnholt.LOG", false, 10000, kAll,
                                     [] { return platform::TLocalTime{2010, 12, 25, 14, 30, 0, 0}; });
  core = std::make_unique<TVarnholtCore>(temp.Path(), port, *logger);
  std::filesystem::create_directories(temp / "drives/c/PDF");
  Mark();
}

void TCoreBed::FakeEngine(const std::string& script) {
  WriteFile(temp / "PDF.EXE", "#!/bin/sh\n" + script + "\n");
  chmod((temp / "PDF.EXE").c_str(), 0755);
}

void TCoreBed::RealEngine() {
  for (const char* program : {"PDF.EXE", "PDFEDIT.EXE"}) {
    std::filesystem::copy_file(std::filesystem::path(VARNHOLT_APP_DIR) / program, temp / program,
                               std::filesystem::copy_options::overwrite_existing);
  }
}

}  // namespace varnholt::test
