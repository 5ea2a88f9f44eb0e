#pragma once

#include <cstdint>

// Unpacks a compressed entry block (token stream plus 32-bit additive
// checksum) into out, which has room for expectedSize + 1 bytes. Answers 0,
// -4 (block too short, or the stream would overrun out), -5 (back-reference
// with offset 0) or -6 (checksum differs, or the stream ended before
// expectedSize bytes). Bytes of out that the stream did not produce are zero.
// Archive entries sum the unpacked bytes as unsigned values; the pixels of
// uncompressed textures use the same tokens but sum them as signed bytes.
enum class ChecksumRule
{
    UnsignedBytes,
    SignedBytes
};
int Decompress(const unsigned char* packed, unsigned packedSize, unsigned char* out, unsigned expectedSize,
               ChecksumRule rule = ChecksumRule::UnsignedBytes);

// Largest unpacked size that a block of packedSize bytes can produce.
uint64_t MaxUnpackedSize(unsigned packedSize);
