// uApplicationFolder.h — which application folder a program works in, where it finds the files shipped
// beside it, and what a fresh application folder needs before the first report arrives: the queue folder
// C:\PDF and the action script file, started from the standard script.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/Status.h"

namespace varnholt {

inline constexpr const char* kScriptFileName = "Varnholt.PS";

// Creates C:\PDF (drive folder included) and, when Varnholt.PS is missing or holds nothing but blanks,
// writes the standard script into it. Gives the script to run in script.
// Who asks for the default application folder, as far as the choice goes.
struct TFolderAccount {
  unsigned userId = 0;
  std::vector<std::string> groupNames;  // the groups the process runs with
  std::string xdgDataHome;              // $XDG_DATA_HOME; empty when unset
  std::string home;                     // the home folder
};

// The application folder when no --app-folder names one. A program in a folder of its own (a build, a
// copy in /opt) works in that folder. The installed programs (kInstalledProgramFolder) are read-only and
// shared by every user: root and the members of kSharedGroup work in the service's folder
// kSharedApplicationFolder, anybody else in one of their own, $XDG_DATA_HOME/varnholt (else
// ~/.local/share/varnholt).
std::filesystem::path ChooseApplicationFolder(const std::filesystem::path& programFolder,
                                              const TFolderAccount& account);
// The same for this process. A user's own folder is created when it is chosen and missing.
std::filesystem::path DefaultApplicationFolder();

// A file the programs ship (PDF.EXE, the help page): the application folder's own when it has one (a
// site may replace the engine), else the one beside the running programs, as in the installed layout. When
// neither exists, the application folder's, so that an error names the usual place.
std::filesystem::path ProgramFile(const std::filesystem::path& applicationFolder,
                                  const std::filesystem::path& programFolder, const std::string& fileName);

platform::TStatus PrepareApplicationFolder(const std::filesystem::path& applicationFolder,
                                           std::vector<std::string>& script);

}  // namespace varnholt
