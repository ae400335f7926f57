// uEngineRequest.cpp — reading the request keys and writing the engine's answer.
#include "engine/uEngineRequest.h"

#include "platform/CodePage.h"
#include "platform/Files.h"

namespace varnholt::engine {

TEngineRequest TEngineRequest::Parse(const std::vector<std::string>& lines) {
  TEngineRequest request;
  for (const std::string& line : lines) {
    const auto eq = line.find('=');
    if (eq == std::string::npos) continue;
    request.values_[platform::UpperCase(line.substr(0, eq))] = line.substr(eq + 1);
  }
  return request;
}

bool TEngineRequest::Has(std::string_view key) const {
  return values_.count(platform::UpperCase(key)) != 0;
}

std::optional<std::string> TEngineRequest::Find(std::string_view key) const {
  const auto it = values_.find(platform::UpperCase(key));
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

std::string TEngineRequest::Require(std::string_view key) const {
  auto value = Find(key);
  if (!value) {
    throw EEngineError("The request has no key " + std::string(key) + "=; the calling program must send it");
  }
  return *value;
}

std::string TEngineRequest::Action() const {
  return platform::UpperCase(Find("PDFACTION").value_or(""));
}

std::vector<std::string> ResultLines(const TEngineResult& result) {
  std::string message = result.message;
  for (char& c : message) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return {result.ok ? "OK" : "Error", message};
}

platform::TStatus WriteResult(const std::filesystem::path& workFolder, const TEngineResult& result) {
  return platform::WriteTextLines(workFolder / kResultFileName, ResultLines(result));
}

}  // namespace varnholt::engine
