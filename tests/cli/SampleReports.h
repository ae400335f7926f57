// SampleReports.h — the sample reports and where the standard script files each of them.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace varnholt::test {

struct TSampleReport {
  std::string file;  // name in tests/data/engine/reports
  // Where the standard script in Automatic mode leaves it, relative to drive C (a UTF-8 path).
  std::filesystem::path target;
  // The engine cannot read it (broken, or encrypted with a password this folder does not have).
  bool engineFails = false;
};

std::vector<TSampleReport> SampleReports();

}  // namespace varnholt::test
