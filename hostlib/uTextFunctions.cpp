// uTextFunctions.cpp — the text routines that action scripts use to cut values out of PDF text.
#include "hostlib/uTextFunctions.h"

namespace varnholt {

std::string_view TrimmedView(std::string_view text) {
  while (!text.empty() && IsTrimChar(text.back())) text.remove_suffix(1);
  while (!text.empty() && IsTrimChar(text.front())) text.remove_prefix(1);
  return text;
}

std::string TrimAll(TLogger& log, std::string_view text) {
  log.WriteProc("Varnholt", "TrimAll");
  return std::string(TrimmedView(text));
}

}  // namespace varnholt
