// The patch program: version line, library version check, command line and
// the merge run with its closing message.

#include "Patcher.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "RazDLL.h"
#include "merge/CommandLine.h"
#include "merge/Merge.h"
#include "merge/Names.h"

namespace
{
const double PatcherVersion = 1.41;
const double RequiredLibraryVersion = 1.55;
} // namespace

int RunPatcher(int argc, char** argv)
{
    const char* program = names::ProgramName(argc > 0 ? argv[0] : nullptr);
    std::fprintf(stderr, "%s Version %.2f\n", program, PatcherVersion);

    const double library = std::strtod(RazDLL::Version, nullptr);
    if (static_cast<float>(library) < static_cast<float>(RequiredLibraryVersion))
    {
        std::fprintf(stderr, "Min ostrel dll version required is %.2f, is %.2f\r\n", RequiredLibraryVersion, library);
        return MergeOldLibrary;
    }

    CommandLine line;
    if (!ParseCommandLine(argc, argv, line))
    {
        PrintSyntax(program);
        return MergeFailed;
    }

    std::string output;
    const int status = MergeArchives(line, MergeHooks(), output);
    if (status == MergeOk)
        std::printf("Success: Output written to %s\n", output.c_str());
    return status;
}
