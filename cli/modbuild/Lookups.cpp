// The mounts' fingerprint and the check of files that were missing.

#include "Lookups.h"

#include "ContentHash.h"
#include "frame/Platform.h"

namespace cli
{
namespace modbuild
{
std::string MountsFingerprint(const std::vector<RapifyMount>& mounts)
{
    ContentHash hash;
    for (const RapifyMount& mount : mounts)
    {
        // Each text with its terminator, so texts never run together.
        hash.Update(mount.prefix.c_str(), mount.prefix.size() + 1);
        hash.Update(mount.folder.c_str(), mount.folder.size() + 1);
    }
    return HexOf(hash.Final());
}

bool StillMissing(const std::string& path)
{
    uint64_t size = 0;
    std::string found;
    return !platform::FindFileSize(path.c_str(), size) && !platform::MatchNoCase(path.c_str(), found);
}

bool MayLookUp(const std::string& text)
{
    return text.find("include") != std::string::npos;
}
} // namespace modbuild
} // namespace cli
