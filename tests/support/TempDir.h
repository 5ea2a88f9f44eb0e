// The tests' one temporary folder: a fresh folder that goes with everything
// in it, and the file reads, writes and listings the tests make inside it.
#pragma once

#include <string>
#include <vector>

namespace testsupport
{
using Bytes = std::vector<unsigned char>;

// A fresh folder under the system temporary folder, removed with everything
// in it when the object goes. Item names may hold '/' to reach below it.
class TempDir
{
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return path; }
    // Path of an item inside the folder, joined with the system's separator.
    std::string Path(const std::string& name) const { return path + Separator + name; }
    // Writes the item (making the folders above it) and answers its path.
    std::string Put(const std::string& name, const Bytes& bytes) const;
    std::string Put(const std::string& name, const std::string& text) const;
    Bytes Read(const std::string& name) const;
    std::string Text(const std::string& name) const;
    bool Exists(const std::string& name) const;
    // Names directly inside the folder or one of its folders, sorted.
    std::vector<std::string> Listing(const std::string& folder = "") const;

#if defined(_WIN32)
    static constexpr char Separator = '\\';
#else
    static constexpr char Separator = '/';
#endif

private:
    std::string path;
};

Bytes ReadFile(const std::string& path);
std::string ReadText(const std::string& path);
void WriteFile(const std::string& path, const Bytes& bytes);
void WriteFile(const std::string& path, const std::string& text);
// True for anything at the path, a dangling link included.
bool FileExists(const std::string& path);
// Names directly inside a folder, sorted; hidden ones included.
std::vector<std::string> Listing(const std::string& folder);
// The folder holds no file with the library's temporary names.
bool NoTemporaryFiles(const std::string& folder);
// Gives a file or folder whose name starts with "." the hidden attribute on
// Windows, where the name alone does not hide it; on POSIX the dot does.
void Hide(const std::string& path);
} // namespace testsupport
