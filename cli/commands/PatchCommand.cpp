// ostrel patch: the patch program's merge with its options and output name;
// the archive is written under a temporary name and renamed into place.

#include <CLI/CLI.hpp>
#include <memory>
#include <string>
#include <vector>

#include "Command.h"
#include "cli/Console.h"
#include "cli/Interrupt.h"
#include "cli/Outputs.h"
#include "cli/ProgressBar.h"
#include "merge/CommandLine.h"
#include "merge/Merge.h"
#include "merge/Names.h"

namespace cli
{
namespace
{
struct PatchOptions
{
    Verbosity verbosity;
};

bool OnMergeProgress(void* context, size_t done, size_t total, uint64_t bytesDone, uint64_t bytesTotal)
{
    ProgressBar* bar = static_cast<ProgressBar*>(context);
    bar->SetTotal(total, bytesTotal);
    bar->Update(done, bytesDone);
    return !interrupt::Requested();
}

const char* const Syntax = "ostrel patch [-A[PREFIX] | -a[PREFIX] | -c | -e | -r] PATCH TARGET";
} // namespace

Action DefinePatch(CLI::App& command)
{
    auto options = std::make_shared<PatchOptions>();
    // The flavour options take their prefix glued on (-Amyprefix), so the
    // arguments are left to the patch program's own parser.
    command.allow_extras();
    command.positionals_at_end(false);
    command.footer(std::string("Usage: ") + Syntax +
                   "\n  An option overrides the detected flavour: -A or -a Arma without key bytes (with the"
                   "\n  prefix given after the letter), -c CWC, -e Elite, -r Resistance. The output is"
                   "\n  TARGET.patched.pbo, or PATCH.patched.pbo when an option is given.\n");
    AddVerbosity(command, options->verbosity);
    CLI::App* app = &command;
    return [options, app]() {
        std::vector<std::string> arguments = app->remaining();
        std::vector<char*> argv;
        std::string program = "ostrel patch";
        argv.push_back(&program[0]);
        for (std::string& argument : arguments)
            argv.push_back(&argument[0]);
        CommandLine line;
        if (!ParseCommandLine(static_cast<int>(argv.size()), argv.data(), line))
        {
            std::fprintf(stderr, "ostrel patch: expected [option] PATCH TARGET\nUsage: %s\n", Syntax);
            return static_cast<int>(UsageError);
        }

        const Verbosity& verbosity = options->verbosity;
        const std::string output = names::OutputFile(line.outputBase);
        TempFile temp(output);
        ProgressBar bar(!verbosity.quiet && !verbosity.verbose, "patch");
        bar.Start(0, 0);
        MergeHooks hooks;
        hooks.report = verbosity.verbose && !verbosity.quiet ? stderr : nullptr;
        hooks.writeTo = temp.Path().c_str();
        hooks.progress = OnMergeProgress;
        hooks.context = &bar;
        std::string written;
        const int status = MergeArchives(line, hooks, written);
        bar.Finish();
        if (status == MergeCancelled)
            return static_cast<int>(Interrupted);
        if (status != 0)
            return static_cast<int>(Failure);
        std::string error;
        if (!temp.Commit(error))
            return Fail(error);
        Note(verbosity.quiet, "Success: Output written to " + output);
        return static_cast<int>(Success);
    };
}
} // namespace cli
