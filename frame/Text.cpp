// ASCII letter case and path text helpers for the library and its programs.

#include "Text.h"

#include <algorithm>
#include <cstring>

namespace ostrel_internal
{
namespace text
{
bool EqualNoCase(const char* a, const char* b)
{
    if (!a || !b)
        return a == b;
    for (; *a && *b; ++a, ++b)
    {
        if (Lower(*a) != Lower(*b))
            return false;
    }
    return *a == *b;
}

std::string LowerAscii(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), Lower);
    return text;
}

bool EndsWithNoCase(const std::string& text, const std::string& suffix)
{
    return text.size() >= suffix.size() && LowerAscii(text.substr(text.size() - suffix.size())) == LowerAscii(suffix);
}

const char* BaseName(const char* path)
{
    if (!path)
        return path;
    const char* back = std::strrchr(path, '\\');
    const char* slash = std::strrchr(path, '/');
    const char* cut = back ? back : slash;
    return cut ? cut + 1 : path;
}

const char* AfterLastSeparator(const char* path)
{
    const char* base = path;
    for (const char* p = path; p && *p; ++p)
    {
        if (*p == '\\' || *p == '/')
            base = p + 1;
    }
    return base;
}

const char* Extension(const char* path)
{
    const char* base = AfterLastSeparator(path);
    return base ? std::strrchr(base, '.') : nullptr;
}

std::string WithoutExtension(const std::string& path)
{
    const char* dot = Extension(path.c_str());
    return dot ? path.substr(0, static_cast<size_t>(dot - path.c_str())) : path;
}

std::string LowerExtension(const std::string& path)
{
    const char* dot = Extension(path.c_str());
    return dot ? LowerAscii(dot) : std::string();
}

std::string LocalPath(const char* path)
{
    std::string local = path ? path : "";
#if !defined(_WIN32)
    std::replace(local.begin(), local.end(), '\\', '/');
#endif
    return local;
}
} // namespace text
} // namespace ostrel_internal
