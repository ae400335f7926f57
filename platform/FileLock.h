// FileLock.h — an exclusive lock on a lock file, taken with a bounded wait and released when it goes out of
// scope, so that processes sharing one folder take turns (the engine's exchange files, for one).
#pragma once

#include <chrono>
#include <filesystem>

#include "platform/Status.h"

namespace varnholt::platform {

// Waits up to `wait` for an exclusive flock on an open descriptor; the first try does not wait at all.
// `timedOut` (when given) says whether a failure was another holder keeping the lock for the whole wait.
TStatus LockWithin(int fd, std::chrono::milliseconds wait, const std::filesystem::path& name, bool* timedOut = nullptr);

// The lock belongs to the open file, not to the process: two holders in one process exclude each other
// just as two processes do, and a holder that dies (even by SIGKILL) gives the lock up with its files.
// The lock file itself stays; removing it would let a waiter lock a name that no longer counts.
class TFileLock {
 public:
  TFileLock() = default;
  ~TFileLock() { Release(); }
  TFileLock(const TFileLock&) = delete;
  TFileLock& operator=(const TFileLock&) = delete;
  TFileLock(TFileLock&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  TFileLock& operator=(TFileLock&& other) noexcept;

  // Creates the lock file when it is missing and waits up to `wait` for the lock. A failure says whether
  // another holder kept it for the whole wait or the file could not be opened.
  TStatus Acquire(const std::filesystem::path& lockFile, std::chrono::milliseconds wait);
  bool Held() const { return fd_ >= 0; }
  // True when the last Acquire failed because another holder kept the lock for the whole wait.
  bool TimedOut() const { return timedOut_; }
  void Release();

 private:
  int fd_ = -1;
  bool timedOut_ = false;
};

}  // namespace varnholt::platform
