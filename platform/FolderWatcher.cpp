// FolderWatcher.cpp — the queue folder's change notice on inotify, one watch on one inotify descriptor.
#include "platform/FolderWatcher.h"

#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/CodePage.h"
#include "platform/Files.h"

namespace varnholt::platform {
namespace {

// Changes of the files in the folder that can matter to a queue. IN_MODIFY is there as well as
// IN_CLOSE_WRITE because a program may keep a finished file open; the in-use test decides when to take it.
constexpr std::uint32_t kFileChanges =
    IN_MODIFY | IN_CLOSE_WRITE | IN_CREATE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE | IN_ATTRIB;
// The watched folder itself going away ends the watch.
constexpr std::uint32_t kFolderGone = IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT | IN_IGNORED;

}  // namespace

TFolderWatcher::~TFolderWatcher() {
  if (inotify_ >= 0) ::close(inotify_);
}

TFolderWatcher::TFolderWatcher(TFolderWatcher&& other) noexcept
    : inotify_(std::exchange(other.inotify_, -1)),
      watch_(std::exchange(other.watch_, -1)),
      changed_(std::exchange(other.changed_, false)),
      folder_(std::move(other.folder_)) {}

TFolderWatcher& TFolderWatcher::operator=(TFolderWatcher&& other) noexcept {
  if (this != &other) {
    if (inotify_ >= 0) ::close(inotify_);
    inotify_ = std::exchange(other.inotify_, -1);
    watch_ = std::exchange(other.watch_, -1);
    changed_ = std::exchange(other.changed_, false);
    folder_ = std::move(other.folder_);
  }
  return *this;
}

TStatus TFolderWatcher::Watch(const std::filesystem::path& folder) {
  if (inotify_ < 0) {
    inotify_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (inotify_ < 0) return TStatus::Fail("Cannot watch folders: " + ErrnoText(errno));
  }
  // Adding a watch for an inode already watched gives back the same watch, so this is a no-op on
  // every tick but the one after the folder was replaced.
  const int watch = ::inotify_add_watch(inotify_, folder.c_str(), kFileChanges | IN_DELETE_SELF | IN_MOVE_SELF |
                                                                      IN_ONLYDIR | IN_EXCL_UNLINK);
  if (watch < 0) {
    const int error = errno;
    Stop();
    return TStatus::Fail("Cannot watch the folder \"" + Utf8ToCp1252(folder.string()) + "\": " + ErrnoText(error));
  }
  if (watch != watch_) {
    if (watch_ >= 0) ::inotify_rm_watch(inotify_, watch_);
    watch_ = watch;
    changed_ = true;
  }
  folder_ = folder;
  return TStatus::Ok();
}

void TFolderWatcher::Stop() {
  if (watch_ >= 0) ::inotify_rm_watch(inotify_, watch_);
  watch_ = -1;
  folder_.clear();
}

int TFolderWatcher::Fd() const { return watch_ >= 0 ? inotify_ : -1; }

bool TFolderWatcher::TakeChanges() {
  if (inotify_ < 0) return std::exchange(changed_, false);
  alignas(inotify_event) char buffer[64 * 1024];
  for (;;) {
    const ssize_t n = ::read(inotify_, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // EAGAIN: drained
    for (const char* p = buffer; p < buffer + n;) {
      const auto* event = reinterpret_cast<const inotify_event*>(p);
      p += sizeof(inotify_event) + event->len;
      if (event->mask & IN_Q_OVERFLOW) {
        changed_ = true;  // events were lost: anything may have happened
        continue;
      }
      if (event->wd != watch_ || watch_ < 0) continue;  // left over from a folder watched before
      if (event->mask & kFolderGone) {
        // A moved folder would go on being watched where it went; the queue is the path, not the inode.
        if (!(event->mask & IN_IGNORED)) ::inotify_rm_watch(inotify_, watch_);
        watch_ = -1;
        changed_ = true;
        continue;
      }
      if (event->len > 0 && event->name[0] == '.') continue;
      if (event->mask & kFileChanges) changed_ = true;
    }
  }
  return std::exchange(changed_, false);
}

bool TFolderWatcher::WaitForChange(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (TakeChanges()) return true;
    if (!Watching()) return false;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd fd{inotify_, POLLIN, 0};
    if (::poll(&fd, 1, static_cast<int>(left.count())) < 0 && errno != EINTR) return false;
  }
}

}  // namespace varnholt::platform
