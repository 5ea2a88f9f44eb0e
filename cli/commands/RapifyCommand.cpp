// ostrel rapify: config text compiled to a binarised config, with
// compiler-style diagnostics; the file is written under a temporary name and
// renamed into place.

#include <CLI/CLI.hpp>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "Command.h"
#include "cli/ConfigDiagnostics.h"
#include "cli/Console.h"
#include "cli/Interrupt.h"
#include "cli/Outputs.h"
#include "frame/Text.h"
#include "rap/RapFormat.h"
#include "rapify/Rapify.h"

namespace fs = std::filesystem;

namespace cli
{
namespace
{
enum Layout
{
    SourceLayout = -1,
    InlineLayout = rapformat::LayoutInline,
    ArmaLayout = rapformat::LayoutArma,
    XboxLayout = rapformat::LayoutXbox
};

struct RapifyOptions
{
    std::string file;
    std::string output;
    int layout = SourceLayout;
    bool classic = false;
    bool json = false;
    std::vector<std::string> includes;
};

// config.cpp gives config.bin, mission.sqm mission.bin: the text from the
// last dot of the name is replaced.
std::string BinaryName(const std::string& path)
{
    return text::WithoutExtension(path) + ".bin";
}

bool ReadText(const std::string& path, std::string& text)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return !file.bad();
}

bool CopyToStandardOutput(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    return file && WriteOut(bytes.data(), bytes.size());
}

// The compiler writes only to a path: for standard output it writes into a
// private working folder of the system's temporary folder, never beside the
// input (which may be read-only, or no folder at all).
int WriteToStandardOutput(Rapify& compiler)
{
    std::error_code code;
    const fs::path temporary = fs::temp_directory_path(code);
    if (code)
        return Fail(Describe("temporary folder", code));
    Staging staging;
    std::string error;
    if (!staging.Create(temporary / "config.bin", error))
        return Fail(error);
    fs::permissions(staging.Path(), fs::perms::owner_all, code);
    const std::string path = (staging.Path() / "config.bin").string();
    interrupt::Guard(path.c_str());
    const int written = compiler.Output(path.c_str(), false);
    const bool copied = written == 0 && !interrupt::Requested() && CopyToStandardOutput(path);
    interrupt::Guard(nullptr);
    if (written != 0)
    {
        std::fputs(OutputDiagnostic(compiler, "standard output", written).c_str(), stderr);
        return Failure;
    }
    if (interrupt::Requested())
        return Interrupted;
    return copied ? static_cast<int>(Success) : Fail("cannot write to standard output");
}
} // namespace

Action DefineRapify(CLI::App& command)
{
    auto options = std::make_shared<RapifyOptions>();
    const std::map<std::string, int> layouts = {{"inline", InlineLayout}, {"arma", ArmaLayout}, {"xbox", XboxLayout}};
    command.add_option("FILE", options->file, "Config text (config.cpp, mission.sqm, description.ext)")->required();
    command.add_option("-o,--output", options->output,
                       "Binarised file to write (default: FILE with .bin; - for standard output)");
    command
        .add_option("--layout", options->layout,
                    "Layout to write: inline, arma or xbox (default: as the source selects)")
        ->transform(CLI::CheckedTransformer(layouts, CLI::ignore_case));
    command.add_flag("--classic", options->classic,
                     "Compile in the old dialect (#define, #include, #pragma only; layout as the source selects)");
    command.add_option("-I,--include", options->includes,
                       "Folder whose addon folders (by their prefix files) and files answer game paths");
    command.add_flag("--json", options->json, "Print the diagnostics as JSON");
    return [options]() {
        const std::string& file = options->file;
        std::string text;
        std::unique_ptr<Rapify> compiler(new Rapify);
        const bool read = ReadText(file, text);
        if (interrupt::Requested())
            return static_cast<int>(Interrupted);
        if (!read)
        {
            std::fprintf(stderr, "%s: error: %s\n", file.c_str(), Rapify::ErrString(30));
            return static_cast<int>(Failure);
        }
        if (options->layout != SourceLayout)
            compiler->SetLayout(options->layout);
        else if (!options->classic)
            compiler->SetLayout(ArmaLayout);
        if (!options->classic)
        {
            compiler->SetDialect(RapifyDialect::Current);
            MountFor(*compiler, file, options->includes);
        }
        const int code = compiler->ProcessBuffer(text.c_str(), file.c_str(), interrupt::KeepGoing, nullptr);
        if (interrupt::Requested())
            return static_cast<int>(Interrupted);
        if (options->json)
            std::fputs(DiagnosticJson(*compiler).c_str(), stdout);
        else
            std::fputs(DiagnosticText(*compiler).c_str(), stderr);
        if (code != 0)
        {
            if (options->classic)
                std::fputs(CompileDiagnostic(*compiler, file, code).c_str(), stderr);
            return static_cast<int>(Failure);
        }
        // A #pragma in the source may still choose another layout.
        if (options->layout != SourceLayout && compiler->GetLayout() != options->layout)
        {
            static const char* const names[] = {"inline", "arma", "xbox"};
            const int32_t chosen = compiler->GetLayout();
            std::fprintf(stderr, "%s: error: the source selects the %s layout with #pragma\n", file.c_str(),
                         chosen >= 0 && chosen <= 2 ? names[chosen] : "another");
            return static_cast<int>(Failure);
        }

        if (options->output == "-")
            return WriteToStandardOutput(*compiler);
        const std::string output = options->output.empty() ? BinaryName(file) : options->output;
        TempFile temp(output);
        const int written = compiler->Output(temp.Path().c_str(), false);
        if (written != 0)
        {
            std::fputs(OutputDiagnostic(*compiler, output, written).c_str(), stderr);
            return static_cast<int>(Failure);
        }
        std::string error;
        if (!temp.Commit(error))
            return Fail(error);
        return static_cast<int>(Success);
    };
}
} // namespace cli
