// Extraction of a whole archive into the folder beside it.

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_set>

#include "../frame/OwnedString.h"
#include "../frame/Platform.h"
#include "../frame/Text.h"
#include "FolderScan.h"
#include "Ostrel.h"
#include "PboErrors.h"

namespace
{
const char PrefixFileName[] = "$PBOPREFIX$";

bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

// A folder path that cannot name the folder of an archive: empty, ending in
// a separator, ending in "." or "..", or a bare drive. Removing such a folder
// would empty the archive's own folder, its parent or the current folder.
bool IsUnusableFolder(const char* folder)
{
    size_t length = std::strlen(folder);
    if (length == 0 || IsSeparator(folder[length - 1]))
        return true;
    if (length == 2 && folder[1] == ':')
        return true;
    size_t start = length;
    while (start > 0 && !IsSeparator(folder[start - 1]))
        --start;
    const char* last = folder + start;
    return std::strcmp(last, ".") == 0 || std::strcmp(last, "..") == 0;
}

// The entry name as a path below the extraction folder: "." steps and empty
// steps dropped, each ".." step taking back the step before it, separators
// written as "/". A trailing separator stays, so such a name still names no
// file. Answers 0, PboUnsafeName when the name is absolute, carries a drive,
// or climbs above the folder, or PboNoMemory. The result is never longer than
// the name.
int NormaliseEntryName(const char* name, OwnedString& normal)
{
    if (IsSeparator(name[0]))
        return PboUnsafeName;
    bool letter = (name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z');
    if (letter && name[1] == ':')
        return PboUnsafeName;
    if (!normal.Copy(name))
        return PboNoMemory;
    char* out = normal.Get();
    size_t length = 0;
    const char* part = name;
    for (;;)
    {
        const char* end = part;
        while (*end && !IsSeparator(*end))
            ++end;
        size_t partLength = static_cast<size_t>(end - part);
        if (partLength == 2 && part[0] == '.' && part[1] == '.')
        {
            if (length == 0)
                return PboUnsafeName;
            while (length > 0 && out[length - 1] != '/')
                --length;
            if (length > 0)
                --length;
        }
        else if (partLength != 0 && !(partLength == 1 && part[0] == '.'))
        {
            if (length > 0)
                out[length++] = '/';
            std::memcpy(out + length, part, partLength);
            length += partLength;
        }
        if (!*end)
        {
            if (length > 0 && end > name && IsSeparator(end[-1]))
                out[length++] = '/';
            out[length] = 0;
            return PboNoError;
        }
        part = end + 1;
    }
}

// The entry would be written as the prefix file at the top of the folder
// (dot steps do not hide it: ".\$PBOPREFIX$" and "sub\..\$PBOPREFIX$" are
// that file too).
bool IsPrefixFile(const char* name)
{
    OwnedString normal;
    return NormaliseEntryName(name, normal) == PboNoError && text::EqualNoCase(normal.Get(), PrefixFileName);
}

// The folders one extraction has made (or found) so far, so each is made
// once however many entries it holds. Set for the length of Extract on its
// thread; MakeFile called on its own makes every step again.
thread_local std::unordered_set<std::string>* madeFolders = nullptr;

class FolderCache
{
public:
    FolderCache() : previous(madeFolders) { madeFolders = &made; }
    ~FolderCache() { madeFolders = previous; }
    FolderCache(const FolderCache&) = delete;
    FolderCache& operator=(const FolderCache&) = delete;

private:
    std::unordered_set<std::string> made;
    std::unordered_set<std::string>* previous;
};

// Makes every folder along path (up to its last separator) that this
// extraction has not made yet; those that exist already are fine. Answers
// the error of the first folder that cannot be made, else 0. path is
// restored before it returns.
int MakeFoldersAlong(char* path)
{
    char* last = nullptr;
    for (char* c = path; *c; ++c)
    {
        if (IsSeparator(*c) && c != path)
            last = c;
    }
    if (!last)
        return 0;
    if (madeFolders)
    {
        char separator = *last;
        *last = 0;
        bool known = madeFolders->count(path) != 0;
        *last = separator;
        if (known)
            return 0;
    }
    char* c = path + (std::strlen(path) > 3 && path[1] == ':' ? 3 : 0);
    for (; c <= last; ++c)
    {
        if (!IsSeparator(*c) || c == path)
            continue;
        char separator = *c;
        *c = 0;
        int error = 0;
        if (!madeFolders || !madeFolders->count(path))
        {
            error = platform::MakeFolder(path);
            if ((error == 0 || error == EEXIST) && madeFolders)
                madeFolders->insert(path);
        }
        *c = separator;
        if (error != 0 && error != EEXIST)
            return error;
    }
    return 0;
}

// Writes all of data and closes the file; false when anything failed.
bool WriteAndClose(FILE* file, const void* data, size_t size)
{
    bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}
} // namespace

int Ostrel::ExtractPbo(const char* archivePath, ProgressCallback progress)
{
    OwnedString folder;
    callback = SilentProgress::Select(progress);
    if (!archivePath || !folder.Copy(archivePath))
        return errorCode = PboNoFile;
    char* dot = std::strrchr(folder.Get(), '.');
    if (dot)
    {
        if (!text::EqualNoCase(dot, ".pbo"))
            return errorCode = PboNoFile;
        *dot = 0;
    }
    if (IsUnusableFolder(folder.Get()))
        return errorCode = PboNoFile;

    if (!RemoveFolders(folder.Get()))
    {
        callback("%s\r\n", platform::ErrorText(platform::LastError()));
        return errorCode = PboCannotRemoveFolder;
    }
    int opened = OpenPbo(archivePath, callback);
    if (opened != 0)
        return opened;

    if (info.productType && text::EqualNoCase(info.productType, "prefix"))
    {
        callback("Creating prefix file for %s\r\n", GetProductName());
        callback("--------------------\r\n");
        platform::MakeFolder(folder.Get());
        OwnedString path;
        FILE* file = nullptr;
        if (OwnedString::FormatString(path, "%s\\%s", folder.Get(), PrefixFileName))
            file = platform::CreateFileNoFollow(path.Get());
        const char* name = GetProductName();
        if (!file || !WriteAndClose(file, name, std::strlen(name)))
        {
            int error = platform::LastError();
            ClosePbo();
            callback("cannot create prefix file %s\r\n", platform::ErrorText(error));
            return errorCode = PboNoFile;
        }
    }

    int result = Extract(folder.Get());
    ClosePbo();
    return errorCode = result;
}

bool Ostrel::RemoveFolders(const char* folder)
{
    // A link standing where the folder should be is removed itself; what it
    // points to is never listed. Links further down are listed as files.
    if (platform::IsLink(folder))
        return platform::DeleteFile(folder) == 0;
    FolderScan scan;
    int started = scan.Start(folder);
    // Only a folder that is not there is nothing to delete; one that cannot
    // be listed (no permission, no file handles left) may hold anything, and
    // extracting into it could write through what it holds.
    if (started == -1)
        return platform::IsMissing(platform::LastError());
    if (started == 1)
    {
        // Recursion depth is bounded by the longest path the system accepts:
        // deeper folders cannot be listed and so are never entered.
        do
        {
            // Paths are joined and mapped with backslashes, so a name that
            // holds one (possible on POSIX) would address some other item,
            // even one outside the folder: it is left, and the folder stays.
            if (std::strchr(scan.Name(), '\\'))
            {
                errno = EINVAL;
                return false;
            }
            OwnedString child;
            if (!OwnedString::FormatString(child, "%s\\%s", folder, scan.Name()))
                return false;
            bool removed = scan.IsFolder() ? RemoveFolders(child.Get()) : platform::DeleteFile(child.Get()) == 0;
            if (!removed)
                return false;
        } while (scan.Next());
    }
    scan.End();
    return platform::RemoveFolder(folder) == 0;
}

int Ostrel::Extract(const char* folder)
{
    FolderCache made;
    for (pbo_entry* entry = firstEntry; entry; entry = entry->next)
    {
        const char* name = entry->name ? entry->name : "";
        if (!callback("%s\r\n", name))
            return errorCode = PboCancelled;
        if (IsPrefixFile(name))
        {
            callback("...ignoring\r\n");
            continue;
        }
        if (MakeFile(folder, entry) != 0)
            return errorCode;
    }
    return 0;
}

int Ostrel::MakeFile(const char* folder, pbo_entry* entry)
{
    if (!entry->name || !entry->name[0])
        return errorCode = PboNoFile;
    OwnedString normal;
    if (int refused = NormaliseEntryName(entry->name, normal))
        return errorCode = refused;
    // Nothing left of the name ("." or "a\..") names no file.
    if (!normal.Get()[0])
        return errorCode = PboNoFile;

    // Only the entry's own part maps "*" to "z" (stored names keep "***" for
    // a "zzz" extension); the folder is used as given. Separators stay as
    // they are: the platform layer maps them for the system.
    OwnedString path;
    if (!OwnedString::FormatString(path, "%s/%s", folder, normal.Get()))
        return errorCode = PboNoMemory;
    char* full = path.Get();
    size_t nameStart = std::strlen(folder) + 1;
    for (char* c = full + nameStart; *c; ++c)
    {
        if (*c == '*')
            *c = 'z';
    }

    if (MakeFoldersAlong(full) != 0)
        return errorCode = PboCannotMakeFolder;

    // A stored entry whose bytes are all in the archive goes from the archive
    // to its file in one copy (the system's own where it can), never through
    // a block of this process. Anything else (packed, cut short, already
    // loaded, too large to load) is loaded and written, and fails as a load.
    FILE* archive = stream.InputFile();
    const uint64_t begin = static_cast<uint64_t>(static_cast<uint32_t>(dataStart)) + entry->dataOffset;
    if (archive && !entry->compressed && !entry->data && entry->dataSize <= static_cast<uint32_t>(INT32_MAX) &&
        begin <= stream.FileSize() && entry->dataSize <= stream.FileSize() - begin)
        return errorCode = platform::WriteFileFrom(full, archive, begin, entry->dataSize) == 0 ? PboNoError : PboNoFile;

    // A link standing at the path is never written through.
    FILE* file = platform::CreateFileNoFollow(full);
    if (!file)
        return errorCode = PboNoFile;
    int size = GetBinData(entry, false);
    if (size < 0)
    {
        std::fclose(file);
        return errorCode;
    }
    bool written = WriteAndClose(file, entry->data, static_cast<size_t>(size));
    FreeData(entry);
    return errorCode = written ? PboNoError : PboNoFile;
}
