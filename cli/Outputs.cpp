// Temporary files and working folders renamed into place when complete.

#include "Outputs.h"

#include <cerrno>
#include <fcntl.h>
#include <system_error>
#if defined(_WIN32)
#include <io.h>
#include <process.h>
#include <sys/stat.h>
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

namespace
{
// Longest file name the common file systems hold, in bytes.
const size_t NameLimit = 255;

// The first bytes of text, at most limit, not cutting a UTF-8 sequence.
std::string Truncated(const std::string& text, size_t limit)
{
    if (text.size() <= limit)
        return text;
    size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

// A new file for writing only; an item already at the name (a link
// included) makes it fail. -1 with errno set.
int CreateExclusive(const std::string& path)
{
#if defined(_WIN32)
    return _wopen(fs::path(path).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
#else
    return open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
#endif
}

bool WriteAll(int file, const unsigned char* data, size_t size)
{
    while (size > 0)
    {
        const unsigned chunk = static_cast<unsigned>(size < (1u << 30) ? size : (1u << 30));
#if defined(_WIN32)
        const int written = _write(file, data, chunk);
#else
        const ssize_t written = write(file, data, chunk);
#endif
        if (written < 0 && errno == EINTR && !interrupt::Requested())
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}
} // namespace

TempFile::TempFile(const std::string& finalPath) : finalPath(finalPath)
{
    const fs::path target(finalPath);
    std::string extension = target.extension().string();
    std::string suffix = "." + Pid() + ".part" + extension;
    if (1 + suffix.size() >= NameLimit)
        suffix = "." + Pid() + ".part";
    const std::string name = "." + Truncated(target.filename().string(), NameLimit - 1 - suffix.size()) + suffix;
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

bool TempFile::Write(const void* data, size_t size, std::string& error)
{
    int file = CreateExclusive(path);
    if (file < 0 && errno == EEXIST)
    {
        // Left by an earlier run of the same process number: removing the
        // name removes a link there, never what it points to.
        std::error_code ignored;
        fs::remove(path, ignored);
        file = CreateExclusive(path);
    }
    if (file < 0)
    {
        error = Describe(path, std::error_code(errno, std::generic_category()));
        return false;
    }
    bool written = WriteAll(file, static_cast<const unsigned char*>(data), size);
    const int failure = written ? 0 : errno;
#if defined(_WIN32)
    written = _close(file) == 0 && written;
#else
    written = close(file) == 0 && written;
#endif
    if (!written)
    {
        const int code = failure ? failure : errno ? errno : EIO;
        error = Describe(finalPath, std::error_code(code, std::generic_category()));
        std::error_code ignored;
        fs::remove(path, ignored);
        return false;
    }
    return true;
}

bool TempFile::Commit(std::string& error)
{
    if (interrupt::Requested())
    {
        error = finalPath + ": not written, interrupted";
        return false;
    }
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

bool WriteWholeFile(const std::string& path, const void* data, size_t size, std::string& error)
{
    TempFile temp(path);
    return temp.Write(data, size, error) && temp.Commit(error);
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
    if (interrupt::Requested())
    {
        error = destination.string() + ": not written, interrupted";
        return false;
    }
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
