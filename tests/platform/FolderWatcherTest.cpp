// FolderWatcherTest.cpp — the queue watcher on real files: which changes it reports, re-pointing it,
// a folder that goes away and comes back, and waiting in an event loop.
#include "platform/FolderWatcher.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <thread>

#include <gtest/gtest.h>

#include "tests/support/TempFolder.h"

namespace varnholt::platform {
namespace {

namespace fs = std::filesystem;
using test::WriteFile;

TEST(FolderWatcher, ReportsEveryChangeThatCanMatterAndNothingElse) {
  struct Case {
    const char* what;
    std::function<void(const fs::path& queue, const fs::path& outside)> change;
    bool reported;
  };
  int held = -1;  // a descriptor a case keeps open until it has been checked
  const Case cases[] = {
      {"nothing", [](const fs::path&, const fs::path&) {}, false},
      {"a file arrives", [](const fs::path& q, const fs::path&) { WriteFile(q / "new.pdf", "%PDF"); }, true},
      {"a file grows while still open",  // a printer that has not finished: no close yet
       [&held](const fs::path& q, const fs::path&) {
         held = ::open((q / "job.pdf").c_str(), O_WRONLY | O_APPEND);
         (void)!::write(held, "more", 4);
       },
       true},
      {"a file is renamed", [](const fs::path& q, const fs::path&) { fs::rename(q / "job.pdf", q / "Job2.PDF"); }, true},
      {"a file moves in", [](const fs::path& q, const fs::path& o) { fs::rename(o / "in.pdf", q / "in.pdf"); }, true},
      {"a file moves out", [](const fs::path& q, const fs::path& o) { fs::rename(q / "job.pdf", o / "job.pdf"); }, true},
      {"a file is deleted", [](const fs::path& q, const fs::path&) { fs::remove(q / "job.pdf"); }, true},
      {"a file's attributes change", [](const fs::path& q, const fs::path&) { ::chmod((q / "job.pdf").c_str(), 0444); },
       true},
      {"a file is only read", [](const fs::path& q, const fs::path&) { (void)test::ReadFile(q / "job.pdf"); }, false},
      {"a hidden copy is written and removed",
       [](const fs::path& q, const fs::path&) {
         WriteFile(q / ".job.pdf.1.part", "x");
         fs::remove(q / ".job.pdf.1.part");
       },
       false},
      {"a file changes in a folder outside", [](const fs::path&, const fs::path& o) { WriteFile(o / "x.pdf", "x"); },
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    test::TTempFolder dir;
    const fs::path queue = dir / "PDF", outside = dir / "elsewhere";
    WriteFile(queue / "job.pdf", "%PDF");
    WriteFile(outside / "in.pdf", "%PDF");
    TFolderWatcher watcher;
    ASSERT_TRUE(watcher.Watch(queue).ok());
    EXPECT_TRUE(watcher.TakeChanges()) << "a new watch counts as a change";
    EXPECT_FALSE(watcher.TakeChanges());
    c.change(queue, outside);
    EXPECT_EQ(watcher.TakeChanges(), c.reported);
    EXPECT_FALSE(watcher.TakeChanges()) << "taken changes are gone";
    if (held >= 0) ::close(held);
    held = -1;
  }
}

TEST(FolderWatcher, FollowsTheFolderItIsPointedAtAndOneThatComesBack) {
  test::TTempFolder dir;
  const fs::path a = dir / "a", b = dir / "b";
  fs::create_directories(a);
  fs::create_directories(b);
  TFolderWatcher watcher;
  EXPECT_EQ(watcher.Fd(), -1);
  ASSERT_TRUE(watcher.Watch(a).ok());
  ASSERT_TRUE(watcher.Watch(a).ok());  // every tick points it again: no new watch, no change
  watcher.TakeChanges();
  EXPECT_FALSE(watcher.TakeChanges());

  ASSERT_TRUE(watcher.Watch(b).ok());
  watcher.TakeChanges();
  WriteFile(a / "x.pdf", "x");
  EXPECT_FALSE(watcher.TakeChanges()) << "the folder watched before is forgotten";
  WriteFile(b / "x.pdf", "x");
  EXPECT_TRUE(watcher.TakeChanges());

  // Deleted: the watch ends with a change; re-created: watched again by the next Watch.
  fs::remove_all(b);
  EXPECT_TRUE(watcher.TakeChanges());
  EXPECT_FALSE(watcher.Watching());
  EXPECT_EQ(watcher.Fd(), -1);
  const TStatus missing = watcher.Watch(b);
  EXPECT_FALSE(missing.ok());
  EXPECT_NE(missing.Message().find("Cannot watch the folder"), std::string::npos) << missing.Message();
  fs::create_directories(b);
  ASSERT_TRUE(watcher.Watch(b).ok());
  EXPECT_TRUE(watcher.TakeChanges()) << "files may have arrived unseen";
  WriteFile(b / "y.pdf", "y");
  EXPECT_TRUE(watcher.TakeChanges());

  // Moved away and replaced by a new folder of the same name: the new one is watched, not the old.
  fs::rename(b, dir / "b-old");
  fs::create_directories(b);
  ASSERT_TRUE(watcher.Watch(b).ok());
  watcher.TakeChanges();
  WriteFile(dir / "b-old/z.pdf", "z");
  EXPECT_FALSE(watcher.TakeChanges());
  WriteFile(b / "z.pdf", "z");
  EXPECT_TRUE(watcher.TakeChanges());

  EXPECT_FALSE(watcher.Watch(b / "z.pdf").ok()) << "a file is not a folder";
  EXPECT_FALSE(watcher.Watching());
}

TEST(FolderWatcher, WakesAnEventLoopWhenAReportIsClosed) {
  test::TTempFolder dir;
  TFolderWatcher watcher;
  ASSERT_TRUE(watcher.Watch(dir.Path()).ok());
  watcher.TakeChanges();
  EXPECT_FALSE(watcher.WaitForChange(std::chrono::milliseconds(0)));

  std::thread printer([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    WriteFile(dir / "report.pdf", "%PDF");
  });
  EXPECT_TRUE(watcher.WaitForChange(std::chrono::seconds(30)));
  printer.join();
  watcher.TakeChanges();

  WriteFile(dir / "second.pdf", "%PDF");
  pollfd fd{watcher.Fd(), POLLIN, 0};
  EXPECT_EQ(::poll(&fd, 1, 0), 1) << "the descriptor is readable for the caller's own poll";
  EXPECT_TRUE(watcher.TakeChanges());

  watcher.Stop();
  EXPECT_FALSE(watcher.WaitForChange(std::chrono::milliseconds(10))) << "nothing watched, nothing to wait for";
}

}  // namespace
}  // namespace varnholt::platform
