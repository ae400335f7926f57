// FileLock.cpp — the lock file behind TFileLock: flock on a descriptor of our own, polled with a growing
// pause, since flock itself can only wait without limit.
#include "platform/FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <thread>

#include "platform/CodePage.h"
#include "platform/Files.h"

namespace varnholt::platform {

TFileLock& TFileLock::operator=(TFileLock&& other) noexcept {
  if (this != &other) {
    Release();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

TStatus LockWithin(int fd, std::chrono::milliseconds wait, const std::filesystem::path& name, bool* timedOut) {
  if (timedOut != nullptr) *timedOut = false;
  const auto deadline = std::chrono::steady_clock::now() + wait;
  // Short pauses first, so a turn that ends quickly is taken quickly (a log record's turn lasts some
  // microseconds); never more than a quarter second.
  std::chrono::microseconds pause(100);
  for (;;) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return TStatus::Ok();
    const int error = errno;
    if (error != EWOULDBLOCK && error != EINTR) {
      return TStatus::Fail("Cannot lock \"" + Utf8ToCp1252(name.string()) + "\": " + ErrnoText(error));
    }
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) break;
    std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(pause, deadline - now));
    pause = std::min<std::chrono::microseconds>(pause * 2, std::chrono::milliseconds(250));
  }
  if (timedOut != nullptr) *timedOut = true;
  // Appended piece by piece: GCC 12 warns falsely about operator+ on a leading literal at -O3.
  std::string message(1, '"');
  message += Utf8ToCp1252(name.string());
  message += "\" stayed locked by another holder";
  return TStatus::Fail(message);
}

TStatus TFileLock::Acquire(const std::filesystem::path& lockFile, std::chrono::milliseconds wait) {
  Release();
  timedOut_ = false;
  // Close-on-exec: a program started while we hold the lock must not keep it after we let go.
  const int fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY, 0666);
  if (fd < 0) {
    return TStatus::Fail("Cannot open the lock file \"" + Utf8ToCp1252(lockFile.string()) +
                         "\": " + ErrnoText(errno));
  }
  TStatus locked = LockWithin(fd, wait, lockFile, &timedOut_);
  if (!locked.ok()) {
    ::close(fd);
    return locked;
  }
  fd_ = fd;
  return TStatus::Ok();
}

void TFileLock::Release() {
  if (fd_ < 0) return;
  // Closing the only descriptor of the open file releases the flock.
  ::close(fd_);
  fd_ = -1;
}

}  // namespace varnholt::platform
