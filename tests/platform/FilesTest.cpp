// FilesTest.cpp — native file services: masks, no-overwrite copy and move surviving a crash at every step,
// the in-use test, text lines, and the atomic replace surviving a crash.
#include "platform/Files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

#include <gtest/gtest.h>

#include "platform/FileSystem.h"
#include "tests/support/TempFolder.h"

namespace varnholt::platform {
namespace {

using test::ReadFile;
using test::WriteFile;

TEST(Files, MatchesMasksLikeWindows) {
  struct Case {
    const char* name;
    const char* mask;
    bool match;
  };
  const Case cases[] = {
      {"report.pdf", "*.pdf", true},       {"REPORT.PDF", "*.pdf", true},    {"report.pdfx", "*.pdf", false},
      {"_0001.PDF", "_????.PDF", true},    {"_001.PDF", "_????.PDF", false}, {"_00012.PDF", "_????.PDF", false},
      {"anything", "*", true},             {"", "*", true},                  {"abc", "a*b*c", true},
      {"axbxc", "a*b*c", true},            {"acb", "a*b*c", false},          {"S\xFC" "D.pdf", "s\xDC" "d.*", true},
      {"x.pdf", "x.pdf", true},            {"x.pdf", "y.pdf", false},        {"aaaaaaaaaaaaaaaaaaab", "*a*a*a*a*c", false},
  };
  for (const auto& c : cases) EXPECT_EQ(MatchesMask(c.name, c.mask), c.match) << c.name << " ~ " << c.mask;
}

TEST(Files, FindFilesSkipsHiddenFilesAndFoldersAndGivesLastWriteTimes) {
  test::TTempFolder dir;
  WriteFile(dir / "b.PDF", "b");
  WriteFile(dir / "a.pdf", "a");
  WriteFile(dir / ".hidden.pdf", "h");
  WriteFile(dir / "notes.txt", "t");
  std::filesystem::create_directories(dir / "folder.pdf");
  const timespec times[2] = {{1000, 0}, {1293287400, 0}};  // 2010-12-25 14:30 UTC
  ::utimensat(AT_FDCWD, (dir / "a.pdf").c_str(), times, 0);

  const auto found = FindFiles(dir.Path(), "*.pdf");
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].name, "a.pdf");
  EXPECT_EQ(found[1].name, "b.PDF");
  EXPECT_EQ(std::chrono::system_clock::to_time_t(found[0].lastWrite), 1293287400);
  EXPECT_TRUE(FindFiles(dir / "missing", "*").empty());
}

TEST(Files, CopyNeverOverwritesAndKeepsTheLastWriteTime) {
  test::TTempFolder dir;
  WriteFile(dir / "src.pdf", "source");
  WriteFile(dir / "dst.pdf", "existing");
  const timespec times[2] = {{1000, 0}, {1293287400, 0}};
  ::utimensat(AT_FDCWD, (dir / "src.pdf").c_str(), times, 0);

  const TStatus refused = CopyFileNoOverwrite(dir / "src.pdf", dir / "dst.pdf");
  EXPECT_FALSE(refused.ok());
  EXPECT_NE(refused.Message().find("already exists"), std::string::npos) << refused.Message();
  EXPECT_EQ(ReadFile(dir / "dst.pdf"), "existing");

  ASSERT_TRUE(CopyFileNoOverwrite(dir / "src.pdf", dir / "new.pdf").ok());
  EXPECT_EQ(ReadFile(dir / "new.pdf"), "source");
  EXPECT_EQ(ReadFile(dir / "src.pdf"), "source");
  struct stat st {};
  ::stat((dir / "new.pdf").c_str(), &st);
  EXPECT_EQ(st.st_mtim.tv_sec, 1293287400);

  const TStatus missing = CopyFileNoOverwrite(dir / "nope.pdf", dir / "n2.pdf");
  EXPECT_FALSE(missing.ok());
  EXPECT_FALSE(FileExists(dir / "n2.pdf"));
}

TEST(Files, MoveNeverOverwrites) {
  test::TTempFolder dir;
  WriteFile(dir / "src.pdf", "source");
  WriteFile(dir / "dst.pdf", "existing");
  EXPECT_FALSE(MoveFileNoOverwrite(dir / "src.pdf", dir / "dst.pdf").ok());
  EXPECT_EQ(ReadFile(dir / "src.pdf"), "source");
  EXPECT_EQ(ReadFile(dir / "dst.pdf"), "existing");

  ASSERT_TRUE(MoveFileNoOverwrite(dir / "src.pdf", dir / "moved.pdf").ok());
  EXPECT_FALSE(FileExists(dir / "src.pdf"));
  EXPECT_EQ(ReadFile(dir / "moved.pdf"), "source");
  EXPECT_FALSE(MoveFileNoOverwrite(dir / "gone.pdf", dir / "x.pdf").ok());
}

TEST(Files, MoveAcrossFileSystemsCopiesThenDeletes) {
  test::TTempFolder dir;
  const std::filesystem::path other = "/dev/shm";
  struct stat a {}, b {};
  if (::stat(dir.Path().c_str(), &a) != 0 || ::stat(other.c_str(), &b) != 0 || a.st_dev == b.st_dev) {
    GTEST_SKIP() << "no second file system (/dev/shm) to move across";
  }
  const auto target = other / ("varnholt-move-" + std::to_string(::getpid()) + ".pdf");
  WriteFile(dir / "src.pdf", "across");
  ASSERT_TRUE(MoveFileNoOverwrite(dir / "src.pdf", target).ok());
  EXPECT_FALSE(FileExists(dir / "src.pdf"));
  EXPECT_EQ(ReadFile(target), "across");
  // And back onto an existing name: refused, both kept.
  WriteFile(dir / "src.pdf", "back");
  EXPECT_FALSE(MoveFileNoOverwrite(target, dir / "src.pdf").ok());
  EXPECT_EQ(ReadFile(target), "across");
  EXPECT_EQ(ReadFile(dir / "src.pdf"), "back");
  std::filesystem::remove(target);
}

// The names in a folder, hidden ones (temporary copies) and visible ones apart.
struct TListing {
  std::vector<std::string> visible, hidden;
};
TListing List(const std::filesystem::path& folder) {
  TListing listing;
  for (const auto& e : std::filesystem::directory_iterator(folder)) {
    const std::string name = e.path().filename().string();
    (name[0] == '.' ? listing.hidden : listing.visible).push_back(name);
  }
  return listing;
}

constexpr TPlacementStep kSteps[] = {TPlacementStep::kCopyFlushed, TPlacementStep::kDestinationNamed,
                                     TPlacementStep::kTemporaryRemoved, TPlacementStep::kDestinationFlushed,
                                     TPlacementStep::kSourceRemoved};

enum class TOperation { kCopy, kMoveByCopy };

TStatus Place(TOperation operation, const std::filesystem::path& source, const std::filesystem::path& destination,
              const TPlacementHook& hook) {
  return operation == TOperation::kCopy ? CopyFileNoOverwrite(source, destination, hook)
                                        : MoveFileByCopy(source, destination, hook);
}

std::string ReportBytes() {
  std::string bytes = "%PDF-1.4\n";
  for (int i = 0; bytes.size() < (3u << 20); ++i) bytes += "stream " + std::to_string(i * 7919) + "\n";
  return bytes;
}

TEST(Files, CopyAndMoveSurviveAProcessDyingBetweenAnyTwoSteps) {
  const std::string report = ReportBytes();
  for (const TOperation operation : {TOperation::kCopy, TOperation::kMoveByCopy}) {
    for (const TPlacementStep step : kSteps) {
      if (operation == TOperation::kCopy && step == TPlacementStep::kSourceRemoved) continue;  // a copy ends before
      const int where = static_cast<int>(step);
      SCOPED_TRACE((operation == TOperation::kCopy ? "copy, dying after step " : "move, dying after step ") +
                   std::to_string(where));
      test::TTempFolder dir;
      const auto source = dir / "PDF/report.pdf";
      const auto destination = dir / "Archive/S1.PDF";
      WriteFile(source, report);
      std::filesystem::create_directories(dir / "Archive");
      const pid_t child = ::fork();
      if (child == 0) {
        Place(operation, source, destination, [step](TPlacementStep at) {
          if (at == step) _exit(10 + static_cast<int>(at));  // as sudden as a power loss for this process
          return TStatus::Ok();
        });
        _exit(0);
      }
      int status = 0;
      ::waitpid(child, &status, 0);
      ASSERT_TRUE(WIFEXITED(status));
      ASSERT_EQ(WEXITSTATUS(status), 10 + where) << "the process did not die at the step";

      const bool sourceGone = step == TPlacementStep::kSourceRemoved;
      EXPECT_EQ(FileExists(source), !sourceGone);
      if (!sourceGone) {
        EXPECT_EQ(ReadFile(source), report) << "the source must be intact";
      }
      const TListing archive = List(dir / "Archive");
      if (step == TPlacementStep::kCopyFlushed) {
        EXPECT_TRUE(archive.visible.empty()) << "no destination before it is complete";
      } else {
        ASSERT_EQ(archive.visible, std::vector<std::string>{"S1.PDF"});
        EXPECT_EQ(ReadFile(destination), report) << "a destination is always complete";
      }
      // At most the one hidden temporary copy, and none once the destination has its name alone.
      EXPECT_LE(archive.hidden.size(), step <= TPlacementStep::kDestinationNamed ? 1u : 0u);
      for (const auto& name : archive.hidden) EXPECT_NE(name.find(std::to_string(child)), std::string::npos) << name;
    }
  }
}

TEST(Files, AFailureBetweenStepsLeavesOnlyTheSource) {
  const std::string report = ReportBytes();
  for (const TOperation operation : {TOperation::kCopy, TOperation::kMoveByCopy}) {
    for (const TPlacementStep step : kSteps) {
      if (operation == TOperation::kCopy && step == TPlacementStep::kSourceRemoved) continue;
      SCOPED_TRACE((operation == TOperation::kCopy ? "copy, failing after step " : "move, failing after step ") +
                   std::to_string(static_cast<int>(step)));
      test::TTempFolder dir;
      const auto source = dir / "PDF/report.pdf";
      const auto destination = dir / "Archive/S1.PDF";
      WriteFile(source, report);
      std::filesystem::create_directories(dir / "Archive");
      const TStatus result = Place(operation, source, destination, [step](TPlacementStep at) {
        return at == step ? TStatus::Fail("injected failure") : TStatus::Ok();
      });
      if (step == TPlacementStep::kSourceRemoved) {
        // Nothing is left to undo once the source is gone: the move has happened.
        EXPECT_TRUE(result.ok()) << result.Message();
        EXPECT_FALSE(FileExists(source));
        EXPECT_EQ(ReadFile(destination), report);
        continue;
      }
      EXPECT_FALSE(result.ok());
      EXPECT_EQ(result.Message(), "injected failure");
      EXPECT_EQ(ReadFile(source), report);
      const TListing archive = List(dir / "Archive");
      EXPECT_TRUE(archive.visible.empty());
      EXPECT_TRUE(archive.hidden.empty()) << archive.hidden.front();
    }
  }
}

TEST(Files, AMoveWhoseSourceVanishesBeforeItsDeletionKeepsTheCopy) {
  // Someone else (a recovery after a crash, an operator) removed the source meanwhile: the copy is all
  // that is left of the report and must stay.
  test::TTempFolder dir;
  const auto source = dir / "PDF/report.pdf";
  const auto destination = dir / "Archive/S1.PDF";
  WriteFile(source, "%PDF ours");
  std::filesystem::create_directories(dir / "Archive");
  const TStatus moved = MoveFileByCopy(source, destination, [&](TPlacementStep at) {
    if (at == TPlacementStep::kDestinationFlushed) std::filesystem::remove(source);
    return TStatus::Ok();
  });
  EXPECT_TRUE(moved.ok()) << moved.Message();
  EXPECT_EQ(ReadFile(destination), "%PDF ours");
}

// Names that are not regular files, each reached directly or through a link.
struct TOddNames {
  test::TTempFolder dir;
  std::vector<std::filesystem::path> names;
  TOddNames() {
    EXPECT_EQ(::mkfifo((dir / "fifo").c_str(), 0644), 0);
    std::filesystem::create_symlink(dir / "fifo", dir / "link-to-fifo");
    std::filesystem::create_directories(dir / "folder");
    std::filesystem::create_symlink(dir / "folder", dir / "link-to-folder");
    const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = (dir / "socket").string();
    if (s >= 0 && socketPath.size() < sizeof address.sun_path) {
      std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
      if (::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
        names.push_back(dir / "socket");
    }
    if (s >= 0) ::close(s);
    std::filesystem::create_symlink("/dev/null", dir / "link-to-null");
    for (const char* name : {"fifo", "link-to-fifo", "folder", "link-to-folder", "link-to-null"}) {
      names.push_back(dir / name);
    }
  }
  // What each name is now, so that a test can tell nothing was touched.
  std::vector<std::string> Kinds() const {
    std::vector<std::string> kinds;
    for (const auto& name : names) {
      struct stat l {};
      struct stat t {};
      ::lstat(name.c_str(), &l);
      ::stat(name.c_str(), &t);
      kinds.push_back(std::to_string(l.st_mode & S_IFMT) + "/" + std::to_string(t.st_mode & S_IFMT) + "/" +
                      std::to_string(t.st_ino));
    }
    return kinds;
  }
};

TEST(Files, WritesNeverReplaceAFifoADeviceASocketOrAFolder) {
  ::alarm(60);  // a FIFO opened the wrong way would block: end the test rather than hang it
  TOddNames odd;
  const auto before = odd.Kinds();
  WriteFile(odd.dir / "source.pdf", "%PDF");
  using TWrite = std::function<TStatus(const std::filesystem::path&)>;
  const std::vector<std::pair<const char*, TWrite>> writes = {
      {"replace", [](const auto& p) { return ReplaceFileAtomically(p, "new"); }},
      {"lines", [](const auto& p) { return WriteTextLines(p, {"new"}); }},
      {"append", [](const auto& p) { return AppendTextLine(p, "new"); }},
      {"copy", [&](const auto& p) { return CopyFileNoOverwrite(odd.dir / "source.pdf", p); }},
      {"read",
       [](const auto& p) {
         std::vector<std::string> lines;
         return ReadTextLines(p, lines);
       }},
  };
  for (const auto& [what, write] : writes) {
    for (const auto& name : odd.names) {
      SCOPED_TRACE(std::string(what) + " " + name.filename().string());
      const TStatus status = write(name);
      EXPECT_FALSE(status.ok());
      EXPECT_EQ(status.Message().rfind("Not a regular file: ", 0), 0u) << status.Message();
    }
  }
  EXPECT_EQ(odd.Kinds(), before);
  ::alarm(0);
}

TEST(Files, ADestinationThatAppearsDuringTheCopyIsNeverOverwritten) {
  for (const TOperation operation : {TOperation::kCopy, TOperation::kMoveByCopy}) {
    test::TTempFolder dir;
    const auto source = dir / "PDF/report.pdf";
    const auto destination = dir / "Archive/S1.PDF";
    WriteFile(source, "%PDF ours");
    std::filesystem::create_directories(dir / "Archive");
    const TStatus result = Place(operation, source, destination, [&](TPlacementStep at) {
      if (at == TPlacementStep::kCopyFlushed) WriteFile(destination, "another program's file");
      return TStatus::Ok();
    });
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(result.Message(), "The file already exists: \"" + destination.string() + "\"");
    EXPECT_EQ(ReadFile(destination), "another program's file");
    EXPECT_EQ(ReadFile(source), "%PDF ours");
    EXPECT_TRUE(List(dir / "Archive").hidden.empty());
  }
}

TEST(Files, ACopyKeepsPermissionsAndTimeAndTakesLongNames) {
  test::TTempFolder dir;
  const std::string longName = std::string(250, 'n') + ".PDF";  // 254 bytes: the temporary name must shrink
  WriteFile(dir / "src.pdf", "source");
  ::chmod((dir / "src.pdf").c_str(), 0640);
  const timespec times[2] = {{1000, 0}, {1293287400, 500}};
  ::utimensat(AT_FDCWD, (dir / "src.pdf").c_str(), times, 0);
  std::filesystem::create_directories(dir / "to");
  for (const char* name : {"copy.pdf", longName.c_str()}) {
    ASSERT_TRUE(CopyFileNoOverwrite(dir / "src.pdf", dir / "to" / name).ok()) << name;
    struct stat st {};
    ASSERT_EQ(::stat((dir / "to" / name).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(st.st_mtim.tv_sec, 1293287400);
    EXPECT_EQ(st.st_nlink, 1u) << "the temporary name is gone";
  }
  EXPECT_TRUE(List(dir / "to").hidden.empty());
  const TStatus noFolder = CopyFileNoOverwrite(dir / "src.pdf", dir / "missing/x.pdf");
  EXPECT_FALSE(noFolder.ok());
  EXPECT_NE(noFolder.Message().find("Cannot create"), std::string::npos) << noFolder.Message();
}

// Runs `hold` in a child process that keeps the file in the given state until the returned pipe closes.
class THolder {
 public:
  template <typename Hold>
  explicit THolder(Hold hold) {
    int ready[2], release[2];
    if (::pipe(ready) != 0 || ::pipe(release) != 0) std::abort();
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(ready[0]);
      ::close(release[1]);
      hold();
      char c = 1;
      if (::write(ready[1], &c, 1) != 1) _exit(1);
      (void)!::read(release[0], &c, 1);  // until the parent lets go
      _exit(0);
    }
    ::close(ready[1]);
    ::close(release[0]);
    releaseFd_ = release[1];
    char c;
    (void)!::read(ready[0], &c, 1);
    ::close(ready[0]);
  }
  ~THolder() {
    ::close(releaseFd_);
    int status;
    ::waitpid(pid_, &status, 0);
  }

 private:
  pid_t pid_ = -1;
  int releaseFd_ = -1;
};

TEST(Files, InUseWhenAnotherProcessWritesOrLocksIt) {
  test::TTempFolder dir;
  const auto file = dir / "job.pdf";
  WriteFile(file, "%PDF");
  EXPECT_FALSE(IsFileInUse(file));
  EXPECT_FALSE(IsOpenForWritingElsewhere(file));
  for (const int mode : {O_WRONLY, O_RDWR, O_WRONLY | O_APPEND}) {
    THolder writer([&] { ::open(file.c_str(), mode); });  // a printer backend still writing the job
    EXPECT_TRUE(IsFileInUse(file)) << "open mode " << mode;
    EXPECT_TRUE(IsOpenForWritingElsewhere(file)) << "open mode " << mode;
  }
  EXPECT_FALSE(IsFileInUse(file));
  {
    THolder reader([&] { ::open(file.c_str(), O_RDONLY); });
    EXPECT_FALSE(IsFileInUse(file)) << "a reader does not make a file busy";
    EXPECT_FALSE(IsOpenForWritingElsewhere(file));
  }
  {
    THolder locker([&] { ::flock(::open(file.c_str(), O_RDONLY), LOCK_SH); });
    EXPECT_TRUE(IsFileInUse(file));
  }
  {
    THolder locker([&] {
      const int fd = ::open(file.c_str(), O_RDWR);
      struct flock lock {};
      lock.l_type = F_WRLCK;
      lock.l_whence = SEEK_SET;
      ::fcntl(fd, F_SETLK, &lock);
      ::close(::dup(fd));  // keeps the lock; the descriptor stays open for writing as well
    });
    EXPECT_TRUE(IsFileInUse(file));
  }
  EXPECT_FALSE(IsFileInUse(file)) << "every holder has let go";
  ::chmod(file.c_str(), 0444);
  EXPECT_TRUE(IsFileInUse(file)) << "a read-only file is never taken";
  ::chmod(file.c_str(), 0644);
  EXPECT_TRUE(IsFileInUse(dir / "missing.pdf"));
  std::filesystem::create_directories(dir / "folder.pdf");
  EXPECT_TRUE(IsFileInUse(dir / "folder.pdf"));
}

// A service that does not own the queued file cannot take a lease on it and looks for writers in /proc.
TEST(Files, InUseWithoutALeaseFindsTheWriterThroughProc) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to run the writer and the check as another user";
  constexpr uid_t kOther = 65534;  // nobody: owns neither the file nor a lease right
  test::TTempFolder dir;
  const auto file = dir / "job.pdf";
  WriteFile(file, "%PDF");
  ::chmod(file.c_str(), 0666);
  ::chmod(dir.Path().c_str(), 0755);
  const auto asOther = [] {
    if (::setgid(kOther) != 0 || ::setuid(kOther) != 0) _exit(90);
    ::prctl(PR_SET_DUMPABLE, 1);  // a changed user hides its /proc entries otherwise, even from itself
  };
  // Checks in a child running as the other user: 1 in use, 0 free.
  const auto checkAsOther = [&] {
    const pid_t child = ::fork();
    if (child == 0) {
      asOther();
      _exit(IsFileInUse(file) ? 1 : 0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  EXPECT_EQ(checkAsOther(), 0);
  {
    THolder writer([&] {
      asOther();
      ::open(file.c_str(), O_WRONLY);
    });
    EXPECT_EQ(checkAsOther(), 1);
  }
  {
    THolder reader([&] {
      asOther();
      ::open(file.c_str(), O_RDONLY);
    });
    EXPECT_EQ(checkAsOther(), 0);
  }
}

TEST(Files, ReadsEveryLineBreakAndWritesCrLf) {
  test::TTempFolder dir;
  WriteFile(dir / "in.txt", "a\r\nb\rc\nd\n\ne");
  std::vector<std::string> lines;
  ASSERT_TRUE(ReadTextLines(dir / "in.txt", lines).ok());
  EXPECT_EQ(lines, (std::vector<std::string>{"a", "b", "c", "d", "", "e"}));

  EXPECT_EQ(SplitLines("x\r\n"), std::vector<std::string>{"x"});
  EXPECT_EQ(SplitLines("x\r\n\r\n"), (std::vector<std::string>{"x", ""}));
  EXPECT_TRUE(SplitLines("").empty());
  // The views Token and Tokens split by are the same lines, pointing into the text itself.
  for (const std::string_view text : {"a\r\nb\rc\nd\n\ne", "x\r", "\r\r\n\n", "", "y"}) {
    const std::vector<std::string_view> views = SplitLineViews(text);
    EXPECT_EQ(std::vector<std::string>(views.begin(), views.end()), SplitLines(text));
    if (!views.empty()) {
      EXPECT_EQ(views.front().data(), text.data());
    }
  }

  ASSERT_TRUE(WriteTextLines(dir / "out.txt", {"one", "", "thr\xE9" "e"}).ok());
  EXPECT_EQ(ReadFile(dir / "out.txt"), "one\r\n\r\nthr\xE9" "e\r\n");
  EXPECT_FALSE(ReadTextLines(dir / "missing.txt", lines).ok());
  EXPECT_TRUE(lines.empty());
}

TEST(Files, AtomicReplaceLeavesTheOldFileIntactWhenTheWriterCrashes) {
  test::TTempFolder dir;
  const auto file = dir / "Varnholt.xml";
  WriteFile(file, "old settings");
  const pid_t child = ::fork();
  if (child == 0) {
    // The new content is on disk in the temporary file; the process dies before the rename.
    ReplaceFileAtomically(file, std::string(1 << 20, 'n'), [](const std::filesystem::path&) { _exit(3); });
    _exit(0);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_EQ(WEXITSTATUS(status), 3) << "the crash hook did not run";
  EXPECT_EQ(ReadFile(file), "old settings");

  ASSERT_TRUE(ReplaceFileAtomically(file, "new settings").ok());
  EXPECT_EQ(ReadFile(file), "new settings");
}

TEST(Files, AtomicReplaceKeepsPermissionsAndReportsFailures) {
  test::TTempFolder dir;
  const auto file = dir / "script.PS";
  WriteFile(file, "old");
  ::chmod(file.c_str(), 0640);
  ASSERT_TRUE(ReplaceFileAtomically(file, "new").ok());
  struct stat st {};
  ::stat(file.c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0640u);

  std::filesystem::create_directories(dir / "folder");
  const TStatus onFolder = ReplaceFileAtomically(dir / "folder", "x");
  EXPECT_FALSE(onFolder.ok());
  EXPECT_TRUE(DirectoryExists(dir / "folder"));
  EXPECT_FALSE(ReplaceFileAtomically(dir / "missing/sub/file", "x").ok());
  // No temporary files are left behind by the successful or the failed writes.
  int entries = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir.Path())) entries += e.path().filename().string()[0] == '.';
  EXPECT_EQ(entries, 0);
}

TEST(Files, AtomicReplaceForTheOwnerOnlyIsAtMost0600) {
  test::TTempFolder dir;
  const auto modeOf = [](const std::filesystem::path& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 0777;
  };
  // New, an existing wider mode (an older version's 0644), an existing stricter one.
  ASSERT_TRUE(WriteTextLines(dir / "new.txt", {"a"}, TFileAccess::kOwnerOnly).ok());
  EXPECT_EQ(modeOf(dir / "new.txt"), 0600u);
  for (const auto& [before, after] : {std::pair{0644u, 0600u}, std::pair{0400u, 0400u}}) {
    const auto file = dir / ("old" + std::to_string(before));
    WriteFile(file, "old");
    ::chmod(file.c_str(), before);
    ASSERT_TRUE(ReplaceFileAtomically(file, "new", {}, TFileAccess::kOwnerOnly).ok());
    EXPECT_EQ(modeOf(file), after) << before;
  }
}

TEST(Files, ForceDirectoriesMakesParentsAndFailsOnAFile) {
  test::TTempFolder dir;
  EXPECT_TRUE(ForceDirectories(dir / "a/b/c").ok());
  EXPECT_TRUE(DirectoryExists(dir / "a/b/c"));
  EXPECT_TRUE(ForceDirectories(dir / "a/b/c").ok());
  WriteFile(dir / "file", "x");
  EXPECT_FALSE(ForceDirectories(dir / "file/sub").ok());
}

TEST(FileSystem, WorksOnWindowsPathsAndNeverWritesOutsideTheDrives) {
  test::TTempFolder app;
  TDriveMap map(app.Path());
  ASSERT_TRUE(map.EnsureDrive('C').ok());
  TFileSystem files(map);
  ASSERT_TRUE(files.ForceDirectories("C:\\PDF\\FAILED").ok());
  WriteFile(app / "drives/c/PDF/x.pdf", "%PDF");
  EXPECT_TRUE(files.FileExists("c:\\pdf\\X.PDF"));
  EXPECT_TRUE(files.DirectoryExists("C:\\pdf\\failed"));
  EXPECT_FALSE(files.FileExists("C:\\pdf\\failed"));
  ASSERT_EQ(files.FindFiles("C:\\PDF", "*.PDF").size(), 1u);
  ASSERT_TRUE(files.MoveFileNoOverwrite("C:\\PDF\\x.pdf", "C:\\pdf\\failed\\x.pdf").ok());
  EXPECT_TRUE(FileExists(app / "drives/c/PDF/FAILED/x.pdf"));

  const TStatus escaped = files.WriteTextLines("C:\\..\\escape.txt", {"x"});
  EXPECT_FALSE(escaped.ok());
  EXPECT_NE(escaped.Message().find("leaves the drive"), std::string::npos);
  EXPECT_FALSE(FileExists(app / "drives/escape.txt"));
  EXPECT_FALSE(files.CopyFileNoOverwrite("C:\\PDF\\FAILED\\x.pdf", "Z:\\x.pdf").ok());
  EXPECT_TRUE(files.IsFileInUse("no drive")) << "a file we cannot open is in use";
}

}  // namespace
}  // namespace varnholt::platform
