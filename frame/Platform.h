// The only code that talks to the operating system. Format code builds paths
// with backslashes; on POSIX they are mapped to slashes here, just before the
// system is called.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "Text.h"

namespace platform
{

// Path with every backslash turned into the local separator.
using ostrel_internal::text::LocalPath;

// A C stream over a regular file (following links); anything else (a folder,
// a pipe, a device) is refused at once, without waiting in the open.
FILE* OpenFile(const char* path, const char* mode);
// Creates or truncates a regular file for binary writing ("wb"), never through
// a symbolic link: a link standing at path is refused.
FILE* CreateFileNoFollow(const char* path);
// Creates a new file with a short unused name in the folder of target (never
// through a link, never over an existing item) and opens it with mode ("wb"
// or "w+b"); temporary receives its name. Null when target is a folder, a
// pipe or a device (a file or a link there may be replaced later), or when
// nothing can be created there. The temporary name's length does not depend
// on target's, so any legal final name still works.
FILE* CreateTemporaryBeside(const char* target, const char* mode, std::string& temporary);
// The name has the form CreateTemporaryBeside gives its files.
bool IsTemporaryName(const char* name);
// The temporary name made from number.
std::string TemporaryName(uint32_t number);
// Each side's part of CreateTemporaryBeside: 0 when what stands at target
// (if anything) may be replaced, else the error; a new file opened with mode,
// never over an existing item or through a link (null and errno EEXIST when
// the name is taken); a number of this process.
int ReplaceableError(const char* target);
FILE* OpenNewFile(const char* path, const char* mode);
uint32_t ProcessNumber();
// The absolute path of an existing item with every link resolved; false when
// it cannot be resolved (missing, or a link to nothing).
bool ResolvePath(const char* path, std::string& resolved);
// As ResolvePath, for a name that may not exist yet: its folder is resolved
// and the name added.
bool ResolveTarget(const char* path, std::string& resolved);
// resolved (from ResolvePath) is root itself or lies below it.
bool IsWithin(const std::string& resolved, const std::string& root);
bool SeekTo(FILE* file, uint64_t offset);
bool SeekEnd(FILE* file);
// Current offset, or -1.
int64_t TellOf(FILE* file);

// Copies size bytes of from, starting at its offset fromOffset, to the end of
// what was written to `to` (its buffered bytes go out first); `to` then
// stands after them, and from's own position is left as it was. Where the
// system can, the bytes go from file to file without passing through this
// process (copy_file_range where both offsets lie at the same place within a
// page, else through a pipe for copies of 64 KB or more), otherwise through a
// 1 MB block. 0 on success, else the error (EIO when from ends early).
int CopyRange(FILE* from, uint64_t fromOffset, FILE* to, uint64_t size);
// Writes the file path with size bytes of from starting at fromOffset: a new
// file under a temporary name beside it, filled by CopyRange and renamed over
// path (a link standing there is replaced, never written through). 0 on
// success, else the error; a failure leaves what stood at path as it was.
int WriteFileFrom(const char* path, FILE* from, uint64_t fromOffset, uint64_t size);
// false: copies go through a block in this process even where the system
// could copy itself (tests compare the two ways; the bytes are the same).
void AllowSystemCopy(bool allow);
// Size of an open file; false when it cannot be told.
bool SizeOf(FILE* file, uint64_t& size);

// Size of a file found by name (a listing lookup, not an open); false when the
// name does not exist or is no regular file (a folder, a pipe, a device).
bool FindFileSize(const char* path, uint64_t& size);

// Folder item attributes as the find services report them.
enum : unsigned
{
    AttrHidden = 0x02,
    AttrSystem = 0x04,
    AttrFolder = 0x10,
    AttrArchive = 0x20
};

struct FindRecord
{
    unsigned attrib = 0;
    int32_t timeCreate = 0;
    int32_t timeAccess = 0;
    int32_t timeWrite = 0;
    uint32_t size = 0;
    char name[260] = {};
};

// Listing of "folder/*.*": "." and ".." first, then the items sorted by name
// ASCII case-insensitively (ties by exact bytes). Answers a handle >= 0 and the
// first item, or -1 when nothing matches (no such folder, or not a folder).
intptr_t FindFirst(const char* pattern, FindRecord& record);
// Next item; false at the end.
bool FindNext(intptr_t handle, FindRecord& record);
void FindClose(intptr_t handle);

// The local path of an existing item that matches path with ASCII letter case
// ignored, one component at a time; where a component exists as written it
// is taken as it is. False when no item matches. For sources written on a
// case-insensitive file system.
bool MatchNoCase(const char* path, std::string& found);

// 0 on success, else the errno value.
int MakeFolder(const char* path);
int RemoveFolder(const char* path);
// Deletes a file or a symbolic link (never what a link points to).
int DeleteFile(const char* path);
// Moves a file to a new name, replacing a file already there.
int ReplaceFile(const char* from, const char* to);
// The path itself (not what it points to) is a symbolic link.
bool IsLink(const char* path);
// The error of a failed lookup or listing says that the item is not there (no
// such item, or a step of its path is no folder), rather than that it could
// not be read.
bool IsMissing(int error);
int LastError();
const char* ErrorText(int error);

} // namespace platform
