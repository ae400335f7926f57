// uPdfOperations.h — the host routines that change PDF files through the PDF engine: protect, watermark,
// repaginate, cover page, page deletion and appending one PDF to another.
//
// Each checks its input, fills the engine request with its keys in a fixed order and runs one request;
// what the engine answers is reported by the engine bridge (an error stops Automatic mode). A value that
// goes into a request key (a file name, a watermark's identifier or text, a cover page's title) with a
// line break or NUL throws EHostError naming the routine: it would break the request apart.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "hostlib/uHostContext.h"

namespace varnholt {

// Throws EHostError naming the routine when a value meant for a request key holds CR, LF or NUL.
void RequireOneLine(const char* routine, const char* what, const std::string& value);

void Protect(THostContext& host, std::string_view fileName);
void WaterMarkPages(THostContext& host, std::string_view fileName, std::string_view identifier,
                    std::string_view text);
void Repaginate(THostContext& host, std::string_view fileName, std::int32_t xOffset, std::int32_t yOffset);
// Writes the cover text to TEMPCP.TXT first; a file that cannot be written throws EHostError.
void CoverPage(THostContext& host, std::string_view fileName, std::string_view header, std::string_view text);
void DeletePages(THostContext& host, std::string_view fileName, std::int32_t startPage, std::int32_t endPage);
// Adds Source's pages at the end of Destination; the first PDF of a series is copied to Destination.
// Source is never moved or deleted.
void AppendTo(THostContext& host, std::string_view source, std::string_view destination);

}  // namespace varnholt
