// uEnvironmentFunctions.cpp — the current PDF's names, the clock, reading report dates, and Execute.
#include "hostlib/uEnvironmentFunctions.h"

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <ctime>
#include <filesystem>

#include "hostlib/uDestinationNames.h"
#include "hostlib/uHostErrors.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/Locale.h"
#include "platform/Process.h"
#include "rtl/uRtlDateTime.h"

namespace varnholt {

namespace {

constexpr const char* kObject = "Varnholt";

// ShellExecute's answers, which scripts compare against 32.
constexpr std::int32_t kExecuteStarted = 42;
constexpr std::int32_t kExecuteFileNotFound = 2;
constexpr std::int32_t kExecuteAccessDenied = 5;
constexpr std::int32_t kExecuteNoAssociation = 31;

std::string_view TrimControls(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
  return text;
}

// A whole decimal number, or 0 for anything else (a missing field included).
int FieldNumber(const std::string& field) {
  if (field.empty() || field.size() > 9) return 0;
  int value = 0;
  for (char c : field) {
    if (c < '0' || c > '9') return 0;
    value = value * 10 + (c - '0');
  }
  return value;
}

double LocalDateTimeOf(std::filesystem::file_time_type time) {
  const auto system = std::chrono::time_point_cast<std::chrono::system_clock::duration>(
      std::chrono::file_clock::to_sys(time));
  return rtl::DateTimeOf(platform::LocalTimeOf(std::chrono::system_clock::to_time_t(system)));
}

}  // namespace

std::string PdfPathOf(std::string_view currentPdf) { return FolderPartOf(currentPdf); }

std::string PdfNameOf(std::string_view currentPdf) { return FileNameOf(currentPdf); }

std::vector<std::string> SplitCommandLine(std::string_view parameters) {
  std::vector<std::string> args;
  std::string current;
  bool inQuotes = false, started = false;
  for (char c : parameters) {
    if (c == '"') {
      inQuotes = !inQuotes;
      started = true;
    } else if ((c == ' ' || c == '\t') && !inQuotes) {
      if (started) args.push_back(std::move(current));
      current.clear();
      started = false;
    } else {
      current.push_back(c);
      started = true;
    }
  }
  if (started) args.push_back(std::move(current));
  return args;
}

std::int32_t Execute(THostContext& host, std::string_view fileName, std::string_view parameters) {
  TLogger& log = host.Log();
  log.WriteEntry(ltMsg, kObject, "Execute", fileName, parameters);
  auto fail = [&log](std::int32_t code, const std::string& message) {
    log.WriteEntry(ltErr, kObject, "Execute", "Error", message);
    return code;
  };
  std::string error;
  const auto native = host.Files().DriveMap().TryResolve(fileName, &error);
  if (!native) return fail(kExecuteFileNotFound, error);
  std::error_code ec;
  if (!std::filesystem::exists(*native, ec)) {
    return fail(kExecuteFileNotFound, "The system cannot find the file specified: " + std::string(fileName));
  }
  const bool isFolder = std::filesystem::is_directory(*native, ec);
  if (!isFolder && ::access(native->c_str(), X_OK) == 0) {
    std::vector<std::string> args;
    for (std::string& arg : SplitCommandLine(parameters)) args.push_back(platform::Cp1252ToUtf8(arg));
    const platform::TStatus started = host.StartProgram(*native, args, native->parent_path());
    if (!started) return fail(kExecuteAccessDenied, started.Message());
    return kExecuteStarted;
  }
  // Documents (and folders) open with the desktop's default program; there are no parameters to pass.
  const platform::TStatus opened = host.OpenDocument(*native);
  if (!opened) return fail(kExecuteNoAssociation, opened.Message());
  return kExecuteStarted;
}

double NowDateTime() {
  return rtl::DateTimeOf(platform::LocalNow());
}

double CalcTime(THostContext& host, std::string_view text) {
  TLogger& log = host.Log();
  log.WriteProc(kObject, "CalcTime");
  std::string work(TrimControls(text));
  const std::size_t firstDot = work.find('.');
  bool dayFirst = firstDot == 1 || firstDot == 2;
  for (char& c : work) {
    if (c == '/' || c == '-' || c == '.' || c == ',' || c == ':') c = ' ';
  }
  std::string squeezed;
  for (char c : work) {
    if (c == ' ' && !squeezed.empty() && squeezed.back() == ' ') continue;
    squeezed.push_back(c);
  }
  std::vector<std::string> fields;
  {
    std::string current;
    for (char c : squeezed) {
      if (c == ' ') {
        fields.push_back(std::move(current));
        current.clear();
      } else {
        current.push_back(c);
      }
    }
    fields.push_back(std::move(current));
  }
  auto field = [&fields](std::size_t i) { return i < fields.size() ? fields[i] : std::string(); };

  const int a = FieldNumber(field(0));
  if (a > 12) dayFirst = true;
  int b = 0;
  static constexpr std::string_view kMonths = "JANFEBMARAPRMAYJUNJULAUGSEPOCTNOVDEC";
  const std::string monthField = platform::UpperCase(field(1));
  const std::size_t monthPos = monthField.empty() ? std::string_view::npos : kMonths.find(monthField);
  if (monthPos != std::string_view::npos) {
    b = static_cast<int>(monthPos / 3) + 1;
    dayFirst = true;
  } else {
    b = FieldNumber(field(1));
  }
  if (b > 12) dayFirst = false;
  const int day = dayFirst ? a : b;
  const int month = dayFirst ? b : a;
  int year = FieldNumber(field(2));
  if (year >= 81 && year <= 99) year += 1900;
  int hour = FieldNumber(field(3));
  if (platform::UpperCase(squeezed).find("PM") != std::string::npos && hour < 12) hour += 12;
  const int minute = FieldNumber(field(4));
  const int second = FieldNumber(field(5));

  double date = 0, time = 0, result = 0;
  if (rtl::TryEncodeDate(year, month, day, date) && rtl::TryEncodeTime(hour, minute, second, 0, time)) {
    result = date + time;
  } else {
    // The text is no date we can read: the file's own date is the best guess left.
    const std::string& pdf = host.CurrentPdf();
    const auto native = host.Files().DriveMap().TryResolve(pdf);
    std::error_code ec;
    const auto written = native ? std::filesystem::last_write_time(*native, ec) : std::filesystem::file_time_type{};
    if (!native || ec || !host.Files().FileExists(pdf)) {
      throw EHostError("Cannot read the date '" + std::string(text) +
                       "', and the current PDF file to take the date from does not exist: " + pdf);
    }
    result = LocalDateTimeOf(written);
  }
  log.WriteEntry(ltMsg, kObject, "CalcTime", squeezed,
                 rtl::FormatDateTime("dd-mmm-yyyy hh:nn:ss", result, platform::FormatSettings()));
  return result;
}

}  // namespace varnholt
