// The addons of a mod project and their names: the folders of addons/ and
// optionals/, each one's prefix (from its prefix file or the settings), its
// archive name, and the project prefix and mod name they give.
#pragma once

#include <string>
#include <vector>

#include "Settings.h"

namespace cli
{
namespace modbuild
{
struct Addon
{
    std::string group;  // "addons" or "optionals": the folder of the project and of the mod
    std::string name;   // the addon's folder name
    std::string prefix; // its game path, backslash separated, no leading one
    bool prefixFromFile = false;
    std::string archive; // the archive's file name, "ace_main.pbo"

    // The addon's folder relative to the project, "addons/main".
    std::string Folder() const { return group + "/" + name; }
    // The archive relative to the mod folder, "addons/ace_main.pbo".
    std::string ArchivePath() const { return group + "/" + archive; }
};

struct ModLayout
{
    std::vector<Addon> addons; // addons/ first, then optionals/, each in listing order
    std::string projectPrefix;
    std::string name; // the mod folder is @name
};

// A prefix with '/' turned into '\' and no separators at either end.
std::string CleanPrefix(const std::string& prefix);
// The folder names of a prefix, in order.
std::vector<std::string> PrefixFolders(const std::string& prefix);
// "z\ace\addons\main" with the project prefix "ace" gives "ace_main.pbo".
std::string ArchiveName(const std::string& projectPrefix, const std::string& addonPrefix);

// Lists the addons of the project (the folders of addons/ and optionals/ not
// excluded) and names them. Errors, one line each, name the addon; the
// layout is filled as far as it goes.
bool ListAddons(const std::string& project, const ProjectSettings& settings, const std::vector<std::string>& excludes,
                ModLayout& layout, std::vector<std::string>& errors);
} // namespace modbuild
} // namespace cli
