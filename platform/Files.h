// Files.h — file services on native paths: find, copy and move without overwriting, the in-use test,
// whole text files as lines, and the atomic replace that every file the program writes for itself uses.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Status.h"

namespace varnholt::platform {

namespace fs = std::filesystem;

struct TFoundFile {
  std::string name;  // file name in the system code page
  fs::path path;     // native path
  std::chrono::system_clock::time_point lastWrite;
};

// Matches a file name against a mask with '*' and '?' ("*.pdf", "_????.PDF"), case-insensitively over
// the 1252 table. Both are in the system code page.
bool MatchesMask(std::string_view name, std::string_view mask);

bool FileExists(const fs::path& path);       // a regular file (or a link to one)
bool DirectoryExists(const fs::path& path);  // a folder (or a link to one)

// The regular files of a folder whose names match the mask, sorted by name; hidden files (names
// starting with a dot) are left out. A missing or unreadable folder gives an empty list.
std::vector<TFoundFile> FindFiles(const fs::path& folder, std::string_view mask);

// The steps of a copy into place, in order. A crash between any two of them leaves the source intact and
// never a partial file under the destination name; at most a hidden temporary file beside it.
enum class TPlacementStep {
  kCopyFlushed,         // the whole content is in the temporary file and on disk; no destination yet
  kDestinationNamed,    // the destination name points at the copy; the temporary name still exists
  kTemporaryRemoved,    // only the destination name is left; its folder is not flushed yet
  kDestinationFlushed,  // the destination folder is on disk: the copy is durable (a move deletes next)
  kSourceRemoved,       // a move's source is deleted; its folder is not flushed yet
};

// Test seam: called between the steps of a copy or a move. A failure it gives back stops the operation
// there and undoes it as a real failure at that point would, so the source stays the only copy; after
// kSourceRemoved the move is complete and the hook's answer is ignored (it can still crash the process).
using TPlacementHook = std::function<TStatus(TPlacementStep step)>;

// Copies a regular file; fails when the destination exists ("The file already exists: ..."; "Not a
// regular file: ..." when it is a FIFO, a device, a socket or a folder), also when another
// program creates it while the copy runs. The bytes go to a hidden temporary file in the destination
// folder, which is flushed and then given the final name without overwriting (a link, or a rename that
// refuses to replace); the folder is flushed last. The copy keeps the source's last-write time and
// permissions. A failed copy leaves no destination and no temporary file behind.
TStatus CopyFileNoOverwrite(const fs::path& source, const fs::path& destination, const TPlacementHook& hook = {});

// Moves a file; fails when the destination exists. Within one file system a single rename that refuses
// to replace (the hook is not called: there are no steps between); across file systems MoveFileByCopy,
// so the file exists complete in at least one place always.
TStatus MoveFileNoOverwrite(const fs::path& source, const fs::path& destination, const TPlacementHook& hook = {});

// The move across file systems: CopyFileNoOverwrite, then the source is deleted and its folder flushed.
// When the source cannot be deleted the copy is removed again, so exactly one file remains; a source that
// is already gone (removed by someone else meanwhile) leaves the copy as the one file.
TStatus MoveFileByCopy(const fs::path& source, const fs::path& destination, const TPlacementHook& hook = {});

TStatus DeleteFile(const fs::path& path);

// A file is in use when another process holds it open for writing (a printer still writing it), when
// we cannot open it for reading and writing, when it is read-only (no write permission for anybody, the
// read-only attribute of other systems), or when it is locked (flock or a POSIX record lock). A missing
// file is in use too: it cannot be taken.
bool IsFileInUse(const fs::path& path);

// Whether another process has the file open for writing, seen through /proc/<pid>/fdinfo. Only the
// processes we may look into are seen (all of them as root); IsFileInUse uses it when it cannot take
// a lease on the file.
bool IsOpenForWritingElsewhere(const fs::path& path);

// Creates a folder with all its parents; succeeds when it already exists.
TStatus ForceDirectories(const fs::path& path);

// Reads a whole file as bytes.
TStatus ReadFileBytes(const fs::path& path, std::string& bytes);
// The SHA-256 of a file's bytes as 64 lower-case hex digits, read in pieces.
TStatus FileSha256(const fs::path& path, std::string& digest);
// The SHA-256 of bytes in memory, lower-case hex.
std::string Sha256Of(std::string_view bytes);

// Splits text into lines at CR LF, CR or LF; a final line break ends the last line without adding an
// empty one.
std::vector<std::string> SplitLines(std::string_view text);
// The same lines as views into the text, for callers that split large texts often and copy nothing.
std::vector<std::string_view> SplitLineViews(std::string_view text);
// Joins lines, each followed by CR LF.
std::string JoinLinesCrLf(const std::vector<std::string>& lines);
// True when the text holds CR, LF or NUL, so it cannot stay one line of a line-based file (a key of the
// engine's request, a value of the settings).
bool HasLineBreakOrNul(std::string_view text);

// Reads a text file as lines (8-bit, unchanged bytes); only a regular file is read.
TStatus ReadTextLines(const fs::path& path, std::vector<std::string>& lines);
// Who may read a file the program writes. kAsBefore: a new file as the umask allows, an existing one keeps
// its permissions. kOwnerOnly, for files that hold passwords or a report's text: at most 0600, so a new
// file is 0600, an existing stricter one keeps its mode and a wider one is narrowed.
enum class TFileAccess { kAsBefore, kOwnerOnly };

// Writes lines, each ended by CR LF, through the atomic replace.
TStatus WriteTextLines(const fs::path& path, const std::vector<std::string>& lines,
                       TFileAccess access = TFileAccess::kAsBefore);
// Adds one line and its CR LF at the end of a text file, in place: the file is opened for appending and
// locked (flock) for the write, so lines that several processes append at once all arrive, each whole.
// A last line without its line break gets one first. The file is created when missing (not its folder).
TStatus AppendTextLine(const fs::path& path, std::string_view line);

// Succeeds when nothing is at the path or a regular file is (through links); otherwise (a FIFO, a
// device, a socket, a folder) fails with "Not a regular file: ...". Every write and every text-file read
// checks this first and touches nothing else: a FIFO is never waited on, a device never replaced.
TStatus RequireRegularFile(const fs::path& path);

// Called after the temporary file has been written and flushed, before it is renamed over the target: a
// test seam, and how the shared log file locks its new content before the name moves to it.
using TBeforeRenameHook = std::function<void(const fs::path& temporaryFile)>;

// Replaces a file's content atomically: the bytes go to a temporary file in the same folder, which is
// flushed and renamed over the target. A failure or a crash at any point leaves the old file intact.
// A target that is not a regular file is refused (RequireRegularFile). An existing file keeps its
// permissions (with kOwnerOnly at most 0600). A symbolic link is written through: its final target gets
// the new content and the link stays. Temporary files that killed writers left for the same file (their
// names carry the writer's process id) are removed on the way.
TStatus ReplaceFileAtomically(const fs::path& path, std::string_view bytes,
                              const TBeforeRenameHook& beforeRename = {},
                              TFileAccess access = TFileAccess::kAsBefore);

// The text of an errno value, for messages.
std::string ErrnoText(int error);

}  // namespace varnholt::platform
