// atLimits.h — every fixed limit of the script engine in one place, with the reason for each number.
//
// A limit turns pathological input (a script, a picture, a locale) into a clear error instead of a
// crash or a process that eats the machine. Each number is far above what a real action script needs.
#pragma once

#include <cstddef>
#include <cstdint>

#include "rtl/uRtlLimits.h"

namespace varnholt::limits {

// Value slots of one machine: the globals at the bottom, then the frames of the routines being run and
// the operands of the expression being evaluated. 3000 slots are 96 KB per scripter; an action script
// uses a few dozen, and a routine recursing without end meets this or kMaxNesting in milliseconds.
inline constexpr int kStackSlots = 3000;

// Nested routine calls and try blocks. Script routines recurse on the C++ stack (about 1 KB per level
// in an optimised build, several in a sanitizer build), so 1000 levels stay far from an 8 MB thread
// stack even with a host routine calling back into the script.
inline constexpr int kMaxNesting = 1000;

// Nonterminal nesting of the grammar-driven parser: each level is a native recursion, so this keeps
// hostile text ("((((((...") from overflowing the stack while leaving hundreds of levels of
// parentheses, blocks and expressions for any real script.
inline constexpr int kMaxParserDepth = 1000;

// The run-time routines' limits (picture depth, field size) live with them in rtl/uRtlLimits.h.

// Dimensions and elements of one variant array: five dimensions is the conventional maximum, and 16 M
// elements (512 MB of values) keeps one VarArrayCreate from asking for gigabytes.
inline constexpr int kMaxArrayDimensions = 5;
inline constexpr std::int64_t kMaxArrayElements = std::int64_t{1} << 24;

// How often the machine looks at the clock for the run-time limit: every this many instructions, and
// every kHostCallsPerClockCheck host calls. A clock read costs about 20 ns; every 4096 instructions
// it is lost in the noise of the loop benchmark and still notices a limit within a millisecond of
// plain script code.
inline constexpr std::uint32_t kInstructionsPerClockCheck = 4096;
// Host routines may take milliseconds each (a file, an engine request), so a loop of them is checked
// more often than plain code.
inline constexpr std::uint32_t kHostCallsPerClockCheck = 16;

// A value in a run-time error's "Stack content is" part shows at most this many characters, then an
// ellipsis and its length: a 16 MB text must not become a 16 MB message and log record.
inline constexpr std::size_t kMaxDumpedTextLength = 100;

}  // namespace varnholt::limits
