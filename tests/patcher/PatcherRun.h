#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/TempDir.h"

namespace patchertest
{
// What one run of the built patcher left behind.
struct Outcome
{
    int status = -1; // exit status as a POSIX shell sees it; 1000 + signal (or exception) when killed
    std::string out; // standard output
    std::string err; // standard error
};

// Argument 0 of a plain run: the program's path (on Windows "patcher", as
// typed at a prompt, so that the program calls itself "patcher" everywhere).
std::string DefaultArgument0();

// Runs the patcher with the given arguments (argument 0 given separately),
// standard output and standard error captured apart.
Outcome RunPatcher(const std::vector<std::string>& arguments, const std::string& argument0 = DefaultArgument0());

// A temporary folder for the archives of one test.
class PatcherFolder : public ::testing::Test
{
protected:
    // Writes an archive into the folder and answers its path.
    std::string Put(const std::string& name, const testsupport::Bytes& bytes) const
    {
        testsupport::WriteFile(dir.File(name), bytes);
        return dir.File(name);
    }
    testsupport::Bytes Get(const std::string& name) const { return testsupport::ReadFile(dir.File(name)); }
    bool Exists(const std::string& name) const { return testsupport::FileExists(dir.File(name)); }

    testsupport::TempDir dir;
};

// The lines every run starts with on standard error.
std::string VersionLine(const std::string& program = "patcher");
// The syntax text after the version line.
std::string SyntaxText(const std::string& program = "patcher");
} // namespace patchertest
