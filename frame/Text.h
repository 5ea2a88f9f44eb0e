#pragma once

#include <cstddef>

// Small text helpers shared by the format code (ASCII case rules only).
namespace text
{
inline char Lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
}

// Equal ignoring ASCII letter case; null equals only null.
bool EqualNoCase(const char* a, const char* b);
// Last path component after a backslash or slash.
const char* BaseName(const char* path);
} // namespace text
