// The LZSS token decoder: one loop for every caller, a fast path for groups
// far from both ends, and the checks of the caller's policy.
#include "Lzss.h"

#include <cstring>

#include "../frame/ByteOrder.h"

namespace ostrel_internal
{
namespace codec
{
namespace
{
const size_t MaxLength = 18; // longest reference
// Eight references of any length, plus the 6 bytes a word copy of an
// 18-byte reference may write past its end.
const size_t FastOutputRoom = 8 * MaxLength + 8;
// Eight tokens of two bytes each.
const size_t FastInputRoom = 16;

uint32_t Sum(const unsigned char* data, size_t n, ByteSum rule)
{
    uint32_t sum = 0;
    if (rule == ByteSum::Signed)
    {
        for (size_t i = 0; i < n; ++i)
            sum += static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(data[i])));
        return sum;
    }
    for (size_t i = 0; i < n; ++i)
        sum += data[i];
    return sum;
}

// 0 when a reference of offset at output position p may be copied, else the
// policy's code.
int CheckReference(size_t offset, size_t p, const LzssPolicy& policy)
{
    if (offset == 0)
        return policy.codes.zeroOffset;
    if (offset > p && policy.beforeStart == BeforeStart::Fail)
        return policy.codes.beforeStart;
    return 0;
}

// Copies length bytes from offset behind p, byte by byte in effect: positions
// before the start read as spaces, a run longer than its offset repeats it.
// Writes exactly length bytes.
void CopyExact(unsigned char* out, size_t p, size_t offset, size_t length)
{
    size_t done = 0;
    if (offset > p)
    {
        const size_t spaces = offset - p;
        done = spaces < length ? spaces : length;
        std::memset(out + p, ' ', done);
    }
    for (; done < length; ++done)
        out[p + done] = out[p + done - offset];
}

// Same result for 1 <= offset <= p, writing up to 6 bytes past the run (24
// bytes from p at most).
inline void CopyWithRoom(unsigned char* out, size_t p, size_t offset, size_t length)
{
    if (offset >= MaxLength)
        std::memcpy(out + p, out + p - offset, MaxLength);
    else if (offset >= 8)
    {
        for (size_t k = 0; k < length; k += 8)
            std::memcpy(out + p + k, out + p + k - offset, 8);
    }
    else if (offset == 1 || offset == 2 || offset == 4)
    {
        // The run repeats a 1, 2 or 4 byte pattern, which fills a word
        // exactly: three word stores instead of a byte loop.
        unsigned char word[8];
        for (size_t k = 0; k < 8; ++k)
            word[k] = out[p - offset + (k & (offset - 1))];
        for (size_t k = 0; k < length; k += 8)
            std::memcpy(out + p + k, word, 8);
    }
    else
    {
        for (size_t k = 0; k < length; ++k)
            out[p + k] = out[p + k - offset];
    }
}
} // namespace

uint64_t LzssMaxOutput(uint64_t inSize, StopAt stop)
{
    // Every reference takes two bytes and yields at most 18; at the input's
    // end one may borrow its second byte from the sum.
    if (stop == StopAt::OutputFull)
        return inSize > UINT64_MAX / 16 ? UINT64_MAX : 9 * inSize;
    if (inSize <= 4)
        return 0;
    return inSize - 4 > UINT64_MAX / 16 ? UINT64_MAX : 9 * (inSize - 4) + MaxLength;
}

int LzssDecode(const unsigned char* in, size_t inSize, unsigned char* out, size_t size, size_t capacity,
               const LzssPolicy& policy, size_t* used)
{
    const LzssCodes& codes = policy.codes;
    const bool toInputEnd = policy.stop == StopAt::InputEnd;
    if (used)
        *used = 0;
    if (toInputEnd && inSize <= 4)
    {
        std::memset(out, 0, capacity);
        return codes.inputEnds;
    }
    // Token bytes; under InputEnd the sum behind them is always there.
    const size_t end = toInputEnd ? inSize - 4 : inSize;
    // Output position the fast path must stay clear of.
    const size_t fastEnd = toInputEnd || capacity < size ? capacity : size;
    size_t i = 0;
    size_t p = 0;
    int result = 0;
    while (result == 0 && (toInputEnd ? i < end : p < size))
    {
        if (i >= end)
        {
            result = codes.inputEnds;
            break;
        }
        unsigned flags = in[i++];
        if (end - i >= FastInputRoom && fastEnd - p >= FastOutputRoom)
        {
            // end - i >= 16 and fastEnd - p >= 152: eight tokens read at most
            // 16 bytes and write at most 7 * 18 + 24, so neither end falls
            // inside them and no token needs a bounds check.
            //
            // Measured and slower (bench/decompress_bench, bench/world_bench;
            // medians in MB/s on a shared two-core machine, so noisy; text-like
            // entries / repetitive entries / world block, this loop first):
            // - a group of eight literals (flag 0xFF) as one 8-byte copy:
            //   552-834 / 543-765 / 516-660 against 874-1039 / 868-956 / 627-760;
            // - offsets below 8 copied byte by byte, without the 1, 2 and 4
            //   byte pattern words: 728-839 / 751-773 / 700-704;
            // - offsets below 8 by memset (offset 1) or memcpy in offset-sized
            //   chunks (with the 0xFF copy): 629-763 / 618-760 / 531-621.
            for (int bit = 0; bit < 8; ++bit, flags >>= 1)
            {
                if (flags & 1)
                {
                    out[p++] = in[i++];
                    continue;
                }
                const size_t offset = in[i] | ((in[i + 1] & 0xF0u) << 4);
                const size_t length = (in[i + 1] & 0x0Fu) + 3;
                i += 2;
                if (offset - 1 < p) // offset 0 wraps and takes the other branch
                    CopyWithRoom(out, p, offset, length);
                else if ((result = CheckReference(offset, p, policy)) != 0)
                    break;
                else
                    CopyExact(out, p, offset, length);
                p += length;
            }
            continue;
        }
        for (int bit = 0; bit < 8; ++bit, flags >>= 1)
        {
            if (i >= end)
            {
                // InputEnd ignores the flag bits left; OutputFull lacks tokens.
                if (!toInputEnd)
                    result = codes.inputEnds;
                break;
            }
            if (flags & 1)
            {
                if (p >= capacity)
                {
                    result = codes.overrun;
                    break;
                }
                out[p++] = in[i++];
            }
            else
            {
                if (!toInputEnd && end - i < 2)
                {
                    result = codes.inputEnds;
                    break;
                }
                const size_t offset = in[i] | ((in[i + 1] & 0xF0u) << 4);
                size_t length = (in[i + 1] & 0x0Fu) + 3;
                i += 2;
                if ((result = CheckReference(offset, p, policy)) != 0)
                    break;
                if (!toInputEnd && length > size - p)
                    length = size - p; // the block ends inside the reference
                if (capacity - p < length)
                {
                    result = codes.overrun;
                    break;
                }
                CopyExact(out, p, offset, length);
                p += length;
            }
            if (!toInputEnd && p == size)
            {
                if (flags >> 1)
                    result = codes.excessBits;
                break;
            }
        }
    }
    // Whatever the stream did not produce reads as zero, never as old memory.
    if (p < capacity)
        std::memset(out + p, 0, capacity - p);
    if (result != 0)
        return result;
    if (p < size)
        return codes.shortOutput;
    const size_t sumAt = toInputEnd ? end : i;
    if (inSize - sumAt < 4)
    {
        if (used)
            *used = sumAt;
        return codes.inputEnds;
    }
    if (used)
        *used = sumAt + 4;
    return byteorder::LoadU32(in + sumAt) == Sum(out, size, policy.sum) ? 0 : codes.badChecksum;
}
} // namespace codec
} // namespace ostrel_internal
