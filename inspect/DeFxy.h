// Font table reader: a fixed table of 224 records of 12 bytes, served in place.
#pragma once

#include "../frame/DataStream.h"
#include "../frame/Export.h"

namespace fxy
{
// Result codes; DeFxy::ErrorString has their messages.
enum Code : int
{
    Ok = 0,
    PrematureEof = 1, // has a message, never produced
    OutOfMemory = 2,  // has a message, never produced
    InvalidFile = 3,
    NonModular = 4
};
} // namespace fxy

// One record of a font table, 12 bytes served as stored.
struct FxyEntry
{
    unsigned char bytes[12];
};

class OSTREL_API DeFxy
{
public:
    // Records in a font table; the file holds exactly this many.
    static constexpr unsigned long EntryCount = 224;
    static constexpr unsigned long FileSize = EntryCount * sizeof(FxyEntry);

    DeFxy() = default;
    ~DeFxy() = default;
    DeFxy(const DeFxy&) = delete;
    DeFxy& operator=(const DeFxy&) = delete;

    // Loads the whole file; a name whose extension is not "fxy" gets ".fxy".
    // fxy::InvalidFile when it cannot be loaded, fxy::NonModular when its
    // size is not that of a table.
    int Open(const char* name);
    // Serves the caller's block in place (neither copied nor freed); it must
    // outlive the use of the entries. A null block is fxy::InvalidFile.
    int Open(const unsigned char* data, int size);
    void Close();
    // Record index, or null past the loaded records.
    const FxyEntry* GetEntry(unsigned long index) const;
    static const char* ErrorString(unsigned char code);

private:
    int Process();

    DataStream input;
};
