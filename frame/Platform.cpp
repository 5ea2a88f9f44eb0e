// POSIX side of the platform layer (opendir/readdir/lstat, mkdir, rmdir,
// unlink); the Windows side is PlatformWindows.cpp.

#include "Platform.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include "ListingOrder.h"

namespace platform
{

namespace
{
// open(2) flags for a C stream mode ("rb", "wb", "ab", each with an optional "+").
bool ModeFlags(const char* mode, int& flags)
{
    bool update = std::strchr(mode, '+') != nullptr;
    switch (mode[0])
    {
    case 'r':
        flags = update ? O_RDWR : O_RDONLY;
        return true;
    case 'w':
        flags = (update ? O_RDWR : O_WRONLY) | O_CREAT | O_TRUNC;
        return true;
    case 'a':
        flags = (update ? O_RDWR : O_WRONLY) | O_CREAT | O_APPEND;
        return true;
    default:
        return false;
    }
}

// The error for an item that is no regular file.
int NotRegularError(const struct stat& st)
{
    return S_ISDIR(st.st_mode) ? EISDIR : S_ISLNK(st.st_mode) ? ELOOP : EINVAL;
}

// Opens path as a stream only when it is (or becomes) a regular file. Folders,
// pipes, devices and sockets are refused before they are opened, and the open
// itself does not wait (a pipe without a writer would block it); what was
// opened is checked again, in case the item changed in between.
FILE* OpenRegular(const char* path, const char* mode, bool followLinks)
{
    int flags = 0;
    if (!path || !mode || !ModeFlags(mode, flags))
    {
        errno = EINVAL;
        return nullptr;
    }
    std::string local = LocalPath(path);
    struct stat st;
    int found = followLinks ? stat(local.c_str(), &st) : lstat(local.c_str(), &st);
    if (found == 0 && !S_ISREG(st.st_mode))
    {
        errno = NotRegularError(st);
        return nullptr;
    }
    flags |= O_NONBLOCK | O_CLOEXEC | (followLinks ? 0 : O_NOFOLLOW);
    int fd = open(local.c_str(), flags, 0666);
    if (fd < 0)
        return nullptr;
    int error = 0;
    if (fstat(fd, &st) != 0)
        error = errno;
    else if (!S_ISREG(st.st_mode))
        error = NotRegularError(st);
    else if (fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0)
        error = errno;
    FILE* file = error ? nullptr : fdopen(fd, mode);
    if (!file)
    {
        if (!error)
            error = errno;
        close(fd);
        errno = error;
    }
    return file;
}
} // namespace

FILE* OpenFile(const char* path, const char* mode)
{
    return OpenRegular(path, mode, true);
}

FILE* CreateFileNoFollow(const char* path)
{
    return OpenRegular(path, "wb", false);
}

int ReplaceableError(const char* target)
{
    struct stat st;
    if (lstat(LocalPath(target).c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode))
        return NotRegularError(st);
    return 0;
}

FILE* OpenNewFile(const char* path, const char* mode)
{
    int flags = 0;
    if (!ModeFlags(mode, flags))
    {
        errno = EINVAL;
        return nullptr;
    }
    std::string local = LocalPath(path);
    int fd = open(local.c_str(), (flags & ~O_TRUNC) | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    FILE* file = fd < 0 ? nullptr : fdopen(fd, mode);
    if (!file && fd >= 0)
    {
        int error = errno;
        close(fd);
        unlink(local.c_str());
        errno = error;
    }
    return file;
}

uint32_t ProcessNumber()
{
    return static_cast<uint32_t>(getpid());
}

bool ResolvePath(const char* path, std::string& resolved)
{
    if (!path)
        return false;
    char* real = realpath(LocalPath(path).c_str(), nullptr);
    if (!real)
        return false;
    resolved = real;
    std::free(real);
    return true;
}

bool SeekTo(FILE* file, uint64_t offset)
{
    if (!file || offset > static_cast<uint64_t>(INT64_MAX))
        return false;
    return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
}

bool SeekEnd(FILE* file)
{
    return file && fseeko(file, 0, SEEK_END) == 0;
}

int64_t TellOf(FILE* file)
{
    return file ? static_cast<int64_t>(ftello(file)) : -1;
}

bool FindFileSize(const char* path, uint64_t& size)
{
    struct stat st;
    if (!path || stat(LocalPath(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    size = static_cast<uint64_t>(st.st_size);
    return true;
}

namespace
{
std::atomic<bool> systemCopy{true};

// Block of the copy loop: large enough that the calls cost little beside the
// bytes they move. Measured and not kept (400 MB of 1 MB files into one
// archive): a 128 KB block that stays in the processor's cache, 164-168 ms
// CPU against 121-124 ms; writing from a mapping of the source instead of a
// block (one copy a byte instead of two), no gain beyond the noise.
const size_t CopyBlockSize = 1u << 20;

// The errors that say the system cannot copy between these two files (other
// file systems, an old kernel, a kind of file it does not copy), so the loop
// must.
bool LoopInstead(int error)
{
    return error == EXDEV || error == ENOSYS || error == EINVAL || error == EOPNOTSUPP || error == EBADF ||
           error == EPERM || error == ETXTBSY || error == ESPIPE;
}

// Writes all of data at offset; 0 or the error.
int WriteAllAt(int fd, const unsigned char* data, size_t size, off_t offset)
{
    while (size)
    {
        ssize_t wrote = pwrite(fd, data, size, offset);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            return wrote < 0 ? errno : EIO;
        data += wrote;
        size -= static_cast<size_t>(wrote);
        offset += wrote;
    }
    return 0;
}

// A copy between two descriptors at their own offsets; each way of copying
// moves the three on by what it wrote, so that the next way can go on from
// there.
struct CopyState
{
    int in;
    off_t inOffset;
    int out;
    off_t outOffset;
    uint64_t size;

    void Wrote(uint64_t count)
    {
        inOffset += static_cast<off_t>(count);
        outOffset += static_cast<off_t>(count);
        size -= count;
    }
};

// What a way of copying returns when the system declined (even part way) and
// the next way must go on: never an errno value.
const int GoOn = -1;

// Pieces asked of the system in one call.
const size_t SystemPiece = size_t(1) << 30;

#if defined(__linux__)
// The system's copy pays off where source and target offsets lie at the same
// place within a page: file systems that share blocks share them then, and
// ext4 copies whole pages. With the offsets apart it copies through a small
// pipe of its own, every buffer written across two pages (400 MB of 1 MB
// files appended after an archive header: 1.4 times the CPU and wall time of
// the block loop); a pipe of our own does better there (below).
const off_t PageSize = 4096;

int KernelCopy(CopyState& copy)
{
    while (copy.size)
    {
        const size_t piece = copy.size < SystemPiece ? static_cast<size_t>(copy.size) : SystemPiece;
        off_t from = copy.inOffset;
        off_t to = copy.outOffset;
        ssize_t copied = copy_file_range(copy.in, &from, copy.out, &to, piece, 0);
        if (copied < 0 && errno == EINTR)
            continue;
        if (copied == 0)
            return EIO;
        if (copied < 0)
            return LoopInstead(errno) ? GoOn : errno;
        copy.Wrote(static_cast<uint64_t>(copied));
    }
    return 0;
}

// Below this the pipe's set-up costs more than the copy it saves.
const uint64_t SpliceLeast = 64u << 10;

// Through a pipe of 1 MB: the source's pages go into the pipe by reference
// and are copied once, into the target; the block loop copies every byte
// twice. Measured on the 6.18 kernel, ext4, offsets apart within a page:
// 400 files of 1 MB appended after a 12,345-byte header, 115-151 ms against
// 141-170 ms for the loop (copy_file_range 175 ms); 400 entries of 1 MB
// extracted from such an archive into new files, 149-212 ms against 420-800
// ms for the loop (whose writes from this process into new files cost most)
// and 130-170 ms for a copy of the same files with cp -r.
int SpliceCopy(CopyState& copy)
{
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0)
        return GoOn;
    // A larger pipe moves more a call; where the system refuses, the default
    // size still works.
    (void)fcntl(pipeEnds[1], F_SETPIPE_SZ, static_cast<int>(CopyBlockSize));
    int result = 0;
    while (copy.size && result == 0)
    {
        const size_t piece = copy.size < SystemPiece ? static_cast<size_t>(copy.size) : SystemPiece;
        loff_t from = copy.inOffset;
        ssize_t got = splice(copy.in, &from, pipeEnds[1], nullptr, piece, SPLICE_F_MOVE);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
        {
            result = got == 0 ? EIO : LoopInstead(errno) ? GoOn : errno;
            break;
        }
        // The pipe is emptied before the next read, so that a failure leaves
        // the offsets on what reached the target, where the loop can go on.
        size_t left = static_cast<size_t>(got);
        while (left)
        {
            loff_t to = copy.outOffset;
            ssize_t put = splice(pipeEnds[0], nullptr, copy.out, &to, left, SPLICE_F_MOVE);
            if (put < 0 && errno == EINTR)
                continue;
            if (put <= 0)
            {
                result = put == 0 ? EIO : LoopInstead(errno) ? GoOn : errno;
                break;
            }
            copy.Wrote(static_cast<uint64_t>(put));
            left -= static_cast<size_t>(put);
        }
    }
    close(pipeEnds[0]);
    close(pipeEnds[1]);
    return result;
}

// The system's ways first, where they suit the offsets and the size.
int SystemCopy(CopyState& copy)
{
    if (copy.inOffset % PageSize == copy.outOffset % PageSize)
        return KernelCopy(copy);
    if (copy.size >= SpliceLeast)
        return SpliceCopy(copy);
    return GoOn;
}
#endif

int LoopCopy(CopyState& copy)
{
    const size_t blockSize = copy.size < CopyBlockSize ? static_cast<size_t>(copy.size) : CopyBlockSize;
    std::unique_ptr<unsigned char[]> block(new (std::nothrow) unsigned char[blockSize]);
    if (!block)
        return ENOMEM;
    while (copy.size)
    {
        size_t piece = copy.size < blockSize ? static_cast<size_t>(copy.size) : blockSize;
        ssize_t got = pread(copy.in, block.get(), piece, copy.inOffset);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return got < 0 ? errno : EIO;
        if (int error = WriteAllAt(copy.out, block.get(), static_cast<size_t>(got), copy.outOffset))
            return error;
        copy.Wrote(static_cast<uint64_t>(got));
    }
    return 0;
}

// size bytes from in at inOffset to out at outOffset; neither descriptor's
// own offset moves. The system's copy first where it suits, the loop
// otherwise or when the system declines (even part way: the loop goes on
// from where it stopped).
int CopyDescriptors(int in, off_t inOffset, int out, off_t outOffset, uint64_t size)
{
    CopyState copy{in, inOffset, out, outOffset, size};
#if defined(__linux__)
    if (systemCopy.load(std::memory_order_relaxed))
    {
        const int result = SystemCopy(copy);
        if (result != GoOn)
            return result;
    }
#endif
    return copy.size ? LoopCopy(copy) : 0;
}

bool FitsOffset(uint64_t offset, uint64_t size)
{
    const uint64_t limit = static_cast<uint64_t>(INT64_MAX);
    return offset <= limit && size <= limit - offset;
}
} // namespace

void AllowSystemCopy(bool allow)
{
    systemCopy.store(allow, std::memory_order_relaxed);
}

bool SizeOf(FILE* file, uint64_t& size)
{
    struct stat st;
    if (!file || fstat(fileno(file), &st) != 0)
        return false;
    size = static_cast<uint64_t>(st.st_size);
    return true;
}

int CopyRange(FILE* from, uint64_t fromOffset, FILE* to, uint64_t size)
{
    if (!from || !to || !FitsOffset(fromOffset, size))
        return EINVAL;
    if (std::fflush(to) != 0)
        return errno;
    int out = fileno(to);
    off_t at = lseek(out, 0, SEEK_CUR);
    if (at < 0)
        return errno;
    if (!FitsOffset(static_cast<uint64_t>(at), size))
        return EFBIG;
    int error = CopyDescriptors(fileno(from), static_cast<off_t>(fromOffset), out, at, size);
    // The stream is told where its file now ends (the copy wrote at an
    // offset and did not move it).
    if (fseeko(to, at + static_cast<off_t>(error ? 0 : size), SEEK_SET) != 0 && !error)
        error = errno;
    return error;
}

namespace
{

int32_t BirthTime(const std::string& path, const struct stat& st)
{
#if defined(STATX_BTIME)
    struct statx sx;
    if (statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, STATX_BTIME, &sx) == 0 && (sx.stx_mask & STATX_BTIME))
        return static_cast<int32_t>(sx.stx_btime.tv_sec);
#else
    (void)path;
#endif
    return static_cast<int32_t>(st.st_mtime);
}

bool Describe(const std::string& folder, const char* name, FindRecord& record)
{
    record = FindRecord();
    std::strncpy(record.name, name, sizeof record.name - 1);
    std::string full = folder + "/" + name;
    struct stat st;
    if (lstat(full.c_str(), &st) != 0)
        return false;
    if (S_ISDIR(st.st_mode))
    {
        // Folders have no size of their own in a find record.
        record.attrib = AttrFolder;
        st.st_size = 0;
    }
    else if (S_ISLNK(st.st_mode))
    {
        // A link is listed as a file; its size is the target's when that is a
        // regular file.
        record.attrib = AttrArchive;
        struct stat target;
        if (stat(full.c_str(), &target) == 0 && S_ISREG(target.st_mode))
            st.st_size = target.st_size;
        else
            st.st_size = 0;
    }
    else if (S_ISREG(st.st_mode))
        record.attrib = AttrArchive;
    else
        record.attrib = AttrSystem;
    if (name[0] == '.' && std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0)
        record.attrib |= AttrHidden;
    record.timeCreate = BirthTime(full, st);
    record.timeAccess = static_cast<int32_t>(st.st_atime);
    record.timeWrite = static_cast<int32_t>(st.st_mtime);
    record.size = static_cast<uint32_t>(st.st_size);
    return true;
}

struct Listing
{
    std::string folder;
    std::vector<std::string> names;
    size_t next = 0;
};

// Open listings by handle. Kept per thread so that listings never share state
// across threads.
thread_local std::map<intptr_t, std::unique_ptr<Listing>> listings;
thread_local intptr_t nextHandle = 1;

bool Deliver(Listing& listing, FindRecord& record)
{
    while (listing.next < listing.names.size())
    {
        const std::string& name = listing.names[listing.next++];
        if (Describe(listing.folder, name.c_str(), record))
            return true;
    }
    return false;
}

} // namespace

intptr_t FindFirst(const char* pattern, FindRecord& record)
{
    std::string folder = LocalPath(pattern);
    static const char suffix[] = "/*.*";
    const size_t suffixLength = sizeof suffix - 1;
    if (folder.size() >= suffixLength && folder.compare(folder.size() - suffixLength, suffixLength, suffix) == 0)
        folder.erase(folder.size() - suffixLength);
    if (folder.empty())
        folder = "/";
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return -1;
    auto listing = std::make_unique<Listing>();
    listing->folder = folder;
    std::vector<std::string> items;
    while (struct dirent* item = readdir(dir))
    {
        if (std::strcmp(item->d_name, ".") != 0 && std::strcmp(item->d_name, "..") != 0)
            items.emplace_back(item->d_name);
    }
    closedir(dir);
    std::sort(items.begin(), items.end(), ListsBefore);
    listing->names.push_back(".");
    listing->names.push_back("..");
    listing->names.insert(listing->names.end(), items.begin(), items.end());
    if (!Deliver(*listing, record))
        return -1;
    intptr_t handle = nextHandle++;
    listings[handle] = std::move(listing);
    return handle;
}

bool FindNext(intptr_t handle, FindRecord& record)
{
    auto it = listings.find(handle);
    return it != listings.end() && Deliver(*it->second, record);
}

void FindClose(intptr_t handle)
{
    listings.erase(handle);
}

int MakeFolder(const char* path)
{
    return mkdir(LocalPath(path).c_str(), 0777) == 0 ? 0 : errno;
}

int RemoveFolder(const char* path)
{
    return rmdir(LocalPath(path).c_str()) == 0 ? 0 : errno;
}

int DeleteFile(const char* path)
{
    return unlink(LocalPath(path).c_str()) == 0 ? 0 : errno;
}

int ReplaceFile(const char* from, const char* to)
{
    return std::rename(LocalPath(from).c_str(), LocalPath(to).c_str()) == 0 ? 0 : errno;
}

bool IsLink(const char* path)
{
    struct stat st;
    return path && lstat(LocalPath(path).c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool IsMissing(int error)
{
    return error == ENOENT || error == ENOTDIR;
}

bool MatchNoCase(const char* path, std::string& found)
{
    std::string local = LocalPath(path);
    struct stat st;
    if (local.empty())
        return false;
    if (lstat(local.c_str(), &st) == 0)
    {
        found = local;
        return true;
    }
    std::string prefix = local[0] == '/' ? "/" : "";
    size_t start = prefix.size();
    while (start <= local.size())
    {
        size_t slash = local.find('/', start);
        std::string part = local.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        start = slash == std::string::npos ? local.size() + 1 : slash + 1;
        if (part.empty())
            continue;
        std::string exact = prefix + part;
        if (part == "." || part == ".." || lstat(exact.c_str(), &st) == 0)
        {
            prefix = exact + "/";
            continue;
        }
        DIR* dir = opendir(prefix.empty() ? "." : prefix.c_str());
        if (!dir)
            return false;
        // Several names may differ only in case: the lowest in byte order is
        // taken, so the choice does not depend on the listing order.
        std::string best;
        while (struct dirent* item = readdir(dir))
        {
            const char* name = item->d_name;
            if (strcasecmp(name, part.c_str()) == 0 && (best.empty() || std::strcmp(name, best.c_str()) < 0))
                best = name;
        }
        closedir(dir);
        if (best.empty())
            return false;
        prefix += best + "/";
    }
    if (prefix.size() > 1)
        prefix.pop_back();
    found = prefix;
    return true;
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
