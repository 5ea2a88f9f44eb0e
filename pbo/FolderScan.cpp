// Folder listing for the builder and extraction, over the platform layer.

#include "FolderScan.h"

#include <cstring>

#include "../frame/OwnedString.h"

namespace
{
bool IsDotName(const char* name)
{
    return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}
} // namespace

int FolderScan::Start(const char* folder)
{
    End();
    if (!folder)
        return -1;
    OwnedString pattern;
    if (!OwnedString::FormatString(pattern, "%s/*.*", folder))
        return -1;
    handle = platform::FindFirst(pattern.Get(), findData);
    if (handle == -1)
        return -1;
    // The first item of an existing folder's listing is its "." entry.
    if (!IsFolder())
    {
        End();
        return -1;
    }
    while (IsDotName(findData.name))
    {
        if (!Next())
        {
            End();
            return 0;
        }
    }
    return 1;
}

bool FolderScan::Next()
{
    if (handle == -1)
        return false;
    do
    {
        if (!platform::FindNext(handle, findData))
            return false;
    } while (Skipped());
    return true;
}

const char* FolderScan::Name() const
{
    return handle == -1 ? nullptr : findData.name;
}

bool FolderScan::IsFolder() const
{
    return handle != -1 && (findData.attrib & platform::AttrFolder) != 0;
}

void FolderScan::End()
{
    if (handle != -1)
        platform::FindClose(handle);
    handle = -1;
}
