// uRtlFormat.cpp — the run-time number formatting and parsing.
//
// Every floating-point text starts from a decimal digit string of the value: 40 significant digits of a
// double (as good as exact for every rounding decision) or the exact digits of a currency. Rounding to
// the digits a picture asks for then happens on that string, half away from zero, the way the
// conventional Pascal routines round ("%.0f" of 2.5 is "3"), while the binary value still decides cases
// like 2.675, whose double lies below the half. FormatFloat first rounds to 17 significant digits, so its
// pictures never show digits beyond a double's precision; the fixed formats of Format show up to 18
// decimals of the value itself.
#include "rtl/uRtlFormat.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

#include "rtl/uRtlLimits.h"
#include "rtl/uRtlText.h"

namespace varnholt::rtl {

namespace {

// value = 0.Digits x 10^Exponent; Digits has no trailing zeros and is empty for zero.
struct TDecimal {
  bool Negative = false;
  std::string Digits;
  int Exponent = 0;

  bool IsZero() const { return Digits.empty(); }
};

void StripTrailingZeros(TDecimal& d) {
  while (!d.Digits.empty() && d.Digits.back() == '0') d.Digits.pop_back();
  if (d.Digits.empty()) d.Exponent = 0;
}

constexpr int kDoubleDigits = 17;  // enough to tell any two doubles apart
constexpr int kMaxFixedDecimals = 18;
constexpr int kSourceDigits = 40;

// `digits` significant digits of a double, rounded once from its binary value, a tie to even.
TDecimal DecimalOfDouble(double value, int digits = kSourceDigits) {
  TDecimal d;
  d.Negative = value < 0;
  if (value == 0) return d;
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::scientific,
                              digits - 1);
  *result.ptr = '\0';
  // "d.dddddddddddddddde+xx"
  std::string_view text(buffer, result.ptr - buffer);
  size_t ePos = text.find('e');
  for (size_t i = 0; i < ePos; ++i) {
    if (text[i] != '.') d.Digits += text[i];
  }
  d.Exponent = std::atoi(buffer + ePos + 1) + 1;
  StripTrailingZeros(d);
  return d;
}

TDecimal DecimalOfCurrency(std::int64_t scaled) {
  TDecimal d;
  d.Negative = scaled < 0;
  std::uint64_t magnitude =
      scaled < 0 ? 0 - static_cast<std::uint64_t>(scaled) : static_cast<std::uint64_t>(scaled);
  if (magnitude == 0) return d;
  d.Digits = std::to_string(magnitude);
  d.Exponent = static_cast<int>(d.Digits.size()) - 4;
  StripTrailingZeros(d);
  return d;
}

// Keeps `keep` significant digits, rounding half away from zero.
void RoundDigits(TDecimal& d, int keep) {
  if (keep >= static_cast<int>(d.Digits.size())) return;
  if (keep < 0) {
    d.Digits.clear();
    d.Exponent = 0;
    return;
  }
  bool up = d.Digits[keep] >= '5';
  d.Digits.resize(keep);
  if (up) {
    while (!d.Digits.empty() && d.Digits.back() == '9') d.Digits.pop_back();
    if (d.Digits.empty()) {
      d.Digits.push_back('1');
      d.Exponent += 1;
    } else {
      d.Digits.back() += 1;
    }
  }
  StripTrailingZeros(d);
}

void RoundDecimals(TDecimal& d, int decimals) {
  if (!d.IsZero()) RoundDigits(d, d.Exponent + decimals);
}

char DigitAt(const TDecimal& d, int index) {
  return index >= 0 && index < static_cast<int>(d.Digits.size()) ? d.Digits[index] : '0';
}

std::string IntegerDigits(const TDecimal& d) {
  if (d.Exponent <= 0) return "0";
  std::string out;
  for (int i = 0; i < d.Exponent; ++i) out += DigitAt(d, i);
  return out;
}

std::string GroupThousands(const std::string& digits, char separator) {
  std::string out;
  size_t n = digits.size();
  for (size_t i = 0; i < n; ++i) {
    out += digits[i];
    size_t rest = n - 1 - i;
    if (rest > 0 && rest % 3 == 0) out += separator;
  }
  return out;
}

// The unsigned fixed-point text of an already rounded value.
std::string FixedMagnitude(const TDecimal& d, int decimals, bool thousands, const TFormatSettings& locale) {
  std::string out = IntegerDigits(d);
  if (thousands) out = GroupThousands(out, locale.ThousandSeparator);
  if (decimals > 0) {
    out += locale.DecimalSeparator;
    for (int i = 0; i < decimals; ++i) out += DigitAt(d, d.Exponent + i);
  }
  return out;
}

std::string NonFiniteText(double value) {
  if (std::isnan(value)) return "NAN";
  return value < 0 ? "-INF" : "INF";
}

// General format: the shortest of fixed and scientific notation with `precision` significant digits.
// Scientific notation is used from 10^precision up and below 10^smallestFixedExponent.
std::string GeneralText(TDecimal d, int precision, char decimalSeparator, int smallestFixedExponent = -5) {
  RoundDigits(d, precision);
  if (d.IsZero()) return "0";
  std::string out = d.Negative ? "-" : "";
  int exponent10 = d.Exponent - 1;
  if (exponent10 >= precision || exponent10 < smallestFixedExponent) {
    out += d.Digits[0];
    if (d.Digits.size() > 1) {
      out += decimalSeparator;
      out.append(d.Digits, 1);
    }
    out += 'E';
    if (exponent10 < 0) out += '-';
    out += std::to_string(std::abs(exponent10));
    return out;
  }
  if (d.Exponent <= 0) {
    out += '0';
    out += decimalSeparator;
    out.append(-d.Exponent, '0');
    out += d.Digits;
    return out;
  }
  out += IntegerDigits(d);
  if (static_cast<int>(d.Digits.size()) > d.Exponent) {
    out += decimalSeparator;
    out.append(d.Digits, d.Exponent);
  }
  return out;
}

std::string ScientificText(TDecimal d, int precision, const TFormatSettings& locale) {
  RoundDigits(d, precision);
  std::string out = d.Negative && !d.IsZero() ? "-" : "";
  out += DigitAt(d, 0);
  if (precision > 1) {
    out += locale.DecimalSeparator;
    for (int i = 1; i < precision; ++i) out += DigitAt(d, i);
  }
  int exponent10 = d.IsZero() ? 0 : d.Exponent - 1;
  out += 'E';
  out += exponent10 < 0 ? '-' : '+';
  std::string digits = std::to_string(std::abs(exponent10));
  if (digits.size() < 3) out.append(3 - digits.size(), '0');
  return out + digits;
}

std::string FixedText(TDecimal d, int decimals, bool thousands, const TFormatSettings& locale) {
  RoundDecimals(d, decimals);
  std::string sign = d.Negative && !d.IsZero() ? "-" : "";
  return sign + FixedMagnitude(d, decimals, thousands, locale);
}

// Places the currency string around the amount by the locale's positive and negative patterns.
std::string CurrencyText(TDecimal d, int decimals, const TFormatSettings& locale) {
  RoundDecimals(d, decimals);
  const std::string number = FixedMagnitude(d, decimals, true, locale);
  const std::string& c = locale.CurrencyString;
  if (!d.Negative || d.IsZero()) {
    switch (locale.CurrencyFormat) {
      case 1:
        return number + c;
      case 2:
        return c + " " + number;
      case 3:
        return number + " " + c;
      default:
        return c + number;
    }
  }
  switch (locale.NegCurrFormat) {
    case 1:
      return "-" + c + number;
    case 2:
      return c + "-" + number;
    case 3:
      return c + number + "-";
    case 4:
      return "(" + number + c + ")";
    case 5:
      return "-" + number + c;
    case 6:
      return number + "-" + c;
    case 7:
      return number + c + "-";
    case 8:
      return "-" + number + " " + c;
    case 9:
      return "-" + c + " " + number;
    case 10:
      return number + " " + c + "-";
    case 11:
      return c + " " + number + "-";
    case 12:
      return c + " -" + number;
    case 13:
      return number + "- " + c;
    case 14:
      return "(" + c + " " + number + ")";
    case 15:
      return "(" + number + " " + c + ")";
    default:
      return "(" + c + number + ")";
  }
}

std::string ZeroPadded(std::string digits, int minDigits) {
  if (static_cast<int>(digits.size()) < minDigits) digits.insert(0, minDigits - digits.size(), '0');
  return digits;
}

std::string HexDigits(std::uint32_t value) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  do {
    out.insert(out.begin(), kHex[value & 0xF]);
    value >>= 4;
  } while (value != 0);
  return out;
}

// Widths and precisions beyond this are taken as this (see uRtlLimits.h).
constexpr int kMaxFieldSize = limits::kMaxFieldSize;

class TFormatter {
 public:
  TFormatter(std::string_view format, std::span<const TFormatArg> args, const TFormatSettings& locale)
      : format_(format), args_(args), locale_(locale) {}

  std::string Run() {
    for (const TFormatArg& arg : args_) {
      if (arg.Kind == TFormatArg::TKind::Illegal) throw ERtlError(kIllegalFormatArgumentMessage);
    }
    std::string out;
    while (pos_ < format_.size()) {
      char c = format_[pos_++];
      if (c != '%') {
        out += c;
        continue;
      }
      if (AtEnd()) Fail();
      if (format_[pos_] == '%') {
        out += '%';
        ++pos_;
        continue;
      }
      out += Specifier();
    }
    return out;
  }

 private:
  bool AtEnd() const { return pos_ >= format_.size(); }

  [[noreturn]] void Fail() const {
    throw ERtlError("Format '" + std::string(format_) + "' invalid or incompatible with argument");
  }

  const TFormatArg& NextArg() {
    if (argIndex_ >= args_.size()) Fail();
    return args_[argIndex_++];
  }

  // A number or "*" (taken from the argument list); false when neither stands here.
  bool ReadNumber(int& value) {
    if (AtEnd()) return false;
    if (format_[pos_] == '*') {
      ++pos_;
      const TFormatArg& arg = NextArg();
      if (arg.Kind != TFormatArg::TKind::Integer) Fail();
      value = std::clamp(arg.Integer, 0, kMaxFieldSize);
      return true;
    }
    if (format_[pos_] < '0' || format_[pos_] > '9') return false;
    value = 0;
    while (!AtEnd() && format_[pos_] >= '0' && format_[pos_] <= '9') {
      value = std::min(value * 10 + (format_[pos_] - '0'), kMaxFieldSize);
      ++pos_;
    }
    return true;
  }

  std::string Specifier() {
    int number = 0;
    bool haveNumber = ReadNumber(number);
    if (haveNumber && !AtEnd() && format_[pos_] == ':') {
      ++pos_;
      argIndex_ = static_cast<size_t>(number);
      haveNumber = false;
    }
    bool leftAlign = false;
    if (!haveNumber && !AtEnd() && format_[pos_] == '-') {
      leftAlign = true;
      ++pos_;
    }
    int width = 0;
    if (haveNumber) {
      width = number;
    } else {
      ReadNumber(width);
    }
    int precision = -1;
    if (!AtEnd() && format_[pos_] == '.') {
      ++pos_;
      precision = 0;
      ReadNumber(precision);
    }
    if (AtEnd()) Fail();
    char type = static_cast<char>(std::toupper(static_cast<unsigned char>(format_[pos_++])));
    std::string text = Convert(type, precision);
    if (static_cast<int>(text.size()) < width) {
      if (leftAlign) {
        text.append(width - text.size(), ' ');
      } else {
        text.insert(0, width - text.size(), ' ');
      }
    }
    return text;
  }

  TDecimal NumberArg() {
    const TFormatArg& arg = NextArg();
    if (arg.Kind == TFormatArg::TKind::Float) {
      if (!std::isfinite(arg.Float)) nonFinite_ = NonFiniteText(arg.Float);
      return DecimalOfDouble(std::isfinite(arg.Float) ? arg.Float : 0.0);
    }
    if (arg.Kind == TFormatArg::TKind::Currency) return DecimalOfCurrency(arg.CurrencyScaled);
    Fail();
  }

  // Decimals of the fixed formats: at most 18, the conventional limit.
  static int FixedDecimals(int precision, int byDefault) {
    return std::min(precision < 0 ? byDefault : precision, kMaxFixedDecimals);
  }

  std::int32_t IntegerArg() {
    const TFormatArg& arg = NextArg();
    if (arg.Kind != TFormatArg::TKind::Integer) Fail();
    return arg.Integer;
  }

  std::string Convert(char type, int precision) {
    nonFinite_.clear();
    std::string text;
    switch (type) {
      case 'D': {
        std::int32_t value = IntegerArg();
        std::uint32_t magnitude =
            value < 0 ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
        text = ZeroPadded(std::to_string(magnitude), precision);
        if (value < 0) text.insert(text.begin(), '-');
        return text;
      }
      case 'U':
        return ZeroPadded(std::to_string(static_cast<std::uint32_t>(IntegerArg())), precision);
      case 'X':
        return ZeroPadded(HexDigits(static_cast<std::uint32_t>(IntegerArg())), precision);
      case 'S': {
        const TFormatArg& arg = NextArg();
        if (arg.Kind != TFormatArg::TKind::Text && arg.Kind != TFormatArg::TKind::WideText) Fail();
        if (precision >= 0 && static_cast<size_t>(precision) < arg.Text.size())
          return arg.Text.substr(0, precision);
        return arg.Text;
      }
      case 'E':
        text = ScientificText(NumberArg(), precision < 0 ? 15 : std::clamp(precision, 2, kDoubleDigits),
                              locale_);
        break;
      case 'F':
        text = FixedText(NumberArg(), FixedDecimals(precision, 2), false, locale_);
        break;
      case 'N':
        text = FixedText(NumberArg(), FixedDecimals(precision, 2), true, locale_);
        break;
      case 'G':
        text = GeneralText(NumberArg(), precision < 0 ? 15 : std::clamp(precision, 2, kDoubleDigits),
                           locale_.DecimalSeparator);
        break;
      case 'M':
        text = CurrencyText(NumberArg(), FixedDecimals(precision, locale_.CurrencyDecimals), locale_);
        break;
      default:
        // "p" included: no script value is a pointer.
        Fail();
    }
    return nonFinite_.empty() ? text : nonFinite_;
  }

  std::string_view format_;
  std::span<const TFormatArg> args_;
  const TFormatSettings& locale_;
  size_t pos_ = 0;
  size_t argIndex_ = 0;
  std::string nonFinite_;
};

// ---- FormatFloat ------------------------------------------------------------------------------------

// The ";"-separated pictures, quotes respected.
std::vector<std::string_view> SplitSections(std::string_view picture) {
  std::vector<std::string_view> sections;
  size_t start = 0;
  ForEachUnquoted(picture, [&](size_t i) {
    if (picture[i] == ';') {
      sections.push_back(picture.substr(start, i - start));
      start = i + 1;
    }
    return true;
  });
  sections.push_back(picture.substr(start));
  return sections;
}

bool IsExponentAt(std::string_view s, size_t i) {
  return (s[i] == 'E' || s[i] == 'e') && i + 1 < s.size() && (s[i + 1] == '+' || s[i + 1] == '-');
}

struct TPictureShape {
  int intPlaceholders = 0;
  int intMinDigits = 0;  // placeholders from the first "0" before the point
  int decPlaceholders = 0;
  int decMinDigits = 0;  // up to the last "0" after the point
  bool thousands = false;
  bool scientific = false;
};

TPictureShape AnalysePicture(std::string_view section) {
  TPictureShape shape;
  bool afterPoint = false;
  bool seenZero = false;
  ForEachUnquoted(section, [&](size_t i) {
    const char c = section[i];
    if (c == '0' || c == '#') {
      if (afterPoint) {
        ++shape.decPlaceholders;
        if (c == '0') shape.decMinDigits = shape.decPlaceholders;
      } else {
        ++shape.intPlaceholders;
        if (c == '0') seenZero = true;
        if (seenZero) ++shape.intMinDigits;
      }
    } else if (c == '.') {
      afterPoint = true;
    } else if (c == ',') {
      shape.thousands = true;
    } else if (IsExponentAt(section, i)) {
      shape.scientific = true;
      return false;
    }
    return true;
  });
  return shape;
}

std::string FormatSection(std::string_view section, TDecimal d, bool withSign,
                          const TFormatSettings& locale) {
  TPictureShape shape = AnalysePicture(section);
  int shownExponent = 0;
  if (shape.scientific) {
    RoundDigits(d, std::max(shape.intPlaceholders + shape.decPlaceholders, 1));
    if (!d.IsZero()) {
      shownExponent = d.Exponent - shape.intPlaceholders;
      d.Exponent = shape.intPlaceholders;
    }
  } else {
    RoundDecimals(d, shape.decPlaceholders);
  }

  std::string intDigits = d.Exponent > 0 ? IntegerDigits(d) : "";
  intDigits = ZeroPadded(intDigits, shape.intMinDigits);
  // Zero in scientific form still shows its mantissa: "0E0", not "E0".
  if (intDigits.empty() && shape.scientific && shape.intPlaceholders > 0) intDigits = "0";
  std::string fracDigits;
  for (int i = 0; i < shape.decPlaceholders; ++i) fracDigits += DigitAt(d, d.Exponent + i);
  while (static_cast<int>(fracDigits.size()) > shape.decMinDigits && fracDigits.back() == '0')
    fracDigits.pop_back();

  std::string out = withSign ? "-" : "";
  const int intCount = static_cast<int>(intDigits.size());
  int intPlaceholder = 0;
  size_t fracNext = 0;
  bool afterPoint = false;
  bool exponentDone = false;
  auto emitIntDigit = [&](int index) {
    out += intDigits[index];
    int rest = intCount - 1 - index;
    if (shape.thousands && rest > 0 && rest % 3 == 0) out += locale.ThousandSeparator;
  };
  for (size_t i = 0; i < section.size(); ++i) {
    char c = section[i];
    if (c == '"' || c == '\'') {
      size_t end = section.find(c, i + 1);
      if (end == std::string_view::npos) end = section.size();
      out.append(section.substr(i + 1, end - i - 1));
      i = end;
    } else if (exponentDone) {
      out += c;  // text after the exponent is copied
    } else if ((c == '0' || c == '#') && !afterPoint) {
      // Integer digits fill the placeholders from the right; the first placeholder takes any surplus.
      int first = intCount - (shape.intPlaceholders - intPlaceholder);
      if (intPlaceholder == 0) {
        for (int k = 0; k < first; ++k) emitIntDigit(k);
      }
      if (first >= 0) emitIntDigit(first);
      ++intPlaceholder;
    } else if ((c == '0' || c == '#') && afterPoint) {
      if (fracNext < fracDigits.size()) out += fracDigits[fracNext++];
    } else if (c == '.' && !afterPoint) {
      afterPoint = true;
      // Without integer placeholders the integer digits still stand before the point (".00" of 12.5).
      if (shape.intPlaceholders == 0) {
        for (int k = 0; k < intCount; ++k) emitIntDigit(k);
      }
      if (!fracDigits.empty()) out += locale.DecimalSeparator;
    } else if (c == ',') {
      // Thousand separators come from the digits, not from where the commas stand.
    } else if (!exponentDone && IsExponentAt(section, i)) {
      exponentDone = true;
      out += c;
      bool plusForm = section[i + 1] == '+';
      if (shownExponent < 0) {
        out += '-';
      } else if (plusForm) {
        out += '+';
      }
      i += 2;
      int expDigits = 0;
      while (i < section.size() && section[i] == '0') {
        ++expDigits;
        ++i;
      }
      out += ZeroPadded(std::to_string(std::abs(shownExponent)), expDigits);
      --i;
    } else {
      out += c;
    }
  }
  return out;
}

bool IsHexDigit(char c) {
  return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  return (c | 0x20) - 'a' + 10;
}

}  // namespace

TFormatArg TFormatArg::OfInteger(std::int32_t value) {
  TFormatArg arg;
  arg.Kind = TKind::Integer;
  arg.Integer = value;
  return arg;
}

TFormatArg TFormatArg::OfFloat(double value) {
  TFormatArg arg;
  arg.Kind = TKind::Float;
  arg.Float = value;
  return arg;
}

TFormatArg TFormatArg::OfCurrency(std::int64_t scaledBy10000) {
  TFormatArg arg;
  arg.Kind = TKind::Currency;
  arg.CurrencyScaled = scaledBy10000;
  return arg;
}

TFormatArg TFormatArg::OfText(std::string value) {
  TFormatArg arg;
  arg.Kind = TKind::Text;
  arg.Text = std::move(value);
  return arg;
}

TFormatArg TFormatArg::OfWideText(std::string value) {
  TFormatArg arg = OfText(std::move(value));
  arg.Kind = TKind::WideText;
  return arg;
}

TFormatArg TFormatArg::OfBoolean(bool value) {
  TFormatArg arg;
  arg.Kind = TKind::Boolean;
  arg.Boolean = value;
  return arg;
}

TFormatArg TFormatArg::OfIllegal() {
  return TFormatArg{};
}

std::string Format(std::string_view format, std::span<const TFormatArg> args, const TFormatSettings& locale) {
  return TFormatter(format, args, locale).Run();
}

std::string FloatToStr(double value, const TFormatSettings& locale) {
  if (!std::isfinite(value)) return NonFiniteText(value);
  return FloatToText(value, 15, locale.DecimalSeparator);
}

std::string FloatToText(double value, int precision, char decimalSeparator) {
  if (!std::isfinite(value)) return NonFiniteText(value);
  return GeneralText(DecimalOfDouble(value), std::clamp(precision, 1, kDoubleDigits), decimalSeparator);
}

std::string FloatToText(double value, int precision, char decimalSeparator, const TGeneralFormat& style) {
  if (!std::isfinite(value)) return NonFiniteText(value);
  precision = std::clamp(precision, 1, kDoubleDigits);
  const TDecimal d = style.ExactTiesToEven ? DecimalOfDouble(value, precision) : DecimalOfDouble(value);
  return GeneralText(d, precision, decimalSeparator, style.SmallestFixedExponent);
}

std::string CurrencyToText(std::int64_t scaledBy10000, char decimalSeparator) {
  // 19 digits hold every currency, and its exponents (-4 to 14) never call for scientific notation.
  return GeneralText(DecimalOfCurrency(scaledBy10000), 19, decimalSeparator);
}

std::string FormatFloat(std::string_view picture, double value, const TFormatSettings& locale) {
  if (!std::isfinite(value)) return NonFiniteText(value);
  std::vector<std::string_view> sections = SplitSections(picture);
  TDecimal d = DecimalOfDouble(value);
  RoundDigits(d, kDoubleDigits);
  std::string_view section = sections[0];
  bool withSign = d.Negative;
  if (d.Negative && sections.size() > 1 && !sections[1].empty()) {
    section = sections[1];
    withSign = false;
  } else if (d.IsZero() && sections.size() > 2 && !sections[2].empty()) {
    section = sections[2];
  }
  if (section.empty()) return FloatToStr(value, locale);
  d.Negative = false;
  return FormatSection(section, d, withSign, locale);
}

std::string IntToStr(std::int64_t value) {
  return std::to_string(value);
}

std::string IntToHex(std::int32_t value, int digits) {
  return ZeroPadded(HexDigits(static_cast<std::uint32_t>(value)), std::min(digits, kMaxFieldSize));
}

bool TryStrToInt(std::string_view text, std::int32_t& value) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  bool hex = false;
  if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
    hex = true;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i >= text.size()) return false;
  // Accumulate the magnitude with room for -2^31; anything larger fails.
  constexpr std::int64_t kLimit = std::int64_t{1} << 31;
  std::int64_t magnitude = 0;
  for (; i < text.size(); ++i) {
    char c = text[i];
    int digit;
    if (hex && IsHexDigit(c)) {
      digit = HexValue(c);
    } else if (!hex && c >= '0' && c <= '9') {
      digit = c - '0';
    } else {
      return false;
    }
    magnitude = magnitude * (hex ? 16 : 10) + digit;
    if (magnitude > kLimit) return false;
  }
  if (!negative && magnitude == kLimit) return false;
  value = static_cast<std::int32_t>(negative ? -magnitude : magnitude);
  return true;
}

std::int32_t StrToInt(std::string_view text) {
  std::int32_t value = 0;
  if (!TryStrToInt(text, value)) throw ERtlError("'" + std::string(text) + "' is not a valid integer value");
  return value;
}

std::int32_t StrToIntDef(std::string_view text, std::int32_t defaultValue) {
  std::int32_t value = 0;
  return TryStrToInt(text, value) ? value : defaultValue;
}

// The one reader of decimal numbers in the engine: values converting text and StrToFloat both use it.
bool TryTextToDouble(std::string_view text, char decimalSeparator, double& result) noexcept {
  auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
  // Longer than any double written out in full: not a number we read.
  char buffer[400];
  if (text.empty() || text.size() >= sizeof buffer) return false;
  std::size_t n = 0;
  std::size_t i = 0;
  bool negative = false;
  if (text[i] == '+' || text[i] == '-') negative = text[i++] == '-';
  bool digits = false;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') buffer[n++] = text[i++], digits = true;
  if (i < text.size() && text[i] == decimalSeparator) {
    buffer[n++] = '.';
    ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') buffer[n++] = text[i++], digits = true;
  }
  if (!digits) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    buffer[n++] = 'e';
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) buffer[n++] = text[i++];
    bool exponentDigits = false;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9')
      buffer[n++] = text[i++], exponentDigits = true;
    if (!exponentDigits) return false;
  }
  if (i != text.size()) return false;
  double value = 0;
  const auto [end, error] = std::from_chars(buffer, buffer + n, value);
  if (end != buffer + n) return false;
  if (error == std::errc::result_out_of_range) {
    // Too small underflows to zero; too large is no number we can hold.
    const std::string_view written(buffer, n);
    const std::size_t e = written.find('e');
    const bool tiny = e != std::string_view::npos ? written.substr(e + 1).starts_with('-')
                                                  : written.starts_with("0.") || written.starts_with('.');
    if (!tiny) return false;
    value = 0;
  } else if (error != std::errc()) {
    return false;
  }
  result = negative ? -value : value;
  return true;
}

bool TryStrToFloat(std::string_view text, const TFormatSettings& locale, double& value) {
  // StrToFloat allows spaces around the number, nothing else.
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  // The shared reader also skips tabs and line ends; StrToFloat does not.
  const auto otherSpace = [](char c) { return c == '\t' || c == '\r' || c == '\n'; };
  if (text.empty() || otherSpace(text.front()) || otherSpace(text.back())) return false;
  return TryTextToDouble(text, locale.DecimalSeparator, value);
}

double StrToFloat(std::string_view text, const TFormatSettings& locale) {
  double value = 0;
  if (!TryStrToFloat(text, locale, value)) {
    throw ERtlError("'" + std::string(text) + "' is not a valid floating point value");
  }
  return value;
}

}  // namespace varnholt::rtl
