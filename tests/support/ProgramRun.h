#pragma once

// Runs a built program of the project for the tests that drive it from
// outside: standard output and standard error captured apart, or both
// through a pseudo-terminal.

#include <string>
#include <vector>

namespace testsupport
{
// What one run of a program left behind.
struct ProgramOutcome
{
    int status = -1; // exit status as the shell sees it; 1000 + signal when killed
    std::string out; // standard output (through a terminal: everything shown)
    std::string err; // standard error
};

// Runs program with the arguments (argument 0 given separately, the program
// path when empty); extra environment entries "NAME=VALUE" are added.
ProgramOutcome RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                          const std::string& argument0 = "", const std::vector<std::string>& environment = {});

// Runs program on a pseudo-terminal that serves as its standard input,
// output and error; out holds all it showed.
ProgramOutcome RunOnTerminal(const std::string& program, const std::vector<std::string>& arguments,
                             const std::vector<std::string>& environment = {});

// Runs program with standard error on a pipe, and sends SIGINT once the
// program has written something to it (the test arranges that the program
// cannot finish before the pipe is read: it writes more than a pipe holds).
ProgramOutcome RunAndInterrupt(const std::string& program, const std::vector<std::string>& arguments);
} // namespace testsupport
