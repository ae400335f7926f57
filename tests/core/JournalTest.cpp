// JournalTest.cpp — the journal's chain: tampering of each kind is found and named, three processes
// appending at once keep one chain, and a writer killed at any instant leaves a chain that verifies.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <random>

#include "core/uJournal.h"
#include "platform/Files.h"
#include "tests/support/TempFolder.h"

namespace varnholt::test {
namespace {

namespace fs = std::filesystem;

TJournalEntry SampleEntry(int n, const std::string& file = {}, const std::string& fileSha = {}) {
  TJournalEntry e;
  e.timeUtc = "2024-05-01T12:00:00.000Z";
  e.timeLocal = "2024-05-01T14:00:00.000+0200";
  e.user = "lab";
  e.machine = "bench";
  e.process = "test[" + std::to_string(::getpid()) + "]";
  e.mode = "automatic";
  e.report = "C:\\PDF\\r" + std::to_string(n) + ".pdf";
  e.queueName = "r" + std::to_string(n) + ".pdf";
  e.outcome = "filed";
  e.location = "C:\\Store\\S" + std::to_string(n) + ".pdf";
  e.filedAs = "S" + std::to_string(n) + ".pdf";
  e.scriptEnd = "done";
  e.scriptSha256 = platform::Sha256Of("script\n");
  e.records = "a record\n";
  if (!file.empty()) e.files.push_back({file, "moved", fileSha});
  return e;
}

void AppendMany(const fs::path& file, int count) {
  TJournal journal;
  ASSERT_TRUE(journal.Open(file));
  for (int i = 0; i < count; ++i) {
    TJournalEntry entry = SampleEntry(i);
    ASSERT_TRUE(journal.Append(entry, "script\n"));
  }
}

// Runs SQL on the journal file as someone with write access would, past the triggers.
void Tamper(const fs::path& file, const char* sql) {
  TSqlite db;
  ASSERT_TRUE(db.Open(file, 1000));
  ASSERT_TRUE(db.Exec("DROP TRIGGER entriesKept; DROP TRIGGER entriesNotDeleted; DROP TRIGGER filesKept;"));
  ASSERT_TRUE(db.Exec(sql));
}

TEST(Journal, TheProgramCannotChangeOrDeleteAnEntry) {
  TTempFolder temp;
  AppendMany(temp / "j", 2);
  TSqlite db;
  ASSERT_TRUE(db.Open(temp / "j", 1000));
  EXPECT_FALSE(db.Exec("UPDATE entries SET reason = 'x' WHERE id = 1"));
  EXPECT_FALSE(db.Exec("DELETE FROM entries WHERE id = 2"));
  TJournal journal;
  ASSERT_TRUE(journal.Open(temp / "j"));
  EXPECT_TRUE(journal.Verify().ok);
}

TEST(Journal, ASampleIsAPartOfANameInAnyCaseAndTakenLiterally) {
  TTempFolder temp;
  AppendMany(temp / "j", 12);  // queue names r0.pdf ... r11.pdf, filed as S0.pdf ... S11.pdf
  TJournal journal;
  ASSERT_TRUE(journal.Open(temp / "j"));
  for (const auto& [sample, found] : {std::pair{"s1.", 1u}, std::pair{"R1", 3u}, std::pair{"%", 0u},
                                      std::pair{"r_.pdf", 0u}, std::pair{"", 12u}}) {
    std::vector<TJournalEntry> entries;
    TJournalQuery query;
    query.sample = sample;
    ASSERT_TRUE(journal.List(query, entries));
    EXPECT_EQ(entries.size(), found) << sample;
  }
}

TEST(Journal, VerifyNamesTheFirstBrokenEntry) {
  struct TCase {
    const char* name;
    std::function<void(const fs::path& journal, const fs::path& archived)> tamper;
    std::int64_t broken;
  };
  const TCase cases[] = {
      {"a byte changed in an entry",
       [](const fs::path& j, const fs::path&) { Tamper(j, "UPDATE entries SET reason = 'x' WHERE id = 3"); },
       3},
      {"a byte changed in an entry's file",
       [](const fs::path& j, const fs::path&) {
         Tamper(j, "UPDATE files SET how = 'copied' WHERE entry = 2");
       },
       2},
      {"a deleted entry",
       [](const fs::path& j, const fs::path&) { Tamper(j, "DELETE FROM entries WHERE id = 3"); }, 4},
      {"the first entry deleted",
       [](const fs::path& j, const fs::path&) { Tamper(j, "DELETE FROM entries WHERE id = 1"); }, 2},
      {"a changed script",
       [](const fs::path& j, const fs::path&) { Tamper(j, "UPDATE scripts SET text = 'x'"); }, 1},
      {"a changed archived file", [](const fs::path&, const fs::path& a) { WriteFile(a, "changed"); }, 2},
      {"a deleted archived file", [](const fs::path&, const fs::path& a) { fs::remove(a); }, 2},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    TTempFolder temp;
    const fs::path archived = temp / "drives/c/Store/S2.pdf";
    WriteFile(archived, "report two");
    std::string sha;
    ASSERT_TRUE(platform::FileSha256(archived, sha));
    {
      TJournal journal;
      ASSERT_TRUE(journal.Open(temp / "j"));
      for (int n = 1; n <= 5; ++n) {
        TJournalEntry entry = n == 2 ? SampleEntry(n, "C:\\Store\\S2.pdf", sha) : SampleEntry(n);
        ASSERT_TRUE(journal.Append(entry, "script\n"));
      }
    }
    auto resolve = [&temp](const std::string& path) -> std::optional<fs::path> {
      return path == "C:\\Store\\S2.pdf" ? std::optional<fs::path>(temp / "drives/c/Store/S2.pdf")
                                         : std::nullopt;
    };
    TJournal journal;
    ASSERT_TRUE(journal.Open(temp / "j"));
    ASSERT_TRUE(journal.Verify(resolve).ok);
    c.tamper(temp / "j", archived);
    const TJournalVerdict verdict = journal.Verify(resolve);
    EXPECT_FALSE(verdict.ok);
    EXPECT_EQ(verdict.brokenId, c.broken) << verdict.problem;
  }
}

TEST(Journal, ThreeProcessesAppendingAtOnceKeepOneChain) {
  TTempFolder temp;
  {
    TJournal made;
    ASSERT_TRUE(made.Open(temp / "j"));
  }
  constexpr int kEach = 60;
  std::vector<pid_t> children;
  for (int p = 0; p < 3; ++p) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      TJournal journal;
      bool ok = static_cast<bool>(journal.Open(temp / "j"));
      for (int i = 0; ok && i < kEach; ++i) {
        TJournalEntry entry = SampleEntry(i);
        ok = static_cast<bool>(journal.Append(entry, "script\n"));
      }
      _exit(ok ? 0 : 1);
    }
    children.push_back(child);
  }
  for (const pid_t child : children) {
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  TJournal journal;
  ASSERT_TRUE(journal.Open(temp / "j"));
  const TJournalVerdict verdict = journal.Verify();
  EXPECT_TRUE(verdict.ok) << verdict.brokenId << ": " << verdict.problem;
  EXPECT_EQ(verdict.entries, 3 * kEach);
}

TEST(Journal, AWriterKilledAtAnyInstantLeavesAChainThatVerifies) {
  TTempFolder temp;
  std::mt19937 random(21);
  std::int64_t before = 0;
  for (int round = 0; round < 25; ++round) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      TJournal journal;
      if (!journal.Open(temp / "j")) _exit(1);
      for (int i = 0;; ++i) {
        TJournalEntry entry = SampleEntry(i);
        const std::string script = "script " + std::to_string(round) + "\n";
        entry.scriptSha256 = platform::Sha256Of(script);
        if (!journal.Append(entry, script)) _exit(1);
      }
    }
    // Kill it somewhere in its opening, its schema or an append; the moment does not matter.
    ::usleep(static_cast<useconds_t>(random() % 20000));
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the writer ended by itself";
    TJournal journal;
    ASSERT_TRUE(journal.Open(temp / "j"));
    const TJournalVerdict verdict = journal.Verify();
    ASSERT_TRUE(verdict.ok) << "round " << round << ", entry " << verdict.brokenId << ": " << verdict.problem;
    EXPECT_GE(verdict.entries, before);
    before = verdict.entries;
  }
  EXPECT_GT(before, 0);
}

}  // namespace
}  // namespace varnholt::test
