// RtlGoldenTable.cpp — reads the golden table of the run-time routines.
#include "tests/rtl/RtlGoldenTable.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "tests/support/TempFolder.h"

namespace varnholt::test {
namespace {

// Fields escape a backslash as "\\" and other bytes as "\xHH".
std::string Unescape(const std::string& field) {
  std::string out;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 1 < field.size() && field[i + 1] == '\\') {
      out += '\\';
      ++i;
    } else if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] == 'x') {
      out += static_cast<char>(std::stoi(field.substr(i + 2, 2), nullptr, 16));
      i += 3;
    } else {
      out += field[i];
    }
  }
  return out;
}

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1) {
    fields.push_back(line.substr(start, tab - start));
  }
  fields.push_back(line.substr(start));
  return fields;
}

}  // namespace

std::vector<TRtlGoldenRow> ReadRtlGoldenTable() {
  std::vector<TRtlGoldenRow> rows;
  std::istringstream in(ReadFile(TestDataFolder() / "rtl/rtl_golden.tsv"));
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    const std::vector<std::string> fields = SplitTabs(line);
    if (fields.size() < 4) {
      ADD_FAILURE() << "malformed row: " << line;
      continue;
    }
    TRtlGoldenRow row{fields[0], fields[1], Unescape(fields[2]), fields[3], {}, line};
    for (std::size_t i = 4; i < fields.size(); ++i) {
      const std::size_t colon = fields[i].find(':');
      row.args.push_back({fields[i].substr(0, colon), Unescape(fields[i].substr(colon + 1))});
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

std::string ReadRtlGoldenLocale() { return ReadFile(TestDataFolder() / "rtl/rtl_locale.json"); }

double ParseGoldenDouble(const std::string& text) {
  const std::size_t slash = text.find('/');
  if (slash == std::string::npos) return std::strtod(text.c_str(), nullptr);
  return std::strtod(text.substr(0, slash).c_str(), nullptr) / std::strtod(text.substr(slash + 1).c_str(), nullptr);
}

std::int64_t ParseGoldenCurrency(const std::string& text) {
  const bool negative = !text.empty() && text[0] == '-';
  const std::string digits = negative ? text.substr(1) : text;
  const std::size_t point = digits.find('.');
  std::string fraction = point == std::string::npos ? "" : digits.substr(point + 1);
  fraction.resize(4, '0');
  const std::int64_t value = std::stoll(digits.substr(0, point)) * 10000 + std::stoll(fraction);
  return negative ? -value : value;
}

}  // namespace varnholt::test
