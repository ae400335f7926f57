// uPdfFiles.h — the PDF files of a request: resolving their Windows paths, checking that they look like
// PDFs, and the passwords to open them with. No PDF library here, so the text half of the engine stays
// free of qpdf.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "engine/uEngineRequest.h"
#include "platform/DriveMap.h"

namespace varnholt::engine {

// One request being carried out: its keys, the working folder and the drive map.
struct TEngineContext {
  const TEngineRequest& request;
  std::filesystem::path workFolder;
  const platform::TDriveMap& driveMap;
};

// A PDF named by the request: the Windows path as sent (for messages) and where it lies here.
struct TPdfFile {
  std::string windowsPath;
  std::filesystem::path nativePath;
};

// The file value of a key, resolved; throws EEngineError when the key is missing or empty, the path
// cannot be resolved, the file does not exist or is a folder; EUnreadableFile when it is empty or does
// not start like a PDF.
TPdfFile RequirePdfFile(const TEngineContext& context, std::string_view key);

// The passwords to try, in order: the owner and the user password of the request, each as sent
// (code page 1252, what PDF revisions up to 4 expect) and in UTF-8 (what AES-256 expects), then the
// empty password.
std::vector<std::string> PasswordCandidates(const TEngineRequest& request);

// The message for an encrypted file that none of the passwords opens.
std::string WrongPasswordMessage(const TPdfFile& file);

// "1 page" / "5 pages".
std::string PageCountText(int pages);

}  // namespace varnholt::engine
