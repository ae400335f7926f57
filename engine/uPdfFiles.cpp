// uPdfFiles.cpp — resolving and checking the PDF files of a request.
#include "engine/uPdfFiles.h"

#include <fstream>

#include "platform/CodePage.h"
#include "platform/Files.h"

namespace varnholt::engine {

namespace {

// A PDF may carry some bytes before its header; readers look within the first kilobyte.
constexpr std::size_t kHeaderSearchBytes = 1024;

std::string ReadHead(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::string head(kHeaderSearchBytes, '\0');
  in.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<std::size_t>(in.gcount()));
  return head;
}

}  // namespace

std::string PageCountText(int pages) {
  return std::to_string(pages) + (pages == 1 ? " page" : " pages");
}

std::string WrongPasswordMessage(const TPdfFile& file) {
  return "The PDF " + file.windowsPath +
         " is encrypted and neither the owner nor the user password of the settings opens it";
}

TPdfFile RequirePdfFile(const TEngineContext& context, std::string_view key) {
  TPdfFile file;
  file.windowsPath = context.request.Require(key);
  if (file.windowsPath.empty()) {
    throw EEngineError("The request names no file in " + std::string(key) + "=");
  }
  std::string error;
  const auto native = context.driveMap.TryResolve(file.windowsPath, &error);
  if (!native) throw EEngineError("Cannot find " + file.windowsPath + ": " + error);
  file.nativePath = *native;
  if (!platform::FileExists(file.nativePath)) {
    if (platform::DirectoryExists(file.nativePath)) {
      throw EEngineError("Not a file: " + file.windowsPath + " is a folder");
    }
    throw EEngineError("File not found: " + file.windowsPath);
  }
  const std::string head = ReadHead(file.nativePath);
  if (head.empty()) throw EUnreadableFile("The file " + file.windowsPath + " is empty, it is not a PDF");
  if (head.find("%PDF-") == std::string::npos) {
    throw EUnreadableFile("The file " + file.windowsPath + " is not a PDF (it has no PDF header)");
  }
  return file;
}

std::vector<std::string> PasswordCandidates(const TEngineRequest& request) {
  std::vector<std::string> candidates;
  auto add = [&candidates](const std::string& password) {
    if (password.empty()) return;
    for (const std::string& known : candidates) {
      if (known == password) return;
    }
    candidates.push_back(password);
  };
  const std::string owner = request.Find("PDFOWNER").value_or("");
  const std::string user = request.Find("PDFUSER").value_or("");
  add(owner);
  add(user);
  add(platform::Cp1252ToUtf8(owner));
  add(platform::Cp1252ToUtf8(user));
  // Without any password a file encrypted with an empty user password still opens.
  candidates.push_back("");
  return candidates;
}

}  // namespace varnholt::engine
