// The command table of the ostrel tool. Each command lives in a file of its
// own and adds its options to the subcommand it is given.
#pragma once

#include <functional>
#include <vector>

namespace CLI
{
class App;
}

namespace cli
{
// Exit statuses of every command.
enum Status
{
    Success = 0,
    Failure = 1,
    UsageError = 2,
    Interrupted = 130 // stopped; the program answers 128 + the signal number
};

// What a command does once its arguments are parsed; answers the exit status.
using Action = std::function<int()>;

struct Command
{
    const char* name;
    const char* summary;
    // Adds the command's arguments and options; the action reads them.
    Action (*define)(CLI::App& command);
};

// Every command, in the order the help lists them.
const std::vector<Command>& Commands();
// The command of that name, or null.
const Command* FindCommand(const char* name);

// The definitions, one per command file.
Action DefineList(CLI::App& command);
Action DefineCat(CLI::App& command);
Action DefineExtract(CLI::App& command);
Action DefinePatch(CLI::App& command);
Action DefineDerap(CLI::App& command);
Action DefineCheck(CLI::App& command);
Action DefinePack(CLI::App& command);
Action DefineBuild(CLI::App& command); // where toml++ is found
Action DefineRapify(CLI::App& command);
Action DefinePreprocess(CLI::App& command);
Action DefineTexture(CLI::App& command); // where the texture codec is built
Action DefineKeygen(CLI::App& command);  // where the signing library is built
Action DefineSign(CLI::App& command);
Action DefineVerify(CLI::App& command);
Action DefineHelp(CLI::App& command);
} // namespace cli
