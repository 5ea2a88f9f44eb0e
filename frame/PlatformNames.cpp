// Path and name rules of the platform layer that need no system call: the
// form of temporary names and the test whether a resolved path lies below
// another.

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "Platform.h"
#include "Text.h"

namespace platform
{
namespace
{
// ".ost" + eight hexadecimal digits + ".tmp": sixteen bytes, whatever the
// final name's length.
const char TemporaryStart[] = ".ost";
const char TemporaryEnd[] = ".tmp";
const size_t TemporaryDigits = 8;

#if defined(_WIN32)
const char Separator = '\\';
#else
const char Separator = '/';
#endif

bool IsSeparator(char c)
{
    return c == Separator || c == '/';
}
} // namespace

FILE* CreateTemporaryBeside(const char* target, const char* mode, std::string& temporary)
{
    if (!target || !*target || !mode || mode[0] != 'w')
    {
        errno = EINVAL;
        return nullptr;
    }
    // What stands at the name is replaced at the end: a file or a link may be,
    // a folder, a pipe or a device may not.
    if (int error = ReplaceableError(target))
    {
        errno = error;
        return nullptr;
    }
    std::string folder = target;
    size_t cut = folder.size();
    while (cut > 0 && !IsSeparator(folder[cut - 1]) && folder[cut - 1] != '\\')
        --cut;
    folder.erase(cut);
    // Names in use (left by other processes) are passed over.
    static std::atomic<uint32_t> counter(ProcessNumber() * 2654435761u);
    for (int attempt = 0; attempt < 100; ++attempt)
    {
        std::string name = folder + TemporaryName(counter.fetch_add(0x9E3779B9u) + 0x9E3779B9u);
        if (FILE* file = OpenNewFile(name.c_str(), mode))
        {
            temporary = name;
            return file;
        }
        if (errno != EEXIST)
            return nullptr;
    }
    errno = EEXIST;
    return nullptr;
}

std::string TemporaryName(uint32_t number)
{
    char name[sizeof TemporaryStart + TemporaryDigits + sizeof TemporaryEnd];
    std::snprintf(name, sizeof name, "%s%08lx%s", TemporaryStart, static_cast<unsigned long>(number), TemporaryEnd);
    return name;
}

bool IsTemporaryName(const char* name)
{
    const size_t start = sizeof TemporaryStart - 1;
    if (!name || std::strlen(name) != start + TemporaryDigits + sizeof TemporaryEnd - 1 ||
        std::strncmp(name, TemporaryStart, start) != 0 ||
        std::strcmp(name + start + TemporaryDigits, TemporaryEnd) != 0)
        return false;
    return std::strspn(name + start, "0123456789abcdef") >= TemporaryDigits;
}

bool ResolveTarget(const char* path, std::string& resolved)
{
    if (ResolvePath(path, resolved))
        return true;
    if (!path || !*path)
        return false;
    std::string local = LocalPath(path);
    size_t cut = local.size();
    while (cut > 0 && !IsSeparator(local[cut - 1]))
        --cut;
    std::string name = local.substr(cut);
    if (name.empty() || name == "." || name == "..")
        return false;
    std::string folder = cut == 0 ? "." : local.substr(0, cut);
    if (!ResolvePath(folder.c_str(), resolved))
        return false;
    if (resolved.empty() || !IsSeparator(resolved.back()))
        resolved += Separator;
    resolved += name;
    return true;
}

bool IsWithin(const std::string& resolved, const std::string& root)
{
    size_t keep = root.size();
    while (keep > 0 && IsSeparator(root[keep - 1]))
        --keep;
    if (resolved.size() < keep)
        return false;
#if defined(_WIN32)
    // Names compare as the file system compares them: without regard to case.
    std::string head = resolved.substr(0, keep);
    if (!text::EqualNoCase(head.c_str(), root.substr(0, keep).c_str()))
        return false;
#else
    if (resolved.compare(0, keep, root, 0, keep) != 0)
        return false;
#endif
    return resolved.size() == keep || IsSeparator(resolved[keep]);
}

} // namespace platform
