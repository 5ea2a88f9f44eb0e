// How archive entries use the token decoder: the block is the stream plus a
// 32-bit sum of the unpacked bytes, references before the start read spaces.
#pragma once

#include "../codec/Lzss.h"
#include "PboErrors.h"

// Answers 0, -4 (block too short, or the stream would write more than
// expectedSize + 1 bytes), -5 (a reference of offset 0) or -6 (the sum
// differs, or the stream ended before expectedSize bytes).
inline constexpr codec::LzssPolicy EntryPacking = {
    codec::BeforeStart::Spaces,
    codec::StopAt::InputEnd,
    codec::ByteSum::Unsigned,
    {PboCompressionBounds, PboCompressionBounds, PboCompressionZeroChunk, PboCompressionZeroChunk,
     PboCompressionChecksum, PboCompressionChecksum, PboCompressionChecksum},
};

// Unpacks a compressed entry block into out, which has room for
// expectedSize + 1 bytes; bytes the stream did not produce are zero.
inline int Decompress(const unsigned char* packed, unsigned packedSize, unsigned char* out, unsigned expectedSize)
{
    return codec::LzssDecode(packed, packedSize, out, expectedSize, static_cast<size_t>(expectedSize) + 1,
                             EntryPacking);
}

// Largest unpacked size that a block of packedSize bytes can produce.
inline uint64_t MaxUnpackedSize(unsigned packedSize)
{
    return codec::LzssMaxOutput(packedSize, codec::StopAt::InputEnd);
}
