// uRtlLocale.h — reads format settings from a JSON object with the conventional field names
// (the `--locale` file of run-script and the locale of the run-time golden table).
#pragma once

#include <string_view>

#include "platform/Locale.h"
#include "rtl/uRtlErrors.h"

namespace varnholt::rtl {

// Fields: DecimalSeparator, ThousandSeparator, DateSeparator, TimeSeparator (one character each),
// ShortDateFormat, LongDateFormat, ShortTimeFormat, LongTimeFormat, TimeAMString, TimePMString,
// CurrencyString (texts), CurrencyFormat (0-3), NegCurrFormat (0-15), CurrencyDecimals (0-18) and the
// arrays ShortMonthNames, LongMonthNames (12), ShortDayNames, LongDayNames (7, from Sunday). Texts are
// UTF-8 in the file and code page 1252 in the result. Missing fields keep the values of `base`; an
// unknown field, a wrong type or a value out of range throws ERtlError naming the field.
platform::TFormatSettings FormatSettingsFromJson(std::string_view jsonText,
                                                 const platform::TFormatSettings& base);

}  // namespace varnholt::rtl
