// File names of a patch run: program name, archive and output names, and
// the test whether two names lead to one file.

#include "Names.h"

#include <filesystem>
#include <system_error>

#include "frame/Text.h"

namespace names
{
const char* ProgramName(const char* argument0)
{
    // Windows accepts both separators as well.
    return argument0 ? text::AfterLastSeparator(argument0) : "patcher";
}

std::string ArchiveFile(const char* name)
{
    if (text::EqualNoCase(text::Extension(name), ".pbo"))
        return name;
    return std::string(name) + ".pbo";
}

std::string OutputFile(const char* name)
{
    const bool pbo = text::EqualNoCase(text::Extension(name), ".pbo");
    return (pbo ? text::WithoutExtension(name) : std::string(name)) + ".patched.pbo";
}

bool SameFile(const std::string& a, const std::string& b)
{
    // Archive names may carry backslashes; the library maps them to the
    // local separator before it opens a file, and so does this.
    std::error_code error;
    return std::filesystem::equivalent(text::LocalPath(a.c_str()), text::LocalPath(b.c_str()), error) && !error;
}
} // namespace names
