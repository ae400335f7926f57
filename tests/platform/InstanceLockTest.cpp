// InstanceLockTest.cpp — one instance per application folder: a second process is refused with the
// first one's name and id, and a holder that crashes leaves no stale lock.
#include "platform/InstanceLock.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/support/TempFolder.h"

namespace varnholt::platform {
namespace {

// Runs `body` in a child process and gives back what it wrote to the pipe.
template <typename Body>
std::string InChild(Body body) {
  int out[2];
  if (::pipe(out) != 0) std::abort();
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(out[0]);
    const std::string text = body();
    (void)!::write(out[1], text.data(), text.size());
    _exit(0);
  }
  ::close(out[1]);
  std::string text;
  char buffer[256];
  for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<std::size_t>(n));
  ::close(out[0]);
  int status;
  ::waitpid(child, &status, 0);
  return text;
}

TEST(InstanceLock, ASecondProcessIsRefusedWithTheHoldersName) {
  test::TTempFolder app;
  std::string holder;
  auto lock = TInstanceLock::TryAcquire(app.Path(), &holder, "varnholt-cli watch");
  ASSERT_TRUE(lock.has_value());
  EXPECT_TRUE(holder.empty());

  const std::string second = InChild([&] {
    std::string who, error;
    const auto refused = TInstanceLock::TryAcquire(app.Path(), &who, "Varnholt", &error);
    return std::string(refused ? "taken" : "refused") + "|" + who + "|" + error;
  });
  EXPECT_EQ(second, "refused|varnholt-cli watch, process " + std::to_string(::getpid()) + "|");

  // Moved, it is still held; released, the next start takes it.
  TInstanceLock moved = std::move(*lock);
  lock.reset();
  EXPECT_EQ(InChild([&] { return std::string(TInstanceLock::TryAcquire(app.Path(), nullptr) ? "taken" : "refused"); }),
            "refused");
  moved.Release();
  EXPECT_EQ(InChild([&] { return std::string(TInstanceLock::TryAcquire(app.Path(), nullptr) ? "taken" : "refused"); }),
            "taken");
}

TEST(InstanceLock, AHolderThatCrashesLeavesNoStaleLock) {
  test::TTempFolder app;
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  if (child == 0) {
    auto lock = TInstanceLock::TryAcquire(app.Path(), nullptr, "varnholt-cli watch");
    (void)!::write(ready[1], lock ? "y" : "n", 1);
    ::pause();  // until killed
    _exit(0);
  }
  char answer = 0;
  ASSERT_EQ(::read(ready[0], &answer, 1), 1);
  ASSERT_EQ(answer, 'y');
  std::string holder;
  EXPECT_FALSE(TInstanceLock::TryAcquire(app.Path(), &holder).has_value());
  EXPECT_EQ(holder, "varnholt-cli watch, process " + std::to_string(child));

  ::kill(child, SIGKILL);
  int status;
  ::waitpid(child, &status, 0);
  ::close(ready[0]);
  ::close(ready[1]);
  auto lock = TInstanceLock::TryAcquire(app.Path(), &holder);
  EXPECT_TRUE(lock.has_value()) << "held by " << holder;
}

TEST(InstanceLock, AFolderWithoutRoomForTheLockSaysWhy) {
  test::TTempFolder app;
  std::string holder = "stale", error;
  EXPECT_FALSE(TInstanceLock::TryAcquire(app / "missing", &holder, {}, &error).has_value());
  EXPECT_TRUE(holder.empty());
  EXPECT_NE(error.find("Cannot open the lock file"), std::string::npos) << error;
}

}  // namespace
}  // namespace varnholt::platform
