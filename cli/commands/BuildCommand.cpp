// ostrel build: a whole mod from its project folder. Every addon of addons/
// and optionals/ becomes an archive (configs compiled, signed when asked)
// in PROJECT/.ostrel/build/@NAME, built on several threads into a working
// folder that replaces the old mod folder only when every addon succeeded.

#include <CLI/CLI.hpp>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "Command.h"
#include "cli/ConfigDiagnostics.h"
#include "cli/Console.h"
#include "cli/Interrupt.h"
#include "cli/JsonText.h"
#include "cli/Outputs.h"
#include "cli/ProgressBar.h"
#include "cli/Workers.h"
#include "cli/modbuild/AddonJob.h"
#include "cli/modbuild/Addons.h"
#include "cli/modbuild/BuildCache.h"
#include "cli/modbuild/ContentHash.h"
#include "cli/modbuild/Lookups.h"
#include "cli/modbuild/ModFiles.h"
#include "cli/modbuild/Settings.h"
#include "rapify/Rapify.h"
#ifdef OSTREL_SIGN
#include "cli/Signatures.h"
#include "cli/modbuild/ModKeys.h"
#endif

namespace fs = std::filesystem;
using json = nlohmann::ordered_json;

namespace cli
{
namespace
{
using namespace modbuild;

struct BuildOptions
{
    std::string project = ".";
    std::string output;
    unsigned threads = 0;
    std::string key;
    std::string authority;
    bool noBinarise = false;
    bool reproducible = false;
    bool json = false;
    Verbosity verbosity;
};

// Never packed, whatever the settings say (hidden files are passed over by
// the listing itself).
const char* const DefaultExcludes[] = {".git", ".ostrel", "*.psd", "*.xcf", "Thumbs.db"};

// The clock of a reproducible build: SOURCE_DATE_EPOCH when it holds a
// number of seconds, else 0.
int64_t ReproducibleTime()
{
    const char* value = std::getenv("SOURCE_DATE_EPOCH");
    if (!value || !*value)
        return 0;
    char* end = nullptr;
    const long long seconds = std::strtoll(value, &end, 10);
    return *end == 0 && seconds >= 0 && seconds <= 0xFFFFFFFFll ? seconds : 0;
}

// The game-path mounts every compile uses: each addon at its prefix (from
// its prefix file or the settings), then those of ostrel rapify (the project
// tree and its include folder).
std::vector<RapifyMount> ModMounts(const std::string& project, const ModLayout& layout)
{
    std::unique_ptr<Rapify> mounts(new Rapify);
    for (const Addon& addon : layout.addons)
        mounts->AddMount(addon.prefix.c_str(), (fs::path(project) / addon.Folder()).string().c_str());
    MountFor(*mounts, (fs::path(project) / "addons" / "config.cpp").string(), {});
    return mounts->GetMounts();
}

// The project's work folder holds the default output, the keys an authority
// build makes and the cache. A project can ship a link there, which would
// send them (and the replacement of a mod folder) elsewhere: refused.
bool WorkFoldersArePlain(const std::string& project, bool defaultOutput, std::string& error)
{
    const fs::path work = fs::path(project) / ".ostrel";
    std::vector<fs::path> paths = {work, work / "keys", work / "cache"};
    if (defaultOutput)
        paths.push_back(work / "build");
    for (const fs::path& path : paths)
    {
        std::error_code code;
        if (fs::is_symlink(fs::symlink_status(path, code)))
        {
            error = path.string() + " is a link: ostrel build keeps its outputs, keys and cache in folders of its own "
                                    "(remove the link, or name an output folder with -o)";
            return false;
        }
    }
    return true;
}

std::string AddonLine(const Addon& addon, const JobResult& result)
{
    std::string line = addon.Folder() + " -> " + addon.ArchivePath();
    if (!result.ok)
        return line + ": failed";
    if (result.skipped)
        return line + ": unchanged";
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.2f s", result.seconds);
    return line + " (" + std::to_string(result.entries) + " entries, " + ProgressBar::Bytes(double(result.size)) +
           ", " + seconds + ")";
}

json Report(const ModLayout& layout, const std::vector<JobResult>& results, const std::string& mod,
            const std::vector<std::string>& warnings, bool replaced, double seconds)
{
    json addons = json::array();
    size_t built = 0, skipped = 0, failed = 0;
    for (size_t i = 0; i < results.size(); ++i)
    {
        const Addon& addon = layout.addons[i];
        const JobResult& result = results[i];
        json errors = json::array(), notes = json::array();
        for (const std::string& error : result.errors)
            errors.push_back(JsonText(error.c_str()));
        for (const std::string& note : result.notes)
            notes.push_back(JsonText(note.c_str()));
        addons.push_back({{"folder", JsonText(addon.Folder().c_str())},
                          {"prefix", JsonText(addon.prefix.c_str())},
                          {"archive", JsonText(addon.ArchivePath().c_str())},
                          {"ok", result.ok},
                          {"skipped", result.skipped},
                          {"entries", result.entries},
                          {"size", result.size},
                          {"seconds", result.seconds},
                          {"diagnostics", errors},
                          {"notes", notes}});
        built += result.ok && !result.skipped;
        skipped += result.skipped;
        failed += !result.ok;
    }
    json warningList = json::array();
    for (const std::string& warning : warnings)
        warningList.push_back(JsonText(warning.c_str()));
    return {{"mod", JsonText(mod.c_str())},
            {"name", JsonText(layout.name.c_str())},
            {"prefix", JsonText(layout.projectPrefix.c_str())},
            {"ok", failed == 0 && replaced},
            {"built", built},
            {"skipped", skipped},
            {"failed", failed},
            {"seconds", seconds},
            {"warnings", warningList},
            {"addons", addons}};
}

class ModBuild
{
public:
    explicit ModBuild(const BuildOptions& options) : options(options) {}

    int Run()
    {
        started = std::chrono::steady_clock::now();
        std::error_code code;
        project = fs::absolute(options.project, code).lexically_normal().string();
        while (project.size() > 1 && (project.back() == '/' || project.back() == '\\'))
            project.pop_back();
        if (code || !fs::is_directory(fs::path(project) / "addons", code))
            return Fail(options.project + ": no addons folder: not a mod project");
        std::string error;
        if (!WorkFoldersArePlain(project, options.output.empty(), error))
            return Fail(error);
        if (!ReadSettings(project, settings, error))
            return Fail(error);
        warnings = settings.warnings;
        for (const std::string& warning : warnings)
        {
            if (!options.verbosity.quiet && !options.json)
                Warn(warning);
        }
        context.excludes.assign(std::begin(DefaultExcludes), std::end(DefaultExcludes));
        context.excludes.insert(context.excludes.end(), settings.excludes.begin(), settings.excludes.end());
        std::vector<std::string> errors;
        if (!ListAddons(project, settings, context.excludes, layout, errors))
        {
            for (const std::string& line : errors)
                std::fprintf(stderr, "%s\n", line.c_str());
            return Fail(project + ": the addons cannot be named");
        }
        if (layout.addons.empty())
            return Fail(project + ": no addon in addons/ or optionals/");
        const fs::path out =
            options.output.empty() ? fs::path(project) / ".ostrel" / "build" : fs::path(options.output);
        mod = (out / ("@" + layout.name)).string();
        fs::create_directories(out, code);
        if (code)
            return Fail(Describe(out, code));

        std::string fingerprint = std::string("ostrel ") + OSTREL_TOOL_VERSION + "\n" + settings.Fingerprint() +
                                  "binarise=" + (options.noBinarise ? "no" : "yes") + "\n";
        context.fixedTime = options.reproducible ? ReproducibleTime() : -1;
        fingerprint += "time=" + std::to_string(context.fixedTime) + "\n";
#ifdef OSTREL_SIGN
        const bool signing = !options.key.empty() || !options.authority.empty();
        if (signing)
        {
            bool made = false;
            if (!ObtainKey(options.key, options.authority, project, key, made, error))
                return Fail(error);
            if (made)
                Note(options.verbosity.quiet || options.json,
                     "Made the key pair of " + key.authority + " in " + project + "/.ostrel/keys");
            const sign::Bytes publicBytes = sign::WritePublicKey(key.Public());
            fingerprint += "key=" + HexOf(HashBytes(publicBytes.data(), publicBytes.size())) + "\n";
            context.sign = [this](const std::string& archive, std::string& signature, std::string& failure) {
                return signing::SignArchiveFile(key, archive, sign::SignatureV3, "", signature, failure);
            };
        }
#else
        const bool signing = false;
        if (!options.key.empty() || !options.authority.empty())
            return Fail("signing is not available in this build");
#endif
        context.fingerprint = fingerprint;
        context.project = project;
        context.previous = mod;
        context.binarise = !options.noBinarise;
        context.mounts.make = [this] {
            return ModMounts(project, layout);
        };
        context.mountsFingerprint.make = [this] {
            return MountsFingerprint(context.mounts.Get());
        };
        const std::string cachePath = (fs::path(project) / ".ostrel" / "cache").string();
        cache.Load(cachePath);
        context.cache = &cache;

        if (!staging.Create(mod, error))
            return Fail(error);
        context.building = (staging.Path() / ("@" + layout.name)).string();
        for (const char* folder : {"addons", "optionals", "keys"})
        {
            const bool wanted = std::string(folder) == "keys"
                                    ? signing
                                    : std::any_of(layout.addons.begin(), layout.addons.end(),
                                                  [&](const Addon& a) { return a.group == folder; });
            if (wanted || std::string(folder) == "addons")
                fs::create_directories(fs::path(context.building) / folder, code);
            if (code)
                return Fail(Describe(fs::path(context.building) / folder, code));
        }

        RunJobs();
        if (interrupt::Requested())
            return static_cast<int>(Interrupted);
        size_t failed = 0;
        for (size_t i = 0; i < results.size(); ++i)
        {
            for (const std::string& line : results[i].errors)
                std::fputs(line.c_str(), stderr);
            failed += !results[i].ok;
        }
        bool replaced = false;
        int status = Success;
        if (failed)
            status = Fail(std::to_string(failed) + " of " + std::to_string(results.size()) + " addons failed; " + mod +
                          " is left as it was");
        else
            status = Finish(signing, replaced);
        if (replaced)
        {
            BuildCache next;
            for (const JobResult& result : results)
                next.Put(result.record);
            if (!next.Save(cachePath, error))
                Warn(error);
        }
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        if (options.json)
            std::printf("%s\n", Report(layout, results, mod, warnings, replaced, seconds).dump(2).c_str());
        else if (replaced)
            Summary(seconds);
        return status;
    }

private:
    // Runs every addon's job on the pool; results land in addon order.
    void RunJobs()
    {
        const size_t count = layout.addons.size();
        results.assign(count, JobResult());
        std::atomic<size_t> next(0);
        std::atomic<size_t> latest(0);
        std::mutex lock;
        std::condition_variable changed;
        std::vector<char> finished(count, 0);
        size_t done = 0;
        auto work = [&]() {
            for (size_t i = next++; i < count; i = next++)
            {
                latest = i;
                JobResult result;
                if (!interrupt::Requested())
                    result = RunAddonJob(layout.addons[i], context);
                std::lock_guard<std::mutex> hold(lock);
                results[i] = std::move(result);
                finished[i] = 1;
                ++done;
                changed.notify_one();
            }
        };
        std::unique_ptr<Workers> pool(new Workers(Workers::Count(options.threads, count), work));

        const bool verbose = options.verbosity.verbose && !options.verbosity.quiet && !options.json;
        ProgressBar bar(!options.verbosity.quiet && !verbose && !options.json, "build");
        bar.Start(count, 0);
        std::string label;
        size_t printed = 0, seen = 0;
        std::unique_lock<std::mutex> hold(lock);
        while (true)
        {
            changed.wait_for(hold, std::chrono::milliseconds(100), [&] { return done != seen; });
            seen = done;
            // Lines in addon order, as soon as every addon before is done.
            for (; verbose && printed < count && finished[printed]; ++printed)
            {
                std::fprintf(stderr, "%s\n", AddonLine(layout.addons[printed], results[printed]).c_str());
                for (const std::string& note : results[printed].notes)
                    std::fprintf(stderr, "  note: %s\n", note.c_str());
            }
            label = "build " + layout.addons[std::min(latest.load(), count - 1)].Folder();
            bar.SetLabel(label.c_str());
            bar.Update(done, 0);
            if (done == count)
                break;
        }
        hold.unlock();
        pool.reset();
        bar.Finish();
    }

    // Keys, copies, the check of the signatures, and the move into place.
    int Finish(bool signing, bool& replaced)
    {
        std::string error;
        if (!CopyModFiles(project, ModFileList(project, settings.includes, context.excludes), context.building, error))
            return Fail(error);
#ifdef OSTREL_SIGN
        if (signing)
        {
            if (!WritePublicKeyFile(key, (fs::path(context.building) / "keys").string(), error))
                return Fail(error);
            // The archives built now; those taken over were checked when built.
            std::vector<std::string> built;
            for (size_t i = 0; i < results.size(); ++i)
            {
                if (!results[i].skipped)
                    built.push_back((fs::path(context.building) / layout.addons[i].ArchivePath()).string());
            }
            const std::vector<std::string> failures = VerifySigned(key.Public(), built);
            for (const std::string& failure : failures)
                std::fprintf(stderr, "%s\n", failure.c_str());
            if (!failures.empty())
                return Fail("the signatures made do not verify; " + mod + " is left as it was");
        }
#else
        (void)signing;
#endif
        if (interrupt::Requested())
            return static_cast<int>(Interrupted);
        // The old mod folder is moved into the working folder, and goes with it.
        if (!ReplaceFolder(context.building, mod, staging, error))
            return Fail(error);
        replaced = true;
        return Success;
    }

    void Summary(double seconds) const
    {
        size_t skipped = 0;
        for (const JobResult& result : results)
            skipped += result.skipped;
        char time[32];
        std::snprintf(time, sizeof time, "%.2f s", seconds);
        Note(options.verbosity.quiet, "Built " + mod + ": " + std::to_string(results.size()) + " archives (" +
                                          std::to_string(results.size() - skipped) + " built, " +
                                          std::to_string(skipped) + " unchanged) in " + time);
    }

    const BuildOptions& options;
    std::chrono::steady_clock::time_point started;
    std::string project;
    std::string mod;
    ProjectSettings settings;
    ModLayout layout;
    JobContext context;
    BuildCache cache;
    Staging staging; // the working folder beside the mod folder
    std::vector<JobResult> results;
    std::vector<std::string> warnings;
#ifdef OSTREL_SIGN
    sign::PrivateKey key;
#endif
};
} // namespace

Action DefineBuild(CLI::App& command)
{
    auto options = std::make_shared<BuildOptions>();
    command.add_option("PROJECT", options->project, "Mod project folder, holding addons/ (default: here)");
    command.add_option("-o,--output", options->output, "Folder for @NAME (default: PROJECT/.ostrel/build)");
    command.add_option("-j,--jobs", options->threads, "Addons built at once (default: the machine's cores)")
        ->check(CLI::Range(1u, 1024u));
#ifdef OSTREL_SIGN
    CLI::Option* key =
        command.add_option("--key", options->key, "Sign every archive with this private key (.biprivatekey)");
    CLI::Option* authority = command.add_option(
        "--authority", options->authority,
        "Sign with the key of this authority kept in PROJECT/.ostrel/keys (made on the first build)");
    key->excludes(authority);
#endif
    command.add_flag("--no-binarise", options->noBinarise, "Pack every file as it is, configs as text");
    command.add_flag("--reproducible", options->reproducible,
                     "Same bytes on every run: fixed time stamps, date and time built-ins from SOURCE_DATE_EPOCH");
    command.add_flag("--json", options->json, "Print the report as JSON");
    AddVerbosity(command, options->verbosity);
    return [options]() {
        return ModBuild(*options).Run();
    };
}
} // namespace cli
