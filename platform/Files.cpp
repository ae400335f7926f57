// Files.cpp — native file services built on POSIX calls, so that "no overwrite" and "flushed before the
// source goes" are guarantees of the system, not checks that race with other programs.
#include "platform/Files.h"

#include <dirent.h>
#include <fcntl.h>
#include <openssl/evp.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>

#include "platform/CodePage.h"
#include "platform/Process.h"

namespace varnholt::platform {
namespace {

// Closes a file descriptor when it goes out of scope.
class TFd {
 public:
  explicit TFd(int fd = -1) : fd_(fd) {}
  ~TFd() { Close(); }
  TFd(const TFd&) = delete;
  TFd& operator=(const TFd&) = delete;
  TFd& operator=(TFd&& other) noexcept {
    if (this != &other) {
      Close();
      fd_ = other.fd_;
      other.fd_ = -1;
    }
    return *this;
  }
  int Get() const { return fd_; }
  bool Valid() const { return fd_ >= 0; }
  int Close() {
    int rc = 0;
    if (fd_ >= 0) rc = ::close(fd_);
    fd_ = -1;
    return rc;
  }

 private:
  int fd_;
};

std::string Describe(const fs::path& path) { return Utf8ToCp1252(path.string()); }

TStatus Fail(const std::string& what, const fs::path& path, int error) {
  return TStatus::Fail(what + " \"" + Describe(path) + "\": " + ErrnoText(error));
}

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// Makes a rename durable: the folder entry itself must reach the disk.
void SyncFolder(const fs::path& folder) {
  TFd dir(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.Valid()) ::fsync(dir.Get());
}

// Copies the content of one open file into a new one; the caller removes the destination on failure.
TStatus CopyContent(int in, int out, const fs::path& source, const fs::path& destination) {
  std::vector<char> buffer(1 << 16);
  for (;;) {
    const ssize_t n = ::read(in, buffer.data(), buffer.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return Fail("Cannot read", source, errno);
    }
    if (n == 0) break;
    if (!WriteAll(out, buffer.data(), static_cast<std::size_t>(n))) return Fail("Cannot write", destination, errno);
  }
  if (::fsync(out) != 0) return Fail("Cannot flush", destination, errno);
  return TStatus::Ok();
}

std::string TemporaryName(const fs::path& target) {
  // One generator a thread: a replay writes files on several threads at once.
  thread_local std::mt19937 rng(std::random_device{}());
  char suffix[40];
  std::snprintf(suffix, sizeof suffix, ".%d.%08x.tmp", static_cast<int>(::getpid()), static_cast<unsigned>(rng()));
  std::string name = ".";
  name += target.filename().string();
  name += suffix;
  return name;
}

bool WildcardMatch(std::string_view name, std::string_view mask) {
  // Iterative matcher with one back-tracking point per '*': linear in practice, never exponential.
  std::size_t n = 0, m = 0, starM = std::string_view::npos, starN = 0;
  while (n < name.size()) {
    if (m < mask.size() && (mask[m] == '?' || AnsiUpper(mask[m]) == AnsiUpper(name[n]))) {
      ++n, ++m;
    } else if (m < mask.size() && mask[m] == '*') {
      starM = m++;
      starN = n;
    } else if (starM != std::string_view::npos) {
      m = starM + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == '*') ++m;
  return m == mask.size();
}

// Flushes a folder's entries to disk; false (errno set) when the folder cannot be opened or flushed.
bool FlushFolder(const fs::path& folder) {
  TFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  return dir.Valid() && ::fsync(dir.Get()) == 0;
}

fs::path FolderOf(const fs::path& path) { return path.has_parent_path() ? path.parent_path() : fs::path("."); }

TStatus AlreadyExists(const fs::path& path) {
  return TStatus::Fail("The file already exists: \"" + Describe(path) + "\"");
}

TStatus NotRegular(const fs::path& path) {
  return TStatus::Fail("Not a regular file: \"" + Describe(path) + "\"");
}

// Reads an open file to its end.
TStatus ReadAll(int fd, const fs::path& path, std::string& bytes) {
  char buffer[1 << 16];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      return Fail("Cannot read", path, errno);
    }
    if (n == 0) return TStatus::Ok();
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
}

// ".<name>.<process id>.<random>.part" in the destination's folder: hidden, so that folder listings (the
// queue above all) never show a copy in progress, and traceable to the process that left it after a crash.
std::string PlacementTemporaryName(const fs::path& target) {
  static std::mt19937 rng(std::random_device{}());
  char suffix[40];
  std::snprintf(suffix, sizeof suffix, ".%d.%08x.part", static_cast<int>(::getpid()), static_cast<unsigned>(rng()));
  std::string name = target.filename().string();
  // The longest name the file system takes is 255 bytes; a long report name is shortened, not refused.
  const std::size_t room = 255 - 1 - std::strlen(suffix);
  if (name.size() > room) name.resize(room);
  return "." + name + suffix;
}

TStatus Between(const TPlacementHook& hook, TPlacementStep step) { return hook ? hook(step) : TStatus::Ok(); }

// What a copy has put into the destination folder so far, and how to take it back on a failure.
struct TPlacement {
  fs::path temporary;
  fs::path destination;
  dev_t device;
  ino_t inode;
  bool named = false;          // the destination name points at our copy
  bool temporaryGone = false;  // the temporary name no longer exists

  TStatus Undo(TStatus failure) const {
    if (named) {
      // Only our own copy is removed, never a file someone else put there meanwhile.
      struct stat st {};
      if (::lstat(destination.c_str(), &st) == 0 && st.st_dev == device && st.st_ino == inode) {
        ::unlink(destination.c_str());
      }
    }
    if (!temporaryGone) ::unlink(temporary.c_str());
    FlushFolder(FolderOf(destination));
    return failure;
  }
};

enum class TWriterCheck { kNone, kWriting, kUnknown };

// A read lease can be taken exactly when nobody (this process included) has the file open for writing.
// Only the file's owner (or root) may take one, and not on every file system: then the answer is unknown.
TWriterCheck LeaseCheck(int readOnlyFd) {
  // Breaking a lease signals its holder, SIGIO by default, which would end the process. SIGURG is
  // ignored unless somebody handles it; the lease is held for microseconds anyway.
  if (::fcntl(readOnlyFd, F_SETSIG, SIGURG) != 0) return TWriterCheck::kUnknown;
  if (::fcntl(readOnlyFd, F_SETLEASE, F_RDLCK) == 0) {
    ::fcntl(readOnlyFd, F_SETLEASE, F_UNLCK);
    return TWriterCheck::kNone;
  }
  return errno == EAGAIN ? TWriterCheck::kWriting : TWriterCheck::kUnknown;
}

}  // namespace

// Looks through every process's open files for a descriptor of this file open for writing.
bool IsOpenForWritingElsewhere(const fs::path& path) {
  struct stat target {};
  if (::stat(path.c_str(), &target) != 0) return false;
  const std::string self = std::to_string(::getpid());
  DIR* proc = ::opendir("/proc");
  if (proc == nullptr) return false;
  bool found = false;
  while (!found) {
    const dirent* entry = ::readdir(proc);
    if (entry == nullptr) break;
    if (!std::all_of(entry->d_name, entry->d_name + std::strlen(entry->d_name), ::isdigit) || self == entry->d_name) {
      continue;
    }
    const std::string fdFolder = std::string("/proc/") + entry->d_name + "/fd";
    DIR* fds = ::opendir(fdFolder.c_str());
    if (fds == nullptr) continue;
    while (const dirent* fd = ::readdir(fds)) {
      if (fd->d_name[0] == '.') continue;
      struct stat st {};
      if (::stat((fdFolder + "/" + fd->d_name).c_str(), &st) != 0) continue;
      if (st.st_dev != target.st_dev || st.st_ino != target.st_ino) continue;
      // The descriptor's open mode is in its fdinfo "flags:" line (octal).
      FILE* info = std::fopen((std::string("/proc/") + entry->d_name + "/fdinfo/" + fd->d_name).c_str(), "r");
      if (info == nullptr) continue;
      char line[128];
      while (std::fgets(line, sizeof line, info) != nullptr) {
        unsigned long flags = 0;
        if (std::sscanf(line, "flags: %lo", &flags) == 1) {
          if ((flags & O_ACCMODE) != O_RDONLY) found = true;
          break;
        }
      }
      std::fclose(info);
      if (found) break;
    }
    ::closedir(fds);
  }
  ::closedir(proc);
  return found;
}

std::string ErrnoText(int error) {
  char buffer[256];
  return std::string(strerror_r(error, buffer, sizeof buffer));
}

bool MatchesMask(std::string_view name, std::string_view mask) { return WildcardMatch(name, mask); }

bool FileExists(const fs::path& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(const fs::path& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::vector<TFoundFile> FindFiles(const fs::path& folder, std::string_view mask) {
  std::vector<TFoundFile> result;
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return result;
  while (const dirent* entry = ::readdir(dir)) {
    if (entry->d_name[0] == '.') continue;  // hidden, and "." / ".."
    const std::string name = Utf8ToCp1252(entry->d_name);
    if (!MatchesMask(name, mask)) continue;
    const fs::path path = folder / entry->d_name;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    const auto since = std::chrono::seconds(st.st_mtim.tv_sec) + std::chrono::nanoseconds(st.st_mtim.tv_nsec);
    result.push_back({name, path,
                      std::chrono::system_clock::time_point(
                          std::chrono::duration_cast<std::chrono::system_clock::duration>(since))});
  }
  ::closedir(dir);
  std::sort(result.begin(), result.end(), [](const TFoundFile& a, const TFoundFile& b) { return a.name < b.name; });
  return result;
}

TStatus CopyFileNoOverwrite(const fs::path& source, const fs::path& destination, const TPlacementHook& hook) {
  if (TStatus regular = RequireRegularFile(source); !regular) return regular;
  // O_NONBLOCK: a FIFO in the source's place since the check is refused by fstat, not waited on.
  TFd in(::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (!in.Valid()) return Fail("Cannot open", source, errno);
  struct stat st {};
  if (::fstat(in.Get(), &st) != 0) return Fail("Cannot read", source, errno);
  if (!S_ISREG(st.st_mode)) return NotRegular(source);
  if (TStatus regular = RequireRegularFile(destination); !regular) return regular;
  // Checked first only to spare copying a large file in vain; the naming below is what guarantees it.
  struct stat existing {};
  if (::lstat(destination.c_str(), &existing) == 0) return AlreadyExists(destination);

  const fs::path folder = FolderOf(destination);
  fs::path temporary;
  TFd out;
  for (int attempt = 0; attempt < 16 && !out.Valid(); ++attempt) {
    temporary = folder / PlacementTemporaryName(destination);
    out = TFd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 07777));
    if (!out.Valid() && errno != EEXIST) break;
  }
  if (!out.Valid()) return Fail("Cannot create", destination, errno);
  struct stat copy {};
  ::fstat(out.Get(), &copy);
  TPlacement placement{temporary, destination, copy.st_dev, copy.st_ino};

  TStatus copied = CopyContent(in.Get(), out.Get(), source, destination);
  if (copied.ok()) {
    // The time is set before the flush so that it reaches the disk with the content.
    const timespec times[2] = {st.st_atim, st.st_mtim};
    ::futimens(out.Get(), times);
    if (::fsync(out.Get()) != 0) copied = Fail("Cannot flush", destination, errno);
  }
  if (out.Close() != 0 && copied.ok()) copied = Fail("Cannot write", destination, errno);
  if (copied.ok()) copied = Between(hook, TPlacementStep::kCopyFlushed);
  if (!copied.ok()) return placement.Undo(copied);

  // The final name is given without ever replacing a file: link() fails on an existing name, and so
  // does a rename with RENAME_NOREPLACE where the file system has no hard links.
  bool renamed = false;
  if (::link(temporary.c_str(), destination.c_str()) != 0) {
    const int error = errno;
    if (error == EEXIST) return placement.Undo(AlreadyExists(destination));
    if (error != EPERM && error != EOPNOTSUPP && error != ENOSYS && error != EMLINK) {
      return placement.Undo(Fail("Cannot create", destination, error));
    }
    if (::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, destination.c_str(), RENAME_NOREPLACE) != 0) {
      const int renameError = errno;
      if (renameError == EEXIST) return placement.Undo(AlreadyExists(destination));
      if (renameError == EINVAL || renameError == ENOSYS) {
        // Neither way exists on this file system; a plain rename could replace a file, so we refuse.
        return placement.Undo(TStatus::Fail("Cannot create \"" + Describe(destination) +
                                            "\": the file system can neither link nor rename without replacing"));
      }
      return placement.Undo(Fail("Cannot create", destination, renameError));
    }
    renamed = true;
  }
  placement.named = true;
  placement.temporaryGone = renamed;
  if (TStatus step = Between(hook, TPlacementStep::kDestinationNamed); !step.ok()) return placement.Undo(step);
  if (!renamed) {
    ::unlink(temporary.c_str());
    placement.temporaryGone = true;
  }
  if (TStatus step = Between(hook, TPlacementStep::kTemporaryRemoved); !step.ok()) return placement.Undo(step);
  if (!FlushFolder(folder)) return placement.Undo(Fail("Cannot flush the folder of", destination, errno));
  if (TStatus step = Between(hook, TPlacementStep::kDestinationFlushed); !step.ok()) return placement.Undo(step);
  return TStatus::Ok();
}

TStatus MoveFileByCopy(const fs::path& source, const fs::path& destination, const TPlacementHook& hook) {
  // The hook's kDestinationFlushed answer stands for the deletion of the source, which comes next here.
  TStatus copied = CopyFileNoOverwrite(source, destination, hook);
  if (!copied.ok()) return copied;
  if (::unlink(source.c_str()) != 0) {
    const int unlinkError = errno;
    // Already gone, removed by someone else meanwhile: the copy is all that is left and stays.
    if (unlinkError == ENOENT) return TStatus::Ok();
    // Keep exactly one copy: the original stays where it was.
    ::unlink(destination.c_str());
    FlushFolder(FolderOf(destination));
    return Fail("Cannot remove", source, unlinkError);
  }
  (void)Between(hook, TPlacementStep::kSourceRemoved);
  // Without this flush a power loss could bring the source back: a second copy, never a lost one.
  FlushFolder(FolderOf(source));
  return TStatus::Ok();
}

TStatus MoveFileNoOverwrite(const fs::path& source, const fs::path& destination, const TPlacementHook& hook) {
  if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, destination.c_str(), RENAME_NOREPLACE) == 0) {
    // A filed report must not come back into the queue after a power loss and be filed twice.
    FlushFolder(FolderOf(destination));
    return TStatus::Ok();
  }
  const int error = errno;
  if (error == EEXIST) return AlreadyExists(destination);
  if (error == EINVAL || error == ENOSYS) {
    // A file system without RENAME_NOREPLACE: a hard link fails on an existing name, atomically.
    if (::link(source.c_str(), destination.c_str()) == 0) {
      if (::unlink(source.c_str()) != 0 && errno != ENOENT) {
        // The report must not keep two names: the new one goes again.
        const int unlinkError = errno;
        ::unlink(destination.c_str());
        return Fail("Cannot move", source, unlinkError);
      }
      FlushFolder(FolderOf(destination));
      return TStatus::Ok();
    }
    if (errno == EEXIST) return AlreadyExists(destination);
    if (errno != EXDEV && errno != EPERM) return Fail("Cannot move", source, errno);
  } else if (error != EXDEV) {
    return Fail("Cannot move", source, error);
  }
  return MoveFileByCopy(source, destination, hook);
}

TStatus DeleteFile(const fs::path& path) {
  if (::unlink(path.c_str()) != 0) return Fail("Cannot delete", path, errno);
  return TStatus::Ok();
}

bool IsFileInUse(const fs::path& path) {
  // The lease test needs a read-only descriptor and no writer of our own, so it comes first.
  TFd reader(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (!reader.Valid()) return true;
  struct stat st {};
  if (::fstat(reader.Get(), &st) != 0 || !S_ISREG(st.st_mode)) return true;
  // Read-only for everybody: root could still write it, but the file says it must not be taken.
  if ((st.st_mode & 0222) == 0) return true;
  const TWriterCheck writers = LeaseCheck(reader.Get());
  if (writers == TWriterCheck::kWriting) return true;
  reader.Close();

  TFd fd(::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (!fd.Valid()) return true;
  // A whole-file lock, BSD style or POSIX style, held by anybody else.
  if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) return true;
  ::flock(fd.Get(), LOCK_UN);
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  if (::fcntl(fd.Get(), F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK) return true;
  if (writers == TWriterCheck::kNone) return false;
  fd.Close();
  return IsOpenForWritingElsewhere(path);
}

TStatus ForceDirectories(const fs::path& path) {
  std::error_code ec;
  if (DirectoryExists(path)) return TStatus::Ok();
  fs::create_directories(path, ec);
  if (ec || !DirectoryExists(path)) {
    return TStatus::Fail("Cannot create the folder \"" + Describe(path) + "\": " +
                         (ec ? ec.message() : std::string("a file of that name exists")));
  }
  return TStatus::Ok();
}

TStatus ReadFileBytes(const fs::path& path, std::string& bytes) {
  bytes.clear();
  TFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.Valid()) return Fail("Cannot open", path, errno);
  return ReadAll(fd.Get(), path, bytes);
}

TStatus FileSha256(const fs::path& path, std::string& digest) {
  digest.clear();
  TFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (!fd.Valid()) return Fail("Cannot open", path, errno);
  std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
  if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1) {
    return TStatus::Fail("SHA-256 is not available");
  }
  char buffer[1 << 16];
  for (;;) {
    const ssize_t n = ::read(fd.Get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Fail("Cannot read", path, errno);
    if (n == 0) break;
    EVP_DigestUpdate(context.get(), buffer, static_cast<std::size_t>(n));
  }
  unsigned char hash[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  EVP_DigestFinal_ex(context.get(), hash, &size);
  for (unsigned int i = 0; i < size; ++i) {
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02x", hash[i]);
    digest += hex;
  }
  return TStatus::Ok();
}

std::string Sha256Of(std::string_view bytes) {
  unsigned char hash[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  if (EVP_Digest(bytes.data(), bytes.size(), hash, &size, EVP_sha256(), nullptr) != 1) return {};
  std::string digest;
  for (unsigned int i = 0; i < size; ++i) {
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02x", hash[i]);
    digest += hex;
  }
  return digest;
}

std::vector<std::string_view> SplitLineViews(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

std::vector<std::string> SplitLines(std::string_view text) {
  const std::vector<std::string_view> views = SplitLineViews(text);
  return std::vector<std::string>(views.begin(), views.end());
}

std::string JoinLinesCrLf(const std::vector<std::string>& lines) {
  std::size_t size = 0;
  for (const auto& line : lines) size += line.size() + 2;
  std::string text;
  text.reserve(size);
  for (const auto& line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

TStatus ReadTextLines(const fs::path& path, std::vector<std::string>& lines) {
  lines.clear();
  if (TStatus regular = RequireRegularFile(path); !regular) return regular;
  // O_NONBLOCK: a FIFO in the file's place since the check is refused by fstat, not waited on.
  TFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (!fd.Valid()) return Fail("Cannot open", path, errno);
  struct stat st {};
  if (::fstat(fd.Get(), &st) != 0) return Fail("Cannot read", path, errno);
  if (!S_ISREG(st.st_mode)) return NotRegular(path);
  std::string bytes;
  TStatus read = ReadAll(fd.Get(), path, bytes);
  if (read.ok()) lines = SplitLines(bytes);
  return read;
}

bool HasLineBreakOrNul(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

TStatus WriteTextLines(const fs::path& path, const std::vector<std::string>& lines, TFileAccess access) {
  return ReplaceFileAtomically(path, JoinLinesCrLf(lines), {}, access);
}

TStatus AppendTextLine(const fs::path& path, std::string_view line) {
  if (TStatus regular = RequireRegularFile(path); !regular) return regular;
  // O_NONBLOCK: a FIFO put in the file's place since the check must not hold the run; fstat refuses it.
  TFd fd(::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666));
  if (!fd.Valid()) return errno == ENXIO ? NotRegular(path) : Fail("Cannot write", path, errno);
  struct stat st {};
  if (::fstat(fd.Get(), &st) != 0) return Fail("Cannot write", path, errno);
  if (!S_ISREG(st.st_mode)) return NotRegular(path);
  while (::flock(fd.Get(), LOCK_EX) != 0) {
    if (errno != EINTR) return Fail("Cannot lock", path, errno);
  }
  // Under the lock the end of the file is final: a last line without its break gets one first.
  if (::fstat(fd.Get(), &st) != 0) return Fail("Cannot write", path, errno);
  std::string bytes;
  if (st.st_size > 0) {
    char last = '\n';
    if (::pread(fd.Get(), &last, 1, st.st_size - 1) != 1) return Fail("Cannot read", path, errno);
    if (last != '\n' && last != '\r') bytes = "\r\n";
  }
  bytes += line;
  bytes += "\r\n";
  if (!WriteAll(fd.Get(), bytes.data(), bytes.size()) || ::fsync(fd.Get()) != 0) {
    return Fail("Cannot write", path, errno);
  }
  return TStatus::Ok();
}

TStatus RequireRegularFile(const fs::path& path) {
  struct stat st {};
  // Nothing there (or a link to nothing): a write creates a regular file, a read finds none.
  if (::stat(path.c_str(), &st) != 0) return TStatus::Ok();
  return S_ISREG(st.st_mode) ? TStatus::Ok() : NotRegular(path);
}

namespace {

// The file a path finally names: a symbolic link is followed (relative links from their own folder) until
// a name that is not a link, which may not exist yet. Replacing that file leaves every link in place.
TStatus FinalTarget(const fs::path& path, fs::path& target) {
  target = path;
  for (int hops = 0;; ++hops) {
    struct stat st {};
    if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return TStatus::Ok();
    if (hops == 40) return Fail("Cannot write", path, ELOOP);
    std::string link(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
    const ssize_t n = ::readlink(target.c_str(), link.data(), link.size());
    if (n < 0) return Fail("Cannot write", path, errno);
    link.resize(static_cast<std::size_t>(n));
    const fs::path next(link);
    target = next.is_absolute() ? next : target.parent_path() / next;
  }
}

// The process id in a temporary name of ours for `target` (".name.<pid>.<random>.tmp"), or 0.
pid_t WriterOfTemporary(std::string_view entry, std::string_view prefix) {
  if (!entry.starts_with(prefix) || !entry.ends_with(".tmp")) return 0;
  entry.remove_prefix(prefix.size());
  entry.remove_suffix(4);
  const std::size_t dot = entry.find('.');
  if (dot == 0 || dot == std::string_view::npos || entry.size() - dot - 1 != 8) return 0;
  pid_t pid = 0;
  for (const char c : entry.substr(0, dot)) {
    if (c < '0' || c > '9' || pid > 100000000) return 0;
    pid = pid * 10 + (c - '0');
  }
  return pid;
}

// A save that was killed leaves its temporary file, as large as the file itself. The name says who wrote
// it: one whose writer no longer runs is removed. A live process of that number keeps its file, whoever
// it is; our own process may have a save of the same file under way on another thread.
void RemoveStaleTemporaries(const fs::path& folder, const fs::path& target) {
  std::string prefix = ".";
  prefix += target.filename().string();
  prefix += '.';
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return;
  const pid_t self = ::getpid();
  while (const dirent* entry = ::readdir(dir)) {
    const pid_t writer = WriterOfTemporary(entry->d_name, prefix);
    if (writer <= 0 || writer == self) continue;
    if (!IsProcessAlive(writer)) ::unlinkat(::dirfd(dir), entry->d_name, 0);
  }
  ::closedir(dir);
}

}  // namespace

TStatus ReplaceFileAtomically(const fs::path& link, std::string_view bytes,
                              const TBeforeRenameHook& beforeRename, TFileAccess access) {
  // Through a symbolic link the link's final target gets the new content and the link stays a link.
  fs::path path;
  if (TStatus followed = FinalTarget(link, path); !followed) return followed;
  if (TStatus regular = RequireRegularFile(path); !regular) return regular;
  const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
  RemoveStaleTemporaries(folder, path);
  fs::path temporary = folder / TemporaryName(path);
  mode_t mode = 0666 & ~[] {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
  }();
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) mode = st.st_mode & 07777;
  if (access == TFileAccess::kOwnerOnly) mode &= 0600;
  // A crash may have left a temporary file behind, and a forked process shares the name generator's
  // state: a name that is taken is simply replaced by the next one.
  TFd out;
  for (int attempt = 0; attempt < 16 && !out.Valid(); ++attempt) {
    if (attempt > 0) temporary = folder / TemporaryName(path);
    out = TFd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
    if (!out.Valid() && errno != EEXIST) break;
  }
  if (!out.Valid()) return Fail("Cannot write", path, errno);
  ::fchmod(out.Get(), mode);  // the umask must not narrow the permissions the old file had
  bool ok = WriteAll(out.Get(), bytes.data(), bytes.size()) && ::fsync(out.Get()) == 0;
  int error = errno;
  if (out.Close() != 0 && ok) {
    ok = false;
    error = errno;
  }
  if (!ok) {
    ::unlink(temporary.c_str());
    return Fail("Cannot write", path, error);
  }
  if (beforeRename) beforeRename(temporary);
  if (::rename(temporary.c_str(), path.c_str()) != 0) {
    error = errno;
    ::unlink(temporary.c_str());
    return Fail("Cannot replace", path, error);
  }
  SyncFolder(folder);
  return TStatus::Ok();
}

}  // namespace varnholt::platform
