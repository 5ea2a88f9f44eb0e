// Temporary folders and whole-file reads and writes for the tests.

#include "TempDir.h"

#include "frame/Platform.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace testsupport
{
TempDir::TempDir()
{
    // A random name under the system's temporary folder; creating the folder
    // fails for a name already taken, so no two objects ever share one.
    static std::mt19937_64 generator{std::random_device{}()};
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt)
    {
        char name[40];
        std::snprintf(name, sizeof name, "ostrel-test-%016llx", static_cast<unsigned long long>(generator()));
        std::error_code error;
        if (std::filesystem::create_directory(base / name, error))
        {
            path = (base / name).string();
            return;
        }
    }
    std::abort();
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

std::string TempDir::Put(const std::string& name, const Bytes& bytes) const
{
    const std::string item = Path(name);
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(item).parent_path(), ignored);
    WriteFile(item, bytes);
    return item;
}

std::string TempDir::Put(const std::string& name, const std::string& text) const
{
    return Put(name, Bytes(text.begin(), text.end()));
}

Bytes TempDir::Read(const std::string& name) const
{
    return ReadFile(Path(name));
}

std::string TempDir::Text(const std::string& name) const
{
    return ReadText(Path(name));
}

bool TempDir::Exists(const std::string& name) const
{
    return FileExists(Path(name));
}

std::vector<std::string> TempDir::Listing(const std::string& folder) const
{
    return testsupport::Listing(folder.empty() ? path : Path(folder));
}

Bytes ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string ReadText(const std::string& path)
{
    const Bytes bytes = ReadFile(path);
    return std::string(bytes.begin(), bytes.end());
}

void WriteFile(const std::string& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void WriteFile(const std::string& path, const std::string& text)
{
    WriteFile(path, Bytes(text.begin(), text.end()));
}

void Hide(const std::string& path)
{
#if defined(_WIN32)
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
        SetFileAttributesA(path.c_str(), attributes | FILE_ATTRIBUTE_HIDDEN);
#else
    (void)path;
#endif
}

bool FileExists(const std::string& path)
{
    std::error_code ignored;
    return std::filesystem::exists(std::filesystem::symlink_status(path, ignored));
}

std::vector<std::string> Listing(const std::string& folder)
{
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator item(folder, error), end; !error && item != end; item.increment(error))
        names.push_back(item->path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

bool NoTemporaryFiles(const std::string& folder)
{
    for (const auto& item : std::filesystem::directory_iterator(folder))
    {
        if (platform::IsTemporaryName(item.path().filename().string().c_str()))
            return false;
    }
    return true;
}
} // namespace testsupport
