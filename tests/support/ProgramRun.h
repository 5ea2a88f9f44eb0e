// Runs a built program of the project for the tests that drive it from
// outside: its exit status with standard output and standard error captured
// apart, through a pseudo-terminal, or in the background.
#pragma once

#include <string>
#include <vector>

namespace testsupport
{
// What one run of a program left behind.
struct ProgramOutcome
{
    int status = -1; // exit status as a POSIX shell sees it; 1000 + signal (or exception) when killed
    std::string out; // standard output (through a terminal: everything shown)
    std::string err; // standard error
};

// How a run starts. On Windows only argument0 is honoured.
struct Launch
{
    std::string argument0;                // argument 0; empty: the program's path
    std::vector<std::string> environment; // entries "NAME=VALUE" added to the test's own
    std::string in = "/dev/null";         // standard input
    bool terminal = false;                // one pseudo-terminal for input, output and error
    // Raised while blocked before the program starts: they arrive as soon as
    // the program unblocks them, before it has done any work.
    std::vector<int> pendingSignals;
    // RLIMIT_FSIZE in bytes, with SIGXFSZ ignored so that writes past it fail.
    long fileSizeLimit = -1;
};

// Runs the program to its end. A program named without a folder is looked for
// beside the test program on Windows (the build's paths mean nothing under an
// emulator).
ProgramOutcome RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                          const Launch& launch = Launch());

// Starts the program in the background, its output and error thrown away;
// answers its process number (-1 when it cannot start). POSIX only.
int StartProgram(const std::string& program, const std::vector<std::string>& arguments,
                 const Launch& launch = Launch());
// Waits for it: its exit status, or 1000 + the signal that ended it.
int FinishProgram(int pid);

// Runs program with standard error on a pipe, and sends SIGINT once the
// program has written something to it (the test arranges that the program
// cannot finish before the pipe is read: it writes more than a pipe holds).
ProgramOutcome RunAndInterrupt(const std::string& program, const std::vector<std::string>& arguments);
} // namespace testsupport
