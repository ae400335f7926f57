// SharedFile.h — a file that several processes append to and now and then replace whole (the log file),
// taking turns through an flock on the file itself.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/Status.h"

namespace varnholt::platform {

// Which file a name leads to; a replace gives the name a new one.
struct TFileIdentity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  bool operator==(const TFileIdentity&) const = default;
};

// The file stays open between turns, so a turn costs a lock, two stats, the work and the unlock. The lock
// belongs to the open file: a holder that dies (even by SIGKILL) gives it up, and a replace hands it on
// to the new file before the name moves there, so whoever waited on the old file finds out and follows.
class TSharedFile {
 public:
  explicit TSharedFile(std::filesystem::path path) : path_(std::move(path)) {}
  ~TSharedFile() { Close(); }
  TSharedFile(const TSharedFile&) = delete;
  TSharedFile& operator=(const TSharedFile&) = delete;

  const std::filesystem::path& Path() const { return path_; }

  // Starts this process's turn: opens the file (creating it when missing) and waits up to `wait` for its
  // lock. When the name leads to another file by then (another process replaced it while we waited), that
  // file is opened and locked instead: a turn always holds the file the name leads to.
  TStatus Lock(std::chrono::milliseconds wait);
  void Unlock();
  bool Locked() const { return locked_; }
  // Ends the turn and closes the file.
  void Close();

  // During a turn only.
  TFileIdentity Identity() const { return identity_; }
  TStatus Size(std::uint64_t& size) const;
  // Appends with one write at the end of the file.
  TStatus Append(std::string_view bytes);
  // Everything from `offset` to the end.
  TStatus ReadFrom(std::uint64_t offset, std::string& bytes) const;
  // Puts `bytes` in place of the file through the atomic replace; the turn goes on with the new file.
  TStatus Replace(std::string_view bytes);

 private:
  std::filesystem::path path_;
  int fd_ = -1;
  bool locked_ = false;
  TFileIdentity identity_;
};

}  // namespace varnholt::platform
