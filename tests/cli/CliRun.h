#pragma once

// Runs the built ostrel tool for its tests, inside a temporary folder.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/ProgramRun.h"
#include "support/TempDir.h"

namespace clitest
{
using testsupport::ProgramOutcome;

inline ProgramOutcome Ostrel(const std::vector<std::string>& arguments)
{
    return testsupport::RunProgram(OSTREL_PATH, arguments);
}

class CliTest : public ::testing::Test
{
protected:
    std::string Put(const std::string& name, const testsupport::Bytes& bytes) const
    {
        testsupport::WriteFile(dir.File(name), bytes);
        return dir.File(name);
    }
    std::string Path(const std::string& name) const { return dir.File(name); }
    std::string Text(const std::string& name) const
    {
        const testsupport::Bytes bytes = testsupport::ReadFile(dir.File(name));
        return std::string(bytes.begin(), bytes.end());
    }
    // Names in the folder (not below), sorted; hidden ones included.
    std::vector<std::string> Listing(const std::string& folder = "") const;

    testsupport::TempDir dir;
};

// How a background run of the tool starts (the tool's tests run on POSIX
// systems only).
struct Launch
{
    // Raised while blocked before the program starts: they arrive as soon
    // as the tool unblocks them, before it has done any work.
    std::vector<int> pendingSignals;
    // RLIMIT_FSIZE in bytes, with SIGXFSZ ignored so that writes past it fail.
    long fileSizeLimit = -1;
    std::string in = "/dev/null";  // standard input
    std::string out = "/dev/null"; // standard output
};

// Starts the tool; answers its process number (-1 when it cannot start).
int Start(const std::vector<std::string>& arguments, const Launch& launch = Launch());
// Waits for it: its exit status, or 1000 + the signal that ended it.
int Finish(int pid);
inline int Run(const std::vector<std::string>& arguments, const Launch& launch)
{
    return Finish(Start(arguments, launch));
}

// The decoder's own text for a binarised config, to compare the tool with.
std::string LibraryText(const testsupport::Bytes& config, const std::string& name);
} // namespace clitest
