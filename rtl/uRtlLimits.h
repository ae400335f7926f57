// uRtlLimits.h — the fixed limits of the run-time routines, with the reason for each number.
//
// They sit with the routines, below the script engine; script/atLimits.h includes them so that the
// engine's limits still read as one list.
#pragma once

namespace varnholt::limits {

// Date pictures may name other pictures of the locale ("c" in a short date format); three levels are
// all a locale needs, and the limit stops a locale whose picture names itself.
inline constexpr int kMaxPictureDepth = 3;

// Widths and precisions of Format and the digits of IntToHex beyond this are taken as this: no picture
// needs more, and a script must not be able to ask for gigabytes of padding.
inline constexpr int kMaxFieldSize = 100000;

}  // namespace varnholt::limits
