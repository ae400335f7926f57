// atScript_DateText.cpp — the text of date-time values through the run-time library's formatter, which
// also decides which values are dates at all.
#include "script/vm/atScript_DateText.h"

#include "rtl/uRtlDateTime.h"
#include "rtl/uRtlErrors.h"
#include "script/compiler/atScript_Errors.h"

namespace varnholt {

std::string FormatDateTimeText(std::string_view format, double value,
                               const platform::TFormatSettings& settings) {
  if (!rtl::IsValidDateTime(value)) {
    throw EScriptValueError("Could not convert variant of type (Date) into type (String)");
  }
  // The system library's FormatDateTime is the one formatter of date-time pictures.
  try {
    return rtl::FormatDateTime(format, value, settings);
  } catch (const rtl::ERtlError& e) {
    throw EScriptValueError(e.what());
  }
}

std::string DateTimeToText(double value, const platform::TFormatSettings& settings) {
  return FormatDateTimeText("c", value, settings);
}

}  // namespace varnholt
