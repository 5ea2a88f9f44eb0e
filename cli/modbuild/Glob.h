// Glob patterns of the build's excludes and includes over paths relative to
// the project, with '/' between folders.
#pragma once

#include <string>
#include <vector>

namespace cli
{
namespace modbuild
{
// ASCII letter case is ignored. '*' matches within one folder name, '**'
// across folders, '?' one character but '/'. A pattern without '/' matches
// the name of any file or folder at any depth; one with '/' the whole path
// (a leading "/" or "./" is dropped).
bool GlobMatches(const std::string& pattern, const std::string& path);
// The path, or a folder above it, matches one of the patterns.
bool AnyGlobMatches(const std::vector<std::string>& patterns, const std::string& path);
} // namespace modbuild
} // namespace cli
