// CodePageTest.cpp — Windows-1252 conversion and casing.
#include "platform/CodePage.h"

#include <gtest/gtest.h>

namespace varnholt::platform {
namespace {

TEST(CodePage, EveryByteSurvivesTheRoundTripThroughUtf8) {
  std::string all;
  for (int i = 1; i < 256; ++i) all += static_cast<char>(i);
  const std::string utf8 = Cp1252ToUtf8(all);
  EXPECT_TRUE(IsValidUtf8(utf8));
  EXPECT_EQ(Utf8ToCp1252(utf8), all);
}

TEST(CodePage, ConvertsTheSpecialCharactersOfTheHighRange) {
  struct Case {
    const char* utf8;
    const char* cp1252;
  };
  const Case cases[] = {
      {"\xE2\x82\xAC", "\x80"},                   // euro sign
      {"\xC5\xA0", "\x8A"},                       // S caron
      {"\xC5\xB8", "\x9F"},                       // Y diaeresis
      {"Fran\xC3\xA7oise M\xC3\xBCller", "Fran\xE7oise M\xFCller"},
      {"\xC2\xB5l", "\xB5l"},                     // micro sign
      {"\xE2\x80\x9Cq\xE2\x80\x9D", "\x93q\x94"}, // curly quotes
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Utf8ToCp1252(c.utf8), c.cp1252) << c.utf8;
    EXPECT_EQ(Cp1252ToUtf8(c.cp1252), c.utf8) << c.utf8;
  }
}

TEST(CodePage, UnmappableCharactersBecomeQuestionMarks) {
  EXPECT_EQ(Utf8ToCp1252("a\xE6\x97\xA5z"), "a?z");                // CJK
  EXPECT_EQ(Utf8ToCp1252("\xF0\x9F\x98\x80"), "?");                // emoji (4 bytes)
  EXPECT_EQ(Utf8ToCp1252("\xCE\xBC"), "?");                        // Greek mu has no 1252 code
  EXPECT_FALSE(IsCp1252Representable("\xCE\xBC"));
  EXPECT_TRUE(IsCp1252Representable("Probe S\xC3\xBC" "d-7"));
}

TEST(CodePage, MalformedUtf8IsKeptAsBytes) {
  EXPECT_EQ(Utf8ToCp1252("S\xFC" "d"), "S\xFC" "d");  // already 1252
  EXPECT_EQ(Utf8ToCp1252("\xC3"), "\xC3");              // truncated sequence
  EXPECT_EQ(Utf8ToCp1252("\xC0\xAF"), "\xC0\xAF");      // overlong encoding of '/'
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));             // surrogate
}

// The one UTF-16 decoder behind the settings reader and the script engine's wide strings.
TEST(CodePage, Utf16DecodesSurrogatePairsAsOneCharacter) {
  struct Case {
    std::u16string utf16;
    const char* cp1252;
  };
  const Case cases[] = {
      {u"\u20AC\u00E9\u0081\u017D", "\x80\xE9\x81\x8E"},
      {u"a\U0001F600z", "a?z"},                  // a pair is one character 1252 lacks
      {std::u16string{u'a', char16_t(0xD800), u'z'}, "a?z"},    // unpaired high surrogate
      {std::u16string{u'a', char16_t(0xDC00), u'z'}, "a?z"},    // unpaired low surrogate
      {std::u16string{char16_t(0xDBFF)}, "?"},                  // high surrogate at the end
      {std::u16string{char16_t(0xDC00), char16_t(0xD800)}, "??"},  // wrong order is no pair
      {u"\u0080\u03BC", "??"},                    // no 1252 code
  };
  for (const auto& c : cases) EXPECT_EQ(Utf16ToCp1252(c.utf16), c.cp1252) << c.cp1252;
  std::string all;
  for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
  EXPECT_EQ(Utf16ToCp1252(Cp1252ToUtf16(all)), all);
  EXPECT_EQ(Cp1252ToUtf16("\x80\x9F"), u"\u20AC\u0178");
  EXPECT_EQ(Cp1252ToCodePoint('\x8A'), 0x0160u);
}

TEST(CodePage, AsciiCasingTouchesOnlyLettersAToZ) {
  EXPECT_EQ(UpperCase("abc\xE9z"), "ABC\xE9Z");
  EXPECT_EQ(LowerCase("ABC\xC9Z"), "abc\xC9z");
  EXPECT_TRUE(SameText("Quantitation", "QUANTITATION"));
  EXPECT_FALSE(SameText("\xE9", "\xC9"));
  EXPECT_LT(CompareText("abc", "ABD"), 0);
  EXPECT_GT(CompareText("abcd", "ABC"), 0);
  EXPECT_EQ(CompareText("", ""), 0);
}

TEST(CodePage, WesternEuropeanCasingCoversTheWhole1252Table) {
  struct Case {
    unsigned char lower, upper;
  };
  const Case pairs[] = {{'a', 'A'}, {0xE0, 0xC0}, {0xFE, 0xDE}, {0x9A, 0x8A}, {0x9C, 0x8C},
                        {0x9E, 0x8E}, {0xFF, 0x9F}, {0xF1, 0xD1}, {0xE6, 0xC6}};
  for (const auto& p : pairs) {
    EXPECT_EQ(static_cast<unsigned char>(AnsiUpper(static_cast<char>(p.lower))), p.upper) << int(p.lower);
    EXPECT_EQ(static_cast<unsigned char>(AnsiLower(static_cast<char>(p.upper))), p.lower) << int(p.upper);
  }
  // No partner in 1252: sharp s, micro sign, the arithmetic signs, f with hook.
  for (unsigned char c : {0xDF, 0xB5, 0xD7, 0xF7, 0x83}) {
    EXPECT_EQ(static_cast<unsigned char>(AnsiUpper(static_cast<char>(c))), c) << int(c);
    EXPECT_EQ(static_cast<unsigned char>(AnsiLower(static_cast<char>(c))), c) << int(c);
  }
  EXPECT_EQ(AnsiUpperCase("probe s\xFC" "d"), "PROBE S\xDC" "D");
  EXPECT_TRUE(AnsiSameText("FRAN\xC7OISE", "fran\xE7oise"));
  EXPECT_EQ(AnsiCompareText("\xE9tude", "\xC9TUDE"), 0);
}

}  // namespace
}  // namespace varnholt::platform
