// Layout walk of ".paa"/".pac" textures, shared by the texture inspector and
// the pixel codec: tag loop, mipmap headers and end marker.
#include "PacWalk.h"

#include "../frame/DataStream.h"
#include "../frame/Text.h"

namespace
{
// Read cursor of the mipmap walk. A mipmap's size moves it without reading
// the data, so it may come to lie past the end of the input; every read
// from there fails, and the offsets compare with the true position.
struct MipCursor
{
    const unsigned char* data;
    uint64_t length;
    uint64_t position;

    const unsigned char* Take(uint64_t n)
    {
        if (position > length || length - position < n)
            return nullptr;
        const unsigned char* p = data + position;
        position += n;
        return p;
    }
    bool U16(unsigned& value)
    {
        const unsigned char* p = Take(2);
        if (p)
            value = p[0] | (p[1] << 8);
        return p != nullptr;
    }
    bool U24(unsigned& value)
    {
        const unsigned char* p = Take(3);
        if (p)
            value = p[0] | (p[1] << 8) | (p[2] << 16);
        return p != nullptr;
    }
};

PacWalkResult Code(int code)
{
    PacWalkResult result;
    result.code = code;
    return result;
}

PacWalkResult WalkWithOffsets(MipCursor& at, const uint32_t* offsets, const PacMipVisitor& visit)
{
    for (int slot = 0; slot < 16; ++slot)
    {
        uint32_t offset = offsets[slot];
        if (offset == 0)
            continue;
        if (offset != at.position)
        {
            PacWalkResult result = Code(pac::InvalidFile);
            result.misplaced = true;
            return result;
        }
        PacMip mip{0, 0, 0, 0};
        if (!at.U16(mip.width) || !at.U16(mip.height) || !at.U24(mip.size))
            return Code(pac::PrematureEnd);
        mip.data = at.position;
        visit(mip);
        at.position += mip.size;
    }
    const unsigned char* marker = at.Take(6);
    if (!marker)
        return Code(pac::PrematureEnd);
    for (int i = 0; i < 6; ++i)
    {
        if (marker[i] != 0)
            return Code(pac::NoEndingZeroes);
    }
    PacWalkResult result;
    result.end = at.position;
    return result;
}

PacWalkResult WalkWithoutOffsets(MipCursor& at, const PacMipVisitor& visit)
{
    PacMip mip{0, 0, 0, 0};
    if (!at.U16(mip.width))
        return Code(pac::PrematureEnd);
    for (;;)
    {
        if (!at.U16(mip.height))
            return Code(pac::PrematureEnd);
        if (mip.width == 0 && mip.height == 0)
        {
            unsigned last = 0;
            if (!at.U16(last))
                return Code(pac::PrematureEnd);
            if (last != 0)
                return Code(pac::NoEndingZeroes);
            PacWalkResult result;
            result.end = at.position;
            return result;
        }
        if (!at.U24(mip.size))
            return Code(pac::PrematureEnd);
        mip.data = at.position;
        visit(mip);
        at.position += mip.size;
        if (!at.U16(mip.width))
            return Code(pac::PrematureEnd);
    }
}
} // namespace

uint32_t PacU32(const unsigned char* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

bool SamePacName(const unsigned char* name, const char* letters)
{
    for (size_t i = 0; i < 8; ++i)
    {
        if (text::Lower(static_cast<char>(name[i])) != text::Lower(letters[i]))
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
        int result = handler(name, PacU32(lengthBytes));
        if (result != pac::Ok)
            return result;
    }
}

PacWalkResult WalkPacMips(const unsigned char* data, uint64_t length, uint64_t position, const uint32_t* offsets,
                          const PacMipVisitor& visit)
{
    MipCursor at{data, length, position};
    return offsets ? WalkWithOffsets(at, offsets, visit) : WalkWithoutOffsets(at, visit);
}
