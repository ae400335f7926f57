// uRtlFormat.h — number formatting and parsing of the run-time library: Format, FormatFloat,
// FloatToStr, IntToStr, IntToHex, StrToInt, StrToIntDef, StrToFloat.
//
// Texts are code page 1252 strings; separators and currency come from the locale passed in. Errors are
// ERtlError with the message the script sees.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/Locale.h"
#include "rtl/uRtlErrors.h"

namespace varnholt::rtl {

using platform::TFormatSettings;

inline constexpr const char* kFormatVectorMessage =
    "Format function expects second argument as a variant vector";
inline constexpr const char* kIllegalFormatArgumentMessage = "Illegal argument to Format function";

// One argument of Format, by the kind its script value maps to: 8-, 16- and 32-bit integers and bytes are
// Integer; single, double and date are Float; currency is Currency (the conventional scaled integer, value
// times 10000); strings are Text and wide strings WideText (both 1252 here); booleans are Boolean. Every
// other kind (empty, null, 64-bit integers, arrays) is Illegal: Format refuses it before formatting.
struct TFormatArg {
  enum class TKind { Integer, Float, Currency, Text, WideText, Boolean, Illegal };

  TKind Kind = TKind::Illegal;
  std::int32_t Integer = 0;
  double Float = 0.0;
  std::int64_t CurrencyScaled = 0;
  std::string Text;
  bool Boolean = false;

  static TFormatArg OfInteger(std::int32_t value);
  static TFormatArg OfFloat(double value);
  static TFormatArg OfCurrency(std::int64_t scaledBy10000);
  static TFormatArg OfText(std::string value);
  static TFormatArg OfWideText(std::string value);
  static TFormatArg OfBoolean(bool value);
  static TFormatArg OfIllegal();
};

// "%" [index ":"] ["-"] [width] ["." precision] type, with "*" for width or precision and "%%".
// Throws ERtlError: kIllegalFormatArgumentMessage for an Illegal argument anywhere in args, and
// "Format '<format>' invalid or incompatible with argument" for a bad specifier or a missing or unfit
// argument.
std::string Format(std::string_view format, std::span<const TFormatArg> args, const TFormatSettings& locale);

// A number by a picture of "0", "#", ".", ",", "E+"/"E-"/"e+"/"e-", quoted text and ";" sections.
std::string FormatFloat(std::string_view picture, double value, const TFormatSettings& locale);

// The general format with 15 significant digits ("0,1", "1E20", "1,5E-7").
std::string FloatToStr(double value, const TFormatSettings& locale);
// The general format with `precision` significant digits (1 to 17) and the given decimal separator: the
// one float-to-text rule of the engine, behind FloatToStr and the text of Double and Single values.
std::string FloatToText(double value, int precision, char decimalSeparator);

// The choices of the general format where the settings file keeps rules of its own: its float texts were
// always written this way, and a file must read and write back unchanged.
struct TGeneralFormat {
  // Round once from the exact binary value, a tie to even (12345678901234.25 to 15 digits is
  // "12345678901234.2"), instead of half away from zero on the value's decimal digits.
  bool ExactTiesToEven = false;
  // The smallest decimal exponent still written in fixed notation: -5 writes 0.00001 as "0,00001", -4 as
  // "1E-5".
  int SmallestFixedExponent = -5;
};
std::string FloatToText(double value, int precision, char decimalSeparator, const TGeneralFormat& style);

// A currency (value times 10000) in the general format with every digit it has: "-123,45", "0,0001".
std::string CurrencyToText(std::int64_t scaledBy10000, char decimalSeparator);

std::string IntToStr(std::int64_t value);
// Upper-case hexadecimal of the value's 32 bits with at least `digits` digits.
std::string IntToHex(std::int32_t value, int digits);

// Spaces, an optional sign, then decimal digits or hexadecimal digits after "$", "x", "X", "0x" or "0X";
// nothing after, and within the signed 32-bit range. Throws "'<s>' is not a valid integer value".
std::int32_t StrToInt(std::string_view text);
std::int32_t StrToIntDef(std::string_view text, std::int32_t defaultValue);
// True and the value when the text parses by the rules of StrToInt.
bool TryStrToInt(std::string_view text, std::int32_t& value);

// A decimal number with the locale's decimal separator and an optional exponent; spaces around are
// allowed. Throws "'<s>' is not a valid floating point value".
double StrToFloat(std::string_view text, const TFormatSettings& locale);
// A whole text as a decimal number with the given separator: sign, digits, separator, digits, exponent,
// with white space around it; a value too small for a double is 0, one too large is no number.
bool TryTextToDouble(std::string_view text, char decimalSeparator, double& result) noexcept;
bool TryStrToFloat(std::string_view text, const TFormatSettings& locale, double& value);

}  // namespace varnholt::rtl
