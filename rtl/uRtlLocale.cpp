// uRtlLocale.cpp — format settings from a JSON object.
#include "rtl/uRtlLocale.h"

#include <nlohmann/json.hpp>

#include <string>

#include "platform/CodePage.h"

namespace varnholt::rtl {

namespace {

using nlohmann::json;

[[noreturn]] void Fail(const std::string& field, const std::string& what) {
  throw ERtlError("Locale setting " + field + ": " + what);
}

std::string Text(const json& value, const std::string& field) {
  if (!value.is_string()) Fail(field, "a text is expected");
  return platform::Utf8ToCp1252(value.get<std::string>());
}

char Character(const json& value, const std::string& field) {
  std::string text = Text(value, field);
  if (text.size() != 1) Fail(field, "exactly one character is expected");
  return text[0];
}

int Number(const json& value, const std::string& field, int low, int high) {
  if (!value.is_number_integer()) Fail(field, "a whole number is expected");
  auto number = value.get<long long>();
  if (number < low || number > high)
    Fail(field, "must lie between " + std::to_string(low) + " and " + std::to_string(high));
  return static_cast<int>(number);
}

template <size_t N>
void Names(const json& value, const std::string& field, std::array<std::string, N>& names) {
  if (!value.is_array() || value.size() != N)
    Fail(field, "a list of " + std::to_string(N) + " texts is expected");
  for (size_t i = 0; i < N; ++i) names[i] = Text(value[i], field);
}

}  // namespace

platform::TFormatSettings FormatSettingsFromJson(std::string_view jsonText,
                                                 const platform::TFormatSettings& base) {
  json root = json::parse(jsonText.begin(), jsonText.end(), nullptr, false);
  if (root.is_discarded()) throw ERtlError("Locale settings are not valid JSON");
  if (!root.is_object()) throw ERtlError("Locale settings must be a JSON object");
  platform::TFormatSettings s = base;
  for (const auto& [key, value] : root.items()) {
    if (key == "DecimalSeparator") {
      s.DecimalSeparator = Character(value, key);
    } else if (key == "ThousandSeparator") {
      s.ThousandSeparator = Character(value, key);
    } else if (key == "DateSeparator") {
      s.DateSeparator = Character(value, key);
    } else if (key == "TimeSeparator") {
      s.TimeSeparator = Character(value, key);
    } else if (key == "ShortDateFormat") {
      s.ShortDateFormat = Text(value, key);
    } else if (key == "LongDateFormat") {
      s.LongDateFormat = Text(value, key);
    } else if (key == "ShortTimeFormat") {
      s.ShortTimeFormat = Text(value, key);
    } else if (key == "LongTimeFormat") {
      s.LongTimeFormat = Text(value, key);
    } else if (key == "TimeAMString") {
      s.TimeAMString = Text(value, key);
    } else if (key == "TimePMString") {
      s.TimePMString = Text(value, key);
    } else if (key == "CurrencyString") {
      s.CurrencyString = Text(value, key);
    } else if (key == "CurrencyFormat") {
      s.CurrencyFormat = Number(value, key, 0, 3);
    } else if (key == "NegCurrFormat") {
      s.NegCurrFormat = Number(value, key, 0, 15);
    } else if (key == "CurrencyDecimals") {
      s.CurrencyDecimals = Number(value, key, 0, 18);
    } else if (key == "ShortMonthNames") {
      Names(value, key, s.ShortMonthNames);
    } else if (key == "LongMonthNames") {
      Names(value, key, s.LongMonthNames);
    } else if (key == "ShortDayNames") {
      Names(value, key, s.ShortDayNames);
    } else if (key == "LongDayNames") {
      Names(value, key, s.LongDayNames);
    } else {
      Fail(key, "unknown field");
    }
  }
  return s;
}

}  // namespace varnholt::rtl
