// uTextCache.h — the texts of reports extracted once, kept by the SHA-256 of the report's bytes, so that a
// replay of a thousand saved reports reads each one through the engine only the first time.
//
// The cache is an SQLite file in the application folder (Varnholt.textcache). An entry's key also holds
// what else decides the texts: the engine program, the text limit, OCR and the PDF passwords (hashed), so an
// upgraded engine or new passwords read the reports afresh. Only what the engine answered for a report it
// could read, or named as unreadable, is kept; an engine that failed is asked again next time.
#pragma once

#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "core/uSqlite.h"
#include "platform/Status.h"

namespace varnholt {

inline constexpr const char* kTextCacheFileName = "Varnholt.textcache";

struct TCachedTexts {
  bool unreadable = false;  // the engine named the report unreadable; message says why
  std::string message;      // the engine's answer
  std::string text1, text2;
  std::vector<std::string> answerKeys;  // the answer's lines after the message (OCRPAGES=, OCRCONFIDENCE=)
};

class TTextCache {
 public:
  platform::TStatus Open(const std::filesystem::path& file);
  bool IsOpen() const { return db_.IsOpen(); }
  // Safe from several threads at once.
  bool Find(const std::string& key, TCachedTexts& texts);
  platform::TStatus Store(const std::string& key, const TCachedTexts& texts);

 private:
  std::mutex mutex_;
  TSqlite db_;
};

}  // namespace varnholt
