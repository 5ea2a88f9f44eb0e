// Header entries of an archive and the entries of an open archive.
#pragma once

#include <cstdint>
#include <cstdio>

#include "PboFormat.h"

// One header entry of an open archive, with its loaded data.
class OSTREL_API pbo_entry : public PboHeaderEntry
{
public:
    pbo_entry() = default;
    ~pbo_entry();
    pbo_entry(const pbo_entry&) = delete;
    pbo_entry& operator=(const pbo_entry&) = delete;

    // Loads the entry's bytes from the archive file whose data block starts
    // at dataStart (fileSize bounds every read); unpacks unless raw.
    // Answers loadedSize or a negative error code.
    int LoadEntryData(FILE* file, uint64_t fileSize, uint64_t dataStart, bool raw);
    void FreeData();

    unsigned char* data = nullptr;
    pbo_entry* next = nullptr;
    int32_t loadedSize = 0;
    int32_t offset = 0;
    uint8_t compressed = 0;
    uint8_t converted = 0;
    char* sourceName = nullptr;
    // Offset of the data from the data block start, without the 32-bit wrap
    // of offset.
    uint64_t dataOffset = 0;
};

// Archive-level facts of an open archive.
struct OSTREL_API PboInfo
{
    PboInfo() = default;
    ~PboInfo();
    PboInfo(const PboInfo&) = delete;
    PboInfo& operator=(const PboInfo&) = delete;
    void FreeProduct();

    PboFlags flavour = Cwc;
    char* productType = nullptr;
    char* productName = nullptr;
    unsigned char keyStore[24] = {};
    int32_t residualCount = 0;
};
