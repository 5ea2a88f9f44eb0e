// Addon prefix files ($PBOPREFIX$ and its other names): the one reader used by
// the archive builder and by the config compiler's game-path mounts.
#pragma once

#include <cstddef>
#include <string>

#include "Export.h"

namespace ostrel_internal
{
namespace prefixfile
{
// The names a prefix file goes by, in the order they are looked for.
extern const char* const Names[4];
// The prefix held by a prefix file's text: its first line, or the value of a
// "prefix=" line when the text is made of key=value lines. Blanks around it
// are dropped. False when there is none.
OSTREL_API bool ParsePrefixText(const char* text, size_t length, std::string& prefix);
// Reads the prefix file at path (at most its first 64 KiB).
OSTREL_API bool ReadPrefixFile(const char* path, std::string& prefix);
// The prefix of a folder: the first of Names it holds (letter case ignored on
// systems that keep it), read with ReadPrefixFile.
OSTREL_API bool ReadFolderPrefix(const std::string& folder, std::string& prefix);
} // namespace prefixfile
} // namespace ostrel_internal
