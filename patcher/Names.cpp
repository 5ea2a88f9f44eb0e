#include "Names.h"

#include <cstring>
#include <filesystem>
#include <system_error>

namespace
{
// Archive names may carry backslashes; the library maps them to the local
// separator before it opens a file, and so does this.
std::filesystem::path LocalPath(const std::string& name)
{
#if defined(_WIN32)
    return std::filesystem::path(name);
#else
    std::string local = name;
    for (char& c : local)
    {
        if (c == '\\')
            c = '/';
    }
    return std::filesystem::path(local);
#endif
}
} // namespace

namespace names
{
bool EqualNoCase(const char* a, const char* b)
{
    for (; *a && *b; ++a, ++b)
    {
        char x = (*a >= 'A' && *a <= 'Z') ? static_cast<char>(*a - 'A' + 'a') : *a;
        char y = (*b >= 'A' && *b <= 'Z') ? static_cast<char>(*b - 'A' + 'a') : *b;
        if (x != y)
            return false;
    }
    return *a == *b;
}

const char* ProgramName(const char* argument0)
{
    if (!argument0)
        return "patcher";
    const char* name = argument0;
    for (const char* c = argument0; *c; ++c)
    {
        // Windows accepts both separators as well.
        if (*c == '\\' || *c == '/')
            name = c + 1;
    }
    return name;
}

std::string ArchiveFile(const char* name)
{
    const char* dot = std::strrchr(name, '.');
    if (dot && EqualNoCase(dot + 1, "pbo"))
        return name;
    return std::string(name) + ".pbo";
}

std::string OutputFile(const char* name)
{
    std::string output = name;
    const char* dot = std::strrchr(name, '.');
    if (dot && EqualNoCase(dot, ".pbo"))
        output.resize(static_cast<size_t>(dot - name));
    return output + ".patched.pbo";
}

std::string BaseName(const std::string& path)
{
    const size_t separator = path.find_last_of("\\/");
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

bool SameFile(const std::string& a, const std::string& b)
{
    std::error_code error;
    return std::filesystem::equivalent(LocalPath(a), LocalPath(b), error) && !error;
}
} // namespace names
