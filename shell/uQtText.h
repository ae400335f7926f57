// uQtText.h — the two text worlds of the window: the core speaks Windows-1252, Qt speaks UTF-16.
#pragma once

#include <QString>
#include <string>

#include "platform/CodePage.h"

namespace varnholt::shell {

inline QString FromSystem(const std::string& text) {
  return QString::fromStdString(platform::Cp1252ToUtf8(text));
}

inline std::string ToSystem(const QString& text) {
  return platform::Utf8ToCp1252(text.toStdString());
}

}  // namespace varnholt::shell
