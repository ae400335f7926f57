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

// Copies a file; fails when the destination exists. The copy is flushed to disk and keeps the
// source's last-write time. A failed copy leaves no partial destination behind.
TStatus CopyFileNoOverwrite(const fs::path& source, const fs::path& destination);

// Moves a file; fails when the destination exists. A rename where possible; across file systems a
// copy that is flushed before the source is deleted, so the file exists in at least one place always.
TStatus MoveFileNoOverwrite(const fs::path& source, const fs::path& destination);

TStatus DeleteFile(const fs::path& path);

// A file is in use when we cannot open it for writing, when another process holds it open for
// writing, or when it is locked.
bool IsFileInUse(const fs::path& path);

// Creates a folder with all its parents; succeeds when it already exists.
TStatus ForceDirectories(const fs::path& path);

// Reads a whole file as bytes.
TStatus ReadFileBytes(const fs::path& path, std::string& bytes);

// Splits text into lines at CR LF, CR or LF; a final line break ends the last line without adding an
// empty one.
std::vector<std::string> SplitLines(std::string_view text);
// Joins lines, each followed by CR LF.
std::string JoinLinesCrLf(const std::vector<std::string>& lines);

// Reads a text file as lines (8-bit, unchanged bytes).
TStatus ReadTextLines(const fs::path& path, std::vector<std::string>& lines);
// Writes lines, each ended by CR LF, through the atomic replace.
TStatus WriteTextLines(const fs::path& path, const std::vector<std::string>& lines);

// Test seam: called after the temporary file has been written, before it is renamed over the target.
using TBeforeRenameHook = std::function<void(const fs::path& temporaryFile)>;

// Replaces a file's content atomically: the bytes go to a temporary file in the same folder, which is
// flushed and renamed over the target. A failure or a crash at any point leaves the old file intact.
// An existing file keeps its permissions. A symbolic link is written through: its final target gets the
// new content and the link stays. Temporary files that killed writers left for the same file (their
// names carry the writer's process id) are removed on the way.
TStatus ReplaceFileAtomically(const fs::path& path, std::string_view bytes,
                              const TBeforeRenameHook& beforeRename = {});

// The text of an errno value, for messages.
std::string ErrnoText(int error);

}  // namespace varnholt::platform
