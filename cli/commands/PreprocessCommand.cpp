// ostrel preprocess: config text through the current game's preprocessor,
// written out as the compiler reads it (to find out what a macro became).

#include <CLI/CLI.hpp>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "Command.h"
#include "cli/ConfigDiagnostics.h"
#include "cli/Console.h"
#include "cli/Outputs.h"
#include "rapify/Rapify.h"

namespace cli
{
namespace
{
struct PreprocessOptions
{
    std::string file;
    std::string output;
    std::vector<std::string> includes;
};
} // namespace

Action DefinePreprocess(CLI::App& command)
{
    auto options = std::make_shared<PreprocessOptions>();
    command.add_option("FILE", options->file, "Config text (config.cpp, mission.sqm, description.ext)")->required();
    command.add_option("-o,--output", options->output, "File to write (default: standard output)");
    command.add_option("-I,--include", options->includes,
                       "Folder whose addon folders (by their prefix files) and files answer game paths");
    return [options]() {
        std::ifstream in(options->file, std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (!in.is_open() || in.bad())
            return Fail(options->file + ": cannot open file");
        std::unique_ptr<Rapify> compiler(new Rapify);
        MountFor(*compiler, options->file, options->includes);
        const int code = compiler->PreprocessBuffer(text.c_str(), options->file.c_str());
        std::fputs(DiagnosticText(*compiler).c_str(), stderr);
        if (code != 0)
            return static_cast<int>(Failure);
        const std::string& result = compiler->GetPreprocessedText();
        if (options->output.empty() || options->output == "-")
            return WriteOut(result.data(), result.size()) ? static_cast<int>(Success)
                                                          : Fail("cannot write to standard output");
        std::string error;
        return WriteWholeFile(options->output, result.data(), result.size(), error) ? static_cast<int>(Success)
                                                                                    : Fail(error);
    };
}
} // namespace cli
