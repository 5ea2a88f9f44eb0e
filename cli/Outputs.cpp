// Temporary files and working folders renamed into place when complete.

#include "Outputs.h"

#if defined(_WIN32)
#include <process.h>
#define getpid _getpid
#else
#include <unistd.h>
#endif

#include "Interrupt.h"

namespace fs = std::filesystem;

namespace cli
{
namespace
{
std::string Pid()
{
    return std::to_string(static_cast<long>(getpid()));
}

fs::path FolderOf(const fs::path& path)
{
    const fs::path parent = path.parent_path();
    return parent.empty() ? fs::path(".") : parent;
}
} // namespace

std::string Describe(const fs::path& path, const std::error_code& error)
{
    return path.string() + ": " + error.message();
}

TempFile::TempFile(const std::string& finalPath) : finalPath(finalPath)
{
    const fs::path target(finalPath);
    const std::string name = "." + target.filename().string() + "." + Pid() + ".part" + target.extension().string();
    path = (target.parent_path() / name).string();
    interrupt::Guard(path.c_str());
}

TempFile::~TempFile()
{
    interrupt::Guard(nullptr);
    if (!committed)
    {
        std::error_code ignored;
        fs::remove(path, ignored);
    }
}

bool TempFile::Commit(std::string& error)
{
    std::error_code code;
    fs::rename(path, finalPath, code);
    if (code)
    {
        error = Describe(finalPath, code);
        return false;
    }
    committed = true;
    interrupt::Guard(nullptr);
    return true;
}

Staging::~Staging()
{
    if (!path.empty())
    {
        // remove_all removes symbolic links themselves, never what they
        // point to.
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
}

bool Staging::Create(const fs::path& destination, std::string& error)
{
    const fs::path folder = FolderOf(destination);
    for (int attempt = 0; attempt < 100; ++attempt)
    {
        fs::path candidate = folder / (".ostrel-" + Pid() + "-" + std::to_string(attempt));
        std::error_code code;
        if (fs::create_directory(candidate, code))
        {
            path = candidate;
            return true;
        }
        if (code)
        {
            error = Describe(candidate, code);
            return false;
        }
    }
    error = folder.string() + ": cannot create a working folder";
    return false;
}

bool LinkFile(const fs::path& target, const fs::path& link, std::string& error)
{
    std::error_code code;
    const fs::path absolute = fs::absolute(target, code);
    if (!code)
        fs::create_symlink(absolute, link, code);
    if (code)
    {
        code.clear();
        fs::create_hard_link(target, link, code);
    }
    if (code)
    {
        code.clear();
        fs::copy_file(target, link, code);
    }
    if (code)
    {
        error = Describe(target, code);
        return false;
    }
    return true;
}

bool ReplaceFolder(const fs::path& built, const fs::path& destination, const Staging& staging, std::string& error)
{
    std::error_code code;
    const fs::path old = staging.Path() / "previous";
    const bool existed = fs::symlink_status(destination, code).type() != fs::file_type::not_found;
    code.clear();
    if (existed)
    {
        fs::rename(destination, old, code);
        if (code)
        {
            error = Describe(destination, code);
            return false;
        }
    }
    fs::rename(built, destination, code);
    if (code)
    {
        error = Describe(destination, code);
        if (existed)
        {
            std::error_code ignored;
            fs::rename(old, destination, ignored);
        }
        return false;
    }
    return true;
}
} // namespace cli
