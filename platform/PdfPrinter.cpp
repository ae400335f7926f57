// PdfPrinter.cpp — finds cups-pdf queues, reads where they write, and sets up the queue that files every
// printed report into the queue folder.
#include "platform/PdfPrinter.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <sstream>

#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/Printers.h"

namespace varnholt::platform {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kScheme = "cups-pdf:";
// The line of the filing program that names its queue folder; status reads it back.
constexpr std::string_view kQueueLine = "VARNHOLT_QUEUE=";

bool IsCupsPdfUri(std::string_view uri) {
  return uri.size() >= kScheme.size() && SameText(uri.substr(0, kScheme.size()), kScheme);
}

std::string ReadAll(const fs::path& path) {
  std::string bytes;
  if (!ReadFileBytes(path, bytes)) return {};
  return bytes;
}

// Quotes a text for the shell: inside single quotes only the single quote itself needs care.
std::string ShellQuote(std::string_view text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string ShellUnquote(std::string_view text) {
  std::string plain;
  bool inQuotes = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\'') {
      inQuotes = !inQuotes;
    } else if (c == '\\' && !inQuotes && i + 1 < text.size()) {
      plain += text[++i];
    } else {
      plain += c;
    }
  }
  return plain;
}

// cups-pdf hands its paths unquoted to the shell that runs the filing program, so they must not contain
// anything the shell would split or interpret.
bool ShellSafePath(std::string_view path) {
  return std::all_of(path.begin(), path.end(), [](unsigned char c) {
    return std::isalnum(c) || c == '/' || c == '.' || c == '_' || c == '-' || c == '+';
  });
}

// The queue folder a Varnholt filing program moves its PDFs into; empty when the program is not ours.
std::string FilingQueueFolder(const std::string& program) {
  if (program.empty()) return {};
  std::istringstream lines(ReadAll(program));
  std::string line;
  while (std::getline(lines, line)) {
    if (line.starts_with(kQueueLine)) return ShellUnquote(std::string_view(line).substr(kQueueLine.size()));
  }
  return {};
}

std::string FilingProgram(const fs::path& queueFolder) {
  return "#!/bin/sh\n"
         "# Written by \"varnholt-cli printer setup\". cups-pdf calls this with each finished PDF (then the\n"
         "# user names); it moves the PDF into Varnholt's queue folder as yyyymmddhhnnss_NNNN.pdf (date, "
         "time\n"
         "# and a counter). A hard link takes a free name atomically and never replaces a file already "
         "there.\n" +
         std::string(kQueueLine) + ShellQuote(queueFolder.string()) +
         "\n"
         "src=\"$1\"\n"
         "[ -f \"$src\" ] || exit 0\n"
         "stamp=$(date +%Y%m%d%H%M%S)\n"
         "n=1\n"
         "while [ \"$n\" -le 9999 ]; do\n"
         "  target=\"$VARNHOLT_QUEUE/$(printf '%s_%04d.pdf' \"$stamp\" \"$n\")\"\n"
         "  if ln \"$src\" \"$target\" 2>/dev/null; then rm -f \"$src\"; exit 0; fi\n"
         "  n=$((n + 1))\n"
         "done\n"
         "echo \"no free name for $src in $VARNHOLT_QUEUE\" >&2\n"
         "exit 1\n";
}

std::string QueueConfig(const fs::path& staging, const fs::path& program) {
  return "# cups-pdf settings of the queue " + std::string(kPdfPrinterQueue) +
         ", written by \"varnholt-cli printer setup\".\n"
         "# cups-pdf writes each job into Out, named after its title and job number so that no job\n"
         "# replaces another; the PostProcessing program then moves it into the queue folder.\n"
         "Out " +
         staging.string() + "\n" + "AnonDirName " + staging.string() + "\n" +
         "Label 2\n"
         "UserUMask 0000\n"
         "AnonUMask 0000\n"
         "Grp lpadmin\n"
         "DecodeHexStrings 1\n"
         "PostProcessing " +
         program.string() + "\n";
}

// Writes a file only when its content differs, and says so.
TStatus WriteIfChanged(const fs::path& path, const std::string& content, fs::perms mode,
                       std::vector<std::string>& changes) {
  std::error_code ec;
  const bool existed = fs::exists(path, ec);
  if (existed && ReadAll(path) == content) {
    if ((fs::status(path, ec).permissions() & fs::perms::all) != mode) {
      fs::permissions(path, mode, ec);
      if (ec) return TStatus::Fail("Cannot set the permissions of " + Utf8ToCp1252(path.string()));
      changes.push_back("Set the permissions of " + Utf8ToCp1252(path.string()));
    }
    return TStatus::Ok();
  }
  if (TStatus written = ReplaceFileAtomically(path, content); !written) return written;
  fs::permissions(path, mode, ec);
  if (ec) return TStatus::Fail("Cannot set the permissions of " + Utf8ToCp1252(path.string()));
  changes.push_back((existed ? "Rewrote " : "Wrote ") + Utf8ToCp1252(path.string()));
  return TStatus::Ok();
}

// A folder that every user who prints can write into, since cups-pdf writes as the printing user. With the
// sticky bit each of them can rename or delete only their own files there.
TStatus EnsureSharedFolder(const fs::path& folder, fs::perms mode, std::vector<std::string>& changes) {
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) {
    fs::create_directories(folder, ec);
    if (ec)
      return TStatus::Fail("Cannot create the folder " + Utf8ToCp1252(folder.string()) + ": " + ec.message());
    changes.push_back("Created the folder " + Utf8ToCp1252(folder.string()));
  }
  const auto current = fs::status(folder, ec).permissions() & fs::perms::mask;
  if ((current & mode) != mode) {
    fs::permissions(folder, mode, fs::perm_options::add, ec);
    if (ec)
      return TStatus::Fail("Cannot open the folder " + Utf8ToCp1252(folder.string()) + " to every user");
    changes.push_back(
        "Let every user write into " + Utf8ToCp1252(folder.string()) +
        ((mode & fs::perms::sticky_bit) != fs::perms::none ? ", each only their own files" : ""));
  }
  return TStatus::Ok();
}

// Gives a folder to the owner of the application folder, the user the service runs as: in a sticky folder
// only its owner may move other users' files, and the service moves every report out of the queue.
TStatus GiveToOwnerOf(const fs::path& owned, const fs::path& folder, std::vector<std::string>& changes) {
  struct stat owner {
  }, current{};
  if (::stat(owned.c_str(), &owner) != 0 || ::stat(folder.c_str(), &current) != 0) {
    return TStatus::Fail("Cannot read the owner of " + Utf8ToCp1252(folder.string()) + ": " +
                         ErrnoText(errno));
  }
  if (current.st_uid == owner.st_uid && current.st_gid == owner.st_gid) return TStatus::Ok();
  if (::chown(folder.c_str(), owner.st_uid, owner.st_gid) != 0) {
    return TStatus::Fail("Cannot give the folder " + Utf8ToCp1252(folder.string()) +
                         " to the owner of the application folder: " + ErrnoText(errno));
  }
  const passwd* user = ::getpwuid(owner.st_uid);
  changes.push_back("Gave the folder " + Utf8ToCp1252(folder.string()) + " to " +
                    (user != nullptr ? std::string(user->pw_name) : "user " + std::to_string(owner.st_uid)) +
                    ", the owner of the application folder");
  return TStatus::Ok();
}

bool SameFolder(const std::string& a, const fs::path& b) {
  if (a.empty() || a.find("${") != std::string::npos) return false;
  std::error_code ec;
  if (fs::equivalent(fs::path(a), b, ec)) return true;
  return fs::weakly_canonical(fs::path(a), ec) == fs::weakly_canonical(b, ec);
}

}  // namespace

fs::path CupsPdfConfigFile(const fs::path& configFolder, std::string_view deviceUri) {
  // The backend takes everything after "cups-pdf:/" as the configuration's name.
  const std::string_view prefix = "cups-pdf:/";
  if (deviceUri.size() > prefix.size() && SameText(deviceUri.substr(0, prefix.size()), prefix)) {
    return configFolder / ("cups-pdf-" + std::string(deviceUri.substr(prefix.size())) + ".conf");
  }
  return configFolder / "cups-pdf.conf";
}

TCupsPdfSettings ReadCupsPdfSettings(const fs::path& configFolder, std::string_view deviceUri) {
  TCupsPdfSettings settings;
  settings.configFile = CupsPdfConfigFile(configFolder, deviceUri);
  std::string bytes;
  if (!ReadFileBytes(settings.configFile, bytes)) return settings;
  settings.configFound = true;
  std::istringstream lines(bytes);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    // As the backend reads it: a key, blanks, and the rest of the line as its value.
    std::size_t i = line.find_first_not_of(" \t");
    if (i == std::string::npos || line[i] == '#') continue;
    const std::size_t keyEnd = line.find_first_of(" \t", i);
    const std::string key = line.substr(i, keyEnd == std::string::npos ? std::string::npos : keyEnd - i);
    std::string value;
    if (keyEnd != std::string::npos) {
      const std::size_t v = line.find_first_not_of(" \t", keyEnd);
      if (v != std::string::npos) value = line.substr(v);
    }
    const auto number = [&](int fallback) {
      try {
        return std::stoi(value);
      } catch (const std::exception&) {
        return fallback;
      }
    };
    if (SameText(key, "Out"))
      settings.out = value;
    else if (SameText(key, "AnonDirName"))
      settings.anonDirName = value;
    else if (SameText(key, "Label"))
      settings.label = std::clamp(number(0), 0, 2);
    else if (SameText(key, "TitlePref"))
      settings.titlePref = number(0) != 0 ? 1 : 0;
    else if (SameText(key, "Truncate"))
      settings.truncate = std::max(number(64), 8);
    else if (SameText(key, "PostProcessing"))
      settings.postProcessing = value;
  }
  return settings;
}

std::vector<TPdfPrinterQueue> FindPdfPrinters(const TPdfPrinterPaths& paths) {
  std::vector<TPdfPrinterQueue> found;
  for (const TPrinterQueue& q : PrinterQueues()) {
    if (!IsCupsPdfUri(q.deviceUri)) continue;
    TPdfPrinterQueue pdf;
    pdf.name = q.name;
    pdf.deviceUri = q.deviceUri;
    pdf.isDefault = q.isDefault;
    pdf.acceptingJobs = q.acceptingJobs;
    pdf.stopped = q.stopped;
    pdf.settings = ReadCupsPdfSettings(paths.configFolder, Cp1252ToUtf8(q.deviceUri));
    const std::string filedInto = FilingQueueFolder(pdf.settings.postProcessing);
    pdf.namesByDateTime = !filedInto.empty();
    pdf.writesTo = Utf8ToCp1252(pdf.namesByDateTime ? filedInto : pdf.settings.out);
    found.push_back(std::move(pdf));
  }
  return found;
}

TPdfPrinterCheck CheckPdfPrinter(const TDriveMap& driveMap, const TPdfPrinterPaths& paths) {
  TPdfPrinterCheck check;
  std::error_code ec;
  check.backendInstalled = fs::exists(paths.backend, ec);
  check.serverAnswers = PrintServerAnswers();
  // Before the first start there is no drive C: yet; the queue folder will be made there.
  const auto resolved = driveMap.TryResolve(kPdfPrinterQueueFolder);
  check.queueFolder = resolved ? *resolved : driveMap.DriveFolder('C') / "PDF";
  check.queues = FindPdfPrinters(paths);
  for (const auto& q : check.queues) {
    if (q.acceptingJobs && !q.stopped && SameFolder(Cp1252ToUtf8(q.writesTo), check.queueFolder)) {
      check.matchingQueue = q.name;
      break;
    }
  }
  return check;
}

TStatus SetUpPdfPrinter(const TDriveMap& driveMap, std::vector<std::string>& changes,
                        const TPdfPrinterPaths& paths) {
  std::error_code ec;
  if (!fs::exists(paths.backend, ec)) {
    return TStatus::Fail("The cups-pdf backend is not installed (" + Utf8ToCp1252(paths.backend.string()) +
                         "); install the Debian package printer-driver-cups-pdf");
  }
  if (!PrintServerAnswers()) {
    return TStatus::Fail(
        "The print server (CUPS) does not answer; start it (systemctl start cups) and try again");
  }
  const std::string queueName(kPdfPrinterQueue);
  const std::string deviceUri = "cups-pdf:/" + queueName;
  const auto existing = PrinterQueues();
  const auto own = std::find_if(existing.begin(), existing.end(),
                                [&](const TPrinterQueue& q) { return AnsiSameText(q.name, queueName); });
  if (own == existing.end() && !fs::exists(paths.ppdFile, ec)) {
    return TStatus::Fail("The cups-pdf printer description is missing (" +
                         Utf8ToCp1252(paths.ppdFile.string()) + "); reinstall printer-driver-cups-pdf");
  }

  // The folders this setup makes on the way to the queue folder belong to the service's user, as if the
  // service had made them at its first start.
  std::vector<fs::path> made;
  for (const fs::path& folder : {driveMap.DrivesFolder(), driveMap.DriveFolder('C')}) {
    if (!fs::exists(folder, ec)) made.push_back(folder);
  }
  if (TStatus madeDrive = driveMap.EnsureDrive('C'); !madeDrive) return madeDrive;
  std::string error;
  const auto resolved = driveMap.TryResolve(kPdfPrinterQueueFolder, &error);
  if (!resolved) return TStatus::Fail("Cannot find the queue folder C:\\PDF: " + error);
  // cups-pdf and the filing program see the real folder, whatever links lead to it.
  const fs::path queueFolder = fs::weakly_canonical(*resolved, ec);
  const fs::path staging = queueFolder / kPdfPrinterStagingFolder;
  for (const fs::path& folder : {staging, paths.configFolder}) {
    if (ShellSafePath(folder.string())) continue;
    return TStatus::Fail("The folder " + Utf8ToCp1252(folder.string()) +
                         " contains characters that cups-pdf would hand unquoted to a shell (only letters, "
                         "digits and / . _ - + work); link drive C: from a plainer path");
  }

  // The queue folder and the staging folder are shared by every printing user, so both are writable by
  // all and sticky: nobody renames or deletes another user's report. The service moves every report out
  // of the queue as the owner of the queue folder; only the user who printed a job moves it on from the
  // staging folder.
  for (const fs::path& folder : made) {
    if (TStatus s = GiveToOwnerOf(driveMap.ApplicationFolder(), folder, changes); !s) return s;
  }
  if (TStatus s = EnsureSharedFolder(queueFolder, fs::perms::all | fs::perms::sticky_bit, changes); !s)
    return s;
  if (TStatus s = GiveToOwnerOf(driveMap.ApplicationFolder(), queueFolder, changes); !s) return s;
  if (TStatus s = EnsureSharedFolder(staging, fs::perms::all | fs::perms::sticky_bit, changes); !s) return s;

  const fs::path program = paths.configFolder / ("cups-pdf-" + queueName + ".sh");
  const fs::path config = CupsPdfConfigFile(paths.configFolder, deviceUri);
  constexpr auto kProgramMode = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                fs::perms::others_read | fs::perms::others_exec;
  constexpr auto kConfigMode =
      fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read;
  if (TStatus s = WriteIfChanged(program, FilingProgram(queueFolder), kProgramMode, changes); !s) return s;
  if (TStatus s = WriteIfChanged(config, QueueConfig(staging, program), kConfigMode, changes); !s) return s;

  TQueueSetup setup;
  setup.name = own == existing.end() ? queueName : own->name;
  setup.deviceUri = deviceUri;
  setup.info = "Varnholt PDF printer: files every job into " + std::string(kPdfPrinterQueueFolder);
  if (own == existing.end()) {
    setup.ppdFile = paths.ppdFile;
    if (TStatus s = SetUpPrinterQueue(setup); !s) return s;
    changes.push_back("Created the printer " + queueName + " (device " + deviceUri + ")");
    return TStatus::Ok();
  }
  std::vector<std::string> adjusted;
  if (own->deviceUri != deviceUri) {
    adjusted.push_back("Set the device of the printer " + own->name + " to " + deviceUri + " (was " +
                       (own->deviceUri.empty() ? std::string("unknown") : own->deviceUri) + ")");
  }
  if (!own->acceptingJobs) adjusted.push_back("Let the printer " + own->name + " accept jobs");
  if (own->stopped) adjusted.push_back("Started the printer " + own->name);
  if (!adjusted.empty()) {
    if (TStatus s = SetUpPrinterQueue(setup); !s) return s;
    changes.insert(changes.end(), adjusted.begin(), adjusted.end());
  }
  return TStatus::Ok();
}

}  // namespace varnholt::platform
