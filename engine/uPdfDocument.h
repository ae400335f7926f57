// uPdfDocument.h — what every action that changes a PDF needs: opening it with qpdf and the request's
// passwords, and putting the changed document safely in place of the original.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/uPdfFiles.h"

class QPDF;
class QPDFWriter;

namespace varnholt::engine {

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

}  // namespace varnholt::engine
