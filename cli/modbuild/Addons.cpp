// The addons of a mod project: folder listing, prefixes, archive names, and
// the project prefix and mod name.

#include "Addons.h"

#include <filesystem>
#include <map>

#include "Glob.h"
#include "frame/PrefixFile.h"
#include "frame/Text.h"
#include "pbo/FolderScan.h"

namespace fs = std::filesystem;

namespace cli
{
namespace modbuild
{
std::string CleanPrefix(const std::string& prefix)
{
    std::string cleaned = prefix;
    for (char& c : cleaned)
    {
        if (c == '/')
            c = '\\';
    }
    const size_t first = cleaned.find_first_not_of('\\');
    if (first == std::string::npos)
        return "";
    const size_t last = cleaned.find_last_not_of('\\');
    return cleaned.substr(first, last - first + 1);
}

std::vector<std::string> PrefixFolders(const std::string& prefix)
{
    std::vector<std::string> folders;
    const std::string cleaned = CleanPrefix(prefix);
    size_t start = 0;
    while (start <= cleaned.size() && !cleaned.empty())
    {
        const size_t end = cleaned.find('\\', start);
        const std::string part = cleaned.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!part.empty())
            folders.push_back(part);
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return folders;
}

std::string ArchiveName(const std::string& projectPrefix, const std::string& addonPrefix)
{
    const std::vector<std::string> folders = PrefixFolders(addonPrefix);
    const std::string last = folders.empty() ? "" : folders.back();
    return (projectPrefix.empty() ? last : projectPrefix + "_" + last) + ".pbo";
}

bool ListAddons(const std::string& project, const ProjectSettings& settings, const std::vector<std::string>& excludes,
                ModLayout& layout, std::vector<std::string>& errors)
{
    const size_t errorsBefore = errors.size();
    std::string settingsPrefix = CleanPrefix(settings.prefix);
    if (!settingsPrefix.empty() && !settings.mainPrefix.empty())
        settingsPrefix = CleanPrefix(settings.mainPrefix) + "\\" + settingsPrefix;
    for (const char* group : {"addons", "optionals"})
    {
        const std::string folder = (fs::path(project) / group).string();
        FolderScan scan;
        const int state = scan.Start(folder.c_str());
        for (bool more = state == 1; more; more = scan.Next())
        {
            if (!scan.IsFolder())
                continue;
            Addon addon;
            addon.group = group;
            addon.name = scan.Name();
            if (AnyGlobMatches(excludes, addon.Folder()))
                continue;
            const std::string path = (fs::path(folder) / addon.name).string();
            std::string prefix;
            if (ostrel_internal::prefixfile::ReadFolderPrefix(path, prefix) && !CleanPrefix(prefix).empty())
            {
                addon.prefix = CleanPrefix(prefix);
                addon.prefixFromFile = true;
            }
            else if (!settingsPrefix.empty())
                addon.prefix = settingsPrefix + "\\addons\\" + addon.name;
            else
                errors.push_back(addon.Folder() + ": no prefix: no prefix file, and no prefix in the project settings");
            layout.addons.push_back(addon);
        }
    }

    // The project prefix: the settings', else the second folder of the first
    // prefix read from a file, else the project folder's name.
    layout.projectPrefix = CleanPrefix(settings.prefix);
    for (const Addon& addon : layout.addons)
    {
        if (!layout.projectPrefix.empty())
            break;
        const std::vector<std::string> folders = PrefixFolders(addon.prefix);
        if (addon.prefixFromFile && folders.size() >= 2)
            layout.projectPrefix = folders[1];
    }
    if (layout.projectPrefix.empty())
    {
        std::error_code code;
        fs::path absolute = fs::absolute(project, code).lexically_normal();
        if (!absolute.has_filename())
            absolute = absolute.parent_path();
        layout.projectPrefix = absolute.filename().string();
    }
    layout.name = settings.name.empty() ? layout.projectPrefix : settings.name;
    // Both become parts of file names under the output folder: a separator,
    // "." or ".." would place the mod folder or the archives elsewhere.
    auto oneName = [](const std::string& name) {
        return !name.empty() && name.find_first_of("/\\:") == std::string::npos && name != "." && name != "..";
    };
    if (!oneName(layout.projectPrefix))
        errors.push_back("the project prefix \"" + layout.projectPrefix + "\" cannot begin an archive name");
    if (!oneName(layout.name))
        errors.push_back("the mod name \"" + layout.name + "\" cannot name a folder");

    std::map<std::string, std::string> taken; // archive path, lower case, to the addon that has it
    for (Addon& addon : layout.addons)
    {
        if (addon.prefix.empty())
            continue;
        addon.archive = ArchiveName(layout.projectPrefix, addon.prefix);
        const auto placed = taken.emplace(text::LowerAscii(addon.ArchivePath()), addon.Folder());
        if (!placed.second)
            errors.push_back(addon.Folder() + ": its archive " + addon.archive + " is also the archive of " +
                             placed.first->second);
    }
    return errors.size() == errorsBefore;
}
} // namespace modbuild
} // namespace cli
