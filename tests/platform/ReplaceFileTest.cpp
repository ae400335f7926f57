// ReplaceFileTest.cpp — the atomic replace through symbolic links, and the temporary files that killed
// writers leave behind.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/Files.h"
#include "tests/support/TempFolder.h"

namespace varnholt::platform {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::WriteFile;

bool IsLink(const fs::path& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

TEST(ReplaceFile, WritesThroughSymbolicLinksToTheirFinalTarget) {
  test::TTempFolder dir;
  fs::create_directories(dir / "app");
  fs::create_directories(dir / "store");
  WriteFile(dir / "store/real.xml", "old");
  ::chmod((dir / "store/real.xml").c_str(), 0600);
  struct TCase {
    const char* name;
    std::string linkTarget;  // what app/<name> points at
  };
  const TCase cases[] = {
      {"absolute.xml", (dir / "store/real.xml").string()},
      {"relative.xml", "../store/real.xml"},
      {"chained.xml", "absolute.xml"},  // a link to a link
  };
  for (const auto& c : cases) fs::create_symlink(c.linkTarget, dir / "app" / c.name);
  for (const auto& c : cases) {
    const std::string content = std::string("written through ") + c.name;
    ASSERT_TRUE(ReplaceFileAtomically(dir / "app" / c.name, content).ok()) << c.name;
    EXPECT_TRUE(IsLink(dir / "app" / c.name)) << c.name;
    EXPECT_EQ(ReadFile(dir / "store/real.xml"), content) << c.name;
  }
  struct stat st {};
  ::stat((dir / "store/real.xml").c_str(), &st);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
  // Nothing is left beside the link or the target.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir / "store"), fs::directory_iterator()), 1);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir / "app"), fs::directory_iterator()), 3);

  // A link to a file that does not exist yet creates it there; a loop of links is refused.
  fs::create_symlink("../store/new.xml", dir / "app/dangling.xml");
  ASSERT_TRUE(ReplaceFileAtomically(dir / "app/dangling.xml", "new").ok());
  EXPECT_TRUE(IsLink(dir / "app/dangling.xml"));
  EXPECT_EQ(ReadFile(dir / "store/new.xml"), "new");
  fs::create_symlink("loop2", dir / "app/loop1");
  fs::create_symlink("loop1", dir / "app/loop2");
  const TStatus loop = ReplaceFileAtomically(dir / "app/loop1", "x");
  EXPECT_FALSE(loop.ok());
  EXPECT_TRUE(IsLink(dir / "app/loop1"));
}

// The number of a process that has ended.
pid_t DeadProcess() {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(0);
  ::waitpid(pid, nullptr, 0);
  return pid;
}

TEST(ReplaceFile, RemovesTheTemporaryFilesOfDeadWritersOfTheSameFile) {
  test::TTempFolder dir;
  WriteFile(dir / "Varnholt.xml", "old");
  const std::string dead = std::to_string(DeadProcess());
  const std::string alive = std::to_string(::getppid());
  const std::string self = std::to_string(::getpid());
  const struct {
    std::string name;
    bool removed;
  } cases[] = {
      {".Varnholt.xml." + dead + ".0badf00d.tmp", true},
      {".Varnholt.xml." + alive + ".0badf00d.tmp", false},  // its writer may still be at work
      {".Varnholt.xml." + self + ".0badf00d.tmp", false},   // so may another thread of ours
      {".Varnholt.LOG." + dead + ".0badf00d.tmp", false},   // another file's: its own save cleans it up
      {".Varnholt.xml." + dead + ".notes.tmp", false},      // not a name we make
      {".Varnholt.xml.notes", false},
  };
  for (const auto& c : cases) WriteFile(dir / c.name, "left over");
  ASSERT_TRUE(ReplaceFileAtomically(dir / "Varnholt.xml", "new").ok());
  EXPECT_EQ(ReadFile(dir / "Varnholt.xml"), "new");
  for (const auto& c : cases) EXPECT_EQ(fs::exists(dir / c.name), !c.removed) << c.name;
}

TEST(ReplaceFile, AKilledSaveLeavesATemporaryFileThatTheNextSaveRemoves) {
  test::TTempFolder dir;
  WriteFile(dir / "Varnholt.xml", "old");
  const pid_t writer = ::fork();
  if (writer == 0) {
    // Killed between writing the temporary file and renaming it.
    (void)ReplaceFileAtomically(dir / "Varnholt.xml", "half", [](const fs::path&) { ::_exit(9); });
    ::_exit(0);
  }
  int status = 0;
  ::waitpid(writer, &status, 0);
  ASSERT_EQ(WEXITSTATUS(status), 9);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 2);
  EXPECT_EQ(ReadFile(dir / "Varnholt.xml"), "old");

  ASSERT_TRUE(ReplaceFileAtomically(dir / "Varnholt.xml", "new").ok());
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
  EXPECT_EQ(ReadFile(dir / "Varnholt.xml"), "new");
}

}  // namespace
}  // namespace varnholt::platform
