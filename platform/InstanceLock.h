// InstanceLock.h — one running instance per application folder (the window or the headless service).
//
// The lock is an exclusive flock on "Varnholt.lock" in the application folder, which also records who
// holds it. The system releases a flock when its process ends in any way, so a crash never leaves a
// stale lock; the file itself stays and is simply taken again by the next start.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace varnholt::platform {

class TInstanceLock {
 public:
  static constexpr const char* kFileName = "Varnholt.lock";

  // Takes the lock for this process, recording its process id and programName (the program's file name
  // when empty), e.g. "varnholt-cli watch". When another process holds it: nullopt, and *holder
  // describes that process ("varnholt-cli watch, process 1234"). When the lock file cannot be opened
  // (a folder we cannot write, say): nullopt, *holder empty and *error says why.
  static std::optional<TInstanceLock> TryAcquire(const std::filesystem::path& applicationFolder, std::string* holder,
                                                 std::string_view programName = {}, std::string* error = nullptr);

  ~TInstanceLock();
  TInstanceLock(const TInstanceLock&) = delete;
  TInstanceLock& operator=(const TInstanceLock&) = delete;
  TInstanceLock(TInstanceLock&& other) noexcept;
  TInstanceLock& operator=(TInstanceLock&& other) noexcept;

  // Lets go of the lock before the end of the process.
  void Release();

 private:
  explicit TInstanceLock(int fd) : fd_(fd) {}
  int fd_ = -1;
};

}  // namespace varnholt::platform
