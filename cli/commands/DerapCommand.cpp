// ostrel derap: a binarised config decoded to config text, on standard
// output or into a file (written under a temporary name, then renamed).

#include <CLI/CLI.hpp>
#include <memory>
#include <string>

#include "Command.h"
#include "cli/ConfigText.h"
#include "cli/Console.h"
#include "cli/Interrupt.h"
#include "cli/Outputs.h"

namespace cli
{
namespace
{
struct DerapOptions
{
    std::string file;
    std::string output;
    DecodeOptions decode;
};
} // namespace

Action DefineDerap(CLI::App& command)
{
    auto options = std::make_shared<DerapOptions>();
    command.add_option("FILE", options->file, "Binarised config (config.bin, mission.sqm, ...)")->required();
    command.add_option("-o,--output", options->output, "Text file to write (default: standard output)");
    command.add_flag("--pragma", options->decode.pragma, "Header line says #pragma instead of #define");
    command.add_flag("--offsets", options->decode.offsets, "Annotate class bodies with their file offsets");
    return [options]() {
        std::string text, message;
        if (!DecodeConfigFile(options->file, options->decode, text, message))
        {
            std::fprintf(stderr, "%s: error: %s\n", options->file.c_str(), message.c_str());
            return static_cast<int>(Failure);
        }
        if (interrupt::Requested())
            return static_cast<int>(Interrupted);
        std::string error;
        if (options->output.empty() || options->output == "-")
        {
            if (!WriteOut(text.data(), text.size()))
                return Fail("cannot write to standard output");
        }
        else if (!WriteWholeFile(options->output, text.data(), text.size(), error))
            return Fail(error);
        return static_cast<int>(Success);
    };
}
} // namespace cli
