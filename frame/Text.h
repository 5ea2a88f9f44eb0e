#pragma once

// Small text helpers shared by the format code (ASCII case rules only).
#include <cstddef>

#include "Export.h"

namespace ostrel_internal
{
namespace text
{
// Equal ignoring ASCII letter case; null equals only null. Exported for the
// texture codec: internal to Ostrel's own programs, not public interface.
OSTREL_API bool EqualNoCase(const char* a, const char* b);
} // namespace text
} // namespace ostrel_internal

namespace text
{
inline char Lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
}

using ostrel_internal::text::EqualNoCase;
// Last path component after a backslash or slash.
const char* BaseName(const char* path);
} // namespace text
