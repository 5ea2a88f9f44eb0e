// Model inspector for ".p3d" files: walks editable (MLOD) models level by
// level, reports them through a callback and answers questions about them.
#pragma once

#include <cstdint>
#include <memory>

#include "../frame/Export.h"
#include "../frame/Progress.h"
#include "P3dFormat.h"

class DataStream;
class P3dLod;
class P3dMlod;
class P3dOdol;

// Kind of model file, from its first four bytes.
enum P3DType
{
    P3DNone = 0,
    P3DMlod = 1,
    P3DOdol = 2
};

// Result codes: p3d::Code (residual bytes: after a header of no levels;
// undecodable: a binarised model). Bytes after the last level are a trailer, counted in the report.
// The levels of a model read without error stay until Close, the next Open
// or destruction; a failed run releases them. The callback's answer is not
// polled.
//
// Besides the float 1.1, the header version may be the integer 257, which
// editable models in circulation carry for the same version. A "#mass#" tag
// whose stored size is four times the level's point count holds that many
// bytes (one float per point); any other stored size counts floats.
class OSTREL_API DeP3d
{
public:
    DeP3d();
    ~DeP3d();
    DeP3d(const DeP3d&) = delete;
    DeP3d& operator=(const DeP3d&) = delete;

    // Loads the whole file ("p3d" is added unless the name ends in it).
    int Open(const char* fileName, ProgressCallback progress);
    // Reads the caller's block, which must stay valid during the call only.
    int Open(const unsigned char* data, unsigned long size, ProgressCallback progress);
    // Releases every level; type and header values stay.
    void Close();
    static const char* ErrorString(unsigned char code);

    int GetType() const;
    long GetLodCount() const;
    // A zero-filled C-allocator block of size x count bytes in *out, filled
    // from the input: p3d::Ok, p3d::PrematureEof when too few bytes remain
    // (the block, if one was made, stays in *out for the caller), or
    // p3d::OutOfMemory when no block could be made (*out is null). Blocks
    // larger than the whole input, which it could never fill, are not
    // allocated: PrematureEof with *out null. Negative sizes or counts give
    // OutOfMemory.
    int Assign(void** out, int size, int count);
    // -1 or null when the level (or the tag, or the polygon) does not exist.
    long GetMlodTagCount(long lod) const;
    const char* GetMlodTagName(long lod, long tag) const;
    long GetMlodPolyCount(long lod) const;
    const char* GetMlodPolySignature(long lod, long polygon) const;

private:
    int Process(ProgressCallback progress);
    P3DType _SetType();
    int ReadMlod();
    int ReadLod(P3dLod& lod);
    int ReadCounts(P3dLod& lod);
    int CheckPolygons(P3dLod& lod);
    int ReadTags(P3dLod& lod);
    int AssignBytes(void** out, unsigned long long bytes);
    bool ReadU32(uint32_t& value);

    ProgressCallback callback = nullptr;
    std::unique_ptr<P3dMlod> mlod;
    std::unique_ptr<P3dOdol> odol;
    std::unique_ptr<DataStream> input;
    char signature[5] = {};
    P3DType type = P3DNone;
};
