// uTextFunctions.h — the text routines that action scripts use to cut values out of PDF text.
//
// Searches fold the letters a-z to A-Z only; results are cut from the searched text unchanged and, for
// nearly every routine, trimmed of spaces, tabs and line breaks at both ends. The building blocks write
// their own Prc records ("TrimAll", "Between", "Token") each time they run.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "logging/uLogger.h"

namespace varnholt {

// True for TAB, LF, CR and space: the only characters trimming removes.
constexpr bool IsTrimChar(char c) { return c == '\t' || c == '\n' || c == '\r' || c == ' '; }

// Removes trim characters at both ends (the end first, then the start); writes the Prc record "TrimAll".
std::string TrimAll(TLogger& log, std::string_view text);
// The same without a record, for callers that trim as part of their own work.
std::string_view TrimmedView(std::string_view text);

// The cut step behind Between, After, Before and their N-th forms: the text from just after the first
// `start` to just before the first `end` that follows it (either may be empty). Nothing when `start` does
// not occur; the empty text when `end` does not occur after it. Writes the Prc record "Between".
std::optional<std::string> CutText(TLogger& log, std::string_view text, std::string_view start,
                                   std::string_view end);

std::string Between(TLogger& log, std::string_view text, std::string_view subStr1, std::string_view subStr2);
std::string After(TLogger& log, std::string_view text, std::string_view subStr);
std::string Before(TLogger& log, std::string_view text, std::string_view subStr);
// The text after the count-th occurrence (after the last one when there are fewer); the whole text
// trimmed for a count of 0 or less. The rounds (one "Between" record each) stop once a round changes
// nothing, so a count far beyond the occurrences costs no more than the occurrences.
std::string AfterN(TLogger& log, std::string_view text, std::string_view subStr, std::int32_t count);
// "Text before subStr" applied count times, each time to the previous result (stopping, as AfterN, once a
// round changes nothing); the whole text trimmed for a count of 0 or less.
std::string BeforeN(TLogger& log, std::string_view text, std::string_view subStr, std::int32_t count);

std::string Left(TLogger& log, std::string_view text, std::int32_t n);
std::string Right(TLogger& log, std::string_view text, std::int32_t n);
// Positions count from 1; a start below 1 counts as 1 without shortening the length.
std::string Mid(TLogger& log, std::string_view text, std::int32_t start, std::int32_t length);

// An empty subStr is never contained.
bool Contains(std::string_view text, std::string_view subStr);
// The 1-based position of the first occurrence, 0 when there is none or subStr is empty.
std::int32_t PosI(std::string_view subStr, std::string_view text);
// Equal length and equal with a-z folded to A-Z; accented letters compare only with themselves.
bool SameText(std::string_view text1, std::string_view text2);
// Replaces every occurrence of oldText, found with the Western European case folding of the system code
// page, by newText; newText is never searched again. Not trimmed; no record.
std::string TextReplace(std::string_view text, std::string_view oldText, std::string_view newText);

// The fields of a text: the delimiter in its all-lower-case and all-upper-case forms, and every line
// break, separate them. Index 1 is the first field, -1 the last; out of range gives the empty text.
// Both write the Prc record "Token".
std::string Token(TLogger& log, std::string_view text, std::string_view delimiter, std::int32_t index);
// The first index fields (all but the last -index-1 for a negative index) joined with the delimiter.
std::string Tokens(TLogger& log, std::string_view text, std::string_view delimiter, std::int32_t index);

}  // namespace varnholt
