// uTextFunctions.cpp — the text routines that action scripts use to cut values out of PDF text.
#include "hostlib/uTextFunctions.h"

#include <algorithm>
#include <vector>

#include "platform/CodePage.h"
#include "platform/Files.h"

namespace varnholt {

namespace {
constexpr const char* kObject = "Varnholt";

constexpr char Fold(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// The first occurrence of what in text at or after from, a-z folded to A-Z; npos when there is none.
// Folds as it compares instead of copying: the scripts search whole reports many times per run.
std::size_t FindFolded(std::string_view text, std::string_view what, std::size_t from = 0) {
  if (what.empty()) return from <= text.size() ? from : std::string_view::npos;
  if (what.size() > text.size()) return std::string_view::npos;
  const char first = Fold(what[0]);
  const std::size_t last = text.size() - what.size();
  for (std::size_t i = from; i <= last; ++i) {
    if (Fold(text[i]) != first) continue;
    std::size_t k = 1;
    while (k < what.size() && Fold(text[i + k]) == Fold(what[k])) ++k;
    if (k == what.size()) return i;
  }
  return std::string_view::npos;
}

// Every exact occurrence of from replaced by to, scanning on after each replacement.
std::string ReplaceExact(std::string_view text, std::string_view from, std::string_view to) {
  std::string result;
  result.reserve(text.size());
  std::size_t start = 0;
  for (std::size_t hit; !from.empty() && (hit = text.find(from, start)) != std::string_view::npos;
       start = hit + from.size()) {
    result.append(text.substr(start, hit - start));
    result.append(to);
  }
  result.append(text.substr(start));
  return result;
}

// The shared splitting of Token and Tokens: the delimiter matches only as written all in lower case or
// all in upper case, so "Lot" splits at "lot" and "LOT" but not at "Lot" itself.
std::vector<std::string_view> Fields(TLogger& log, std::string& work, std::string_view text,
                                     std::string_view delimiter) {
  log.WriteProc(kObject, "Token");
  work = ReplaceExact(ReplaceExact(text, platform::LowerCase(delimiter), "\n"),
                      platform::UpperCase(delimiter), "\n");
  return platform::SplitLineViews(work);
}
}  // namespace

std::string_view TrimmedView(std::string_view text) {
  while (!text.empty() && IsTrimChar(text.back())) text.remove_suffix(1);
  while (!text.empty() && IsTrimChar(text.front())) text.remove_prefix(1);
  return text;
}

std::string TrimAll(TLogger& log, std::string_view text) {
  log.WriteProc(kObject, "TrimAll");
  return std::string(TrimmedView(text));
}

std::optional<std::string> CutText(TLogger& log, std::string_view text, std::string_view start,
                                   std::string_view end) {
  log.WriteProc(kObject, "Between");
  std::size_t from = 0;
  if (!start.empty()) {
    const std::size_t hit = FindFolded(text, start);
    if (hit == std::string_view::npos) return std::nullopt;
    from = hit + start.size();
  }
  if (end.empty()) return std::string(text.substr(from));
  const std::size_t stop = FindFolded(text, end, from);
  // An end label that never follows the start label gives nothing rather than the rest of the text, so a
  // value is never taken from a neighbouring line by accident.
  if (stop == std::string_view::npos) return std::string();
  return std::string(text.substr(from, stop - from));
}

std::string Between(TLogger& log, std::string_view text, std::string_view subStr1, std::string_view subStr2) {
  return TrimAll(log, CutText(log, text, subStr1, subStr2).value_or(std::string()));
}

std::string After(TLogger& log, std::string_view text, std::string_view subStr) {
  return TrimAll(log, CutText(log, text, subStr, {}).value_or(std::string()));
}

std::string Before(TLogger& log, std::string_view text, std::string_view subStr) {
  return TrimAll(log, CutText(log, text, {}, subStr).value_or(std::string()));
}

std::string AfterN(TLogger& log, std::string_view text, std::string_view subStr, std::int32_t count) {
  if (count <= 0) return TrimAll(log, text);
  std::string result;
  std::string work(text);
  for (std::int32_t i = 0; i < count; ++i) {
    if (auto cut = CutText(log, work, subStr, {})) result = std::move(*cut);
    // A round that changes nothing is repeated by every further round; a huge count must not hold the run.
    if (result == work) break;
    work = result;
  }
  return TrimAll(log, result);
}

std::string BeforeN(TLogger& log, std::string_view text, std::string_view subStr, std::int32_t count) {
  if (count <= 0) return TrimAll(log, text);
  // The cut before a label always produces a text (empty when the label is missing), so each round works
  // on the previous round's result, exactly as AfterN does with the cut after a label.
  std::string work(text);
  for (std::int32_t i = 0; i < count; ++i) {
    std::string next = CutText(log, work, {}, subStr).value_or(std::string());
    if (next == work) break;  // as in AfterN: nothing changes any more
    work = std::move(next);
  }
  return TrimAll(log, work);
}

std::string Left(TLogger& log, std::string_view text, std::int32_t n) {
  const std::size_t size = n <= 0 ? 0 : std::min(text.size(), static_cast<std::size_t>(n));
  return TrimAll(log, text.substr(0, size));
}

std::string Right(TLogger& log, std::string_view text, std::int32_t n) {
  const std::size_t size = n <= 0 ? 0 : std::min(text.size(), static_cast<std::size_t>(n));
  return TrimAll(log, text.substr(text.size() - size));
}

std::string Mid(TLogger& log, std::string_view text, std::int32_t start, std::int32_t length) {
  const std::int64_t first = std::max<std::int64_t>(start, 1) - 1;
  if (length <= 0 || first >= static_cast<std::int64_t>(text.size())) return TrimAll(log, {});
  return TrimAll(log, text.substr(static_cast<std::size_t>(first), static_cast<std::size_t>(length)));
}

bool Contains(std::string_view text, std::string_view subStr) {
  return !subStr.empty() && FindFolded(text, subStr) != std::string_view::npos;
}

std::int32_t PosI(std::string_view subStr, std::string_view text) {
  if (subStr.empty()) return 0;
  const std::size_t hit = FindFolded(text, subStr);
  return hit == std::string_view::npos ? 0 : static_cast<std::int32_t>(hit + 1);
}

bool SameText(std::string_view text1, std::string_view text2) {
  return platform::SameText(text1, text2);
}

std::string TextReplace(std::string_view text, std::string_view oldText, std::string_view newText) {
  if (oldText.empty()) return std::string(text);
  // Casing maps one byte to one byte in code page 1252, so positions in the folded copy are positions in
  // the text itself.
  const std::string foldedText = platform::AnsiUpperCase(text);
  const std::string foldedOld = platform::AnsiUpperCase(oldText);
  std::string result;
  result.reserve(text.size());
  std::size_t start = 0;
  for (std::size_t hit; (hit = foldedText.find(foldedOld, start)) != std::string::npos;
       start = hit + oldText.size()) {
    result.append(text.substr(start, hit - start));
    result.append(newText);
  }
  result.append(text.substr(start));
  return result;
}

std::string Token(TLogger& log, std::string_view text, std::string_view delimiter, std::int32_t index) {
  std::string work;
  const auto fields = Fields(log, work, text, delimiter);
  const std::int64_t count = static_cast<std::int64_t>(fields.size());
  std::int64_t position = index < 0 ? std::int64_t{index} + count + 1 : std::int64_t{index};
  if (position < 1 || position > count) return std::string();
  return TrimAll(log, fields[static_cast<std::size_t>(position - 1)]);
}

std::string Tokens(TLogger& log, std::string_view text, std::string_view delimiter, std::int32_t index) {
  std::string work;
  const auto fields = Fields(log, work, text, delimiter);
  const std::int64_t count = static_cast<std::int64_t>(fields.size());
  const std::int64_t taken =
      std::clamp<std::int64_t>(index >= 0 ? std::int64_t{index} : count + index + 1, 0, count);
  std::string joined;
  for (std::int64_t i = 0; i < taken; ++i) {
    if (i > 0) joined.append(delimiter);
    joined.append(fields[static_cast<std::size_t>(i)]);
  }
  return TrimAll(log, joined);
}

}  // namespace varnholt
