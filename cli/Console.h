// Messages and data streams of the ostrel tool: data on standard output,
// messages on standard error.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

namespace CLI
{
class App;
}

namespace cli
{
// "ostrel: MESSAGE" on standard error; answers Failure.
int Fail(const std::string& message);
// "ostrel: warning: MESSAGE" on standard error.
void Warn(const std::string& message);
// A message line on standard error, unless quiet.
void Note(bool quiet, const std::string& message);
// Bytes to standard output; false when they could not all be written.
bool WriteOut(const void* data, size_t size);
bool IsTerminal(FILE* stream);

// Options shared by the commands that show progress.
struct Verbosity
{
    bool quiet = false;
    bool verbose = false;
};
void AddVerbosity(CLI::App& command, Verbosity& verbosity);
} // namespace cli
