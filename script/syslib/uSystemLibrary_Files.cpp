// uSystemLibrary_Files.cpp — TFileClass and the system library's text-file routines and Chdir; failures
// carry the conventional I/O error texts.
#include "script/syslib/uSystemLibrary_Files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "platform/CodePage.h"
#include "platform/DriveMap.h"
#include "rtl/uRtlErrors.h"
#include "script/syslib/uSystemLibrary.h"

namespace varnholt {

namespace {

// The conventional codes: 103 a file that is not open, 104 not open for input, 105 not open for output.
constexpr int kInvalidFilename = 3;
constexpr int kNotOpen = 103;
constexpr int kNotForInput = 104;
constexpr int kNotForOutput = 105;

int IoCodeOfErrno(int error) {
  switch (error) {
    case ENOENT:
      return 2;
    case ENOTDIR:
    case ENAMETOOLONG:
    case EINVAL:
    case ELOOP:
      return kInvalidFilename;
    case EMFILE:
    case ENFILE:
      return 4;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
    case ETXTBSY:
    case EBUSY:
      return 5;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return 101;
    default:
      return error;
  }
}

[[noreturn]] void IoFail(int code) {
  throw rtl::ERtlError(IoErrorText(code));
}
[[noreturn]] void ErrnoFail(int error) {
  IoFail(IoCodeOfErrno(error));
}

}  // namespace

std::string IoErrorText(int code) {
  switch (code) {
    case 2:
      return "File not found";
    case 3:
      return "Invalid filename";
    case 4:
      return "Too many open files";
    case 5:
      return "File access denied";
    case 100:
      return "Read beyond end of file";
    case 101:
      return "Disk full";
    case 106:
      return "Invalid numeric input";
    default:
      return "I/O error " + std::to_string(code);
  }
}

std::filesystem::path ResolveScriptPath(const std::string& fileName,
                                        const std::filesystem::path& applicationFolder) {
  if (fileName.empty() || fileName.find('\0') != std::string::npos) IoFail(kInvalidFilename);
  if (platform::HasDriveLetter(fileName)) {
    if (applicationFolder.empty()) IoFail(kInvalidFilename);
    const auto native = platform::TDriveMap(applicationFolder).TryResolve(fileName);
    if (!native) IoFail(kInvalidFilename);
    return *native;
  }
  std::string native = platform::Cp1252ToUtf8(fileName);
  for (char& c : native) {
    if (c == '\\') c = '/';
  }
  return std::filesystem::path(native);
}

// ---------------------------------------------------------------------------------------------------

TFileClass::TFileClass(std::string fileName, std::filesystem::path applicationFolder,
                       std::shared_ptr<TFileSet> files)
    : fileName_(std::move(fileName)), appFolder_(std::move(applicationFolder)), files_(std::move(files)) {
  if (files_) files_->insert(this);
}

TFileClass::~TFileClass() {
  CloseQuietly();
  if (files_) files_->erase(this);
}

void TFileClass::CloseQuietly() noexcept {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  mode_ = TMode::Closed;
  bufPos_ = bufLen_ = 0;
}

void TFileClass::Open(int flags, TMode mode) {
  // Opening an open file closes it first, as the conventional modes do.
  CloseQuietly();
  const std::filesystem::path path = ResolveScriptPath(fileName_, appFolder_);
  const int fd = ::open(path.c_str(), flags | O_CLOEXEC, 0666);
  if (fd < 0) ErrnoFail(errno);
  struct stat info {};
  if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
    ::close(fd);
    IoFail(5);
  }
  fd_ = fd;
  mode_ = mode;
}

void TFileClass::Reset() {
  Open(O_RDONLY, TMode::Input);
}
void TFileClass::Rewrite() {
  Open(O_WRONLY | O_CREAT | O_TRUNC, TMode::Output);
}
void TFileClass::Append() {
  Open(O_WRONLY | O_APPEND, TMode::Output);
}

void TFileClass::RequireOpen() const {
  if (fd_ < 0) IoFail(kNotOpen);
}

void TFileClass::CloseFile() {
  RequireOpen();
  const int result = ::close(fd_);
  const int error = errno;
  fd_ = -1;
  CloseQuietly();
  if (result != 0 && error != EINTR) ErrnoFail(error);
}

void TFileClass::Write(std::string_view text) {
  RequireOpen();
  if (mode_ != TMode::Output) IoFail(kNotForOutput);
  while (!text.empty()) {
    const ssize_t written = ::write(fd_, text.data(), text.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      ErrnoFail(errno);
    }
    text.remove_prefix(static_cast<std::size_t>(written));
  }
}

bool TFileClass::Fill() {
  if (bufPos_ < bufLen_) return true;
  for (;;) {
    const ssize_t got = ::read(fd_, buffer_, sizeof buffer_);
    if (got < 0) {
      if (errno == EINTR) continue;
      ErrnoFail(errno);
    }
    bufPos_ = 0;
    bufLen_ = static_cast<int>(got);
    return got > 0;
  }
}

std::string TFileClass::ReadLn() {
  RequireOpen();
  if (mode_ != TMode::Input) IoFail(kNotForInput);
  std::string line;
  while (Fill()) {
    const char c = buffer_[bufPos_++];
    if (c == '\n') break;
    if (c == '\r') {
      if (Fill() && buffer_[bufPos_] == '\n') ++bufPos_;
      break;
    }
    line += c;
  }
  // At the end of the file the line is simply empty, as a conventional text file reads.
  return line;
}

bool TFileClass::Eof() {
  RequireOpen();
  if (mode_ != TMode::Input) IoFail(kNotForInput);
  return !Fill();
}

std::int32_t TFileClass::FilePos() {
  RequireOpen();
  // The operating system's position, which runs ahead of the script by what sits in the read buffer.
  const off_t position = ::lseek(fd_, 0, SEEK_CUR);
  if (position < 0) ErrnoFail(errno);
  return static_cast<std::int32_t>(position / kRecordSize);
}

std::int32_t TFileClass::FileSize() {
  RequireOpen();
  struct stat info {};
  if (::fstat(fd_, &info) != 0) ErrnoFail(errno);
  return static_cast<std::int32_t>(info.st_size / kRecordSize);
}

// ---------------------------------------------------------------------------------------------------

namespace {

using TLib = TatSystemLibrary;
using TVm = TatCallContext;

// Argument i as the script's text file. Anything else (a number, a freed handle, another object) is a
// run-time error; the handle is looked up in the scripter's table, never followed as an address.
TFileClass& FileArg(TVm& vm, int i, const char* routine) {
  const ScriptValue& v = vm.ArgValue(i);
  if (v.IsIntegerKind()) {
    if (const TatObjectTable::TEntry* entry = vm.Objects().Find(v.RawInteger())) {
      if (auto* file = dynamic_cast<TFileClass*>(entry->owned.get())) return *file;
    }
  }
  throw rtl::ERtlError(std::string(routine) + " expects a text file assigned with AssignFile");
}

const TatSystemRoutine kFileRoutines[] = {
    {"Chdir",
     1,
     dtNone,
     0,
     [](TLib& lib, TVm& vm) {
       const std::filesystem::path folder = ResolveScriptPath(vm.ArgString(0), lib.ApplicationFolder());
       if (::chdir(folder.c_str()) != 0) ErrnoFail(errno);
     },
     {},
     "Path: string"},
    {"AssignFile",
     2,
     dtNone,
     0,
     [](TLib& lib, TVm& vm) {
       auto file = std::make_unique<TFileClass>(vm.ArgString(1), lib.ApplicationFolder(), lib.Files());
       // The position is no by-reference one, but a bare variable always arrives as a reference.
       const std::int32_t handle = vm.Objects().Adopt(std::move(file), lib.FileClass());
       try {
         vm.SetArgRef(0, ScriptValue(handle));
       } catch (...) {
         vm.Objects().Free(handle);
         throw;
       }
     },
     {},
     "var F: TextFile; FileName: string"},
    {"Reset", 1, dtNone, 0, [](TLib&, TVm& vm) { FileArg(vm, 0, "Reset").Reset(); }, {}, "F: TextFile"},
    {"Rewrite", 1, dtNone, 0, [](TLib&, TVm& vm) { FileArg(vm, 0, "Rewrite").Rewrite(); }, {}, "F: TextFile"},
    {"Append", 1, dtNone, 0, [](TLib&, TVm& vm) { FileArg(vm, 0, "Append").Append(); }, {}, "F: TextFile"},
    {"CloseFile",
     1,
     dtNone,
     0,
     [](TLib&, TVm& vm) { FileArg(vm, 0, "CloseFile").CloseFile(); },
     {},
     "F: TextFile"},
    {"Write",
     2,
     dtNone,
     0,
     [](TLib&, TVm& vm) { FileArg(vm, 0, "Write").Write(vm.ArgString(1)); },
     {},
     "F: TextFile; Value: variant"},
    {"WriteLn",
     2,
     dtNone,
     0,
     [](TLib&, TVm& vm) { FileArg(vm, 0, "WriteLn").Write(vm.ArgString(1) + "\r\n"); },
     {},
     "F: TextFile; Value: variant"},
    {"ReadLn",
     1,
     dtText,
     0,
     [](TLib&, TVm& vm) { vm.SetResult(ScriptValue(FileArg(vm, 0, "ReadLn").ReadLn())); },
     {},
     "F: TextFile"},
    {"EOF",
     1,
     dtInteger,
     0,
     [](TLib&, TVm& vm) { vm.SetResult(ScriptValue(FileArg(vm, 0, "EOF").Eof())); },
     {},
     "F: TextFile"},
    {"FilePos",
     1,
     dtInteger,
     0,
     [](TLib&, TVm& vm) { vm.SetResult(ScriptValue(FileArg(vm, 0, "FilePos").FilePos())); },
     {},
     "F: TextFile"},
    {"FileSize",
     1,
     dtInteger,
     0,
     [](TLib&, TVm& vm) { vm.SetResult(ScriptValue(FileArg(vm, 0, "FileSize").FileSize())); },
     {},
     "F: TextFile"},
};

static_assert(sizeof(kFileRoutines) / sizeof(kFileRoutines[0]) == kSystemLibraryFileRoutineCount);

}  // namespace

std::span<const TatSystemRoutine> SystemLibraryFileRoutines() {
  return kFileRoutines;
}

}  // namespace varnholt
