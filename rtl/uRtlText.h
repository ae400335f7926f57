// uRtlText.h — the text routines of the run-time library on code page 1252 strings.
//
// Positions count from 1 and every position or count outside the text is clipped, never an error.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace varnholt::rtl {

std::string UpperCase(std::string_view text);      // a-z only
std::string LowerCase(std::string_view text);      // A-Z only
std::string AnsiUpperCase(std::string_view text);  // the Western European letters of 1252 too
std::string AnsiLowerCase(std::string_view text);
int CompareStr(std::string_view a, std::string_view b);       // <0, 0, >0 byte-wise
int CompareText(std::string_view a, std::string_view b);      // the same with a-z folded to A-Z
int AnsiCompareStr(std::string_view a, std::string_view b);   // -1, 0, 1 by the locale's collation
int AnsiCompareText(std::string_view a, std::string_view b);  // the same without regard to case

std::string Trim(std::string_view text);  // without the characters of code 32 or less at both ends
std::string TrimLeft(std::string_view text);
std::string TrimRight(std::string_view text);
bool IsValidIdent(std::string_view text);

// An empty text, an index beyond the end or a negative count gives ""; an index below 1 counts as 1.
std::string Copy(std::string_view text, std::int64_t index, std::int64_t count);
// An index below 1 or beyond the end, or a count of 0 or less, leaves the text as it is.
void Delete(std::string& text, std::int64_t index, std::int64_t count);
// An index below 1 inserts at the start, one beyond the end appends.
void Insert(std::string_view source, std::string& text, std::int64_t index);
// 1-based position of the first occurrence, 0 when absent or when either text is empty.
std::int32_t Pos(std::string_view subText, std::string_view text);

// Calls visit(i) for every position of a FormatFloat or FormatDateTime picture that stands outside quoted
// literal text ('...' or "..."); the quote characters themselves are not visited. Stops when visit gives
// false.
template <class F>
void ForEachUnquoted(std::string_view picture, F visit) {
  char quote = 0;
  for (std::size_t i = 0; i < picture.size(); ++i) {
    const char c = picture[i];
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (!visit(i)) {
      return;
    }
  }
}

std::string Chr(std::int64_t code);       // the character of the low 8 bits
std::int32_t Ord(std::string_view text);  // the code of the first character, 0 for ""

}  // namespace varnholt::rtl
