// The files of one addon folder that go into its archive, in the folder
// builder's listing order, with their sizes and times for the build cache.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace cli
{
namespace modbuild
{
struct AddonFile
{
    std::string entry;    // below the addon folder, '/' between folders
    std::string path;     // on disk
    uint64_t size = 0;    // as the file system tells it (through a link)
    int64_t time = 0;     // last write time, in the file system's ticks
    uint32_t created = 0; // creation time in seconds, the entry's time stamp
};

// Size and last write time of a file (through links); false when it is no
// regular file.
bool StatFile(const std::string& path, uint64_t& size, int64_t& time);

// Lists the addon folder: hidden and system items are passed over, so are
// items matching excludes (paths relative to the project, where the addon
// sits at folder) and links that lead out of root or to anything but a file
// (each of those gets a note). False when the folder cannot be listed.
bool ListAddonFiles(const std::string& root, const std::string& folder, const std::vector<std::string>& excludes,
                    std::vector<AddonFile>& files, std::vector<std::string>& notes);
} // namespace modbuild
} // namespace cli
