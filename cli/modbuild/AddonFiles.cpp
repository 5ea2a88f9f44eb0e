// Walk of one addon folder with the folder builder's own listing (sorted the
// same on every system, hidden items passed over).

#include "AddonFiles.h"

#include <filesystem>

#include "Glob.h"
#include "pbo/FolderScan.h"

namespace fs = std::filesystem;

namespace cli
{
namespace modbuild
{
namespace
{
bool Within(const fs::path& path, const fs::path& root)
{
    auto p = path.begin();
    for (auto r = root.begin(); r != root.end(); ++r, ++p)
    {
        if (r->empty())
            continue; // the empty last element of a root ending in a separator
        if (p == path.end() || *p != *r)
            return false;
    }
    return true;
}

struct Walk
{
    fs::path root; // resolved
    std::string folder;
    const std::vector<std::string>* excludes;
    std::vector<AddonFile>* files;
    std::vector<std::string>* notes;

    bool Level(const fs::path& disk, const std::string& below)
    {
        FolderScan scan;
        const int state = scan.Start(disk.string().c_str());
        if (state < 0)
            return false;
        for (bool more = state == 1; more; more = scan.Next())
        {
            const std::string name = scan.Name();
            const std::string entry = below.empty() ? name : below + "/" + name;
            if (AnyGlobMatches(*excludes, folder + "/" + entry))
                continue;
            const fs::path path = disk / name;
            if (scan.IsFolder())
            {
                if (!Level(path, entry))
                    return false;
                continue;
            }
            std::error_code code;
            if (fs::is_symlink(path, code))
            {
                const fs::path target = fs::canonical(path, code);
                if (code || !Within(target, root))
                {
                    notes->push_back(folder + "/" + entry + ": skipped: the link leads outside the project");
                    continue;
                }
            }
            AddonFile file;
            file.entry = entry;
            file.path = path.string();
            file.created = static_cast<uint32_t>(scan.FindData()->timeCreate);
            if (!StatFile(file.path, file.size, file.time))
            {
                notes->push_back(folder + "/" + entry + ": skipped: not a regular file");
                continue;
            }
            files->push_back(file);
        }
        return true;
    }
};
} // namespace

bool StatFile(const std::string& path, uint64_t& size, int64_t& time)
{
    std::error_code code;
    const fs::file_status status = fs::status(path, code);
    if (code || !fs::is_regular_file(status))
        return false;
    size = fs::file_size(path, code);
    if (code)
        return false;
    const fs::file_time_type written = fs::last_write_time(path, code);
    if (code)
        return false;
    time = static_cast<int64_t>(written.time_since_epoch().count());
    return true;
}

bool ListAddonFiles(const std::string& root, const std::string& folder, const std::vector<std::string>& excludes,
                    std::vector<AddonFile>& files, std::vector<std::string>& notes)
{
    std::error_code code;
    Walk walk{fs::canonical(root, code), folder, &excludes, &files, &notes};
    if (code)
        return false;
    return walk.Level(fs::path(root) / folder, "");
}
} // namespace modbuild
} // namespace cli
