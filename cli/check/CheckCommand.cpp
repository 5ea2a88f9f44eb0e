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
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "Checkers.h"
#include "cli/Console.h"
#include "cli/Interrupt.h"
#include "cli/JsonText.h"
#include "cli/Workers.h"
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
    bool json = false;
    ConfigCheckOptions config;
};

using Json = nlohmann::ordered_json;

// A file's entry in the JSON report: its errors one by one (with their lines
// where the checker gives them, else each diagnostic line as it is).
Json FileEntry(const std::string& file, const CheckResult& result)
{
    Json errors = Json::array();
    for (const Finding& finding : result.findings)
    {
        errors.push_back({{"line", finding.line > 0 ? Json(finding.line) : Json(nullptr)},
                          {"message", JsonText(finding.message.c_str())}});
    }
    // A config's diagnostics come as JSON objects (file, line, column,
    // severity, message, notes) when the run writes JSON.
    const Json diagnostics = Json::parse(result.diagnostics, nullptr, false);
    if (result.findings.empty() && diagnostics.is_array())
        errors = diagnostics;
    else if (result.failed && result.findings.empty())
    {
        size_t start = 0;
        for (size_t end; (end = result.diagnostics.find('\n', start)) != std::string::npos; start = end + 1)
            errors.push_back(
                {{"line", nullptr}, {"message", JsonText(result.diagnostics.substr(start, end - start).c_str())}});
    }
    return {
        {"file", JsonText(file.c_str())}, {"checked", result.checked}, {"failed", result.failed}, {"errors", errors}};
}

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
    command.add_flag("--json", options->json, "Write the results and every error as JSON on standard output");
    command.add_flag("--classic", options->config.classic, "Compile configs in the old dialect");
    command.add_option("-I,--include", options->config.includes,
                       "Folder whose addon folders (by their prefix files) and files answer game paths");
    return [options]() {
        const std::vector<std::string>& files = options->files;
        options->config.json = options->json;
        SetConfigCheckOptions(options->config);
        CheckRun run(files);
        std::unique_ptr<Workers> workers(
            new Workers(Workers::Count(options->threads, files.size()), [&run] { run.Work(); }));

        size_t failed = 0, skipped = 0;
        Json entries = Json::array();
        for (size_t i = 0; i < files.size(); ++i)
        {
            const CheckResult& result = run.Wait(i);
            if (options->json)
                entries.push_back(FileEntry(files[i], result));
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
            if (!options->json && !result.diagnostics.empty())
                std::fputs(result.diagnostics.c_str(), stderr);
            if (result.failed)
                ++failed;
        }
        workers.reset();
        if (interrupt::Requested())
            return static_cast<int>(Interrupted);
        if (options->json)
        {
            const Json document = {
                {"files", entries}, {"checked", files.size() - skipped}, {"failed", failed}, {"skipped", skipped}};
            std::fputs((document.dump(2) + "\n").c_str(), stdout);
        }
        std::fprintf(stderr, "%zu checked, %zu failed, %zu skipped\n", files.size() - skipped, failed, skipped);
        return static_cast<int>(failed ? Failure : Success);
    };
}
} // namespace cli
