// Messages and data streams of the ostrel tool.

#include "Console.h"

#include <CLI/CLI.hpp>
#if defined(_WIN32)
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

namespace cli
{
int Fail(const std::string& message)
{
    std::fprintf(stderr, "ostrel: %s\n", message.c_str());
    return 1;
}

void Warn(const std::string& message)
{
    std::fprintf(stderr, "ostrel: warning: %s\n", message.c_str());
}

void Note(bool quiet, const std::string& message)
{
    if (!quiet)
        std::fprintf(stderr, "%s\n", message.c_str());
}

bool WriteOut(const void* data, size_t size)
{
    return (size == 0 || std::fwrite(data, 1, size, stdout) == size) && std::fflush(stdout) == 0;
}

bool IsTerminal(FILE* stream)
{
    return isatty(fileno(stream)) == 1;
}

void AddVerbosity(CLI::App& command, Verbosity& verbosity)
{
    command.add_flag("-q,--quiet", verbosity.quiet, "Show no progress bar and no summary");
    command.add_flag("-v,--verbose", verbosity.verbose, "Show every entry (instead of the progress bar)");
}
} // namespace cli
