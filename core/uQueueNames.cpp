// uQueueNames.cpp — the rule for the names the queue takes, and their escaped form for the log.
#include "core/uQueueNames.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "platform/CodePage.h"

namespace varnholt {

namespace {

constexpr std::string_view kPathCharacters = "\\/:*?\"<>|";

// Control characters as 1252 bytes; the five codes 1252 leaves undefined stand for C1 controls.
bool IsControl(unsigned char b) {
  const std::uint32_t codePoint = platform::Cp1252ToCodePoint(static_cast<char>(b));
  return codePoint < 0x20 || codePoint == 0x7F || (codePoint >= 0x80 && codePoint < 0xA0);
}

// The 1252 byte of a decoded character, or -1 when 1252 has none.
int Cp1252Of(std::uint32_t codePoint) {
  const char b = platform::CodePointToCp1252(codePoint);
  return (b == '?' && codePoint != '?') ? -1 : static_cast<unsigned char>(b);
}

}  // namespace

TQueueNameFault QueueNameFault(std::string_view nativeName) {
  TQueueNameFault fault = TQueueNameFault::kNone;
  for (std::size_t i = 0; i < nativeName.size();) {
    std::uint32_t codePoint = 0;
    const std::size_t length = platform::DecodeUtf8Char(nativeName, i, codePoint);
    if (length == 0) return TQueueNameFault::kNotUtf8;
    i += length;
    const int b = Cp1252Of(codePoint);
    TQueueNameFault here = TQueueNameFault::kNone;
    if (b < 0) {
      here = TQueueNameFault::kNotCp1252;
    } else if (IsControl(static_cast<unsigned char>(b))) {
      here = TQueueNameFault::kControl;
    } else if (kPathCharacters.find(static_cast<char>(b)) != std::string_view::npos) {
      here = TQueueNameFault::kPathCharacter;
    }
    fault = std::max(fault, here);
  }
  return fault;
}

const char* QueueNameFaultText(TQueueNameFault fault) {
  switch (fault) {
    case TQueueNameFault::kNone:
      return "Name Taken";
    case TQueueNameFault::kNotUtf8:
      return "Name Not UTF-8";
    case TQueueNameFault::kNotCp1252:
      return "Name Outside Code Page";
    case TQueueNameFault::kControl:
      return "Name With Control Character";
    case TQueueNameFault::kPathCharacter:
      return "Name With Path Character";
  }
  return "Name Not Taken";
}

std::string EscapedQueueName(std::string_view nativeName) {
  std::string shown;
  const auto escape = [&shown](std::string_view bytes) {
    for (const char c : bytes) {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(c));
      shown += hex;
    }
  };
  for (std::size_t i = 0; i < nativeName.size();) {
    std::uint32_t codePoint = 0;
    const std::size_t length = platform::DecodeUtf8Char(nativeName, i, codePoint);
    if (length == 0) {
      escape(nativeName.substr(i, 1));
      ++i;
      continue;
    }
    const int b = Cp1252Of(codePoint);
    if (b < 0 || b == '\\' || IsControl(static_cast<unsigned char>(b))) {
      escape(nativeName.substr(i, length));
    } else {
      shown += static_cast<char>(b);
    }
    i += length;
  }
  return shown;
}

}  // namespace varnholt
