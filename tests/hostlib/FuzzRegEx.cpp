// FuzzRegEx.cpp — random expressions and texts ("expression NUL text") through the pattern routines and
// the label routines: every input ends in a result or an Err record, never a failure. The seeds hold no
// backtracking pattern: each mutation of one would spend the whole step budget, and the unit tests cover it.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "hostlib/uRegExFunctions.h"
#include "hostlib/uTextFunctions.h"

namespace {

// A logger in memory only: the fuzz writes thousands of records, and a file would only slow it down.
class TFuzzLog {
 public:
  TFuzzLog() : log_(std::make_unique<varnholt::TLogger>(std::filesystem::path(), false, 100, 0xFF)) {
    log_->SetEnabled(true);
  }
  varnholt::TLogger& Get() { return *log_; }

 private:
  std::unique_ptr<varnholt::TLogger> log_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace varnholt;
  static TFuzzLog fuzzLog;
  TLogger& log = fuzzLog.Get();
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = input.find('\0');
  const std::string_view regExp = input.substr(0, split);
  const std::string_view text =
      split == std::string_view::npos ? "Sample Name: A1\r\nVial: 2." : input.substr(split + 1);

  const bool matched = REMatch(log, text, regExp);
  const std::string found = REFind(log, text, regExp, 0);
  const std::string replaced = REReplace(log, text, regExp, "-");
  // A match that is found must be there when matching says so; the reverse needs no error in between.
  if (!found.empty() && !matched) std::abort();
  if (replaced.size() > (text.size() + 1) * 2) std::abort();

  // The expression as a label and a delimiter.
  (void)Between(log, text, regExp, "\n");
  (void)AfterN(log, text, regExp, 3);
  (void)Token(log, text, regExp, -2);
  (void)Tokens(log, text, regExp, -2);
  (void)TextReplace(text, regExp, "x");
  return 0;
}
