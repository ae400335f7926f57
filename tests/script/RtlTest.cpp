// RtlTest.cpp — edge cases of the run-time routines beyond the golden table.
#include <gtest/gtest.h>
