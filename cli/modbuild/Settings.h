// Project settings of ostrel build: the keys read from .hemtt/project.toml
// and from ostrel.toml at the project root (which wins key by key).
#pragma once

#include <string>
#include <vector>

namespace cli
{
namespace modbuild
{
struct ProjectSettings
{
    std::string name;                  // the mod's folder is @name
    std::string prefix;                // the project prefix ("ace")
    std::string mainPrefix;            // the folder above it in game paths ("z")
    std::vector<std::string> includes; // globs of files copied to the mod's root
    std::vector<std::string> excludes; // globs never packed
    std::vector<std::string> version;  // "key=value" of the [version] table, sorted
    std::vector<std::string> files;    // the settings files read, in reading order
    std::vector<std::string> warnings; // unknown keys, one line each

    // Every value above but the warnings as one text, for the cache.
    std::string Fingerprint() const;
};

// Reads the settings of the project folder: .hemtt/project.toml, then
// ostrel.toml; neither need exist. False with "FILE:LINE:COLUMN: message"
// when one cannot be read or parsed.
bool ReadSettings(const std::string& project, ProjectSettings& settings, std::string& error);
// Reads one settings text (path names it in messages) over settings.
bool ReadSettingsText(const std::string& text, const std::string& path, ProjectSettings& settings, std::string& error);
} // namespace modbuild
} // namespace cli
