// World tables: peaks, texture names and index grid, model names and objects.
#include <cstring>
#include <new>

#include "../frame/ByteOrder.h"
#include "DeWrp.h"
#include "WrpCodes.h"

using namespace wrp;

namespace
{
// Longest texture name field, its NUL included.
const size_t TextureNameField = 256;
const size_t PeakSize = 12;
const size_t ObjectSize = 56;
const uint32_t EndMarker = 0xFFFFFFFFu;

template <typename T>
void Release(std::vector<T>& v)
{
    std::vector<T>().swap(v);
}

} // namespace

int DeWrp::Peaks::Read(WrpInput& input)
{
    Close();
    uint32_t n = 0;
    if (!input.ReadU32(n))
        return PrematureEof;
    const uint64_t bytes = uint64_t{n} * PeakSize;
    if (bytes > input.Remaining())
        return PrematureEof;
    try
    {
        records.assign(input.Here(), input.Here() + bytes);
    }
    catch (const std::bad_alloc&)
    {
        return OutOfMemory;
    }
    input.Skip(bytes);
    count = n;
    return Ok;
}

void DeWrp::Peaks::Close()
{
    Release(records);
    count = 0;
}

const unsigned char* DeWrp::Peaks::GetPeak(unsigned long index) const
{
    return index < count ? records.data() + index * PeakSize : nullptr;
}

int DeWrp::Models::Read(WrpInput& input)
{
    Close();
    uint32_t n = 0;
    if (!input.ReadU32(n))
        return PrematureEof;
    if (n == 0)
        return Ok;
    // Every name takes at least its NUL, so the count is bounded by the bytes.
    if (n > input.Remaining())
        return PrematureEof;
    const unsigned char* start = input.Here();
    const size_t available = input.Remaining();
    size_t scanned = 0;
    try
    {
        starts.reserve(n);
        for (uint32_t k = 0; k < n; ++k)
        {
            const void* nul = std::memchr(start + scanned, 0, available - scanned);
            if (!nul)
            {
                Close();
                return PrematureEof;
            }
            starts.push_back(scanned);
            scanned = static_cast<size_t>(static_cast<const unsigned char*>(nul) - start) + 1;
        }
        names.assign(start, start + scanned);
    }
    catch (const std::bad_alloc&)
    {
        Close();
        return OutOfMemory;
    }
    input.Skip(scanned);
    count = n;
    return Ok;
}

void DeWrp::Models::Close()
{
    Release(names);
    Release(starts);
    count = 0;
}

const char* DeWrp::Models::GetName(unsigned long index) const
{
    return index < count ? names.data() + starts[index] : nullptr;
}

int DeWrp::Objects::Read(WrpInput& input)
{
    Close();
    if (input.Remaining() < 4)
        return PrematureEof;
    const size_t bytes = input.Remaining() - 4;
    if (bytes % ObjectSize != 0)
        return PrematureEof;
    const size_t n = bytes / ObjectSize;
    if (n == 0)
        return Ok; // the last 4 bytes are not examined
    if (n > 0xFFFFFFFFu)
        return OutOfMemory;
    try
    {
        records.resize(n);
    }
    catch (const std::bad_alloc&)
    {
        return OutOfMemory;
    }
    const unsigned char* p = input.Here();
    for (OPRWObject& object : records)
    {
        object.id = static_cast<int32_t>(byteorder::LoadU32(p));
        object.modelIndex = byteorder::LoadU32(p + 4);
        std::memcpy(object.rest, p + 8, sizeof object.rest);
        p += ObjectSize;
    }
    input.Skip(bytes);
    count = static_cast<uint32_t>(n);
    uint32_t marker = 0;
    if (!input.ReadU32(marker) || marker != EndMarker)
        return PrematureEof;
    return Ok;
}

void DeWrp::Objects::Close()
{
    Release(records);
    count = 0;
}

OPRWObject* DeWrp::Objects::GetObject(unsigned long index)
{
    return index < count ? &records[index] : nullptr;
}

int DeWrp::Textures::Read(WrpInput& input)
{
    Release(nameBytes);
    Release(entries);
    count = 0;
    uint32_t n = 0;
    if (!input.ReadU32(n))
        return PrematureEof;
    try
    {
        // A texture takes at least its NUL and its colour byte.
        entries.reserve(n < input.Remaining() / 2 ? n : input.Remaining() / 2);
        for (uint32_t k = 0; k < n; ++k)
        {
            size_t window = input.Remaining() < TextureNameField ? input.Remaining() : TextureNameField;
            const void* nul = std::memchr(input.Here(), 0, window);
            if (!nul)
                return window < TextureNameField ? PrematureEof : NameTooLong;
            size_t length = static_cast<size_t>(static_cast<const unsigned char*>(nul) - input.Here()) + 1;
            Entry entry{nameBytes.size(), 0};
            nameBytes.insert(nameBytes.end(), input.Here(), input.Here() + length);
            input.Skip(length);
            int color = input.ReadByte();
            if (color < 0)
                return PrematureEof;
            entry.color = static_cast<unsigned char>(color);
            entries.push_back(entry);
            count = k + 1;
        }
    }
    catch (const std::bad_alloc&)
    {
        return OutOfMemory;
    }
    return Ok;
}

int DeWrp::Textures::ReadIndexes(WrpInput& input, uint64_t cells, bool plain)
{
    if (cells > UINT64_MAX / 2)
        return PrematureEof;
    return ExtractBlock(input, indexBytes, cells * 2, plain);
}

void DeWrp::Textures::Close()
{
    indexBytes.Reset();
    Release(nameBytes);
    Release(entries);
    count = 0;
}

const char* DeWrp::Textures::GetName(int index) const
{
    if (index < 0 || static_cast<size_t>(index) >= entries.size())
        return nullptr;
    return nameBytes.data() + entries[index].nameStart;
}

unsigned char DeWrp::Textures::GetColor(int index) const
{
    if (index < 0 || static_cast<size_t>(index) >= entries.size())
        return 255;
    return entries[index].color;
}

uint16_t DeWrp::Textures::GetIndex(uint64_t cell) const
{
    if (cell >= IndexCount())
        return 0;
    return byteorder::LoadU16(indexBytes.Data() + cell * 2);
}
