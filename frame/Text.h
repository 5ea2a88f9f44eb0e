// ASCII letter case and path text helpers (base name, extension, local path)
// shared by the format code, the programs and the texture codec.
#pragma once

#include <string>

#include "Export.h"

// Internal to Ostrel's own programs and codec, not part of the public
// interface: exported only so that every program calls the library's copy.
namespace ostrel_internal
{
namespace text
{
inline char Lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
}

// Equal ignoring ASCII letter case; null equals only null.
OSTREL_API bool EqualNoCase(const char* a, const char* b);
// The text with ASCII capitals made small; other bytes stay.
OSTREL_API std::string LowerAscii(std::string text);
// The text ends in suffix, ASCII letter case ignored.
OSTREL_API bool EndsWithNoCase(const std::string& text, const std::string& suffix);

// The text after the last backslash; in a path without one, after the last
// slash ("a\b/c" gives "b/c"). Null stays null. The name the config
// compiler and decoder give a file.
OSTREL_API const char* BaseName(const char* path);
// The text after the last backslash or slash, whichever comes last ("a\b/c"
// gives "c"). Null stays null.
OSTREL_API const char* AfterLastSeparator(const char* path);
// The last dot of AfterLastSeparator(path) and what follows it; null when
// that part has no dot (or path is null).
OSTREL_API const char* Extension(const char* path);
// The path without its Extension.
OSTREL_API std::string WithoutExtension(const std::string& path);
// The Extension in ASCII lower case, with its dot; empty when there is none.
OSTREL_API std::string LowerExtension(const std::string& path);

// The path with every backslash turned into the local separator (on
// Windows, as it is); null gives an empty path.
OSTREL_API std::string LocalPath(const char* path);
} // namespace text
} // namespace ostrel_internal

// The library's own code calls these as text::...
namespace text = ostrel_internal::text;
