// uRtlText.cpp — the run-time text routines on code page 1252 strings.
#include "rtl/uRtlText.h"

#include <algorithm>

#include "platform/CodePage.h"

namespace varnholt::rtl {

namespace {

bool IsBlank(char c) {
  return static_cast<unsigned char>(c) <= 32;
}

bool IsIdentStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

int Sign(int value) {
  return (value > 0) - (value < 0);
}

}  // namespace

std::string UpperCase(std::string_view text) {
  return platform::UpperCase(text);
}
std::string LowerCase(std::string_view text) {
  return platform::LowerCase(text);
}
std::string AnsiUpperCase(std::string_view text) {
  return platform::AnsiUpperCase(text);
}
std::string AnsiLowerCase(std::string_view text) {
  return platform::AnsiLowerCase(text);
}

int CompareStr(std::string_view a, std::string_view b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    int diff = static_cast<unsigned char>(a[i]) - static_cast<unsigned char>(b[i]);
    if (diff != 0) return diff;
  }
  return static_cast<int>(a.size()) - static_cast<int>(b.size());
}

int CompareText(std::string_view a, std::string_view b) {
  return platform::CompareText(a, b);
}

// The locale's collation orders by letter first, without regard to case; only texts equal that way are
// ordered by case, a lower-case letter before its capital (as the Western European collation does).
int AnsiCompareStr(std::string_view a, std::string_view b) {
  int folded = Sign(platform::AnsiCompareText(a, b));
  if (folded != 0) return folded;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i]) {
      bool aLower = platform::AnsiUpper(a[i]) != a[i];
      return aLower ? -1 : 1;
    }
  }
  return 0;
}

int AnsiCompareText(std::string_view a, std::string_view b) {
  return Sign(platform::AnsiCompareText(a, b));
}

std::string Trim(std::string_view text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return std::string(text.substr(begin, end - begin));
}

std::string TrimLeft(std::string_view text) {
  size_t begin = 0;
  while (begin < text.size() && IsBlank(text[begin])) ++begin;
  return std::string(text.substr(begin));
}

std::string TrimRight(std::string_view text) {
  size_t end = text.size();
  while (end > 0 && IsBlank(text[end - 1])) --end;
  return std::string(text.substr(0, end));
}

bool IsValidIdent(std::string_view text) {
  if (text.empty() || !IsIdentStart(text[0])) return false;
  return std::all_of(text.begin() + 1, text.end(),
                     [](char c) { return IsIdentStart(c) || (c >= '0' && c <= '9'); });
}

std::string Copy(std::string_view text, std::int64_t index, std::int64_t count) {
  const auto length = static_cast<std::int64_t>(text.size());
  if (index < 1) index = 1;
  if (text.empty() || index > length || count <= 0) return "";
  count = std::min(count, length - index + 1);
  return std::string(text.substr(static_cast<size_t>(index - 1), static_cast<size_t>(count)));
}

void Delete(std::string& text, std::int64_t index, std::int64_t count) {
  const auto length = static_cast<std::int64_t>(text.size());
  if (index < 1 || index > length || count <= 0) return;
  count = std::min(count, length - index + 1);
  text.erase(static_cast<size_t>(index - 1), static_cast<size_t>(count));
}

void Insert(std::string_view source, std::string& text, std::int64_t index) {
  if (source.empty()) return;
  const auto length = static_cast<std::int64_t>(text.size());
  index = std::clamp<std::int64_t>(index, 1, length + 1);
  text.insert(static_cast<size_t>(index - 1), source);
}

std::int32_t Pos(std::string_view subText, std::string_view text) {
  if (subText.empty() || text.empty()) return 0;
  size_t at = text.find(subText);
  return at == std::string_view::npos ? 0 : static_cast<std::int32_t>(at + 1);
}

std::string Chr(std::int64_t code) {
  return std::string(1, static_cast<char>(code & 0xFF));
}

std::int32_t Ord(std::string_view text) {
  return text.empty() ? 0 : static_cast<unsigned char>(text[0]);
}

}  // namespace varnholt::rtl
