// The built patch program as its tests run it, and the texts every run shows.
#pragma once

#include <string>
#include <vector>

#include "support/FolderTest.h"
#include "support/ProgramRun.h"

namespace patchertest
{
using Outcome = testsupport::ProgramOutcome;

// Argument 0 of a plain run: the program's path (on Windows "patcher", as
// typed at a prompt, so that the program calls itself "patcher" everywhere).
std::string DefaultArgument0();

// Runs the patcher with the given arguments (argument 0 given separately),
// standard output and standard error captured apart.
Outcome RunPatcher(const std::vector<std::string>& arguments, const std::string& argument0 = DefaultArgument0());

// The lines every run starts with on standard error.
std::string VersionLine(const std::string& program = "patcher");
// The syntax text after the version line.
std::string SyntaxText(const std::string& program = "patcher");
} // namespace patchertest
