// Outputs written under temporary names beside their final place and renamed
// into place only when complete: a single file (TempFile) or a folder built
// inside a hidden working folder (Staging).
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

namespace cli
{
// A file written as ".NAME.PID.part" plus the final extension, in the final
// file's folder (NAME shortened so that the whole stays within 255 bytes);
// removed unless committed. A link at the final name is replaced by the
// rename, never written through.
class TempFile
{
public:
    explicit TempFile(const std::string& finalPath);
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    const std::string& Path() const { return path; }
    // Creates the temporary file afresh (never through a link standing at
    // its name) holding exactly the bytes; false with a message.
    bool Write(const void* data, size_t size, std::string& error);
    // Renames the file into place; false (with a message) when it cannot or
    // when an interrupt has asked the command to stop.
    bool Commit(std::string& error);

private:
    std::string finalPath;
    std::string path;
    bool committed = false;
};

// Writes a whole file through a TempFile; false with a message.
bool WriteWholeFile(const std::string& path, const void* data, size_t size, std::string& error);

// A hidden working folder in the folder that will hold a result; removed with
// everything in it when the object goes.
class Staging
{
public:
    Staging() = default;
    ~Staging();
    Staging(const Staging&) = delete;
    Staging& operator=(const Staging&) = delete;

    // Creates the working folder beside destination; false with a message.
    bool Create(const std::filesystem::path& destination, std::string& error);
    const std::filesystem::path& Path() const { return path; }

private:
    std::filesystem::path path;
};

// Makes link name a file standing for target: a symbolic link, else a hard
// link, else a copy. False with a message.
bool LinkFile(const std::filesystem::path& target, const std::filesystem::path& link, std::string& error);

// Moves the finished folder built to its final place. A folder already there
// (the caller has decided it may go) is first moved into the staging folder,
// and put back when the move fails. False with a message.
bool ReplaceFolder(const std::filesystem::path& built, const std::filesystem::path& destination, const Staging& staging,
                   std::string& error);

// "PATH: REASON" for a failed file system call.
std::string Describe(const std::filesystem::path& path, const std::error_code& error);
} // namespace cli
