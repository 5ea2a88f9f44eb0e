// Layout walk of ".paa"/".pac" textures (tag list, mipmap headers, end
// marker), shared by the texture inspector and the pixel codec. Internal to
// Ostrel's own programs, not part of the public interface.
#pragma once

#include <cstdint>
#include <functional>

#include "../frame/Export.h"
#include "PacFormat.h"

class DataStream;

namespace ostrel_internal
{
namespace codec
{
// One mipmap header as met in the walk; data is the file offset of its bytes.
struct PacMip
{
    unsigned width;
    unsigned height;
    unsigned size;
    uint64_t data;
};

// Outcome of a mipmap walk, in the inspector's result codes (Ok,
// PrematureEnd, InvalidFile, NoEndingZeroes).
struct PacWalkResult
{
    int code = pac::Ok;
    bool misplaced = false; // an offset differed from the read position (InvalidFile)
    uint64_t end = 0;       // position after the end marker when code is 0
};

using PacTagHandler = std::function<int(const unsigned char* name, uint32_t length)>;
using PacMipVisitor = std::function<void(const PacMip& mip)>;

// Equal ignoring ASCII case over the 8 letters of a tag name.
OSTREL_API bool SamePacName(const unsigned char* name, const char* letters);

// Reads tags until two zero bytes stand where a name would begin. The
// handler is called with the input at the payload and must consume it; its
// non-zero answer ends the loop. A short read answers pac::PrematureEnd.
OSTREL_API int ReadPacTags(DataStream& input, const PacTagHandler& handler);

// Walks the mipmaps from position: those the 16 offsets list (each must lie
// where the previous one ended; zero slots are skipped) then a 6-byte end
// marker, or, with offsets null, mipmaps one after another up to a zero
// width and height. Sizes move the cursor without reading the data.
OSTREL_API PacWalkResult WalkPacMips(const unsigned char* data, uint64_t length, uint64_t position,
                                     const uint32_t* offsets, const PacMipVisitor& visit);
} // namespace codec
} // namespace ostrel_internal

namespace codec = ostrel_internal::codec;
