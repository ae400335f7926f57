// uPdfPages.h — the actions that change a PDF's pages or protection: DELPAGES, APPENDPDF, PROTECT,
// WATERMARK, REPAGINATE and COVERPAGE; and PRINT.
#pragma once

#include <optional>
#include <string_view>
#include <utility>

#include "engine/uPdfDocument.h"

namespace varnholt::engine {

TEngineResult RunDeletePages(const TEngineContext& context);
TEngineResult RunAppendPdf(const TEngineContext& context);
TEngineResult RunProtect(const TEngineContext& context);
TEngineResult RunWatermark(const TEngineContext& context);
TEngineResult RunRepaginate(const TEngineContext& context);
TEngineResult RunCoverPage(const TEngineContext& context);
TEngineResult RunPrint(const TEngineContext& context);

// "a-b" with optional minus signs ("3-1", "-2-5"); nullopt when the text is not of that form.
std::optional<std::pair<long long, long long>> ParsePageRange(std::string_view text);

// The width of a text in Helvetica, in units of the font size (1252 bytes).
double HelveticaWidth(std::string_view text);

// A PDF literal string "(...)" with the bytes that need it escaped.
std::string PdfLiteral(std::string_view bytes);

}  // namespace varnholt::engine
