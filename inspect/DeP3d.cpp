// Model inspector: opening and closing, messages, the block loader and the
// getters over the decoded levels.
#include "DeP3d.h"

#include <cstdlib>

#include "../frame/AllocFail.h"
#include "../frame/DataStream.h"
#include "P3dRecords.h"

DeP3d::DeP3d() : mlod(new P3dMlod), odol(new P3dOdol), input(new DataStream) {}

DeP3d::~DeP3d()
{
    Close();
}

void DeP3d::Close()
{
    mlod->lods.Clear();
    input->Close();
}

int DeP3d::Open(const char* fileName, ProgressCallback progress)
{
    Close();
    if (!input->OpenInput(fileName, "p3d", 1))
        return p3d::InvalidFile;
    int result = Process(progress);
    if (result != p3d::Ok)
        Close();
    return result;
}

int DeP3d::Open(const unsigned char* data, unsigned long size, ProgressCallback progress)
{
    Close();
    // The buffer is addressed with 32 bits; a null block holds nothing.
    if ((static_cast<uint64_t>(size) >> 32) != 0 || (!data && size))
        return p3d::InvalidFile;
    input->OpenMemory(data, static_cast<uint32_t>(size));
    int result = Process(progress);
    if (result != p3d::Ok)
        Close();
    return result;
}

const char* DeP3d::ErrorString(unsigned char code)
{
    // Every code has a case (no default), so a code without a text is a
    // compile warning.
    switch (static_cast<p3d::Code>(code))
    {
    case p3d::Ok:
        return "no error(s)";
    case p3d::PrematureEof:
        return "P3D: Premature EOF";
    case p3d::OutOfMemory:
        return "P3D: Out of memory";
    case p3d::InvalidFile:
        return "P3D: invalid file";
    case p3d::ResidualBytes:
        return "P3D: residual bytes";
    case p3d::Undecodable:
        return "P3D: undecodable";
    }
    return "P3D: Unknown error";
}

int DeP3d::GetType() const
{
    return type;
}

long DeP3d::GetLodCount() const
{
    if (type == P3DMlod)
        return static_cast<long>(mlod->lodCount);
    if (type == P3DOdol)
        return static_cast<long>(odol->lodCount);
    return 0;
}

int DeP3d::Assign(void** out, int size, int count)
{
    if (!out)
        return p3d::OutOfMemory;
    *out = nullptr;
    if (size < 0 || count < 0)
        return p3d::OutOfMemory;
    return AssignBytes(out, static_cast<unsigned long long>(size) * static_cast<unsigned long long>(count));
}

// The product is exact in 64 bits, so a count cannot wrap into a small block.
int DeP3d::AssignBytes(void** out, unsigned long long bytes)
{
    *out = nullptr;
    if (bytes == 0)
        return p3d::Ok;
    if (bytes > input->Length())
        return p3d::PrematureEof;
    *out = ostrel_internal::alloc::AllocateZeroed(static_cast<size_t>(bytes), 1);
    if (!*out)
        return p3d::OutOfMemory;
    return input->Read(*out, static_cast<uint32_t>(bytes), 1) ? p3d::Ok : p3d::PrematureEof;
}

long DeP3d::GetMlodTagCount(long lod) const
{
    const P3dLod* level = mlod->Lod(lod);
    return level ? level->tagCount : -1;
}

const char* DeP3d::GetMlodTagName(long lod, long tag) const
{
    const P3dLod* level = mlod->Lod(lod);
    const P3dTag* record = level ? level->Tag(tag) : nullptr;
    return record ? record->tagName : nullptr;
}

long DeP3d::GetMlodPolyCount(long lod) const
{
    const P3dLod* level = mlod->Lod(lod);
    return level ? level->polygonCount : -1;
}

const char* DeP3d::GetMlodPolySignature(long lod, long polygon) const
{
    const P3dLod* level = mlod->Lod(lod);
    return level ? level->PolygonSignature(polygon) : nullptr;
}
