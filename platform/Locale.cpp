// Locale.cpp — TFormatSettings filled from the C library's locale (the user's environment).
#include "platform/Locale.h"

#include <langinfo.h>
#include <locale.h>

#include <memory>
#include <optional>

#include "platform/CodePage.h"

namespace varnholt::platform {
namespace {

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

std::string Item(locale_t loc, nl_item item) { return Utf8ToCp1252(nl_langinfo_l(item, loc)); }

char FirstSeparator(const std::string& format, char fallback) {
  for (char c : format) {
    if (!IsAsciiLetter(c) && c != ' ' && c != '"' && c != '\'') return c;
  }
  return fallback;
}

std::optional<TFormatSettings>& Current() {
  static std::optional<TFormatSettings> current;
  return current;
}

}  // namespace

TFormatSettings TFormatSettings::English() {
  TFormatSettings s;
  s.ShortMonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  s.LongMonthNames = {"January", "February", "March",     "April",   "May",      "June",
                      "July",    "August",   "September", "October", "November", "December"};
  s.ShortDayNames = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  s.LongDayNames = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
  return s;
}

std::string ConvertStrftimeFormat(const std::string& format) {
  std::string out;
  std::string literal;  // letters outside specifiers must be quoted, or they would read as specifiers
  auto flushLiteral = [&] {
    if (!literal.empty()) out += '"' + literal + '"';
    literal.clear();
  };
  for (std::size_t i = 0; i < format.size(); ++i) {
    const char c = format[i];
    if (c != '%' || i + 1 >= format.size()) {
      if (IsAsciiLetter(c)) {
        literal += c;
      } else {
        flushLiteral();
        out += c;
      }
      continue;
    }
    char conversion = format[++i];
    bool noPad = false;
    while ((conversion == '-' || conversion == '_' || conversion == '0' || conversion == 'E' ||
            conversion == 'O') &&
           i + 1 < format.size()) {
      noPad = noPad || conversion == '-';
      conversion = format[++i];
    }
    flushLiteral();
    switch (conversion) {
      case 'd': out += noPad ? "d" : "dd"; break;
      case 'e': out += "d"; break;
      case 'm': out += noPad ? "m" : "mm"; break;
      case 'Y': out += "yyyy"; break;
      case 'y': out += "yy"; break;
      case 'H': case 'I': out += noPad ? "h" : "hh"; break;
      case 'k': case 'l': out += "h"; break;
      case 'M': out += "nn"; break;
      case 'S': out += "ss"; break;
      case 'p': case 'P': out += "AMPM"; break;
      case 'b': case 'h': out += "mmm"; break;
      case 'B': out += "mmmm"; break;
      case 'a': out += "ddd"; break;
      case 'A': out += "dddd"; break;
      case 'T': out += "hh:nn:ss"; break;
      case 'R': out += "hh:nn"; break;
      case 'r': out += "hh:nn:ss AMPM"; break;
      case 'D': out += "mm/dd/yy"; break;
      case 'F': out += "yyyy-mm-dd"; break;
      case 'n': case 't': out += ' '; break;
      case '%': out += '%'; break;
      default: break;  // time zone, week numbers and the like have no counterpart
    }
  }
  flushLiteral();
  // Trailing separators left by dropped specifiers ("%H:%M:%S %Z") are of no use.
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

TFormatSettings FormatSettingsFromCLocale() {
  TFormatSettings s = TFormatSettings::English();
  locale_t loc = newlocale(LC_ALL_MASK, "", static_cast<locale_t>(nullptr));
  if (loc == static_cast<locale_t>(nullptr)) loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  if (loc == static_cast<locale_t>(nullptr)) return s;
  std::unique_ptr<std::remove_pointer_t<locale_t>, decltype(&freelocale)> guard(loc, &freelocale);

  const std::string radix = Item(loc, RADIXCHAR);
  if (radix.size() == 1) s.DecimalSeparator = radix[0];
  const std::string thousands = Item(loc, THOUSEP);
  s.ThousandSeparator = thousands.size() == 1 ? thousands[0] : (s.DecimalSeparator == ',' ? '.' : ',');

  s.ShortDateFormat = ConvertStrftimeFormat(nl_langinfo_l(D_FMT, loc));
  s.DateSeparator = FirstSeparator(s.ShortDateFormat, '/');
  const bool monthFirst = s.ShortDateFormat.find('m') < s.ShortDateFormat.find('d');
  s.LongDateFormat = monthFirst ? "dddd, mmmm d, yyyy" : "dddd, d mmmm yyyy";
  s.LongTimeFormat = ConvertStrftimeFormat(nl_langinfo_l(T_FMT, loc));
  s.TimeSeparator = FirstSeparator(s.LongTimeFormat, ':');
  s.ShortTimeFormat = s.LongTimeFormat;
  if (const auto seconds = s.ShortTimeFormat.find(std::string(1, s.TimeSeparator) + "ss");
      seconds != std::string::npos) {
    s.ShortTimeFormat.erase(seconds, 3);
  }
  s.TimeAMString = Item(loc, AM_STR);
  s.TimePMString = Item(loc, PM_STR);

  std::string currency = Item(loc, __CURRENCY_SYMBOL);
  if (!currency.empty()) s.CurrencyString = currency;
  const char precedes = *nl_langinfo_l(__P_CS_PRECEDES, loc);
  const char space = *nl_langinfo_l(__P_SEP_BY_SPACE, loc);
  if (precedes != CHAR_MAX && space != CHAR_MAX) {
    s.CurrencyFormat = (precedes ? 0 : 1) + (space ? 2 : 0);
    s.NegCurrFormat = precedes ? (space ? 9 : 1) : (space ? 8 : 5);
  }
  const char digits = *nl_langinfo_l(__FRAC_DIGITS, loc);
  if (digits != CHAR_MAX) s.CurrencyDecimals = digits;

  for (int i = 0; i < 7; ++i) {
    s.ShortDayNames[i] = Item(loc, static_cast<nl_item>(ABDAY_1 + i));
    s.LongDayNames[i] = Item(loc, static_cast<nl_item>(DAY_1 + i));
  }
  for (int i = 0; i < 12; ++i) {
    s.ShortMonthNames[i] = Item(loc, static_cast<nl_item>(ABMON_1 + i));
    s.LongMonthNames[i] = Item(loc, static_cast<nl_item>(MON_1 + i));
  }
  return s;
}

const TFormatSettings& FormatSettings() {
  auto& current = Current();
  if (!current) current = FormatSettingsFromCLocale();
  return *current;
}

void SetFormatSettings(const TFormatSettings& settings) { Current() = settings; }

}  // namespace varnholt::platform
