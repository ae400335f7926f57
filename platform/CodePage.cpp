// CodePage.cpp — Windows-1252 conversion tables and Western European case mapping.
#include "platform/CodePage.h"

#include <array>
#include <cstdint>

namespace varnholt::platform {
namespace {

// Unicode code points of 0x80..0x9F; the undefined slots keep their own value (C1 controls).
constexpr std::array<std::uint16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

std::uint32_t ToUnicode(unsigned char c) { return (c >= 0x80 && c <= 0x9F) ? kHigh[c - 0x80] : c; }

// Returns the 1252 byte of a code point, or -1 when 1252 has none.
int FromUnicode(std::uint32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
  for (std::size_t i = 0; i < kHigh.size(); ++i) {
    if (kHigh[i] == cp) return static_cast<int>(0x80 + i);
  }
  return -1;
}

void AppendUtf8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Decodes one UTF-8 sequence at text[i]; returns its length (0 when malformed) and the code point.
std::size_t DecodeUtf8(std::string_view text, std::size_t i, std::uint32_t& cp) {
  const auto b0 = static_cast<unsigned char>(text[i]);
  std::size_t len = 0;
  std::uint32_t min = 0;
  if (b0 < 0x80) {
    cp = b0;
    return 1;
  } else if ((b0 & 0xE0) == 0xC0) {
    len = 2, cp = b0 & 0x1F, min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    len = 3, cp = b0 & 0x0F, min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    len = 4, cp = b0 & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (i + len > text.size()) return 0;
  for (std::size_t k = 1; k < len; ++k) {
    const auto b = static_cast<unsigned char>(text[i + k]);
    if ((b & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return len;
}

struct CaseTables {
  std::array<char, 256> upper{};
  std::array<char, 256> lower{};
  CaseTables() {
    for (int i = 0; i < 256; ++i) upper[i] = lower[i] = static_cast<char>(i);
    auto pair = [this](int up, int low) {
      upper[low] = static_cast<char>(up);
      lower[up] = static_cast<char>(low);
    };
    for (int c = 'A'; c <= 'Z'; ++c) pair(c, c + 32);
    for (int c = 0xC0; c <= 0xDE; ++c) {
      if (c != 0xD7) pair(c, c + 32);  // 0xD7 is the multiplication sign, 0xF7 the division sign
    }
    pair(0x8A, 0x9A);  // Š š
    pair(0x8C, 0x9C);  // Œ œ
    pair(0x8E, 0x9E);  // Ž ž
    pair(0x9F, 0xFF);  // Ÿ ÿ
  }
};

const CaseTables& Tables() {
  static const CaseTables tables;
  return tables;
}

template <typename Fold>
int CompareFolded(std::string_view a, std::string_view b, Fold fold) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const auto ca = static_cast<unsigned char>(fold(a[i]));
    const auto cb = static_cast<unsigned char>(fold(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

}  // namespace

std::string Cp1252ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 4);
  for (char c : text) AppendUtf8(out, ToUnicode(static_cast<unsigned char>(c)));
  return out;
}

std::string Utf8ToCp1252(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    std::uint32_t cp = 0;
    const std::size_t len = DecodeUtf8(text, i, cp);
    if (len == 0) {
      out += text[i++];
      continue;
    }
    const int b = FromUnicode(cp);
    out += b < 0 ? '?' : static_cast<char>(b);
    i += len;
  }
  return out;
}

char CodePointToCp1252(std::uint32_t codePoint) {
  const int b = FromUnicode(codePoint);
  return b < 0 ? '?' : static_cast<char>(b);
}

std::uint32_t Cp1252ToCodePoint(char c) { return ToUnicode(static_cast<unsigned char>(c)); }

std::u16string Cp1252ToUtf16(std::string_view text) {
  std::u16string wide(text.size(), u'\0');
  for (std::size_t i = 0; i < text.size(); ++i)
    wide[i] = static_cast<char16_t>(ToUnicode(static_cast<unsigned char>(text[i])));
  return wide;
}

std::string Utf16ToCp1252(std::u16string_view text) {
  std::string narrow;
  narrow.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::uint32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00u);
      ++i;
    }
    narrow += CodePointToCp1252(cp);
  }
  return narrow;
}

bool IsCp1252Representable(std::string_view utf8) {
  for (std::size_t i = 0; i < utf8.size();) {
    std::uint32_t cp = 0;
    const std::size_t len = DecodeUtf8(utf8, i, cp);
    if (len == 0 || FromUnicode(cp) < 0) return false;
    i += len;
  }
  return true;
}

std::size_t DecodeUtf8Char(std::string_view text, std::size_t i, std::uint32_t& codePoint) {
  return i < text.size() ? DecodeUtf8(text, i, codePoint) : 0;
}

bool IsValidUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    std::uint32_t cp = 0;
    const std::size_t len = DecodeUtf8(text, i, cp);
    if (len == 0) return false;
    i += len;
  }
  return true;
}

bool HasNonAscii(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return true;
  }
  return false;
}

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

std::string UpperCase(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = AsciiUpper(c);
  return out;
}

std::string LowerCase(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = AsciiLower(c);
  return out;
}

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CompareText(a, b) == 0;
}

int CompareText(std::string_view a, std::string_view b) { return CompareFolded(a, b, AsciiUpper); }

char AnsiUpper(char c) { return Tables().upper[static_cast<unsigned char>(c)]; }
char AnsiLower(char c) { return Tables().lower[static_cast<unsigned char>(c)]; }

std::string AnsiUpperCase(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = AnsiUpper(c);
  return out;
}

std::string AnsiLowerCase(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = AnsiLower(c);
  return out;
}

bool AnsiSameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && AnsiCompareText(a, b) == 0;
}

int AnsiCompareText(std::string_view a, std::string_view b) { return CompareFolded(a, b, AnsiUpper); }

}  // namespace varnholt::platform
