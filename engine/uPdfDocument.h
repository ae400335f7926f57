// uPdfDocument.h — what every action of the engine needs: the PDF files of a request, opening them with
// the request's passwords, and putting a changed document safely in place of the original.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/uEngineRequest.h"
#include "platform/DriveMap.h"

class QPDF;
class QPDFWriter;

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
// cannot be resolved, the file does not exist, or it does not start like a PDF.
TPdfFile RequirePdfFile(const TEngineContext& context, std::string_view key);

// The passwords to try, in order: the owner and the user password of the request, each as sent
// (code page 1252, what PDF revisions up to 4 expect) and in UTF-8 (what AES-256 expects). An empty
// password is tried once, when the request holds no password at all.
std::vector<std::string> PasswordCandidates(const TEngineRequest& request);

// Opens a PDF with qpdf. Throws EEngineError with a message naming the file for a wrong password and
// for a damaged file; recoverable damage counts as damage, because a repaired copy could lose content.
std::unique_ptr<QPDF> OpenPdf(const TPdfFile& file, const std::vector<std::string>& passwords);

// Writes the document (configure may set encryption), reopens the result to check it has the expected
// number of pages, and replaces the file atomically. Throws EEngineError; the original stays untouched.
void SavePdf(QPDF& pdf, const TPdfFile& file, int expectedPages,
             const std::vector<std::string>& checkPasswords,
             const std::function<void(QPDFWriter&)>& configure = {});

// The error text of an exception thrown by qpdf, without the file name qpdf puts in front.
std::string QpdfMessage(const std::exception& e);

// "1 page" / "5 pages".
std::string PageCountText(int pages);

}  // namespace varnholt::engine
