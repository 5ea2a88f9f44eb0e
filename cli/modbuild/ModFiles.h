// The files of a mod folder beside its archives: mod.cpp and meta.cpp with
// the logo files they name, LICENSE* and README* of the project root, and
// the files the settings include.
#pragma once

#include <string>
#include <vector>

namespace cli
{
namespace modbuild
{
// The files (relative to the project, '/' separated) copied to the mod
// folder at the same relative place, sorted.
std::vector<std::string> ModFileList(const std::string& project, const std::vector<std::string>& includes,
                                     const std::vector<std::string>& excludes);
// The quoted file names of an image kind (.paa, .png, .jpg, .jpeg) in a
// mod.cpp or meta.cpp text, with '\' turned into '/'.
std::vector<std::string> NamedImages(const std::string& text);
// Copies them into the mod folder; false with a message.
bool CopyModFiles(const std::string& project, const std::vector<std::string>& files, const std::string& mod,
                  std::string& error);
} // namespace modbuild
} // namespace cli
