// World file reader: loading, header, the 4WVR image, the OPRW cell blocks,
// getters and the reference check.
#include "DeWrp.h"

#include <cstdio>
#include <cstring>
#include <utility>

#include "../frame/OwnedString.h"
#include "../frame/Platform.h"
#include "../frame/Text.h"
#include "WrpCodes.h"

using namespace wrp;

namespace
{

// 4WVR layout: header, two 16-bit grids, 512 texture name slots of 32 bytes,
// then object records of 128 bytes whose last 76 bytes are a model name.
const uint64_t V1HeaderSize = 12;
const uint64_t V1TextureSlots = 512;
const uint64_t V1SlotSize = 32;
const uint64_t V1FixedSize = V1HeaderSize + V1TextureSlots * V1SlotSize; // 16396
const uint64_t V1ObjectSize = 128;
const uint64_t V1NameOffset = 52;
const uint64_t V1NameSize = 76;

// a × b, false when it does not fit 64 bits.
bool Multiply(uint64_t a, uint64_t b, uint64_t& product)
{
    if (a != 0 && b > UINT64_MAX / a)
        return false;
    product = a * b;
    return true;
}
} // namespace

DeWrp::~DeWrp()
{
    Close();
}

int DeWrp::Open(const char* name, ProgressCallback progress)
{
    Close();
    std::memset(id, 0, sizeof id);
    version = 0;
    std::memset(mapSize, 0, sizeof mapSize);
    WrpBytes bytes;
    int result = OpenFile(name, bytes);
    if (result != Ok)
        return result;
    input.Attach(bytes.Data(), bytes.Size());
    loaded = &bytes;
    result = Process(progress);
    loaded = nullptr;
    input.Detach();
    bytes.Reset();
    if (result != Ok)
        Close();
    return result;
}

int DeWrp::Open(const unsigned char* data, unsigned long size, ProgressCallback progress)
{
    Close();
    std::memset(id, 0, sizeof id);
    version = 0;
    std::memset(mapSize, 0, sizeof mapSize);
    input.Attach(data, data ? size : 0);
    int result = Process(progress);
    input.Detach();
    if (result != Ok)
        Close();
    return result;
}

void DeWrp::Close()
{
    cellFlags.Reset();
    cellsExtFlag.Reset();
    cellEnvSounds.Reset();
    elevation.Reset();
    peaks.Close();
    textures.Close();
    models.Close();
    objects.Close();
    v1File.Reset();
    v1Names.Clear();
    v1ObjectCount = 0;
    v1TextureCount = 0;
    v1Grid1 = v1Grid2 = v1TextureNames = v1Objects = nullptr;
}

int DeWrp::OpenFile(const char* name, WrpBytes& bytes)
{
    if (!name)
        return InvalidFile;
    OwnedString path;
    const char* dot = text::Extension(name);
    if (dot)
    {
        if (!text::EqualNoCase(dot, ".wrp"))
            return InvalidFile;
        if (!path.Copy(name))
            return OutOfMemory;
    }
    else if (!OwnedString::FormatString(path, "%s.wrp", name))
        return OutOfMemory;
    FILE* file = platform::OpenFile(path.Get(), "rb");
    if (!file)
        return InvalidFile;
    int64_t size = -1;
    if (platform::SeekEnd(file))
        size = platform::TellOf(file);
    if (size <= 0 || !platform::SeekTo(file, 0))
    {
        std::fclose(file);
        return InvalidFile;
    }
    if (!bytes.Allocate(static_cast<uint64_t>(size)))
    {
        std::fclose(file);
        return OutOfMemory;
    }
    bool complete = std::fread(bytes.Data(), 1, bytes.Size(), file) == bytes.Size();
    std::fclose(file);
    if (!complete)
    {
        bytes.Reset();
        return PrematureEof;
    }
    return Ok;
}

int DeWrp::Process(ProgressCallback progress)
{
    callback = SilentProgress::Select(progress);
    int result = ReadHeader();
    if (result != Ok)
        return result;
    return version == ImageVersion ? LoadVersion1() : ReadCells();
}

int DeWrp::ReadHeader()
{
    if (!input.Read(id, 4))
        return PrematureEof;
    id[4] = 0;
    if (std::memcmp(id, CellLayoutId, IdSize) == 0)
    {
        uint32_t v = 0;
        if (!input.ReadU32(v))
            return PrematureEof;
        version = static_cast<int>(v);
        for (uint32_t& s : mapSize)
            s = 256;
        if (v == CellVersionSized || v == CellVersionPlain)
        {
            for (uint32_t& s : mapSize)
            {
                if (!input.ReadU32(s))
                    return PrematureEof;
            }
        }
        if (v != CellVersionFixedSize && v != CellVersionSized && v != CellVersionPlain)
            return BadVersion;
        callback("OPRW Version %X\r\n", v);
        return Ok;
    }
    if (std::memcmp(id, ImageLayoutId, IdSize) == 0)
    {
        version = ImageVersion;
        uint32_t x = 0;
        uint32_t y = 0;
        if (!input.ReadU32(x) || !input.ReadU32(y))
            return PrematureEof;
        mapSize[0] = mapSize[2] = x;
        mapSize[1] = mapSize[3] = y;
        return Ok;
    }
    return NotWrp;
}

int DeWrp::LoadVersion1()
{
    const uint64_t cells = uint64_t{mapSize[0]} * mapSize[1];
    uint64_t grids = 0;
    if (!Multiply(cells, 4, grids) || grids > UINT64_MAX - V1FixedSize)
        return PrematureEof;
    const uint64_t needed = V1FixedSize + grids;
    const uint64_t size = input.Size();
    if (size < needed)
        return PrematureEof;
    const uint64_t rest = size - needed;
    if (rest % V1ObjectSize != 0 || rest / V1ObjectSize > INT32_MAX)
        return PrematureEof;
    if (loaded)
    {
        // A file loaded by name becomes the image itself instead of a copy.
        std::swap(v1File, *loaded);
    }
    else
    {
        if (!v1File.Allocate(size))
            return OutOfMemory;
        std::memcpy(v1File.Data(), input.Data(), static_cast<size_t>(size));
    }
    const unsigned char* file = v1File.Data();
    v1Grid1 = file + V1HeaderSize;
    v1Grid2 = file + V1HeaderSize + 2 * cells;
    v1TextureNames = file + V1HeaderSize + 4 * cells;
    v1Objects = file + needed;
    const int slots = static_cast<int>(V1TextureSlots);
    while (v1TextureCount < slots && v1TextureNames[v1TextureCount * V1SlotSize] != 0)
        ++v1TextureCount;
    v1ObjectCount = static_cast<int>(rest / V1ObjectSize);
    return Ok;
}

int DeWrp::ExtractBlock(WrpInput& in, WrpBytes& target, uint64_t n, bool plain)
{
    target.Reset();
    const uint64_t capacity = WrpBlockCapacity(in, n, plain);
    if (plain && capacity < n)
        return PrematureEof;
    if (n > SIZE_MAX)
        return OutOfMemory;
    if (!target.Allocate(capacity))
        return OutOfMemory;
    return DecodeWrpBlock(in, target.Data(), static_cast<size_t>(n), plain);
}

int DeWrp::ReadCells()
{
    const bool plain = version == static_cast<int>(CellVersionPlain);
    // Sizes print as the signed 32-bit values they are in the file.
    const int x = static_cast<int>(mapSize[0]);
    const int y = static_cast<int>(mapSize[1]);
    const uint64_t cells = uint64_t{mapSize[0]} * mapSize[1];
    uint64_t quad = 0;
    if (!Multiply(cells, 4, quad))
        return PrematureEof;
    callback("Reading %dx%d CellFlags\r\n", x, y);
    int result = ExtractBlock(input, cellFlags, quad, plain);
    if (result != Ok)
        return result;
    callback("Reading %dx%d CellEnvSounds\r\n", x, y);
    if ((result = ExtractBlock(input, cellEnvSounds, cells, plain)) != Ok)
        return result;
    callback("Reading %d CellEnvSounds\r\n", static_cast<int>(static_cast<uint32_t>(cells)));
    if ((result = peaks.Read(input)) != Ok)
        return result;
    callback("Reading %dx%d ReadIndexes\r\n", x, y);
    if ((result = textures.ReadIndexes(input, cells, plain)) != Ok)
        return result;
    callback("Reading %dx%d CellsExtFlag\r\n", x, y);
    if ((result = ExtractBlock(input, cellsExtFlag, quad, plain)) != Ok)
        return result;
    callback("Reading %dx%d Elevation\r\n", x, y);
    if ((result = ExtractBlock(input, elevation, quad, plain)) != Ok)
        return result;
    if ((result = textures.Read(input)) != Ok)
        return result;
    if ((result = models.Read(input)) != Ok)
        return result;
    return objects.Read(input);
}

int DeWrp::GetModelCount() const
{
    return version == ImageVersion ? v1ObjectCount : static_cast<int>(models.count);
}

const char* DeWrp::GetModelName(int index)
{
    if (version != ImageVersion)
        return index < 0 ? nullptr : models.GetName(static_cast<unsigned long>(index));
    if (!v1Objects || index < 0 || index >= v1ObjectCount)
        return nullptr;
    return v1Names.Get(v1Objects + V1ObjectSize * index + V1NameOffset, V1NameSize);
}

int DeWrp::GetTextureCount() const
{
    return version == ImageVersion ? v1TextureCount : static_cast<int>(textures.count);
}

const char* DeWrp::GetTextureName(int index)
{
    if (version != ImageVersion)
        return textures.GetName(index);
    if (!v1TextureNames || index < 0 || index >= v1TextureCount)
        return nullptr;
    return v1Names.Get(v1TextureNames + V1SlotSize * index, V1SlotSize);
}

int DeWrp::ValidModels()
{
    int32_t previous = -1;
    for (uint32_t k = 0; k < objects.count; ++k)
    {
        const OPRWObject* object = objects.GetObject(k);
        if (object->id <= previous)
            return RegressiveId;
        const char* name = object->modelIndex < models.count ? models.GetName(object->modelIndex) : nullptr;
        if (!name)
            return BadModelIndex;
        if (!*name)
            return NoModelName;
        previous = object->id;
    }
    const uint64_t cells = textures.IndexCount();
    for (uint64_t cell = 0; cell < cells; ++cell)
    {
        unsigned index = textures.GetIndex(cell);
        const char* name = index < textures.count ? textures.GetName(static_cast<int>(index)) : nullptr;
        if (!name)
            return BadTextureIndex;
        if (!*name)
            return NoTextureName;
    }
    return Ok;
}

const char* DeWrp::ErrorString(unsigned char code)
{
    // Every code has a case (no default), so a code without a text is a
    // compile warning.
    switch (static_cast<Code>(code))
    {
    case Ok:
        return "no error";
    case PrematureEof:
        return "Wrp: Premature EOF";
    case OutOfMemory:
        return "Wrp: Out of memory";
    case NameTooLong:
        return "Wrp: string filename too long";
    case NotWrp:
        return "Wrp: Not a WRP file";
    case BadVersion:
        return "Wrp: Invalid version for OPWR wrp file";
    case ExcessBits:
        return "Wrp: Extract, excess 1bits";
    case BadReference:
        return "Wrp: Extract negative rpos";
    case BadChecksum:
        return "Wrp: Extract checksum";
    case InvalidFile:
        return "Wrp: Invalid File";
    case BadModelIndex:
        return "Wrp: Invalid object index in models";
    case NoModelName:
        return "Wrp: No model filename to use";
    case RegressiveId:
        return "Wrp: Model id is regressive";
    case BadTextureIndex:
        return "Wrp: TextureIndex out of bounds";
    case NoTextureName:
        return "Wrp: No Name to texture";
    }
    return "Wrp: Unknown error";
}
