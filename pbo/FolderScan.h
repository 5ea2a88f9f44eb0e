// Folder listing for the folder builder and extraction.
#pragma once

#include <cstdint>

#include "../frame/Export.h"
#include "../frame/Platform.h"

// Listing of one folder ("folder/*.*") that passes over ".", ".." and every
// hidden or system item. One object per listing in progress; End closes it
// (the destructor does too).
class OSTREL_API FolderScan
{
public:
    FolderScan() = default;
    ~FolderScan() { End(); }
    FolderScan(const FolderScan&) = delete;
    FolderScan& operator=(const FolderScan&) = delete;

    // -1: the folder cannot be listed (no such folder, or not a folder);
    // 0: it holds nothing but hidden or system items; 1: standing on the
    // first other item. The listing is closed unless the answer is 1.
    int Start(const char* folder);
    // Moves to the next item that is neither hidden nor system; false at the
    // end of the listing (which stays open until End) or with none open.
    bool Next();
    // Name of the current item; null with no listing open.
    const char* Name() const;
    // The current item is a folder (symbolic links never are).
    bool IsFolder() const;
    const platform::FindRecord* FindData() const { return &findData; }
    void End();

    intptr_t handle = -1;
    platform::FindRecord findData;

private:
    bool Skipped() const { return (findData.attrib & (platform::AttrHidden | platform::AttrSystem)) != 0; }
};
