// CliSupport.h — what several commands of varnholt-cli share: paths given on the command line, text for
// the terminal, and log records printed for a person or as JSON.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/uServiceSettings.h"
#include "platform/DriveMap.h"

namespace varnholt::cli {

// The terminal wants UTF-8 and plain LF line ends.
std::string ForTerminal(const std::string& text);

// The Windows path of a file argument: as given when it has a drive letter, else the native file's place
// in a drive folder; nullopt when it lies outside every drive.
std::optional<std::string> WindowsPathOf(const std::string& argument, const platform::TDriveMap& map);

// One log record ("Date\tTime\tType\tObject\tProc\tText\tData") for a person: time, type, object/proc,
// text and data; or as one JSON object on a line.
std::string RecordForPerson(const std::string& line);
std::string RecordAsJson(const std::string& line);

// The settings of Varnholt.xml for a command without a window; nullopt, with the reason on standard error,
// when the file cannot be read.
std::optional<TServiceSettings> ReadServiceSettings(const std::filesystem::path& applicationFolder);

// The lines of a script file, converted from UTF-8 when it is such a file.
std::vector<std::string> ScriptLines(const std::string& bytes);

// The script of a run: the file named, else the application folder's Varnholt.PS, else (that file missing
// or blank) the standard script. False, with the reason on standard error, when the file cannot be read.
bool ReadActionScript(const std::string& file, const std::filesystem::path& applicationFolder,
                      std::vector<std::string>& lines);

}  // namespace varnholt::cli
