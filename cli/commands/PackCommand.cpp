// ostrel pack: the folder builder. The archive is built inside a hidden
// working folder and renamed into place only when the build succeeded, so
// an existing archive is never left half-written.

#include <CLI/CLI.hpp>
#include <cstdarg>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Command.h"
#include "RazDLL.h"
#include "cli/ConfigDiagnostics.h"
#include "cli/Console.h"
#include "cli/Interrupt.h"
#include "cli/Outputs.h"
#include "cli/ProgressBar.h"
#include "frame/Text.h"
#include "rapify/Rapify.h"
#ifdef OSTREL_SIGN
#include "cli/Signatures.h"
#endif

namespace fs = std::filesystem;

namespace cli
{
namespace
{
struct PackOptions
{
    std::string folder;
    std::string output;
    PboFlags flavour = Cwc;
    std::string prefix;
    bool check = false;
    bool binarise = false;
    bool keepText = false;
    std::string signKey;
    bool classic = false;
    std::vector<std::string> includes;
    Verbosity verbosity;
};

// The current dialect (unless classic) with the mounts for a config of the
// packed folder.
void ChooseDialect(Rapify& compiler, const PackOptions& options, const std::string& config)
{
    if (options.classic)
        return;
    compiler.SetDialect(RapifyDialect::Current);
    MountFor(compiler, config, options.includes);
}

// The running build, for the library's progress callback.
struct PackProgress
{
    fs::path folder;             // the folder being packed
    std::vector<uint64_t> sizes; // entry sizes, from the header lines
    size_t done = 0;             // data progress dots seen
    uint64_t bytesDone = 0;
    uint64_t bytesTotal = 0;
    std::string lintPath;              // the config the check pass refused
    std::vector<std::string> warnings; // shown once the bar is gone, even with -q
    bool backslashName = false;        // a name that cannot be stored was refused
    ProgressBar* bar = nullptr;
    bool verbose = false;
};
PackProgress* running = nullptr;

// The library's line about one file ("skipping NAME: ..."), without its
// line end.
std::string FileNote(const char* format, const char* name)
{
    std::string line = format;
    line.replace(line.find("%s"), 2, name);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    return line;
}

// Header lines ("%s\r\n" with the entry name) come first, one per entry;
// then one "." per entry as its data is written. "%s " names a config that
// did not compile; links passed over and names that cannot be stored have
// lines of their own.
bool OnPackLine(const char* format, ...)
{
    if (!running)
        return !interrupt::Requested();
    PackProgress& progress = *running;
    va_list values;
    va_start(values, format);
    if (std::strcmp(format, "%s\r\n") == 0)
    {
        const char* name = va_arg(values, const char*);
        std::string local = name;
        for (char& c : local)
        {
            if (c == '\\')
                c = '/';
        }
        std::error_code code;
        const uintmax_t size = fs::file_size(progress.folder / local, code);
        progress.sizes.push_back(code ? 0 : size);
        progress.bytesTotal += code ? 0 : size;
        if (progress.verbose)
            std::fprintf(stderr, "%s\n", name);
    }
    else if (std::strcmp(format, "%s ") == 0)
        progress.lintPath = va_arg(values, const char*);
    else if (std::strcmp(format, Ostrel::LinkOutsideFormat) == 0 ||
             std::strcmp(format, Ostrel::BackslashNameFormat) == 0)
    {
        progress.backslashName |= std::strcmp(format, Ostrel::BackslashNameFormat) == 0;
        progress.warnings.push_back(FileNote(format, va_arg(values, const char*)));
    }
    else if (std::strcmp(format, ".") == 0)
    {
        if (progress.done > 0 && progress.done <= progress.sizes.size())
            progress.bytesDone += progress.sizes[progress.done - 1];
        ++progress.done;
        if (progress.bar)
        {
            progress.bar->SetTotal(progress.sizes.size(), progress.bytesTotal);
            progress.bar->Update(progress.done - 1, progress.bytesDone);
        }
    }
    va_end(values);
    return !interrupt::Requested();
}

std::string WithoutTrailingSeparators(std::string path)
{
    while (path.size() > 1 && (path.back() == '/' || path.back() == '\\'))
        path.pop_back();
    return path;
}

// Longest name of the folder link in the working folder: the library names
// the archive after it with ".pbo" added, and a file name holds 255 bytes.
const size_t MaxLinkName = 255 - 4;

// FOLDER.pbo beside the folder; a folder named "." or ".." (or ending so)
// gives its own name, so "pack ." in mod writes ../mod.pbo.
std::string DefaultArchive(const std::string& folder)
{
    const std::string last = fs::path(folder).filename().string();
    if (last != "." && last != "..")
        return folder + ".pbo";
    std::error_code code;
    fs::path resolved = fs::absolute(folder, code).lexically_normal();
    if (!resolved.has_filename())
        resolved = resolved.parent_path();
    return resolved.string() + ".pbo";
}

// The library names files through the working folder's link; the user knows
// them below the folder: the first mention of the link becomes the folder.
std::string UserPath(std::string text, const fs::path& link, const std::string& folder)
{
    const std::string through = link.string();
    const size_t at = text.find(through);
    if (at != std::string::npos)
        text.replace(at, through.size(), folder);
    return text;
}

// The diagnostic of a config the check pass refused.
void ReportConfigError(const std::string& lintPath, const fs::path& link, const std::string& folder,
                       const PackOptions& options)
{
    std::string path = UserPath(lintPath, link, folder);
    for (char& c : path)
    {
        if (c == '\\')
            c = '/';
    }
    std::unique_ptr<Rapify> compiler(new Rapify);
    ChooseDialect(*compiler, options, path);
    const int code = compiler->ProcessFile(path.c_str(), nullptr);
    if (code != 0 && options.classic)
        std::fputs(CompileDiagnostic(*compiler, path, code).c_str(), stderr);
    else if (code != 0)
        std::fputs(DiagnosticText(*compiler).c_str(), stderr);
}
} // namespace

Action DefinePack(CLI::App& command)
{
    auto options = std::make_shared<PackOptions>();
    const std::map<std::string, PboFlags> flavours = {
        {"cwc", Cwc}, {"resistance", Resistance}, {"elite", Elite}, {"arma", Arma}, {"arma-nokey", ArmaNoSha}};
    command.add_option("FOLDER", options->folder, "Folder to pack")->required();
    command.add_option("-o,--output", options->output, "Archive to write (default: FOLDER.pbo)");
    command
        .add_option("--flavour", options->flavour, "Archive flavour (default cwc; a $PBOPREFIX$ file makes it arma)")
        ->transform(CLI::CheckedTransformer(flavours, CLI::ignore_case));
    command.add_option("--prefix", options->prefix, "Prefix of an arma, arma-nokey or elite archive");
    command.add_flag("--check", options->check, "Compile config.cpp, mission.sqm and description.ext to check them");
    command.add_flag("--binarise", options->binarise,
                     "Compile config.cpp and mission.sqm (checked, written beside them as .bin) and pack the "
                     "compiled forms instead of the text");
    command.add_flag("--keep-text", options->keepText,
                     "As --binarise, and pack the text too, as config.cpp.txt and mission.sqm.txt");
#ifdef OSTREL_SIGN
    command.add_option("--sign", options->signKey,
                       "Sign the archive built with this private key (.biprivatekey): a version 3 signature beside it");
#endif
    command.add_flag("--classic", options->classic, "Compile configs in the old dialect");
    command.add_option("-I,--include", options->includes,
                       "Folder whose addon folders (by their prefix files) and files answer game paths");
    AddVerbosity(command, options->verbosity);
    return [options]() {
#ifdef OSTREL_SIGN
        // The key is read before anything is built, so a bad key costs no build.
        sign::PrivateKey signKey;
        std::string signError;
        if (!options->signKey.empty() && (!signing::LoadPrivateKey(options->signKey, signKey, signError) ||
                                          !signing::CheckAuthority(signKey.authority, options->signKey, signError)))
            return Fail(signError);
#endif
        const std::string folder = WithoutTrailingSeparators(options->folder);
        std::error_code code;
        if (!fs::is_directory(folder, code))
            return Fail(folder + ": no such folder");
        const std::string output = options->output.empty() ? DefaultArchive(folder) : options->output;
        if (fs::is_directory(output, code))
            return Fail(output + " is a folder");

        // The library writes the archive named like the folder it is given
        // (and derives the prefix from that name): a link in the working
        // folder, named like the archive, stands for the folder.
        std::string name = fs::path(output).filename().string();
        if (text::EndsWithNoCase(name, ".pbo"))
            name.resize(name.size() - 4);
        // The library adds ".pbo" to the name: a name that would pass the
        // file name limit (an output not ending in .pbo) is shortened there,
        // and stands for the prefix the library would otherwise derive from
        // it.
        std::string prefix = options->prefix;
        if (name.size() > MaxLinkName)
        {
            if (prefix.empty())
                prefix = name;
            name.resize(MaxLinkName);
        }
        Staging staging;
        std::string error;
        if (!staging.Create(output, error))
            return Fail(error);
        const fs::path link = staging.Path() / name;
        fs::create_directory_symlink(fs::absolute(folder), link, code);
        if (code)
            return Fail(Describe(link, code));

        // One option value: the builder compiles nothing for combined bits,
        // while binarising and keeping the text both check the sources too.
        int flags = options->flavour;
        if (options->keepText)
            flags |= PboKeepTextOption;
        else if (options->binarise)
            flags |= PboBinariseOption;
        else if (options->check)
            flags |= PboCheckOption;

        std::unique_ptr<RazDLL> library(new RazDLL);
        ChooseDialect(library->rapify, *options, (fs::path(folder) / "config.cpp").string());
        PackProgress progress;
        progress.folder = folder;
        ProgressBar bar(!options->verbosity.quiet && !options->verbosity.verbose, "pack");
        bar.Start(0, 0);
        progress.bar = &bar;
        progress.verbose = options->verbosity.verbose && !options->verbosity.quiet;
        running = &progress;
        const int result =
            library->ostrel.MakePbo(link.string().c_str(), static_cast<PboFlags>(flags),
                                    prefix.empty() ? nullptr : prefix.c_str(), OnPackLine, output.c_str());
        running = nullptr;
        bar.Finish();
        for (const std::string& warning : progress.warnings)
            Warn(UserPath(warning, link, folder));
        if (interrupt::Requested())
            return static_cast<int>(Interrupted);
        if (result != 0)
        {
            if (!progress.lintPath.empty())
                ReportConfigError(progress.lintPath, link, folder, *options);
            if (progress.backslashName)
                return Fail(folder + ": nothing packed: an archive cannot store a backslash inside a file name");
            return Fail(folder + ": " + library->ostrel.strError());
        }
        if (interrupt::Requested())
            return static_cast<int>(Interrupted);
        fs::rename(fs::path(link.string() + ".pbo"), output, code);
        if (code)
            return Fail(Describe(output, code));
        Note(options->verbosity.quiet,
             "Packed " + std::to_string(progress.sizes.size()) + " entries of " + folder + " into " + output);
#ifdef OSTREL_SIGN
        if (!options->signKey.empty())
        {
            std::string written;
            if (!signing::SignArchiveFile(signKey, output, sign::SignatureV3, "", written, signError))
                return Fail(signError);
            Note(options->verbosity.quiet, "Signed " + output + " into " + written);
        }
#endif
        return static_cast<int>(Success);
    };
}
} // namespace cli
