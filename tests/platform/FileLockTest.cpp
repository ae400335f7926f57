// FileLockTest.cpp — the exclusive lock file: one holder at a time across processes and within one, a
// bounded wait, and a lock that dies with its holder.
#include "platform/FileLock.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <thread>

#include "tests/support/TempFolder.h"

namespace varnholt::platform {
namespace {

using namespace std::chrono_literals;

// A child process that takes the lock, says so through a pipe and then holds it until it is killed.
pid_t HoldInChild(const std::filesystem::path& lockFile) {
  int ready[2];
  if (::pipe(ready) != 0) return -1;
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(ready[0]);
    TFileLock lock;
    if (!lock.Acquire(lockFile, 5s)) ::_exit(1);
    (void)!::write(ready[1], "x", 1);
    for (;;) ::pause();
  }
  ::close(ready[1]);
  char c = 0;
  const bool told = ::read(ready[0], &c, 1) == 1;
  ::close(ready[0]);
  return told ? pid : -1;
}

TEST(FileLock, AnotherProcessWaitsInVainWhileItIsHeldAndGetsItWhenTheHolderDies) {
  test::TTempFolder dir;
  const auto file = dir / "PDFENV.LCK";
  const pid_t holder = HoldInChild(file);
  ASSERT_GT(holder, 0);

  TFileLock lock;
  const TStatus refused = lock.Acquire(file, 50ms);
  EXPECT_FALSE(refused.ok());
  EXPECT_FALSE(lock.Held());
  EXPECT_TRUE(lock.TimedOut());
  EXPECT_NE(refused.Message().find("locked by another holder"), std::string::npos) << refused.Message();

  // Even a holder killed outright leaves no lock behind.
  ::kill(holder, SIGKILL);
  ::waitpid(holder, nullptr, 0);
  EXPECT_TRUE(lock.Acquire(file, 5s).ok());
  EXPECT_TRUE(lock.Held());
}

TEST(FileLock, TwoHoldersInOneProcessTakeTurnsAndAWaiterGetsItOnRelease) {
  test::TTempFolder dir;
  const auto file = dir / "x.lck";
  TFileLock first, second;
  ASSERT_TRUE(first.Acquire(file, 1s).ok());
  EXPECT_FALSE(second.Acquire(file, 20ms).ok());

  std::thread waiter([&] { EXPECT_TRUE(second.Acquire(file, 10s).ok()); });
  std::this_thread::sleep_for(50ms);
  {
    TFileLock moved = std::move(first);  // moving hands the lock on; only the last owner releases it
    EXPECT_FALSE(first.Held());
    EXPECT_TRUE(moved.Held());
  }
  waiter.join();
  EXPECT_TRUE(second.Held());
  second.Release();
  EXPECT_TRUE(first.Acquire(file, 0ms).ok());
}

TEST(FileLock, AnUnusableLockFileIsAClearFailure) {
  test::TTempFolder dir;
  TFileLock lock;
  const TStatus failed = lock.Acquire(dir / "missing" / "x.lck", 1s);
  EXPECT_FALSE(failed.ok());
  EXPECT_FALSE(lock.TimedOut());
  EXPECT_NE(failed.Message().find("Cannot open the lock file"), std::string::npos) << failed.Message();
}

}  // namespace
}  // namespace varnholt::platform
