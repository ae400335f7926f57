// uRegExFunctions.h — the regular-expression routines that action scripts use to recognise report layouts
// and pick values out of PDF text.
//
// Every call compiles its expression afresh with the fixed settings (dot matches line breaks, "^" and "$"
// only at the ends of the whole text, case sensitive, greedy unless a quantifier says "?"); only the
// inline modifier groups such as (?i) or (?im-sx) and comments (?#...) may change them. A bad expression,
// or one that backtracks without end, gives an Err record and false or the empty text, never a failure.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "logging/uLogger.h"

namespace varnholt {

// The most groups an expression may have besides the whole match (number 0).
constexpr std::int32_t kMaxRegExGroups = 14;

// True when regExp matches anywhere in text. Writes the Prc record "REMatch".
bool REMatch(TLogger& log, std::string_view text, std::string_view regExp);
// Group index (0: the whole match) of the first match, trimmed; empty when there is none. Writes "REFind".
std::string REFind(TLogger& log, std::string_view text, std::string_view regExp, std::int32_t index);
// Every match replaced by substitute, which is copied literally ("$1" stays "$1"); trimmed. Writes
// "REReplace".
std::string REReplace(TLogger& log, std::string_view text, std::string_view regExp,
                      std::string_view substitute);

}  // namespace varnholt
