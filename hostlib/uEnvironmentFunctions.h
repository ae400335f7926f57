// uEnvironmentFunctions.h — the host routines that read the environment of an action run: the names of
// the current PDF, the folders, the clock, and the launching of other programs.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "hostlib/uHostContext.h"

namespace varnholt {

// The folder of the current PDF with its final backslash, and its file name.
std::string PdfPathOf(std::string_view currentPdf);
std::string PdfNameOf(std::string_view currentPdf);

// Opens a file or starts a program given as a Windows path, without waiting for it. An executable file
// is started directly with Parameters split like a command line; any other file is opened with the
// desktop's default program. Gives back a value above 32 on success; 32 or less (with an Err record) when
// the file cannot be found, resolved or opened.
std::int32_t Execute(THostContext& host, std::string_view fileName, std::string_view parameters);
// Splits a command line at spaces outside double quotes; the quotes themselves are dropped.
std::vector<std::string> SplitCommandLine(std::string_view parameters);

// The current local date and time in the script's date-time form.
double NowDateTime();
// Reads a date written the way instrument reports write them ("25.12.2010 14:30:00",
// "12/25/2010 02:30:00 PM", "12-Jan-2010 10:11:12"); a text that does not fit gives the last-write time
// of the current PDF. Throws EHostError when that file does not exist either.
double CalcTime(THostContext& host, std::string_view text);

}  // namespace varnholt
