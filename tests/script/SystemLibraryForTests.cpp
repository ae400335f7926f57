// SystemLibraryForTests.cpp — puts the system library into the library list before any test runs, as the
// program does at start, so that every scripter and registry of a test program attaches it.
#include "script/syslib/uSystemLibrary.h"

namespace {

const bool kSystemLibraryRegistered = (varnholt::RegisterSystemLibrary(), true);

}  // namespace
