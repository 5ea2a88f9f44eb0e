// One addon of ostrel build: taken over from the previous output when the
// cache says nothing changed, else its files listed, its configs compiled,
// its archive written (and signed) into the mod folder being built.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "Addons.h"
#include "BuildCache.h"
#include "rapify/RapifyDiagnostic.h"

namespace cli
{
namespace modbuild
{
// A value made by the first job that needs it (a build that compiles
// nothing never walks the project for the mounts).
template <typename T>
class Lazy
{
public:
    std::function<T()> make;
    const T& Get() const
    {
        std::call_once(once, [this] { value = make ? make() : T(); });
        return value;
    }

private:
    mutable std::once_flag once;
    mutable T value;
};
// The game-path mounts of the compiles.
using LazyMounts = Lazy<std::vector<RapifyMount>>;

// What every job reads and none changes.
struct JobContext
{
    std::string project;  // the project folder
    std::string building; // the mod folder being built (temporary)
    std::string previous; // the mod folder of the last build (may not exist)
    std::vector<std::string> excludes;
    LazyMounts mounts;
    Lazy<std::string> mountsFingerprint;
    bool binarise = true;
    int64_t fixedTime = -1;  // the entries' time stamps and the built-ins' clock; negative: none
    std::string fingerprint; // settings, options and tool version
    const BuildCache* cache = nullptr;
    // Signs the archive at the path; answers the signature's path. Empty:
    // no signing.
    std::function<bool(const std::string& archive, std::string& signature, std::string& error)> sign;
};

struct JobResult
{
    bool ok = false;
    bool skipped = false; // taken over from the previous output
    bool interrupted = false;
    size_t entries = 0;
    uint64_t size = 0; // of the archive
    double seconds = 0;
    std::vector<std::string> errors; // compiler diagnostics and failures, each ending in a line end
    std::vector<std::string> notes;  // shown with -v
    AddonRecord record;
};

JobResult RunAddonJob(const Addon& addon, const JobContext& context);
} // namespace modbuild
} // namespace cli
