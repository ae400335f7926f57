// BenchFolder.h — a temporary folder of its own for one benchmark, removed with everything in it.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

namespace varnholt::bench {

class TBenchFolder {
 public:
  TBenchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "varnholt-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("no temporary folder");
    path_ = pattern;
  }
  ~TBenchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TBenchFolder(const TBenchFolder&) = delete;
  TBenchFolder& operator=(const TBenchFolder&) = delete;
  const std::filesystem::path& Path() const { return path_; }
  std::filesystem::path operator/(const char* name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

}  // namespace varnholt::bench
