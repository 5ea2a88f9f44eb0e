// The mounts' fingerprint, and the check of files that were missing (in
// every letter case, as the compile looks files up).

#include "Lookups.h"

#include <filesystem>

#include "ContentHash.h"
#include "frame/Text.h"

namespace fs = std::filesystem;

namespace cli
{
namespace modbuild
{
namespace
{
// A file at folder / the parts from next on, each part matched in any
// letter case (every candidate tried: a folder may hold "A" and "a").
bool AnyCase(const fs::path& folder, const std::vector<fs::path>& parts, size_t next)
{
    std::error_code code;
    if (next == parts.size())
        return fs::is_regular_file(folder, code);
    if (fs::exists(folder / parts[next], code) && AnyCase(folder / parts[next], parts, next + 1))
        return true;
    const std::string wanted = parts[next].string();
    for (fs::directory_iterator item(folder, code), end; !code && item != end; item.increment(code))
    {
        const std::string name = item->path().filename().string();
        if (name != wanted && text::EqualNoCase(name.c_str(), wanted.c_str()) && AnyCase(item->path(), parts, next + 1))
            return true;
    }
    return false;
}
} // namespace

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
    const fs::path local(text::LocalPath(path.c_str()));
    std::error_code code;
    if (fs::is_regular_file(local, code))
        return false;
    // The deepest folder above that exists as written, then the rest in any case.
    fs::path folder = local.parent_path();
    std::vector<fs::path> parts = {local.filename()};
    while (!folder.empty() && !fs::is_directory(folder, code) && folder != folder.parent_path())
    {
        parts.insert(parts.begin(), folder.filename());
        folder = folder.parent_path();
    }
    return !AnyCase(folder, parts, 0);
}

bool MayLookUp(const std::string& text)
{
    return text.find("include") != std::string::npos;
}
} // namespace modbuild
} // namespace cli
