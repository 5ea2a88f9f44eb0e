// ostrel extract: archives into folders. Each archive is extracted inside a
// hidden working folder and moved into place when complete, so an existing
// folder is replaced only with --force and a failed or interrupted run
// leaves it untouched.

#include <CLI/CLI.hpp>
#include <cstdarg>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "Command.h"
#include "cli/ArchiveFacts.h"
#include "cli/ConfigText.h"
#include "cli/Console.h"
#include "cli/Interrupt.h"
#include "cli/Outputs.h"
#include "cli/ProgressBar.h"
#include "frame/Text.h"

namespace fs = std::filesystem;

namespace cli
{
namespace
{
struct ExtractOptions
{
    std::vector<std::string> archives;
    std::string output;
    bool force = false;
    bool derap = false;
    Verbosity verbosity;
};

// The running extraction, for the library's progress callback.
struct ExtractProgress
{
    std::vector<uint32_t> sizes; // unpacked sizes in header order
    size_t done = 0;
    uint64_t bytesDone = 0;
    ProgressBar* bar = nullptr;
    bool verbose = false;
};
ExtractProgress* running = nullptr;

// Every entry is announced by a "%s\r\n" line with its name before it is
// written; answering false stops the extraction.
bool OnExtractLine(const char* format, ...)
{
    if (running && std::strcmp(format, "%s\r\n") == 0)
    {
        ExtractProgress& progress = *running;
        if (progress.done > 0 && progress.done <= progress.sizes.size())
            progress.bytesDone += progress.sizes[progress.done - 1];
        ++progress.done;
        if (progress.verbose)
        {
            va_list values;
            va_start(values, format);
            std::fprintf(stderr, "%s\n", va_arg(values, const char*));
            va_end(values);
        }
        if (progress.bar)
            progress.bar->Update(progress.done - 1, progress.bytesDone);
    }
    return !interrupt::Requested();
}

bool EndsWithPbo(const std::string& path)
{
    return text::EndsWithNoCase(path, ".pbo");
}

bool IsConfigBin(const fs::path& path)
{
    return text::LowerAscii(path.filename().string()) == "config.bin";
}

bool WriteText(const fs::path& path, const std::string& text)
{
    FILE* file = std::fopen(path.string().c_str(), "wb");
    if (!file)
        return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written;
}

// Every binarised config below folder becomes text: config.bin is replaced
// by config.cpp (unless the archive holds a config.cpp beside it), any other
// keeps its name. Answers false when a config could not be decoded (it stays
// binary) or written.
bool DecodeConfigs(const fs::path& folder, const std::string& shownFolder)
{
    std::vector<fs::path> configs;
    std::error_code code;
    for (fs::recursive_directory_iterator it(folder, code), end; !code && it != end; it.increment(code))
    {
        if (it->is_regular_file() && !it->is_symlink() && HasConfigSignature(it->path().string()))
            configs.push_back(it->path());
    }
    bool allDecoded = !code;
    for (const fs::path& config : configs)
    {
        const std::string shown = (fs::path(shownFolder) / config.lexically_relative(folder)).generic_string();
        std::string text, message;
        if (!DecodeConfigFile(config.string(), DecodeOptions(), text, message))
        {
            Warn(shown + ": kept binary: " + message);
            allDecoded = false;
            continue;
        }
        fs::path target = config;
        if (IsConfigBin(config))
        {
            target.replace_extension(".cpp");
            if (fs::exists(target, code) || fs::exists(config.parent_path() / "config.cpp", code))
            {
                Warn(shown + ": kept binary: the archive holds a config.cpp beside it");
                continue;
            }
        }
        if (!WriteText(target, text) || (target != config && !fs::remove(config, code)))
        {
            Warn(shown + ": cannot write the decoded text");
            allDecoded = false;
        }
    }
    return allDecoded;
}

// The path lies inside the folder (or is the folder).
bool IsInside(const fs::path& path, const fs::path& folder)
{
    std::error_code code;
    const fs::path inner = fs::weakly_canonical(fs::absolute(path), code);
    const fs::path outer = fs::weakly_canonical(fs::absolute(folder), code);
    if (code)
        return false;
    auto i = inner.begin();
    for (auto o = outer.begin(); o != outer.end(); ++o, ++i)
    {
        if (o->empty())
            continue; // a trailing separator
        if (i == inner.end() || *i != *o)
            return false;
    }
    return true;
}

// Why the destination cannot take the extracted folder; empty when it can.
std::string RefusalFor(const fs::path& destination, const std::string& archiveFile, bool force)
{
    if (destination.filename().empty() || destination.filename() == "." || destination.filename() == "..")
        return "cannot extract into " + destination.string() + ": name a folder with -o";
    std::error_code code;
    const fs::file_status status = fs::status(destination, code);
    if (status.type() == fs::file_type::not_found)
        return fs::is_symlink(destination, code) ? destination.string() + " is a broken symbolic link" : "";
    if (code)
        return Describe(destination, code);
    if (!fs::is_directory(status))
        return destination.string() + " exists and is not a folder";
    // Replacing the folder would delete the archive being extracted.
    if (IsInside(archiveFile, destination))
        return "folder " + destination.string() + " holds the archive itself; extract elsewhere";
    if (force || fs::is_empty(destination, code))
        return code ? Describe(destination, code) : "";
    return "folder " + destination.string() + " exists and is not empty; use --force to replace it";
}

class Extraction
{
public:
    Extraction(const ExtractOptions& options) : options(options) {}
    // Exit status for one archive.
    int Run(const std::string& archivePath, const fs::path& destination);

private:
    const ExtractOptions& options;
};

int Extraction::Run(const std::string& archivePath, const fs::path& destination)
{
    const std::string archiveFile = EndsWithPbo(archivePath) ? archivePath : archivePath + ".pbo";
    const std::string refusal = RefusalFor(destination, archiveFile, options.force);
    if (!refusal.empty())
        return Fail(refusal);

    ExtractProgress progress;
    {
        Ostrel archive;
        std::string error;
        if (!OpenArchive(archive, archivePath, error))
            return Fail(error);
        for (pbo_entry* entry = archive.firstEntry; entry; entry = entry->next)
            progress.sizes.push_back(UnpackedSize(*entry));
    }
    uint64_t bytes = 0;
    for (uint32_t size : progress.sizes)
        bytes += size;

    // The library extracts an archive into the folder named like it, beside
    // it: a link named x.pbo in the working folder makes that folder x.
    Staging staging;
    std::string error;
    if (!staging.Create(destination, error))
        return Fail(error);
    const fs::path link = staging.Path() / "x.pbo";
    const fs::path built = staging.Path() / "x";
    if (!LinkFile(archiveFile, link, error))
        return Fail(error);

    ProgressBar bar(!options.verbosity.quiet && !options.verbosity.verbose, "extract");
    bar.Start(progress.sizes.size(), bytes);
    progress.bar = &bar;
    progress.verbose = options.verbosity.verbose && !options.verbosity.quiet;
    running = &progress;
    Ostrel extractor;
    const int result = extractor.ExtractPbo(link.string().c_str(), OnExtractLine);
    running = nullptr;
    bar.Finish();
    if (interrupt::Requested())
        return Interrupted;
    if (result != 0)
        return Fail(archivePath + ": " + extractor.strError());

    const bool decoded = !options.derap || DecodeConfigs(built, destination.string());
    if (interrupt::Requested())
        return Interrupted;
    if (!ReplaceFolder(built, destination, staging, error))
        return Fail(error);
    Note(options.verbosity.quiet, "Extracted " + std::to_string(progress.sizes.size()) + " entries of " + archivePath +
                                      " to " + destination.string());
    return decoded ? Success : Failure;
}
} // namespace

Action DefineExtract(CLI::App& command)
{
    auto options = std::make_shared<ExtractOptions>();
    command.add_option("ARCHIVE", options->archives, "Archives to extract (.pbo may be left out)")->required();
    command.add_option("-o,--output", options->output,
                       "Folder to extract into (one archive only; default: the archive's name without .pbo)");
    command.add_flag("--force", options->force, "Replace a folder that exists and is not empty");
    command.add_flag("--derap", options->derap, "Decode binarised configs to text (config.bin becomes config.cpp)");
    AddVerbosity(command, options->verbosity);
    return [options]() {
        if (!options->output.empty() && options->archives.size() != 1)
        {
            std::fprintf(stderr, "ostrel extract: -o names the folder of a single archive\n");
            return static_cast<int>(UsageError);
        }
        int status = Success;
        Extraction extraction(*options);
        for (const std::string& archive : options->archives)
        {
            if (interrupt::Requested())
                return static_cast<int>(Interrupted);
            fs::path destination = options->output;
            if (destination.empty())
            {
                const std::string file = EndsWithPbo(archive) ? archive : archive + ".pbo";
                destination = file.substr(0, file.size() - 4);
            }
            const int result = extraction.Run(archive, destination);
            if (result == Interrupted)
                return result;
            if (result != Success)
                status = Failure;
        }
        return status;
    };
}
} // namespace cli
