// The files copied to a mod folder beside its archives.

#include "ModFiles.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "Glob.h"
#include "frame/Text.h"

namespace fs = std::filesystem;

namespace cli
{
namespace modbuild
{
namespace
{
bool StartsWithNoCase(const std::string& text, const char* start)
{
    const size_t length = std::char_traits<char>::length(start);
    return text.size() >= length && text::LowerAscii(text.substr(0, length)) == text::LowerAscii(start);
}

bool IsFile(const fs::path& path)
{
    std::error_code code;
    return fs::is_regular_file(path, code);
}

// A relative path without any ".." folder, so nothing is read from or
// written outside the project and the mod folder.
bool StaysInside(const std::string& path)
{
    const fs::path relative(path);
    if (path.empty() || relative.is_absolute() || relative.has_root_name())
        return false;
    for (const fs::path& part : relative)
    {
        if (part == "..")
            return false;
    }
    return true;
}
} // namespace

std::vector<std::string> NamedImages(const std::string& text)
{
    std::vector<std::string> names;
    for (size_t open = text.find('"'); open != std::string::npos;)
    {
        const size_t close = text.find('"', open + 1);
        if (close == std::string::npos)
            break;
        std::string name = text.substr(open + 1, close - open - 1);
        for (char& c : name)
        {
            if (c == '\\')
                c = '/';
        }
        while (!name.empty() && name[0] == '/')
            name.erase(0, 1);
        for (const char* extension : {".paa", ".png", ".jpg", ".jpeg"})
        {
            if (text::EndsWithNoCase(name, extension))
            {
                names.push_back(name);
                break;
            }
        }
        open = text.find('"', close + 1);
    }
    return names;
}

std::vector<std::string> ModFileList(const std::string& project, const std::vector<std::string>& includes,
                                     const std::vector<std::string>& excludes)
{
    std::set<std::string> files;
    std::error_code code;
    for (fs::directory_iterator it(project, code), end; !code && it != end; it.increment(code))
    {
        const std::string name = it->path().filename().string();
        if (!IsFile(it->path()) || name[0] == '.')
            continue;
        const std::string lower = text::LowerAscii(name);
        if (lower == "mod.cpp" || lower == "meta.cpp" || StartsWithNoCase(name, "license") ||
            StartsWithNoCase(name, "readme"))
            files.insert(name);
        if (lower == "mod.cpp" || lower == "meta.cpp")
        {
            std::ifstream file(it->path(), std::ios::binary);
            const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
            for (const std::string& image : NamedImages(text))
            {
                if (StaysInside(image) && IsFile(fs::path(project) / image))
                    files.insert(image);
            }
        }
    }
    if (!includes.empty())
    {
        code.clear();
        for (fs::recursive_directory_iterator it(project, code), end; !code && it != end; it.increment(code))
        {
            const std::string relative = it->path().lexically_relative(project).generic_string();
            if (AnyGlobMatches(excludes, relative) || it->path().filename().string()[0] == '.')
            {
                if (it->is_directory(code))
                    it.disable_recursion_pending();
                continue;
            }
            for (const std::string& pattern : includes)
            {
                if (IsFile(it->path()) && GlobMatches(pattern, relative))
                    files.insert(relative);
            }
        }
    }
    return std::vector<std::string>(files.begin(), files.end());
}

bool CopyModFiles(const std::string& project, const std::vector<std::string>& files, const std::string& mod,
                  std::string& error)
{
    for (const std::string& file : files)
    {
        const fs::path to = fs::path(mod) / file;
        std::error_code code;
        fs::create_directories(to.parent_path(), code);
        if (!code)
            fs::copy_file(fs::path(project) / file, to, fs::copy_options::overwrite_existing, code);
        if (code)
        {
            error = to.string() + ": " + code.message();
            return false;
        }
    }
    return true;
}
} // namespace modbuild
} // namespace cli
