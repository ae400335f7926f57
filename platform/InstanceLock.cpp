// InstanceLock.cpp — the single-instance lock: flock on a file that names its holder.
#include "platform/InstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>
#include <utility>

#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/Process.h"

namespace varnholt::platform {
namespace {

// The holder writes its record right after taking the lock; a second start in that instant finds the
// file still empty, so it looks again for a moment before it settles for "another process".
std::string ReadHolder(int fd) {
  std::string record;
  for (int attempt = 0; attempt < 20; ++attempt) {
    char buffer[512];
    const ssize_t n = ::pread(fd, buffer, sizeof buffer - 1, 0);
    record.assign(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
    if (record.find('\n', record.find('\n') + 1) != std::string::npos) break;  // both lines are there
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  const auto firstEnd = record.find('\n');
  const auto secondEnd = firstEnd == std::string::npos ? std::string::npos : record.find('\n', firstEnd + 1);
  if (secondEnd == std::string::npos) return "another process";
  const std::string pid = record.substr(0, firstEnd);
  const std::string program = record.substr(firstEnd + 1, secondEnd - firstEnd - 1);
  return (program.empty() ? std::string("a program") : program) + ", process " + pid;
}

}  // namespace

std::optional<TInstanceLock> TInstanceLock::TryAcquire(const std::filesystem::path& applicationFolder,
                                                       std::string* holder, std::string_view programName,
                                                       std::string* error) {
  if (holder != nullptr) holder->clear();
  if (error != nullptr) error->clear();
  const auto path = applicationFolder / kFileName;
  // Close-on-exec: a program we start must not keep the lock alive after we end.
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY, 0644);
  if (fd < 0) {
    if (error != nullptr) *error = "Cannot open the lock file \"" + Utf8ToCp1252(path.string()) + "\": " + ErrnoText(errno);
    return std::nullopt;
  }
  int rc;
  while ((rc = ::flock(fd, LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
  }
  if (rc != 0) {
    const int lockError = errno;
    if (lockError == EWOULDBLOCK) {
      if (holder != nullptr) *holder = ReadHolder(fd);
    } else if (error != nullptr) {
      *error = "Cannot lock \"" + Utf8ToCp1252(path.string()) + "\": " + ErrnoText(lockError);
    }
    ::close(fd);
    return std::nullopt;
  }
  std::string program(programName);
  if (program.empty()) program = Utf8ToCp1252(ProgramPath().filename().string());
  const std::string record = std::to_string(::getpid()) + "\n" + program + "\n";
  // The record only informs a second start; failing to write it does not make the lock less held.
  if (::ftruncate(fd, 0) == 0) (void)!::pwrite(fd, record.data(), record.size(), 0);
  return TInstanceLock(fd);
}

TInstanceLock::~TInstanceLock() { Release(); }

TInstanceLock::TInstanceLock(TInstanceLock&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

TInstanceLock& TInstanceLock::operator=(TInstanceLock&& other) noexcept {
  if (this != &other) {
    Release();
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

void TInstanceLock::Release() {
  if (fd_ < 0) return;
  // The record goes first, while the lock is still held, so a later start never reads a stale one.
  (void)!::ftruncate(fd_, 0);
  ::close(fd_);  // closing the only descriptor ends the flock
  fd_ = -1;
}

}  // namespace varnholt::platform
