// The checkers of ostrel check, chosen by file extension: the script checker,
// the config compiler, the inspectors, the archive reader and the config
// decoder. Each runs on one file with library
// objects of its own, so files are checked on several threads at once.
#pragma once

#include <string>
#include <vector>

namespace cli
{
// One error of a file: its line (0 when it has none) and message.
struct Finding
{
    long line;
    std::string message;
};

struct CheckResult
{
    bool checked = true; // false: no checker for this kind of file
    bool failed = false;
    std::string diagnostics;       // "FILE:LINE: error: MESSAGE" lines, for standard error
    std::string report;            // the checker's own report lines (shown with -v)
    std::vector<Finding> findings; // the errors one by one, where the checker gives them
};

struct Checker
{
    const char* kind;
    std::vector<const char*> extensions; // lower case, with the dot
    CheckResult (*check)(const std::string& path);
};

// Every checker.
const std::vector<Checker>& Checkers();
// The checker for the file: binarised configs by their signature, whatever
// their name; everything else by extension (letter case ignored). Null for
// none.
const Checker* CheckerFor(const std::string& path);

// How configs are compiled: the current game's dialect with mounts (the
// folders given, or the mod found above each file) unless classic; json
// turns their diagnostics into JSON. Set before any checker runs.
struct ConfigCheckOptions
{
    bool classic = false;
    bool json = false;
    std::vector<std::string> includes;
};
void SetConfigCheckOptions(const ConfigCheckOptions& options);

// The checkers, one file each.
CheckResult CheckScript(const std::string& path);
CheckResult CheckConfig(const std::string& path);
CheckResult CheckTexture(const std::string& path);
CheckResult CheckModel(const std::string& path);
CheckResult CheckWorld(const std::string& path);
CheckResult CheckAnimation(const std::string& path);
CheckResult CheckFont(const std::string& path);
CheckResult CheckArchive(const std::string& path);
CheckResult CheckBinarisedConfig(const std::string& path);

// Progress callback that collects the formatted report of the checker
// running on this thread.
bool CollectReport(const char* format, ...);
// Takes the text collected on this thread so far.
std::string TakeReport();
} // namespace cli
