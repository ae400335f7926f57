// uPathFunctions.h — the path routines that action scripts use to take Windows paths apart and put them
// together, and the small text files that scripts keep beside the archive.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "logging/uLogger.h"
#include "platform/FileSystem.h"

namespace varnholt {

// The folder of the trimmed, tidied path: C:\Data\Run1\rep.pdf gives C:\Data\Run1, C:\Data gives C:\,
// a bare name the empty text.
std::string ParentFolder(TLogger& log, std::string_view fileName);
// Field index of the path split at backslashes, counted as Token counts (1 the drive, -1 the file name).
std::string SubDir(TLogger& log, std::string_view filePath, std::int32_t index);
// The first count fields of the trimmed, tidied path (all but the last -count-1 for a negative count).
std::string SubDirs(TLogger& log, std::string_view filePath, std::int32_t count);
// FixFileName in path mode, then TrimBackSlash.
std::string FixFilePath(TLogger& log, std::string_view filePath);

// Adds the trimmed text and CR LF at the end of the file (created with its folder when missing), in place
// and under a lock, so concurrent appends all arrive; the lines already there stay as they are. The name's
// "." and ".." are resolved first. Throws EHostError when the file cannot be written, is not a regular
// file, the name has no folder part, or it leads into the queue folder or to a hidden or empty name.
void AppendToTextFile(TLogger& log, const platform::TFileSystem& files, std::string_view fileName,
                      std::string_view text);
// The file's lines, each followed by CR LF; the empty text for a missing file. Throws EHostError when the
// file exists but cannot be read or is not a regular file, and for the names AppendToTextFile refuses.
std::string ReadFromTextFile(TLogger& log, const platform::TFileSystem& files, std::string_view fileName);

}  // namespace varnholt
