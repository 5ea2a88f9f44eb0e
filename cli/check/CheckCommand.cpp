// ostrel check: files checked side by side on N threads (library objects of
// their own on each), reported in the order given, with a summary line.

#include <CLI/CLI.hpp>
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Checkers.h"
#include "cli/Console.h"
#include "cli/Interrupt.h"
#include "cli/commands/Command.h"

namespace cli
{
namespace
{
struct CheckOptions
{
    std::vector<std::string> files;
    unsigned threads = 0;
    bool verbose = false;
    ConfigCheckOptions config;
};

// Results in the order of the files; workers fill them, the main thread
// prints each as soon as it and all before it are done.
class CheckRun
{
public:
    explicit CheckRun(const std::vector<std::string>& files) : files(files), results(files.size()), ready(files.size())
    {
    }

    void Work()
    {
        for (size_t i = next++; i < files.size(); i = next++)
        {
            CheckResult result;
            std::error_code code;
            const Checker* checker = interrupt::Requested() ? nullptr : CheckerFor(files[i]);
            if (checker)
                result = checker->check(files[i]);
            else if (!interrupt::Requested() && !std::filesystem::exists(files[i], code))
            {
                // Missing, whatever its kind: an error, never a skip.
                result.failed = true;
                result.diagnostics = files[i] + ": error: " + (code ? code.message() : "no such file") + "\n";
            }
            else
                result.checked = false;
            std::lock_guard<std::mutex> lock(mutex);
            results[i] = std::move(result);
            ready[i] = true;
            done.notify_all();
        }
    }

    const CheckResult& Wait(size_t i)
    {
        std::unique_lock<std::mutex> lock(mutex);
        done.wait(lock, [&] { return static_cast<bool>(ready[i]); });
        return results[i];
    }

private:
    const std::vector<std::string>& files;
    std::vector<CheckResult> results;
    std::vector<char> ready;
    std::atomic<size_t> next{0};
    std::mutex mutex;
    std::condition_variable done;
};

std::string KnownKinds()
{
    std::string kinds;
    for (const Checker& checker : Checkers())
    {
        for (const char* extension : checker.extensions)
            kinds += (kinds.empty() ? "" : " ") + std::string(extension);
    }
    return kinds;
}
} // namespace

Action DefineCheck(CLI::App& command)
{
    auto options = std::make_shared<CheckOptions>();
    command
        .add_option("FILE", options->files,
                    "Files to check, by extension: " + KnownKinds() + " (binarised configs by their content)")
        ->required();
    command.add_option("-j,--jobs", options->threads, "Files checked at once (default: one per processor)")
        ->check(CLI::Range(1u, 256u));
    command.add_flag("-v,--verbose", options->verbose, "Show every line of the checkers' reports");
    command.add_flag("--classic", options->config.classic, "Compile configs in the old dialect");
    command.add_option("-I,--include", options->config.includes,
                       "Folder whose addon folders (by their prefix files) and files answer game paths");
    command.add_flag("--json", options->config.json, "Print config diagnostics as JSON on standard output");
    return [options]() {
        const std::vector<std::string>& files = options->files;
        SetConfigCheckOptions(options->config);
        unsigned threads = options->threads ? options->threads : std::max(1u, std::thread::hardware_concurrency());
        threads = static_cast<unsigned>(std::min<size_t>(threads, files.size()));
        CheckRun run(files);
        std::vector<std::thread> workers;
        for (unsigned i = 0; i < threads; ++i)
            workers.emplace_back([&run] { run.Work(); });

        size_t failed = 0, skipped = 0;
        for (size_t i = 0; i < files.size(); ++i)
        {
            const CheckResult& result = run.Wait(i);
            if (!result.checked)
            {
                ++skipped;
                if (!interrupt::Requested())
                    Warn(files[i] + ": skipped, no checker for this kind of file");
                continue;
            }
            if (options->verbose && !result.report.empty())
            {
                std::fprintf(stdout, "%s:\n%s", files[i].c_str(), result.report.c_str());
                if (result.report.back() != '\n')
                    std::fputc('\n', stdout);
                std::fflush(stdout);
            }
            // Warnings of a passed config are shown too.
            if (!result.diagnostics.empty())
                std::fputs(result.diagnostics.c_str(), options->config.json ? stdout : stderr);
            if (result.failed)
                ++failed;
        }
        for (std::thread& worker : workers)
            worker.join();
        if (interrupt::Requested())
            return static_cast<int>(Interrupted);
        std::fprintf(stderr, "%zu checked, %zu failed, %zu skipped\n", files.size() - skipped, failed, skipped);
        return static_cast<int>(failed ? Failure : Success);
    };
}
} // namespace cli
