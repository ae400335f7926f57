// uTextCache.cpp — the SQLite file behind the text cache.
#include "core/uTextCache.h"

#include <sys/stat.h>

#include "platform/Files.h"

namespace varnholt {

platform::TStatus TTextCache::Open(const std::filesystem::path& file) {
  const std::lock_guard lock(mutex_);
  if (platform::TStatus opened = db_.Open(file, 10000); !opened) return opened;
  // The texts are the reports' contents: only the owner may read them, as PDF1.TXT and PDF2.TXT.
  ::chmod(file.c_str(), S_IRUSR | S_IWUSR);
  platform::TStatus made = db_.Exec(
      "PRAGMA journal_mode=WAL;"
      "CREATE TABLE IF NOT EXISTS reportTexts(key TEXT PRIMARY KEY, unreadable INTEGER NOT NULL,"
      " message TEXT NOT NULL, text1 BLOB NOT NULL, text2 BLOB NOT NULL, answerKeys TEXT NOT NULL);");
  if (!made) db_.Close();
  return made;
}

bool TTextCache::Find(const std::string& key, TCachedTexts& texts) {
  const std::lock_guard lock(mutex_);
  if (!db_.IsOpen()) return false;
  TSqlStatement query;
  if (!db_.Prepare("SELECT unreadable, message, text1, text2, answerKeys FROM reportTexts WHERE key = ?", query)) return false;
  query.Bind(1, key);
  if (query.Step() != SQLITE_ROW) return false;
  texts.unreadable = query.Int(0) != 0;
  texts.message = query.Text(1);
  texts.text1 = query.Text(2);
  texts.text2 = query.Text(3);
  texts.answerKeys = platform::SplitLines(query.Text(4));
  return true;
}

platform::TStatus TTextCache::Store(const std::string& key, const TCachedTexts& texts) {
  const std::lock_guard lock(mutex_);
  if (!db_.IsOpen()) return platform::TStatus::Fail("The text cache is not open");
  TSqlStatement insert;
  if (platform::TStatus prepared = db_.Prepare(
          "INSERT OR REPLACE INTO reportTexts(key, unreadable, message, text1, text2, answerKeys)"
          " VALUES (?, ?, ?, ?, ?, ?)",
          insert);
      !prepared) {
    return prepared;
  }
  insert.Bind(1, key);
  insert.Bind(2, static_cast<std::int64_t>(texts.unreadable ? 1 : 0));
  insert.Bind(3, texts.message);
  insert.Bind(4, texts.text1);
  insert.Bind(5, texts.text2);
  std::string keys;
  for (const std::string& key : texts.answerKeys) keys += key + "\n";
  insert.Bind(6, keys);
  if (insert.Step() != SQLITE_DONE) return db_.Failure("Storing the texts");
  return platform::TStatus::Ok();
}

}  // namespace varnholt
