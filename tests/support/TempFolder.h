// TempFolder.h — a temporary folder for one test (removed afterwards), and an application folder in it.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace varnholt::test {

class TTempFolder {
 public:
  TTempFolder();
  ~TTempFolder();
  TTempFolder(const TTempFolder&) = delete;
  TTempFolder& operator=(const TTempFolder&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// Writes bytes to a file, creating its folder.
void WriteFile(const std::filesystem::path& path, std::string_view bytes);
// Reads a whole file; empty when it is missing.
std::string ReadFile(const std::filesystem::path& path);

// The folder of the repository's test data (tests/data).
std::filesystem::path TestDataFolder();

}  // namespace varnholt::test
