// The built ostrel tool as its tests run it, and the decoder's own text to
// compare its output with.
#pragma once

#include <string>
#include <vector>

#include "support/FolderTest.h"
#include "support/ProgramRun.h"

namespace clitest
{
using testsupport::Launch;
using testsupport::ProgramOutcome;

inline ProgramOutcome Ostrel(const std::vector<std::string>& arguments, const Launch& launch = Launch())
{
    return testsupport::RunProgram(OSTREL_PATH, arguments, launch);
}

// A run whose progress shows at once, on a terminal or through pipes.
inline Launch ProgressAtOnce(bool terminal)
{
    Launch launch;
    launch.environment = {"OSTREL_PROGRESS_DELAY=0"};
    launch.terminal = terminal;
    return launch;
}

// The decoder's own text for a binarised config, to compare the tool with.
std::string LibraryText(const testsupport::Bytes& config, const std::string& name);
} // namespace clitest
