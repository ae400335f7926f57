// uRegExFunctions.cpp — REMatch, REFind and REReplace on PCRE2, with the scripts' expression dialect
// translated into PCRE2's syntax first.
//
// The dialect is close to PCRE2's but not the same: a backslash before a letter that has no meaning of its
// own stands for that letter (PCRE2 would take \Q, \K, \p or \X as features, or reject \i), "\Z" is the
// very end of the text, "\s" does not take the vertical tab, "\12" is group 1 followed by a "2", and of
// the "(?" forms only modifier groups and comments exist. Rejecting every other "(?" and "(*" form also
// keeps a script from switching on UTF mode or raising the match limits from inside its expression.
#include "hostlib/uRegExFunctions.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <algorithm>
#include <memory>
#include <optional>

#include "hostlib/uTextFunctions.h"

namespace varnholt {

namespace {
constexpr const char* kObject = "Varnholt";

// A pattern that backtracks without end on a long report must end in an error, not hold the queue. PCRE2's
// match limit counts the steps from one start position only, so a pattern that stays just below it at
// every position of a 50 KB text would still run for minutes; every step of the expression therefore also
// reaches a callout that counts against one budget for the whole routine call. Fifty million steps take
// about a second and are thousands of times what a label search over a report needs. The depth and heap
// limits stop deep group repetitions before they eat the machine's memory.
constexpr std::uint32_t kMatchLimit = 10'000'000;
constexpr std::uint32_t kDepthLimit = 500'000;
constexpr PCRE2_SIZE kHeapLimitKiB = 64 * 1024;
constexpr std::uint64_t kStepBudget = 50'000'000;

struct TCodeFree {
  void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
struct TMatchDataFree {
  void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};
struct TMatchContextFree {
  void operator()(pcre2_match_context* context) const { pcre2_match_context_free(context); }
};
struct TCompileContextFree {
  void operator()(pcre2_compile_context* context) const { pcre2_compile_context_free(context); }
};
using TCode = std::unique_ptr<pcre2_code, TCodeFree>;
using TMatchData = std::unique_ptr<pcre2_match_data, TMatchDataFree>;
using TMatchContext = std::unique_ptr<pcre2_match_context, TMatchContextFree>;
using TCompileContext = std::unique_ptr<pcre2_compile_context, TCompileContextFree>;

std::string EngineMessage(int code) {
  PCRE2_UCHAR buffer[256];
  const int length = pcre2_get_error_message(code, buffer, sizeof buffer);
  std::string message =
      length < 0 ? "error " + std::to_string(code) : std::string(reinterpret_cast<char*>(buffer));
  if (code == PCRE2_ERROR_MATCHLIMIT || code == PCRE2_ERROR_DEPTHLIMIT || code == PCRE2_ERROR_HEAPLIMIT)
    message += ": the expression backtracks too much on this text";
  return message;
}

bool IsAlnum(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The dialect's "\s": space, TAB, LF, CR and form feed (PCRE2's would take the vertical tab too).
constexpr std::string_view kSpaceChars = "\\t\\n\\r\\f ";

// Translates the escape at pattern[i] == '\\' and returns the index of its last character.
std::size_t TranslateEscape(std::string_view pattern, std::size_t i, bool inClass, std::string& out) {
  if (i + 1 >= pattern.size()) {
    out += '\\';  // PCRE2 reports the backslash at the end of the expression
    return i;
  }
  const char c = pattern[i + 1];
  const std::string_view meaningful = inClass ? "dDwWStnrfaexb" : "dDwWbBAtnrfaex";
  if (c == 's') {
    out += inClass ? std::string(kSpaceChars) : "[" + std::string(kSpaceChars) + "]";
  } else if (c == 'S' && !inClass) {
    out += "[^" + std::string(kSpaceChars) + "]";
  } else if (c == 'Z' && !inClass) {
    out += "\\z";
  } else if (c >= '1' && c <= '9' && !inClass) {
    out += "\\g{";  // braces keep "\12" from reading as group 12
    out += c;
    out += '}';
  } else if (IsAlnum(c) && meaningful.find(c) != std::string_view::npos) {
    out += '\\';
    out += c;
  } else if (IsAlnum(c) || static_cast<unsigned char>(c) >= 0x80) {
    out += c;  // a letter or digit without a meaning of its own stands for itself
  } else {
    out += '\\';
    out += c;
  }
  return i + 1;
}

// Translates "(?..." at pattern[i] and returns the index of its closing parenthesis, or nullopt with the
// reason when the form is not one the dialect has.
std::optional<std::size_t> TranslateInlineGroup(std::string_view pattern, std::size_t i, bool& extended,
                                                std::string& out, std::string& error) {
  if (i + 2 < pattern.size() && pattern[i + 2] == '#') {
    const std::size_t close = pattern.find(')', i + 3);
    if (close == std::string_view::npos) {
      error = "missing ) after the comment at offset " + std::to_string(i);
      return std::nullopt;
    }
    return close;  // comments are dropped
  }
  std::string on;
  std::string off;
  bool negate = false;
  std::size_t j = i + 2;
  for (; j < pattern.size() && pattern[j] != ')'; ++j) {
    const char c = pattern[j];
    if (c == '-' && !negate) {
      negate = true;
    } else if (c == 'i' || c == 'm' || c == 's' || c == 'x') {
      (negate ? off : on) += c;
      if (c == 'x') extended = !negate;
    } else if (c == 'g') {
      (negate ? on : off) += 'U';  // greedy off is PCRE2's "ungreedy" on
    } else if (c == 'r') {
      // Cyrillic ranges have no effect on the 8-bit Latin texts here.
    } else {
      break;
    }
  }
  if (j >= pattern.size() || pattern[j] != ')') {
    const std::size_t shown = std::min(pattern.size(), j + 1) - i;
    error = "unsupported group \"" + std::string(pattern.substr(i, shown)) + "\" at offset " +
            std::to_string(i) + ": only modifiers such as (?i) or (?im-sx) and comments (?#...) are allowed";
    return std::nullopt;
  }
  if (!on.empty() || !off.empty()) out += "(?" + on + (off.empty() ? "" : "-" + off) + ")";
  return j;
}

// The dialect expression in PCRE2's syntax, or nullopt with the reason.
std::optional<std::string> Translate(std::string_view pattern, std::string& error) {
  if (pattern.empty()) {
    error = "empty expression";
    return std::nullopt;
  }
  std::string out;
  out.reserve(pattern.size() + 16);
  bool inClass = false;
  bool extended = false;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (c == '\\') {
      i = TranslateEscape(pattern, i, inClass, out);
    } else if (inClass) {
      if (c == ']') inClass = false;
      out += c == '[' ? std::string("\\[") : std::string(1, c);  // no POSIX classes such as [:alpha:]
    } else if (c == '[') {
      inClass = true;
      out += c;
      if (i + 1 < pattern.size() && pattern[i + 1] == '^') out += pattern[++i];
      if (i + 1 < pattern.size() && pattern[i + 1] == ']') out += pattern[++i];  // a leading ] is literal
    } else if (c == '(' && i + 1 < pattern.size() && pattern[i + 1] == '?') {
      const auto close = TranslateInlineGroup(pattern, i, extended, out, error);
      if (!close) return std::nullopt;
      i = *close;
    } else if (c == '(' && i + 1 < pattern.size() && pattern[i + 1] == '*') {
      error = "quantifier does not follow a repeatable item at offset " + std::to_string(i + 1);
      return std::nullopt;
    } else if (c == '#' && extended) {
      // An extended-mode comment runs to the end of the line; nothing in it is syntax.
      const std::size_t end = pattern.find('\n', i);
      const std::size_t stop = end == std::string_view::npos ? pattern.size() : end;
      out.append(pattern.substr(i, stop - i));
      i = stop - 1;
    } else {
      out += c;
    }
  }
  return out;
}

// One compiled expression with what a search needs; an empty code means it did not compile.
struct TCompiled {
  TCode code;
  TMatchData matchData;
  TMatchContext matchContext;
  std::uint64_t stepsLeft = kStepBudget;  // shared by every search of one routine call
};

int CountStep(pcre2_callout_block*, void* stepsLeft) {
  auto& left = *static_cast<std::uint64_t*>(stepsLeft);
  if (left == 0) return PCRE2_ERROR_MATCHLIMIT;  // a negative result ends the search with that error
  --left;
  return 0;
}

std::optional<TCompiled> Compile(std::string_view regExp, std::string& error) {
  const auto pattern = Translate(regExp, error);
  if (!pattern) return std::nullopt;
  TCompileContext compileContext(pcre2_compile_context_create(nullptr));
  if (!compileContext) {
    error = "out of memory";
    return std::nullopt;
  }
  // CR LF, CR or LF end a line for (?m) and for "." under (?-s), as the report texts break lines.
  pcre2_set_newline(compileContext.get(), PCRE2_NEWLINE_ANYCRLF);
  const std::uint32_t options = PCRE2_DOTALL | PCRE2_DOLLAR_ENDONLY | PCRE2_NEVER_UTF | PCRE2_NEVER_UCP |
                                PCRE2_NEVER_BACKSLASH_C | PCRE2_AUTO_CALLOUT;
  int code = 0;
  PCRE2_SIZE offset = 0;
  TCompiled compiled;
  compiled.code.reset(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern->data()), pattern->size(), options,
                                    &code, &offset, compileContext.get()));
  if (!compiled.code) {
    error = EngineMessage(code);
    return std::nullopt;
  }
  std::uint32_t groups = 0;
  pcre2_pattern_info(compiled.code.get(), PCRE2_INFO_CAPTURECOUNT, &groups);
  if (groups > static_cast<std::uint32_t>(kMaxRegExGroups)) {
    error = "too many groups (" + std::to_string(groups) + "): at most " + std::to_string(kMaxRegExGroups) +
            " are allowed";
    return std::nullopt;
  }
  compiled.matchData.reset(pcre2_match_data_create_from_pattern(compiled.code.get(), nullptr));
  compiled.matchContext.reset(pcre2_match_context_create(nullptr));
  if (!compiled.matchData || !compiled.matchContext) {
    error = "out of memory";
    return std::nullopt;
  }
  pcre2_set_match_limit(compiled.matchContext.get(), kMatchLimit);
  pcre2_set_depth_limit(compiled.matchContext.get(), kDepthLimit);
  pcre2_set_heap_limit(compiled.matchContext.get(), kHeapLimitKiB);
  return compiled;
}

// Searches from offset: true on a match, false on none, nullopt with the reason when the matcher failed.
std::optional<bool> Search(TCompiled& compiled, std::string_view text, std::size_t offset,
                           std::string& error) {
  // Set here rather than at compile time: the compiled expression has moved since.
  pcre2_set_callout(compiled.matchContext.get(), CountStep, &compiled.stepsLeft);
  // An empty view may carry no pointer at all, which PCRE2 refuses even for a length of 0.
  const char* subject = text.data() != nullptr ? text.data() : "";
  const int rc = pcre2_match(compiled.code.get(), reinterpret_cast<PCRE2_SPTR>(subject), text.size(), offset,
                             0, compiled.matchData.get(), compiled.matchContext.get());
  if (rc == PCRE2_ERROR_NOMATCH) return false;
  if (rc < 0) {
    error = EngineMessage(rc);
    return std::nullopt;
  }
  return true;
}

void WriteRegExError(TLogger& log, const char* proc, std::string_view regExp, const std::string& error) {
  log.WriteEntry(ltErr, kObject, proc, regExp, error);
}
}  // namespace

bool REMatch(TLogger& log, std::string_view text, std::string_view regExp) {
  log.WriteProc(kObject, "REMatch");
  std::string error;
  auto compiled = Compile(regExp, error);
  const auto found = compiled ? Search(*compiled, text, 0, error) : std::nullopt;
  if (!found) {
    WriteRegExError(log, "REMatch", regExp, error);
    return false;
  }
  return *found;
}

std::string REFind(TLogger& log, std::string_view text, std::string_view regExp, std::int32_t index) {
  log.WriteProc(kObject, "REFind");
  std::string error;
  auto compiled = Compile(regExp, error);
  const auto found = compiled ? Search(*compiled, text, 0, error) : std::nullopt;
  if (!found) {
    WriteRegExError(log, "REFind", regExp, error);
    return std::string();
  }
  std::string_view group;
  if (*found && index >= 0 && index <= kMaxRegExGroups &&
      static_cast<std::uint32_t>(index) < pcre2_get_ovector_count(compiled->matchData.get())) {
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(compiled->matchData.get());
    const PCRE2_SIZE start = ovector[2 * index];
    const PCRE2_SIZE end = ovector[2 * index + 1];
    // A group that took no part in the match is unset; it gives the empty text.
    if (start != PCRE2_UNSET && end >= start) group = text.substr(start, end - start);
  }
  return TrimAll(log, group);
}

std::string REReplace(TLogger& log, std::string_view text, std::string_view regExp,
                      std::string_view substitute) {
  log.WriteProc(kObject, "REReplace");
  std::string error;
  auto compiled = Compile(regExp, error);
  if (!compiled) {
    WriteRegExError(log, "REReplace", regExp, error);
    return std::string();
  }
  std::string result;
  result.reserve(text.size());
  std::size_t copied = 0;  // the end of the text already in result
  for (std::size_t from = 0; from <= text.size();) {
    const auto found = Search(*compiled, text, from, error);
    if (!found) {
      WriteRegExError(log, "REReplace", regExp, error);
      return std::string();
    }
    if (!*found) break;
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(compiled->matchData.get());
    const std::size_t start = ovector[0];
    const std::size_t end = ovector[1];
    result.append(text.substr(copied, start - copied));
    result.append(substitute);
    copied = end;
    // After an empty match the next search starts one character on; that character stays in the result.
    from = end > start ? end : end + 1;
  }
  result.append(text.substr(copied));
  return TrimAll(log, result);
}

}  // namespace varnholt
