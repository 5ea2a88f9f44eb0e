// ostrel help [COMMAND]: the help of the tool or of one command.

#include <CLI/CLI.hpp>
#include <memory>
#include <string>

#include "Command.h"

namespace cli
{
Action DefineHelp(CLI::App& command)
{
    auto name = std::make_shared<std::string>();
    command.add_option("COMMAND", *name, "Command to explain");
    CLI::App* app = &command;
    return [name, app]() {
        CLI::App* tool = app->get_parent();
        if (name->empty())
        {
            // The tool's own help (help() itself would describe this command,
            // the one that was chosen).
            std::fputs(tool->get_formatter()->make_help(tool, tool->get_name(), CLI::AppFormatMode::Normal).c_str(),
                       stdout);
            return static_cast<int>(Success);
        }
        for (CLI::App* sub : tool->get_subcommands([](CLI::App*) { return true; }))
        {
            if (sub->get_name() == *name)
            {
                std::fputs(sub->help(tool->get_name()).c_str(), stdout);
                return static_cast<int>(Success);
            }
        }
        std::fprintf(stderr, "ostrel help: no command %s\n", name->c_str());
        return static_cast<int>(UsageError);
    };
}
} // namespace cli
