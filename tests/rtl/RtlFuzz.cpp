// RtlFuzz.cpp — feeds arbitrary pictures and texts to the run-time routines: they may refuse with
// ERtlError, but never crash, hang or produce unbounded output.
#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "rtl/uRtlDateTime.h"
#include "rtl/uRtlFormat.h"
#include "rtl/uRtlLimits.h"
#include "rtl/uRtlText.h"

using namespace varnholt::rtl;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  TFormatSettings locale = TFormatSettings::English();
  // The first byte picks the routine and, for some, the locale the text is read with.
  const int mode = (data[0] & 0x7F) % 12;
  if (data[0] & 0x80) {
    locale.DecimalSeparator = ',';
    locale.DateSeparator = '.';
    locale.TimeSeparator = '.';
    locale.ShortDateFormat = "dd/mm/yyyy c";
  }
  const double values[] = {0.0, -1234.5678, 1e300, 5e-324, 45356.544502395833, -693593.5, 2958465.99999999};
  try {
    std::string out;
    switch (mode) {
      case 0: {
        std::vector<TFormatArg> args = {TFormatArg::OfInteger(-42), TFormatArg::OfFloat(values[size % 7]),
                                        TFormatArg::OfText("abc"), TFormatArg::OfCurrency(-123456789),
                                        TFormatArg::OfInteger(3)};
        out = Format(text, args, locale);
        break;
      }
      case 1:
        out = FormatFloat(text, values[size % 7], locale);
        break;
      case 2:
        out = FormatDateTime(text, values[size % 7], locale);
        break;
      case 3:
        out = IntToStr(StrToInt(text));
        break;
      case 4:
        out = FloatToStr(StrToFloat(text, locale), locale);
        break;
      case 5: {
        double value = 0;
        if (TryStrToDate(text, locale, 2026, value)) out = DateTimeToStr(value, locale);
        break;
      }
      case 6: {
        double value = 0;
        if (TryStrToDateTime(text, locale, 2026, value)) out = DateTimeToStr(value, locale);
        break;
      }
      case 7:
        out = Trim(text) + Copy(text, static_cast<std::int64_t>(size) - 8, 5);
        break;
      default: {
        double value = std::strtod(text.c_str(), nullptr);
        out = FloatToStr(value, locale) + FormatFloat("#,##0.00E+00", value, locale);
        break;
      }
    }
    // Widths and precisions are bounded, so output stays near the size of the input; each directive may
    // pad up to the field limit, so a short picture with a few huge widths is still in bounds.
    const auto directives = static_cast<std::size_t>(std::count(text.begin(), text.end(), '%'));
    if (out.size() > 1000 * (size + 100) + directives * static_cast<std::size_t>(varnholt::limits::kMaxFieldSize))
      std::abort();
  } catch (const ERtlError&) {
  }
  return 0;
}
