// uEngineRequest.cpp — reading the request keys and writing the engine's answer.
#include "engine/uEngineRequest.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

TEngineRequest ReadRequestFile(const std::filesystem::path& workFolder) {
  const auto requestFile = workFolder / kRequestFileName;
  if (!platform::FileExists(requestFile)) {
    throw EEngineError(std::string("There is no request: ") + kRequestFileName +
                       " is missing in the application folder");
  }
  std::vector<std::string> lines;
  const auto status = platform::ReadTextLines(requestFile, lines);
  if (!status) throw EEngineError(std::string("Cannot read ") + kRequestFileName + ": " + status.Message());
  return TEngineRequest::Parse(lines);
}

std::vector<std::string> ResultLines(const TEngineResult& result) {
  std::string message = result.message;
  for (char& c : message) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  if (result.unreadable) message = kUnreadablePrefix + message;
  std::vector<std::string> lines = {result.ok ? "OK" : "Error", message};
  for (const std::string& key : result.keys) {
    if (!platform::HasLineBreakOrNul(key)) lines.push_back(key);
  }
  return lines;
}

platform::TStatus WriteExchangeFile(const std::filesystem::path& path,
                                    const std::vector<std::string>& lines) {
  auto temporary = path;
  temporary += ".tmp" + std::to_string(getpid());
  const std::string bytes = platform::JoinLinesCrLf(lines);
  {
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    bool written = fd >= 0 && ::fchmod(fd, 0600) == 0;
    for (std::size_t done = 0; written && done < bytes.size();) {
      const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
      written = n > 0;
      if (written) done += static_cast<std::size_t>(n);
    }
    if (fd >= 0 && ::close(fd) != 0) written = false;
    if (!written) {
      std::error_code ec;
      std::filesystem::remove(temporary, ec);
      return platform::TStatus::Fail("Cannot write " + path.filename().string());
    }
  }
  std::error_code ec;
  std::filesystem::rename(temporary, path, ec);
  if (ec) {
    std::filesystem::remove(temporary, ec);
    return platform::TStatus::Fail("Cannot write " + path.filename().string() + ": " + ec.message());
  }
  return platform::TStatus::Ok();
}

platform::TStatus WriteResult(const std::filesystem::path& workFolder, const TEngineResult& result) {
  return WriteExchangeFile(workFolder / kResultFileName, ResultLines(result));
}

}  // namespace varnholt::engine
