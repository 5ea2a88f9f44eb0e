#include "Decompress.h"

#include <cstring>

#include "PboErrors.h"

namespace
{
const int BadBounds = PboCompressionBounds;
const int ZeroChunk = PboCompressionZeroChunk;
const int BadChecksum = PboCompressionChecksum;
const size_t MaxLength = 18; // longest back-reference
// A reference copied in whole 8-byte words writes up to 24 bytes, 6 past its
// end; the fast path needs room for that after seven longest references.
const size_t FastPathRoom = 7 * MaxLength + 24;

uint32_t Checksum(const unsigned char* data, size_t n, ChecksumRule rule)
{
    uint32_t sum = 0;
    if (rule == ChecksumRule::SignedBytes)
    {
        for (size_t i = 0; i < n; ++i)
            sum += static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(data[i])));
        return sum;
    }
    for (size_t i = 0; i < n; ++i)
        sum += data[i];
    return sum;
}

// Copies a back-reference of length bytes that starts offset bytes behind
// position p. Positions before the start read as spaces; a run longer than
// its offset repeats the last offset bytes, copied a chunk at a time.
inline void CopyReference(unsigned char* out, size_t p, size_t offset, size_t length)
{
    size_t done = 0;
    if (offset > p)
    {
        size_t spaces = offset - p;
        done = spaces < length ? spaces : length;
        std::memset(out + p, ' ', done);
    }
    if (offset == 1 && done < length)
    {
        std::memset(out + p + done, out[p + done - 1], length - done);
        return;
    }
    while (done < length)
    {
        size_t chunk = length - done;
        if (chunk > offset)
            chunk = offset;
        std::memcpy(out + p + done, out + p + done - offset, chunk);
        done += chunk;
    }
}
} // namespace

uint64_t MaxUnpackedSize(unsigned packedSize)
{
    if (packedSize <= 4)
        return 0;
    // Every back-reference takes at least two token bytes (the last may borrow
    // its second byte from the checksum) and yields at most 18 bytes.
    return 9ull * (packedSize - 4) + 18;
}

int Decompress(const unsigned char* packed, unsigned packedSize, unsigned char* out, unsigned expectedSize,
               ChecksumRule rule)
{
    if (packedSize <= 4)
        return BadBounds;
    const size_t end = packedSize - 4;
    const size_t capacity = static_cast<size_t>(expectedSize) + 1;
    size_t i = 0;
    size_t p = 0;
    int result = 0;
    while (i < end && result == 0)
    {
        unsigned flags = packed[i++];
        if (end - i >= 16 && capacity - p >= FastPathRoom)
        {
            // Room for eight tokens of any kind in both blocks: no bounds
            // checks per token.
            if (flags == 0xFF)
            {
                std::memcpy(out + p, packed + i, 8);
                i += 8;
                p += 8;
                continue;
            }
            for (int bit = 0; bit < 8; ++bit, flags >>= 1)
            {
                if (flags & 1)
                {
                    out[p++] = packed[i++];
                    continue;
                }
                size_t offset = packed[i] | ((packed[i + 1] & 0xF0u) << 4);
                size_t length = (packed[i + 1] & 0x0Fu) + 3;
                i += 2;
                if (offset == 0)
                {
                    result = ZeroChunk;
                    break;
                }
                // Whole-word copies may run past the reference's end; those
                // bytes are overwritten by the next tokens (or zeroed at the end).
                if (offset <= p && offset >= MaxLength)
                    std::memcpy(out + p, out + p - offset, MaxLength);
                else if (offset <= p && offset >= 8)
                {
                    for (size_t k = 0; k < length; k += 8)
                        std::memcpy(out + p + k, out + p + k - offset, 8);
                }
                else
                    CopyReference(out, p, offset, length);
                p += length;
            }
            continue;
        }
        for (int bit = 0; bit < 8 && i < end; ++bit, flags >>= 1)
        {
            if (flags & 1)
            {
                if (p >= capacity)
                {
                    result = BadBounds;
                    break;
                }
                out[p++] = packed[i++];
                continue;
            }
            unsigned b0 = packed[i];
            unsigned b1 = packed[i + 1]; // may be the first checksum byte
            i += 2;
            size_t offset = b0 | ((b1 & 0xF0u) << 4);
            size_t length = (b1 & 0x0Fu) + 3;
            if (offset == 0)
            {
                result = ZeroChunk;
                break;
            }
            if (capacity - p < length)
            {
                result = BadBounds;
                break;
            }
            CopyReference(out, p, offset, length);
            p += length;
        }
    }
    // Whatever the stream did not produce reads as zero, never as old memory.
    if (p < capacity)
        std::memset(out + p, 0, capacity - p);
    if (result != 0)
        return result;
    if (p < expectedSize)
        return BadChecksum;
    const unsigned char* c = packed + end;
    uint32_t stored = c[0] | (c[1] << 8) | (c[2] << 16) | (static_cast<uint32_t>(c[3]) << 24);
    return Checksum(out, expectedSize, rule) == stored ? 0 : BadChecksum;
}
