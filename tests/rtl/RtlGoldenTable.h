// RtlGoldenTable.h — the golden table of the run-time routines (tests/data/rtl/rtl_golden.tsv, made
// from Free Pascal by rtl_oracle/generate.py) as rows, for the tests that run it directly and through
// scripts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace varnholt::test {

// The year the table was made in: the two-digit-year rows depend on it.
constexpr int kRtlTableYear = 2026;

struct TRtlGoldenArg {
  std::string kind;  // i, I (64-bit), f, c, s, b, dt, ...
  std::string text;
};

struct TRtlGoldenRow {
  std::string routine;
  std::string outcome;   // ok, or the kind of failure
  std::string expected;  // the expected text
  std::string note;      // fpc, ours (different on purpose), msg (our message text)
  std::vector<TRtlGoldenArg> args;
  std::string line;  // the row as written, for failure messages
};

std::vector<TRtlGoldenRow> ReadRtlGoldenTable();
// The locale the table was made with (rtl_locale.json), as JSON text.
std::string ReadRtlGoldenLocale();

// A number as the table writes it: a decimal, or a fraction "a/b" for values without a short decimal.
double ParseGoldenDouble(const std::string& text);
// A currency amount in ten-thousandths, exactly ("1234567.25" -> 12345672500).
std::int64_t ParseGoldenCurrency(const std::string& text);

}  // namespace varnholt::test
