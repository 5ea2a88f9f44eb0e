// Archive entries: loading an entry's data, stored or packed.

#include "PboEntry.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "../frame/AllocFail.h"
#include "../frame/Platform.h"
#include "Decompress.h"
#include "PboErrors.h"

pbo_entry::~pbo_entry()
{
    std::free(data);
    std::free(sourceName);
    std::free(name);
}

void pbo_entry::FreeData()
{
    std::free(data);
    data = nullptr;
}

int pbo_entry::LoadEntryData(FILE* file, uint64_t fileSize, uint64_t dataStartOffset, bool raw)
{
    if (data)
        return loadedSize;
    // A fresh load holds the entry's own bytes again: whatever size and flag
    // text made from an earlier load left behind no longer applies.
    converted = 0;
    if (!compressed)
        loadedSize = static_cast<int32_t>(dataSize);
    // The header's sizes are untrusted: the block never holds more than the
    // file has from the entry's start on. An entry cut short by the end of the
    // file fails like any short read: the bytes that are there stay attached
    // and loadedSize tells how many.
    uint64_t begin = dataStartOffset + dataOffset;
    uint64_t available = begin < fileSize ? fileSize - begin : 0;
    uint32_t present = dataSize <= available ? dataSize : static_cast<uint32_t>(available);
    // Sizes are answered as a positive int, so 2 GiB or more (the format
    // allows up to 4 GiB) cannot be held: such an entry fails as out of memory
    // before anything is allocated, rather than with a size that reads as an
    // error code. One cut short below 2 GiB is truncated like any other. (An
    // unpacked size that large is refused below.)
    if (present > static_cast<uint32_t>(INT32_MAX))
    {
        loadedSize = 0;
        return PboNoMemory;
    }
    if (present && !platform::SeekTo(file, begin))
        return PboTruncated;
    data = static_cast<unsigned char*>(ostrel_internal::alloc::Allocate(present ? present : 1));
    if (!data)
        return PboNoMemory;
    size_t read = present ? std::fread(data, 1, present, file) : 0;
    if (read != dataSize)
    {
        loadedSize = static_cast<int32_t>(read);
        return PboTruncated;
    }
    if (!compressed)
        return loadedSize;
    if (dataSize == 0 || raw)
    {
        loadedSize = static_cast<int32_t>(dataSize);
        return loadedSize;
    }
    // The unpacked size must be representable and within what the packed
    // bytes can produce; otherwise the block stays packed.
    if (originalSize >= 0x7FFFFFFFu || originalSize > MaxUnpackedSize(dataSize))
    {
        loadedSize = static_cast<int32_t>(dataSize);
        return PboCompressionBounds;
    }
    unsigned char* unpacked =
        static_cast<unsigned char*>(ostrel_internal::alloc::Allocate(static_cast<size_t>(originalSize) + 1));
    if (!unpacked)
    {
        loadedSize = static_cast<int32_t>(dataSize);
        return PboNoMemory;
    }
    int result = Decompress(data, dataSize, unpacked, originalSize);
    std::free(data);
    data = unpacked;
    // A raw load may have left the packed size behind; the block now holds the
    // unpacked bytes.
    loadedSize = static_cast<int32_t>(originalSize);
    return result != 0 ? result : loadedSize;
}
