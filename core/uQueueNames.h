// uQueueNames.h — which entries of the queue folder are taken as reports, and how the name of one that is
// not taken is written in the log.
//
// Everything after the folder listing speaks Windows paths in code page 1252: the pass builds
// queue folder + "\" + name, the exchange files carry that path on one line, the log keeps it in one
// TAB-separated field. A Linux name can hold bytes that break each of these (a backslash reads as a folder,
// a line break ends the request line, bytes that are not UTF-8 or not in 1252 lead to no file at all), so
// such an entry is never turned into a Windows path: the pass moves it to FAILED by its native name.
#pragma once

#include <string>
#include <string_view>

namespace varnholt {

// In rising order of weight: a name with several faults is reported by the heaviest.
enum class TQueueNameFault {
  kNone,
  kPathCharacter,  // a character Windows does not allow in a name: \ / : * ? " < > |
  kControl,        // a control character: TAB, CR, LF, DEL, ... (1252's undefined codes too)
  kNotCp1252,      // a character code page 1252 does not hold
  kNotUtf8,        // bytes that are not well-formed UTF-8
};

// What is wrong with a queue entry's name, given as its bytes on disk; kNone for a name the queue takes.
TQueueNameFault QueueNameFault(std::string_view nativeName);
inline bool IsSafeQueueName(std::string_view nativeName) {
  return QueueNameFault(nativeName) == TQueueNameFault::kNone;
}

// The Text of the Err record for a fault ("Name With Control Character", ...).
const char* QueueNameFaultText(TQueueNameFault fault);

// A native name for the log, in 1252: every character that is printable in 1252 as itself, every other
// byte (and the backslash) as \xNN with two upper-case hex digits. Reversible: a backslash in the result
// always begins an escape, and each escape stands for one byte of the name on disk.
std::string EscapedQueueName(std::string_view nativeName);

}  // namespace varnholt
