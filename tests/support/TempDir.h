#pragma once

#include <string>
#include <vector>

namespace testsupport
{
// A fresh folder under the system temporary folder, removed with everything
// in it when the object goes.
class TempDir
{
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return path; }
    // Path of name inside the folder, joined with the system's separator.
    std::string File(const std::string& name) const { return path + Separator + name; }

#if defined(_WIN32)
    static constexpr char Separator = '\\';
#else
    static constexpr char Separator = '/';
#endif

private:
    std::string path;
};

using Bytes = std::vector<unsigned char>;

Bytes ReadFile(const std::string& path);
void WriteFile(const std::string& path, const Bytes& bytes);
void WriteFile(const std::string& path, const std::string& text);
bool FileExists(const std::string& path);
// The folder holds no file with the library's temporary names.
bool NoTemporaryFiles(const std::string& folder);
// Gives a file or folder whose name starts with "." the hidden attribute on
// Windows, where the name alone does not hide it; on POSIX the dot does.
void Hide(const std::string& path);
} // namespace testsupport
