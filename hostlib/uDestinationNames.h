// uDestinationNames.h — the rules that turn a destination a script wrote into a usable Windows path:
// backslashes tidied, characters that file names may not hold replaced, the extension forced to .PDF,
// and the parts of a path (folder, file name, extension) as file placement and the path routines see them.
#pragma once

#include <string>
#include <string_view>

#include "logging/uLogger.h"

namespace varnholt {

// Every run of backslashes becomes one, and trailing backslashes go; writes the Prc record "TrimBackSlash".
std::string TrimBackSlash(TLogger& log, std::string_view text);
// Replaces " * / < > ? | : (and, with nameOnly, the backslash) by "_"; a drive colon ("C:\") stays in
// path mode. Writes the Prc record "FixFileName" and, when it replaced anything, a Msg "Fixed chars".
std::string FixFileName(TLogger& log, std::string_view text, bool nameOnly);
// The same two rules without records, for routines that log only their own name.
std::string TidyBackSlashes(std::string_view text);
std::string ReplaceForbiddenChars(std::string_view text, bool nameOnly, bool* replaced = nullptr);
// Forces the extension .PDF (any letter case of it stays); true when the path changed.
bool FixExtension(std::string& path);

// Everything before the last backslash; a file in a drive's root keeps it (C:\ for C:\x.PDF). Without a
// backslash, everything up to a drive colon (C: for C:x.PDF); empty for a path with neither.
std::string FolderOf(std::string_view path);
// Everything after the last backslash or colon.
std::string FileNameOf(std::string_view path);
// Everything up to and including the last backslash or colon: the path without its file name
// (C:\PDF\ for C:\PDF\x.PDF, C: for C:x.PDF); empty for a bare name.
std::string FolderPartOf(std::string_view path);
// A folder and a name joined with exactly one backslash (a drive's root already ends with one).
std::string JoinPath(std::string_view folder, std::string_view name);
// The file name's part from its last dot on, dot included; empty without a dot.
std::string ExtensionOf(std::string_view path);

// The queue folder of Automatic mode: a file placed in it would be taken as a new report.
inline constexpr const char* kQueueFolderPath = "C:\\PDF";

// "." and ".." resolved by the text alone, as Windows resolves them before it opens a path:
// C:\PDFSTORE\..\PDF\x.PDF is C:\PDF\x.PDF, and ".." at a drive's root stays at the root. A path
// without either comes back unchanged. Destinations are built from report text, so only the resolved
// path says where a file lands.
std::string ResolveDotSegments(std::string_view path);
// Why a destination may not be written, or nullptr when it may: "Invalid Destination FileName" when its
// name as written is empty, "." or ".." (a folder, not a file) or its resolved name starts with a dot
// (hidden from the queue listing and from operators); "Destination In Queue Folder" when it resolves
// into the queue folder itself (a folder below it, as FAILED, is fine). Letter case is ignored.
const char* DestinationRefusal(std::string_view written, std::string_view resolved);

}  // namespace varnholt
