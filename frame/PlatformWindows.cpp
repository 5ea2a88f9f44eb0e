// Windows side of the platform layer: the C runtime's file, find and folder
// services. Paths are passed on as given, backslashes and all.

// The system's headers come first: they define DeleteFile and ReplaceFile as
// macros, undone before the layer's own names are declared.
#include <windows.h>
#undef DeleteFile
#undef ReplaceFile

#include <direct.h>
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <vector>

#include "ListingOrder.h"
#include "Platform.h"

namespace platform
{
namespace
{
// Attribute of a symbolic link or junction in a find record.
const unsigned AttrReparsePoint = 0x400;

bool HasWildcard(const char* path)
{
    return std::strpbrk(path, "*?") != nullptr;
}

// The find record of one existing path (no wildcards), without opening it.
bool FindOne(const char* path, __finddata64_t& item)
{
    if (!path || !*path || HasWildcard(path))
        return false;
    intptr_t handle = _findfirst64(path, &item);
    if (handle == -1)
        return false;
    _findclose(handle);
    return true;
}

bool IsDotName(const char* name)
{
    return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

void Describe(const __finddata64_t& item, FindRecord& record)
{
    record = FindRecord();
    record.attrib = item.attrib;
    // A link is never entered as a folder: it is listed as a file.
    if (item.attrib & AttrReparsePoint)
        record.attrib &= ~static_cast<unsigned>(AttrFolder);
    record.timeCreate = static_cast<int32_t>(item.time_create);
    record.timeAccess = static_cast<int32_t>(item.time_access);
    record.timeWrite = static_cast<int32_t>(item.time_write);
    record.size = static_cast<uint32_t>(item.size);
    static_assert(sizeof record.name == sizeof item.name, "find records hold names of the same length");
    std::memcpy(record.name, item.name, sizeof record.name);
    record.name[sizeof record.name - 1] = 0;
}

struct Listing
{
    std::vector<FindRecord> items;
    size_t next = 0;
};

// Open listings by handle, per thread, as on POSIX.
thread_local std::map<intptr_t, std::unique_ptr<Listing>> listings;
thread_local intptr_t nextHandle = 1;
} // namespace

FILE* OpenFile(const char* path, const char* mode)
{
    if (!path || !mode)
        return nullptr;
    return std::fopen(path, mode);
}

FILE* CreateFileNoFollow(const char* path)
{
    // A link or junction standing at the path is refused, never written through.
    if (!path || IsLink(path))
    {
        errno = EEXIST;
        return nullptr;
    }
    return std::fopen(path, "wb");
}

int ReplaceableError(const char* target)
{
    __finddata64_t item;
    return FindOne(target, item) && (item.attrib & AttrFolder) && !(item.attrib & AttrReparsePoint) ? EISDIR : 0;
}

FILE* OpenNewFile(const char* path, const char* mode)
{
    // A new file only: an item of any kind (a link too) already at the name
    // makes the open fail.
    const int access = std::strchr(mode, '+') ? _O_RDWR : _O_WRONLY;
    int fd = _open(path, _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT | access, _S_IREAD | _S_IWRITE);
    FILE* file = fd < 0 ? nullptr : _fdopen(fd, mode);
    if (!file && fd >= 0)
    {
        int error = errno;
        _close(fd);
        std::remove(path);
        errno = error;
    }
    return file;
}

uint32_t ProcessNumber()
{
    return static_cast<uint32_t>(_getpid());
}

bool ResolvePath(const char* path, std::string& resolved)
{
    if (!path || !*path)
        return false;
    // The handle's final path has every link and junction resolved.
    HANDLE handle = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    char buffer[MAX_PATH * 4];
    DWORD length = GetFinalPathNameByHandleA(handle, buffer, sizeof buffer, FILE_NAME_NORMALIZED);
    CloseHandle(handle);
    if (length == 0 || length >= sizeof buffer)
        return false;
    resolved.assign(buffer, length);
    // "\\?\C:\..." for a drive, "\\?\UNC\server\..." for a share.
    if (resolved.compare(0, 8, "\\\\?\\UNC\\") == 0)
        resolved = "\\" + resolved.substr(7);
    else if (resolved.compare(0, 4, "\\\\?\\") == 0)
        resolved.erase(0, 4);
    return true;
}

bool SeekTo(FILE* file, uint64_t offset)
{
    if (!file || offset > static_cast<uint64_t>(INT64_MAX))
        return false;
    return _fseeki64(file, static_cast<__int64>(offset), SEEK_SET) == 0;
}

bool SeekEnd(FILE* file)
{
    return file && _fseeki64(file, 0, SEEK_END) == 0;
}

int64_t TellOf(FILE* file)
{
    return file ? static_cast<int64_t>(_ftelli64(file)) : -1;
}

namespace
{
// Block the copies here go through: the C runtime has no copy between files.
const size_t CopyBlockSize = 1u << 20;

// size bytes of from at offset appended to to; from's position is put back.
int CopyThroughBlock(FILE* from, uint64_t offset, FILE* to, uint64_t size)
{
    const __int64 kept = _ftelli64(from);
    std::unique_ptr<unsigned char[]> block(new (std::nothrow) unsigned char[CopyBlockSize]);
    if (!block)
        return ENOMEM;
    if (!SeekTo(from, offset))
        return errno ? errno : EIO;
    int error = 0;
    while (size && !error)
    {
        size_t piece = size < CopyBlockSize ? static_cast<size_t>(size) : CopyBlockSize;
        if (std::fread(block.get(), 1, piece, from) != piece)
            error = EIO;
        else if (std::fwrite(block.get(), 1, piece, to) != piece)
            error = errno ? errno : EIO;
        size -= piece;
    }
    if (kept >= 0)
        _fseeki64(from, kept, SEEK_SET);
    return error;
}
} // namespace

void AllowSystemCopy(bool)
{
    // Every copy here goes through a block.
}

bool SizeOf(FILE* file, uint64_t& size)
{
    struct _stat64 st;
    if (!file || _fstat64(_fileno(file), &st) != 0)
        return false;
    size = static_cast<uint64_t>(st.st_size);
    return true;
}

int CopyRange(FILE* from, uint64_t fromOffset, FILE* to, uint64_t size)
{
    if (!from || !to)
        return EINVAL;
    return CopyThroughBlock(from, fromOffset, to, size);
}

bool FindFileSize(const char* path, uint64_t& size)
{
    __finddata64_t item;
    if (!FindOne(path, item) || (item.attrib & AttrFolder))
        return false;
    size = static_cast<uint64_t>(item.size);
    return true;
}

// The runtime lists a folder in the order the file system keeps; the items are
// read in full and delivered in the order every platform uses, "." and ".."
// first.
intptr_t FindFirst(const char* pattern, FindRecord& record)
{
    if (!pattern)
        return -1;
    __finddata64_t item;
    intptr_t found = _findfirst64(pattern, &item);
    if (found == -1)
        return -1;
    std::vector<FindRecord> dots, others;
    do
    {
        FindRecord described;
        Describe(item, described);
        (IsDotName(item.name) ? dots : others).push_back(described);
    } while (_findnext64(found, &item) == 0);
    _findclose(found);
    std::sort(others.begin(), others.end(),
              [](const FindRecord& a, const FindRecord& b) { return ListsBefore(a.name, b.name); });
    std::sort(dots.begin(), dots.end(),
              [](const FindRecord& a, const FindRecord& b) { return std::strlen(a.name) < std::strlen(b.name); });

    auto listing = std::make_unique<Listing>();
    listing->items = std::move(dots);
    listing->items.insert(listing->items.end(), others.begin(), others.end());
    record = listing->items[0];
    listing->next = 1;
    intptr_t handle = nextHandle++;
    listings[handle] = std::move(listing);
    return handle;
}

bool FindNext(intptr_t handle, FindRecord& record)
{
    auto it = listings.find(handle);
    if (it == listings.end() || it->second->next >= it->second->items.size())
        return false;
    record = it->second->items[it->second->next++];
    return true;
}

void FindClose(intptr_t handle)
{
    listings.erase(handle);
}

int MakeFolder(const char* path)
{
    return path && _mkdir(path) == 0 ? 0 : errno;
}

int RemoveFolder(const char* path)
{
    return path && _rmdir(path) == 0 ? 0 : errno;
}

int DeleteFile(const char* path)
{
    if (!path)
        return EINVAL;
    // A link to a folder goes with the folder call; it removes the link only.
    __finddata64_t item;
    if (FindOne(path, item) && (item.attrib & AttrReparsePoint) && (item.attrib & AttrFolder))
        return _rmdir(path) == 0 ? 0 : errno;
    return std::remove(path) == 0 ? 0 : errno;
}

int ReplaceFile(const char* from, const char* to)
{
    if (!from || !to)
        return EINVAL;
    // The runtime's rename does not replace an existing file.
    __finddata64_t item;
    if (FindOne(to, item) && !(item.attrib & AttrFolder) && std::remove(to) != 0)
        return errno;
    return std::rename(from, to) == 0 ? 0 : errno;
}

bool MatchNoCase(const char* path, std::string& found)
{
    // Names are compared without regard to case by the file system itself.
    __finddata64_t item;
    if (!FindOne(path, item))
        return false;
    found = path;
    return true;
}

bool IsMissing(int error)
{
    // The find functions answer EINVAL where a step of the path is a file.
    return error == ENOENT || error == ENOTDIR || error == EINVAL;
}

bool IsLink(const char* path)
{
    __finddata64_t item;
    return FindOne(path, item) && (item.attrib & AttrReparsePoint) != 0;
}

int LastError()
{
    return errno;
}

const char* ErrorText(int error)
{
    return std::strerror(error);
}
} // namespace platform
