// FolderWatcher.h — notice of changes in one folder (the queue) on inotify, driven by the caller's loop.
//
// The watcher has no thread of its own: the caller polls Fd() in its event loop, or calls TakeChanges()
// on its timer tick, or waits with WaitForChange(). Only changes that can matter to a queue of files are
// reported: a file written, closed after writing, arriving, renamed or leaving, or its attributes changed.
// Hidden files (a leading dot, such as copies still in progress) never matter: folder listings skip them.
#pragma once

#include <chrono>
#include <filesystem>

#include "platform/Status.h"

namespace varnholt::platform {

class TFolderWatcher {
 public:
  TFolderWatcher() = default;
  ~TFolderWatcher();
  TFolderWatcher(const TFolderWatcher&) = delete;
  TFolderWatcher& operator=(const TFolderWatcher&) = delete;
  TFolderWatcher(TFolderWatcher&& other) noexcept;
  TFolderWatcher& operator=(TFolderWatcher&& other) noexcept;

  // Watches the folder from now on, instead of the one watched before. Cheap enough to call on every
  // tick: the same folder keeps its watch, a folder that was re-created or moved away gets a new one.
  // A new watch counts as a change, since files may have arrived while nothing was watching. A missing
  // folder fails with a clear message and leaves nothing watched.
  TStatus Watch(const std::filesystem::path& folder);
  // Stops watching.
  void Stop();

  // The descriptor to poll for reading in an event loop; -1 when nothing is watched.
  int Fd() const;
  // Whether a folder is watched (it ends when the folder is deleted or moved away).
  bool Watching() const { return watch_ >= 0; }
  const std::filesystem::path& Folder() const { return folder_; }

  // Drains the pending events without blocking; true when a change that can matter happened since the
  // last call (the watched folder disappearing included).
  bool TakeChanges();
  // Waits up to the timeout for a change that can matter; false at the timeout or when nothing is watched.
  bool WaitForChange(std::chrono::milliseconds timeout);

 private:
  int inotify_ = -1;
  int watch_ = -1;
  bool changed_ = false;  // seen but not yet taken
  std::filesystem::path folder_;
};

}  // namespace varnholt::platform
