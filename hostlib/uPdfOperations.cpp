// uPdfOperations.cpp — engine requests for protecting, stamping, repaginating, covering, trimming and
// appending PDF files.
#include "hostlib/uPdfOperations.h"

#include <string>
#include <vector>

#include "hostlib/uDestinationNames.h"
#include "hostlib/uHostErrors.h"
#include "hostlib/uTextFunctions.h"
#include "platform/CodePage.h"
#include "platform/Files.h"

namespace varnholt {

// A value of a request key must stay on its line of PDFENV.TXT: a line break there would end the value
// and make the rest a key of its own (a watermark text that deletes pages). NUL is refused as well.
void RequireOneLine(const char* routine, const char* what, const std::string& value) {
  if (!platform::HasLineBreakOrNul(value)) return;
  throw EHostError(std::string(routine) + ": the " + what +
                   " holds a line break or NUL; a value sent to the PDF engine must be one line");
}

namespace {

constexpr const char* kObject = "Varnholt";

// The shared steps of the four simple requests: a missing file is only noted, anything else goes to the
// engine under the busy cursor.
bool FileThere(THostContext& host, const std::string& file, const char* proc) {
  if (host.Files().FileExists(file)) return true;
  host.Log().WriteEntry(ltMsg, kObject, proc, "Missing file");
  return false;
}

}  // namespace

void Protect(THostContext& host, std::string_view fileName) {
  const std::string file = TrimAll(host.Log(), fileName);
  RequireOneLine("Protect", "file name", file);
  if (!FileThere(host, file, "Protect")) return;
  THostBusy busy(host);
  host.RunEngineRequest({"PDFFILE=" + file}, "PROTECT");
}

void WaterMarkPages(THostContext& host, std::string_view fileName, std::string_view identifier,
                    std::string_view text) {
  TLogger& log = host.Log();
  const std::string file = TrimAll(log, fileName);
  const std::string id = TrimAll(log, identifier);
  const std::string mark = TrimAll(log, text);
  RequireOneLine("WaterMarkPages", "file name", file);
  RequireOneLine("WaterMarkPages", "identifier", id);
  RequireOneLine("WaterMarkPages", "watermark text", mark);
  if (!FileThere(host, file, "WaterMarkText")) return;
  THostBusy busy(host);
  host.RunEngineRequest({"WMIDENTIFIER=" + id, "WMTEXT=" + mark, "PDFFILE=" + file}, "WATERMARK");
}

void Repaginate(THostContext& host, std::string_view fileName, std::int32_t xOffset, std::int32_t yOffset) {
  const std::string file = TrimAll(host.Log(), fileName);
  RequireOneLine("Repaginate", "file name", file);
  if (!FileThere(host, file, "Repaginate")) return;
  THostBusy busy(host);
  host.RunEngineRequest(
      {"XOFFSET=" + std::to_string(xOffset), "YOFFSET=" + std::to_string(yOffset), "PDFFILE=" + file},
      "REPAGINATE");
}

void CoverPage(THostContext& host, std::string_view fileName, std::string_view header, std::string_view text) {
  TLogger& log = host.Log();
  const std::string file = TrimAll(log, fileName);
  const std::string title = TrimAll(log, header);
  const std::string cover = TrimAll(log, text);
  // The cover text itself may have many lines: it goes to TEMPCP.TXT, one line per line.
  RequireOneLine("CoverPage", "file name", file);
  RequireOneLine("CoverPage", "title", title);
  if (!FileThere(host, file, "InsertCoverPage")) return;
  THostBusy busy(host);
  const auto coverFile = host.ApplicationFolder() / "TEMPCP.TXT";
  host.RunEngineRequest({"PDFTITLE=" + title, "PDFFILE=" + file}, "COVERPAGE", [&] {
    if (const platform::TStatus written = platform::WriteTextLines(coverFile, platform::SplitLines(cover),
                                                                       platform::TFileAccess::kOwnerOnly);
        !written) {
      throw EHostError("Cannot write the cover page text TEMPCP.TXT: " + written.Message());
    }
  });
}

void DeletePages(THostContext& host, std::string_view fileName, std::int32_t startPage, std::int32_t endPage) {
  TLogger& log = host.Log();
  log.WriteProc(kObject, "PDFDeletePages");
  const std::string file(fileName);
  RequireOneLine("DeletePages", "file name", file);
  if (!host.Files().FileExists(file)) {
    log.WriteEntry(ltErr, kObject, "PDFDeletePages", "Missing File", file);
    return;
  }
  // The range goes to the engine as written; it judges pages beyond the document itself.
  host.RunEngineRequest(
      {"PDFFILE=" + file, "PDFPAGES=" + std::to_string(startPage) + "-" + std::to_string(endPage)}, "DELPAGES");
}

void AppendTo(THostContext& host, std::string_view source, std::string_view destination) {
  TLogger& log = host.Log();
  const std::string from = TrimAll(log, source);
  const std::string to = TrimAll(log, destination);
  RequireOneLine("AppendTo", "source file name", from);
  RequireOneLine("AppendTo", "destination file name", to);
  THostBusy busy(host);
  std::string dest = TrimBackSlash(log, to);
  if (FixExtension(dest)) log.WriteEntry(ltMsg, kObject, "AppendTo", "Fixed Extension", dest);
  dest = FixFileName(log, dest, false);
  const std::string written = dest;
  // Report text may hold "." and ".."; every check below is made on where the file really lands.
  dest = ResolveDotSegments(dest);

  if (FileNameOf(dest) == ExtensionOf(dest)) {
    log.WriteEntry(ltErr, kObject, "AppendTo", "Empty Destination FileName", dest);
    host.MoveToFailed(from);
    return;
  }
  // The report being handled may grow where it is (AppendToPDF); no other file in the queue may be made.
  if (!platform::SameText(dest, ResolveDotSegments(host.CurrentPdf()))) {
    if (const char* refusal = DestinationRefusal(written, dest)) {
      log.WriteEntry(ltErr, kObject, "AppendTo", refusal, dest);
      host.MoveToFailed(from);
      return;
    }
  }
  const std::string folder = FolderOf(dest);
  if (!host.Files().DirectoryExists(folder)) {
    log.WriteEntry(ltMsg, kObject, "AppendTo", "Force Folder", folder);
    // A bare name has no folder to make; the run stops, as for the other placements.
    if (folder.empty()) throw EHostError("Unable to create directory");
    if (const platform::TStatus made = host.Files().ForceDirectories(folder); !made) {
      log.WriteEntry(ltErr, kObject, "AppendTo", "Force Folder Failed", folder + ": " + made.Message());
      host.EmergencyStop();
      return;
    }
  }
  if (!host.Files().FileExists(dest)) {
    // The first PDF of a series becomes the series file.
    host.CopyFile(from, dest);
    return;
  }
  if (host.Files().FileExists(from)) {
    host.RunEngineRequest({"PDFFILE=" + dest, "PDFFILE2=" + from}, "APPENDPDF");
  } else {
    log.WriteEntry(ltMsg, kObject, "AppendTo", "Nothing to append", from);
  }
}

}  // namespace varnholt
