// For tests that need a POSIX facility Windows lacks (resource limits, links
// made without privileges, names holding a backslash): on Windows the test
// ends as skipped and names the reason; elsewhere it runs.
#pragma once

#include <gtest/gtest.h>

#if defined(_WIN32)
#define OSTREL_POSIX_ONLY(reason) GTEST_SKIP() << "not on Windows: " << reason
#else
#define OSTREL_POSIX_ONLY(reason) static_cast<void>(0)
#endif
