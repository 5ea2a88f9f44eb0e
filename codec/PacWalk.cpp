// Layout walk of ".paa"/".pac" textures, shared by the texture inspector and
// the pixel codec: tag loop, mipmap headers and end marker.
#include "PacWalk.h"

#include "../frame/ByteOrder.h"
#include "../frame/DataStream.h"
#include "../frame/Text.h"
#include "Cursor.h"

namespace ostrel_internal
{
namespace codec
{
namespace
{
PacWalkResult Code(int code)
{
    PacWalkResult result;
    result.code = code;
    return result;
}

PacWalkResult Done(const Cursor& at)
{
    PacWalkResult result;
    result.end = at.Position();
    return result;
}

// A mipmap's size moves the cursor without reading the data, so it may come
// to lie past the end of the input; every read from there fails, and the
// offsets compare with the true position.
PacWalkResult WalkWithOffsets(Cursor& at, const uint32_t* offsets, const PacMipVisitor& visit)
{
    for (int slot = 0; slot < 16; ++slot)
    {
        const uint32_t offset = offsets[slot];
        if (offset == 0)
            continue;
        if (offset != at.Position())
        {
            PacWalkResult result = Code(pac::InvalidFile);
            result.misplaced = true;
            return result;
        }
        PacMip mip{at.U16(), at.U16(), at.U24(), 0};
        if (at.Failed())
            return Code(pac::PrematureEnd);
        mip.data = at.Position();
        visit(mip);
        at.Advance(mip.size);
    }
    const unsigned char* marker = at.Take(6);
    if (!marker)
        return Code(pac::PrematureEnd);
    for (int i = 0; i < 6; ++i)
    {
        if (marker[i] != 0)
            return Code(pac::NoEndingZeroes);
    }
    return Done(at);
}

PacWalkResult WalkWithoutOffsets(Cursor& at, const PacMipVisitor& visit)
{
    PacMip mip{at.U16(), 0, 0, 0};
    for (;;)
    {
        mip.height = at.U16();
        if (at.Failed())
            return Code(pac::PrematureEnd);
        if (mip.width == 0 && mip.height == 0)
        {
            const unsigned last = at.U16();
            if (at.Failed())
                return Code(pac::PrematureEnd);
            return last != 0 ? Code(pac::NoEndingZeroes) : Done(at);
        }
        mip.size = at.U24();
        if (at.Failed())
            return Code(pac::PrematureEnd);
        mip.data = at.Position();
        visit(mip);
        at.Advance(mip.size);
        mip.width = at.U16();
    }
}
} // namespace

bool SamePacName(const unsigned char* name, const char* letters)
{
    for (size_t i = 0; i < 8; ++i)
    {
        if (::text::Lower(static_cast<char>(name[i])) != ::text::Lower(letters[i]))
            return false;
    }
    return true;
}

int ReadPacTags(DataStream& input, const PacTagHandler& handler)
{
    unsigned char name[8];
    unsigned char lengthBytes[4];
    for (;;)
    {
        if (!input.Take(name, 2))
            return pac::PrematureEnd;
        if (name[0] == 0 && name[1] == 0)
            return pac::Ok;
        if (!input.Take(name + 2, 6) || !input.Take(lengthBytes, 4))
            return pac::PrematureEnd;
        int result = handler(name, byteorder::LoadU32(lengthBytes));
        if (result != 0)
            return result;
    }
}

PacWalkResult WalkPacMips(const unsigned char* data, uint64_t length, uint64_t position, const uint32_t* offsets,
                          const PacMipVisitor& visit)
{
    Cursor at(data, static_cast<size_t>(length), position);
    return offsets ? WalkWithOffsets(at, offsets, visit) : WalkWithoutOffsets(at, visit);
}
} // namespace codec
} // namespace ostrel_internal
