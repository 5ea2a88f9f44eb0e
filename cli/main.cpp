// The ostrel command-line tool: every capability of the library from a
// shell, one subcommand per job (see Commands.cpp).

#include <CLI/CLI.hpp>
#include <clocale>
#include <map>
#include <string>

#include "Interrupt.h"
#include "RazDLL.h"
#include "cli/commands/Command.h"

namespace
{
std::string VersionText()
{
    return std::string("ostrel ") + OSTREL_TOOL_VERSION + " (library " + RazDLL::Version + ")";
}
} // namespace

int main(int argc, char** argv)
{
    CLI::App tool("Take apart, inspect, check and build the data files of the games: PBO archives, binarised "
                  "configs and more.",
                  "ostrel");
    tool.set_version_flag("--version", VersionText());
    tool.require_subcommand(1);
    tool.footer("Run 'ostrel help COMMAND' or 'ostrel COMMAND --help' for the options of a command.\n");

    std::map<CLI::App*, cli::Action> actions;
    for (const cli::Command& command : cli::Commands())
    {
        CLI::App* sub = tool.add_subcommand(command.name, command.summary);
        actions[sub] = command.define(*sub);
    }

    // A first word that names no command gets its own message (the parser
    // would only ask for a command).
    if (argc > 1 && argv[1][0] != '-' && !cli::FindCommand(argv[1]))
    {
        std::fprintf(stderr, "ostrel: no command %s\nRun 'ostrel --help' for the list of commands.\n", argv[1]);
        return cli::UsageError;
    }
    try
    {
        tool.parse(argc, argv);
    }
    catch (const CLI::ParseError& error)
    {
        const int status = tool.exit(error);
        return status == 0 ? cli::Success : cli::UsageError;
    }

    cli::interrupt::Install();
    for (auto& entry : actions)
    {
        if (entry.first->parsed())
        {
            int status = cli::Failure;
            try
            {
                status = entry.second();
            }
            catch (const std::exception& error)
            {
                std::fprintf(stderr, "ostrel: %s\n", error.what());
            }
            // A run that an interrupt reached ends with its status, whatever
            // the command made of the stop.
            return cli::interrupt::Requested() ? cli::interrupt::ExitStatus() : status;
        }
    }
    return cli::UsageError;
}
