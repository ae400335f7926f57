// uPdfPages.cpp — DELPAGES, APPENDPDF and PROTECT through qpdf.
#include "engine/uPdfPages.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <charconv>

#include "platform/CodePage.h"

namespace varnholt::engine {

namespace {

bool ParseWholeNumber(std::string_view text, long long& value) {
  if (text.empty()) return false;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

int PageCount(QPDF& pdf) {
  return static_cast<int>(QPDFPageDocumentHelper(pdf).getAllPages().size());
}

}  // namespace

std::optional<std::pair<long long, long long>> ParsePageRange(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  // The separator is the first '-' that is not a leading minus sign.
  const std::size_t dash = text.find('-', text.starts_with('-') ? 1 : 0);
  if (dash == std::string_view::npos) return std::nullopt;
  long long first = 0, last = 0;
  if (!ParseWholeNumber(text.substr(0, dash), first) || !ParseWholeNumber(text.substr(dash + 1), last)) {
    return std::nullopt;
  }
  return std::pair{first, last};
}

TEngineResult RunDeletePages(const TEngineContext& context) {
  const TPdfFile file = RequirePdfFile(context, "PDFFILE");
  const std::string rangeText = context.request.Require("PDFPAGES");
  const auto range = ParsePageRange(rangeText);
  if (!range) {
    throw EEngineError("The page range \"" + rangeText + "\" is not of the form first-last (such as 2-5)");
  }
  const auto passwords = PasswordCandidates(context.request);
  auto pdf = OpenPdf(file, passwords);
  QPDFPageDocumentHelper pages(*pdf);
  auto all = pages.getAllPages();
  const long long count = static_cast<long long>(all.size());
  const auto [first, last] = *range;
  const std::string named =
      "pages " + rangeText + " of " + file.windowsPath + " (" + PageCountText(static_cast<int>(count)) + ")";
  if (first > last) throw EEngineError("Cannot delete " + named + ": the first page is after the last");
  if (first < 1 || last > count)
    throw EEngineError("Cannot delete " + named + ": the range lies outside the document");
  if (first == 1 && last == count)
    throw EEngineError("Cannot delete " + named + ": that would remove every page");

  for (long long i = first; i <= last; ++i) pages.removePage(all[static_cast<std::size_t>(i - 1)]);
  const int remaining = static_cast<int>(count - (last - first + 1));
  SavePdf(*pdf, file, remaining, passwords);
  return TEngineResult::Ok("Deleted pages " + rangeText + " of " + file.windowsPath + "; " +
                           PageCountText(remaining) + " left");
}

TEngineResult RunAppendPdf(const TEngineContext& context) {
  const TPdfFile destination = RequirePdfFile(context, "PDFFILE");
  const TPdfFile source = RequirePdfFile(context, "PDFFILE2");
  const auto passwords = PasswordCandidates(context.request);
  auto target = OpenPdf(destination, passwords);
  auto added = OpenPdf(source, passwords);

  QPDFPageDocumentHelper targetPages(*target);
  const int before = PageCount(*target);
  const auto sourcePages = QPDFPageDocumentHelper(*added).getAllPages();
  try {
    // Pages of another document are copied with everything they use.
    for (auto& page : sourcePages) targetPages.addPage(page, false);
  } catch (const std::exception& e) {
    throw EEngineError("Cannot append " + source.windowsPath + " to " + destination.windowsPath + " (" +
                       QpdfMessage(e) + "); the file was left unchanged");
  }
  const int total = before + static_cast<int>(sourcePages.size());
  SavePdf(*target, destination, total, passwords);
  return TEngineResult::Ok("Appended " + PageCountText(static_cast<int>(sourcePages.size())) + " of " +
                           source.windowsPath + " to " + destination.windowsPath + "; it has " +
                           PageCountText(total) + " now");
}

TEngineResult RunProtect(const TEngineContext& context) {
  const TPdfFile file = RequirePdfFile(context, "PDFFILE");
  const std::string owner = context.request.Find("PDFOWNER").value_or("");
  const std::string user = context.request.Find("PDFUSER").value_or("");
  if (owner.empty() && user.empty()) {
    return TEngineResult::Ok("No owner and no user password is set; " + file.windowsPath +
                             " was left as it is");
  }
  const auto passwords = PasswordCandidates(context.request);
  auto pdf = OpenPdf(file, passwords);
  const int pages = PageCount(*pdf);
  // AES-256 takes its passwords in UTF-8; ours are in the system code page.
  const std::string ownerUtf8 = platform::Cp1252ToUtf8(owner.empty() ? user : owner);
  const std::string userUtf8 = platform::Cp1252ToUtf8(user);
  // Readers may print and copy text; changing the document needs the owner password.
  SavePdf(*pdf, file, pages, {userUtf8, ownerUtf8}, [&](QPDFWriter& writer) {
    writer.setR6EncryptionParameters(userUtf8.c_str(), ownerUtf8.c_str(), true, true, false, false, false,
                                     false, qpdf_r3p_full, true);
  });
  std::string message = "Protected " + file.windowsPath + " with AES-256";
  message +=
      user.empty() ? " (owner password; it opens without a password)" : " (it opens with the user password)";
  return TEngineResult::Ok(message);
}

}  // namespace varnholt::engine
