// World input cursor and cell block decoder.
#include "WrpInput.h"

#include <cstring>
#include <limits>
#include <new>

#include "WrpCodes.h"

using namespace wrp;

namespace
{
const size_t MaxLength = 18; // longest back-reference
// Eight references of any length, plus the 6 bytes an 8-byte word copy of an
// 18-byte reference may write past its end.
const size_t FastOutputRoom = 8 * MaxLength + 8;
// Eight tokens of two bytes each.
const size_t FastInputRoom = 16;


uint32_t Sum(const unsigned char* data, size_t n)
{
    uint32_t sum = 0;
    for (size_t i = 0; i < n; ++i)
        sum += data[i];
    return sum;
}

// Copies length bytes from distance behind p (1 <= distance <= p), one at a
// time in effect: a run longer than its distance repeats the last distance
// bytes. Writes up to 6 bytes past the run when distance is below 18, so the
// caller guarantees that room.
inline void CopyWithRoom(unsigned char* out, size_t p, size_t distance, size_t length)
{
    if (distance >= MaxLength)
        std::memcpy(out + p, out + p - distance, MaxLength);
    else if (distance >= 8)
    {
        for (size_t k = 0; k < length; k += 8)
            std::memcpy(out + p + k, out + p + k - distance, 8);
    }
    else if (distance == 1 || distance == 2 || distance == 4)
    {
        // The run repeats a 1, 2 or 4 byte pattern, which fills a word
        // exactly: three word stores instead of a byte loop or a call.
        unsigned char word[8];
        for (size_t k = 0; k < 8; ++k)
            word[k] = out[p - distance + (k & (distance - 1))];
        for (size_t k = 0; k < length; k += 8)
            std::memcpy(out + p + k, word, 8);
    }
    else
    {
        for (size_t k = 0; k < length; ++k)
            out[p + k] = out[p + k - distance];
    }
}

// Same result, writing exactly length bytes.
inline void CopyExact(unsigned char* out, size_t p, size_t distance, size_t length)
{
    for (size_t k = 0; k < length; ++k)
        out[p + k] = out[p + k - distance];
}

int DecodePacked(const unsigned char* in, size_t available, size_t& used, unsigned char* out, size_t n)
{
    size_t i = 0;
    size_t p = 0;
    while (p < n)
    {
        if (i >= available)
            return PrematureEof;
        unsigned flags = in[i++];
        if (n - p >= FastOutputRoom && available - i >= FastInputRoom)
        {
            // Room for eight tokens of any kind in both blocks, and the block
            // cannot end inside them: no bounds checks per token.
            if (flags == 0xFF)
            {
                std::memcpy(out + p, in + i, 8);
                i += 8;
                p += 8;
                continue;
            }
            for (int bit = 0; bit < 8; ++bit, flags >>= 1)
            {
                if (flags & 1)
                {
                    out[p++] = in[i++];
                    continue;
                }
                size_t distance = in[i] | ((in[i + 1] & 0xF0u) << 4);
                size_t length = (in[i + 1] & 0x0Fu) + 3;
                i += 2;
                if (distance - 1 >= p) // distance 0 wraps and fails too
                    return BadReference;
                CopyWithRoom(out, p, distance, length);
                p += length;
            }
            continue;
        }
        for (int bit = 0; bit < 8; ++bit, flags >>= 1)
        {
            if (flags & 1)
            {
                if (i >= available)
                    return PrematureEof;
                out[p++] = in[i++];
            }
            else
            {
                if (available - i < 2)
                    return PrematureEof;
                size_t distance = in[i] | ((in[i + 1] & 0xF0u) << 4);
                size_t length = (in[i + 1] & 0x0Fu) + 3;
                i += 2;
                if (distance - 1 >= p)
                    return BadReference;
                // The block ends inside a reference: the rest is dropped.
                if (length > n - p)
                    length = n - p;
                CopyExact(out, p, distance, length);
                p += length;
            }
            if (p == n)
            {
                if (flags >> 1)
                    return ExcessBits;
                break;
            }
        }
    }
    used = i;
    return Ok;
}
} // namespace

bool WrpBytes::Allocate(uint64_t n)
{
    Reset();
    if (n > std::numeric_limits<size_t>::max() - 1)
        return false;
    // One byte more, so that an empty block still has an address.
    bytes.reset(new (std::nothrow) unsigned char[static_cast<size_t>(n) + 1]);
    if (!bytes)
        return false;
    count = static_cast<size_t>(n);
    return true;
}

bool WrpInput::Read(void* destination, uint64_t n)
{
    if (n > Remaining())
        return false;
    if (n)
        std::memcpy(destination, data + position, static_cast<size_t>(n));
    position += static_cast<size_t>(n);
    return true;
}

bool WrpInput::ReadU32(uint32_t& value)
{
    if (Remaining() < 4)
        return false;
    value = LoadU32(data + position);
    position += 4;
    return true;
}

bool WrpInput::Skip(uint64_t n)
{
    if (n > Remaining())
        return false;
    position += static_cast<size_t>(n);
    return true;
}

uint64_t WrpBlockCapacity(const WrpInput& input, uint64_t n, bool plain)
{
    const uint64_t remaining = input.Remaining();
    if (plain)
        return n <= remaining ? n : 0;
    if (remaining > UINT64_MAX / 16)
        return n;
    const uint64_t producible = 9 * remaining;
    return n <= producible ? n : producible + FastOutputRoom;
}

int DecodeWrpBlock(WrpInput& input, unsigned char* out, size_t n, bool plain)
{
    if (plain)
        return input.Read(out, n) ? Ok : PrematureEof;
    size_t used = 0;
    int result = DecodePacked(input.Here(), input.Remaining(), used, out, n);
    if (result != Ok)
        return result;
    input.Skip(used);
    uint32_t stored = 0;
    if (!input.ReadU32(stored))
        return PrematureEof;
    return stored == Sum(out, n) ? Ok : BadChecksum;
}
