// SharedFile.cpp — turns on a shared file: flock on our own descriptor, checked against the name after
// every wait, since a replace moves the name to a new file while others wait on the old one.
#include "platform/SharedFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/CodePage.h"
#include "platform/FileLock.h"
#include "platform/Files.h"

namespace varnholt::platform {

namespace {

TStatus Fail(const char* what, const std::filesystem::path& path, int error) {
  return TStatus::Fail(std::string(what) + " \"" + Utf8ToCp1252(path.string()) + "\": " + ErrnoText(error));
}

TFileIdentity IdentityOf(const struct stat& st) {
  return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

}  // namespace

TStatus TSharedFile::Lock(std::chrono::milliseconds wait) {
  Unlock();
  const auto deadline = std::chrono::steady_clock::now() + wait;
  for (int follows = 0;; ++follows) {
    // Each replace is a finished turn of another process; only a name that never holds still ends this.
    if (follows == 1000) return TStatus::Fail("\"" + Utf8ToCp1252(path_.string()) + "\" keeps being replaced");
    if (fd_ < 0) {
      // Close-on-exec: a program we start must not hold the log open (nor its lock) after we let go.
      fd_ = ::open(path_.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY, 0666);
      if (fd_ < 0) return Fail("Cannot open", path_, errno);
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (TStatus locked = LockWithin(fd_, std::max(left, std::chrono::milliseconds(0)), path_); !locked) return locked;
    struct stat mine {}, named {};
    if (::fstat(fd_, &mine) != 0) {
      const int error = errno;
      Close();
      return Fail("Cannot read", path_, error);
    }
    if (::stat(path_.c_str(), &named) == 0 && IdentityOf(mine) == IdentityOf(named)) {
      locked_ = true;
      identity_ = IdentityOf(mine);
      return TStatus::Ok();
    }
    // Replaced or removed while we waited: follow the name.
    Close();
  }
}

void TSharedFile::Unlock() {
  if (!locked_) return;
  ::flock(fd_, LOCK_UN);
  locked_ = false;
}

void TSharedFile::Close() {
  Unlock();
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

TStatus TSharedFile::Size(std::uint64_t& size) const {
  struct stat st {};
  if (::fstat(fd_, &st) != 0) return Fail("Cannot read", path_, errno);
  size = static_cast<std::uint64_t>(st.st_size);
  return TStatus::Ok();
}

TStatus TSharedFile::Append(std::string_view bytes) {
  // One write(2) for the whole piece: with O_APPEND it lands at the end in one go. A short write (a full
  // disk) is completed, so a line is never left half when there is room for it.
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return Fail("Cannot write", path_, n < 0 ? errno : ENOSPC);
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return TStatus::Ok();
}

TStatus TSharedFile::ReadFrom(std::uint64_t offset, std::string& bytes) const {
  bytes.clear();
  char buffer[65536];
  for (auto at = static_cast<off_t>(offset);;) {
    const ssize_t n = ::pread(fd_, buffer, sizeof buffer, at);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Fail("Cannot read", path_, errno);
    if (n == 0) return TStatus::Ok();
    bytes.append(buffer, static_cast<std::size_t>(n));
    at += n;
  }
}

TStatus TSharedFile::Replace(std::string_view bytes) {
  int next = -1;
  // The new file is locked before it gets the name, so nobody can take a turn on it before ours ends.
  TStatus replaced = ReplaceFileAtomically(path_, bytes, [&next](const std::filesystem::path& temporary) {
    next = ::open(temporary.c_str(), O_RDWR | O_APPEND | O_CLOEXEC | O_NOCTTY);
    if (next >= 0 && ::flock(next, LOCK_EX | LOCK_NB) != 0) {
      ::close(next);
      next = -1;
    }
  });
  if (!replaced) {
    if (next >= 0) ::close(next);
    return replaced;
  }
  // Closing the old file lets its waiters go; they see that the name has moved on and follow it.
  Close();
  struct stat st {};
  if (next >= 0 && ::fstat(next, &st) == 0) {
    fd_ = next;
    locked_ = true;
    identity_ = IdentityOf(st);
  } else if (next >= 0) {
    ::close(next);
  }
  return TStatus::Ok();
}

}  // namespace varnholt::platform
