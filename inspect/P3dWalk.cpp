// Model inspector: the signature check and the walk of an editable model,
// level by level (counts, point, normal and polygon blocks, polygon checks,
// named tags), with the lines it reports.
#include <cstdlib>
#include <cstring>
#include <new>

#include "../frame/AllocFail.h"
#include "../frame/ByteOrder.h"
#include "../frame/DataStream.h"
#include "../frame/Text.h"
#include "DeP3d.h"
#include "P3dFormat.h"
#include "P3dRecords.h"

using namespace p3d;

bool DeP3d::ReadU32(uint32_t& value)
{
    const unsigned char* p = input->Take(4);
    if (p)
        value = byteorder::LoadU32(p);
    return p != nullptr;
}

P3DType DeP3d::_SetType()
{
    if (text::EqualNoCase(signature, EditableSignature))
        return P3DMlod;
    if (text::EqualNoCase(signature, BinarisedSignature))
        return P3DOdol;
    return P3DNone;
}

int DeP3d::Process(ProgressCallback progress)
{
    callback = SilentProgress::Select(progress);
    std::memset(signature, 0, sizeof signature);
    if (!input->Take(signature, 4))
        return PrematureEof;
    type = _SetType();
    if (type == P3DMlod)
        return ReadMlod();
    if (type == P3DOdol)
    {
        callback("ODOL");
        return Undecodable;
    }
    return InvalidFile;
}

int DeP3d::ReadMlod()
{
    callback("MLOD");
    // Header values of an earlier model are not carried into this one.
    mlod->lodCount = 0;
    uint32_t bits = 0;
    if (!ReadU32(bits))
        return InvalidFile;
    float version = 0;
    if (bits == VersionInteger)
        version = CurrentVersion;
    else
        std::memcpy(&version, &bits, sizeof version);
    mlod->version = version;
    callback(" version %.2f\r\n", static_cast<double>(version));
    if (bits != VersionFloat && bits != VersionInteger)
        return InvalidFile;
    if (!ReadU32(mlod->lodCount))
        return InvalidFile;
    callback("LodCount %d\r\n", static_cast<int>(mlod->lodCount));
    for (uint32_t i = 0; i < mlod->lodCount; ++i)
    {
        P3dLod* lod = ostrel_internal::alloc::New<P3dLod>();
        if (!lod)
            return OutOfMemory;
        mlod->lods.Append(lod);
        int result = ReadLod(*lod);
        if (result != Ok)
            return result;
    }
    if (input->AtEnd())
        return Ok;
    // Models saved by the editor carry a trailer after the last level
    // (zeros, a folder text, 32-bit values): accepted and counted. Without
    // any level there is no end tag, and bytes after the header are residual.
    if (mlod->lodCount == 0)
        return ResidualBytes;
    callback("TrailingBytes: %lu\r\n", static_cast<unsigned long>(input->Length() - input->Position()));
    return Ok;
}

int DeP3d::ReadLod(P3dLod& lod)
{
    if (!input->Take(lod.signature, 4))
        return PrematureEof;
    if (!text::EqualNoCase(lod.signature, LodSignature))
        return InvalidFile;
    if (!ReadU32(lod.versionHigh))
        return PrematureEof;
    if (lod.versionHigh != LodVersionHigh)
        return InvalidFile;
    if (!ReadU32(lod.versionLow))
        return PrematureEof;
    if (lod.versionLow != LodVersionLow)
        return InvalidFile;
    callback("LodSig: %s V%d.%d\r\n", lod.signature, static_cast<int>(lod.versionHigh),
             static_cast<int>(lod.versionLow));
    int result = ReadCounts(lod);
    if (result == Ok)
        result = Assign(&lod.vertices, 16, lod.vertexCount);
    if (result == Ok)
        result = Assign(&lod.normals, 12, lod.normalCount);
    if (result == Ok)
        result = Assign(&lod.polygons, P3dLod::PolygonSize, lod.polygonCount);
    if (result == Ok)
        result = CheckPolygons(lod);
    if (result != Ok)
        return result;
    if (!input->Take(lod.tagMarker, 4))
        return PrematureEof;
    static const char marker[] = "TAGG";
    for (int i = 0; i < 4; ++i)
    {
        if (text::Lower(lod.tagMarker[i]) != text::Lower(marker[i]))
            return InvalidFile;
    }
    return ReadTags(lod);
}

int DeP3d::ReadCounts(P3dLod& lod)
{
    uint32_t value = 0;
    if (!ReadU32(value))
        return PrematureEof;
    lod.vertexCount = static_cast<int32_t>(value);
    callback("Vertexes: %d\r\n", static_cast<int>(lod.vertexCount));
    if (!ReadU32(value))
        return PrematureEof;
    lod.normalCount = static_cast<int32_t>(value);
    callback("NormalsCount: %d\r\n", static_cast<int>(lod.normalCount));
    if (!ReadU32(value))
        return PrematureEof;
    lod.polygonCount = static_cast<int32_t>(value);
    callback("PolygonCount: %d\r\n", static_cast<int>(lod.polygonCount));
    if (!ReadU32(lod.lodFlags))
        return PrematureEof;
    callback("LodFlags: %X\r\n", static_cast<unsigned>(lod.lodFlags));
    return Ok;
}

// Each polygon names 3 or 4 corners whose normal and point indices lie below
// the level's counts (compared signed, as the counts are).
int DeP3d::CheckPolygons(P3dLod& lod)
{
    if (lod.polygonCount <= 0)
        return Ok;
    size_t count = static_cast<size_t>(lod.polygonCount);
    lod.polygonTexts = static_cast<char*>(ostrel_internal::alloc::Allocate(count * P3dLod::PolygonTextSize));
    if (!lod.polygonTexts)
        return OutOfMemory;
    const unsigned char* polygon = static_cast<const unsigned char*>(lod.polygons);
    for (size_t i = 0; i < count; ++i, polygon += P3dLod::PolygonSize)
    {
        char* text = lod.polygonTexts + i * P3dLod::PolygonTextSize;
        std::memcpy(text, polygon, P3dLod::PolygonTextSize - 1);
        text[P3dLod::PolygonTextSize - 1] = 0;
        callback("%s\r\n", text);
        int32_t corners = byteorder::LoadI32(polygon + 32);
        if (corners != 3 && corners != 4)
            return InvalidFile;
        for (int32_t c = 0; c < corners; ++c)
        {
            const unsigned char* corner = polygon + 36 + 16 * c;
            if (byteorder::LoadI32(corner + 4) >= lod.normalCount)
                return InvalidFile;
            if (byteorder::LoadI32(corner) >= lod.vertexCount)
                return InvalidFile;
        }
    }
    return Ok;
}

// Tags up to and including "#EndOfFile#", then the level's closing value.
int DeP3d::ReadTags(P3dLod& lod)
{
    for (;;)
    {
        P3dTag* tag = new (std::nothrow) P3dTag;
        if (!tag)
            return PrematureEof;
        lod.tags.Append(tag);
        ++lod.tagCount;
        uint32_t stored = 0;
        if (!input->Take(tag->tagName, 64) || !ReadU32(stored))
            return PrematureEof;
        callback("%s %d\r\n", tag->tagName, static_cast<int>(stored));
        unsigned long long bytes = stored;
        if (text::EqualNoCase(tag->tagName, "#mass#"))
        {
            // One float per point: stored either as a byte size (four times
            // the point count) or as a count of floats.
            long long pointBytes = 4LL * lod.vertexCount;
            if (static_cast<long long>(stored) != pointBytes)
                bytes = 4ULL * stored;
        }
        if (bytes != 0)
        {
            int result = AssignBytes(&tag->tagData, bytes);
            if (result != Ok)
                return result;
            tag->tagSize = static_cast<uint32_t>(bytes);
        }
        if (text::EqualNoCase(tag->tagName, "#EndOfFile#"))
            return input->Take(lod.closingValue, 4) ? Ok : PrematureEof;
    }
}
