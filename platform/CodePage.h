// CodePage.h — the system code page (Windows-1252): conversion at the edges and Western European casing.
//
// Every text inside Varnholt is 8-bit Windows-1252: script strings, PDF texts, log lines, settings.
// Only file names (UTF-8 on Linux), poppler's output and the window convert, through these functions.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace varnholt::platform {

// Windows-1252 to UTF-8. The five codes 1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to
// the C1 control characters of the same value, as Windows does, so the conversion never loses a byte.
std::string Cp1252ToUtf8(std::string_view text);

// UTF-8 to Windows-1252; a character 1252 cannot hold becomes '?'. Malformed UTF-8 bytes are taken as
// 1252 bytes themselves, so text of unknown encoding survives as well as it can.
std::string Utf8ToCp1252(std::string_view text);

// The 1252 byte of a Unicode code point; '?' when 1252 has none (surrogates included).
char CodePointToCp1252(std::uint32_t codePoint);
// The Unicode code point of a 1252 byte (the undefined five as their C1 control characters).
std::uint32_t Cp1252ToCodePoint(char c);

// Windows-1252 to UTF-16, one code unit per byte.
std::u16string Cp1252ToUtf16(std::string_view text);
// UTF-16 to Windows-1252: a surrogate pair is one character (and 1252 has none beyond the first plane),
// so it becomes one '?', as does an unpaired surrogate and any character 1252 lacks.
std::string Utf16ToCp1252(std::u16string_view text);

// True when the conversion of the UTF-8 text to 1252 is exact (every character has a 1252 code).
bool IsCp1252Representable(std::string_view utf8);

// Decodes the UTF-8 character that starts at text[i]: its length in bytes and its code point, or 0 when
// the bytes there are not a well-formed character.
std::size_t DecodeUtf8Char(std::string_view text, std::size_t i, std::uint32_t& codePoint);

// True when the bytes are well-formed UTF-8 (pure ASCII counts).
bool IsValidUtf8(std::string_view text);

// True when the text holds a byte above 0x7F.
bool HasNonAscii(std::string_view text);

// ASCII case folding: only A-Z and a-z change.
char AsciiUpper(char c);
char AsciiLower(char c);
std::string UpperCase(std::string_view text);
std::string LowerCase(std::string_view text);
bool SameText(std::string_view a, std::string_view b);
// Compares A-Z without regard to case, byte order otherwise: <0, 0, >0.
int CompareText(std::string_view a, std::string_view b);

// Western European casing over the whole 1252 table (à <-> À, š <-> Š, ÿ -> Ÿ, ...). ß, µ and the
// characters without a 1252 partner stay as they are.
char AnsiUpper(char c);
char AnsiLower(char c);
std::string AnsiUpperCase(std::string_view text);
std::string AnsiLowerCase(std::string_view text);
bool AnsiSameText(std::string_view a, std::string_view b);
int AnsiCompareText(std::string_view a, std::string_view b);

}  // namespace varnholt::platform
